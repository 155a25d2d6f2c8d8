// Collider structure: the bounding sphere as items arrive, mask bits, the broad overlap test, the
// settling of loaded and swept colliders, transforms that keep every bound enclosing its item, the
// sweep, and the stored record (exact bytes, round trip, refusals).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "collider/collider.hpp"
#include "collider/collider_pair.hpp"
#include "collider/refine.hpp"
#include "collider/stretch.hpp"
#include "collider/transform.hpp"
#include "collider_scenes.hpp"
#include "pickle_expect.hpp"
#include "pickle/pickle.hpp"
#include "pickle/record.hpp"

namespace {

using namespace trelk;
namespace qp = quorix::pickle;
using pickle_expect::Bytes;
using pickle_expect::Expect;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

void expect_sphere(const Sphere& got, Vec3 c, float r) {
    EXPECT_EQ(got.center.x, c.x);
    EXPECT_EQ(got.center.y, c.y);
    EXPECT_EQ(got.center.z, c.z);
    EXPECT_EQ(got.radius, r);
}

// ---- bounding sphere and mask while adding

struct GrowCase {
    const char* name;
    std::vector<Sphere> items;
    Vec3 center;
    float radius;
};

TEST(ColliderBound, GrowsAsBallsArrive) {
    const GrowCase cases[] = {
        {"first item sets it", {{{1, 2, 3}, 0.5f}}, {1, 2, 3}, 0.5f},
        {"two apart", {{{0, 0, 0}, 1}, {{4, 0, 0}, 1}}, {2, 0, 0}, 3},
        {"inside leaves it", {{{0, 0, 0}, 3}, {{1, 0, 0}, 1}}, {0, 0, 0}, 3},
        {"equal leaves it", {{{0, 0, 0}, 3}, {{0, 0, 0}, 3}}, {0, 0, 0}, 3},
        {"same centre larger", {{{0, 0, 0}, 1}, {{0, 0, 0}, 3}}, {0, 0, 0}, 3},
        {"enclosing replaces", {{{1, 0, 0}, 1}, {{0, 0, 0}, 5}}, {0, 0, 0}, 5},
        // A zero ball at the origin is an item like any other: the next item grows the bound
        // around it instead of replacing it.
        {"zero ball at origin kept", {{{0, 0, 0}, 0}, {{4, 0, 0}, 1}}, {2.5f, 0, 0}, 2.5f},
        {"NaN first is replaced", {{{kNaN, 0, 0}, 1}, {{4, 0, 0}, 1}}, {4, 0, 0}, 1},
        {"NaN later is ignored", {{{4, 0, 0}, 1}, {{0, 0, 0}, kNaN}}, {4, 0, 0}, 1},
        // Centres exactly EPS apart: the radius grows to (r + r' + d) / 2 but the centre stays.
        {"centres within EPS", {{{0, 0, 0}, 0x1p-22f}, {{0x1p-23f, 0, 0}, 0x1p-22f}}, {0, 0, 0}, 0x1.4p-22f},
    };
    for (const GrowCase& c : cases) {
        SCOPED_TRACE(c.name);
        Collider<NoPcl> col;
        for (const Sphere& s : c.items) add(col, s);
        expect_sphere(col.bounding_sphere, c.center, c.radius);
        EXPECT_EQ(col.mask, group_bit::spheres);
        EXPECT_EQ(col.spheres.len(), c.items.size());
    }
    // Just beyond EPS the centre moves towards the new item.
    Collider<NoPcl> beyond;
    add(beyond, Sphere{{0, 0, 0}, 0x1p-22f});
    add(beyond, Sphere{{std::nextafter(EPS, 1.0f), 0, 0}, 0x1p-22f});
    EXPECT_GT(beyond.bounding_sphere.center.x, 0.0f);
}

TEST(ColliderBound, PointAtOriginFirstIsNotLost) {
    Collider<NoPcl> c;
    add(c, Point{{0, 0, 0}});
    expect_sphere(c.bounding_sphere, {0, 0, 0}, 0);
    add(c, Sphere{{6, 0, 0}, 1});
    expect_sphere(c.bounding_sphere, {3.5f, 0, 0}, 3.5f);
    EXPECT_EQ(c.mask, group_bit::points | group_bit::spheres);
}

TEST(ColliderBound, UnboundedKindsMakeItInfinite) {
    Collider<NoPcl> c;
    add(c, Sphere{{0, 0, 0}, 1});
    add(c, Sphere{{4, 0, 0}, 1});
    add(c, Plane{{0, 0, 1}, 0});
    expect_sphere(c.bounding_sphere, {2, 0, 0}, INF);
    add(c, Sphere{{100, 0, 0}, 1});
    expect_sphere(c.bounding_sphere, {2, 0, 0}, INF);
    EXPECT_EQ(c.mask, 0x88);
    // Settled afresh (as loading does) the centre of an infinite bound is the origin.
    expect_sphere(from_groups(c).bounding_sphere, {0, 0, 0}, INF);

    Collider<NoPcl> first_line;
    add(first_line, Line::make({5, 5, 5}, {1, 0, 0}));
    expect_sphere(first_line.bounding_sphere, {0, 0, 0}, INF);
    add(first_line, Sphere{{1, 1, 1}, 1});
    expect_sphere(first_line.bounding_sphere, {0, 0, 0}, INF);
}

TEST(ColliderBound, NaNFirstItemDoesNotUndoAnInfiniteBound) {
    // A NaN ball first, then a plane: the bound is infinite, and a later ball must not replace it.
    Collider<NoPcl> c;
    add(c, Sphere{{kNaN, 0, 0}, 1});
    add(c, Plane{{0, 0, 1}, 0});
    add(c, Sphere{{1, 0, 0}, 1});
    EXPECT_EQ(c.bounding_sphere.radius, INF);
    // So a collider far away inside the half-space still meets it.
    Collider<NoPcl> far;
    add(far, Sphere{{100, 0, -5}, 1});
    EXPECT_TRUE(collides_other(c, far));
    EXPECT_TRUE(collides_other(far, c));

    // Without an unbounded kind the next item's sphere still replaces a NaN bound.
    Collider<NoPcl> plain;
    add(plain, Sphere{{kNaN, 0, 0}, 1});
    add(plain, Sphere{{1, 0, 0}, 1});
    expect_sphere(plain.bounding_sphere, {1, 0, 0}, 1);
}

template <class T>
void expect_first_item(const T& item, std::uint16_t bit, Sphere lane) {
    Collider<NoPcl> c;
    add(c, item);
    EXPECT_EQ(c.mask, bit);
    expect_sphere(c.bounding_sphere, lane.center, lane.radius);
    if constexpr (!std::is_same_v<T, Sphere>) {
        const SpheresSoA& bounds = group_of<T>(c).bounds();
        ASSERT_EQ(bounds.len(), 1u);
        expect_sphere(bounds.get(0), lane.center, lane.radius);
    }
}

TEST(ColliderBound, EachKindAddsItsLaneAndBit) {
    expect_first_item(Sphere{{1, 2, 3}, 4}, 0x80, {{1, 2, 3}, 4});
    expect_first_item(Point{{1, 2, 3}}, 0x40, {{1, 2, 3}, 0});
    // The length of a z-aligned core is |dir.z|.
    expect_first_item(Capsule::make({0, 0, 1}, {0, 0, -4}, 0.5f), 0x1, {{0, 0, -1}, 2.5f});
    expect_first_item(Capsule::make({0, 0, 0}, {3, 4, 0}, 1), 0x1, {{1.5f, 2, 0}, 3.5f});
    // A cylinder gets the capsule's sphere, not the tighter one.
    expect_first_item(Cylinder::make({1, 1, 1}, {0, 0, 2}, 1), 0x4, {{1, 1, 2}, 2});
    expect_first_item(Cuboid::aligned({1, 0, 0}, {1, 2, 2}), 0x2, {{1, 0, 0}, 3});
    expect_first_item(LineSegment::make({0, 0, 0}, {0, 6, 8}), 0x400, {{0, 3, 4}, 5});
    const ConvexPolygon tri = ConvexPolygon::make({1, 1, 1}, {0, 0, 1}, {{0, 0}, {3, 0}, {0, 4}});
    expect_first_item(tri, 0x10, {{1, 1, 1}, 4});
    const ConvexPolytope box = scenes::box_polytope(Cuboid::aligned({0, 0, 0}, {1, 2, 2}));
    expect_first_item(box, 0x20, broadphase(box));
    for (auto [item_bit, add_one] : {std::pair<std::uint16_t, void (*)(Collider<NoPcl>&)>{
                                         0x8, [](Collider<NoPcl>& c) { add(c, Plane{{0, 0, 1}, 0}); }},
                                     {0x100, [](Collider<NoPcl>& c) { add(c, Line::make({}, {1, 0, 0})); }},
                                     {0x200, [](Collider<NoPcl>& c) { add(c, Ray::make({}, {1, 0, 0})); }}}) {
        Collider<NoPcl> c;
        add_one(c);
        EXPECT_EQ(c.mask, item_bit);
        EXPECT_EQ(c.bounding_sphere.radius, INF);
    }
}

// ---- broad overlap

TEST(ColliderBroad, OverlapOfAnyBound) {
    Collider<NoPcl> empty;
    EXPECT_FALSE(broad_overlaps_any(empty, {{0, 0, 0}, 1e30f}));

    Collider<NoPcl> balls;
    add(balls, Sphere{{0, 0, 0}, 1});
    add(balls, Sphere{{10, 0, 0}, 1});
    EXPECT_TRUE(broad_overlaps_any(balls, {{12, 0, 0}, 1}));  // touching exactly
    EXPECT_FALSE(broad_overlaps_any(balls, {{12.001f, 0, 0}, 1}));
    EXPECT_FALSE(broad_overlaps_any(balls, {{5, 0, 0}, 3.9f}));

    Collider<NoPcl> with_segment = balls;
    add(with_segment, LineSegment::make({5, -4, 0}, {0, 8, 0}));
    EXPECT_TRUE(broad_overlaps_any(with_segment, {{5, 0, 0}, 0.5f}));

    Collider<NoPcl> with_line = balls;
    add(with_line, Line::make({0, 0, 0}, {1, 0, 0}));
    EXPECT_TRUE(broad_overlaps_any(with_line, {{1e6f, 1e6f, 0}, 0.001f}));
}

// ---- settling

TEST(ColliderSettle, FoldsItemSpheresInGroupOrder) {
    scenes::Generator g(3, false);
    for (int round = 0; round < 200; ++round) {
        scenes::Scene s = g.scene(20);
        s.planes.clear(), s.lines.clear(), s.rays.clear();
        const Collider<NoPcl> built = g.build<NoPcl>(s);
        const Collider<NoPcl> settled = from_groups(built);
        EXPECT_EQ(settled.mask, built.mask);
        BoundFold fold;
        for (const Sphere& b : s.spheres) fold.take(b);
        for (const auto& k : s.capsules) fold.take(broadphase(k));
        for (const auto& k : s.cuboids) fold.take(broadphase(k));
        for (const auto& k : s.cylinders) fold.take(broadphase(k));
        for (const auto& k : s.polytopes) fold.take(broadphase(k));  // polytopes before polygons
        for (const auto& k : s.polygons) fold.take(broadphase(k));
        for (const auto& k : s.points) fold.take(broadphase(k));
        for (const auto& k : s.segments) fold.take(broadphase(k));
        const Sphere want = fold.bound();
        expect_sphere(settled.bounding_sphere, want.center, want.radius);
    }
    expect_sphere(from_groups(Collider<NoPcl>{}).bounding_sphere, {0, 0, 0}, 0);
    EXPECT_EQ(from_groups(Collider<NoPcl>{}).mask, 0);
}

// Every lane is the bounding sphere of its item, and the collider's bound holds every lane.
void expect_sound_bounds(const Collider<NoPcl>& c) {
    auto lanes_match = [&](const auto& group) {
        for (std::size_t i = 0; i < group.size(); ++i) {
            const Sphere want = broadphase(group.items()[i]);
            expect_sphere(group.bounds().get(i), want.center, want.radius);
        }
    };
    lanes_match(c.capsules), lanes_match(c.cuboids), lanes_match(c.cylinders), lanes_match(c.polygons);
    lanes_match(c.polytopes), lanes_match(c.points), lanes_match(c.segments);
    if (c.holds(group_bit::unbounded)) {
        EXPECT_EQ(c.bounding_sphere.radius, INF);
        return;
    }
    auto inside = [&](const Sphere& s) {
        const float d = length(s.center - c.bounding_sphere.center);
        // The bound may fall short by less than EPS where the centres nearly coincide; allow the
        // rounding of the distance too.
        EXPECT_LE(d + s.radius, c.bounding_sphere.radius * (1 + 4 * EPS) + EPS);
    };
    for (std::size_t i = 0; i < c.spheres.len(); ++i) inside(c.spheres.get(i));
    auto group_inside = [&](const auto& group) {
        for (std::size_t i = 0; i < group.size(); ++i) inside(group.bounds().get(i));
    };
    group_inside(c.capsules), group_inside(c.cuboids), group_inside(c.cylinders), group_inside(c.polygons);
    group_inside(c.polytopes), group_inside(c.points), group_inside(c.segments);
}

TEST(ColliderTransform, BoundsFollowEveryChange) {
    scenes::Generator g(11, false);
    for (int round = 0; round < 300; ++round) {
        Collider<NoPcl> c = g.build<NoPcl>(g.scene(20));
        switch (round % 6) {
            case 0: scale(c, g.uniform(0.1f, 4.0f)); break;
            case 1: translate(c, g.point()); break;
            case 2: rotate_quat(c, Quat{0.0f, 1.2f, 0.0f, 1.6f}); break;  // length 2: also scales by 4
            case 3: rotate_mat(c, Mat3{{2, 0, 0}, {0, 1, 0}, {0, 0, 0.5f}}); break;
            case 4: transform(c, Affine3A{{{0, 3, 0}, {-3, 0, 0}, {0, 0, 3}}, g.point()}); break;
            default: scale(c, 0.0f); break;
        }
        expect_sound_bounds(c);
    }
}

TEST(ColliderTransform, ScaleRebuildsLanesAboutEachItemsOwnPoint) {
    Collider<NoPcl> c;
    add(c, Capsule::make({1, 0, 0}, {0, 0, 2}, 1));
    add(c, Sphere{{5, 0, 0}, 1});
    add(c, Cuboid::aligned({0, 5, 0}, {1, 2, 2}));
    add(c, scenes::box_polytope(Cuboid::aligned({0, 0, 10}, {1, 2, 2})));
    scale(c, 2);
    // The capsule grows about p1: its lane centre moves from (1, 0, 1) to (1, 0, 2).
    expect_sphere(c.capsules.bounds().get(0), {1, 0, 2}, 4);
    expect_sphere(c.spheres.get(0), {5, 0, 0}, 2);
    expect_sphere(c.cuboids.bounds().get(0), {0, 5, 0}, 6);
    // Polytopes scale about the origin.
    const Sphere poly = c.polytopes.bounds().get(0);
    EXPECT_NEAR(poly.center.z, 20, 1e-4);
    EXPECT_NEAR(poly.radius, 6, 1e-4);
    expect_sound_bounds(c);
}

TEST(ColliderTransform, TranslationMovesTheBoundCentre) {
    Collider<NoPcl> c;
    add(c, Sphere{{0, 0, 0}, 1});
    add(c, Sphere{{4, 0, 0}, 1});
    translate(c, {1, 2, 3});
    expect_sphere(c.bounding_sphere, {3, 2, 3}, 3);
    rotate_quat(c, Quat{0, 0, 0, 2});  // a pure scaling by 4
    expect_sphere(c.spheres.get(1), {20, 8, 12}, 1);
    expect_sound_bounds(c);
}

TEST(ColliderTransform, RefinedBoundHoldsEverything) {
    Collider<NoPcl> c;
    refine_bounding(c);
    expect_sphere(c.bounding_sphere, {0, 0, 0}, 0);
    add(c, Sphere{{1, 2, 3}, 0});
    refine_bounding(c);
    expect_sphere(c.bounding_sphere, {1, 2, 3}, 0);
    Collider<NoPcl> one;
    add(one, Sphere{{1, 2, 3}, 2});
    refine_bounding(one);
    EXPECT_NEAR(length(one.bounding_sphere.center - Vec3{1, 2, 3}), 0, 1e-5);
    EXPECT_NEAR(one.bounding_sphere.radius, 2, 1e-5);
    add(one, Ray::make({}, {1, 0, 0}));
    refine_bounding(one);
    expect_sphere(one.bounding_sphere, {0, 0, 0}, INF);

    scenes::Generator g(12, false);
    for (int round = 0; round < 100; ++round) {
        scenes::Scene s = g.scene(30);
        s.planes.clear(), s.lines.clear(), s.rays.clear();
        Collider<NoPcl> r = g.build<NoPcl>(s);
        refine_bounding(r);
        expect_sound_bounds(r);
    }
}

// ---- sweep

TEST(ColliderSweep, KindsAndBounds) {
    Collider<NoPcl> ball;
    add(ball, Sphere{{0, 0, 0}, 1});
    const auto swept = try_stretch(ball, {2, 0, 0});
    ASSERT_TRUE(swept);
    EXPECT_EQ(swept->mask, 0x1);
    ASSERT_EQ(swept->capsules.size(), 1u);
    const Capsule& k = swept->capsules.items()[0];
    EXPECT_EQ(k.p1, (Vec3{0, 0, 0}));
    EXPECT_EQ(k.dir, (Vec3{2, 0, 0}));
    EXPECT_EQ(k.radius, 1);
    expect_sphere(swept->bounding_sphere, {1, 0, 0}, 2);

    const Collider<Pointcloud> as_held = with_cloud_kind<Pointcloud>(Collider<NoPcl>(*swept));
    EXPECT_EQ(as_held.mask, 0x1);
    EXPECT_EQ(as_held.capsules.size(), 1u);
    expect_sphere(as_held.bounding_sphere, {1, 0, 0}, 2);
    Collider<Pointcloud> cloud_holder;
    add(cloud_holder, Pointcloud::make(std::vector<pointcloud::Point3>{{0, 0, 0}}, {0, 1}, 0.1f));
    EXPECT_FALSE(try_stretch(cloud_holder, {1, 0, 0}));

    const auto nothing = try_stretch(Collider<NoPcl>{}, {1, 2, 3});
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->mask, 0);
    expect_sphere(nothing->bounding_sphere, {0, 0, 0}, 0);

    // Standing still: balls stay balls, points become zero segments.
    Collider<NoPcl> still;
    add(still, Sphere{{1, 1, 1}, 1});
    add(still, Point{{2, 2, 2}});
    const auto same = try_stretch(still, {0, 0, 0});
    EXPECT_EQ(same->mask, 0x480);
    EXPECT_EQ(same->segments.items()[0].dir, (Vec3{0, 0, 0}));
    EXPECT_EQ(same->segments.items()[0].rdv, 0.0f);

    Collider<NoPcl> rod;
    add(rod, Capsule::make({0, 0, 0}, {1, 0, 0}, 0.5f));
    EXPECT_EQ(try_stretch(rod, {0, 1, 0})->mask, 0x21);

    Collider<NoPcl> line;
    add(line, Line::make({0, 0, 0}, {1, 0, 0}));
    const auto band = try_stretch(line, {0, 1, 0});
    EXPECT_EQ(band->mask, 0x10);
    EXPECT_TRUE(std::isfinite(band->bounding_sphere.radius));

    Collider<NoPcl> ray;
    add(ray, Ray::make({0, 0, 0}, {1, 0, 0}));
    const auto ray_swept = try_stretch(ray, {3, 0, 0});
    EXPECT_EQ(ray_swept->mask, 0x200);
    EXPECT_EQ(ray_swept->bounding_sphere.radius, INF);

    for (auto [t, d] : {std::pair{Vec3{0, 0, 2}, 2.0f}, std::pair{Vec3{0, 0, -2}, 0.0f}}) {
        Collider<NoPcl> floor;
        add(floor, Plane{{0, 0, 1}, 0});
        EXPECT_EQ(try_stretch(floor, t)->planes[0].d, d);
    }
}

TEST(ColliderSweep, ResultGroupsKeepTheVisitingOrder) {
    Collider<NoPcl> c;
    add(c, Cylinder::make({0, 0, 0}, {1, 0, 0}, 0.5f));  // swept across: four capsules and a slab
    add(c, Capsule::make({5, 0, 0}, {1, 0, 0}, 0.5f));   // swept across: four capsules and a slab
    add(c, Sphere{{9, 0, 0}, 1});                        // one capsule
    add(c, Point{{3, 3, 3}});
    add(c, LineSegment::make({0, 0, 0}, {0, 1, 0}));  // along the move: one longer segment
    const auto r = try_stretch(c, {0, 2, 0});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->capsules.size(), 9u);
    EXPECT_EQ(r->capsules.items()[0].p1, (Vec3{9, 0, 0}));  // the ball first
    EXPECT_EQ(r->capsules.items()[1].p1, (Vec3{5, 0, 0}));  // then the capsule's four
    EXPECT_EQ(r->capsules.items()[5].p1, (Vec3{0, 0, 0}));  // then the cylinder's
    EXPECT_EQ(r->polytopes.size(), 2u);
    EXPECT_TRUE(r->cylinders.empty());
    ASSERT_EQ(r->segments.size(), 2u);
    EXPECT_EQ(r->segments.items()[0].p1, (Vec3{3, 3, 3}));  // from the point, before the segment
    EXPECT_EQ(r->mask, 0x421);
}

TEST(ColliderSweep, PolytopesAndPolygonsKeepTheVisitingOrder) {
    // Each source item sits at its own x (polytopes) or z (polygons); the result lists must ascend.
    Collider<NoPcl> solids;
    add(solids, Capsule::make({0, 0, 0}, {1, 0, 0}, 0.5f));    // slab
    add(solids, Cuboid::aligned({10, 0, 0}, {1, 1, 1}));       // swept off its axes: a polytope
    add(solids, Cylinder::make({20, 0, 0}, {1, 0, 0}, 0.5f));  // slab
    place(solids, scenes::box_polytope(Cuboid::aligned({30, 0, 0}, {1, 1, 1})));
    place(solids, ConvexPolygon::make({40, 0, 0}, {0, 0, 1}, {{0, 0}, {1, 0}, {0, 1}}));  // prism
    settle(solids);
    const auto swept = try_stretch(solids, {0, 1, 1});
    ASSERT_TRUE(swept);
    ASSERT_EQ(swept->polytopes.size(), 5u);
    for (std::size_t i = 1; i < 5; ++i)
        EXPECT_LT(swept->polytopes.items()[i - 1].obb.center.x, swept->polytopes.items()[i].obb.center.x) << i;
    EXPECT_TRUE(swept->polygons.empty());

    Collider<NoPcl> flat;
    place(flat, ConvexPolygon::make({0, 0, 30}, {0, 0, 1}, {{0, 0}, {1, 0}, {0, 1}}));  // swept in its plane
    place(flat, Line::make({0, 0, 20}, {1, 0, 0}));
    place(flat, Ray::make({0, 0, 10}, {1, 0, 0}));
    place(flat, LineSegment::make({0, 0, 0}, {1, 0, 0}));
    settle(flat);
    const auto bands = try_stretch(flat, {0, 1, 0});
    ASSERT_TRUE(bands);
    ASSERT_EQ(bands->polygons.size(), 4u);
    const float want_z[] = {30, 20, 10, 0};  // polygon, line band, ray band, parallelogram
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(bands->polygons.items()[i].center.z, want_z[i]) << i;
    EXPECT_EQ(bands->mask, 0x10);
}

// ---- stored record

TEST(ColliderStored, ExactBytes) {
    Collider<NoPcl> c;
    add(c, Point{{1, 2, 3}});
    add(c, Plane{{0, 0, 1}, -0.5f});
    Expect e;
    e.op('}').op('(');
    for (const char* k : {"capsules", "cuboids", "cylinders"}) e.key(k).op(']');
    e.key("planes").op(']').op('(').op('}').op('(').key("normal").vec(0, 0, 1).key("d").f(-0.5).op('u').op('e');
    e.key("polygons").op(']').key("polytopes").op(']');
    e.key("points").op(']').op('(').vec(1, 2, 3).op('e');
    e.key("spheres").op('}').op('(');
    for (const char* k : {"x", "y", "z", "r"}) e.key(k).op(']');
    e.key("len").op('J').le(0, 4).op('u');
    for (const char* k : {"lines", "rays", "segments", "pointclouds"}) e.key(k).op(']');
    e.op('u').op('.');
    EXPECT_EQ(qp::encode_state(c), e.b);
}

TEST(ColliderStored, BallsAreTheSphereSetRecord) {
    Collider<NoPcl> c;
    add(c, Sphere{{1, 2, 3}, 0.25f});
    const Bytes bytes = qp::encode_state(c);
    Expect e;
    e.key("spheres").op('}').op('(').key("x").op(']').op('(').f(1);
    for (int i = 1; i < 16; ++i) e.f(0);
    e.op('e');
    const Bytes& want = e.b;
    // The spheres field starts with the x plane: the ball, then 15 spare lanes at 0.
    const Bytes tail(want.begin() + 2, want.end());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), tail.begin(), tail.end()), bytes.end());
    Expect radii;
    radii.key("r").op(']').op('(').f(0.25);
    for (int i = 1; i < 16; ++i) radii.f(std::numeric_limits<double>::quiet_NaN());
    const Bytes r_tail(radii.b.begin() + 2, radii.b.end());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), r_tail.begin(), r_tail.end()), bytes.end());
}

void expect_same_items(const Collider<NoPcl>& a, const Collider<NoPcl>& b) {
    auto same = [](const auto& x, const auto& y) { EXPECT_EQ(qp::encode_state(x), qp::encode_state(y)); };
    EXPECT_EQ(qp::encode_state(a), qp::encode_state(b));
    same(a.spheres.stored_view(), b.spheres.stored_view());
}

TEST(ColliderStored, RoundTripRebuildsLanesMaskAndBound) {
    for (bool grid : {true, false}) {
        scenes::Generator g(grid ? 21u : 22u, grid);
        for (int round = 0; round < 300; ++round) {
            const Collider<NoPcl> c = g.build<NoPcl>(g.scene(30));
            const Collider<NoPcl> back = qp::decode_state<Collider<NoPcl>>(qp::encode_state(c));
            expect_same_items(c, back);
            EXPECT_EQ(back.mask, c.mask);
            const Sphere want = from_groups(c).bounding_sphere;
            expect_sphere(back.bounding_sphere, want.center, want.radius);
            expect_sound_bounds(back);
        }
    }
}

std::string decode_error(const Bytes& bytes) { return pickle_expect::decode_message<Collider<NoPcl>>(bytes, "(loaded)"); }

// A record of the twelve groups, all empty, as a dict with `skip` left out, or as a sequence of
// the first `count` values.
Bytes empty_groups(std::string_view skip, int count = -1, std::string_view twice = "") {
    static constexpr const char* keys[] = {"capsules", "cuboids", "cylinders", "planes",  "polygons", "polytopes",
                                           "points",   "spheres", "lines",     "rays",    "segments", "pointclouds"};
    auto value = [](Expect& e, std::string_view k) {
        if (k == "spheres") {
            e.op('}').op('(');
            for (const char* p : {"x", "y", "z", "r"}) e.key(p).op(']');
            e.key("len").op('J').le(0, 4).op('u');
        } else {
            e.op(']');
        }
    };
    Expect e;
    if (count >= 0) {
        e.op('(');
        for (int i = 0; i < count; ++i) value(e, keys[i]);
        return e.op('t').op('.').b;
    }
    e.op('}').op('(');
    for (const char* k : keys) {
        if (k == skip) continue;
        e.key(k), value(e, k);
        if (k == twice) e.key(k), value(e, k);
    }
    return e.op('u').op('.').b;
}

TEST(ColliderStored, Refusals) {
    EXPECT_EQ(decode_error(empty_groups("")), "(loaded)");
    EXPECT_EQ(decode_error(empty_groups("", 12)), "(loaded)");
    EXPECT_EQ(decode_error(empty_groups("rays")), "decoding error: missing field `rays`");
    EXPECT_EQ(decode_error(empty_groups("capsules")), "decoding error: missing field `capsules`");
    EXPECT_EQ(decode_error(empty_groups("", 11)),
              "decoding error: invalid length 11, expected struct ColliderHelper with 12 elements");
    EXPECT_EQ(decode_error(empty_groups("", -1, "points")), "decoding error: duplicate field `points`");

    // A sphere set whose planes could be read past is refused before any lane is touched.
    auto with_spheres = [](int x_len, int r_len, std::uint32_t len, float spare) {
        Collider<NoPcl> c;
        Bytes bytes = qp::encode_state(c);
        Expect e;
        e.key("spheres").op('}').op('(');
        auto floats = [&](int n, float fill) {
            e.op(']');
            if (n == 0) return;
            e.op('(');
            for (int i = 0; i < n; ++i) e.f(fill);
            e.op('e');
        };
        e.key("x"), floats(x_len, 0), e.key("y"), floats(x_len, 0), e.key("z"), floats(x_len, 0);
        e.key("r"), floats(r_len, spare);
        e.key("len").op('J').le(len, 4).op('u');
        Expect empty;
        empty.key("spheres").op('}').op('(');
        for (const char* p : {"x", "y", "z", "r"}) empty.key(p).op(']');
        empty.key("len").op('J').le(0, 4).op('u');
        const Bytes from(empty.b.begin() + 2, empty.b.end()), to(e.b.begin() + 2, e.b.end());
        auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
        bytes.erase(at, at + from.size());
        bytes.insert(at, to.begin(), to.end());
        return bytes;
    };
    EXPECT_EQ(decode_error(with_spheres(16, 16, 0, kNaN)), "(loaded)");
    EXPECT_EQ(decode_error(with_spheres(16, 8, 0, kNaN)),
              "decoding error: sphere set planes differ in length: x 16, y 16, z 16, r 8");
    EXPECT_EQ(decode_error(with_spheres(8, 8, 0, kNaN)), "decoding error: sphere set stride 8 is not a multiple of 16");
    EXPECT_EQ(decode_error(with_spheres(16, 16, 17, 1)), "decoding error: sphere set len 17 exceeds its stride 16");
    EXPECT_EQ(decode_error(with_spheres(16, 16, 3, 1)),
              "decoding error: sphere set spare radius at lane 3 is not NaN");
}

}  // namespace
