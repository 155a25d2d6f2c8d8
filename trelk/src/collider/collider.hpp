// A composite collision object: any number of shapes of every kind, kept in twelve groups, one per
// kind, so that a query visits one kind at a time with the test made for it.
//
// Beside the groups a collider keeps a 16-bit mask (bit k set while group k is non-empty), a
// bounding sphere that encloses the bounding sphere of every bounded item (while a plane, line or
// ray is held its radius is +inf) and, while it holds no plane, line or ray, a reach grid of its
// item spheres (collider/held_grid.hpp). The groups are filled only through add() (or built whole
// by from_groups()), which keep the summaries in step; nothing removes an item.
//
// add() and include() are all or nothing: every allocation comes first, and the summaries change
// only once the items are in. A failed allocation throws std::bad_alloc and leaves the collider
// exactly as it was.
//
// PCL is the point-cloud kind: Pointcloud, or NoPcl for a collider that never holds clouds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <utility>
#include <vector>

#include "broad_collection.hpp"
#include "capsule.hpp"
#include "collider/bounding.hpp"
#include "collider/held_grid.hpp"
#include "collider/record.hpp"
#include "convex_polytope/heap.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "point.hpp"
#include "pointcloud/no_pcl.hpp"
#include "soa.hpp"
#include "sphere.hpp"
#include "util.hpp"

namespace trelk {

// Mask bits, in the declared order of the groups.
namespace group_bit {
inline constexpr std::uint16_t capsules = 0x1;
inline constexpr std::uint16_t cuboids = 0x2;
inline constexpr std::uint16_t cylinders = 0x4;
inline constexpr std::uint16_t planes = 0x8;
inline constexpr std::uint16_t polygons = 0x10;
inline constexpr std::uint16_t polytopes = 0x20;
inline constexpr std::uint16_t points = 0x40;
inline constexpr std::uint16_t spheres = 0x80;
inline constexpr std::uint16_t lines = 0x100;
inline constexpr std::uint16_t rays = 0x200;
inline constexpr std::uint16_t segments = 0x400;
inline constexpr std::uint16_t pointclouds = 0x800;
// The kinds without a bounding sphere.
inline constexpr std::uint16_t unbounded = planes | lines | rays;
// The kinds with one, point clouds aside.
inline constexpr std::uint16_t bounded_items = spheres | points | capsules | cuboids | cylinders | segments | polygons | polytopes;
}  // namespace group_bit

template <class PCL>
struct Collider {
    BroadCollection<Capsule> capsules;
    BroadCollection<Cuboid> cuboids;
    BroadCollection<Cylinder> cylinders;
    std::vector<Plane> planes;
    BroadCollection<ConvexPolygon> polygons;
    BroadCollection<ConvexPolytope> polytopes;
    BroadCollection<Point> points;
    SpheresSoA spheres;
    std::vector<Line> lines;
    std::vector<Ray> rays;
    BroadCollection<LineSegment> segments;
    BroadCollection<PCL> pointclouds;
    Sphere bounding_sphere;  // all zero while empty
    std::uint16_t mask = 0;
    HeldGrid reach;  // none while a plane, line or ray is held

    bool holds(std::uint16_t bits) const { return (mask & bits) != 0; }

    // Stored form (collider/record.hpp). Reading refuses a damaged sphere set before use, builds
    // every bounds lane from its item and settles the mask and the bounding sphere.
    using Stored = ColliderRecord<PCL>;
    ColliderRecordView<PCL> stored_view() const;
    static Collider from_stored(ColliderRecord<PCL>&& record);
};

// The group that holds items of kind T, and its mask bit.
template <class T, class C>
auto& group_of(C& c) {
    if constexpr (std::is_same_v<T, Capsule>) return c.capsules;
    else if constexpr (std::is_same_v<T, Cuboid>) return c.cuboids;
    else if constexpr (std::is_same_v<T, Cylinder>) return c.cylinders;
    else if constexpr (std::is_same_v<T, Plane>) return c.planes;
    else if constexpr (std::is_same_v<T, ConvexPolygon>) return c.polygons;
    else if constexpr (std::is_same_v<T, ConvexPolytope>) return c.polytopes;
    else if constexpr (std::is_same_v<T, Point>) return c.points;
    else if constexpr (std::is_same_v<T, Sphere>) return c.spheres;
    else if constexpr (std::is_same_v<T, Line>) return c.lines;
    else if constexpr (std::is_same_v<T, Ray>) return c.rays;
    else if constexpr (std::is_same_v<T, LineSegment>) return c.segments;
    else return c.pointclouds;
}

template <class T>
inline constexpr std::uint16_t bit_of = std::is_same_v<T, Capsule>         ? group_bit::capsules
                                        : std::is_same_v<T, Cuboid>        ? group_bit::cuboids
                                        : std::is_same_v<T, Cylinder>      ? group_bit::cylinders
                                        : std::is_same_v<T, Plane>         ? group_bit::planes
                                        : std::is_same_v<T, ConvexPolygon> ? group_bit::polygons
                                        : std::is_same_v<T, ConvexPolytope> ? group_bit::polytopes
                                        : std::is_same_v<T, Point>         ? group_bit::points
                                        : std::is_same_v<T, Sphere>        ? group_bit::spheres
                                        : std::is_same_v<T, Line>          ? group_bit::lines
                                        : std::is_same_v<T, Ray>           ? group_bit::rays
                                        : std::is_same_v<T, LineSegment>   ? group_bit::segments
                                                                           : group_bit::pointclouds;

template <class T>
inline constexpr bool is_unbounded_kind = (bit_of<T> & group_bit::unbounded) != 0;

// Appends the item to its group (and its bounding sphere to the group's lanes) without touching
// the mask, the collider's bounding sphere or its reach grid (which then no longer marks every
// lane, so queries leave it aside); from_groups() or add() settle those.
template <class PCL, class T>
void place(Collider<PCL>& c, T item) {
    auto& group = group_of<T>(c);
    if constexpr (std::is_same_v<T, Sphere>)
        group.push(item);
    else if constexpr (is_unbounded_kind<T>)
        group.push_back(std::move(item));
    else
        group.push(std::move(item));
}

// Is the collider's bound yet to be set, so that the next bound merged in replaces it instead of
// growing it? While the collider is empty, and while a NaN item spoilt the bound with no plane,
// line or ray held (their +inf radius must stay).
template <class PCL>
bool bound_unset(const Collider<PCL>& c) {
    return c.mask == 0 || (has_nan(c.bounding_sphere) && !c.holds(group_bit::unbounded));
}

// Adds one shape: the bounding sphere grows to hold the item's sphere (the first item of an empty
// collider sets it, whatever its sphere, so a point at the origin is not lost; an unbounded kind
// makes the radius +inf), the item joins its group and the group's bit is set. A bound spoilt by a
// NaN item is replaced by the next item's sphere, but never once a plane, line or ray has made it
// infinite: that radius must stay +inf. The item's sphere is marked in the reach grid. Only
// place() allocates.
template <class PCL, class T>
void add(Collider<PCL>& c, T item) {
    if constexpr (is_unbounded_kind<T>) {
        place(c, std::move(item));
        c.bounding_sphere.radius = INF;
        c.mask |= bit_of<T>;
        c.reach.drop();
    } else {
        const Sphere s = broadphase(item);
        Sphere bound = c.bounding_sphere;
        if (bound_unset(c))
            bound = s;
        else
            grow_bounding_sphere(bound, s);
        const std::array<const SpheresSoA*, 9> sets = item_sphere_sets(c);
        std::array<std::size_t, 9> before;
        for (std::size_t k = 0; k < sets.size(); ++k) before[k] = sets[k]->len();
        place(c, std::move(item));
        c.bounding_sphere = bound;
        c.mask |= bit_of<T>;
        if (!c.holds(group_bit::unbounded)) c.reach.appended(sets, before);
    }
}

// Moves everything `other` holds after this collider's own items, group by group (lanes as whole
// blocks), and merges the two summaries: the masks are joined; an infinite bound of `other` makes
// the radius +inf; otherwise a collider whose bound is unset (bound_unset) takes other's
// bound, and any other grows over it. `other`'s bound is merged even when it holds nothing. Other's
// item spheres are marked in the reach grid.
template <class PCL>
void include(Collider<PCL>& c, Collider<PCL>&& other);

// The sphere sets of the bounded groups (each lane the sphere of one item), in the order spheres,
// capsules, cuboids, cylinders, polytopes, polygons, points, segments, pointclouds.
template <class PCL>
std::array<const SpheresSoA*, 9> item_sphere_sets(const Collider<PCL>& c) {
    return {&c.spheres,          &c.capsules.bounds(), &c.cuboids.bounds(),
            &c.cylinders.bounds(), &c.polytopes.bounds(), &c.polygons.bounds(),
            &c.points.bounds(),    &c.segments.bounds(),  &c.pointclouds.bounds()};
}

template <class PCL>
std::size_t item_sphere_count(const Collider<PCL>& c) {
    std::size_t n = 0;
    for (const SpheresSoA* lanes : item_sphere_sets(c)) n += lanes->len();
    return n;
}

// Calls take(s) for every item sphere, in the order of item_sphere_sets.
template <class PCL, class Take>
void for_each_item_sphere(const Collider<PCL>& c, const Take& take) {
    for (const SpheresSoA* lanes : item_sphere_sets(c))
        for (std::size_t i = 0; i < lanes->len(); ++i) take(lanes->get(i));
}

// Fits the reach grid to the collider's item spheres afresh, or drops it while a plane, line or
// ray is held or nothing is.
template <class PCL>
void refit_grid(Collider<PCL>& c) {
    if (c.mask == 0 || c.holds(group_bit::unbounded))
        c.reach.drop();
    else
        c.reach.refit(item_sphere_sets(c));
}

// Settles the mask and the bounding sphere of a collider whose groups were filled by place():
// mask bits from the non-empty groups; the bounding sphere (0, 0, 0, +inf) when a plane, line or
// ray is held, else the fold of every item sphere in the order of for_each_item_sphere (all zero
// when there is none); the reach grid fitted afresh.
template <class PCL>
void settle(Collider<PCL>& c);

template <class PCL>
Collider<PCL> from_groups(Collider<PCL> groups) {
    settle(groups);
    return groups;
}

// Does the query sphere touch the bounding sphere of some held item? Always true while a plane,
// line or ray is held; false for an empty collider.
template <class PCL>
bool broad_overlaps_any(const Collider<PCL>& c, const Sphere& query);

}  // namespace trelk
