// LineSegment: the segment from `p1` to `p2`, stored as p1 and dir = p2 - p1. Its constructor,
// getters, sweep and text form come from LinearClass (linear_class.hpp), the members every shape
// shares, bounds included, from UniformShapeGroups (uniform.hpp); here is its bounding sphere as a
// (centre, radius) pair.
#include "trelk_wrappers/linear_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::LineSegment;
using Linear = LinearClass<S, "p1", "p2", &S::between, [](const S& s) { return s.p2(); }>;

const Linear linear;

const ClassGroup own(ClassOf<S>::lazy(), {},
                     {
                         method<S, "bounding_sphere", "($self)",
                                [](const S& s) {
                                    const trelk::Sphere b = trelk::broadphase(s);
                                    return std::pair{b.center, b.radius};
                                }>(),
                     });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &Linear::build>(); }

}  // namespace quorix::py
