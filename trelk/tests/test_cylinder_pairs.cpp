// Cylinder pair tests on hand-placed shapes: contact, touching, just apart, degenerate axes, the
// rounded-end slack of the box and polygon tests, and contacts that eight sampled points miss.
// Unless a row says otherwise the cylinder runs along z from the origin to (0, 0, 2), radius 1.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "collider.hpp"
#include "random_shapes.hpp"
#include "support/fault.hpp"
#include "trelk.hpp"

namespace {

using namespace trelk;

const Cylinder kUpright = Cylinder::make({0, 0, 0}, {0, 0, 2}, 1.0f);
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(CylinderCapsule, Table) {
    struct Case {
        const char* what;
        Cylinder cyl;
        Capsule cap;
        bool hit;
    };
    const Cylinder skew_host = Cylinder::make({0, 0, 0}, {0, 0, 1}, 1.0f);
    const Case cases[] = {
        {"on the axis, end ball touching the top cap", kUpright, Capsule::make({0, 0, 2.5f}, {0, 0, 1}, 0.5f), true},
        {"on the axis, gap 0.01 above the cap", kUpright, Capsule::make({0, 0, 2.51f}, {0, 0, 1}, 0.5f), false},
        {"parallel, axes R + r apart", kUpright, Capsule::make({1.5f, 0, 0}, {0, 0, 2}, 0.5f), true},
        {"parallel, axes R + r + 0.01 apart", kUpright, Capsule::make({1.51f, 0, 0}, {0, 0, 2}, 0.5f), false},
        {"end ball reaching the rim", kUpright, Capsule::make({1.2f, 0, 2.2f}, {0.5f, 0, 0.5f}, 0.3f), true},
        {"end ball short of the rim", kUpright, Capsule::make({1.2f, 0, 2.2f}, {0.5f, 0, 0.5f}, 0.25f), false},
        {"zero-length capsule beside the wall", kUpright, Capsule::make({1.5f, 0, 1}, {0, 0, 0}, 0.5f), true},
        // Nearest point between the eight sampled parameters: true distance 0.2148.
        {"skew, reached between samples", skew_host, Capsule::make({2.7f, 1.8f, 1.4f}, {-3.6f, -3.3f, -3.5f}, 0.3f), true},
        {"skew, just out of reach", skew_host, Capsule::make({2.7f, 1.8f, 1.4f}, {-3.6f, -3.3f, -3.5f}, 0.2f), false},
        // Without an axis the cylinder is the ball of its radius around p1.
        {"zero axis, capsule R + r away", Cylinder::make({}, {}, 1), Capsule::make({1.5f, 0, -1}, {0, 0, 2}, 0.5f), true},
        {"zero axis, capsule farther", Cylinder::make({}, {}, 1), Capsule::make({1.6f, 0, -1}, {0, 0, 2}, 0.5f), false},
        {"NaN capsule", kUpright, Capsule::make({kNaN, 0, 0}, {0, 0, 1}, 0.5f), false},
    };
    for (const Case& c : cases) EXPECT_EQ(cylinder_capsule_collides(c.cyl, c.cap), c.hit) << c.what;
}

TEST(CylinderCuboid, Table) {
    const float s = std::sqrt(0.5f);
    auto turned = [&](Vec3 c) { return Cuboid::make(c, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {0.5f, 0.5f, 0.5f}); };
    struct Case {
        const char* what;
        Cylinder cyl;
        Cuboid box;
        bool hit;
    };
    const Case cases[] = {
        {"box through the middle", kUpright, Cuboid::aligned({0, 0, 1}, {3, 3, 0.1f}), true},
        {"corner on the side wall", kUpright, Cuboid::aligned({1.25f, 0.25f, 1.25f}, {0.25f, 0.25f, 0.25f}), true},
        {"turned box 0.005 into the wall", kUpright, turned({1 + s * 0.5f * 2 - 0.005f, 0, 1}), true},
        {"turned box 0.005 off the wall", kUpright, turned({1 + s * 0.5f * 2 + 0.005f, 0, 1}), false},
        // Rounded ends: 0.45 beyond the cap but within the radius of its centre.
        {"box over the cap centre", kUpright, Cuboid::aligned({0, 0, 2.55f}, {0.1f, 0.1f, 0.1f}), true},
        {"box beyond the rounded end", kUpright, Cuboid::aligned({0, 0, 3.2f}, {0.1f, 0.1f, 0.1f}), false},
        // Only the side wall cuts the box edge; no corner inside, no sampled axis point in reach.
        {"wall across a box edge", Cylinder::make({3, 0.5f, 0}, {-2.5f, 2.5f, 0}, 1.2f), Cuboid::aligned({}, {1, 1, 1}), true},
        {"wall 0.06 short of the edge", Cylinder::make({3, 0.5f, 0}, {-2.5f, 2.5f, 0}, 1.0f), Cuboid::aligned({}, {1, 1, 1}), false},
        {"zero axis touching", Cylinder::make({}, {}, 1), Cuboid::aligned({2, 0, 0}, {1, 1, 1}), true},
        {"zero axis apart", Cylinder::make({}, {}, 1), Cuboid::aligned({2.01f, 0, 0}, {1, 1, 1}), false},
    };
    for (const Case& c : cases) EXPECT_EQ(cylinder_cuboid_collides(c.cyl, c.box), c.hit) << c.what;
}

TEST(LineCylinder, Table) {
    struct Case {
        const char* what;
        Vec3 origin, dir;
        float tmin, tmax;
        bool hit;
    };
    const Case cases[] = {
        {"ray starting inside", {0, 0, 1}, {1, 0, 0}, 0, kInf, true},
        {"line along the wall", {1, 0, -5}, {0, 0, 1}, -kInf, kInf, true},
        {"line 0.01 outside the wall", {1.01f, 0, -5}, {0, 0, 1}, -kInf, kInf, false},
        {"line across, in the top cap plane", {-5, 0, 2}, {1, 0, 0}, -kInf, kInf, true},
        {"line across, just above the top cap", {-5, 0, 2.01f}, {1, 0, 0}, -kInf, kInf, false},
        {"segment ending on the cap disc", {0.5f, 0, 3}, {0, 0, -1}, 0, 1, true},
        {"segment ending short of the cap", {0.5f, 0, 3}, {0, 0, -1}, 0, 0.99f, false},
        {"segment through the wall, slanted", {-2, 0, 1}, {4, 0, 0.5f}, 0, 1, true},
        {"ray leaving upwards", {0, 0, 3}, {0, 0, 1}, 0, kInf, false},
        {"the same points as a line", {0, 0, 3}, {0, 0, 1}, -kInf, kInf, true},
        {"empty range", {0, 0, 1}, {1, 0, 0}, 1, 0, false},
    };
    for (const Case& c : cases) EXPECT_EQ(line_cylinder_collides(c.origin, c.dir, kUpright, c.tmin, c.tmax), c.hit) << c.what;

    const Cylinder ball = Cylinder::make({}, {0, 0, 1e-4f}, 1.0f);  // dir . dir under EPS
    EXPECT_TRUE(line_cylinder_collides({-5, 1, 0}, {1, 0, 0}, ball, -kInf, kInf));
    EXPECT_FALSE(line_cylinder_collides({-5, 1.01f, 0}, {1, 0, 0}, ball, -kInf, kInf));
}

TEST(LineCylinder, AxislessCylinderFaultsOnAnUnusableRange) {
    const Cylinder ball = Cylinder::make({}, {}, 1.0f);
    struct Case {
        float tmin, tmax;
        const char* message;
    };
    const Case cases[] = {
        {1, 0, "min > max, or either was NaN. min = 1.0, max = 0.0"},
        {kNaN, kInf, "min > max, or either was NaN. min = NaN, max = inf"},
    };
    for (const Case& c : cases) {
        try {
            line_cylinder_collides({}, {1, 0, 0}, ball, c.tmin, c.tmax);
            ADD_FAILURE() << c.message;
        } catch (const quorix::Fault& f) {
            EXPECT_STREQ(f.what(), c.message);
        }
    }
}

// A NaN in a quantity that picks a branch takes neither branch: a NaN line direction is not "along
// the axis", and a plane whose n . dir is NaN neither clips the axis nor counts as parallel.
TEST(CylinderNaN, QuantitiesThatPickABranchTakeNeither) {
    EXPECT_FALSE(line_cylinder_collides({0, 0, 1}, {kNaN, 0, 0}, kUpright, -kInf, kInf));
    EXPECT_FALSE(line_cylinder_collides({0, 0, 1}, {0, kNaN, 0}, kUpright, 0, 1));

    // The plane inf * x <= 0 against an axis along y: n . dir = inf * 0 is NaN, so the axis keeps
    // its whole range and the clip reports contact.
    std::vector<Vec3> corners;
    for (float x : {-5.0f, 5.0f})
        for (float y : {-5.0f, 5.0f})
            for (float z : {-5.0f, 5.0f}) corners.push_back({x, y, z});
    const ConvexPolytope solid = ConvexPolytope::make({{{kInf, 0, 0}, 0}}, corners);
    const Cylinder across = Cylinder::make({1, 0, 0}, {0, 1, 0}, 0.1f);
    EXPECT_TRUE(cylinder_polytope_collides(across, RefConvexPolytope::of(solid), Prefilter::done_by_caller));
    EXPECT_TRUE(collides(across, solid));
}

ConvexPolygon square(Vec3 center, Vec3 normal, float half_x, float half_y) {
    return ConvexPolygon::make(center, normal, {{-half_x, -half_y}, {half_x, -half_y}, {half_x, half_y}, {-half_x, half_y}});
}

TEST(CylinderPolygon, TableBothOrdersAndBothInstances) {
    struct Case {
        const char* what;
        ConvexPolygon polygon;
        bool hit;
    };
    const Case cases[] = {
        {"pierced by the axis", square({0, 0, 1}, {0, 0, 1}, 0.2f, 0.2f), true},
        {"only vertex inside on the rim", ConvexPolygon::make({1, 0, 2}, {1, -1, 0.3f}, {{0, 0}, {3, 0}, {3, 3}}), true},
        {"upright, touching the wall", square({1, 0, 1}, {1, 0, 0}, 0.5f, 0.5f), true},
        {"upright, 0.01 off the wall", square({1.01f, 0, 1}, {1, 0, 0}, 0.5f, 0.5f), false},
        // Rounded ends: 0.5 above the cap, within the radius of its centre.
        {"over the cap centre", square({0, 0, 2.5f}, {0, 0, 1}, 0.2f, 0.2f), true},
        {"beyond the rounded end", square({0, 0, 3.1f}, {0, 0, 1}, 0.2f, 0.2f), false},
        // A normal of length 4 stretches the frame's v axis fourfold: the 3-D outline reaches the
        // cylinder although the stored 2-D radius (1.118) around the centre would not.
        {"stretched frame", square({0, 4.5f, 1}, {0, 0, 4}, 0.5f, 1), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collides(kUpright, c.polygon), c.hit) << c.what;
        EXPECT_EQ(collides(c.polygon, kUpright), c.hit) << c.what;
        EXPECT_EQ(cylinder_polygon_collides(kUpright, RefConvexPolygon::of(c.polygon), Prefilter::done_by_caller), c.hit)
            << c.what;
    }
    // Without vertices the polygon is empty, even where the axis crosses its plane at its centre.
    EXPECT_FALSE(collides(kUpright, ConvexPolygon::make({0, 0, 1}, {0, 0, 1}, {})));
}

ConvexPolytope cube(Vec3 c, float half, float normal_length = 1) {
    std::vector<Plane> planes;
    for (int axis = 0; axis < 3; ++axis)
        for (float sign : {1.0f, -1.0f}) {
            Vec3 n{};
            n[axis] = sign * normal_length;
            planes.push_back({n, dot(n, c) + half * normal_length});
        }
    std::vector<Vec3> corners;
    for (float x : {-half, half})
        for (float y : {-half, half})
            for (float z : {-half, half}) corners.push_back(c + Vec3{x, y, z});
    return ConvexPolytope::make(planes, corners);
}

TEST(CylinderPolytope, TableBothOrdersAndBothInstances) {
    const float s = std::sqrt(0.5f);
    struct Case {
        const char* what;
        Cylinder cyl;
        ConvexPolytope solid;
        bool hit;
    };
    const Case cases[] = {
        {"axis through the cube", kUpright, cube({0, 0, 1}, 0.5f), true},
        {"wall into a face", Cylinder::make({1.4f, 0, 0}, {0, 0, 2}, 1.0f), cube({0, 0, 1}, 0.5f), true},
        {"wall touching a face", Cylinder::make({1.5f, 0, 0}, {0, 0, 2}, 1.0f), cube({0, 0, 1}, 0.5f), true},
        {"wall 0.1 off a face", Cylinder::make({1.6f, 0, 0}, {0, 0, 2}, 1.0f), cube({0, 0, 1}, 0.5f), false},
        {"cap 0.1 above the top", Cylinder::make({0, 0, 0.6f}, {0, 0, 1}, 1.0f), cube({}, 0.5f), false},
        {"tilted, rim 0.01 into the top", Cylinder::make({-0.5f, 0, 0.5f + s - 0.01f}, {s, 0, s}, 1.0f), cube({}, 0.5f), true},
        {"tilted, rim 0.01 above the top", Cylinder::make({-0.5f, 0, 0.5f + s + 0.01f}, {s, 0, s}, 1.0f), cube({}, 0.5f), false},
        // Normals of length 3: the wall reaches 0.05 into the face.
        {"long normals, wall into a face", Cylinder::make({1.45f, 0, 0}, {0, 0, 2}, 1.0f), cube({0, 0, 1}, 0.5f, 3), true},
        // Normals of length 0.5 keep the unit-normal reach: reported although 0.05 apart.
        {"short normals, wall 0.05 off", Cylinder::make({1.55f, 0, 0}, {0, 0, 2}, 1.0f), cube({0, 0, 1}, 0.5f, 0.5f), true},
        // Without an axis only the bounding step can reject: 0.2 apart, reported.
        {"zero axis near the cube", Cylinder::make({0.7f, 0, 0}, {}, 0.1f), cube({}, 0.5f), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collides(c.cyl, c.solid), c.hit) << c.what;
        EXPECT_EQ(collides(c.solid, c.cyl), c.hit) << c.what;
        EXPECT_EQ(cylinder_polytope_collides(c.cyl, RefConvexPolytope::of(c.solid), Prefilter::done_by_caller), c.hit)
            << c.what;
    }
    // No planes: the bounding step decides in the first instance; the second always collides.
    ConvexPolytope open = cube({}, 0.5f);
    open.planes.clear();
    EXPECT_TRUE(collides(Cylinder::make({1.2f, 0, 0}, {0, 0, 1}, 0.2f), open));
    EXPECT_FALSE(collides(Cylinder::make({5, 0, 0}, {0, 0, 1}, 0.2f), open));
    EXPECT_TRUE(cylinder_polytope_collides(Cylinder::make({5, 0, 0}, {0, 0, 1}, 0.2f), RefConvexPolytope::of(open),
                                           Prefilter::done_by_caller));
}

// Two cylinders on every path that asks them: the shape test in both orders, the cylinder query of
// a collider holding the other, and collides_other both ways.
std::array<bool, 6> cylinder_pair_paths(const Cylinder& a, const Cylinder& b) {
    Collider<Pointcloud> holds_a, holds_b;
    add(holds_a, a);
    add(holds_b, b);
    return {collides(a, b), collides(b, a), query_collider(a, holds_b), query_collider(b, holds_a),
            collides_other(holds_a, holds_b), collides_other(holds_b, holds_a)};
}
std::array<bool, 6> on_every_path(bool answer) { return {answer, answer, answer, answer, answer, answer}; }

// Cylinders are met as the capsules of their axes: flat caps and rims close to each other collide
// across a gap smaller than the sum of the radii.
TEST(CylinderCylinder, MetAsCapsules) {
    auto between = [](Vec3 p1, Vec3 p2, float r) { return Cylinder::make(p1, p2 - p1, r); };
    struct Case {
        const char* name;
        Cylinder a, b;
        bool expected;
    };
    const Case cases[] = {
        {"caps facing across a gap", kUpright, Cylinder::make({0, 0, 3.25f}, {0, 0, 1}, 1.0f), true},
        {"caps facing, axes the radii apart", kUpright, Cylinder::make({0, 0, 4}, {0, 0, 1}, 1.0f), true},
        {"caps facing, axes beyond the radii", kUpright, Cylinder::make({0, 0, 4.01f}, {0, 0, 1}, 1.0f), false},
        {"sides touching", kUpright, Cylinder::make({2, 0, 0}, {0, 0, 2}, 1.0f), true},
        {"sides apart", kUpright, Cylinder::make({2.25f, 0, 0}, {0, 0, 2}, 1.0f), false},
        {"crossing axes", kUpright, Cylinder::make({-3, 0, 1}, {6, 0, 0}, 0.5f), true},
        {"end cap facing the other's side across a gap", kUpright, Cylinder::make({1.2f, 0, 1}, {3, 0, 0}, 0.25f), true},
        {"end cap beyond the radii", kUpright, Cylinder::make({1.26f, 0, 1}, {3, 0, 0}, 0.25f), false},
        // Rims passing each other with the axes 0.24 inside the sum of the radii.
        {"skew rims", between({1.2039686f, -0.5433354f, -1.4175954f}, {0.34869f, -0.97334f, -0.4715038f}, 0.4380766f),
         between({0.0657855f, 0.0851729f, -0.9032624f}, {0.1648193f, -0.1308226f, -0.9692168f}, 0.5923973f), true},
    };
    for (const Case& c : cases) EXPECT_EQ(cylinder_pair_paths(c.a, c.b), on_every_path(c.expected)) << c.name;
}

// Whenever the axes come within the sum of the radii the pair collides, on every path, and only then.
TEST(CylinderCylinder, EveryPathAnswersByTheAxes) {
    shapes::Gen g(14);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        const Cylinder a = g.cylinder(), b = g.cylinder();
        const float reach = a.radius + b.radius;
        const bool axes_meet = clamped_line_segment_dist_sq(a.p1, a.dir, b.p1, b.dir, 0, 1) <= reach * reach;
        hits += axes_meet;
        ASSERT_EQ(cylinder_pair_paths(a, b), on_every_path(axes_meet)) << i;
    }
    EXPECT_GT(hits, 600);
    EXPECT_LT(hits, 2400);
}

}  // namespace
