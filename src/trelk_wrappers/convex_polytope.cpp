// ConvexPolytope: SKELETON: constructor from a state only; the class's own members are still to come.
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::ConvexPolytope;

S build(PyObject* const* slots) {
    S s;
    if (apply_record_state(slots[2], s)) return s;
    raise_requires("ConvexPolytope requires planes, vertices arguments");
}

const UniformShapeGroups<S> uniform;

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py
