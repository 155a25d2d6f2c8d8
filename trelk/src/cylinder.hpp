// Solid right circular cylinder with flat caps: axis p1 .. p1 + dir, caps the discs of radius at
// both ends.
#pragma once

#include "capsule.hpp"
#include "math.hpp"
#include "ops.hpp"
#include "round_axis.hpp"

namespace trelk {

struct Cylinder {
    Vec3 p1;
    Vec3 dir;
    float radius = 0.0f;
    float rdv = 0.0f;
    bool z_aligned = true;

    static Cylinder make(Vec3 p1, Vec3 dir, float radius) { return make_round_axis<Cylinder>(p1, dir, radius); }
    Vec3 p2() const { return p1 + dir; }

    // Squared distance from q to the solid: past a cap the axial part is added to the radial
    // excess, so the caps count as discs.
    float point_dist_sq(Vec3 q) const;
    // Inside or on the surface; a degenerate cylinder (rdv 0) holds the ball of radius at p1.
    bool contains_point(Vec3 q) const;
};

inline void translate(Cylinder& c, Vec3 o) { translate_round_axis(c, o); }
template <class Map>
inline void remap(Cylinder& c, const Map& m) { remap_round_axis(c, m); }
inline void scale(Cylinder& c, float f) { scale_round_axis(c, f); }

inline Sphere broadphase(const Cylinder& c) { return Capsule::broadphase(c.p1, c.dir, c.radius, c.z_aligned); }
Cuboid obb(const Cylinder& c);
Cuboid aabb(const Cylinder& c);

}  // namespace trelk
