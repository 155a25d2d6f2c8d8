// Double-precision quaternion (x, y, z vector part, w scalar part), never normalised implicitly:
// every method applies its formula to the stored values, unit length or not.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "algebra/components.hpp"
#include "algebra/euler.hpp"
#include "algebra/vec.hpp"
#include "algebra/vec2_ops.hpp"
#include "algebra/vec3_ops.hpp"
#include "algebra/vec_geometry.hpp"

namespace quorix {

struct DMat3;
struct DMat4;
struct DAffine3;

struct DQuat {
    double x, y, z, w;

    static constexpr std::size_t component_count = 4;

    static constexpr DQuat from_xyzw(double x, double y, double z, double w) { return {x, y, z, w}; }
    static constexpr DQuat identity() { return {0.0, 0.0, 0.0, 1.0}; }
    static constexpr DQuat nan() {
        constexpr double n = std::numeric_limits<double>::quiet_NaN();
        return {n, n, n, n};
    }
    static constexpr DQuat from_vec4(const DVec4& v) { return {v.v[0], v.v[1], v.v[2], v.v[3]}; }
    static constexpr DQuat from_array(const std::array<double, 4>& a) { return {a[0], a[1], a[2], a[3]}; }

    constexpr DVec4 to_vec4() const { return {{x, y, z, w}}; }
    constexpr std::array<double, 4> to_array() const { return {x, y, z, w}; }
    constexpr DVec3 xyz() const { return {{x, y, z}}; }

    // ---- lengths and tests ----
    double dot(const DQuat& r) const { return quorix::dot(to_vec4(), r.to_vec4()); }
    double length_squared() const { return dot(*this); }
    double length() const { return std::sqrt(dot(*this)); }
    double length_recip() const { return 1.0 / std::sqrt(dot(*this)); }
    // Unchecked: a zero quaternion gives NaNs.
    DQuat normalize() const { return from_vec4(quorix::normalize(to_vec4())); }
    bool is_normalized() const { return quorix::is_normalized(to_vec4()); }
    // Reads only w: the rotation angle implied by w is below the threshold.
    bool is_near_identity() const {
        return 2.0 * std::acos(std::min(std::fabs(w), 1.0)) < 2.8272965492323474e-07;
    }
    bool is_finite() const { return all_finite(to_array()); }
    bool is_nan() const { return any_nan(to_array()); }
    bool abs_diff_eq(const DQuat& r, double max_abs_diff) const {
        return quorix::abs_diff_eq(to_array(), r.to_array(), max_abs_diff);
    }

    // ---- arithmetic ----
    constexpr DQuat conjugate() const { return {-x, -y, -z, w}; }
    // The conjugate: the inverse of a unit quaternion only (no division by the squared length).
    constexpr DQuat inverse() const { return conjugate(); }
    constexpr DQuat add(const DQuat& r) const { return from_vec4(to_vec4() + r.to_vec4()); }
    constexpr DQuat sub(const DQuat& r) const { return from_vec4(to_vec4() - r.to_vec4()); }
    constexpr DQuat mul_scalar(double f) const { return from_vec4(scale(f, to_vec4())); }
    constexpr DQuat div_scalar(double f) const { return from_vec4(to_vec4() / f); }
    constexpr DQuat neg() const { return {-x, -y, -z, -w}; }

    // Hamilton product this * r.
    constexpr DQuat mul_quat(const DQuat& r) const {
        return {((w * r.x + x * r.w) + y * r.z) - z * r.y, ((w * r.y - x * r.z) + y * r.w) + z * r.x,
                ((w * r.z + x * r.y) - y * r.x) + z * r.w, ((w * r.w - x * r.x) - y * r.y) - z * r.z};
    }
    // Rotates v; a non-unit quaternion also scales it by its squared length.
    DVec3 mul_vec3(const DVec3& v) const { return quat_rotate(xyz(), w, v); }

    // ---- interpolation ----
    DQuat lerp(const DQuat& end, double s) const;
    DQuat slerp(const DQuat& end, double s) const;
    double angle_between(const DQuat& r) const { return 2.0 * std::acos(std::min(std::fabs(dot(r)), 1.0)); }
    DQuat rotate_towards(const DQuat& r, double max_angle) const;

    // ---- axis-angle forms ----
    // (axis, angle in [0, 2pi]); ((1, 0, 0), 0) when the vector part is too short (or NaN).
    std::pair<DVec3, double> to_axis_angle() const;
    DVec3 to_scaled_axis() const;
    static DQuat from_axis_angle(const DVec3& axis, double angle) {
        const double h = angle * 0.5;
        const double s = std::sin(h), c = std::cos(h);
        const DVec3 v = scale(s, axis);
        return {v.x(), v.y(), v.z(), c};
    }
    static DQuat from_scaled_axis(const DVec3& v) {
        const double q = quorix::dot(v, v);
        if (q == 0.0) return identity();
        const double len = std::sqrt(q);
        return from_axis_angle(v / len, len);
    }
    // The other vector components stay exactly +0.0, whatever the sign of the sine.
    static DQuat from_rotation_x(double angle) {
        const double h = angle * 0.5;
        return {std::sin(h), 0.0, 0.0, std::cos(h)};
    }
    static DQuat from_rotation_y(double angle) {
        const double h = angle * 0.5;
        return {0.0, std::sin(h), 0.0, std::cos(h)};
    }
    static DQuat from_rotation_z(double angle) {
        const double h = angle * 0.5;
        return {0.0, 0.0, std::sin(h), std::cos(h)};
    }

    // ---- Euler angles ----
    std::array<double, 3> to_euler(EulerRot order) const;
    static DQuat from_euler(EulerRot order, double a, double b, double c);

    // ---- rotation constructors ----
    // The rotation whose matrix has the columns x_axis, y_axis, z_axis; not normalised again.
    static DQuat from_rotation_axes(const DVec3& x_axis, const DVec3& y_axis, const DVec3& z_axis);
    static DQuat from_mat3(const DMat3& m);
    static DQuat from_mat4(const DMat4& m);
    static DQuat from_affine3(const DAffine3& a);
    static DQuat from_rotation_arc(const DVec3& from, const DVec3& to);
    static DQuat from_rotation_arc_colinear(const DVec3& from, const DVec3& to);
    static DQuat from_rotation_arc_2d(const DVec2& from, const DVec2& to);
    static DQuat look_to_rh(const DVec3& dir, const DVec3& up);
    static DQuat look_to_lh(const DVec3& dir, const DVec3& up);
    static DQuat look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up);
    static DQuat look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up);
};

constexpr DQuat operator+(const DQuat& a, const DQuat& b) { return a.add(b); }
constexpr DQuat operator-(const DQuat& a, const DQuat& b) { return a.sub(b); }
constexpr DQuat operator-(const DQuat& a) { return a.neg(); }
constexpr DQuat operator*(const DQuat& a, const DQuat& b) { return a.mul_quat(b); }
inline DVec3 operator*(const DQuat& a, const DVec3& v) { return a.mul_vec3(v); }
constexpr DQuat operator*(const DQuat& a, double f) { return a.mul_scalar(f); }
constexpr DQuat operator*(double f, const DQuat& a) { return a.mul_scalar(f); }
constexpr DQuat operator/(const DQuat& a, double f) { return a.div_scalar(f); }
// IEEE equality per component.
constexpr bool operator==(const DQuat& a, const DQuat& b) { return a.to_vec4() == b.to_vec4(); }

}  // namespace quorix
