// Distance between two parametric lines where neither is a segment (line or ray against line or
// ray); a segment on either side goes through clamped_line_segment_dist_sq instead.
#pragma once

#include "math.hpp"

namespace trelk {

// Squared distance between p1 + t d1, t in [t0, t1], and p2 + s d2, s in [s0, s1]; each range holds
// 0 and may be unbounded. A zero direction stands for its start point, parallel directions are
// measured from t = 0.
float param_pair_dist_sq(Vec3 p1, Vec3 d1, float t0, float t1, Vec3 p2, Vec3 d2, float s0, float s1);

}  // namespace trelk
