#include "line/line_cuboid.hpp"

#include <cmath>

namespace trelk {

bool line_cuboid_collides(Vec3 origin, Vec3 dir, const Cuboid& box, float tmin, float tmax) {
    Vec3 rel = origin - box.center;
    for (int i = 0; i < 3; ++i) {
        float p = dot(rel, box.axes[i]);
        float q = dot(box.axes[i], dir);
        float h = box.half_extents[i];
        if (std::fabs(q) > EPS) {
            float inv = 1.0f / q;
            float t1 = (-h - p) * inv, t2 = (h - p) * inv;
            float lo = t1 < t2 ? t1 : t2, hi = t1 < t2 ? t2 : t1;
            tmin = max_num(tmin, lo);
            tmax = min_num(tmax, hi);
            if (tmin > tmax) return false;
        } else if (std::fabs(p) > h) {
            return false;  // parallel to this slab and outside it
        }
    }
    return tmin <= tmax;
}

}  // namespace trelk
