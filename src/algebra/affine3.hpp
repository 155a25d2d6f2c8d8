// Double-precision affine transform of space: a 3x3 linear part followed by a translation,
// p -> matrix3 * p + translation. Storage order: the matrix columns, then the translation.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <string>

#include "algebra/components.hpp"
#include "algebra/decompose.hpp"
#include "algebra/mat3.hpp"
#include "algebra/mat4.hpp"
#include "algebra/quat.hpp"
#include "algebra/vec.hpp"
#include "algebra/vec3_ops.hpp"

namespace quorix {

struct DAffine3 {
    DMat3 matrix3;
    DVec3 translation;

    static constexpr std::size_t component_count = 12;

    // ---- construction ----
    static constexpr DAffine3 from_mat3_translation(const DMat3& m, const DVec3& t) { return {m, t}; }
    static constexpr DAffine3 from_mat3(const DMat3& m) { return {m, DVec3{}}; }
    static constexpr DAffine3 from_translation(const DVec3& t) { return {DMat3::identity(), t}; }
    static constexpr DAffine3 from_cols(const DVec3& x, const DVec3& y, const DVec3& z, const DVec3& w) {
        return {DMat3::from_cols(x, y, z), w};
    }
    static constexpr DAffine3 from_cols_array(const std::array<double, 12>& a) {
        DAffine3 r{};
        for (std::size_t i = 0; i < 9; ++i) r.matrix3.cols[i / 3].v[i % 3] = a[i];
        for (std::size_t i = 0; i < 3; ++i) r.translation.v[i] = a[9 + i];
        return r;
    }
    static constexpr DAffine3 from_array(const std::array<double, 12>& a) { return from_cols_array(a); }
    static constexpr DAffine3 identity() { return from_mat3(DMat3::identity()); }
    static constexpr DAffine3 zero() { return {}; }
    static constexpr DAffine3 nan() {
        return {DMat3::nan(), DVec3::splat(std::numeric_limits<double>::quiet_NaN())};
    }
    // The first three components of the first three columns and of w_axis; the fourth row is unread.
    static constexpr DAffine3 from_mat4(const DMat4& m) { return {m.upper_left(), truncate(m.cols[3])}; }
    static DAffine3 from_scale(const DVec3& s) { return from_mat3(DMat3::from_diagonal(s)); }
    static DAffine3 from_quat(const DQuat& q) { return from_mat3(DMat3::from_quat(q)); }
    static DAffine3 from_rotation_translation(const DQuat& q, const DVec3& t) { return {DMat3::from_quat(q), t}; }
    static DAffine3 from_scale_rotation_translation(const DVec3& s, const DQuat& q, const DVec3& t) {
        return {DMat3::from_quat(q).mul_diagonal_scale(s), t};
    }
    static DAffine3 from_axis_angle(const DVec3& axis, double angle) {
        return from_mat3(DMat3::from_axis_angle(axis, angle));
    }
    static DAffine3 from_rotation_x(double angle) { return from_mat3(DMat3::from_rotation_x(angle)); }
    static DAffine3 from_rotation_y(double angle) { return from_mat3(DMat3::from_rotation_y(angle)); }
    static DAffine3 from_rotation_z(double angle) { return from_mat3(DMat3::from_rotation_z(angle)); }

    // ---- view transforms: the direction is normalised first, up never ----
    static DAffine3 look_to_rh(const DVec3& eye, const DVec3& dir, const DVec3& up) {
        return from_mat4(DMat4::look_to_rh(eye, normalize(dir), up));
    }
    static DAffine3 look_to_lh(const DVec3& eye, const DVec3& dir, const DVec3& up) {
        return from_mat4(DMat4::look_to_rh(eye, -normalize(dir), up));
    }
    static DAffine3 look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up) {
        return look_to_rh(eye, center - eye, up);
    }
    static DAffine3 look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up) {
        return look_to_lh(eye, center - eye, up);
    }

    // ---- access ----
    constexpr std::array<double, 12> to_cols_array() const {
        std::array<double, 12> a{};
        for (std::size_t i = 0; i < 9; ++i) a[i] = matrix3.cols[i / 3].v[i % 3];
        for (std::size_t i = 0; i < 3; ++i) a[9 + i] = translation.v[i];
        return a;
    }
    constexpr std::array<double, 12> to_array() const { return to_cols_array(); }

    // ---- transforms ----
    constexpr DVec3 transform_point3(const DVec3& p) const { return matrix3.mul_vec(p) + translation; }
    constexpr DVec3 transform_vector3(const DVec3& v) const { return matrix3.mul_vec(v); }
    // The composition applying o first, then this transform.
    constexpr DAffine3 mul(const DAffine3& o) const {
        return {matrix3.mul_mat(o.matrix3), matrix3.mul_vec(o.translation) + translation};
    }
    // Unchecked: a singular linear part gives infinities and NaNs.
    DAffine3 inverse() const {
        const DMat3 m = matrix3.inverse();
        return {m, -m.mul_vec(translation)};
    }
    ScaleRotationTranslation to_scale_rotation_translation() const {
        return decompose_columns(matrix3.cols[0], matrix3.cols[1], matrix3.cols[2], matrix3.determinant(),
                                 translation);
    }

    // ---- tests ----
    bool is_finite() const { return all_finite(to_array()); }
    bool is_nan() const { return any_nan(to_array()); }
    bool abs_diff_eq(const DAffine3& o, double max_abs_diff) const {
        return quorix::abs_diff_eq(to_array(), o.to_array(), max_abs_diff);
    }
};

constexpr DAffine3 operator*(const DAffine3& a, const DAffine3& b) { return a.mul(b); }
constexpr bool operator==(const DAffine3& a, const DAffine3& b) {
    return a.matrix3 == b.matrix3 && a.translation == b.translation;
}

// Debug texts of the value types: "DVec3(1.0, 0.0, 0.0)" and
// "DMat3 { x_axis: DVec3(..), y_axis: DVec3(..), z_axis: DVec3(..) }", numbers in the debug float form.
void append_debug(std::string& out, const DVec3& v);
void append_debug(std::string& out, const DMat3& m);

}  // namespace quorix
