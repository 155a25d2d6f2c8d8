// Inverse and composition of single-precision linear and affine maps, in the operation order the
// point-cloud motions rely on for bit-exact results.
#pragma once

#include "math.hpp"

namespace trelk {

// Rotation (and, for a non-unit quaternion, scaling) matrix of q as given.
inline Mat3 mat3_from_quat(const Quat& q) {
    const float x2 = q.x + q.x, y2 = q.y + q.y, z2 = q.z + q.z;
    const float xx = q.x * x2, xy = q.x * y2, xz = q.x * z2;
    const float yy = q.y * y2, yz = q.y * z2, zz = q.z * z2;
    const float wx = q.w * x2, wy = q.w * y2, wz = q.w * z2;
    return {{1.0f - (yy + zz), xy + wz, xz - wy}, {xy - wz, 1.0f - (xx + zz), yz + wx}, {xz + wy, yz - wx, 1.0f - (xx + yy)}};
}

// The matrix of the quaternion rule (q * v): its columns are the images of the world axes, so a
// non-unit q scales by its squared length as every rotated position does.
inline Mat3 quat_rule_matrix(const Quat& q) { return {q * Vec3{1, 0, 0}, q * Vec3{0, 1, 0}, q * Vec3{0, 0, 1}}; }

// a * b: the map x -> a(b(x)), column by column.
inline Mat3 operator*(const Mat3& a, const Mat3& b) { return {a * b.x_axis, a * b.y_axis, a * b.z_axis}; }

inline Mat3 transpose(const Mat3& m) {
    return {{m.x_axis.x, m.y_axis.x, m.z_axis.x}, {m.x_axis.y, m.y_axis.y, m.z_axis.y}, {m.x_axis.z, m.y_axis.z, m.z_axis.z}};
}

// General inverse: the adjugate times 1 / determinant. A singular matrix gives infinities or NaN.
inline Mat3 inverse(const Mat3& m) {
    const Vec3 c0 = cross(m.y_axis, m.z_axis), c1 = cross(m.z_axis, m.x_axis), c2 = cross(m.x_axis, m.y_axis);
    const float inv_det = 1.0f / dot(m.z_axis, c2);
    return transpose(Mat3{c0 * inv_det, c1 * inv_det, c2 * inv_det});
}

// M^T M = I within 1e-6 entry by entry: a rotation or reflection, up to single-precision rounding.
// NaN or infinite entries fail.
inline bool is_rotation(const Mat3& m) {
    const Vec3 c[3] = {m.x_axis, m.y_axis, m.z_axis};
    for (int i = 0; i < 3; ++i)
        for (int j = i; j < 3; ++j)
            if (!(std::fabs(dot(c[i], c[j]) - (i == j ? 1.0f : 0.0f)) <= 1e-6f)) return false;
    return true;
}

// The matrix a cloud records for a turn by q: the standard quaternion matrix for a unit q, the
// quaternion rule's own matrix otherwise, so that a non-unit q scales a cloud by |q|^2 as it scales
// every other position.
inline Mat3 quat_motion_matrix(const Quat& q) {
    const Mat3 rule = quat_rule_matrix(q);
    return is_rotation(rule) ? mat3_from_quat(q) : rule;
}

// The map x -> M^-1 x - M^-1 t.
inline Affine3A inverse(const Affine3A& a) {
    const Mat3 m = inverse(a.matrix3);
    return {m, -(m * a.translation)};
}

// outer after inner: x -> outer(inner(x)).
inline Affine3A compose(const Affine3A& outer, const Affine3A& inner) {
    return {outer.matrix3 * inner.matrix3, outer.matrix3 * inner.translation + outer.translation};
}

}  // namespace trelk
