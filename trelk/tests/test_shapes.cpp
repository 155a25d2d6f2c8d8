// Shape values: derived fields exactly as the builders define them, polygon frames and vertex
// order, the polytope's fitted box, deep copies and borrowed views.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "trelk.hpp"

namespace {

using namespace trelk;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

static_assert(Transformable<Sphere> && Transformable<Capsule> && Transformable<Cylinder> &&
              Transformable<Cuboid> && Transformable<Line> && Transformable<Ray> &&
              Transformable<LineSegment> && Transformable<Plane> && Transformable<ConvexPolygon> &&
              Transformable<ConvexPolytope>);
static_assert(Bounded<Sphere> && Bounded<Capsule> && Bounded<Cylinder> && Bounded<Cuboid> &&
              Bounded<LineSegment> && Bounded<ConvexPolygon> && Bounded<ConvexPolytope>);
static_assert(!Bounded<Line> && !Bounded<Ray> && !Bounded<Plane>);
static_assert(CollidesWith<Cuboid, Cuboid>);

TEST(ShapeBuilders, AxisShapeDerivedFields) {
    struct Case {
        Vec3 dir;
        float rdv;
        bool z_aligned;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0.0f, true},
        {{0, 0, 2}, 0.25f, true},
        {{-0.0f, 0.0f, -3}, 1.0f / 9.0f, true},
        {{0, std::sqrt(1e-7f), 0}, 0.0f, false},  // squared length under EPS
        {{1, 0, 0}, 1.0f, false},
        {{kNaN, 0, 0}, 0.0f, false},
    };
    for (const Case& c : cases) {
        Capsule cap = Capsule::make({1, 2, 3}, c.dir, 0.5f);
        Cylinder cyl = Cylinder::make({1, 2, 3}, c.dir, 0.5f);
        EXPECT_EQ(cap.rdv, c.rdv);
        EXPECT_EQ(cap.z_aligned, c.z_aligned);
        EXPECT_EQ(cyl.rdv, c.rdv);
        EXPECT_EQ(cyl.z_aligned, c.z_aligned);
        EXPECT_EQ(Line::make({}, c.dir).rdv, c.rdv);
        EXPECT_EQ(Ray::make({}, c.dir).rdv, c.rdv);
        EXPECT_EQ(LineSegment::make({}, c.dir).rdv, c.rdv);
    }
    LineSegment s = LineSegment::between({1e8f, 0, 0}, {1e8f + 8.0f, 1, 0});
    EXPECT_EQ(s.dir.x, 8.0f);
    EXPECT_EQ(s.p1.x, 1e8f);
}

TEST(ShapeBuilders, LineFromPointsAndPlaneFromPointNormal) {
    const Line l = Line::from_points({1e8f, 2, 3}, {0.5f, 6, 3});
    const LineSegment s = LineSegment::between({1e8f, 2, 3}, {0.5f, 6, 3});
    EXPECT_EQ(l.origin, s.p1);
    EXPECT_EQ(l.dir, s.dir);
    EXPECT_EQ(l.dir.x, -1e8f);  // the difference of the narrowed ends
    EXPECT_EQ(l.rdv, s.rdv);
    EXPECT_EQ(Line::from_points({1, 2, 3}, {1, 2, 3}).rdv, 0.0f);

    const Plane p = Plane::from_point_normal({1, 2, 3}, {0, 0, 2});
    EXPECT_EQ(p.normal, (Vec3{0, 0, 2}));
    EXPECT_EQ(p.d, 6.0f);
    EXPECT_EQ(Plane::from_point_normal({0.1f, 0.2f, 0.3f}, {1, 1, 1}).d, (0.1f + 0.2f) + 0.3f);
}

TEST(ShapeBuilders, CuboidAlignedFlagIgnoresTheDiagonal) {
    EXPECT_TRUE(Cuboid::make({}, {{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {1, 1, 1}).axis_aligned);
    EXPECT_TRUE(Cuboid::make({}, {{{-0.0f, -0.0f, 0}, {0, 2, 0}, {0, 0, 1}}}, {1, 1, 1}).axis_aligned);
    EXPECT_FALSE(Cuboid::make({}, {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}, {1, 1, 1}).axis_aligned);
    EXPECT_FALSE(Cuboid::make({}, {{{1, 0, 0}, {0, 1, 1e-30f}, {0, 0, 1}}}, {1, 1, 1}).axis_aligned);
}

TEST(ConvexPolygonBuild, FrameFromNormal) {
    struct Case {
        Vec3 normal, u, v;
    };
    const Case cases[] = {
        {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, -1}, {1, 0, 0}},
        {{0, -1, 0}, {0, 0, 1}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        ConvexPolygon p = ConvexPolygon::make({}, c.normal, {});
        EXPECT_EQ(p.u_axis, c.u);
        EXPECT_EQ(p.v_axis, c.v);
    }
    // |0.9f| is not below 0.9f: the x axis is the reference, so u lies in the y-z plane.
    ConvexPolygon tilted = ConvexPolygon::make({}, {0, 0.9f, 0.43589f}, {});
    EXPECT_EQ(tilted.u_axis.x, 0.0f);
    ConvexPolygon below = ConvexPolygon::make({}, {0, 0.89f, 0.456f}, {});
    EXPECT_EQ(below.u_axis.y, 0.0f);
    EXPECT_TRUE(std::isnan(ConvexPolygon::make({}, {0, 0, 0}, {}).u_axis.x));
    ConvexPolygon nan_y = ConvexPolygon::make({}, {0, kNaN, 1}, {});
    EXPECT_TRUE(std::isnan(nan_y.u_axis.y));
}

TEST(ConvexPolygonBuild, VertexOrderEdgesAndRadius) {
    ConvexPolygon cw = ConvexPolygon::make({}, {0, 0, 1}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}});
    EXPECT_EQ(cw.vertices_2d, (std::vector<Vec2f>{{1, 0}, {1, 1}, {0, 1}, {0, 0}}));

    ConvexPolygon ccw = ConvexPolygon::make({5, 0, 0}, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(ccw.vertices_2d, (std::vector<Vec2f>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
    ASSERT_EQ(ccw.edge_normals_2d.size(), 4u);
    EXPECT_EQ(ccw.edge_normals_2d[0], (Vec2f{0, -1}));
    EXPECT_EQ(ccw.edge_offsets_2d[0], 0.0f);
    EXPECT_EQ(ccw.edge_normals_2d[1], (Vec2f{1, 0}));
    EXPECT_EQ(ccw.edge_offsets_2d[1], 1.0f);
    EXPECT_EQ(ccw.bounding_radius, std::sqrt(2.0f));
    // u = (-1, 0, 0): the 2-D vertex (1, 0) sits at x = 5 - 1.
    EXPECT_EQ(ccw.vertices_3d[1], (Vec3{4, 0, 0}));

    ConvexPolygon collinear = ConvexPolygon::make({}, {0, 0, 1}, {{2, 2}, {1, 1}, {0, 0}});
    EXPECT_EQ(collinear.vertices_2d[0], (Vec2f{2, 2}));

    ConvexPolygon repeated = ConvexPolygon::make({}, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 0}, {0, 1}});
    EXPECT_TRUE(std::isnan(repeated.edge_normals_2d[1][0]));
    EXPECT_TRUE(std::isnan(repeated.edge_offsets_2d[1]));
    EXPECT_FALSE(std::isnan(repeated.edge_offsets_2d[0]));

    ConvexPolygon single = ConvexPolygon::make({}, {0, 0, 1}, {{3, 4}});
    ASSERT_EQ(single.edge_normals_2d.size(), 1u);
    EXPECT_TRUE(std::isnan(single.edge_offsets_2d[0]));
    EXPECT_EQ(single.bounding_radius, 5.0f);

    ConvexPolygon empty = ConvexPolygon::make({1, 1, 1}, {0, 0, 1}, {});
    EXPECT_TRUE(empty.edge_normals_2d.empty() && empty.edge_offsets_2d.empty() && empty.vertices_3d.empty());
    EXPECT_EQ(empty.bounding_radius, 0.0f);

    ConvexPolygon with_nan = ConvexPolygon::make({}, {0, 0, 1}, {{kNaN, 0}, {3, 4}, {0, 1}});
    EXPECT_EQ(with_nan.bounding_radius, 5.0f);  // the NaN distance is passed over
}

TEST(ConvexPolygonBuild, CopiesAreDeepAndViewsBorrow) {
    ConvexPolygon a = ConvexPolygon::make({}, {0, 0, 1}, {{0, 0}, {1, 0}, {0, 1}});
    ConvexPolygon b = a;
    b.vertices_3d[0].x = 99.0f;
    EXPECT_NE(a.vertices_3d[0].x, 99.0f);
    RefConvexPolygon view = RefConvexPolygon::of(a);
    EXPECT_EQ(view.vertices_2d.data(), a.vertices_2d.data());
    EXPECT_EQ(view.edge_offsets_2d.size(), 3u);
    EXPECT_EQ(view.bounding_radius, a.bounding_radius);
}

TEST(ConvexPolytopeBuild, BoxFitEdgeCases) {
    ConvexPolytope none = ConvexPolytope::make({{{1, 0, 0}, 1}}, {});
    EXPECT_EQ(none.obb.center, Vec3{});
    EXPECT_EQ(none.obb.axes, identity_axes);
    EXPECT_EQ(none.obb.half_extents, Vec3{});
    EXPECT_TRUE(none.obb.axis_aligned);
    EXPECT_EQ(none.planes.size(), 1u);

    std::vector<Vec3> corners;
    for (float x : {-1.0f, 1.0f})
        for (float y : {-2.0f, 2.0f})
            for (float z : {-3.0f, 3.0f}) corners.push_back({x, y, z});
    ConvexPolytope box = ConvexPolytope::make({}, corners);
    EXPECT_EQ(box.obb.center, Vec3{});
    EXPECT_EQ(box.obb.axes, identity_axes);
    EXPECT_EQ(box.obb.half_extents, (Vec3{1, 2, 3}));
    EXPECT_TRUE(box.obb.axis_aligned);

    ConvexPolytope one = ConvexPolytope::make({}, {{4, 5, 6}});
    EXPECT_EQ(one.obb.center, (Vec3{4, 5, 6}));
    EXPECT_EQ(one.obb.half_extents, Vec3{});

    RefConvexPolytope view = RefConvexPolytope::of(box);
    EXPECT_EQ(view.vertices.data(), box.vertices.data());
    EXPECT_EQ(view.obb.half_extents, box.obb.half_extents);
}

// An axis-aligned box is its own aabb, whatever the sign or length of its axes; any other box gets
// the aligned box around it.
TEST(ConvexPolytopeBuild, AabbKeepsAnAlignedBox) {
    ConvexPolytope p = ConvexPolytope::make({}, {{0, 0, 0}});
    p.obb = Cuboid::make({1, 2, 3}, {Vec3{-2, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {1, INFINITY, 3});
    const Cuboid kept = aabb(p);
    EXPECT_EQ(kept.axes, p.obb.axes);
    EXPECT_EQ(kept.half_extents, p.obb.half_extents);  // no 0 * inf in a copy
    EXPECT_TRUE(kept.axis_aligned);

    const float h = std::sqrt(0.5f);
    p.obb = Cuboid::make({1, 2, 3}, {Vec3{h, h, 0}, Vec3{-h, h, 0}, Vec3{0, 0, 1}}, {1, 1, 2});
    const Cuboid around = aabb(p);
    EXPECT_EQ(around.axes, identity_axes);
    EXPECT_EQ(around.center, (Vec3{1, 2, 3}));
    EXPECT_EQ(around.half_extents, (Vec3{h + h, h + h, 2}));
}

// One plane rotation of the covariance: theta = atan2(2 a01, a00 - a11) / 2, and the axes become
// (c e0 + s e1, c e1 - s e0). They keep their slots (no sorting by eigenvalue), so for a negative
// covariance e0 ends on the smaller spread.
TEST(ConvexPolytopeBuild, BoxFitRotationSignsAndSlots) {
    const float h = std::sqrt(0.5f);
    struct Case {
        std::vector<Vec3> points;
        Vec3 e0, e1;
    };
    const Case cases[] = {
        {{{2, 2, 0}, {-2, -2, 0}, {1, -1, 0}, {-1, 1, 0}}, {h, h, 0}, {-h, h, 0}},
        {{{2, -2, 0}, {-2, 2, 0}, {1, 1, 0}, {-1, -1, 0}}, {h, -h, 0}, {h, h, 0}},
    };
    for (const Case& c : cases) {
        const Cuboid b = ConvexPolytope::make({}, c.points).obb;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(b.axes[0][k], c.e0[k], 1e-6f);
            EXPECT_NEAR(b.axes[1][k], c.e1[k], 1e-6f);
        }
        EXPECT_EQ(b.axes[2], (Vec3{0, 0, 1}));
        EXPECT_NEAR(b.half_extents.x, 2 * std::sqrt(2.0f), 1e-5f);  // the long diagonal stays in slot 0
        EXPECT_NEAR(b.half_extents.y, std::sqrt(2.0f), 1e-5f);
        EXPECT_EQ(b.half_extents.z, 0.0f);
        EXPECT_FALSE(b.axis_aligned);
    }
}

// Off-diagonal covariance below 1e-10 stops the rotations before the first one.
TEST(ConvexPolytopeBuild, BoxFitStopsBelowTheThreshold) {
    auto fit = [](float eps) { return ConvexPolytope::make({}, {{1, eps, 0}, {-1, 0, 0}, {0, 0, 0}}).obb; };  // a01 = eps / 3
    const Cuboid below = fit(2.4e-10f), above = fit(6e-10f);
    EXPECT_EQ(below.axes, identity_axes);
    EXPECT_TRUE(below.axis_aligned);
    EXPECT_NE(above.axes[0].y, 0.0f);
    EXPECT_FALSE(above.axis_aligned);
}

// A rotated, shifted box's corners: the fitted box finds its frame and holds every corner.
TEST(ConvexPolytopeBuild, FittedBoxFollowsRotatedPointSets) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int trial = 0; trial < 200; ++trial) {
        Vec3 axis = normalize(Vec3{u(rng), u(rng), u(rng)});
        float angle = u(rng) * 3.0f;
        Quat q{axis.x * std::sin(angle / 2), axis.y * std::sin(angle / 2), axis.z * std::sin(angle / 2),
               std::cos(angle / 2)};
        Vec3 shift{u(rng) * 10, u(rng) * 10, u(rng) * 10};
        Vec3 half{1.0f + std::fabs(u(rng)), 2.5f + std::fabs(u(rng)), 5.0f + std::fabs(u(rng))};
        // Corners and interior points, each mirrored through the box's three mid planes so that the
        // covariance is diagonal in the box's own frame.
        std::vector<Vec3> pts;
        for (int k = 0; k < 4; ++k) {
            Vec3 local = k == 0 ? half : Vec3{half.x * u(rng), half.y * u(rng), half.z * u(rng)};
            for (int m = 0; m < 8; ++m)
                pts.push_back(q * Vec3{m & 1 ? local.x : -local.x, m & 2 ? local.y : -local.y,
                                       m & 4 ? local.z : -local.z} +
                              shift);
        }
        Cuboid b = ConvexPolytope::make({}, pts).obb;
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(length(b.axes[i]), 1.0f, 1e-5f);
            for (int j = i + 1; j < 3; ++j) EXPECT_NEAR(dot(b.axes[i], b.axes[j]), 0.0f, 1e-5f);
        }
        for (const Vec3& p : pts) EXPECT_LE(b.point_dist_sq(p), 1e-8f);
        // Volume close to the true box's: the frame was found, not just some enclosing box.
        float vol = b.half_extents.x * b.half_extents.y * b.half_extents.z;
        EXPECT_NEAR(vol, half.x * half.y * half.z, 0.01f * half.x * half.y * half.z);
    }
}

}  // namespace
