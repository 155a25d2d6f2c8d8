// Cylinder against cylinder. Each is taken with rounded caps (the capsule of its axis and radius),
// as the sweep of a cylinder is: two cylinders whose rounded covers touch are reported colliding,
// which never misses a pair that does collide.
#pragma once

#include "cylinder.hpp"
#include "util.hpp"

namespace trelk {

inline bool cylinder_cylinder_collides(const Cylinder& a, const Cylinder& b) {
    const float reach = a.radius + b.radius;
    return clamped_line_segment_dist_sq(a.p1, a.dir, b.p1, b.dir, 0.0f, 1.0f) <= reach * reach;
}

}  // namespace trelk
