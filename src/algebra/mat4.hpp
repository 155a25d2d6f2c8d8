// Double-precision 4x4 matrix: homogeneous transforms of space, camera and projection matrices.
#pragma once

#include <array>
#include <cmath>

#include "algebra/decompose.hpp"
#include "algebra/euler.hpp"
#include "algebra/mat3.hpp"
#include "algebra/matrix.hpp"
#include "algebra/quat.hpp"
#include "algebra/vec.hpp"

namespace quorix {

struct DMat4 : SquareMatrix<DMat4, 4> {
    // ---- from 3x3 parts ----
    // The 3x3 block in the upper left, w_axis (t, 1).
    static constexpr DMat4 from_mat3_translation(const DMat3& m, const DVec3& t) {
        return from_cols(extend(m.cols[0], 0.0), extend(m.cols[1], 0.0), extend(m.cols[2], 0.0), extend(t, 1.0));
    }
    static constexpr DMat4 from_mat3(const DMat3& m) { return from_mat3_translation(m, DVec3{}); }
    static constexpr DMat4 from_translation(const DVec3& t) { return from_mat3_translation(DMat3::identity(), t); }
    static constexpr DMat4 from_scale(const DVec3& s) { return from_diagonal(extend(s, 1.0)); }
    static DMat4 from_quat(const DQuat& q) { return from_rotation_translation(q, DVec3{}); }
    static DMat4 from_rotation_translation(const DQuat& q, const DVec3& t) {
        return from_mat3_translation(DMat3::from_quat(q), t);
    }
    // Each rotation column scaled whole, its w included (0.0 * s: -0.0 for a negative scale).
    static DMat4 from_scale_rotation_translation(const DVec3& s, const DQuat& q, const DVec3& t) {
        auto [x, y, z] = quat_rotation_columns(q);
        return from_cols(extend(x, 0.0) * s.x(), extend(y, 0.0) * s.y(), extend(z, 0.0) * s.z(), extend(t, 1.0));
    }
    static DMat4 from_axis_angle(const DVec3& axis, double angle) {
        return from_mat3(DMat3::from_axis_angle(axis, angle));
    }
    static DMat4 from_rotation_x(double angle) { return from_mat3(DMat3::from_rotation_x(angle)); }
    static DMat4 from_rotation_y(double angle) { return from_mat3(DMat3::from_rotation_y(angle)); }
    static DMat4 from_rotation_z(double angle) { return from_mat3(DMat3::from_rotation_z(angle)); }
    static DMat4 from_euler(EulerRot order, double a, double b, double c) {
        return from_mat3(from_euler_angles(order, a, b, c));
    }

    // The upper-left 3x3 block, as stored (not normalised).
    constexpr DMat3 upper_left() const {
        return DMat3::from_cols(truncate(cols[0]), truncate(cols[1]), truncate(cols[2]));
    }
    // Euler angles of the upper-left block; translation and fourth row are ignored.
    std::array<double, 3> to_euler(EulerRot order) const { return to_euler_angles(upper_left(), order); }

    // ---- transforms of points and vectors ----
    // ((X*p.x + Y*p.y) + Z*p.z) + T on the x, y, z parts; the fourth row is ignored.
    constexpr DVec3 transform_point3(const DVec3& p) const { return transform_vector3(p) + truncate(cols[3]); }
    constexpr DVec3 transform_vector3(const DVec3& v) const { return upper_left().mul_vec(v); }
    // The full product divided by its w (not tested: w = 0 gives infinities or NaNs).
    constexpr DVec3 project_point3(const DVec3& p) const {
        const DVec4 h = mul_vec(extend(p, 1.0));
        return truncate(h) / h.w();
    }

    // ---- projections (left-handed: depth along +z, right-handed: along -z) ----
    static DMat4 perspective_lh(double fov_y_radians, double aspect_ratio, double z_near, double z_far);
    static DMat4 perspective_rh(double fov_y_radians, double aspect_ratio, double z_near, double z_far);
    static DMat4 perspective_rh_gl(double fov_y_radians, double aspect_ratio, double z_near, double z_far);
    static DMat4 perspective_infinite_lh(double fov_y_radians, double aspect_ratio, double z_near);
    static DMat4 perspective_infinite_rh(double fov_y_radians, double aspect_ratio, double z_near);
    static DMat4 perspective_infinite_reverse_lh(double fov_y_radians, double aspect_ratio, double z_near);
    static DMat4 perspective_infinite_reverse_rh(double fov_y_radians, double aspect_ratio, double z_near);
    static DMat4 orthographic_lh(double left, double right, double bottom, double top, double near, double far);
    static DMat4 orthographic_rh(double left, double right, double bottom, double top, double near, double far);
    static DMat4 orthographic_rh_gl(double left, double right, double bottom, double top, double near, double far);
    static DMat4 frustum_lh(double left, double right, double bottom, double top, double z_near, double z_far);
    static DMat4 frustum_rh(double left, double right, double bottom, double top, double z_near, double z_far);
    static DMat4 frustum_rh_gl(double left, double right, double bottom, double top, double z_near, double z_far);

    // ---- view matrices ----
    // dir is used as given (not normalised); up is never normalised.
    static DMat4 look_to_rh(const DVec3& eye, const DVec3& dir, const DVec3& up);
    static DMat4 look_to_lh(const DVec3& eye, const DVec3& dir, const DVec3& up);
    static DMat4 look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up);
    static DMat4 look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up);

    // ---- named forms of the protocol's products ----
    constexpr DVec4 mul_vec4(const DVec4& v) const { return mul_vec(v); }
    constexpr DMat4 mul_mat4(const DMat4& o) const { return mul_mat(o); }
    constexpr DVec4 mul_transpose_vec4(const DVec4& v) const { return mul_transpose_vec(v); }
    constexpr DMat4 add_mat4(const DMat4& o) const { return add(o); }
    constexpr DMat4 sub_mat4(const DMat4& o) const { return sub(o); }

    // Scale (the determinant's sign on x), rotation and translation; no check for degenerate input.
    ScaleRotationTranslation to_scale_rotation_translation() const {
        return decompose_columns(cols[0], cols[1], cols[2], determinant(), truncate(cols[3]));
    }

    // Cofactor expansion through eighteen 2x2 minors.
    InverseAndDeterminant<DMat4> inverse_and_determinant() const;
};

}  // namespace quorix
