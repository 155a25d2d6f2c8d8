#include "convex_polytope/polytope_collides.hpp"

#include "empty_shapes.hpp"
#include "lanes.hpp"

namespace trelk {

bool collides_cuboid(const RefConvexPolytope& polytope, const Cuboid& box, Prefilter prefilter) {
    if (is_empty(polytope)) return false;
    if (prefilter == Prefilter::bounds && !collides(box, polytope.obb)) return false;
    using lanes::abs;
    using lanes::dot;
    using lanes::gt;
    auto beyond = [&]<class T>(lanes::V3<T> n, T d) {
        using V = lanes::V3<T>;
        const Vec3& h = box.half_extents;
        T reach = lanes::lit<T>(h.z) * abs(dot(n, lanes::splat3<T>(box.axes[2]))) +
                  (lanes::lit<T>(h.x) * abs(dot(n, lanes::splat3<T>(box.axes[0]))) +
                   lanes::lit<T>(h.y) * abs(dot(n, lanes::splat3<T>(box.axes[1]))));
        V c = lanes::splat3<T>(box.center);
        return gt(dot(n, c) - reach, d);
    };
    return !lanes::any_plane(polytope.planes, beyond);
}

bool collides_capsule(const RefConvexPolytope& polytope, const Capsule& capsule) {
    if (is_empty(polytope)) return false;
    const Vec3 p1 = capsule.p1, p2 = capsule.p1 + capsule.dir;
    auto beyond = [&]<class T>(lanes::V3<T> n, T d) {
        using lanes::dot;
        // The capsule reaches radius * |n| below its core along n; at least the radius itself.
        T scale = lanes::max(lanes::sqrt(dot(n, n)), lanes::lit<T>(1.0f));
        T lowest = lanes::min(dot(n, lanes::splat3<T>(p1)), dot(n, lanes::splat3<T>(p2))) -
                   lanes::lit<T>(capsule.radius) * scale;
        return lanes::gt(lowest, d);
    };
    return !lanes::any_plane(polytope.planes, beyond);
}

}  // namespace trelk
