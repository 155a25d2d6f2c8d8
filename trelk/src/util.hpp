// Distance routines shared by several kinds.
#pragma once

#include <limits>

#include "math.hpp"

namespace trelk {

inline constexpr float INF = std::numeric_limits<float>::infinity();

// Squared distance between the line part p1 + t d1, tmin <= t <= tmax, and the segment p2 + s d2,
// 0 <= s <= 1. Faults ("min > max, or either was NaN ...") unless tmin <= tmax.
// Lines pass (-INF, INF), rays (0, INF), segments (0, 1).
float clamped_line_segment_dist_sq(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2, float tmin, float tmax);

}  // namespace trelk
