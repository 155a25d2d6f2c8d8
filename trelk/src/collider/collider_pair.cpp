#include "collider/collider_pair.hpp"

#include <bit>
#include <type_traits>

#include "collider/cloud_group.hpp"
#include "collider/frame.hpp"
#include "collider/instances.hpp"
#include "collider/query.hpp"
#include "reach_grid.hpp"

namespace trelk {

namespace {

using namespace collider_frame;

// One cloud of the other collider against the receiver's groups, in the receiver's visiting order.
// Groups with bounds are skipped when none of their lanes meets the cloud's bounding sphere.
struct CloudMember {
    const Pointcloud& cloud;
    Ball bound{broadphase(cloud)};

    bool ball(const Sphere& s) const { return point_cloud_collides(cloud, s); }
    template <class T>
    bool shapes(const BroadCollection<T>& g) const {
        return any_item_near(
            g, bound, [this](const T& item) { return point_cloud_collides(cloud, item, Prefilter::done_by_caller); });
    }
    template <class T>
    bool unbounded(std::span<const T> items) const {
        return any_item(items, [this](const T& item) { return point_cloud_collides(cloud, item); });
    }

    bool spheres(const SpheresSoA& s) const {
        if (!group_may_hit(s, bound)) return false;
        for (std::size_t i = 0; i < s.len(); ++i)
            if (ball(s.get(i))) return true;
        return false;
    }
    bool points(const BroadCollection<Point>& g) const {
        return any_item_near(g, bound, [this](const Point& p) { return ball({p.p, 0.0f}); });
    }
    bool capsules(const BroadCollection<Capsule>& g) const { return shapes(g); }
    bool cuboids(const BroadCollection<Cuboid>& g) const { return shapes(g); }
    bool cylinders(const BroadCollection<Cylinder>& g) const { return shapes(g); }
    bool segments(const BroadCollection<LineSegment>& g) const { return shapes(g); }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const { return shapes(g); }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const { return shapes(g); }
    bool planes(std::span<const Plane> items) const { return unbounded(items); }
    bool lines(std::span<const Line> items) const { return unbounded(items); }
    bool rays(std::span<const Ray> items) const { return unbounded(items); }
    bool pointclouds(const BroadCollection<Pointcloud>& g) const { return cloud_group_collides(g, cloud); }
};

template <class PCL, class T>
bool any_queries(std::span<const T> items, const Collider<PCL>& receiver) {
    for (const T& item : items)
        if (query_collider(item, receiver)) return true;
    return false;
}

// An infinite bound meets everything, whatever its centre holds (a NaN left by a NaN item).
template <class PCL>
bool bounds_meet(const Collider<PCL>& a, const Collider<PCL>& b) {
    if (a.holds(group_bit::unbounded) || b.holds(group_bit::unbounded)) return true;
    const Vec3 d = a.bounding_sphere.center - b.bounding_sphere.center;
    const float reach = a.bounding_sphere.radius + b.bounding_sphere.radius;
    return (d.x * d.x + d.y * d.y) + d.z * d.z <= reach * reach;
}

// Every bounded item of `other`, asked of the receiver one by one.
template <class PCL>
bool each_bounded_item_hits(const Collider<PCL>& a, const Collider<PCL>& b) {
    namespace bit = group_bit;
    if (b.holds(bit::spheres)) {
        // Ball against ball first, eight lanes at a time.
        if (a.holds(bit::spheres))
            for (std::size_t i = 0; i < a.spheres.len(); ++i)
                if (b.spheres.any_collides_sphere_f32x8(a.spheres.get(i))) return true;
        for (std::size_t i = 0; i < b.spheres.len(); ++i)
            if (query_collider(b.spheres.get(i), a)) return true;
    }
    if (b.holds(bit::points))
        for (const Point& p : b.points.items())
            if (query_collider(Sphere{p.p, 0.0f}, a)) return true;
    return (b.holds(bit::capsules) && any_queries(b.capsules.items(), a)) ||
           (b.holds(bit::cuboids) && any_queries(b.cuboids.items(), a)) ||
           (b.holds(bit::cylinders) && any_queries(b.cylinders.items(), a)) ||
           (b.holds(bit::segments) && any_queries(b.segments.items(), a)) ||
           (b.holds(bit::polygons) && any_queries(b.polygons.items(), a)) ||
           (b.holds(bit::polytopes) && any_queries(b.polytopes.items(), a));
}

// The items of `lanes` (lane i the bounding sphere of item i, as `item(i)` gives it) that the
// grid says may reach some receiver item, asked of the receiver.
template <class PCL, class Item>
bool near_lanes_hit(const SpheresSoA& lanes, const ReachGrid& grid, const Collider<PCL>& a, const Item& item) {
    return grid.any_near(lanes, [&](std::size_t i) { return query_collider(item(i), a); });
}

template <class PCL, class T>
bool near_items_hit(const BroadCollection<T>& group, const ReachGrid& grid, const Collider<PCL>& a) {
    const std::span<const T> items = group.items();
    return near_lanes_hit(group.bounds(), grid, a, [&](std::size_t i) -> const T& { return items[i]; });
}

// The bounded items of `other` whose bounding spheres may reach one of the receiver's, asked of
// the receiver; the others cannot touch it. Every query of a bounded item meets the receiver's
// bounded items only through their bounding spheres or through pair tests of shapes inside them
// (whose rounding the grid's margin covers), so leaving out the rest changes no answer. Asking
// the balls one by one also answers every ball-against-ball pair.
template <class PCL>
bool near_bounded_items_hit(const Collider<PCL>& a, const Collider<PCL>& b, const ReachGrid& grid) {
    namespace bit = group_bit;
    const SpheresSoA& balls = b.spheres;
    const std::span<const Point> points = b.points.items();
    return (b.holds(bit::spheres) && near_lanes_hit(balls, grid, a, [&](std::size_t i) { return balls.get(i); })) ||
           (b.holds(bit::points) &&
            near_lanes_hit(b.points.bounds(), grid, a, [&](std::size_t i) { return Sphere{points[i].p, 0.0f}; })) ||
           (b.holds(bit::capsules) && near_items_hit(b.capsules, grid, a)) ||
           (b.holds(bit::cuboids) && near_items_hit(b.cuboids, grid, a)) ||
           (b.holds(bit::cylinders) && near_items_hit(b.cylinders, grid, a)) ||
           (b.holds(bit::segments) && near_items_hit(b.segments, grid, a)) ||
           (b.holds(bit::polygons) && near_items_hit(b.polygons, grid, a)) ||
           (b.holds(bit::polytopes) && near_items_hit(b.polytopes, grid, a));
}

// The grid of the receiver's item spheres, when it can stand for them: a receiver holding a plane,
// line or ray reaches past any grid, and one holding a sphere that is not ordinary has none. Built
// here only when the receiver keeps none that marks all its lanes.
template <class PCL>
bool fit_grid(const Collider<PCL>& a, const Collider<PCL>& b, ReachGrid& grid) {
    if (a.holds(group_bit::unbounded)) return false;
    return grid.build(a.bounding_sphere, b.bounding_sphere, item_sphere_sets(a));
}

template <class PCL>
bool bounded_items_hit(const Collider<PCL>& a, const Collider<PCL>& b) {
    if (!a.holds(group_bit::unbounded))
        if (const ReachGrid* held = a.reach.marking(item_sphere_count(a))) return near_bounded_items_hit(a, b, *held);
    ReachGrid grid;
    return fit_grid(a, b, grid) ? near_bounded_items_hit(a, b, grid) : each_bounded_item_hits(a, b);
}

}  // namespace

template <class PCL>
bool collides_other(const Collider<PCL>& receiver, const Collider<PCL>& other) {
    namespace bit = group_bit;
    const Collider<PCL>&a = receiver, &b = other;
    if (a.mask == 0 || b.mask == 0) return false;
    if (!bounds_meet(a, b)) return false;
    if (std::popcount(a.mask) > 1 || std::popcount(b.mask) > 1) {
        if (!broad_overlaps_any(b, a.bounding_sphere) && !broad_overlaps_any(a, b.bounding_sphere)) return false;
    }
    if (b.holds(bit::bounded_items) && bounded_items_hit(a, b)) return true;
    if (b.holds(bit::planes) && any_queries(std::span<const Plane>(b.planes), a)) return true;
    if (b.holds(bit::lines) && any_queries(std::span<const Line>(b.lines), a)) return true;
    if (b.holds(bit::rays) && any_queries(std::span<const Ray>(b.rays), a)) return true;
    if constexpr (!std::is_same_v<PCL, NoPcl>)
        if (b.holds(bit::pointclouds))
            for (const Pointcloud& cloud : b.pointclouds.items())
                if (run(CloudMember{cloud}, a)) return true;
    return false;
}

#define TRELK_PAIR_INSTANCE(PCL) template bool collides_other(const Collider<PCL>&, const Collider<PCL>&);
TRELK_FOR_EACH_PCL(TRELK_PAIR_INSTANCE)

}  // namespace trelk
