// Line: the infinite line through `origin` along `dir`. Its constructor, getters, sweep and text
// form come from LinearClass (linear_class.hpp), the members every shape shares from
// UniformShapeGroups (uniform.hpp); here is its builder from two points.
#include "trelk_wrappers/linear_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Line;
using Linear = OriginDirClass<S>;

const Linear linear;

const ClassGroup own(ClassOf<S>::lazy(), {},
                     {
                         method<S, "from_points", "(a, b)",
                                [](trelk::Vec3 a, trelk::Vec3 b) { return S::from_points(a, b); }>(),
                     });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &Linear::build>(); }

}  // namespace quorix::py
