// Point cloud against the other shape kinds: boundary cases of each per-point rule, hits in every
// lane and tail position, moved clouds, and both variants cross-checked against a slow reference
// over every point on thousands of random clouds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "affine.hpp"
#include "cloud_cases.hpp"
#include "pointcloud/collides.hpp"

namespace {

using namespace trelk;
using Point3 = Pointcloud::Point3;
using namespace cloud_cases;

const Mat3 kQuarterTurnZ{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};

Pointcloud cloud_of(std::vector<Point3> pts, float pr, Pointcloud::RadiusRange range = {0, 100}) {
    return Pointcloud::make(pts, range, pr);
}

// Unit-size shapes around the origin; a point at (0, 0, 0.5 + pr) touches every one of them, a
// point a hair further touches none (the point sits over each shape's top along z).
AllKinds unit_shapes() {
    const Cuboid cube = Cuboid::aligned({0, 0, 0}, {0.5f, 0.5f, 0.5f});
    return {Capsule::make({-1, 0, 0}, {2, 0, 0}, 0.5f),
            Cylinder::make({0, 0, -0.5f}, {0, 0, 1}, 0.5f),
            cube,
            box_polytope(cube),
            ConvexPolygon::make({0, 0, 0.5f}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}),
            LineSegment::make({-1, 0, 0.5f}, {2, 0, 0}),
            Ray::make({0, 0, 0.5f}, {1, 0, 0}),
            Line::make({0, 0, 0.5f}, {0, 1, 0}),
            Plane{{0, 0, 1}, 0.5f}};
}

TEST(CloudCollides, TouchingInEveryLaneAndTailPosition) {
    const AllKinds shapes = unit_shapes();
    for (float pr : {0.0f, 0.25f}) {
        for (std::size_t n : {1u, 7u, 8u, 9u, 17u}) {
            for (std::size_t k = 0; k < n; ++k) {
                for (float lift : {0.0f, 1.0f / 1024}) {
                    std::vector<Point3> pts(n, Point3{40, 40, 40});
                    pts[k] = {0, 0, 0.5f + pr + lift};
                    const Pointcloud cloud = cloud_of(pts, pr);
                    shapes.each([&](const auto& s) {
                        SCOPED_TRACE(testing::Message() << "pr " << pr << " n " << n << " k " << k << " lift " << lift);
                        EXPECT_EQ(point_cloud_collides(cloud, s, Prefilter::done_by_caller), lift == 0.0f);
                        EXPECT_EQ(collides(cloud, s), lift == 0.0f);
                        EXPECT_EQ(collides(s, cloud), lift == 0.0f);
                    });
                }
            }
        }
    }
    shapes.each([&](const auto& s) {
        EXPECT_FALSE(collides(Pointcloud(), s));
        EXPECT_FALSE(point_cloud_collides(Pointcloud(), s, Prefilter::done_by_caller));
    });
}

TEST(CloudCollides, PerPointRuleBoundaries) {
    const struct {
        const char* name;
        std::function<bool(const Pointcloud&)> test;
        Point3 in, out;
        float pr;
    } cases[] = {
        // Directions of squared length at most EPS count as points: p1 alone decides.
        {"short capsule", [](auto& c) { return collides(c, Capsule::make({0, 0, 0}, {3e-4f, 0, 0}, 1)); }, {0, 2, 0}, {2.0002f, 0, 0}, 1},
        {"short cylinder", [](auto& c) { return collides(c, Cylinder::make({0, 0, 0}, {3e-4f, 0, 0}, 1)); }, {0, 0, -2}, {2.0002f, 0, 0}, 1},
        {"short segment", [](auto& c) { return collides(c, LineSegment::make({0, 0, 0}, {3e-4f, 0, 0})); }, {0, 1, 0}, {1.0002f, 0, 0}, 1},
        {"short ray", [](auto& c) { return collides(c, Ray::make({0, 0, 0}, {0, 3e-4f, 0})); }, {-1, 0, 0}, {0, 1.0002f, 0}, 1},
        // An upright capsule's tail takes its parameter from z alone.
        {"upright capsule", [](auto& c) { return collides(c, Capsule::make({0, 0, 0}, {0, 0, 2}, 1)); }, {2, 0, 1}, {2.001f, 0, 1}, 1},
        // Beyond a cap: (rho - R)^2 + a^2 against pr^2, or a alone over the disc.
        {"cylinder rim", [](auto& c) { return collides(c, Cylinder::make({0, 0, 0}, {0, 0, 2}, 1)); }, {4, 0, 6}, {4.001f, 0, 6}, 5},
        {"cylinder disc", [](auto& c) { return collides(c, Cylinder::make({0, 0, 0}, {0, 0, 2}, 1)); }, {0.5f, 0, 7}, {0.5f, 0, 7.001f}, 5},
        // pr is measured in units of the normal's length.
        {"long normal", [](auto& c) { return collides(c, Plane{{0, 0, 2}, 0}); }, {0, 0, 0.5f}, {0, 0, 0.6f}, 1},
        // In-plane points up to 1e-6 outside an edge count as inside (the frame's u axis is -x, so
        // the edge a = 1 lies at x = -1).
        {"edge slack", [](auto& c) { return collides(c, ConvexPolygon::make({0, 0, 0}, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}})); },
         {-1.0000005f, 0.5f, 0}, {-1.000003f, 0.5f, 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Point3 in = c.in, out = c.out;
        for (std::size_t n : {1u, 9u}) {  // the tail alone, then the lanes
            EXPECT_TRUE(c.test(cloud_of(std::vector<Point3>(n, in), c.pr)));
            EXPECT_FALSE(c.test(cloud_of(std::vector<Point3>(n, out), c.pr)));
        }
    }
}

TEST(CloudCollides, MovedCloudsMapTheShapeInward) {
    // One point at the origin, moved by +5 along x.
    Pointcloud c = cloud_of({{0, 0, 0}}, 0.1f);
    translate(c, {5, 0, 0});
    EXPECT_TRUE(collides(c, Cuboid::aligned({5, 0, 0}, {0.5f, 0.5f, 0.5f})));
    EXPECT_FALSE(collides(c, Cuboid::aligned({0, 0, 0}, {0.5f, 0.5f, 0.5f})));
    EXPECT_TRUE(collides(Sphere{{5, 0, 0.6f}, 0.5f}, c));
    EXPECT_FALSE(collides(Sphere{{0, 0, 0.6f}, 0.5f}, c));

    // One point at (1, 0, 0), turned a quarter about z and moved by (2, 0, 0): it stands at (2, 1, 0).
    Pointcloud m = cloud_of({{1, 0, 0}}, 0);
    rotate_mat(m, kQuarterTurnZ);
    translate(m, {2, 0, 0});
    EXPECT_TRUE(collides(m, Plane{{0, 1, 0}, 1}));
    EXPECT_FALSE(collides(m, Plane{{0, 1, 0}, 0.9f}));
    EXPECT_TRUE(collides(m, LineSegment::make({2, 1, -1}, {0, 0, 2})));
    EXPECT_TRUE(collides(m, Capsule::make({0, 1, 0}, {1, 0, 0}, 1)));
    EXPECT_TRUE(collides(m, Cylinder::make({2, 0, 1}, {0, 0, -2}, 1)));
    EXPECT_FALSE(collides(m, Cylinder::make({2, 0, 1}, {0, 0, -2}, 0.999f)));
    EXPECT_TRUE(collides(m, ConvexPolygon::make({2, 1, 0}, {1, 0, 0}, {{-1, -1}, {1, -1}, {0, 1}})));
    EXPECT_TRUE(collides(m, box_polytope(Cuboid::aligned({2, 1.5f, 0}, {1, 0.5f, 1}))));
}

TEST(CloudCollides, TreePreCheckIsExactForAnyReach) {
    // Built for reaches up to 1, the tree alone misses (10, 0, 0) from the box's bounding sphere.
    const Pointcloud c = cloud_of({{0, 100, 0}, {10, 0, 0}}, 0, {0, 1});
    const Cuboid box = Cuboid::aligned({4.9f, 0, 0}, {5.1f, 1, 1});
    const Sphere bound = broadphase(box);
    EXPECT_FALSE(c.tree().collides({bound.center.x, bound.center.y, bound.center.z}, bound.radius));
    EXPECT_TRUE(collides(c, box));
    EXPECT_TRUE(collides(c, box_polytope(box)));
    EXPECT_TRUE(collides(c, Capsule::make({0, 0, 0}, {9, 0, 0}, 1)));
    EXPECT_TRUE(collides(c, Cylinder::make({0, 0, 0}, {10, 0, 0}, 1)));

    // Where the variants may differ by design: a point past a corner within pr of every face plane.
    const Pointcloud corner = cloud_of({{1.9f, 1.9f, 1.9f}}, 1);
    const ConvexPolytope cube = box_polytope(Cuboid::aligned({0, 0, 0}, {1, 1, 1}));
    EXPECT_TRUE(point_cloud_collides(corner, cube, Prefilter::done_by_caller));
    EXPECT_FALSE(point_cloud_collides(corner, cube, Prefilter::bounds));
    const ConvexPolytope open{{}, {{50, 0, 0}}, Cuboid::aligned({50, 0, 0}, {1, 1, 1})};  // no planes
    EXPECT_TRUE(point_cloud_collides(corner, open, Prefilter::done_by_caller));
    EXPECT_FALSE(point_cloud_collides(corner, open, Prefilter::bounds));
    // The shape's only point lies outside the sphere, which reaches another point: still a hit.
    const Pointcloud both = cloud_of({{1.9f, 1.9f, 1.9f}, {2.5f, 0, 0}}, 1);
    EXPECT_TRUE(point_cloud_collides(both, cube, Prefilter::bounds));
    EXPECT_FALSE(point_cloud_collides(cloud_of({{2.5f, 0, 0}}, 1), cube, Prefilter::bounds));
}

template <class S>
Sphere prefilter_sphere(const S& s) { return broadphase(s); }
Sphere prefilter_sphere(const ConvexPolytope& t) { return broadphase(t.obb); }

// Random shapes near a random point of a random cloud (sometimes moved by a random rigid motion, or
// scaled), tested in both variants against the reference.
TEST(CloudCollides, MatchesReferenceOnRandomClouds) {
    cloud_cases::Maker make(17);
    int decided = 0, undecided = 0, hits = 0;
    for (int k = 0; k < 2500; ++k) {
        auto s = make.cloud(k % 4 == 0 ? 65536.0f : 0.0f);
        Pointcloud& cloud = s.cloud;
        make.move(cloud);
        const double tol = cloud_cases::tolerance(cloud);
        const AllKinds world = cloud_cases::shapes_near(make, cloud);
        world.each([&](const auto& shape) {
            auto local = shape;
            if (cloud.inverse_transform()) transform(local, *cloud.inverse_transform());
            const Verdict v = reference_verdict(cloud, local, tol);
            if (v == Verdict::unsure) return void(++undecided);
            ++decided;
            hits += v == Verdict::yes;
            using Kind = std::decay_t<decltype(shape)>;
            bool prefilter = true;
            if constexpr (std::is_same_v<Kind, Capsule> || std::is_same_v<Kind, Cylinder> ||
                          std::is_same_v<Kind, Cuboid> || std::is_same_v<Kind, ConvexPolytope>) {
                const Sphere bound = prefilter_sphere(local);
                std::vector<Point3> pts;
                for (std::size_t i = 0; i < cloud.len(); ++i) pts.push_back({cloud.point(i).x, cloud.point(i).y, cloud.point(i).z});
                prefilter = cloud_cases::brute_reach(pts, bound.center, bound.radius, cloud.point_radius());
            }
            ASSERT_EQ(point_cloud_collides(cloud, shape, Prefilter::done_by_caller), v == Verdict::yes) << k;
            ASSERT_EQ(collides(cloud, shape), v == Verdict::yes && prefilter) << k;
        });
    }
    EXPECT_GT(hits, decided / 5);
    EXPECT_LT(undecided, decided / 20);
    std::printf("decided %d (hits %d), undecided %d\n", decided, hits, undecided);
}

}  // namespace
