// Point queries and builders of the solids: box corners and containment, the capsule's nearest
// core point, the cylinder's distance and containment, and the box builders.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "trelk.hpp"

namespace {

using namespace trelk;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(CuboidQueries, CornersCountUpTheAxisSigns) {
    const Cuboid b = Cuboid::aligned({10, 20, 30}, {1, 2, 3});
    const auto c = b.corners();
    EXPECT_EQ(c[0], (Vec3{9, 18, 27}));
    EXPECT_EQ(c[1], (Vec3{9, 18, 33}));
    EXPECT_EQ(c[2], (Vec3{9, 22, 27}));
    EXPECT_EQ(c[4], (Vec3{11, 18, 27}));
    EXPECT_EQ(c[7], (Vec3{11, 22, 33}));
}

TEST(CuboidQueries, ContainsPointAlongRotatedAxes) {
    const float s = 0.70710677f;
    const Cuboid b = Cuboid::make({}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {2, 0.5f, 0.5f});
    struct Case {
        Vec3 p;
        bool inside;
    };
    for (const Case& c : {Case{{1, 1, 0}, true}, Case{{-1, -1, 0}, true}, Case{{1, -1, 0}, false},
                          Case{{2, 0, 0}, false}, Case{{kNaN, 0, 0}, true}})
        EXPECT_EQ(b.contains_point(c.p), c.inside) << c.p.x << " " << c.p.y;
    // On a face.
    EXPECT_TRUE(Cuboid::aligned({}, {1, 2, 3}).contains_point({1, 2, 3}));
    EXPECT_FALSE(Cuboid::aligned({}, {1, 2, 3}).contains_point({1, 2, 3.0000005f}));
}

TEST(CuboidBuilders, FromAabbAndOrientation) {
    const Cuboid swapped = Cuboid::from_aabb({1, 1, 1}, {0, 0, 0});
    EXPECT_EQ(swapped.half_extents, (Vec3{-0.5f, -0.5f, -0.5f}));
    EXPECT_EQ(swapped.center, (Vec3{0.5f, 0.5f, 0.5f}));
    EXPECT_TRUE(swapped.axis_aligned);
    const Cuboid o = Cuboid::oriented({1, 2, 3}, Mat3{}, {1, 2, 3});
    EXPECT_FALSE(o.axis_aligned);
    EXPECT_EQ(o.axes, identity_axes);
}

TEST(CuboidBounds, AlignedBoxIsItsOwnAabb) {
    // Non-unit and flipped aligned axes are kept: the aligned pair paths never read them.
    const Cuboid b = Cuboid::make({1, 2, 3}, {{{-2, 0, 0}, {0, 1, 0}, {0, 0, 3}}}, {1, 2, -3});
    const Cuboid a = aabb(b);
    EXPECT_EQ(a.axes, b.axes);
    EXPECT_EQ(a.half_extents, b.half_extents);
    EXPECT_TRUE(a.axis_aligned);
}

TEST(CapsuleQueries, ClosestPointClampsToTheCore) {
    const Capsule up = Capsule::make({0, 0, 0}, {0, 0, 2}, 0.5f);
    EXPECT_EQ(up.closest_point_to({5, 0, 1}), (Vec3{0, 0, 1}));
    EXPECT_EQ(up.closest_point_to({0, 0, -3}), (Vec3{0, 0, 0}));
    EXPECT_EQ(up.closest_point_to({0, 0, 9}), (Vec3{0, 0, 2}));
    const Capsule slanted = Capsule::make({1, 0, 0}, {2, 2, 0}, 0.5f);
    EXPECT_EQ(slanted.closest_point_to({3, 1, 7}), (Vec3{2.5f, 1.5f, 0}));
    EXPECT_EQ(Capsule::make({1, 2, 3}, {}, 1).closest_point_to({9, 9, 9}), (Vec3{1, 2, 3}));
    EXPECT_TRUE(std::isnan(up.closest_point_to({0, 0, kNaN}).z));
}

TEST(CylinderQueries, DistanceAndContainment) {
    const Cylinder c = Cylinder::make({0, 0, 0}, {0, 0, 2}, 1);
    struct Case {
        Vec3 q;
        float dist_sq;
        bool inside;
    };
    for (const Case& k : {Case{{3, 0, 1}, 4, false}, Case{{0, 0, 3}, 1, false}, Case{{3, 0, 3}, 5, false},
                          Case{{0, 0, 2}, 0, true}, Case{{1, 0, 1}, 0, true}, Case{{0.5f, 0, -1}, 1, false}}) {
        EXPECT_EQ(c.point_dist_sq(k.q), k.dist_sq) << k.q.x << " " << k.q.z;
        EXPECT_EQ(c.contains_point(k.q), k.inside) << k.q.x << " " << k.q.z;
    }
    EXPECT_FALSE(c.contains_point({0, 0, 2.001f}));
    EXPECT_FALSE(c.contains_point({1.001f, 0, 1}));
    EXPECT_FALSE(c.contains_point({kNaN, 0, 1}));
    // Degenerate: the ball of the radius about p1.
    const Cylinder point = Cylinder::make({1, 0, 0}, {}, 1);
    EXPECT_TRUE(point.contains_point({2, 0, 0}));
    EXPECT_FALSE(point.contains_point({2.001f, 0, 0}));
    EXPECT_EQ(point.point_dist_sq({4, 0, 0}), 4.0f);
}

}  // namespace
