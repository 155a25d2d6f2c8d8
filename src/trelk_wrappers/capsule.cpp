// Capsule: the points within a radius of the core segment p1 .. p2. The members all shapes share
// come from UniformShapeGroups (uniform.hpp), those it shares with Cylinder from RoundAxisGroups
// (round_axis_class.hpp); here is what only a capsule has.
#include "trelk_wrappers/round_axis_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Capsule;

const UniformShapeGroups<S> uniform;
const RoundAxisGroups<S> round_axis;

const ClassGroup own(ClassOf<S>::lazy(), {},
                     {
                         method<S, "closest_point_to", "($self, point)",
                                [](const S& s, trelk::Vec3 q) { return s.closest_point_to(q); }>(),
                     });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &RoundAxisClass<S>::build>(); }

}  // namespace quorix::py
