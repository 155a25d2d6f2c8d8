// Quaternions from rotation matrices, affine transforms and view directions: all go through the
// rotation-axes conversion.
#include <cmath>

#include "algebra/affine3.hpp"
#include "algebra/mat3.hpp"
#include "algebra/mat4.hpp"
#include "algebra/quat.hpp"

namespace quorix {

DQuat DQuat::from_mat3(const DMat3& m) { return from_rotation_axes(m.cols[0], m.cols[1], m.cols[2]); }

DQuat DQuat::from_mat4(const DMat4& m) { return from_mat3(m.upper_left()); }

DQuat DQuat::from_affine3(const DAffine3& a) { return from_mat3(a.matrix3); }

// The rotation whose matrix has the rows s, u and -dir: dir turns into -Z.
DQuat DQuat::look_to_rh(const DVec3& dir, const DVec3& up) { return from_mat3(DMat3::look_to_rh(dir, up)); }

DQuat DQuat::look_to_lh(const DVec3& dir, const DVec3& up) { return look_to_rh(-dir, up); }

DQuat DQuat::look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    const DVec3 d = center - eye;
    return look_to_rh(scale(1.0 / std::sqrt(quorix::dot(d, d)), d), up);
}

DQuat DQuat::look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    const DVec3 d = center - eye;
    return look_to_rh(scale(-1.0 / std::sqrt(quorix::dot(d, d)), d), up);
}

}  // namespace quorix
