// The pair rules the collider queries apply, on cases with known answers: touching and just apart
// for each rule written out in the queries, the groups every query kind visits (a point in a
// half-space, a line through a point or across another line), degenerate items, and the line
// routines of the queries against double-precision references.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "line/line_pair.hpp"
#include "collider/query.hpp"
#include "collider_scenes.hpp"
#include "plane/half_space.hpp"
#include "reference_geometry.hpp"
#include "support/fault.hpp"

namespace {

using namespace trelk;
using Item = std::variant<Sphere, Point, Capsule, Cuboid, Cylinder, LineSegment, ConvexPolygon, ConvexPolytope, Plane,
                          Line, Ray>;

struct Case {
    const char* name;
    scenes::Query query;
    Item item;
    bool collides;
};

const ConvexPolytope kUnitCube = scenes::box_polytope(Cuboid::aligned({0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}));
const Cylinder kPost = Cylinder::make({0, 0, 0}, {0, 0, 2}, 1);
const Plane kFloor{{0, 0, 1}, 0};
const ConvexPolygon kTile = ConvexPolygon::make({0, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}});

const Case kCases[] = {
    {"sphere touching a sphere", Sphere{{0, 0, 0}, 1}, Sphere{{2, 0, 0}, 1}, true},
    {"sphere just apart", Sphere{{0, 0, 0}, 1}, Sphere{{2.001f, 0, 0}, 1}, false},
    {"sphere reaching a point", Sphere{{0, 0, 0}, 1}, Point{{0, 1, 0}}, true},
    {"sphere over a cylinder cap", Sphere{{0, 0, 2.5f}, 0.5f}, kPost, true},
    {"sphere beside a cylinder", Sphere{{1.2f, 0, 1}, 0.2f}, kPost, true},
    {"sphere at a cylinder rim", Sphere{{1.2f, 0, 2.2f}, 0.3f}, kPost, true},
    {"sphere past a cylinder rim", Sphere{{1.3f, 0, 2.3f}, 0.4f}, kPost, false},
    {"sphere near a cube edge, by planes", Sphere{{1.3f, 1.3f, 0.5f}, 0.4f}, kUnitCube, true},
    {"sphere and a zero capsule", Sphere{{3, 0, 0}, 1}, Capsule::make({0, 0, 0}, {}, 2), true},
    {"sphere and a zero cylinder", Sphere{{3, 0, 0}, 1}, Cylinder::make({0, 0, 0}, {}, 2), true},
    {"sphere and a zero segment", Sphere{{1, 0, 0}, 1}, LineSegment::make({0, 0, 0}, {}), true},
    {"sphere and a zero-normal plane", Sphere{{9, 9, 9}, 1}, Plane{{0, 0, 0}, -1}, true},
    {"sphere and a zero-normal plane, out", Sphere{{9, 9, 9}, 1}, Plane{{0, 0, 0}, -1.5f}, false},
    {"cuboid with a point on its face", Cuboid::aligned({0, 0, 0}, {1, 1, 1}), Point{{1, 0.5f, 0}}, true},
    {"cuboid with a point outside", Cuboid::aligned({0, 0, 0}, {1, 1, 1}), Point{{1.001f, 0, 0}}, false},
    {"line across a plane", Line::make({0, 0, 5}, {1, 0, 1}), kFloor, true},
    {"line above a plane, parallel", Line::make({0, 0, 5}, {1, 0, 0}), kFloor, false},
    {"line in a plane, parallel", Line::make({0, 0, 0}, {1, 0, 0}), kFloor, true},
    {"ray leaving a plane", Ray::make({0, 0, 2}, {0, 0, 1}), kFloor, false},
    {"ray falling onto a plane", Ray::make({0, 0, 2}, {0, 0, -1}), kFloor, true},
    {"segment above a plane, rising", LineSegment::between({0, 0, 2}, {0, 0, 3}), kFloor, false},
    {"segment above a plane, falling", LineSegment::between({0, 0, 3}, {0, 0, 2}), kFloor, false},
    {"segment through a plane", LineSegment::between({0, 0, 1}, {0, 0, -1}), kFloor, true},
    {"opposite planes with a gap", kFloor, Plane{{0, 0, -1}, -1}, false},
    {"opposite planes touching", kFloor, Plane{{0, 0, -1}, 0}, true},
    {"crossing planes", kFloor, Plane{{1, 0, 0}, -100}, true},
    // Every kind reaches the points, segments, lines and rays it meets.
    {"plane holding a point", kFloor, Point{{3, 4, -1}}, true},
    {"plane above a point", kFloor, Point{{3, 4, 0.5f}}, false},
    {"line through a point", Line::make({0, 0, 0}, {1, 1, 0}), Point{{2, 2, 0}}, true},
    {"line beside a point", Line::make({0, 0, 0}, {1, 1, 0}), Point{{2, 2.5f, 0}}, false},
    {"ray behind its start", Ray::make({0, 0, 0}, {1, 0, 0}), Point{{-1, 0, 0}}, false},
    {"segment through a point", LineSegment::between({0, 0, 0}, {4, 0, 0}), Point{{3, 0, 0}}, true},
    {"segment across a segment", LineSegment::between({-1, 0, 0}, {1, 0, 0}),
     LineSegment::between({0, -1, 0}, {0, 1, 0}), true},
    {"segment short of a segment", LineSegment::between({-1, 0, 0}, {1, 0, 0}),
     LineSegment::between({0, 0.5f, 0}, {0, 1, 0}), false},
    {"line across a line", Line::make({0, 0, 0}, {1, 0, 0}), Line::make({5, -3, 0}, {0, 1, 0}), true},
    {"line over a line", Line::make({0, 0, 0}, {1, 0, 0}), Line::make({5, -3, 1}, {0, 1, 0}), false},
    {"ray meeting a ray", Ray::make({0, 0, 0}, {1, 0, 0}), Ray::make({5, -3, 0}, {0, 1, 0}), true},
    {"ray missing a ray", Ray::make({0, 0, 0}, {1, 0, 0}), Ray::make({5, 3, 0}, {0, 1, 0}), false},
    {"line along a line", Line::make({0, 0, 0}, {1, 0, 0}), Line::make({7, 0, 0}, {-2, 0, 0}), true},
    {"ray across a segment", Ray::make({0, 0, 0}, {0, 0, 1}), LineSegment::between({-1, 0, 5}, {1, 0, 5}), true},
    {"segment across a line", LineSegment::between({-1, 0, 5}, {1, 0, 5}), Line::make({0, 0, 0}, {0, 0, 1}), true},
    {"polygon holding a point", kTile, Point{{0.5f, -0.5f, 0}}, true},
    {"polygon under a point", kTile, Point{{0.5f, -0.5f, 0.001f}}, false},
    {"polytope holding a point", kUnitCube, Point{{1, 1, 1}}, true},
    {"polytope with no planes", Sphere{{0, 0, 0.5f}, 1}, ConvexPolytope::make({}, {{-1, -1, -1}, {1, 1, 1}}), true},
};

TEST(ColliderRules, KnownAnswers) {
    for (const Case& c : kCases) {
        Collider<NoPcl> col;
        std::visit([&](const auto& item) { add(col, item); }, c.item);
        const bool got = std::visit([&](const auto& q) { return query_collider(q, col); }, c.query);
        EXPECT_EQ(got, c.collides) << c.name;
    }
}

TEST(ColliderRules, SpareLanesNeverHit) {
    // Three balls in a 16-lane set: the all-lane scans meet 13 NaN radii with centres at the origin.
    Collider<NoPcl> c;
    for (float x : {10.0f, 20.0f, 30.0f}) add(c, Sphere{{x, 10, 0}, 1});
    EXPECT_FALSE(query_collider(Line::make({0, 0, 0}, {0, 0, 1}), c));
    EXPECT_FALSE(query_collider(Ray::make({0, 0, -1}, {0, 0, 1}), c));
    EXPECT_FALSE(query_collider(Plane{{0, 1, 0}, 0}, c));
    EXPECT_FALSE(query_collider(Capsule::make({0, 0, -1}, {0, 0, 2}, 0.5f), c));
    EXPECT_FALSE(query_collider(Cuboid::aligned({0, 0, 0}, {1, 1, 1}), c));
    EXPECT_FALSE(query_collider(Cylinder::make({0, 0, -1}, {0, 0, 2}, 0.5f), c));
    EXPECT_TRUE(query_collider(Line::make({30, 0, 0}, {0, 1, 0}), c));
}

TEST(ColliderRules, DamagedPolygonFaultsInsteadOfReadingPast) {
    ConvexPolygon broken = kTile;
    broken.edge_offsets_2d.pop_back();
    Collider<NoPcl> c;
    add(c, broken);
    try {
        (void)query_collider(Sphere{{5, 0, 0}, 4.5f}, c);
        ADD_FAILURE() << "no fault";
    } catch (const quorix::Fault& e) {
        EXPECT_EQ(std::string(e.what()), "index out of bounds: the len is 3 but the index is 3");
    }
}

// ---- line routines against references

ref::D3 d3(Vec3 v) { return {v.x, v.y, v.z}; }

TEST(ColliderRules, LinePairDistanceMatchesAReference) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-3, 3);
    const std::pair<float, float> spans[] = {{-INF, INF}, {0.0f, INF}};
    for (int k = 0; k < 3000; ++k) {
        const Vec3 p1{u(rng), u(rng), u(rng)}, d1{u(rng), u(rng), u(rng)}, p2{u(rng), u(rng), u(rng)};
        Vec3 d2{u(rng), u(rng), u(rng)};
        if (k % 10 == 0) d2 = d1 * -2.0f;  // parallel
        const auto [t0, t1] = spans[k % 2];
        const auto [s0, s1] = spans[(k / 2) % 2];
        const float got = param_pair_dist_sq(p1, d1, t0, t1, p2, d2, s0, s1);
        // Far enough to stand for the unbounded ends: the nearest points lie well inside.
        auto clip = [](float v) { return std::isinf(v) ? (v > 0 ? 1e3 : -1e3) : double(v); };
        const ref::Segment b{d3(p2), d3(d2), clip(s0), clip(s1)};
        const double want = ref::convex_min(
            [&](double t) {
                const ref::D3 x = d3(p1) + d3(d1) * t;
                return ref::norm(x - b.project(x));
            },
            clip(t0), clip(t1));
        EXPECT_NEAR(std::sqrt(got), want, 1e-4 * (1 + want)) << k;
    }
}

TEST(ColliderRules, PolytopeClippingMatchesTheBox) {
    // A box as a polytope, clipped against lines, rays and segments, must agree with the distance
    // from the line part to the box wherever that is clearly zero or clearly positive.
    scenes::Generator g(8, false);
    int decided = 0;
    for (int k = 0; k < 3000; ++k) {
        const Cuboid box = g.cuboid();
        const ConvexPolytope poly = scenes::box_polytope(box);
        const Vec3 o = g.point(), dir = g.nonzero_direction();
        const float t0 = k % 3 == 0 ? -INF : 0.0f, t1 = k % 3 == 2 ? 1.0f : INF;
        const ref::Box rb{d3(box.center), {d3(box.axes[0]), d3(box.axes[1]), d3(box.axes[2])}, d3(box.half_extents)};
        auto clip = [](float v) { return std::isinf(v) ? (v > 0 ? 1e3 : -1e3) : double(v); };
        const ref::Segment rs{d3(o), d3(dir), clip(t0), clip(t1)};
        const double gap = ref::convex_min([&](double t) { return rb.dist(rs.at(t)); }, rs.t0, rs.t1);
        const bool got = polytope_clip_collides(RefConvexPolytope::of(poly), o, dir, t0, t1);
        if (gap < 1e-9 || gap > 1e-4) {
            EXPECT_EQ(got, gap < 1e-9) << k << " gap " << gap;
            ++decided;
        }
    }
    EXPECT_GT(decided, 2500);
}

}  // namespace
