// Vec2: the two-component vector class. What the vector classes share comes from
// SharedVectorGroups<2>; here are the methods of Vec2 alone.
#include "algebra/vec2_ops.hpp"
#include "glam_wrappers/vector_methods.hpp"

namespace quorix::py {

template <>
LazyType& ClassOf<DVec2>::lazy() {
    return VectorClass<2>::lazy_type();
}

namespace {

using V = DVec2;

const SharedVectorGroups<2> shared;

const ClassGroup own(
    ClassOf<V>::lazy(), {},
    {
        method<V, "perp", "($self)", [](const V& v) { return perp(v); }>(),
        method<V, "perp_dot", "($self, rhs)", [](const V& v, const V& rhs) { return perp_dot(v, rhs); }>(),
        method<V, "rotate", "($self, rhs)", [](const V& v, const V& rhs) { return rotate(v, rhs); }>(),
        method<V, "angle_to", "($self, rhs)", [](const V& v, const V& rhs) { return angle_to(v, rhs); }>(),
        method<V, "rotate_towards", "($self, rhs, max_angle)",
               [](const V& v, const V& rhs, double max_angle) { return rotate_towards(v, rhs, max_angle); }>(),
        method<V, "extend", "($self, z)", [](const V& v, double z) { return extend(v, z); }>(),
    });

}  // namespace
}  // namespace quorix::py
