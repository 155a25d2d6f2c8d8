// Vec3: the three-component vector class. What the vector classes share comes from
// SharedVectorGroups<3>; here are the methods of Vec3 alone and its JSON and plain-data forms.
#include "algebra/vec3_ops.hpp"
#include "binding/json_dict.hpp"
#include "glam_wrappers/vector_methods.hpp"

namespace quorix::py {

template <>
LazyType& ClassOf<DVec3>::lazy() {
    return VectorClass<3>::lazy_type();
}

namespace {

using V = DVec3;

const SharedVectorGroups<3> shared;

const ClassGroup own(
    ClassOf<V>::lazy(), {},
    {
        method<V, "cross", "($self, rhs)", [](const V& v, const V& rhs) { return cross(v, rhs); }>(),
        method<V, "slerp", "($self, rhs, s)", [](const V& v, const V& rhs, double s) { return slerp(v, rhs, s); }>(),
        method<V, "angle_between", "($self, rhs)", [](const V& v, const V& rhs) { return angle_between(v, rhs); }>(),
        method<V, "rotate_x", "($self, angle)", [](const V& v, double angle) { return rotate_x(v, angle); }>(),
        method<V, "rotate_y", "($self, angle)", [](const V& v, double angle) { return rotate_y(v, angle); }>(),
        method<V, "rotate_z", "($self, angle)", [](const V& v, double angle) { return rotate_z(v, angle); }>(),
        method<V, "rotate_axis", "($self, axis, angle)",
               [](const V& v, const V& axis, double angle) { return rotate_axis(v, axis, angle); }>(),
        method<V, "rotate_towards", "($self, rhs, max_angle)",
               [](const V& v, const V& rhs, double max_angle) { return rotate_towards(v, rhs, max_angle); }>(),
        method<V, "any_orthogonal_vector", "($self)", [](const V& v) { return any_orthogonal_vector(v); }>(),
        method<V, "any_orthonormal_vector", "($self)", [](const V& v) { return any_orthonormal_vector(v); }>(),
        method<V, "any_orthonormal_pair", "($self)", [](const V& v) { return any_orthonormal_pair(v); }>(),
        method<V, "extend", "($self, w)", [](const V& v, double w) { return extend(v, w); }>(),
        method<V, "truncate", "($self)", [](const V& v) { return truncate(v); }>(),
        method<V, "to_homogeneous", "($self)", [](const V& v) { return to_homogeneous(v); }>(),
        method<V, "from_homogeneous", "(v)", [](const DVec4& h) { return from_homogeneous(h); }>(),
    });

const ClassGroup forms(ClassOf<V>::lazy(), {}, json_dict_methods<V>());

}  // namespace
}  // namespace quorix::py
