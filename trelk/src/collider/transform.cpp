#include "collider/transform.hpp"

#include <type_traits>
#include <vector>

#include "collider/instances.hpp"

namespace trelk {

namespace {

// Applies `change` to every held shape but the balls, which the caller moves as lanes.
template <class PCL, class Change>
void change_shapes(Collider<PCL>& c, const Change& change, bool clouds_too) {
    c.capsules.apply(change);
    c.cuboids.apply(change);
    c.cylinders.apply(change);
    for (Plane& p : c.planes) change(p);
    c.polygons.apply(change);
    c.polytopes.apply(change);
    c.points.apply(change);
    for (Line& l : c.lines) change(l);
    for (Ray& r : c.rays) change(r);
    c.segments.apply(change);
    if constexpr (!std::is_same_v<PCL, NoPcl>)
        if (clouds_too) c.pointclouds.apply(change);
}

// After a motion: the bound's centre follows the map; a collider with items keeps enclosing them,
// growing over every item sphere that pokes out of it.
template <class PCL, class Map>
void follow(Collider<PCL>& c, const Map& map) {
    Sphere& bound = c.bounding_sphere;
    bound.center = map.point(bound.center);
    if (c.mask != 0) for_each_item_sphere(c, [&](const Sphere& s) { grow_bounding_sphere(bound, s); });
}

struct OffsetMap {
    Vec3 offset;
    Vec3 point(Vec3 p) const { return p + offset; }
};

}  // namespace

template <class PCL>
void translate(Collider<PCL>& c, Vec3 offset) {
    change_shapes(c, [&](auto& s) { translate(s, offset); }, true);
    translate(c.spheres, offset);
    follow(c, OffsetMap{offset});
}

template <class PCL>
void rotate_mat(Collider<PCL>& c, const Mat3& m) {
    change_shapes(c, [&](auto& s) { rotate_mat(s, m); }, true);
    rotate_mat(c.spheres, m);
    follow(c, MatMap{m});
}

// Balls turn like every other shape, by q v q*: a quaternion that is not of unit length also
// scales their centres (by its squared length), as it scales every other position.
template <class PCL>
void rotate_quat(Collider<PCL>& c, const Quat& q) {
    change_shapes(c, [&](auto& s) { rotate_quat(s, q); }, true);
    std::vector<Sphere> balls(c.spheres.len());
    for (std::size_t i = 0; i < balls.size(); ++i) {
        balls[i] = c.spheres.get(i);
        rotate_quat(balls[i], q);
    }
    c.spheres = SpheresSoA::from_slice(balls);
    follow(c, QuatMap{q});
}

template <class PCL>
void transform(Collider<PCL>& c, const Affine3A& a) {
    change_shapes(c, [&](auto& s) { transform(s, a); }, true);
    transform(c.spheres, a);
    follow(c, AffineMap{a});
}

template <class PCL>
void scale(Collider<PCL>& c, float factor) {
    change_shapes(c, [&](auto& s) { scale(s, factor); }, false);
    scale(c.spheres, factor);
    if (!c.holds(group_bit::unbounded)) settle(c);
}

#define TRELK_TRANSFORM_INSTANCE(PCL)                                   \
    template void translate(Collider<PCL>&, Vec3);                      \
    template void rotate_mat(Collider<PCL>&, const Mat3&);              \
    template void rotate_quat(Collider<PCL>&, const Quat&);             \
    template void transform(Collider<PCL>&, const Affine3A&);           \
    template void scale(Collider<PCL>&, float);
TRELK_FOR_EACH_PCL(TRELK_TRANSFORM_INSTANCE)

}  // namespace trelk
