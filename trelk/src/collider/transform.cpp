#include "collider/transform.hpp"

#include <type_traits>

#include "affine.hpp"
#include "collider/instances.hpp"
#include "ops.hpp"

namespace trelk {

namespace {

// Applies `change` to every held shape but the balls, which the caller moves as lanes, and the
// point clouds, which record motions their own way.
template <class PCL, class Change>
void change_shapes(Collider<PCL>& c, const Change& change) {
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
}

template <class PCL, class Record>
void change_clouds(Collider<PCL>& c, const Record& record) {
    if constexpr (!std::is_same_v<PCL, NoPcl>) c.pointclouds.apply(record);
}

// After a motion: the bound's centre follows the map; a collider with items keeps enclosing them,
// growing over every item sphere that pokes out of it. The reach grid is fitted to the moved items.
template <class PCL, class Map>
void follow(Collider<PCL>& c, const Map& map) {
    Sphere& bound = c.bounding_sphere;
    bound.center = map.point(bound.center);
    if (c.mask != 0) for_each_item_sphere(c, [&](const Sphere& s) { grow_bounding_sphere(bound, s); });
    refit_grid(c);
}

// One remap for every kind; a held box stays a box with unit axes under any map.
template <class Map>
auto remap_item(const Map& map) {
    return [&map](auto& s) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(s)>, Cuboid>)
            remap_enclosing(s, map);
        else
            remap(s, map);
    };
}

struct OffsetMap {
    Vec3 offset;
    Vec3 point(Vec3 p) const { return p + offset; }
};

}  // namespace

template <class PCL>
void translate(Collider<PCL>& c, Vec3 offset) {
    change_shapes(c, [&](auto& s) { translate(s, offset); });
    change_clouds(c, [&](auto& cloud) { translate(cloud, offset); });
    translate(c.spheres, offset);
    follow(c, OffsetMap{offset});
}

// One map, judged rigid or not once, serves every item.
template <class PCL>
void rotate_mat(Collider<PCL>& c, const Mat3& m) {
    const MatMap map{m};
    change_shapes(c, remap_item(map));
    change_clouds(c, [&](auto& cloud) { rotate_mat(cloud, m); });
    rotate_mat(c.spheres, m);
    follow(c, map);
}

// Every position turns by the quaternion rule, balls and bound included, and the clouds record the
// same linear map: a quaternion that is not of unit length scales the whole collider by its squared
// length, as one body.
template <class PCL>
void rotate_quat(Collider<PCL>& c, const Quat& q) {
    const QuatMap map{q};
    const Mat3 cloud_turn = quat_motion_matrix(q);
    change_shapes(c, remap_item(map));
    change_clouds(c, [&](auto& cloud) { rotate_mat(cloud, cloud_turn); });
    rotate_quat(c.spheres, q);
    follow(c, map);
}

template <class PCL>
void transform(Collider<PCL>& c, const Affine3A& a) {
    const AffineMap map{a};
    change_shapes(c, remap_item(map));
    change_clouds(c, [&](auto& cloud) { transform(cloud, a); });
    transform(c.spheres, a);
    follow(c, map);
}

template <class PCL>
void scale(Collider<PCL>& c, float factor) {
    change_shapes(c, [&](auto& s) { scale(s, factor); });
    scale(c.spheres, factor);
    // settle() fits the reach grid too; a collider holding a plane, line or ray keeps none.
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
