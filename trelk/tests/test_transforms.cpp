// Transforms change exactly the fields each kind moves and recompute only the derived fields that
// follow them; every bound holds the whole shape.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "trelk.hpp"

namespace {

using namespace trelk;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kH = std::sqrt(0.5f);
const Quat kQuarterZ{0, 0, kH, kH};
const Quat kQuarterX{kH, 0, 0, kH};
const Mat3 kQuarterZMat{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
const Mat3 kDouble{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}};

void expect_near(Vec3 a, Vec3 b, float tol = 1e-6f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

TEST(Transforms, SphereMovesAboutTheOrigin) {
    Sphere s{{1, 0, 0}, 0.5f};
    rotate_quat(s, kQuarterZ);
    expect_near(s.center, {0, 1, 0});
    Sphere m{{1, 0, 0}, 0.5f};
    rotate_mat(m, kQuarterZMat);
    EXPECT_EQ(m.center, (Vec3{0, 1, 0}));
    translate(m, {1, 2, 3});
    EXPECT_EQ(m.center, (Vec3{1, 3, 3}));
    scale(m, 2.0f);
    EXPECT_EQ(m.radius, 1.0f);
    EXPECT_EQ(m.center, (Vec3{1, 3, 3}));
    transform(m, Affine3A{kDouble, {1, 0, 0}});
    EXPECT_EQ(m.center, (Vec3{3, 6, 6}));
    EXPECT_EQ(m.radius, 1.0f);  // affine maps never resize radii
}

TEST(Transforms, CapsuleKeepsRdvUnderRotationAndRecomputesUnderAffine) {
    Capsule c = Capsule::make({1, 0, 0}, {0, 0, 2}, 0.5f);
    Sphere bs = broadphase(c);
    EXPECT_EQ(bs.center, (Vec3{1, 0, 1}));
    EXPECT_EQ(bs.radius, 1.5f);

    Capsule r = c;
    rotate_quat(r, kQuarterX);
    expect_near(r.dir, {0, -2, 0});
    EXPECT_FALSE(r.z_aligned);
    EXPECT_EQ(r.rdv, 0.25f);

    Capsule big = c;
    rotate_mat(big, kDouble);  // a scaling "rotation" gives rdv for the longer dir
    EXPECT_EQ(big.rdv, 1.0f / 16.0f);
    EXPECT_TRUE(big.z_aligned);
    Capsule moved = c;
    transform(moved, Affine3A{kDouble, {0, 0, 1}});
    EXPECT_EQ(moved.dir, (Vec3{0, 0, 4}));
    EXPECT_EQ(moved.p1, (Vec3{2, 0, 1}));
    EXPECT_EQ(moved.rdv, 1.0f / 16.0f);
    EXPECT_EQ(moved.radius, 0.5f);

    Capsule scaled = c;
    scale(scaled, 0.0f);
    EXPECT_EQ(scaled.rdv, 0.0f);
    EXPECT_EQ(scaled.radius, 0.0f);
    EXPECT_EQ(scaled.p1, c.p1);

    Cylinder cyl = Cylinder::make({1, 0, 0}, {0, 0, 2}, 0.5f);
    scale(cyl, 2.0f);
    EXPECT_EQ(cyl.dir, (Vec3{0, 0, 4}));
    EXPECT_EQ(cyl.radius, 1.0f);
    EXPECT_EQ(cyl.rdv, 1.0f / 16.0f);
}

TEST(Transforms, LineLikeKinds) {
    Line l = Line::make({1, 0, 0}, {1, 1, 0});
    transform(l, Affine3A{kDouble, {0, 0, 5}});
    EXPECT_EQ(l.dir, (Vec3{2, 2, 0}));
    EXPECT_EQ(l.rdv, 0.125f);  // a quarter of 0.5
    EXPECT_EQ(l.origin, (Vec3{2, 0, 5}));
    Ray r = Ray::make({1, 0, 0}, {1, 0, 0});
    rotate_mat(r, kDouble);
    EXPECT_EQ(r.rdv, 0.25f);
    scale(r, 3.0f);
    EXPECT_EQ(r.dir, (Vec3{6, 0, 0}));
    EXPECT_EQ(r.rdv, 1.0f / 36.0f);
    EXPECT_EQ(r.origin, (Vec3{2, 0, 0}));
    LineSegment s = LineSegment::make({1, 1, 1}, {0, 2, 0});
    translate(s, {1, 0, 0});
    EXPECT_EQ(s.p1, (Vec3{2, 1, 1}));
    EXPECT_EQ(s.dir, (Vec3{0, 2, 0}));
}

TEST(Transforms, PlaneOffsetsFollowTheNormal) {
    Plane p{{0, 0, 1}, 1.0f};
    Plane t = p;
    translate(t, {0, 0, 2});
    EXPECT_EQ(t.d, 3.0f);
    Plane s = p;
    scale(s, 3.0f);
    EXPECT_EQ(s.d, 3.0f);
    EXPECT_EQ(s.normal, p.normal);
    Plane r = p;
    rotate_quat(r, kQuarterX);
    EXPECT_EQ(r.d, 1.0f);
    expect_near(r.normal, {0, -1, 0});
    Plane a = p;
    transform(a, Affine3A{kQuarterZMat, {0, 0, 4}});
    EXPECT_EQ(a.d, 5.0f);
    // The boundary point (0, 0, 1) maps to (0, 0, 5), still on the boundary.
    EXPECT_EQ(dot(a.normal, Vec3{0, 0, 5}), a.d);
}

TEST(Transforms, CuboidQuarterTurnLosesTheAlignedFlag) {
    Cuboid b = Cuboid::aligned({}, {1, 2, 3});
    rotate_quat(b, kQuarterZ);
    expect_near(b.axes[0], {0, 1, 0});
    expect_near(b.axes[1], {-1, 0, 0});
    expect_near(b.axes[2], {0, 0, 1});
    EXPECT_FALSE(b.axis_aligned);
    Cuboid box = aabb(b);
    expect_near(box.half_extents, {2, 1, 3}, 1e-5f);
    EXPECT_TRUE(box.axis_aligned);
    EXPECT_EQ(box.axes, identity_axes);

    Cuboid flipped = Cuboid::aligned({}, {1, 2, 3});
    rotate_mat(flipped, Mat3{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}});
    EXPECT_TRUE(flipped.axis_aligned);
    scale(flipped, 2.0f);
    EXPECT_EQ(flipped.half_extents, (Vec3{2, 4, 6}));

    // Not aligned: an aligned box is its own bound.
    Cuboid infinite = Cuboid::make({}, {{{std::numeric_limits<float>::infinity(), 0, 0}, {0, 1, 0}, {0, 0.5f, 1}}},
                                   {1, 1, 1});
    EXPECT_TRUE(std::isnan(aabb(infinite).half_extents.y));  // inf * 0 inside the full dot product
}

TEST(Transforms, PolygonMovesItsPointsAndRescalesItsOutline) {
    ConvexPolygon p = ConvexPolygon::make({1, 0, 0}, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    ConvexPolygon t = p;
    translate(t, {0, 0, 2});
    EXPECT_EQ(t.center, (Vec3{1, 0, 2}));
    EXPECT_EQ(t.vertices_3d[2], (p.vertices_3d[2] + Vec3{0, 0, 2}));
    ConvexPolygon r = p;
    rotate_quat(r, kQuarterZ);
    EXPECT_EQ(r.vertices_2d, p.vertices_2d);
    EXPECT_EQ(r.edge_offsets_2d, p.edge_offsets_2d);
    expect_near(r.vertices_3d[1], kQuarterZ * p.vertices_3d[1]);
    expect_near(r.u_axis, {0, -1, 0});
    ConvexPolygon s = p;
    scale(s, 2.0f);
    EXPECT_EQ(s.vertices_2d[2], (Vec2f{2, 2}));
    EXPECT_EQ(s.edge_offsets_2d[1], 2.0f);
    EXPECT_EQ(s.bounding_radius, 2.0f * std::sqrt(2.0f));
    EXPECT_EQ(s.vertices_3d[1], (Vec3{-1, 0, 0}));  // resized about center (1, 0, 0)
}

TEST(Transforms, PolytopeScalesEverythingAboutTheOrigin) {
    std::vector<Vec3> verts = {{9, -1, -1}, {11, -1, -1}, {9, 1, -1}, {11, 1, -1},
                               {9, -1, 1},  {11, -1, 1},  {9, 1, 1},  {11, 1, 1}};
    ConvexPolytope p = ConvexPolytope::make({{{1, 0, 0}, 11}, {{-1, 0, 0}, -9}}, verts);
    ConvexPolytope s = p;
    scale(s, 2.0f);
    EXPECT_EQ(s.planes[0].d, 22.0f);
    EXPECT_EQ(s.planes[1].d, -18.0f);
    EXPECT_EQ(s.vertices[0], (Vec3{18, -2, -2}));
    expect_near(s.obb.center, {20, 0, 0}, 1e-5f);
    for (const Vec3& v : s.vertices) EXPECT_LE(s.obb.point_dist_sq(v), 1e-10f);

    Affine3A a{kQuarterZMat, {1, 2, 3}};
    ConvexPolytope generic = p, member = p;
    transform(generic, a);
    member.transform(a);
    EXPECT_EQ(generic.vertices, member.vertices);
    EXPECT_EQ(generic.obb.center, member.obb.center);
    EXPECT_EQ(generic.planes[0].d, 11.0f + dot(generic.planes[0].normal, Vec3{1, 2, 3}));
    EXPECT_EQ(generic.planes[0].normal, (Vec3{0, 1, 0}));

    ConvexPolytope moved = p;
    translate(moved, {1, 0, 0});
    EXPECT_EQ(moved.planes[0].d, 12.0f);
    EXPECT_EQ(moved.planes[1].d, -10.0f);
    EXPECT_EQ(moved.obb.center, (p.obb.center + Vec3{1, 0, 0}));
}

TEST(Bounds, SegmentBoxesWithNonFiniteEnds) {
    // A NaN end makes its axes NaN; min/max-num would have boxed the finite end alone.
    Cuboid nan_dir = aabb(LineSegment::make({1, 2, 3}, {kNaN, 1, 0}));
    EXPECT_TRUE(std::isnan(nan_dir.center.x) && std::isnan(nan_dir.half_extents.x));
    EXPECT_EQ(nan_dir.center.y, 2.5f);
    EXPECT_EQ(nan_dir.half_extents.y, 0.5f);
    // A point-like segment at infinity: centre inf, half extent NaN (inf - inf).
    Cuboid far = obb(LineSegment::make({INF, 0, 0}, {}));
    EXPECT_EQ(far.center.x, INF);
    EXPECT_TRUE(std::isnan(far.half_extents.x));
    EXPECT_EQ(far.half_extents.y, 0.0f);
}

TEST(Bounds, DegenerateAndExactBoxes) {
    LineSegment point = LineSegment::make({1, 2, 3}, {});
    Cuboid b = obb(point);
    EXPECT_EQ(b.center, (Vec3{1, 2, 3}));
    EXPECT_EQ(b.half_extents, Vec3{});
    EXPECT_EQ(b.axes, identity_axes);
    Capsule dot_capsule = Capsule::make({1, 2, 3}, {}, 0.5f);
    EXPECT_EQ(obb(dot_capsule).half_extents, (Vec3{0.5f, 0.5f, 0.5f}));

    Capsule along_x = Capsule::make({0, 0, 0}, {4, 0, 0}, 1.0f);
    Cuboid cb = obb(along_x);
    EXPECT_EQ(cb.center, (Vec3{2, 0, 0}));
    EXPECT_EQ(cb.half_extents, (Vec3{3, 1, 1}));
    EXPECT_EQ(cb.axes[0], (Vec3{1, 0, 0}));  // |a.x| is not below 0.9: reference is y
    EXPECT_EQ(obb(Cylinder::make({0, 0, 0}, {4, 0, 0}, 1.0f)).half_extents, (Vec3{2, 1, 1}));
    EXPECT_EQ(obb(LineSegment::make({0, 0, 0}, {4, 0, 0})).half_extents, (Vec3{2, 0, 0}));
    Cuboid ab = aabb(along_x);
    EXPECT_EQ(ab.center, (Vec3{2, 0, 0}));
    EXPECT_EQ(ab.half_extents, (Vec3{3, 1, 1}));
    EXPECT_EQ(aabb(LineSegment::make({0, 0, 0}, {4, -2, 0})).half_extents, (Vec3{2, 1, 0}));

    Capsule vertical = Capsule::make({0, 0, 0}, {0, 0, -6}, 1.0f);
    EXPECT_EQ(broadphase(vertical).radius, 4.0f);
    EXPECT_EQ(broadphase(Cuboid::aligned({}, {2, 3, 6})).radius, 7.0f);

    ConvexPolygon empty = ConvexPolygon::make({1, 1, 1}, {0, 0, 1}, {});
    EXPECT_EQ(aabb(empty).center, (Vec3{1, 1, 1}));
    EXPECT_EQ(aabb(empty).half_extents, Vec3{});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ConvexPolygon nan_vertex = ConvexPolygon::make({0, 0, 0}, {0, 0, 1}, {{0, 0}, {nan, 0}, {2, 2}, {0, 2}});
    Cuboid pb = aabb(nan_vertex);
    EXPECT_FALSE(std::isnan(pb.half_extents.x));
    EXPECT_EQ(pb.half_extents.y, 1.0f);
}

// The stored polygon radius is measured in the 2-D frame: a frame stretched by a long normal or a
// scaling map widens the bounding sphere, a unit frame (also after a rotation) keeps it bit for bit.
TEST(Bounds, PolygonSphereHoldsStretchedOutlines) {
    const std::vector<Vec2f> square{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    ConvexPolygon long_normal = ConvexPolygon::make({1, 2, 3}, {0, 0, 4}, square);  // v_axis (0, 4, 0)
    ConvexPolygon doubled = ConvexPolygon::make({1, 2, 3}, {0.6f, 0, 0.8f}, square);
    rotate_mat(doubled, kDouble);
    struct Case {
        const char* what;
        const ConvexPolygon& polygon;
        float radius;
    };
    for (const Case& c : {Case{"long normal", long_normal, 4 * std::sqrt(2.0f)}, Case{"doubled", doubled, 2 * std::sqrt(2.0f)}}) {
        const Sphere s = broadphase(c.polygon);
        EXPECT_EQ(s.center, c.polygon.center) << c.what;
        EXPECT_NEAR(s.radius, c.radius, 1e-5f) << c.what;
        for (const Vec3& v : c.polygon.vertices_3d) EXPECT_LE(length(v - s.center), s.radius) << c.what;
    }

    ConvexPolygon turned = ConvexPolygon::make({1, 2, 3}, {0.6f, 0, 0.8f}, square);
    EXPECT_EQ(broadphase(turned).radius, turned.bounding_radius);
    for (const Quat& q : {kQuarterX, kQuarterZ, Quat{0.1f, -0.7f, 0.5f, 0.5f}}) {
        ConvexPolygon r = turned;
        rotate_quat(r, q);
        EXPECT_EQ(broadphase(r).radius, turned.bounding_radius);
    }
}

// Random shapes, random points inside each: every bound must hold every point.
TEST(Bounds, EveryBoundHoldsTheShape) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    auto rvec = [&](float s) { return Vec3{u(rng) * s, u(rng) * s, u(rng) * s}; };
    auto in_ball = [&](float r) {
        for (;;) {
            Vec3 p = rvec(1.0f);
            if (length_sq(p) <= 1.0f) return p * r;
        }
    };
    auto rotation = [&] {
        Vec3 axis = normalize(rvec(1.0f));
        float a = u(rng) * 3.1f;
        float s = std::sin(a / 2);
        return Quat{axis.x * s, axis.y * s, axis.z * s, std::cos(a / 2)};
    };
    auto check = [&](const auto& shape, const std::function<Vec3()>& sample, const char* what) {
        Sphere bs = broadphase(shape);
        Cuboid ob = obb(shape), ab = aabb(shape);
        EXPECT_TRUE(ab.axis_aligned);
        for (int k = 0; k < 50; ++k) {
            Vec3 p = sample();
            const float tol = 1e-4f;
            ASSERT_LE(length(p - bs.center), bs.radius + tol) << what;
            ASSERT_LE(ob.point_dist_sq(p), tol * tol) << what;
            ASSERT_LE(ab.point_dist_sq(p), tol * tol) << what;
        }
    };
    for (int trial = 0; trial < 300; ++trial) {
        Vec3 p1 = rvec(5.0f);
        Vec3 dir = trial % 7 == 0 ? Vec3{0, 0, u(rng) * 3} : rvec(3.0f);
        float r = 0.1f + std::fabs(u(rng));
        Capsule cap = Capsule::make(p1, dir, r);
        check(cap, [&] { return p1 + dir * (0.5f + 0.5f * u(rng)) + in_ball(r); }, "capsule");
        Cylinder cyl = Cylinder::make(p1, dir, r);
        check(cyl, [&] {
            Vec3 off = in_ball(r);
            Vec3 a = normalize_or_zero(dir);
            return p1 + dir * (0.5f + 0.5f * u(rng)) + (off - a * dot(off, a));
        }, "cylinder");
        LineSegment seg = LineSegment::make(p1, dir);
        check(seg, [&] { return p1 + dir * (0.5f + 0.5f * u(rng)); }, "segment");
        Sphere sph{p1, r};
        check(sph, [&] { return p1 + in_ball(r); }, "sphere");

        Quat q = rotation();
        Cuboid box = Cuboid::make(p1, {q * Vec3{1, 0, 0}, q * Vec3{0, 1, 0}, q * Vec3{0, 0, 1}},
                                  {std::fabs(u(rng)) * 2, std::fabs(u(rng)) * 2, std::fabs(u(rng)) * 2});
        check(box, [&] {
            return box.center + box.axes[0] * (box.half_extents.x * u(rng)) +
                   box.axes[1] * (box.half_extents.y * u(rng)) + box.axes[2] * (box.half_extents.z * u(rng));
        }, "cuboid");

        std::vector<Vec2f> outline;
        for (int k = 0; k < 6; ++k) {
            float a = float(k) + u(rng) * 0.3f;
            outline.push_back({std::cos(a) * 2 + 0.5f, std::sin(a) * 2});
        }
        ConvexPolygon poly = ConvexPolygon::make(p1, normalize(rvec(1.0f)), outline);
        auto in_hull = [&](const std::vector<Vec3>& pts) {
            float w[8], sum = 0;
            for (std::size_t i = 0; i < pts.size(); ++i) sum += w[i] = std::fabs(u(rng));
            Vec3 p;
            for (std::size_t i = 0; i < pts.size(); ++i) p += pts[i] * (w[i] / sum);
            return p;
        };
        check(poly, [&] { return in_hull(poly.vertices_3d); }, "polygon");

        std::vector<Vec3> verts;
        for (int k = 0; k < 8; ++k) verts.push_back(p1 + rvec(2.0f));
        ConvexPolytope tope = ConvexPolytope::make({}, verts);
        check(tope, [&] { return in_hull(tope.vertices); }, "polytope");
    }
}

}  // namespace
