#include "bounds.hpp"

#include <cmath>

namespace trelk {

SegmentFrame segment_frame(Vec3 dir) {
    float len = length(dir);
    if (len < EPS) return {true, len, identity_axes};
    Vec3 a{dir.x / len, dir.y / len, dir.z / len};
    Vec3 h = std::fabs(a.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 b = normalize(cross(a, h));
    return {false, len, {a, b, cross(a, b)}};
}

Cuboid widened_segment_aabb(Vec3 p1, Vec3 dir, float radius) {
    Vec3 p2 = p1 + dir;
    Vec3 r{radius, radius, radius};
    Vec3 lo = min_num(p1, p2) - r;
    Vec3 hi = max_num(p1, p2) + r;
    return Cuboid::from_aabb(lo, hi);
}

Cuboid box_aabb(const Cuboid& b) {
    Vec3 half;
    for (int j = 0; j < 3; ++j) {
        Vec3 e;
        e[j] = 1.0f;
        // Full dot products: an infinite component makes the extent NaN rather than hiding it.
        half[j] = (b.half_extents.x * std::fabs(dot(b.axes[0], e)) + b.half_extents.y * std::fabs(dot(b.axes[1], e))) +
                  b.half_extents.z * std::fabs(dot(b.axes[2], e));
    }
    return Cuboid::aligned(b.center, half);
}

}  // namespace trelk
