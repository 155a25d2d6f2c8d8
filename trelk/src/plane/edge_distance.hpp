// Squared distance from an in-plane point to the nearest edge of a polygon's 2-D outline.
#pragma once

#include <span>

#include "plane/convex.hpp"

namespace trelk {

// Over the edges (0 -> 1), (1 -> 2), ..., (n-1 -> 0); a single vertex gives one zero-length edge.
// An empty outline gives the largest finite float. The parameter along an edge is 0 where the edge
// is shorter than EPS squared-length-wise; NaN distances never replace the best so far.
float closest_edge_dist_sq_2d(std::span<const Vec2f> vertices, float x, float y);

}  // namespace trelk
