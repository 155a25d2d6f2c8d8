// Mat3: the 3x3 matrix class, for rotations and linear maps of space and for two-dimensional
// affine transforms. The matrix protocol comes from MatrixClass; this file adds the methods of
// its own size.
#include "binding/json_dict.hpp"
#include "glam_wrappers/matrix_class.hpp"

namespace quorix::py {

LazyType& ClassOf<DMat3>::lazy() { return MatrixClass<DMat3>::lazy_type(); }

namespace {

using M = DMat3;

const SharedMatrixGroup<M> shared;

const ClassGroup own_methods(
    ClassOf<M>::lazy(), {},
    {
        method<M, "add_mat3", "($self, rhs)", [](const M& m, const M& r) { return m.add_mat3(r); }>(),
        method<M, "sub_mat3", "($self, rhs)", [](const M& m, const M& r) { return m.sub_mat3(r); }>(),
        method<M, "mul_mat3", "($self, rhs)", [](const M& m, const M& r) { return m.mul_mat3(r); }>(),
        method<M, "mul_vec3", "($self, rhs)", [](const M& m, const DVec3& v) { return m.mul_vec3(v); }>(),
        method<M, "mul_transpose_vec3", "($self, rhs)", [](const M& m, const DVec3& v) { return m.mul_transpose_vec3(v); }>(),
        method<M, "transform_point2", "($self, rhs)", [](const M& m, const DVec2& p) { return m.transform_point2(p); }>(),
        method<M, "transform_vector2", "($self, rhs)", [](const M& m, const DVec2& v) { return m.transform_vector2(v); }>(),
        method<M, "from_mat4", "(m)", [](const DMat4& m) { return M::from_mat4(m); }>(),
        method<M, "from_mat4_minor", "(m, i, j)",
               [](const DMat4& m, unsigned long long i, unsigned long long j) { return M::from_mat4_minor(m, i, j); }>(),
        method<M, "look_to_lh", "(dir, up)", [](const DVec3& dir, const DVec3& up) { return M::look_to_lh(dir, up); }>(),
        method<M, "look_to_rh", "(dir, up)", [](const DVec3& dir, const DVec3& up) { return M::look_to_rh(dir, up); }>(),
        method<M, "from_angle", "(angle)", [](double angle) { return M::from_angle(angle); }>(),
        method<M, "from_scale", "(scale)", [](const DVec2& s) { return M::from_scale(s); }>(),
        method<M, "from_translation", "(translation)", [](const DVec2& t) { return M::from_translation(t); }>(),
        method<M, "from_scale_angle_translation", "(scale, angle, translation)",
               [](const DVec2& s, double angle, const DVec2& t) { return M::from_scale_angle_translation(s, angle, t); }>(),
    });

// JSON text and plain-data forms: the stored values in storage order.
const ClassGroup forms(ClassOf<M>::lazy(), {}, json_dict_methods<M>());

}  // namespace
}  // namespace quorix::py
