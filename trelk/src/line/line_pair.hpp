// Distances between two parametric line parts (lines, rays and segments).
#pragma once

#include "line/line_part.hpp"
#include "math.hpp"

namespace trelk {

// Squared distance between p1 + t d1, t in [t0, t1], and p2 + s d2, s in [s0, s1]; each range holds
// 0 and may be unbounded. A zero direction stands for its start point, parallel directions are
// measured from t = 0. Meant for two unbounded parts; see line_parts_dist_sq.
float param_pair_dist_sq(Vec3 p1, Vec3 d1, float t0, float t1, Vec3 p2, Vec3 d2, float s0, float s1);

// Squared distance between two line parts. A segment on either side is measured by
// clamped_line_segment_dist_sq (b's segment when b is one, else a's), two unbounded parts by
// param_pair_dist_sq. Zero-thickness parts meet only where this is exactly 0.
float line_parts_dist_sq(const LinePart& a, const LinePart& b);

}  // namespace trelk
