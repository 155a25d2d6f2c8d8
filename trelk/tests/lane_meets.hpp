// The sphere test of the lane scans, in the same float operations, for the grid tests to compare
// with: a NaN radius or coordinate never meets.
#pragma once

#include "sphere.hpp"

namespace lane_scan {

inline bool meets(const trelk::Sphere& q, const trelk::Sphere& s) {
    const float dx = q.center.x - s.center.x, dy = q.center.y - s.center.y, dz = q.center.z - s.center.z;
    const float reach = q.radius + s.radius;
    return (dx * dx + dy * dy) + dz * dz <= reach * reach;
}

}  // namespace lane_scan
