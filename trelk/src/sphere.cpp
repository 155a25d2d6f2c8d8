#include "sphere.hpp"

#include "cuboid.hpp"

namespace trelk {

Cuboid obb(const Sphere& s) { return Cuboid::aligned(s.center, {s.radius, s.radius, s.radius}); }
Cuboid aabb(const Sphere& s) { return obb(s); }

}  // namespace trelk
