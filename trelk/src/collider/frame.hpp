// The frame every collider query shares: groups visited in a fixed order (only those whose mask bit
// is set), cheap rejections over each group's bounding-sphere lanes, and the first colliding item
// ending the query. A member (one per query kind) supplies one test per group; the frame decides
// the order and nothing else, so the answer is true exactly when some held item collides.
//
// Pre-tests over the lanes of a group's bounds (each lane the bounding sphere of one item):
//   group_may_hit   one eight-lane scan against the query's bounding sphere decides whether any
//                   item of the group is tested at all;
//   any_by_blocks   items in blocks of eight: the block's eight lanes (first four, then the other
//                   four) must pass a lane test before its items face the exact test; the last
//                   len mod 8 items face it one by one;
//   any_lane        the exact test itself runs on the lanes, eight per step over the whole stride
//                   (spare lanes fail by their NaN radius).
// None of them allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "broad_collection.hpp"
#include "collider/collider.hpp"
#include "lanes.hpp"
#include "simd/f32x4.hpp"
#include "soa.hpp"

namespace trelk::collider_frame {

using lanes::V3;
using simd::F32x4;
using simd::Mask4;

// Four lanes of a sphere set: centres and radii.
struct SphereLanes {
    V3<F32x4> c;
    F32x4 r;
};
inline SphereLanes load_lanes(const SpheresSoA& s, std::size_t i) {
    return {{F32x4::loadu(s.x().data() + i), F32x4::loadu(s.y().data() + i), F32x4::loadu(s.z().data() + i)},
            F32x4::loadu(s.r().data() + i)};
}

// The lane passes when its sphere overlaps or touches the query sphere.
inline Mask4 overlaps(const SphereLanes& l, const Sphere& q) {
    const F32x4 dx = l.c.x - F32x4::splat(q.center.x), dy = l.c.y - F32x4::splat(q.center.y),
                dz = l.c.z - F32x4::splat(q.center.z);
    const F32x4 reach = F32x4::splat(q.radius) + l.r;
    return simd::native::le((dx * dx + dy * dy) + dz * dz, reach * reach);
}

// Two spheres are apart (neither overlapping nor touching); a NaN never makes them apart.
inline bool apart(const Sphere& a, const Sphere& b) {
    const Vec3 d = a.center - b.center;
    const float reach = a.radius + b.radius;
    return (d.x * d.x + d.y * d.y) + d.z * d.z > reach * reach;
}

// `test(SphereLanes) -> Mask4` on every lane of the set, eight per step as two halves.
template <class LaneTest>
bool any_lane(const SpheresSoA& s, const LaneTest& test) {
    for (std::size_t i = 0, n = s.stride(); i < n; i += 8) {
        if (simd::native::any(test(load_lanes(s, i)))) return true;
        if (simd::native::any(test(load_lanes(s, i + 4)))) return true;
    }
    return false;
}

inline bool group_may_hit(const SpheresSoA& bounds, const Sphere& query) {
    return !bounds.is_empty() && bounds.any_collides_sphere_f32x8(query);
}

template <class T, class Exact>
bool any_item(std::span<const T> items, const Exact& exact) {
    for (const T& item : items)
        if (exact(item)) return true;
    return false;
}

// The group's items behind its group pre-test.
template <class T, class Exact>
bool any_item_near(const BroadCollection<T>& group, const Sphere& query, const Exact& exact) {
    return group_may_hit(group.bounds(), query) && any_item(group.items(), exact);
}

// The same, each item also skipped when its own lane is apart from the query. Groups whose exact
// test can accept a shape beyond the item's bounding sphere (the face-plane tests of polytopes
// reach past edges and corners) use this form, so that whether a pair collides never depends on
// the other items of the group.
template <class T, class Exact>
bool any_item_near_each(const BroadCollection<T>& group, const Sphere& query, const Exact& exact) {
    if (!group_may_hit(group.bounds(), query)) return false;
    const std::span<const T> items = group.items();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!apart(group.bounds().get(i), query) && exact(items[i])) return true;
    return false;
}

// Blocks of eight items behind `pass(SphereLanes) -> Mask4`; `block` tests the items of a block
// that passed, `tail` the last len mod 8 items.
template <class T, class LanePass, class ExactBlock, class ExactTail>
bool any_by_blocks(const BroadCollection<T>& group, const LanePass& pass, const ExactBlock& block,
                   const ExactTail& tail) {
    const std::span<const T> items = group.items();
    const SpheresSoA& bounds = group.bounds();
    const std::size_t full = items.size() / 8 * 8;
    for (std::size_t k = 0; k < full; k += 8) {
        if (!simd::native::any(pass(load_lanes(bounds, k))) && !simd::native::any(pass(load_lanes(bounds, k + 4))))
            continue;
        for (std::size_t j = k; j < k + 8; ++j)
            if (block(items[j])) return true;
    }
    for (std::size_t j = full; j < items.size(); ++j)
        if (tail(items[j])) return true;
    return false;
}

template <class T, class LanePass, class Exact>
bool any_by_blocks(const BroadCollection<T>& group, const LanePass& pass, const Exact& exact) {
    return any_by_blocks(group, pass, exact, exact);
}

// Groups in visiting order; each only when its bit is set. The member's point-cloud test is asked
// only of colliders that can hold clouds.
template <class Member, class PCL>
bool run(const Member& m, const Collider<PCL>& c) {
    namespace bit = group_bit;
    if (c.mask == 0) return false;
    if (c.holds(bit::spheres) && m.spheres(c.spheres)) return true;
    if (c.holds(bit::points) && m.points(c.points)) return true;
    if (c.holds(bit::capsules) && m.capsules(c.capsules)) return true;
    if (c.holds(bit::cuboids) && m.cuboids(c.cuboids)) return true;
    if (c.holds(bit::cylinders) && m.cylinders(c.cylinders)) return true;
    if (c.holds(bit::segments) && m.segments(c.segments)) return true;
    if (c.holds(bit::polygons) && m.polygons(c.polygons)) return true;
    if (c.holds(bit::polytopes) && m.polytopes(c.polytopes)) return true;
    if (c.holds(bit::planes) && m.planes(std::span<const Plane>(c.planes))) return true;
    if (c.holds(bit::lines) && m.lines(std::span<const Line>(c.lines))) return true;
    if (c.holds(bit::rays) && m.rays(std::span<const Ray>(c.rays))) return true;
    if constexpr (!std::is_same_v<PCL, NoPcl>)
        if (c.holds(bit::pointclouds) && m.pointclouds(c.pointclouds)) return true;
    return false;
}

}  // namespace trelk::collider_frame
