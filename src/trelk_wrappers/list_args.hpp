// Lists of small float groups in and out: the 2-D vertices of a polygon, the vertices and planes
// of a polytope. A list argument is any sequence but a str; each item is read by its group's rule
// and narrowed to single precision.
#pragma once

#include <span>
#include <vector>

#include "trelk_wrappers/shape_classes.hpp"

namespace quorix::py {

// A list argument of Item: Vec2f (a sequence of exactly two floats), Vec3 (exactly three floats)
// or Plane (a tuple (normal, d), the normal exactly three floats).
template <class Item>
struct ListArg {
    std::vector<Item> items;
};

template <class Item>
struct Arg<ListArg<Item>> {
    static bool read(PyObject* o, ListArg<Item>& out);
};

// New lists: [[x, y], ...], [[x, y, z], ...] and [([nx, ny, nz], d), ...], widened exactly.
PyObject* rows_list(std::span<const trelk::Vec2f> rows);
PyObject* rows_list(std::span<const trelk::Vec3> rows);
PyObject* planes_list(std::span<const trelk::Plane> planes);

}  // namespace quorix::py
