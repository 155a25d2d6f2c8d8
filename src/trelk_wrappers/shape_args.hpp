// Shape arguments: each class's own conversion (the four solids also read foreign objects by their
// attributes), the any-shape argument of `collides`, `Collider.add` and friends, and the borrowed
// view through which a call reads a shape object without copying it.
#pragma once

#include <array>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "collider/collider.hpp"
#include "binding/items_arg.hpp"
#include "glam_wrappers/algebra_args.hpp"
#include "trelk_wrappers/shape_classes.hpp"

namespace quorix::py {

// Three numbers as single precision: a sequence of exactly three numbers (or a Vec3), else the
// attributes x, y, z; the attribute step's error is the result. Only ordinary exceptions of the
// sequence step are discarded.
bool extract_f32_vec3(PyObject* o, trelk::Vec3& out);

// Exactly N numbers in a tuple (or a tuple subclass); a list is a type mismatch.
template <std::size_t N>
struct FloatTuple {
    std::array<double, N> v;
};

template <std::size_t N>
struct Arg<FloatTuple<N>> {
    static bool read(PyObject* o, FloatTuple<N>& out) { return read_float_tuple(o, out.v.data(), N); }
};

// A trelk vector argument by the Vec3 rule, narrowed.
template <>
struct Arg<trelk::Vec3> {
    static bool read(PyObject* o, trelk::Vec3& out);
};

// The solids: an object of exactly the class is copied (derived fields included); anything else is
// read from its attributes (center, radius / p1, p2, radius / center, half_extents, axes) and the
// derived fields are computed.
template <>
struct Arg<trelk::Sphere> {
    static bool read(PyObject* o, trelk::Sphere& out);
};
template <>
struct Arg<trelk::Capsule> {
    static bool read(PyObject* o, trelk::Capsule& out);
};
template <>
struct Arg<trelk::Cylinder> {
    static bool read(PyObject* o, trelk::Cylinder& out);
};
template <>
struct Arg<trelk::Cuboid> {
    static bool read(PyObject* o, trelk::Cuboid& out);
};

// An object of S's class, borrowed for the call: shape objects never change, and the call's
// argument array keeps the object alive. Anything else is "'{}' object is not an instance of '{}'".
template <class S>
struct Instance {
    const S* p = nullptr;
    const S& operator*() const { return *p; }
    const S* operator->() const { return p; }
};

template <class S>
struct Arg<Instance<S>> {
    static bool read(PyObject* o, Instance<S>& out) {
        if (!is_instance<S>(o)) {
            set_not_instance(o, ClassOf<S>::name);
            return false;
        }
        out.p = &value_of<S>(o);
        return true;
    }
};

// The kinds without an attribute form accept only their own class.
template <class S>
    requires(std::is_same_v<S, trelk::Line> || std::is_same_v<S, trelk::Ray> ||
             std::is_same_v<S, trelk::LineSegment> || std::is_same_v<S, trelk::Plane>)
struct Arg<S> {
    static bool read(PyObject* o, S& out) {
        Instance<S> i;
        if (!Arg<Instance<S>>::read(o, i)) return false;
        out = *i;
        return true;
    }
};

// A class's own conversion: a copy for the fixed-size kinds, a borrow for the kinds that own lists
// or buffers.
template <class S>
using OwnArg = std::conditional_t<std::is_trivially_copyable_v<S>, S, Instance<S>>;

template <class S>
const S& shape_of(const Instance<S>& s) {
    return *s;
}

// ---- any shape ----

// An owned shape of any kind, in the fixed kind order.
using AnyShape = std::variant<trelk::Sphere, trelk::Capsule, trelk::Cuboid, trelk::Cylinder, trelk::ConvexPolytope,
                              trelk::ConvexPolygon, trelk::Line, trelk::Ray, trelk::LineSegment, trelk::Plane,
                              trelk::Pointcloud>;

// A shape argument read for one call: the small kinds copied, the kinds with lists or buffers
// borrowed from their object (or from the Shape value holding them). Same kind order.
using ShapeView = std::variant<trelk::Sphere, trelk::Capsule, trelk::Cuboid, trelk::Cylinder, const trelk::ConvexPolytope*,
                               const trelk::ConvexPolygon*, trelk::Line, trelk::Ray, trelk::LineSegment, trelk::Plane,
                               const trelk::Pointcloud*>;

template <class S>
const S& shape_of(const S& s) {
    return s;
}
template <class S>
const S& shape_of(const S* s) {
    return *s;
}

// Calls f with the shape a view or an owned shape holds.
template <class Variant, class F>
decltype(auto) visit_shape(const Variant& v, F&& f) {
    return std::visit([&](const auto& s) -> decltype(auto) { return f(shape_of(s)); }, v);
}

// A deep copy of the viewed shape.
AnyShape to_owned(const ShapeView& v);

// The view of an owned shape.
ShapeView view_of(const AnyShape& s);

// A Shape value gives what it holds; an object of one of the eleven classes gives its value; else
// the attribute forms of the four solids are tried in kind order. TypeError "expected a Shape
// (Sphere, Cuboid, Cylinder, etc.)" when nothing fits.
template <>
struct Arg<ShapeView> {
    static bool read(PyObject* o, ShapeView& out);
};

// The same, copied into an owned shape.
template <>
struct Arg<AnyShape> {
    static bool read(PyObject* o, AnyShape& out);
};

// ---- collider-like arguments ----

// Moves a shape of any kind into a collider by trelk's adding: its group, its bounds lane, the
// mask bit and the grown bound.
void push_into(trelk::Collider<trelk::Pointcloud>& c, AnyShape&& shape);

// What `Collider.include` accepts, gathered into a new collider: a Collider
// (copied under its shared borrow), None, one shape, an iterable of shapes, or an object with the
// methods spheres(), cuboids(), cylinders() and capsules(). Fails only for an iterable item that is
// not a shape (TypeError "PyCollider: sequence item is not a Shape"), with the iterator's own
// error, or with a borrow conflict on a Collider argument; every other failure inside counts as
// "nothing here", and only failures deriving from Exception are discarded.
struct ColliderLike {
    trelk::Collider<trelk::Pointcloud> value;
};

template <>
struct Arg<ColliderLike> {
    static bool read(PyObject* o, ColliderLike& out);
};

}  // namespace quorix::py
