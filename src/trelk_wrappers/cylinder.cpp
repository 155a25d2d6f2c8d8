// Cylinder: the solid of a radius around the core p1 .. p2, with flat caps. The members all shapes
// share come from UniformShapeGroups (uniform.hpp), those it shares with Capsule from
// RoundAxisGroups (round_axis_class.hpp); here is what only a cylinder has.
#include "trelk_wrappers/round_axis_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Cylinder;

const UniformShapeGroups<S> uniform;
const RoundAxisGroups<S> round_axis;

const ClassGroup own(ClassOf<S>::lazy(), {},
                     {
                         method<S, "point_dist_sq", "($self, point)",
                                [](const S& s, trelk::Vec3 q) { return s.point_dist_sq(q); }>(),
                         method<S, "contains_point", "($self, point)",
                                [](const S& s, trelk::Vec3 q) { return s.contains_point(q); }>(),
                     });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &RoundAxisClass<S>::build>(); }

}  // namespace quorix::py
