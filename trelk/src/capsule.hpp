// Capsule: the points within radius of the segment p1 .. p1 + dir.
#pragma once

#include "math.hpp"
#include "ops.hpp"
#include "round_axis.hpp"
#include "sphere.hpp"

namespace trelk {

struct Capsule {
    Vec3 p1;
    Vec3 dir;  // second end minus first end
    float radius = 0.0f;
    float rdv = 0.0f;        // derived: inverse_length_sq(dir)
    bool z_aligned = true;   // derived: is_z_aligned(dir)

    static Capsule make(Vec3 p1, Vec3 dir, float radius) { return make_round_axis<Capsule>(p1, dir, radius); }
    Vec3 p2() const { return p1 + dir; }

    // The point of the core segment nearest to q (p1 for a degenerate core; NaN stays NaN).
    Vec3 closest_point_to(Vec3 q) const;

    // Bounding sphere about the middle of the core; colliders use it for cylinders too.
    static Sphere broadphase(Vec3 p1, Vec3 dir, float radius, bool z_aligned);
};

inline void translate(Capsule& c, Vec3 o) { translate_round_axis(c, o); }
template <class Map>
inline void remap(Capsule& c, const Map& m) { remap_round_axis(c, m); }
inline void scale(Capsule& c, float f) { scale_round_axis(c, f); }

inline Sphere broadphase(const Capsule& c) { return Capsule::broadphase(c.p1, c.dir, c.radius, c.z_aligned); }
Cuboid obb(const Capsule& c);
Cuboid aabb(const Capsule& c);

}  // namespace trelk
