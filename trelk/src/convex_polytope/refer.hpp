// Borrowed view of a ConvexPolytope: its planes, its vertices and its box. It must not outlive the
// polytope it was made from.
#pragma once

#include <span>

#include "convex_polytope/heap.hpp"

namespace trelk {

struct RefConvexPolytope {
    std::span<const Plane> planes;
    std::span<const Vec3> vertices;
    Cuboid obb;

    static RefConvexPolytope of(const ConvexPolytope& p) { return {p.planes, p.vertices, p.obb}; }
};

}  // namespace trelk
