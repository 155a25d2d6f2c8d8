// Lists of small float groups in and out: the 2-D vertices of a polygon, the vertices and planes
// of a polytope. A list argument is any sequence but a str; each item is read by its group's rule
// and narrowed to single precision.
#pragma once

#include <iterator>
#include <span>
#include <vector>

#include "binding/items_arg.hpp"
#include "trelk_wrappers/shape_classes.hpp"

namespace quorix::py {

// Items of the polytope lists: a vertex is a sequence of exactly three floats, a plane a tuple
// (normal, d) whose normal is exactly three floats; a polygon's 2-D vertex is exactly two floats.
struct VertexRow {};
struct NormalOffsetRow {};

template <>
struct Arg<VertexRow> {
    static bool read(PyObject* o, trelk::Vec3& out);
};
template <>
struct Arg<NormalOffsetRow> {
    static bool read(PyObject* o, trelk::Plane& out);
};

using VertexList = ItemsOf<trelk::Vec3, VertexRow>;
using PlaneList = ItemsOf<trelk::Plane, NormalOffsetRow>;
using Vertex2dList = ItemsOf<trelk::Vec2f>;

// The default item of list_of: a new object by the value's own result conversion.
struct ToPython {
    template <class T>
    PyObject* operator()(const T& v) const { return to_python(v); }
};

// A new list of item(x) for each x of `items`, in order; `item` returns a new reference.
template <class Range, class F = ToPython>
PyObject* list_of(const Range& items, F&& item = {}) {
    Ref list = check(PyList_New(static_cast<Py_ssize_t>(std::size(items))));
    Py_ssize_t i = 0;
    for (const auto& x : items) PyList_SET_ITEM(list.get(), i++, item(x));
    return list.release();
}

// New lists: [[x, y], ...], [[x, y, z], ...] and [([nx, ny, nz], d), ...], widened exactly.
PyObject* rows_list(std::span<const trelk::Vec2f> rows);
PyObject* rows_list(std::span<const trelk::Vec3> rows);
PyObject* planes_list(std::span<const trelk::Plane> planes);

}  // namespace quorix::py
