// Operations of three-component vectors only: cross product, rotations, slerp, angles, orthogonal
// companions and homogeneous coordinates. Sines, cosines and arc cosines are the C library's.
#pragma once

#include <cmath>
#include <utility>

#include "algebra/vec.hpp"
#include "algebra/vec_elementwise.hpp"
#include "algebra/vec_geometry.hpp"
#include "support/fault.hpp"

namespace quorix {

constexpr DVec3 cross(const DVec3& a, const DVec3& b) {
    return {{a.y() * b.z() - b.y() * a.z(), a.z() * b.x() - b.z() * a.x(), a.x() * b.y() - b.x() * a.y()}};
}

// p rotated by the quaternion with vector part b and scalar part w (q p q*). Not normalised: a
// quaternion of squared length s also scales p by s.
inline DVec3 quat_rotate(const DVec3& b, double w, const DVec3& p) {
    const double m = w * w - dot(b, b);
    const double t = dot(b, p);
    const DVec3 c = cross(b, p);
    const double w2 = w + w;
    const double t2 = t + t;
    DVec3 r{};
    for (std::size_t i = 0; i < 3; ++i) r.v[i] = w2 * c.v[i] + (p.v[i] * m + b.v[i] * t2);
    return r;
}

// Rotation by `angle` about `axis`, the axis used as given (a non-unit axis scales and skews).
inline DVec3 rotate_axis(const DVec3& v, const DVec3& axis, double angle) {
    const double h = angle * 0.5;
    return quat_rotate(scale(std::sin(h), axis), std::cos(h), v);
}

// Positive angles turn y towards z, z towards x and x towards y respectively.
inline DVec3 rotate_x(const DVec3& v, double angle) {
    const double sa = std::sin(angle), ca = std::cos(angle);
    return {{v.x(), ca * v.y() - sa * v.z(), sa * v.y() + ca * v.z()}};
}
inline DVec3 rotate_y(const DVec3& v, double angle) {
    const double sa = std::sin(angle), ca = std::cos(angle);
    return {{ca * v.x() + sa * v.z(), v.y(), ca * v.z() - sa * v.x()}};
}
inline DVec3 rotate_z(const DVec3& v, double angle) {
    const double sa = std::sin(angle), ca = std::cos(angle);
    return {{ca * v.x() - sa * v.y(), sa * v.x() + ca * v.y(), v.z()}};
}

// Cosine clamped to [-1, 1] (NaN stays NaN) so rounding just past +-1 gives 0 or pi, not NaN.
inline double angle_between(const DVec3& v, const DVec3& rhs) {
    double c = dot(v, rhs) / std::sqrt(dot(v, v) * dot(rhs, rhs));
    if (c < -1.0) c = -1.0;
    if (c > 1.0) c = 1.0;
    return std::acos(c);
}

// Not normalised: (-z, 0, x) when |x| > |y|, else (0, z, -y) (ties and NaNs take the second).
inline DVec3 any_orthogonal_vector(const DVec3& v) {
    if (std::fabs(v.x()) > std::fabs(v.y())) return {{-v.z(), 0.0, v.x()}};
    return {{0.0, v.z(), -v.y()}};
}

inline DVec3 any_orthonormal_vector(const DVec3& v) {
    const double sigma = signum(v.z());
    const double a = -1.0 / (v.z() + sigma);
    const double b = (v.x() * v.y()) * a;
    return {{b, sigma + (v.y() * v.y()) * a, -v.y()}};
}

// For a unit v: two unit vectors orthogonal to v and to each other, cross(first, second) == v.
inline std::pair<DVec3, DVec3> any_orthonormal_pair(const DVec3& v) {
    const double sigma = signum(v.z());
    const double a = -1.0 / (v.z() + sigma);
    const double b = (v.x() * v.y()) * a;
    const DVec3 first{{((sigma * v.x()) * v.x()) * a + 1.0, sigma * b, -(sigma * v.x())}};
    return {first, any_orthonormal_vector(v)};
}

// Spherical interpolation of direction with linear interpolation of length. Nearly opposite
// vectors turn about an arbitrary orthogonal axis; nearly parallel ones (and NaN cosines) lerp.
inline DVec3 slerp(const DVec3& v, const DVec3& rhs, double s) {
    const double lv = length(v);
    const double lr = length(rhs);
    const double cos_a = dot(rhs, v) / (lr * lv);
    if (std::fabs(cos_a) < 0.9999997) {
        const double theta = std::acos(cos_a);
        const double t1 = std::sin((1.0 - s) * theta);
        const double t2 = std::sin(s * theta);
        const double len = lv + s * (lr - lv);
        const double k = 1.0 / std::sin(theta);
        const double sv = len / lv, sr = len / lr;
        return v.zip(rhs, [=](double c, double r) { return k * ((c * sv) * t1 + (r * sr) * t2); });
    }
    if (cos_a < 0.0) {
        const DVec3 axis = normalize(any_orthogonal_vector(v));
        const double h = (s * kPi) * 0.5;
        const DVec3 u = quat_rotate(scale(std::sin(h), axis), std::cos(h), v);
        const double len = lv + s * (lr - lv);
        return scale(len / lv, u);
    }
    return lerp(v, rhs, s);
}

// Turns v towards rhs by at most max_angle (away from it when negative, at most to the opposite
// direction), keeping its length. An undefined angle (zero length, NaN) is a fault.
inline DVec3 rotate_towards(const DVec3& v, const DVec3& rhs, double max_angle) {
    const double theta = angle_between(rhs, v);
    const double a = checked_clamp(max_angle, theta - kPi, theta);
    const DVec3 c = cross(v, rhs);
    const auto r = usable_length_recip(c);
    const DVec3 axis = r ? scale(*r, c) : normalize(any_orthogonal_vector(v));
    const double h = a * 0.5;
    return quat_rotate(scale(std::sin(h), axis), std::cos(h), v);
}

inline DVec4 to_homogeneous(const DVec3& v) { return extend(v, 1.0); }

// Divided by w, which is not tested (w = 0 gives infinities or NaN).
inline DVec3 from_homogeneous(const DVec4& h) { return {{h.x() / h.w(), h.y() / h.w(), h.z() / h.w()}}; }

}  // namespace quorix
