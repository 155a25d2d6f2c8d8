// Point queries of the solids and the aligned box's own bound.
#include <gtest/gtest.h>

#include <limits>

#include "trelk.hpp"

namespace {

using namespace trelk;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(SolidQueries, BoxCornersAndContainment) {
    const auto c = Cuboid::aligned({10, 20, 30}, {1, 2, 3}).corners();
    EXPECT_EQ(c[0], (Vec3{9, 18, 27}));
    EXPECT_EQ(c[1], (Vec3{9, 18, 33}));
    EXPECT_EQ(c[2], (Vec3{9, 22, 27}));
    EXPECT_EQ(c[4], (Vec3{11, 18, 27}));
    const float s = 0.70710677f;
    const Cuboid b = Cuboid::make({}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {2, 0.5f, 0.5f});
    EXPECT_TRUE(b.contains_point({-1, -1, 0}));
    EXPECT_TRUE(b.contains_point({kNaN, 0, 0}));  // NaN rejects on no axis
    EXPECT_FALSE(b.contains_point({1, -1, 0}));
    // Non-unit aligned axes are kept: the aligned pair paths read only the half extents.
    const Cuboid aligned = Cuboid::make({1, 2, 3}, {{{-2, 0, 0}, {0, 1, 0}, {0, 0, 3}}}, {1, 2, -3});
    EXPECT_EQ(aabb(aligned).axes, aligned.axes);
}

TEST(SolidQueries, CapsuleNearestCorePoint) {
    EXPECT_EQ(Capsule::make({}, {0, 0, 2}, 0.5f).closest_point_to({5, 0, 9}), (Vec3{0, 0, 2}));
    EXPECT_EQ(Capsule::make({1, 0, 0}, {2, 2, 0}, 0.5f).closest_point_to({3, 1, 7}), (Vec3{2.5f, 1.5f, 0}));
    EXPECT_EQ(Capsule::make({1, 2, 3}, {}, 1).closest_point_to({9, 9, 9}), (Vec3{1, 2, 3}));
}

TEST(SolidQueries, CylinderDistanceAndContainment) {
    const Cylinder c = Cylinder::make({}, {0, 0, 2}, 1);
    struct Case {
        Vec3 q;
        float dist_sq;
        bool inside;
    };
    for (const Case& k : {Case{{3, 0, 1}, 4, false}, Case{{3, 0, 3}, 5, false}, Case{{0.5f, 0, -1}, 1, false},
                          Case{{1, 0, 2}, 0, true}, Case{{kNaN, 0, 1}, 0, false}}) {
        if (k.q.x == k.q.x) {
            EXPECT_EQ(c.point_dist_sq(k.q), k.dist_sq) << k.q.x << " " << k.q.z;
        }
        EXPECT_EQ(c.contains_point(k.q), k.inside) << k.q.x << " " << k.q.z;
    }
    const Cylinder point = Cylinder::make({1, 0, 0}, {}, 1);  // the ball about p1
    EXPECT_TRUE(point.contains_point({2, 0, 0}));
    EXPECT_EQ(point.point_dist_sq({4, 0, 0}), 4.0f);
}

}  // namespace
