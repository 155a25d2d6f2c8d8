// Pointcloud: SKELETON: constructor from a state only; the class's own members are still to come.
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Pointcloud;

S build(PyObject* const* slots) {
    S s;
    if (apply_record_state(slots[3], s)) return s;
    raise_requires("Pointcloud requires points argument");
}

const UniformShapeGroups<S> uniform;

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py
