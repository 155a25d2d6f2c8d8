// Cuboid: SKELETON: constructor from a state only; the class's own members are still to come.
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Cuboid;

S build(PyObject* const* slots) {
    S s;
    if (apply_record_state(slots[3], s)) return s;
    raise_requires("Cuboid requires center, axes, half_extents arguments");
}

const UniformShapeGroups<S> uniform;

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py
