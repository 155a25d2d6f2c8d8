// Bounding helpers shared by several kinds.
#pragma once

#include <array>

#include "cuboid.hpp"
#include "math.hpp"

namespace trelk {

// Orthonormal frame along a segment's direction for its oriented box: a along dir, b and c across.
// Degenerate when |dir| < EPS; the box then keeps the world axes.
struct SegmentFrame {
    bool degenerate = true;
    float length = 0.0f;
    std::array<Vec3, 3> axes = identity_axes;
};
SegmentFrame segment_frame(Vec3 dir);

// Axis-aligned box of the segment p1 .. p1 + dir widened by `radius` on every side.
Cuboid widened_segment_aabb(Vec3 p1, Vec3 dir, float radius);

// Axis-aligned box around an oriented box: half_j = sum_i half_i |axes[i] . e_j|.
Cuboid box_aabb(const Cuboid& b);

}  // namespace trelk
