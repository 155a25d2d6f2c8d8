#include "collider/bounding.hpp"

#include <cmath>

namespace trelk {

void grow_bounding_sphere(Sphere& bound, const Sphere& item) {
    const Vec3 delta = item.center - bound.center;
    const float d = std::sqrt((delta.x * delta.x + delta.y * delta.y) + delta.z * delta.z);
    const float reach = item.radius + d;
    if (!(reach > bound.radius)) return;
    if (item.radius >= bound.radius + d) {
        bound = item;
        return;
    }
    const float r = (bound.radius + reach) * 0.5f;
    if (d > EPS) {
        const float k = (r - bound.radius) / d;
        bound.center = {bound.center.x + delta.x * k, bound.center.y + delta.y * k, bound.center.z + delta.z * k};
    }
    bound.radius = r;
}

Cuboid box_around(const Sphere& bound) {
    const Vec3 c = bound.center;
    const float r = bound.radius;
    const Vec3 lo{c.x - r, c.y - r, c.z - r};
    const Vec3 hi{r + c.x, r + c.y, r + c.z};
    return Cuboid::from_aabb(lo, hi);
}

}  // namespace trelk
