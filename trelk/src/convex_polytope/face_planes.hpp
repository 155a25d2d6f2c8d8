// A ball or a point against the face planes of a polytope, eight planes per step: it is reached
// unless some plane has it beyond its radius (n . c - d > r). A plane value with a NaN excludes
// nothing; a polytope without planes holds everything, one without vertices nothing.
#pragma once

#include "convex_polytope/refer.hpp"
#include "empty_shapes.hpp"
#include "lanes.hpp"
#include "sphere.hpp"

namespace trelk {

inline bool ball_within_planes(const Sphere& b, const RefConvexPolytope& t) {
    return !is_empty(t) && !lanes::any_plane(t.planes, [&]<class T>(lanes::V3<T> n, T d) {
        return lanes::gt(lanes::dot(n, lanes::splat3<T>(b.center)) - d, lanes::lit<T>(b.radius));
    });
}

inline bool point_within_planes(Vec3 p, const RefConvexPolytope& t) {
    return !is_empty(t) && !lanes::any_plane(t.planes, [&]<class T>(lanes::V3<T> n, T d) {
        return lanes::gt(lanes::dot(n, lanes::splat3<T>(p)), d);
    });
}

}  // namespace trelk
