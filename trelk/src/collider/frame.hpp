// The frame every collider query shares: groups visited in a fixed order (only those whose mask bit
// is set), cheap rejections over each group's bounding-sphere lanes, and the first colliding item
// ending the query. A member (one per query kind) supplies one test per group; the frame decides
// the order and nothing else, so the answer is true exactly when some held item collides.
//
// Pre-tests over the lanes of a group's bounds (each lane the bounding sphere of one item):
//   any_item_near   eight lanes per step against the query's bounding sphere; only items whose
//                   lane meets it face the exact test;
//   any_by_blocks   items in blocks of eight behind a lane test of the member's own (the items of
//                   passing lanes face the exact test); the last len mod 8 items face it one by
//                   one;
//   any_lane        the exact test itself runs on the lanes, eight per step over the whole stride
//                   (spare lanes fail by their NaN radius);
//   group_may_hit   one eight-lane scan deciding whether a group is looked at at all.
// Scans behind a ball (the query's bounding sphere) take only the blocks of eight lanes that the
// set's block grid says the ball may reach; the others have no lane that meets it, so skipping them
// changes no answer and no exact test. None of them allocates.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "broad_collection.hpp"
#include "collider/collider.hpp"
#include "collider/instances.hpp"
#include "collider/query.hpp"
#include "lanes.hpp"
#include "simd/f32x4.hpp"
#include "soa.hpp"

namespace trelk::collider_frame {

using lanes::V3;
using simd::F32x4;
using simd::Mask4;

// The four planes of a sphere set, read in place.
struct Planes {
    const float *x, *y, *z, *r;
    std::size_t stride;
};
inline Planes planes_of(const SpheresSoA& s) {
    return {s.x().data(), s.y().data(), s.z().data(), s.r().data(), s.stride()};
}

// Four lanes of a sphere set: centres and radii.
struct SphereLanes {
    V3<F32x4> c;
    F32x4 r;
};
inline SphereLanes load_lanes(const Planes& p, std::size_t i) {
    return {{F32x4::loadu(p.x + i), F32x4::loadu(p.y + i), F32x4::loadu(p.z + i)}, F32x4::loadu(p.r + i)};
}

// A query's bounding sphere with its box for the block grids, worked out once per query.
struct Ball {
    Sphere sphere;
    BallBox box;
    Ball(const Sphere& s) : sphere(s), box(s) {}  // implicit: where a query passes its sphere
};

// A ball spread over four lanes; a lane passes when its sphere overlaps or touches it.
struct BallLanes {
    BallBox box;
    F32x4 x, y, z, r;
    explicit BallLanes(const Ball& b)
        : box(b.box), x(F32x4::splat(b.sphere.center.x)), y(F32x4::splat(b.sphere.center.y)),
          z(F32x4::splat(b.sphere.center.z)), r(F32x4::splat(b.sphere.radius)) {}
    Mask4 operator()(const SphereLanes& l) const {
        const F32x4 dx = l.c.x - x, dy = l.c.y - y, dz = l.c.z - z;
        const F32x4 reach = r + l.r;
        return simd::native::le((dx * dx + dy * dy) + dz * dz, reach * reach);
    }
};

// `test(SphereLanes) -> Mask4` on every lane of the set, eight per step as two halves.
template <class LaneTest>
bool any_lane(const SpheresSoA& s, const LaneTest& test) {
    const Planes p = planes_of(s);
    for (std::size_t i = 0; i < p.stride; i += 8) {
        if (simd::native::any(test(load_lanes(p, i)))) return true;
        if (simd::native::any(test(load_lanes(p, i + 4)))) return true;
    }
    return false;
}

inline bool group_may_hit(const SpheresSoA& bounds, const Ball& query) {
    return !bounds.is_empty() && bounds.any_collides_sphere_f32x8(query.sphere, query.box);
}

// The lanes k .. k + 7 that pass, as bits 0 .. 7.
template <class LanePass>
[[gnu::always_inline]] inline unsigned passing_lanes(const Planes& p, std::size_t k, const LanePass& pass) {
    return unsigned(simd::native::movemask(pass(load_lanes(p, k)))) |
           unsigned(simd::native::movemask(pass(load_lanes(p, k + 4)))) << 4;
}

// The exact lane test behind the query's bounding sphere: eight lanes per step meet the sphere
// first, and only a step where some lane does runs `test` (whose hits are kept where the sphere
// met). For shapes inside their bounding sphere this gives the answer of any_lane at less cost.
template <class LaneTest>
bool any_lane_near(const SpheresSoA& s, const Ball& bound, const LaneTest& test) {
    const Planes p = planes_of(s);
    const BallLanes meets(bound);
    return s.any_block_near(bound.box, [&](std::size_t block) {
        const std::size_t i = 8 * block;
        const unsigned bits = passing_lanes(p, i, meets);
        if (bits == 0) return false;
        const unsigned hits = unsigned(simd::native::movemask(test(load_lanes(p, i)))) |
                              unsigned(simd::native::movemask(test(load_lanes(p, i + 4)))) << 4;
        return (hits & bits) != 0;
    });
}

// `exact(items[i])` for each item whose lane bit is set in `bits`, lowest first.
template <class T, class Exact>
bool any_marked(std::span<const T> items, std::size_t k, unsigned bits, const Exact& exact) {
    for (; bits != 0; bits &= bits - 1) {
        const std::size_t i = k + std::size_t(std::countr_zero(bits));
        if (i < items.size() && exact(items[i])) return true;
    }
    return false;
}

template <class T, class Exact>
bool any_item(std::span<const T> items, const Exact& exact) {
    for (const T& item : items)
        if (exact(item)) return true;
    return false;
}

// The group's items behind their own lanes: eight lanes per step are tested against the query's
// bounding sphere, and only items whose lane meets it face the exact test. A group whose lanes all
// miss costs one pass over its lanes. Taking each item's own lane (rather than letting one
// overlapping lane admit the whole group) never changes an answer, since every item lies inside its
// lane; it spares exact tests, and it keeps the answer for a pair independent of the other items
// where an exact test reaches past the item's sphere (the face-plane tests of polytopes accept
// shapes beyond edges and corners).
template <class T, class Exact>
bool any_item_near(const BroadCollection<T>& group, const Ball& query, const Exact& exact) {
    const Planes p = planes_of(group.bounds());
    const BallLanes meets(query);
    return group.bounds().any_block_near(query.box, [&](std::size_t block) {
        const std::size_t k = 8 * block;
        const unsigned bits = passing_lanes(p, k, meets);
        return bits && any_marked(group.items(), k, bits, exact);
    });
}

// Blocks of eight items behind `pass(SphereLanes) -> Mask4`: the items of a block whose lane
// passes face `block`; the last len mod 8 items face `tail` one by one with no lane test.
template <class T, class LanePass, class ExactBlock, class ExactTail>
bool any_by_blocks(const BroadCollection<T>& group, const LanePass& pass, const ExactBlock& block,
                   const ExactTail& tail) {
    const std::span<const T> items = group.items();
    const Planes p = planes_of(group.bounds());
    const std::size_t full = items.size() / 8 * 8;
    auto block_hits = [&](std::size_t k) {
        const unsigned bits = passing_lanes(p, k, pass);
        return bits && any_marked(items, k, bits, block);
    };
    if constexpr (std::is_same_v<LanePass, BallLanes>) {
        // Blocks the ball cannot reach pass no lane.
        if (group.bounds().any_block_near(pass.box, [&](std::size_t b) { return 8 * b < full && block_hits(8 * b); }))
            return true;
    } else {
        for (std::size_t k = 0; k < full; k += 8)
            if (block_hits(k)) return true;
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

// Defines query_collider for the query kind Shape as the frame run with Member, for every
// point-cloud kind. Used at namespace trelk scope.
#define TRELK_QUERY_INSTANCE(PCL, Shape) template bool query_collider(const Shape&, const Collider<PCL>&);
#define TRELK_QUERY_COLLIDER(Shape, Member)                      \
    template <class PCL>                                         \
    bool query_collider(const Shape& q, const Collider<PCL>& c) { \
        return collider_frame::run(Member{q}, c);                \
    }                                                            \
    TRELK_FOR_EACH_PCL(TRELK_QUERY_INSTANCE, Shape)
