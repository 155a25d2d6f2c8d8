// Ray: the half-line from `origin` along `dir`. Its constructor, getters, sweep and text form come
// from LinearClass (linear_class.hpp), the members every shape shares from UniformShapeGroups
// (uniform.hpp).
#include "trelk_wrappers/linear_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Ray;
using Linear = OriginDirClass<S>;

const Linear linear;

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &Linear::build>(); }

}  // namespace quorix::py
