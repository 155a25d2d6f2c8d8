// Lists of small float groups in and out: the 2-D vertices of a polygon, the vertices and planes
// of a polytope. A list argument is any sequence but a str; each item is read by its group's rule
// and narrowed to single precision.
#pragma once

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

// New lists: [[x, y], ...], [[x, y, z], ...] and [([nx, ny, nz], d), ...], widened exactly.
PyObject* rows_list(std::span<const trelk::Vec2f> rows);
PyObject* rows_list(std::span<const trelk::Vec3> rows);
PyObject* planes_list(std::span<const trelk::Plane> planes);

}  // namespace quorix::py
