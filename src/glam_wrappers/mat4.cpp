// Mat4: the 4x4 matrix class, for homogeneous transforms, projections and view matrices. The
// matrix protocol comes from MatrixClass; this file adds the methods of its own size and the
// camera constructors.
#include "glam_wrappers/matrix_class.hpp"

namespace quorix::py {

LazyType& ClassOf<DMat4>::lazy() { return MatrixClass<DMat4>::lazy_type(); }

namespace {

using M = DMat4;

const SharedMatrixGroup<M> shared;

const ClassGroup own_methods(
    ClassOf<M>::lazy(), {},
    {
        method<M, "add_mat4", "($self, rhs)", [](const M& m, const M& r) { return m.add_mat4(r); }>(),
        method<M, "sub_mat4", "($self, rhs)", [](const M& m, const M& r) { return m.sub_mat4(r); }>(),
        method<M, "mul_mat4", "($self, rhs)", [](const M& m, const M& r) { return m.mul_mat4(r); }>(),
        method<M, "mul_vec4", "($self, rhs)", [](const M& m, const DVec4& v) { return m.mul_vec4(v); }>(),
        method<M, "mul_transpose_vec4", "($self, rhs)", [](const M& m, const DVec4& v) { return m.mul_transpose_vec4(v); }>(),
        method<M, "transform_point3", "($self, rhs)", [](const M& m, const DVec3& p) { return m.transform_point3(p); }>(),
        method<M, "transform_vector3", "($self, rhs)", [](const M& m, const DVec3& v) { return m.transform_vector3(v); }>(),
        method<M, "project_point3", "($self, rhs)", [](const M& m, const DVec3& p) { return m.project_point3(p); }>(),
        method<M, "to_scale_rotation_translation", "($self)",
               [](const M& m) {
                   const auto [scale, rotation, translation] = m.to_scale_rotation_translation();
                   return std::tuple{scale, rotation, translation};
               }>(),
        method<M, "from_scale", "(scale)", [](const DVec3& s) { return M::from_scale(s); }>(),
        method<M, "from_translation", "(translation)", [](const DVec3& t) { return M::from_translation(t); }>(),
        method<M, "from_mat3", "(m)", [](const DMat3& m) { return M::from_mat3(m); }>(),
        method<M, "from_mat3_translation", "(mat3, translation)",
               [](const DMat3& m, const DVec3& t) { return M::from_mat3_translation(m, t); }>(),
        method<M, "from_rotation_translation", "(rotation, translation)",
               [](const DQuat& q, const DVec3& t) { return M::from_rotation_translation(q, t); }>(),
        method<M, "from_scale_rotation_translation", "(scale, rotation, translation)",
               [](const DVec3& s, const DQuat& q, const DVec3& t) { return M::from_scale_rotation_translation(s, q, t); }>(),
    });

// Projections and view matrices: the value type's constructors, unchecked.
const ClassGroup camera(
    ClassOf<M>::lazy(), {},
    {
        method<M, "perspective_lh", "(fov_y_radians, aspect_ratio, z_near, z_far)", &M::perspective_lh>(),
        method<M, "perspective_rh", "(fov_y_radians, aspect_ratio, z_near, z_far)", &M::perspective_rh>(),
        method<M, "perspective_rh_gl", "(fov_y_radians, aspect_ratio, z_near, z_far)", &M::perspective_rh_gl>(),
        method<M, "perspective_infinite_lh", "(fov_y_radians, aspect_ratio, z_near)", &M::perspective_infinite_lh>(),
        method<M, "perspective_infinite_rh", "(fov_y_radians, aspect_ratio, z_near)", &M::perspective_infinite_rh>(),
        method<M, "perspective_infinite_reverse_lh", "(fov_y_radians, aspect_ratio, z_near)",
               &M::perspective_infinite_reverse_lh>(),
        method<M, "perspective_infinite_reverse_rh", "(fov_y_radians, aspect_ratio, z_near)",
               &M::perspective_infinite_reverse_rh>(),
        method<M, "orthographic_lh", "(left, right, bottom, top, near, far)", &M::orthographic_lh>(),
        method<M, "orthographic_rh", "(left, right, bottom, top, near, far)", &M::orthographic_rh>(),
        method<M, "orthographic_rh_gl", "(left, right, bottom, top, near, far)", &M::orthographic_rh_gl>(),
        method<M, "frustum_lh", "(left, right, bottom, top, z_near, z_far)", &M::frustum_lh>(),
        method<M, "frustum_rh", "(left, right, bottom, top, z_near, z_far)", &M::frustum_rh>(),
        method<M, "frustum_rh_gl", "(left, right, bottom, top, z_near, z_far)", &M::frustum_rh_gl>(),
        method<M, "look_to_lh", "(eye, dir, up)", &M::look_to_lh>(),
        method<M, "look_to_rh", "(eye, dir, up)", &M::look_to_rh>(),
        method<M, "look_at_lh", "(eye, center, up)", &M::look_at_lh>(),
        method<M, "look_at_rh", "(eye, center, up)", &M::look_at_rh>(),
    });

}  // namespace
}  // namespace quorix::py
