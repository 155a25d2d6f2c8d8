// The radius range of a point tree built without one given: chosen for the queries the tree can
// serve within a memory budget, not from where the points are.
//
// A tree built for reaches up to r_max affords every leaf the points within r_max of its cell, so its
// runs grow with the cloud's density times (cell + 2 r_max)^k (k = 2 on surfaces, 3 in volumes). The
// range starts at 0 (every reach down to a query sphere of radius 0 is exact) and r_max is the
// largest reach whose tree fits `kTreeBytesPerPoint` bytes per point, estimated from the cloud's own
// cells: the split values (the same for every range) give the cells of a spread sample of leaves, and
// the points of a spread subset are counted around them. Queries past r_max stay exact: the cloud
// scans its points for them.
#pragma once

#include <cstddef>
#include <limits>
#include <span>

#include "pointcloud/capt.hpp"

namespace trelk::pointcloud {

// Memory budget of a tree whose range is chosen for it: its tables and runs (Capt::buffer_bytes)
// hold at most this many bytes per point (the sphere set of a cloud adds 16 more).
inline constexpr std::size_t kTreeBytesPerPoint = 1024;

// kTreeBytesPerPoint times the number of points (at least one).
std::size_t tree_budget_bytes(std::size_t n);

// The range (0, r_max) for a tree over `points` within the budget, aiming a little below it:
// r_max is at most the larger of the points' box diagonal (which already affords every point to every
// leaf) and point_radius, so a cloud without points, or one whose box has no extent and fits the
// budget, gets (0, point_radius). When the budget affords no reach of at least point_radius (no query
// at all: even a sphere of radius 0 reaches point_radius), or the points are not all finite, the
// range affords nothing (r_max is kAffordsNothing) and the tree holds the points alone.
RadiusRange choose_r_range(std::span<const Point3> points, float point_radius);

// The top of a range that affords no reach at all: its tree keeps one point per leaf (no candidate
// compares within NaN of a split), and every query is answered by the cloud's scan. A NaN stays one
// when a scaled cloud multiplies its range, where a negative bound would turn positive.
inline constexpr float kAffordsNothing = std::numeric_limits<float>::quiet_NaN();

}  // namespace trelk::pointcloud
