#include "cylinder.hpp"

#include <cmath>

#include "bounds.hpp"
#include "cuboid.hpp"

namespace trelk {

float Cylinder::point_dist_sq(Vec3 q) const {
    const Vec3 v = q - p1;
    const float t = dot(v, dir) * rdv;
    const float rho_sq = length_sq(v - dir * t);
    const float beyond = t - clamp01(t);
    const float axial = length_sq(dir) * (beyond * beyond);
    if (!(rho_sq > radius * radius)) return axial;
    const float radial = std::sqrt(rho_sq) - radius;
    return radial * radial + axial;
}

bool Cylinder::contains_point(Vec3 q) const {
    const Vec3 v = q - p1;
    const float t = dot(v, dir) * rdv;
    if (t < 0.0f || t > 1.0f) return false;
    return length_sq(v - dir * t) <= radius * radius;
}

Cuboid obb(const Cylinder& c) {
    SegmentFrame f = segment_frame(c.dir);
    Vec3 mid = c.p1 + c.dir * 0.5f;
    if (f.degenerate) return Cuboid::aligned(mid, {c.radius, c.radius, c.radius});
    return Cuboid::make(mid, f.axes, {f.length * 0.5f, c.radius, c.radius});
}

// The capsule's box: it also holds the cylinder.
Cuboid aabb(const Cylinder& c) { return widened_segment_aabb(c.p1, c.dir, c.radius); }

}  // namespace trelk
