// Slab test of a clipped parametric line against a box.
#pragma once

#include "cuboid.hpp"
#include "math.hpp"

namespace trelk {

// True when some point origin + t dir with tmin <= t <= tmax lies in the solid box (touching
// included). Lines pass (-INF, INF), rays (0, INF), segments (0, 1).
bool line_cuboid_collides(Vec3 origin, Vec3 dir, const Cuboid& box, float tmin, float tmax);

}  // namespace trelk
