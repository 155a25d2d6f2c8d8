// Pointcloud: points thickened to balls of `point_radius`, indexed by trelk's point tree. The
// members all shapes share come from UniformShapeGroups (uniform.hpp): motions are recorded by
// trelk as the cloud's inverse transform, `scaled` rebuilds it. Here are its constructor, the two
// builders from a list and from a NumPy array, and its text form.
#include <span>
#include <vector>

#include "glam_wrappers/array_args.hpp"
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Pointcloud;
using Point3 = S::Point3;

// A sequence (not a str) of points, each a sequence of exactly three numbers, narrowed.
using PointList = ItemsOf<Point3>;

// from_list and from_numpy choose the tree's radius range for queries under a memory budget.
S from_points(std::span<const Point3> points, float point_radius) { return S::make_within_budget(points, point_radius); }

// Pointcloud(points=None, r_range=(0.0, 0.0), point_radius=0.0, *, __pickle_state__=None)
S build(PyObject* const* slots) {
    PointList points;
    const bool has_points = read_optional_argument(slots[0], "points", points);
    FloatTuple<2> r_range{};  // (smallest, largest) query radius
    if (slots[1]) read_argument(slots[1], "r_range", r_range);
    double point_radius = 0.0;
    if (slots[2]) read_argument(slots[2], "point_radius", point_radius);
    S s;
    if (apply_record_state(slots[3], s)) return s;
    if (!has_points) raise_requires("Pointcloud requires points argument");
    return S::make(points.items, {f32(r_range.v[0]), f32(r_range.v[1])}, f32(point_radius));
}

// Rows of a (N, 3) array, read through its strides whatever its memory layout.
std::vector<Point3> array_points(const Float64Array& a) {
    std::vector<Point3> points(static_cast<std::size_t>(a.dim(0)));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto row = static_cast<Py_ssize_t>(i);
        points[i] = {f32(a.at(row, 0)), f32(a.at(row, 1)), f32(a.at(row, 2))};
    }
    return points;
}

std::string text(const S&) { return "Pointcloud(...)"; }

const UniformShapeGroups<S> uniform;

const ClassGroup own(
    ClassOf<S>::lazy(), {repr<S, &text>()},
    {
        method<S, "from_list", "(points, point_radius)",
               [](const PointList& points, double point_radius) {
                   return from_points(points.items, f32(point_radius));
               }>(),
        method<S, "from_numpy", "(points, point_radius=0.033)",
               [](const NumpyPointRows& points, Defaulted<double> point_radius) {
                   const float radius = f32(point_radius.value_or(0.033));
                   if (points.array->dim(1) != 3) raise(PyExc_ValueError, "points must be (N, 3)");
                   return from_points(array_points(*points.array), radius);
               }>(),
    });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py
