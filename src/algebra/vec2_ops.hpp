// Operations of two-component vectors only: the perpendicular, complex rotation and signed angles.
#pragma once

#include <cmath>

#include "algebra/vec.hpp"
#include "algebra/vec_elementwise.hpp"
#include "support/fault.hpp"

namespace quorix {

// (-y, x): the zero vector gives (-0.0, 0.0).
constexpr DVec2 perp(const DVec2& v) { return {{-v.y(), v.x()}}; }

constexpr double perp_dot(const DVec2& v, const DVec2& rhs) { return v.x() * rhs.y() - v.y() * rhs.x(); }

// Complex product; rhs is not normalised, so its length scales the result.
constexpr DVec2 rotate(const DVec2& v, const DVec2& rhs) {
    return {{v.x() * rhs.x() - v.y() * rhs.y(), v.y() * rhs.x() + v.x() * rhs.y()}};
}

// Signed angle in [-pi, pi] turning v towards rhs; anti-parallel vectors take the sign of the zero
// that perp_dot produces. Zero lengths and non-finite components give NaN.
inline double angle_to(const DVec2& v, const DVec2& rhs) {
    const double d = rhs.x() * v.x() + rhs.y() * v.y();
    double c = d / std::sqrt((rhs.x() * rhs.x() + rhs.y() * rhs.y()) * (v.x() * v.x() + v.y() * v.y()));
    if (c < -1.0) c = -1.0;
    if (c > 1.0) c = 1.0;
    return std::acos(c) * signum(perp_dot(v, rhs));
}

// Turns v towards rhs by at most max_angle (away from it when negative, at most to the opposite
// direction), keeping its length. An undefined angle (zero length, NaN) is a fault.
inline DVec2 rotate_towards(const DVec2& v, const DVec2& rhs, double max_angle) {
    const double a = angle_to(v, rhs);
    const double mag = std::fabs(a);
    const double theta = signum(a) * checked_clamp(max_angle, mag + (-kPi), mag);
    const double s = std::sin(theta), c = std::cos(theta);
    return {{v.x() * c - v.y() * s, v.x() * s + v.y() * c}};
}

}  // namespace quorix
