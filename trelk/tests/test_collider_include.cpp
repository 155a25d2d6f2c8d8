// Merging one collider into another (groups, lanes, mask and bound) and the box around a bound.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "collider/collider.hpp"
#include "collider/query.hpp"

namespace {

using namespace trelk;

void expect_sphere(const Sphere& got, Vec3 c, float r) {
    EXPECT_EQ(got.center.x, c.x);
    EXPECT_EQ(got.center.y, c.y);
    EXPECT_EQ(got.center.z, c.z);
    EXPECT_EQ(got.radius, r);
}

Collider<NoPcl> balls(std::vector<Sphere> items) {
    Collider<NoPcl> c;
    for (const Sphere& s : items) add(c, s);
    return c;
}

TEST(ColliderInclude, ItemsFollowTheReceiversAndLanesStayInStep) {
    Collider<NoPcl> c = balls({{{0, 0, 0}, 1}});
    add(c, Capsule::make({0, 0, 0}, {1, 0, 0}, 0.5f));
    Collider<NoPcl> other = balls({{{5, 0, 0}, 1}, {{6, 0, 0}, 1}});
    add(other, Capsule::make({9, 0, 0}, {0, 0, 1}, 0.25f));
    add(other, Plane{{0, 0, 1}, -3});
    include(c, std::move(other));

    ASSERT_EQ(c.spheres.len(), 3u);
    EXPECT_EQ(c.spheres.get(2).center.x, 6.0f);
    EXPECT_EQ(c.spheres.stride(), 16u);
    EXPECT_TRUE(std::isnan(c.spheres.get(3).radius));
    ASSERT_EQ(c.capsules.size(), 2u);
    EXPECT_EQ(c.capsules.items()[1].p1.x, 9.0f);
    EXPECT_EQ(c.capsules.bounds().get(1).center.x, 9.0f);
    EXPECT_EQ(c.planes.size(), 1u);
    EXPECT_EQ(c.mask, group_bit::spheres | group_bit::capsules | group_bit::planes);
    EXPECT_EQ(c.bounding_sphere.radius, INF);
    EXPECT_TRUE(query_collider(Sphere{{9, 0, 0.5f}, 0.1f}, c));
}

TEST(ColliderInclude, BoundMerge) {
    // An empty receiver takes the other's bound exactly, a zero-radius one at the origin included.
    Collider<NoPcl> empty;
    include(empty, balls({{{3, 0, 0}, 2}}));
    expect_sphere(empty.bounding_sphere, {3, 0, 0}, 2);

    // An empty other still merges its all-zero bound: a point at the origin.
    Collider<NoPcl> far = balls({{{10, 0, 0}, 1}});
    include(far, Collider<NoPcl>{});
    expect_sphere(far.bounding_sphere, {5.5f, 0, 0}, 5.5f);
    EXPECT_EQ(far.mask, group_bit::spheres);

    // An other whose bound encloses the receiver's gives its own bound.
    Collider<NoPcl> small = balls({{{0, 0, 0}, 1}});
    include(small, balls({{{1, 0, 0}, 5}}));
    expect_sphere(small.bounding_sphere, {1, 0, 0}, 5);

    // An infinite other keeps the receiver's centre.
    Collider<NoPcl> inf = balls({{{2, 0, 0}, 1}});
    Collider<NoPcl> plane;
    add(plane, Plane{{0, 0, 1}, 0});
    include(inf, std::move(plane));
    expect_sphere(inf.bounding_sphere, {2, 0, 0}, INF);

    // A receiver holding a zero ball at the origin has a bound: it grows instead of being replaced.
    Collider<NoPcl> zero = balls({{{0, 0, 0}, 0}});
    include(zero, balls({{{4, 0, 0}, 1}}));
    expect_sphere(zero.bounding_sphere, {2.5f, 0, 0}, 2.5f);
}

TEST(ColliderBoxAround, FromTheBound) {
    const Cuboid b = box_around({{1, 2, 3}, 0.5f});
    EXPECT_EQ(b.center.x, 1.0f);
    EXPECT_EQ(b.center.z, 3.0f);
    EXPECT_EQ(b.half_extents.y, 0.5f);
    EXPECT_TRUE(b.axis_aligned);
    const Cuboid inf = box_around({{0, 0, 0}, INF});
    EXPECT_TRUE(std::isnan(inf.center.x));
    EXPECT_EQ(inf.half_extents.x, INF);
}

}  // namespace
