// The Shape union: the subclassable base class `Shape` and one variant class per shape kind
// (`Shape.Sphere` ... `Shape.Pointcloud`), each object holding one shape as item 0. Sweeps come back
// as lists of these values, and every any-shape argument accepts them.
#pragma once

#include "sweep.hpp"
#include "trelk_wrappers/shape_args.hpp"

namespace quorix::py {

struct ShapeUnion {};  // tag of the `Shape` base class

template <>
struct ClassOf<ShapeUnion> {
    static constexpr const char* name = "Shape";
    static LazyType& lazy();
};

// The shape a variant object holds, or null for any other object.
const AnyShape* held_shape(PyObject* o);

// A new object of the variant class of the shape's kind, holding it.
PyObject* shape_value(AnyShape&& s);

// A sweep's members as a list of Shape values.
template <>
struct ToPy<trelk::Stretched> {
    static PyObject* convert(trelk::Stretched&& members);
    static PyObject* convert(const trelk::Stretched& members) { return convert(trelk::Stretched(members)); }
};

}  // namespace quorix::py
