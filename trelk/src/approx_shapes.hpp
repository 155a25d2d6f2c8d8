// Approximate comparison of shapes: the defining stored fields, each within the tolerance, in
// declared order. Derived fields (rdv, z_aligned, axis_aligned, a polygon's edge data and 3-D
// vertices, its bounding radius) are not compared; lists must have equal lengths.
#pragma once

#include <span>

#include "approx.hpp"
#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "sphere.hpp"

namespace trelk {

inline bool abs_diff_eq(const Vec2f& a, const Vec2f& b, float eps) {
    return abs_diff_eq(a[0], b[0], eps) && abs_diff_eq(a[1], b[1], eps);
}

inline bool abs_diff_eq(const Plane& a, const Plane& b, float eps) {
    return abs_diff_eq(a.normal, b.normal, eps) && abs_diff_eq(a.d, b.d, eps);
}

template <class T>
bool abs_diff_eq(std::span<const T> a, std::span<const T> b, float eps) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!abs_diff_eq(a[i], b[i], eps)) return false;
    return true;
}

inline bool abs_diff_eq(const Sphere& a, const Sphere& b, float eps) {
    return abs_diff_eq(a.center, b.center, eps) && abs_diff_eq(a.radius, b.radius, eps);
}

template <class S>
bool round_axis_abs_diff_eq(const S& a, const S& b, float eps) {
    return abs_diff_eq(a.p1, b.p1, eps) && abs_diff_eq(a.dir, b.dir, eps) && abs_diff_eq(a.radius, b.radius, eps);
}
inline bool abs_diff_eq(const Capsule& a, const Capsule& b, float eps) { return round_axis_abs_diff_eq(a, b, eps); }
inline bool abs_diff_eq(const Cylinder& a, const Cylinder& b, float eps) { return round_axis_abs_diff_eq(a, b, eps); }

inline bool abs_diff_eq(const Cuboid& a, const Cuboid& b, float eps) {
    return abs_diff_eq(a.center, b.center, eps) &&
           abs_diff_eq(std::span<const Vec3>(a.axes), std::span<const Vec3>(b.axes), eps) &&
           abs_diff_eq(a.half_extents, b.half_extents, eps);
}

inline bool abs_diff_eq(const Line& a, const Line& b, float eps) {
    return abs_diff_eq(a.origin, b.origin, eps) && abs_diff_eq(a.dir, b.dir, eps);
}
inline bool abs_diff_eq(const Ray& a, const Ray& b, float eps) {
    return abs_diff_eq(a.origin, b.origin, eps) && abs_diff_eq(a.dir, b.dir, eps);
}
inline bool abs_diff_eq(const LineSegment& a, const LineSegment& b, float eps) {
    return abs_diff_eq(a.p1, b.p1, eps) && abs_diff_eq(a.dir, b.dir, eps);
}

inline bool abs_diff_eq(const ConvexPolygon& a, const ConvexPolygon& b, float eps) {
    return abs_diff_eq(a.center, b.center, eps) && abs_diff_eq(a.normal, b.normal, eps) &&
           abs_diff_eq(a.u_axis, b.u_axis, eps) && abs_diff_eq(a.v_axis, b.v_axis, eps) &&
           abs_diff_eq(std::span<const Vec2f>(a.vertices_2d), std::span<const Vec2f>(b.vertices_2d), eps);
}

inline bool abs_diff_eq(const ConvexPolytope& a, const ConvexPolytope& b, float eps) {
    return abs_diff_eq(a.obb, b.obb, eps) &&
           abs_diff_eq(std::span<const Plane>(a.planes), std::span<const Plane>(b.planes), eps) &&
           abs_diff_eq(std::span<const Vec3>(a.vertices), std::span<const Vec3>(b.vertices), eps);
}

}  // namespace trelk
