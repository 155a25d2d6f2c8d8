// A polygon or polytope without vertices holds no point: it meets no shape, on any path. Every pair
// test of the two kinds asks this first, so that neither a bound (a point at the shape's centre) nor
// a missing plane or edge to separate by makes one collide.
#pragma once

#include "convex_polytope/refer.hpp"
#include "plane/ref_convex.hpp"

namespace trelk {

inline bool is_empty(const RefConvexPolygon& p) { return p.vertices_2d.empty(); }
inline bool is_empty(const RefConvexPolytope& t) { return t.vertices.empty(); }

}  // namespace trelk
