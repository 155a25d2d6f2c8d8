// Solid ball.
#pragma once

#include "math.hpp"
#include "ops.hpp"

namespace trelk {

struct Sphere {
    Vec3 center;
    float radius = 0.0f;
};

inline void translate(Sphere& s, Vec3 o) { s.center += o; }
template <class Map>
inline void remap(Sphere& s, const Map& m) { s.center = m.point(s.center); }
inline void scale(Sphere& s, float f) { s.radius *= f; }

inline Sphere broadphase(const Sphere& s) { return s; }

// Two spheres are apart (neither overlapping nor touching); a NaN never makes them apart. The
// bounding rejection of the pair tests.
inline bool apart(const Sphere& a, const Sphere& b) {
    const Vec3 d = a.center - b.center;
    const float reach = a.radius + b.radius;
    return (d.x * d.x + d.y * d.y) + d.z * d.z > reach * reach;
}
Cuboid obb(const Sphere& s);
Cuboid aabb(const Sphere& s);

}  // namespace trelk
