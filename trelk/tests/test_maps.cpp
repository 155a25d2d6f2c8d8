// Rigid maps follow the written formulas bit for bit; other maps keep each shape consistent with
// itself, and neither a mapped shape nor a mapped collider loses a collision.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <tuple>
#include <utility>
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
std::array<std::uint32_t, 3> b3(Vec3 v) { return {bits(v.x), bits(v.y), bits(v.z)}; }

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

// Every field a rigid map changes, against the formulas; derived fields as the rules keep them.
TEST(RigidMaps, FollowTheFormulasBitForBit) {
    shapes::Gen g(41);
    for (int trial = 0; trial < 60; ++trial) {
        for (const TestMap& f : rigid_maps(g)) {
            ASSERT_TRUE(is_rotation(f.linear()));
            const bool affine = f.kind == Kind::affine;
            auto expect_plane = [&](const Plane& was, const Plane& got) {
                const Vec3 n = f.vector(was.normal);
                EXPECT_EQ(b3(got.normal), b3(n));
                EXPECT_EQ(bits(got.d), bits(affine ? was.d + ((n.x * f.t.x + n.y * f.t.y) + n.z * f.t.z) : was.d));
            };
            Capsule cap0 = g.capsule(), cap = cap0;
            cap0.rdv = cap.rdv *= 1.0f + 4e-7f;  // stale within the tolerance: its bytes stay
            const LineSegment seg0 = LineSegment::make(g.point(), g.direction());
            const Cuboid box0 = g.cuboid();
            const Plane pl0{g.unit() * g.uniform(0.5f, 2.0f), g.uniform(-2, 2)};
            const ConvexPolygon poly0 = g.polygon();
            const ConvexPolytope tope0 = g.polytope();
            LineSegment seg = seg0;
            Cuboid box = box0;
            Plane pl = pl0;
            ConvexPolygon poly = poly0;
            ConvexPolytope tope = tope0;
            f.apply(cap), f.apply(seg), f.apply(box), f.apply(pl), f.apply(poly), f.apply(tope);

            EXPECT_EQ(b3(cap.p1), b3(f.point(cap0.p1)));
            EXPECT_EQ(b3(cap.dir), b3(f.vector(cap0.dir)));
            EXPECT_EQ(bits(cap.rdv), bits(affine ? rdv_rule(cap.dir) : cap0.rdv));
            EXPECT_EQ(cap.z_aligned, cap.dir.x == 0 && cap.dir.y == 0);
            EXPECT_EQ(b3(seg.p1), b3(f.point(seg0.p1)));
            EXPECT_EQ(b3(seg.dir), b3(f.vector(seg0.dir)));
            EXPECT_EQ(bits(seg.rdv), bits(affine ? rdv_rule(seg.dir) : seg0.rdv));
            expect_plane(pl0, pl);
            for (const auto& [was, got] : {std::pair{box0, box}, std::pair{tope0.obb, tope.obb}}) {
                EXPECT_EQ(b3(got.center), b3(f.point(was.center)));
                for (int i = 0; i < 3; ++i) EXPECT_EQ(b3(got.axes[i]), b3(f.vector(was.axes[i])));
                EXPECT_EQ(b3(got.half_extents), b3(was.half_extents));
                EXPECT_EQ(got.axis_aligned, axes_aligned(got.axes));
            }
            EXPECT_EQ(b3(poly.center), b3(f.point(poly0.center)));
            for (auto axis : {&ConvexPolygon::normal, &ConvexPolygon::u_axis, &ConvexPolygon::v_axis})
                EXPECT_EQ(b3(poly.*axis), b3(f.vector(poly0.*axis)));
            for (std::size_t i = 0; i < poly.vertices_3d.size(); ++i)
                EXPECT_EQ(b3(poly.vertices_3d[i]), b3(f.point(poly0.vertices_3d[i])));
            EXPECT_EQ(poly.vertices_2d, poly0.vertices_2d);
            EXPECT_EQ(bits(poly.bounding_radius), bits(poly0.bounding_radius));
            for (std::size_t i = 0; i < tope.planes.size(); ++i) expect_plane(tope0.planes[i], tope.planes[i]);
            for (std::size_t i = 0; i < tope.vertices.size(); ++i)
                EXPECT_EQ(b3(tope.vertices[i]), b3(f.point(tope0.vertices[i])));
        }
    }
}

// Sphere sets turn by the quaternion rule, whatever the length of q, exactly as one sphere does.
TEST(RigidMaps, SphereSetTurnsLikeEachSphere) {
    shapes::Gen g(8);
    std::vector<Sphere> balls(21);
    for (Sphere& b : balls) b = {g.point() * 3.0f, g.uniform(0, 1)};
    for (const Quat& q : {g.rotation(), Quat{0, 0, 0, 2}, Quat{0.3f, -1.1f, 0.2f, 0.7f}}) {
        SpheresSoA set = SpheresSoA::from_slice(balls);
        rotate_quat(set, q);
        for (std::size_t i = 0; i < balls.size(); ++i) EXPECT_EQ(b3(set.get(i).center), b3(quat_rule(q, balls[i].center)));
    }
}

// Each mend on the example that showed the fault: rdv for the longer dir (the middle of the
// segment is at the probe), planes at the mapped faces, a polygon on its mapped corners with a
// unit frame, and one scale for every group of a collider under a quaternion of length 2.
TEST(StretchingMaps, Examples) {
    const Mat3 doubled{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}};
    for (const auto& [map, rdv, probe] : {std::tuple{TestMap{Kind::mat, doubled, {}, {}}, 0.25f, Vec3{1, 0.3f, 0}},
                                          std::tuple{TestMap{Kind::quat, {}, {0, 0, 0, 2}, {}}, 1.0f / 16, Vec3{2, 0.3f, 0}}}) {
        LineSegment seg = LineSegment::make({0, 0, 0}, {1, 0, 0});
        Capsule cap = Capsule::make({0, 0, 0}, {1, 0, 0}, 0.0f);
        Cylinder cyl = Cylinder::make({0, 0, 0}, {1, 0, 0}, 0.0f);
        Line line = Line::make({0, 0, 0}, {1, 0, 0});
        Ray ray = Ray::make({0, 0, 0}, {1, 0, 0});
        map.apply(seg), map.apply(cap), map.apply(cyl), map.apply(line), map.apply(ray);
        for (float got : {seg.rdv, cap.rdv, cyl.rdv, line.rdv, ray.rdv}) EXPECT_EQ(got, rdv);
        Collider<NoPcl> col;
        add(col, seg);
        EXPECT_TRUE(query_collider(Sphere{probe, 0.31f}, col));
    }

    std::vector<Vec3> corners;
    for (int i = 0; i < 8; ++i) corners.push_back({i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
    ConvexPolytope cube = ConvexPolytope::make(
        {{{1, 0, 0}, 1}, {{-1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, -1, 0}, 1}, {{0, 0, 1}, 1}, {{0, 0, -1}, 1}}, corners);
    rotate_mat(cube, doubled);
    for (const Plane& p : cube.planes) EXPECT_EQ(p.d / length(p.normal), 2.0f);  // not 0.5
    EXPECT_EQ(cube.obb.half_extents, (Vec3{2, 2, 2}));
    Plane floor{{0, 0, 1}, 1}, roof{{0, 0, 1}, 1};
    transform(floor, Affine3A{Mat3{{1, 0, 0}, {0, 1, 0}, {0, 0, 2}}, {0, 0, 3}});  // z = 1 maps to z = 5
    EXPECT_EQ(floor.normal, (Vec3{0, 0, 0.5f}));
    EXPECT_EQ(floor.d, 2.5f);
    rotate_quat(roof, Quat{0, 0, 0, 2});
    EXPECT_EQ(roof.normal, (Vec3{0, 0, 0.25f}));
    EXPECT_EQ(roof.d, 1.0f);

    const ConvexPolygon square = ConvexPolygon::make({1, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}});
    for (const Mat3& m : {Mat3{{1, 0, 0}, {0, 1, 1}, {0, 0, 3}}, Mat3{{-2, 0, 0}, {0, 1, 0}, {0, 0, 1}}}) {
        ConvexPolygon p = square;
        rotate_mat(p, m);
        for (float unit : {length(p.normal), length(p.u_axis), length(p.v_axis), 1 + dot(p.u_axis, p.v_axis)})
            EXPECT_NEAR(unit, 1.0f, 1e-6f);
        for (const Vec3& v : square.vertices_3d) {
            float nearest = INFINITY;
            for (const Vec3& w : p.vertices_3d) nearest = std::min(nearest, length(w - m * v));
            EXPECT_LT(nearest, 1e-5f);
        }
    }

    Collider<Pointcloud> col;
    add(col, Sphere{{1, 0, 0}, 0.1f});
    add(col, Capsule::make({0, 1, 0}, {0, 0.5f, 0}, 0.1f));
    add(col, Point{{0, 0, 1}});
    add(col, Pointcloud::make(std::vector<Pointcloud::Point3>{{-1, 0, 0}}, {0, 1}, 0.0f));
    rotate_quat(col, Quat{0, 0, 0, 2});
    for (const Vec3& at : {Vec3{4, 0, 0}, Vec3{0, 5, 0}, Vec3{0, 0, 4}, Vec3{-4, 0, 0}}) {
        EXPECT_TRUE(query_collider(Sphere{at, 0.01f}, col));
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
                Collider<NoPcl> ball;
                add(ball, s);  // collides_other rejects first by the two colliders' bounds
                if (query_collider(s, mapped) && query_collider(s, held) && collides_other(held, ball))
                    return ::testing::AssertionSuccess();
                return ::testing::AssertionFailure() << what << " trial " << trial;
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
