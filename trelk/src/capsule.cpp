#include "capsule.hpp"

#include <cmath>

#include "bounds.hpp"
#include "cuboid.hpp"

namespace trelk {

Sphere Capsule::broadphase(Vec3 p1, Vec3 dir, float radius, bool z_aligned) {
    float len = z_aligned ? std::fabs(dir.z) : length(dir);
    return {p1 + dir * 0.5f, len * 0.5f + radius};
}

Vec3 Capsule::closest_point_to(Vec3 q) const {
    // A vertical core needs only the z offsets.
    float t = z_aligned ? ((q.z - p1.z) * dir.z) * rdv : dot(q - p1, dir) * rdv;
    t = clamp01(t);
    return z_aligned ? Vec3{p1.x, p1.y, p1.z + dir.z * t} : p1 + dir * t;
}

Cuboid obb(const Capsule& c) {
    SegmentFrame f = segment_frame(c.dir);
    Vec3 mid = c.p1 + c.dir * 0.5f;
    if (f.degenerate) return Cuboid::aligned(mid, {c.radius, c.radius, c.radius});
    return Cuboid::make(mid, f.axes, {f.length * 0.5f + c.radius, c.radius, c.radius});
}

Cuboid aabb(const Capsule& c) { return widened_segment_aabb(c.p1, c.dir, c.radius); }

}  // namespace trelk
