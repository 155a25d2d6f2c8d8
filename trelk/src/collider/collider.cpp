#include "collider/collider.hpp"

#include "collider/instances.hpp"

#include <iterator>
#include <vector>

#include "growth.hpp"

namespace trelk {

template <class PCL>
void settle(Collider<PCL>& c) {
    namespace bit = group_bit;
    std::uint16_t mask = 0;
    auto mark = [&](bool non_empty, std::uint16_t b) { mask |= non_empty ? b : 0; };
    mark(!c.capsules.empty(), bit::capsules);
    mark(!c.cuboids.empty(), bit::cuboids);
    mark(!c.cylinders.empty(), bit::cylinders);
    mark(!c.planes.empty(), bit::planes);
    mark(!c.polygons.empty(), bit::polygons);
    mark(!c.polytopes.empty(), bit::polytopes);
    mark(!c.points.empty(), bit::points);
    mark(!c.spheres.is_empty(), bit::spheres);
    mark(!c.lines.empty(), bit::lines);
    mark(!c.rays.empty(), bit::rays);
    mark(!c.segments.empty(), bit::segments);
    mark(!c.pointclouds.empty(), bit::pointclouds);
    c.mask = mask;
    refit_grid(c);

    if (mask & bit::unbounded) {
        c.bounding_sphere = {{0.0f, 0.0f, 0.0f}, INF};
        return;
    }
    BoundFold fold;
    for_each_item_sphere(c, [&](const Sphere& s) { fold.take(s); });
    c.bounding_sphere = fold.bound();
}

template <class PCL>
bool broad_overlaps_any(const Collider<PCL>& c, const Sphere& query) {
    namespace bit = group_bit;
    if (c.mask == 0) return false;
    if (c.holds(bit::unbounded)) return true;
    auto asks = [&](std::uint16_t b, const SpheresSoA& lanes) {
        return c.holds(b) && !lanes.is_empty() && lanes.any_collides_sphere_f32x8(query);
    };
    return asks(bit::spheres, c.spheres) || asks(bit::capsules, c.capsules.bounds()) ||
           asks(bit::cuboids, c.cuboids.bounds()) || asks(bit::cylinders, c.cylinders.bounds()) ||
           asks(bit::polygons, c.polygons.bounds()) || asks(bit::polytopes, c.polytopes.bounds()) ||
           asks(bit::points, c.points.bounds()) || asks(bit::segments, c.segments.bounds()) ||
           asks(bit::pointclouds, c.pointclouds.bounds());
}

namespace {

// Room in one group for the items of another of the same kind.
template <class T>
void make_room_for(std::vector<T>& to, const std::vector<T>& from) {
    make_room(to, to.size() + from.size());
}
template <class T>
void make_room_for(BroadCollection<T>& to, const BroadCollection<T>& from) {
    to.reserve(from.size());
}
void make_room_for(SpheresSoA& to, const SpheresSoA& from) { to.reserve(from.len()); }

// Moves the items of one group after another's; with room made first this cannot fail.
template <class T>
void move_after(std::vector<T>& to, std::vector<T>& from) {
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    from.clear();
}
template <class T>
void move_after(BroadCollection<T>& to, BroadCollection<T>& from) {
    to.append(std::move(from));
}
void move_after(SpheresSoA& to, SpheresSoA& from) { to.append(from); }

// Calls f(c's group, other's group) for every kind.
template <class PCL, class F>
void for_each_group_pair(Collider<PCL>& c, Collider<PCL>& other, const F& f) {
    f(c.capsules, other.capsules);
    f(c.cuboids, other.cuboids);
    f(c.cylinders, other.cylinders);
    f(c.planes, other.planes);
    f(c.polygons, other.polygons);
    f(c.polytopes, other.polytopes);
    f(c.points, other.points);
    f(c.spheres, other.spheres);
    f(c.lines, other.lines);
    f(c.rays, other.rays);
    f(c.segments, other.segments);
    f(c.pointclouds, other.pointclouds);
}

}  // namespace

// Room in every group first: a failure there leaves both colliders as they were, and nothing
// after it allocates.
template <class PCL>
void include(Collider<PCL>& c, Collider<PCL>&& other) {
    for_each_group_pair(c, other, [](auto& to, const auto& from) { make_room_for(to, from); });
    const bool no_bound_yet = bound_unset(c);
    const std::array<const SpheresSoA*, 9> sets = item_sphere_sets(c);
    std::array<std::size_t, 9> before;
    for (std::size_t k = 0; k < sets.size(); ++k) before[k] = sets[k]->len();
    for_each_group_pair(c, other, [](auto& to, auto& from) { move_after(to, from); });
    c.mask |= other.mask;
    if (c.mask == 0 || c.holds(group_bit::unbounded))
        c.reach.drop();
    else
        c.reach.appended(sets, before);

    const Sphere& b = other.bounding_sphere;
    if (b.radius == INF)
        c.bounding_sphere.radius = INF;
    else if (no_bound_yet)
        c.bounding_sphere = b;
    else
        grow_bounding_sphere(c.bounding_sphere, b);
}

#define TRELK_COLLIDER_INSTANCE(PCL)                                     \
    template void settle(Collider<PCL>&);                                \
    template void include(Collider<PCL>&, Collider<PCL>&&);              \
    template bool broad_overlaps_any(const Collider<PCL>&, const Sphere&);
TRELK_FOR_EACH_PCL(TRELK_COLLIDER_INSTANCE)

}  // namespace trelk
