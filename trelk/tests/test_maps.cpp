// Rigid maps follow the written formulas bit for bit; other maps keep each shape consistent with
// itself, and neither a mapped shape nor a mapped collider loses a collision.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "collider/collider.hpp"
#include "collider/collider_pair.hpp"
#include "collider/query.hpp"
#include "collider/transform.hpp"
#include "random_shapes.hpp"
#include "trelk.hpp"

namespace {

using namespace trelk;

// The formulas written out on their own, not through trelk's Mat3 and Quat operators.
Vec3 mat_rule(const Mat3& m, Vec3 v) {
    return {(m.x_axis.x * v.x + m.y_axis.x * v.y) + m.z_axis.x * v.z,
            (m.x_axis.y * v.x + m.y_axis.y * v.y) + m.z_axis.y * v.z,
            (m.x_axis.z * v.x + m.y_axis.z * v.y) + m.z_axis.z * v.z};
}
Vec3 quat_rule(const Quat& q, Vec3 v) {
    const float s = q.w * q.w - ((q.x * q.x + q.y * q.y) + q.z * q.z);
    const float k = 2.0f * ((q.x * v.x + q.y * v.y) + q.z * v.z), w2 = 2.0f * q.w;
    const Vec3 c{q.y * v.z - q.z * v.y, q.z * v.x - q.x * v.z, q.x * v.y - q.y * v.x};
    return {(v.x * s + q.x * k) + c.x * w2, (v.y * s + q.y * k) + c.y * w2, (v.z * s + q.z * k) + c.z * w2};
}
float rdv_rule(Vec3 d) {
    const float l2 = (d.x * d.x + d.y * d.y) + d.z * d.z;
    return l2 > 0x1p-23f ? 1.0f / l2 : 0.0f;
}

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }
::testing::AssertionResult same(Vec3 a, Vec3 b) {
    if (bits(a.x) == bits(b.x) && bits(a.y) == bits(b.y) && bits(a.z) == bits(b.z)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y
                                         << ", " << b.z << ")";
}

enum class Kind { mat, quat, affine };

// One map as the shapes apply it, and the same map by the formulas above.
struct TestMap {
    Kind kind;
    Mat3 m;
    Quat q;
    Vec3 t;

    Vec3 point(Vec3 p) const { return kind == Kind::affine ? mat_rule(m, p) + t : vector(p); }
    Vec3 vector(Vec3 v) const { return kind == Kind::quat ? quat_rule(q, v) : mat_rule(m, v); }
    Mat3 linear() const { return kind == Kind::quat ? quat_rule_matrix(q) : m; }
    template <class S>
    void apply(S& s) const {
        if (kind == Kind::mat) rotate_mat(s, m);
        if (kind == Kind::quat) rotate_quat(s, q);
        if (kind == Kind::affine) transform(s, Affine3A{m, t});
    }
};

std::vector<TestMap> rigid_maps(shapes::Gen& g) {
    const Quat q = g.rotation();
    const Mat3 r = mat3_from_quat(g.rotation());
    const Mat3 flip{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}};
    return {{Kind::mat, r, {}, {}}, {Kind::mat, flip, {}, {}}, {Kind::quat, {}, q, {}}, {Kind::affine, r, {}, g.point()}};
}

// A linear part that is no rotation: turn, stretch each axis by 0.3 to 3 (one of them sometimes
// mirrored), turn again.
Mat3 stretch_matrix(shapes::Gen& g) {
    const Mat3 a = mat3_from_quat(g.rotation()), b = mat3_from_quat(g.rotation());
    const float flip = g.chance(0.25f) ? -1.0f : 1.0f;
    const Mat3 s{{g.uniform(0.3f, 3.0f) * flip, 0, 0}, {0, g.uniform(0.3f, 3.0f), 0}, {0, 0, g.uniform(0.3f, 3.0f)}};
    return a * s * b;
}

std::vector<TestMap> stretching_maps(shapes::Gen& g) {
    Quat q = g.rotation();
    const float k = g.chance(0.5f) ? g.uniform(0.5f, 0.9f) : g.uniform(1.1f, 1.8f);
    q = {q.x * k, q.y * k, q.z * k, q.w * k};
    return {{Kind::mat, stretch_matrix(g), {}, {}}, {Kind::quat, {}, q, {}}, {Kind::affine, stretch_matrix(g), {}, g.point()}};
}

TEST(RigidMaps, FollowTheFormulasBitForBit) {
    shapes::Gen g(41);
    for (int trial = 0; trial < 60; ++trial) {
        for (const TestMap& f : rigid_maps(g)) {
            ASSERT_TRUE(is_rotation(f.linear()));
            const bool affine = f.kind == Kind::affine;

            Capsule c2 = g.capsule();
            c2.rdv *= 1.0f + 4e-7f;  // a stale rdv within the tolerance keeps its bytes
            const Capsule before = c2;
            f.apply(c2);
            EXPECT_TRUE(same(c2.p1, f.point(before.p1)));
            EXPECT_TRUE(same(c2.dir, f.vector(before.dir)));
            EXPECT_EQ(bits(c2.rdv), bits(affine ? rdv_rule(c2.dir) : before.rdv));
            EXPECT_EQ(c2.z_aligned, c2.dir.x == 0 && c2.dir.y == 0);
            EXPECT_EQ(c2.radius, before.radius);

            const Cuboid box0 = g.cuboid();
            Cuboid box = box0;
            f.apply(box);
            EXPECT_TRUE(same(box.center, f.point(box0.center)));
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(box.axes[i], f.vector(box0.axes[i])));
            EXPECT_TRUE(same(box.half_extents, box0.half_extents));
            EXPECT_EQ(box.axis_aligned, axes_aligned(box.axes));

            const LineSegment seg0 = LineSegment::make(g.point(), g.direction());
            LineSegment seg = seg0;
            f.apply(seg);
            EXPECT_TRUE(same(seg.p1, f.point(seg0.p1)));
            EXPECT_TRUE(same(seg.dir, f.vector(seg0.dir)));
            EXPECT_EQ(bits(seg.rdv), bits(affine ? rdv_rule(seg.dir) : seg0.rdv));

            const Plane pl0{g.unit() * g.uniform(0.5f, 2.0f), g.uniform(-2, 2)};
            Plane pl = pl0;
            f.apply(pl);
            EXPECT_TRUE(same(pl.normal, f.vector(pl0.normal)));
            const Vec3 n = pl.normal;
            EXPECT_EQ(bits(pl.d), bits(affine ? pl0.d + ((n.x * f.t.x + n.y * f.t.y) + n.z * f.t.z) : pl0.d));

            const ConvexPolygon poly0 = g.polygon();
            ConvexPolygon poly = poly0;
            f.apply(poly);
            EXPECT_TRUE(same(poly.center, f.point(poly0.center)));
            EXPECT_TRUE(same(poly.normal, f.vector(poly0.normal)));
            EXPECT_TRUE(same(poly.u_axis, f.vector(poly0.u_axis)));
            EXPECT_TRUE(same(poly.v_axis, f.vector(poly0.v_axis)));
            for (std::size_t i = 0; i < poly.vertices_3d.size(); ++i)
                EXPECT_TRUE(same(poly.vertices_3d[i], f.point(poly0.vertices_3d[i])));
            EXPECT_EQ(poly.vertices_2d, poly0.vertices_2d);
            EXPECT_EQ(poly.edge_offsets_2d, poly0.edge_offsets_2d);
            EXPECT_EQ(bits(poly.bounding_radius), bits(poly0.bounding_radius));

            const ConvexPolytope tope0 = g.polytope();
            ConvexPolytope tope = tope0;
            f.apply(tope);
            for (std::size_t i = 0; i < tope.planes.size(); ++i) {
                Plane expect = tope0.planes[i];
                f.apply(expect);
                EXPECT_TRUE(same(tope.planes[i].normal, expect.normal));
                EXPECT_EQ(bits(tope.planes[i].d), bits(expect.d));
            }
            for (std::size_t i = 0; i < tope.vertices.size(); ++i)
                EXPECT_TRUE(same(tope.vertices[i], f.point(tope0.vertices[i])));
            EXPECT_TRUE(same(tope.obb.center, f.point(tope0.obb.center)));
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(tope.obb.axes[i], f.vector(tope0.obb.axes[i])));
            EXPECT_TRUE(same(tope.obb.half_extents, tope0.obb.half_extents));
            EXPECT_EQ(tope.obb.axis_aligned, axes_aligned(tope.obb.axes));
        }
    }
}

// Sphere sets turn by the quaternion rule, whatever the length of q, exactly as one sphere does.
TEST(RigidMaps, SphereSetTurnsLikeEachSphere) {
    shapes::Gen g(8);
    std::vector<Sphere> balls;
    for (int i = 0; i < 21; ++i) balls.push_back({g.point() * 3.0f, g.uniform(0, 1)});
    for (const Quat& q : {g.rotation(), Quat{0, 0, 0, 2}, Quat{0.3f, -1.1f, 0.2f, 0.7f}}) {
        SpheresSoA set = SpheresSoA::from_slice(balls);
        rotate_quat(set, q);
        for (std::size_t i = 0; i < balls.size(); ++i) {
            EXPECT_TRUE(same(set.get(i).center, quat_rule(q, balls[i].center)));
            EXPECT_EQ(set.get(i).radius, balls[i].radius);
        }
    }
}

// Each mend on the example that shows the fault.
TEST(StretchingMaps, RdvFollowsTheNewLength) {
    const Mat3 doubled{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}};
    const Quat q2{0, 0, 0, 2};  // scales by 4
    struct Case {
        TestMap map;
        float rdv;
        Vec3 probe;
    };
    for (const Case& c : {Case{{Kind::mat, doubled, {}, {}}, 0.25f, {1, 0.3f, 0}},
                          Case{{Kind::quat, {}, q2, {}}, 1.0f / 16, {2, 0.3f, 0}}}) {
        LineSegment seg = LineSegment::make({0, 0, 0}, {1, 0, 0});
        Capsule cap = Capsule::make({0, 0, 0}, {1, 0, 0}, 0.0f);
        Cylinder cyl = Cylinder::make({0, 0, 0}, {1, 0, 0}, 0.0f);
        Line line = Line::make({0, 0, 0}, {1, 0, 0});
        Ray ray = Ray::make({0, 0, 0}, {1, 0, 0});
        Collider<NoPcl> col;
        c.map.apply(seg), c.map.apply(cap), c.map.apply(cyl), c.map.apply(line), c.map.apply(ray);
        for (float rdv : {seg.rdv, cap.rdv, cyl.rdv, line.rdv, ray.rdv}) EXPECT_EQ(rdv, c.rdv);
        add(col, seg);
        EXPECT_TRUE(query_collider(Sphere{c.probe, 0.31f}, col));  // the middle of the longer segment
    }
}

TEST(StretchingMaps, HalfSpacesHoldTheMappedPoints) {
    std::vector<Vec3> corners;
    for (float x : {-1.0f, 1.0f})
        for (float y : {-1.0f, 1.0f})
            for (float z : {-1.0f, 1.0f}) corners.push_back({x, y, z});
    const std::vector<Plane> faces{{{1, 0, 0}, 1}, {{-1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, -1, 0}, 1}, {{0, 0, 1}, 1}, {{0, 0, -1}, 1}};
    const Mat3 doubled{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}};
    ConvexPolytope cube = ConvexPolytope::make(faces, corners);
    rotate_mat(cube, doubled);
    for (const Plane& p : cube.planes) EXPECT_EQ(p.d / length(p.normal), 2.0f);  // not 0.5
    EXPECT_EQ(cube.obb.half_extents, (Vec3{2, 2, 2}));

    Plane floor{{0, 0, 1}, 1};
    const Mat3 tall{{1, 0, 0}, {0, 1, 0}, {0, 0, 2}};
    transform(floor, Affine3A{tall, {0, 0, 3}});
    EXPECT_EQ(floor.normal, (Vec3{0, 0, 0.5f}));
    EXPECT_EQ(floor.d, 2.5f);  // (x, y, 1) maps to (x, y, 5): 0.5 * 5
    Plane roof{{0, 0, 1}, 1};
    rotate_quat(roof, Quat{0, 0, 0, 2});
    EXPECT_EQ(roof.normal, (Vec3{0, 0, 0.25f}));
    EXPECT_EQ(roof.d, 1.0f);
}

TEST(StretchingMaps, PolygonLiesOnItsMappedVertices) {
    const ConvexPolygon square = ConvexPolygon::make({1, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}});
    const Mat3 shear{{1, 0, 0}, {0, 1, 1}, {0, 0, 3}};
    for (const Mat3& m : {shear, Mat3{{-2, 0, 0}, {0, 1, 0}, {0, 0, 1}}}) {
        ConvexPolygon p = square;
        rotate_mat(p, m);
        EXPECT_NEAR(length(p.normal), 1.0f, 1e-6f);
        EXPECT_NEAR(dot(p.u_axis, p.v_axis), 0.0f, 1e-6f);
        EXPECT_NEAR(length(p.u_axis), 1.0f, 1e-6f);
        EXPECT_NEAR(length(p.v_axis), 1.0f, 1e-6f);
        ASSERT_EQ(p.vertices_3d.size(), 4u);
        for (const Vec3& v : square.vertices_3d) {
            const Vec3 want = m * v;
            float best = INFINITY;
            for (const Vec3& w : p.vertices_3d) best = std::min(best, length(w - want));
            EXPECT_LT(best, 1e-5f);
            EXPECT_LE(length(want - broadphase(p).center), broadphase(p).radius * (1 + 1e-6f));
        }
    }
}

// The quaternion rule moves every group of a collider alike, point clouds included: a quaternion
// of length 2 puts each item 4 times as far out.
TEST(StretchingMaps, ColliderMovesAsOneBody) {
    Collider<Pointcloud> col;
    add(col, Sphere{{1, 0, 0}, 0.1f});
    add(col, Capsule::make({0, 1, 0}, {0, 0.5f, 0}, 0.1f));
    add(col, Point{{0, 0, 1}});
    add(col, Pointcloud::make(std::vector<Pointcloud::Point3>{{-1, 0, 0}}, {0, 1}, 0.0f));
    rotate_quat(col, Quat{0, 0, 0, 2});
    for (const Vec3& at : {Vec3{4, 0, 0}, Vec3{0, 5, 0}, Vec3{0, 0, 4}, Vec3{-4, 0, 0}}) {
        EXPECT_TRUE(query_collider(Sphere{at, 0.01f}, col)) << at.x << " " << at.y << " " << at.z;
        EXPECT_FALSE(query_collider(Sphere{at * 0.25f, 0.01f}, col));
    }
}

// A probe point inside the original shape, mapped, must still meet the mapped shape, both as a
// shape added to a collider and as part of a mapped collider. Radii and half extents stay as given
// under every map, so round shapes are probed on their core and boxes are left out.
TEST(StretchingMaps, NoCollisionIsLost) {
    shapes::Gen g(2024);
    auto in_hull = [&](const std::vector<Vec3>& pts) {
        Vec3 sum;
        float total = 0;
        for (const Vec3& p : pts) {
            const float w = g.uniform(0, 1);
            sum += p * w, total += w;
        }
        return sum / total;
    };
    for (int trial = 0; trial < 300; ++trial) {
        for (const TestMap& f : stretching_maps(g)) {
            ASSERT_FALSE(is_rotation(f.linear()));
            auto meets = [&](auto shape, Vec3 probe, const char* what) -> ::testing::AssertionResult {
                Collider<NoPcl> held, mapped;
                add(held, shape);
                f.apply(shape);
                add(mapped, shape);
                f.apply(held);
                const Vec3 at = f.point(probe);
                const Sphere s{at, 2e-5f * (1 + length(at))};
                if (!query_collider(s, mapped)) return ::testing::AssertionFailure() << what << " trial " << trial;
                if (!query_collider(s, held)) return ::testing::AssertionFailure() << what << " in a collider, trial " << trial;
                Collider<NoPcl> ball;
                add(ball, s);  // rejected first by the two colliders' bounds
                if (!collides_other(held, ball)) return ::testing::AssertionFailure() << what << " bound, trial " << trial;
                return ::testing::AssertionSuccess();
            };
            const Capsule cap = g.capsule();
            ASSERT_TRUE(meets(cap, cap.p1 + cap.dir * g.uniform(0, 1), "capsule"));
            const Cylinder cyl = g.cylinder();
            ASSERT_TRUE(meets(cyl, cyl.p1 + cyl.dir * g.uniform(0, 1), "cylinder"));
            const Vec3 o = g.point(), d = g.direction();
            ASSERT_TRUE(meets(LineSegment::make(o, d), o + d * g.uniform(0, 1), "segment"));
            ASSERT_TRUE(meets(Ray::make(o, d), o + d * g.uniform(0, 2), "ray"));
            ASSERT_TRUE(meets(Line::make(o, d), o + d * g.uniform(-2, 2), "line"));
            const Plane pl{g.unit() * g.uniform(0.5f, 2.0f), g.uniform(-1, 1)};
            const Vec3 p = g.point();
            const float out = dot(pl.normal, p) - pl.d;
            ASSERT_TRUE(meets(pl, out > 0 ? p - pl.normal * (out / length_sq(pl.normal)) : p, "plane"));
            const ConvexPolygon poly = g.polygon();
            ASSERT_TRUE(meets(poly, in_hull(poly.vertices_3d), "polygon"));
            const ConvexPolytope tope = g.polytope();
            ASSERT_TRUE(meets(tope, in_hull(tope.vertices), "polytope"));
            const Sphere ball{g.point(), g.uniform(0.1f, 1.0f)};
            ASSERT_TRUE(meets(ball, ball.center, "sphere"));
            const Point pt{g.point()};
            ASSERT_TRUE(meets(pt, pt.p, "point"));
        }
    }
}

}  // namespace
