// Double-precision 3x3 matrix: rotations and linear maps of space, and two-dimensional affine
// transforms (2x2 linear part in the upper left, translation in the third column).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>

#include "algebra/euler.hpp"
#include "algebra/matrix.hpp"
#include "algebra/quat.hpp"
#include "algebra/vec.hpp"
#include "algebra/vec3_ops.hpp"

namespace quorix {

struct DMat4;

// Columns of the rotation matrix of q, used unnormalised.
inline std::array<DVec3, 3> quat_rotation_columns(const DQuat& q) {
    const double x2 = q.x + q.x, y2 = q.y + q.y, z2 = q.z + q.z;
    const double xx = q.x * x2, xy = q.x * y2, xz = q.x * z2;
    const double yy = q.y * y2, yz = q.y * z2, zz = q.z * z2;
    const double wx = q.w * x2, wy = q.w * y2, wz = q.w * z2;
    return {DVec3{{1.0 - (yy + zz), xy + wz, xz - wy}}, DVec3{{xy - wz, 1.0 - (xx + zz), yz + wx}},
            DVec3{{xz + wy, yz - wx, 1.0 - (xx + yy)}}};
}

struct DMat3 : SquareMatrix<DMat3, 3> {
    // ---- rotations ----
    static DMat3 from_quat(const DQuat& q) {
        auto [x, y, z] = quat_rotation_columns(q);
        return from_cols(x, y, z);
    }
    // The axis is used as given (not normalised).
    static DMat3 from_axis_angle(const DVec3& a, double angle) {
        const double s = std::sin(angle), c = std::cos(angle);
        const double t = 1.0 - c;
        const double ax = a.x(), ay = a.y(), az = a.z();
        return from_cols(DVec3{{(ax * ax) * t + c, (ax * ay) * t + az * s, (ax * az) * t - ay * s}},
                         DVec3{{(ax * ay) * t - az * s, (ay * ay) * t + c, (ay * az) * t + ax * s}},
                         DVec3{{(ax * az) * t + ay * s, (ay * az) * t - ax * s, (az * az) * t + c}});
    }
    static DMat3 from_rotation_x(double angle) {
        const double s = std::sin(angle), c = std::cos(angle);
        return from_cols(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, c, s}}, DVec3{{0.0, -s, c}});
    }
    static DMat3 from_rotation_y(double angle) {
        const double s = std::sin(angle), c = std::cos(angle);
        return from_cols(DVec3{{c, 0.0, -s}}, DVec3{{0.0, 1.0, 0.0}}, DVec3{{s, 0.0, c}});
    }
    static DMat3 from_rotation_z(double angle) {
        const double s = std::sin(angle), c = std::cos(angle);
        return from_cols(DVec3{{c, s, 0.0}}, DVec3{{-s, c, 0.0}}, DVec3{{0.0, 0.0, 1.0}});
    }
    // The view rotation whose rows are s, u and -dir; neither input is normalised or checked.
    static DMat3 look_to_rh(const DVec3& dir, const DVec3& up) {
        const DVec3 s = normalize(cross(dir, up));
        const DVec3 u = cross(s, dir);
        return from_cols(s, u, -dir).transpose();
    }
    static DMat3 look_to_lh(const DVec3& dir, const DVec3& up) { return look_to_rh(-dir, up); }

    // ---- Euler angles ----
    static DMat3 from_euler(EulerRot order, double a, double b, double c) {
        return from_euler_angles(order, a, b, c);
    }
    std::array<double, 3> to_euler(EulerRot order) const { return to_euler_angles(*this, order); }

    // ---- from a 4x4 matrix ----
    static DMat3 from_mat4(const DMat4& m);
    // m without column i and row j; both must be 0..3, otherwise a Fault ("index out of bounds").
    static DMat3 from_mat4_minor(const DMat4& m, std::size_t i, std::size_t j);

    // ---- two-dimensional affine transforms ----
    static DMat3 from_angle(double angle) { return from_rotation_z(angle); }
    static DMat3 from_scale(const DVec2& s) { return from_diagonal(DVec3{{s.x(), s.y(), 1.0}}); }
    static DMat3 from_translation(const DVec2& t) {
        return from_cols(DVec3::axis(0), DVec3::axis(1), DVec3{{t.x(), t.y(), 1.0}});
    }
    static DMat3 from_scale_angle_translation(const DVec2& s, double angle, const DVec2& t) {
        const double sn = std::sin(angle), c = std::cos(angle);
        return from_cols(DVec3{{c * s.x(), sn * s.x(), 0.0}}, DVec3{{-(sn * s.y()), c * s.y(), 0.0}},
                         DVec3{{t.x(), t.y(), 1.0}});
    }
    // Linear part plus translation; the third row is not read and nothing is divided.
    constexpr DVec2 transform_point2(const DVec2& p) const {
        return {{(cols[0].x() * p.x() + cols[1].x() * p.y()) + cols[2].x(),
                 (cols[0].y() * p.x() + cols[1].y() * p.y()) + cols[2].y()}};
    }
    constexpr DVec2 transform_vector2(const DVec2& v) const {
        return {{cols[0].x() * v.x() + cols[1].x() * v.y(), cols[0].y() * v.x() + cols[1].y() * v.y()}};
    }

    // ---- named forms of the protocol's products ----
    constexpr DVec3 mul_vec3(const DVec3& v) const { return mul_vec(v); }
    constexpr DMat3 mul_mat3(const DMat3& o) const { return mul_mat(o); }
    constexpr DVec3 mul_transpose_vec3(const DVec3& v) const { return mul_transpose_vec(v); }
    constexpr DMat3 add_mat3(const DMat3& o) const { return add(o); }
    constexpr DMat3 sub_mat3(const DMat3& o) const { return sub(o); }

    // Cofactors by cross products of the columns; det = z_axis . (x_axis x y_axis).
    InverseAndDeterminant<DMat3> inverse_and_determinant() const {
        const DVec3 t0 = cross(cols[1], cols[2]);
        const DVec3 t1 = cross(cols[2], cols[0]);
        const DVec3 t2 = cross(cols[0], cols[1]);
        const double det = dot(cols[2], t2);
        const double r = 1.0 / det;
        return {from_cols(t0 * r, t1 * r, t2 * r).transpose(), det};
    }
};

}  // namespace quorix
