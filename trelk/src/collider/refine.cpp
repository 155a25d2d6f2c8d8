#include "collider/refine.hpp"

#include <cmath>

#include "collider/instances.hpp"

namespace trelk {

namespace {

float distance(Vec3 a, Vec3 b) {
    const Vec3 d = a - b;
    return std::sqrt((d.x * d.x + d.y * d.y) + d.z * d.z);
}

}  // namespace

template <class PCL>
void refine_bounding(Collider<PCL>& c) {
    if (c.holds(group_bit::unbounded)) {
        c.bounding_sphere = {{0.0f, 0.0f, 0.0f}, INF};
        return;
    }
    std::size_t n = 0;
    Vec3 sum;
    for_each_item_sphere(c, [&](const Sphere& s) {
        sum += s.center;
        ++n;
    });
    if (n == 0) {
        c.bounding_sphere = {};
        return;
    }
    const float count = float(n);
    Vec3 center{sum.x / count, sum.y / count, sum.z / count};
    float radius = 0.0f;
    for (int k = 0; k < 8; ++k) {
        float best = 0.0f;
        Vec3 far = center;
        for_each_item_sphere(c, [&](const Sphere& s) {
            const float d = distance(s.center, center), reach = s.radius + d;
            if (!(reach > best)) return;
            far = d > EPS ? s.center + (s.center - center) * (s.radius / d)
                          : Vec3{center.x + s.radius, center.y + s.radius * 0.0f, center.z + s.radius * 0.0f};
            best = reach;
        });
        const float step = 1.0f / float(k + 2);
        center = center + (far - center) * step;
        radius = 0.0f;
        for_each_item_sphere(c, [&](const Sphere& s) { radius = max_num(radius, s.radius + distance(s.center, center)); });
    }
    c.bounding_sphere = {center, radius};
}

#define TRELK_REFINE_INSTANCE(PCL) template void refine_bounding(Collider<PCL>&);
TRELK_FOR_EACH_PCL(TRELK_REFINE_INSTANCE)

}  // namespace trelk
