// Sweeps: every position along the move lies in the swept shapes, moves along a shape's own extent
// keep its kind, and the member, vertex and plane orders are the documented ones.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "reference_geometry.hpp"
#include "support/fault.hpp"
#include "sweep.hpp"

namespace {

using namespace trelk;
using ref::D3;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

static_assert(Stretchable<Sphere> && Stretchable<Capsule> && Stretchable<Cylinder> && Stretchable<Cuboid> &&
              Stretchable<Line> && Stretchable<Ray> && Stretchable<LineSegment> && Stretchable<Plane> &&
              Stretchable<ConvexPolygon> && Stretchable<ConvexPolytope>);

// Distance from p to the points a + s (b - a), s in [lo, hi].
double dist_to_range(D3 p, D3 a, D3 d, double lo, double hi) {
    double dd = ref::dot(d, d);
    double s = dd > 0 ? std::clamp(ref::dot(p - a, d) / dd, lo, hi) : 0.0;
    return ref::norm(p - (a + d * s));
}

// Membership of a point in each kind, in double precision with an absolute tolerance.
struct Contains {
    D3 p;
    double tol;

    bool operator()(const Sphere& s) const { return ref::norm(p - D3(s.center)) <= s.radius + tol; }
    bool operator()(const Capsule& c) const { return dist_to_range(p, c.p1, c.dir, 0, 1) <= c.radius + tol; }
    bool operator()(const Cylinder& c) const {
        D3 d = c.dir, rel = p - D3(c.p1);
        double len = ref::norm(d), s = ref::dot(rel, d) / len;
        return s >= -tol && s <= len + tol && ref::norm(rel - d * (s / len)) <= c.radius + tol;
    }
    bool operator()(const Cuboid& b) const {
        for (int i = 0; i < 3; ++i) {
            if (std::fabs(ref::dot(p - D3(b.center), b.axes[i])) > b.half_extents[i] + tol) return false;
        }
        return true;
    }
    bool operator()(const ConvexPolytope& h) const {
        for (const Plane& pl : h.planes) {
            if (ref::dot(pl.normal, p) > pl.d + tol * ref::norm(pl.normal)) return false;
        }
        return true;
    }
    bool operator()(const ConvexPolygon& g) const {
        D3 rel = p - D3(g.center), n = g.normal;
        if (std::fabs(ref::dot(rel, n)) > tol * ref::norm(n)) return false;
        double x = ref::dot(rel, g.u_axis), y = ref::dot(rel, g.v_axis);
        const auto& v = g.vertices_2d;
        for (std::size_t i = 0; i < v.size(); ++i) {
            const auto &a = v[i], &b = v[(i + 1) % v.size()];
            double ex = double(b[0]) - a[0], ey = double(b[1]) - a[1];
            double turn = ex * (y - a[1]) - ey * (x - a[0]);
            if (turn < -tol * std::hypot(ex, ey)) return false;
        }
        return !v.empty();
    }
    bool operator()(const Line& l) const { return dist_to_range(p, l.origin, l.dir, -1e30, 1e30) <= tol; }
    bool operator()(const Ray& r) const { return dist_to_range(p, r.origin, r.dir, 0, 1e30) <= tol; }
    bool operator()(const LineSegment& s) const { return dist_to_range(p, s.p1, s.dir, 0, 1) <= tol; }
    bool operator()(const Plane& h) const { return ref::dot(h.normal, p) <= h.d + tol * ref::norm(h.normal); }
};

bool covered(const Stretched& swept, D3 p, double tol) {
    for (const StretchedShape& s : swept) {
        if (std::visit(Contains{p, tol}, s)) return true;
    }
    return false;
}

// Unit vectors across a direction d.
std::array<D3, 2> across(D3 d) {
    D3 a = std::fabs(d.x) < 0.9 * ref::norm(d) ? D3(1, 0, 0) : D3(0, 1, 0);
    D3 u = cross(d, a);
    u = u * (1 / ref::norm(u));
    D3 w = cross(d, u);
    return {u, w * (1 / ref::norm(w))};
}

// Points on the boundary and inside each kind: what a sweep must keep covered.
struct Samples {
    std::vector<D3> operator()(const Sphere& s) const {
        std::vector<D3> out{s.center};
        for (D3 d : {D3(1, 0, 0), D3(-1, 0, 0), D3(0, 1, 0), D3(0, -1, 0), D3(0, 0, 1), D3(0, 0, -1),
                     D3(0.6, 0.8, 0), D3(-0.48, 0.6, 0.64)}) {
            out.push_back(D3(s.center) + d * s.radius);
        }
        return out;
    }
    template <class S>
    std::vector<D3> round_axis(const S& c, bool flat_caps) const {
        std::vector<D3> out;
        auto [u, w] = across(c.dir);
        for (double s : {0.0, 0.3, 1.0}) {
            D3 core = D3(c.p1) + D3(c.dir) * s;
            out.push_back(core);
            for (int k = 0; k < 8; ++k) {
                double a = k * 0.785398;
                out.push_back(core + (u * std::cos(a) + w * std::sin(a)) * c.radius);
            }
        }
        if (!flat_caps) {
            D3 d = D3(c.dir) * (c.radius / ref::norm(c.dir));
            out.push_back(D3(c.p1) - d);
            out.push_back(D3(c.p1) + D3(c.dir) + d);
        }
        return out;
    }
    std::vector<D3> operator()(const Capsule& c) const { return round_axis(c, false); }
    std::vector<D3> operator()(const Cylinder& c) const { return round_axis(c, true); }
    std::vector<D3> operator()(const Cuboid& b) const {
        std::vector<D3> out{b.center};
        for (int k = 0; k < 27; ++k) {
            D3 p = b.center;
            // k runs over the 27 points with each coordinate at -1, 0 or +1 half extents.
            for (int i = 0, step = 1; i < 3; ++i, step *= 3) {
                p = p + D3(b.axes[i]) * (double(k / step % 3 - 1) * b.half_extents[i]);
            }
            out.push_back(p);
        }
        return out;
    }
    std::vector<D3> operator()(const ConvexPolytope& h) const {
        std::vector<D3> out(h.vertices.begin(), h.vertices.end());
        D3 mean;
        for (const Vec3& v : h.vertices) mean = mean + D3(v) * (1.0 / h.vertices.size());
        out.push_back(mean);
        return out;
    }
    std::vector<D3> operator()(const ConvexPolygon& g) const {
        std::vector<D3> out(g.vertices_3d.begin(), g.vertices_3d.end());
        D3 mean;
        for (const Vec3& v : g.vertices_3d) mean = mean + D3(v) * (1.0 / g.vertices_3d.size());
        out.push_back(mean);
        for (std::size_t i = 0; i < g.vertices_3d.size(); ++i) {
            out.push_back((D3(g.vertices_3d[i]) + D3(g.vertices_3d[(i + 1) % g.vertices_3d.size()])) * 0.5);
        }
        return out;
    }
    template <class L>
    std::vector<D3> line_points(const L& l, double lo, double hi) const {
        std::vector<D3> out;
        for (int k = 0; k <= 8; ++k) out.push_back(D3(l.origin) + D3(l.dir) * (lo + (hi - lo) * k / 8));
        return out;
    }
    std::vector<D3> operator()(const Line& l) const { return line_points(l, -50, 50); }
    std::vector<D3> operator()(const Ray& r) const { return line_points(r, 0, 50); }
    std::vector<D3> operator()(const LineSegment& s) const {
        std::vector<D3> out;
        for (int k = 0; k <= 8; ++k) out.push_back(D3(s.p1) + D3(s.dir) * (k / 8.0));
        return out;
    }
    std::vector<D3> operator()(const Plane& h) const {
        D3 n = h.normal;
        D3 base = n * (h.d / ref::dot(n, n));
        auto [u, w] = across(n);
        return {base, base + u * 7.0, base - w * 3.0, base - n * 2.0};
    }
};

struct Case {
    std::string name;
    StretchedShape shape;
    Vec3 t;
    std::size_t members;
    std::size_t result_kind;  // variant index of the first member
};

ConvexPolygon square_polygon(Vec3 center, Vec3 normal, float lo, float hi) {
    return ConvexPolygon::make(center, normal, {{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}});
}

ConvexPolytope unit_cube_polytope(Vec3 c) {
    std::vector<Plane> planes;
    std::vector<Vec3> vertices;
    for (int i = 0; i < 3; ++i) {
        Vec3 n;
        n[i] = 1;
        planes.push_back({n, c[i] + 1});
        planes.push_back({-n, -c[i] + 1});
    }
    for (int k = 0; k < 8; ++k) {
        vertices.push_back(c + Vec3{k & 1 ? 1.f : -1.f, k & 2 ? 1.f : -1.f, k & 4 ? 1.f : -1.f});
    }
    return ConvexPolytope::make(planes, vertices);
}

std::array<Vec3, 3> rotated_axes() {
    // A rotation about (1, 1, 1) by 0.4 rad, written out so the box is not aligned.
    D3 k = D3(1, 1, 1) * (1 / std::sqrt(3.0));
    double c = std::cos(0.4), s = std::sin(0.4);
    std::array<Vec3, 3> out;
    for (int i = 0; i < 3; ++i) {
        D3 e;
        e = D3(i == 0, i == 1, i == 2);
        D3 r = e * c + cross(k, e) * s + k * (ref::dot(k, e) * (1 - c));
        out[i] = {float(r.x), float(r.y), float(r.z)};
    }
    return out;
}

std::vector<Case> cases() {
    enum { kSphere, kCapsule, kCuboid, kCylinder, kPolytope, kPolygon, kLine, kRay, kSegment, kPlane };
    return {
        {"sphere", Sphere{{1, 2, 3}, 0.5f}, {2, -1, 0.5f}, 1, kCapsule},
        {"sphere_tiny_move", Sphere{{1, 2, 3}, 0.5f}, {1e-30f, 0, 0}, 1, kSphere},
        {"capsule_across", Capsule::make({0, 0, 0}, {1, 0, 0}, 0.3f), {0, 1, 0}, 5, kCapsule},
        {"capsule_skew", Capsule::make({1, -1, 2}, {0.5f, 2, -1}, 0.25f), {-1, 0.5f, 3}, 5, kCapsule},
        {"capsule_along", Capsule::make({1, 1, 1}, {0, 0, 2}, 0.5f), {0, 0, -3}, 1, kCapsule},
        {"cylinder_across", Cylinder::make({0, 0, 0}, {0, 0, 2}, 0.5f), {1, 1, 0}, 5, kCapsule},
        {"cylinder_along", Cylinder::make({0, 0, 0}, {0, 0, 2}, 0.5f), {0, 0, 1}, 1, kCylinder},
        {"cuboid_diagonal", Cuboid::aligned({0, 0, 0}, {1, 2, 3}), {1, 1, 0}, 1, kPolytope},
        {"cuboid_rotated", Cuboid::make({1, 2, 3}, rotated_axes(), {0.5f, 1, 1.5f}), {2, -1, 1}, 1, kPolytope},
        {"cuboid_along_y", Cuboid::aligned({0, 0, 0}, {1, 2, 3}), {0, -4, 0}, 1, kCuboid},
        {"line_across", Line::make({0, 0, 0}, {1, 0, 0}), {0, 2, 0}, 1, kPolygon},
        {"line_along", Line::make({0, 0, 0}, {1, 0, 0}), {-3, 0, 0}, 1, kLine},
        {"ray_across", Ray::make({1, 0, 0}, {0, 0, 2}), {0, -2, 0}, 1, kPolygon},
        {"ray_back", Ray::make({0, 0, 0}, {1, 0, 0}), {-3, 0, 0}, 1, kRay},
        {"segment_across", LineSegment::between({0, 0, 0}, {1, 2, 0}), {0, 0, 1}, 1, kPolygon},
        {"segment_skew", LineSegment::between({1, 1, 1}, {2, -1, 3}), {0.5f, 1, -2}, 1, kPolygon},
        {"segment_back", LineSegment::between({0, 0, 0}, {1, 0, 0}), {-5, 0, 0}, 1, kSegment},
        {"plane_out", Plane{{0, 0, 1}, 0}, {0, 1, 2}, 1, kPlane},
        {"plane_in", Plane{{0, 0, 1}, 0}, {0, 1, -2}, 1, kPlane},
        {"polygon_in_plane", square_polygon({0, 0, 0}, {0, 0, 1}, -1, 1), {0.5f, 3, 0}, 1, kPolygon},
        {"polygon_across", square_polygon({1, 1, 1}, {0, 0, 1}, -1, 1), {0.5f, 0, 2}, 1, kPolytope},
        {"polygon_tilted", square_polygon({1, 1, 1}, {0.6f, 0, 0.8f}, -1, 1), {-1, 1, 1}, 1, kPolytope},
        {"polygon_off_origin", square_polygon({0, 0, 0}, {0, 0, 1}, 10, 11), {0, 0, 1}, 1, kPolytope},
        {"polygon_off_origin_slanted", square_polygon({0, 0, 0}, {0, 0, 1}, 10, 11), {3, 2, -1}, 1, kPolytope},
        {"polytope_diagonal", unit_cube_polytope({0, 0, 0}), {2, 1, 0.5f}, 1, kPolytope},
        {"polytope_axis", unit_cube_polytope({1, 2, 3}), {0, 0, 4}, 1, kPolytope},
    };
}

class SweepCovers : public testing::TestWithParam<Case> {};

TEST_P(SweepCovers, EveryPositionAlongTheMove) {
    const Case& c = GetParam();
    const Stretched swept = std::visit([&](const auto& s) { return stretch(s, c.t); }, c.shape);
    ASSERT_EQ(swept.size(), c.members);
    EXPECT_EQ(swept[0].index(), c.result_kind);
    for (D3 p : std::visit(Samples{}, c.shape)) {
        for (double lambda : {0.0, 0.2, 0.5, 0.9, 1.0}) {
            D3 q = p + D3(c.t) * lambda;
            EXPECT_TRUE(covered(swept, q, 1e-4)) << "at " << lambda << ": " << q.x << ", " << q.y << ", " << q.z;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SweepCovers, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& i) { return i.param.name; });

// A zero move lands in the parallel branch and gives the shape back.
TEST(SweepZero, GivesTheShapeBack) {
    const Vec3 zero{};
    const Sphere sphere{{1, 2, 3}, 0.5f};
    EXPECT_EQ(std::get<Sphere>(stretch(sphere, zero)[0]).center, sphere.center);

    const Capsule cap = Capsule::make({0.1f, 0.2f, 0.3f}, {1.1f, -2.3f, 0.7f}, 0.5f);
    const Capsule cap0 = std::get<Capsule>(stretch(cap, zero).at(0));
    EXPECT_EQ(cap0.p1, cap.p1);
    EXPECT_EQ(cap0.dir, (cap.p1 + cap.dir) - cap.p1);
    EXPECT_EQ(cap0.rdv, inverse_length_sq(cap0.dir));
    EXPECT_EQ(cap0.radius, cap.radius);

    const Cylinder cyl = Cylinder::make({0, 0, 0}, {0, 0, 2}, 0.5f);
    EXPECT_EQ(std::get<Cylinder>(stretch(cyl, zero).at(0)).dir, cyl.dir);

    const Cuboid box = Cuboid::make({1, 2, 3}, rotated_axes(), {0.5f, 1, 1.5f});
    const Cuboid box0 = std::get<Cuboid>(stretch(box, zero).at(0));
    EXPECT_EQ(box0.center, box.center);
    EXPECT_EQ(box0.half_extents, box.half_extents);
    EXPECT_EQ(box0.axis_aligned, box.axis_aligned);

    const Line line = Line::make({1, 2, 3}, {0, 1, 1});
    EXPECT_EQ(std::get<Line>(stretch(line, zero).at(0)).origin, line.origin);
    const Ray ray = Ray::make({1, 2, 3}, {0, 1, 1});
    EXPECT_EQ(std::get<Ray>(stretch(ray, zero).at(0)).origin, ray.origin);
    const LineSegment seg = LineSegment::between({1, 2, 3}, {4, 5, 6});
    EXPECT_EQ(std::get<LineSegment>(stretch(seg, zero).at(0)).dir, seg.dir);
    EXPECT_EQ(std::get<Plane>(stretch(Plane{{0, 0, 1}, 2}, zero).at(0)).d, 2.0f);

    // The polygon comes back as the hull of its vertices: a repeated and a collinear vertex drop
    // out and the list starts at the smallest (x, y).
    const ConvexPolygon g =
        ConvexPolygon::make({0, 0, 0}, {0, 0, 1}, {{1, 1}, {0, 1}, {0, 0}, {0.5f, 0}, {1, 0}, {1, 0}});
    const ConvexPolygon g0 = std::get<ConvexPolygon>(stretch(g, zero).at(0));
    EXPECT_EQ(g0.vertices_2d, (std::vector<Vec2f>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
    EXPECT_EQ(g0.u_axis, g.u_axis);

    const ConvexPolytope h = unit_cube_polytope({1, 2, 3});
    const ConvexPolytope h0 = std::get<ConvexPolytope>(stretch(h, zero).at(0));
    ASSERT_EQ(h0.vertices.size(), 16u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(h0.vertices[2 * i], h.vertices[i]);
        EXPECT_EQ(h0.vertices[2 * i + 1], h.vertices[i]);
    }
    ASSERT_EQ(h0.planes.size(), h.planes.size());
    for (std::size_t i = 0; i < h.planes.size(); ++i) EXPECT_EQ(h0.planes[i].d, h.planes[i].d);
    EXPECT_EQ(h0.obb.center, h.obb.center);
    EXPECT_EQ(h0.obb.half_extents, h.obb.half_extents);
}

TEST(SweepParallel, MovesTheTrailingOrLeadingEnd) {
    const Ray ray = Ray::make({0, 0, 0}, {1, 0, 0});
    EXPECT_EQ(std::get<Ray>(stretch(ray, {-3, 0, 0})[0]).origin, (Vec3{-3, 0, 0}));
    EXPECT_EQ(std::get<Ray>(stretch(ray, {3, 0, 0})[0]).origin, (Vec3{0, 0, 0}));

    const LineSegment back = std::get<LineSegment>(stretch(LineSegment::between({0, 0, 0}, {1, 0, 0}), {-5, 0, 0})[0]);
    EXPECT_EQ(back.p1, (Vec3{-5, 0, 0}));
    EXPECT_EQ(back.dir, (Vec3{6, 0, 0}));
    EXPECT_EQ(back.rdv, 1.0f / 36.0f);

    const Capsule fwd = std::get<Capsule>(stretch(Capsule::make({1, 1, 1}, {0, 0, 2}, 0.5f), {0, 0, 2})[0]);
    EXPECT_EQ(fwd.p1, (Vec3{1, 1, 1}));
    EXPECT_EQ(fwd.dir, (Vec3{0, 0, 4}));
    EXPECT_EQ(fwd.rdv, 1.0f / 16.0f);
    EXPECT_TRUE(fwd.z_aligned);

    // Only the axis that passed the test grows.
    const Cuboid grown = std::get<Cuboid>(stretch(Cuboid::aligned({0, 0, 0}, {1, 2, 3}), {0, 0, -4})[0]);
    EXPECT_EQ(grown.center, (Vec3{0, 0, -2}));
    EXPECT_EQ(grown.half_extents, (Vec3{1, 2, 5}));

    // The plane's offset grows only when the move leads outward; a NaN move leaves it.
    struct PlaneCase {
        Vec3 t;
        float d;
    };
    for (const PlaneCase& pc : {PlaneCase{{0, 0, 2}, 2}, PlaneCase{{0, 0, -2}, 0}, PlaneCase{{kNaN, 0, 0}, 0}}) {
        EXPECT_EQ(std::get<Plane>(stretch(Plane{{0, 0, 1}, 0}, pc.t)[0]).d, pc.d);
    }
    // A lead of -0 adds +0, so a -0 offset comes out +0.
    const Plane negative_zero = std::get<Plane>(stretch(Plane{{-1, -1, -1}, -0.0f}, {0, 0, 0})[0]);
    EXPECT_FALSE(std::signbit(negative_zero.d));
}

TEST(SweepParallel, ThresholdIsStrict) {
    // |dir x t|^2 just above 1e-10 is across, just below along.
    const Capsule c = Capsule::make({0, 0, 0}, {1, 0, 0}, 0.1f);
    EXPECT_EQ(stretch(c, {0, 1.0001e-5f, 0}).size(), 5u);
    EXPECT_EQ(stretch(c, {0, 0.9999e-5f, 0}).size(), 1u);
    EXPECT_EQ(stretch(LineSegment::make({0, 0, 0}, {1, 0, 0}), {0, 1.0001e-5f, 0})[0].index(), 5u);
    EXPECT_EQ(stretch(LineSegment::make({0, 0, 0}, {1, 0, 0}), {0, 0.9999e-5f, 0})[0].index(), 8u);
}

void expect_normals(const std::vector<Plane>& planes, const std::vector<Vec3>& normals) {
    ASSERT_EQ(planes.size(), normals.size());
    for (std::size_t i = 0; i < normals.size(); ++i) {
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(planes[i].normal[k], normals[i][k], 1e-6f) << "plane " << i;
    }
}

TEST(SweepAcross, CapsuleMembersAndSlab) {
    const Capsule c = Capsule::make({0, 0, 0}, {1, 0, 0}, 0.5f);
    const Stretched s = stretch(c, {0, 1, 0});
    ASSERT_EQ(s.size(), 5u);
    const Vec3 starts[] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}};
    const Vec3 dirs[] = {{1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}};
    for (int i = 0; i < 4; ++i) {
        const Capsule& m = std::get<Capsule>(s[i]);
        EXPECT_EQ(m.p1, starts[i]);
        EXPECT_EQ(m.dir, dirs[i]);
        EXPECT_EQ(m.radius, 0.5f);
        EXPECT_EQ(m.rdv, 1.0f);
    }
    const ConvexPolytope& slab = std::get<ConvexPolytope>(s[4]);
    ASSERT_EQ(slab.vertices.size(), 8u);
    EXPECT_EQ(slab.vertices[0], (Vec3{0, 0, 0.5f}));
    EXPECT_EQ(slab.vertices[7], (Vec3{1, 1, -0.5f}));
    expect_normals(slab.planes, {{0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {-1, 0, 0}, {1, 0, 0}});
    const float ds[] = {0.5f, 0.5f, 1, 0, 0, 1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(slab.planes[i].d, ds[i]) << i;
    EXPECT_EQ(slab.obb.center, (Vec3{0.5f, 0.5f, 0}));
    EXPECT_EQ(slab.obb.half_extents, (Vec3{0.5f, 0.5f, 0.5f}));
    EXPECT_TRUE(slab.obb.axis_aligned);
}

TEST(SweepAcross, CuboidKeepsRepeatedNormals) {
    const Stretched s = stretch(Cuboid::aligned({0, 0, 0}, {1, 1, 1}), {1, 1, 0});
    const ConvexPolytope& h = std::get<ConvexPolytope>(s.at(0));
    ASSERT_EQ(h.vertices.size(), 16u);
    EXPECT_EQ(h.vertices[0], (Vec3{-1, -1, -1}));
    EXPECT_EQ(h.vertices[1], (Vec3{0, 0, -1}));
    EXPECT_EQ(h.vertices[15], (Vec3{2, 2, 1}));
    const float r = std::sqrt(0.5f);
    expect_normals(h.planes, {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0},
                              {0, 0, -1}, {0, 0, 1}, {0, 0, 1}, {0, 0, -1}, {-r, r, 0}, {r, -r, 0}});
    EXPECT_EQ(h.planes[0].d, 2.0f);
    EXPECT_EQ(h.planes[1].d, 1.0f);
    EXPECT_EQ(h.obb.center, (Vec3{0.5f, 0.5f, 0}));
    EXPECT_EQ(h.obb.half_extents, (Vec3{1.5f, 1.5f, 1}));
}

TEST(SweepAcross, LineBandReachesFarOut) {
    const ConvexPolygon g = std::get<ConvexPolygon>(stretch(Line::make({0, 0, 0}, {2, 0, 0}), {0, 1, 0})[0]);
    EXPECT_EQ(g.normal, (Vec3{0, 0, 1}));
    EXPECT_EQ(g.center, (Vec3{0, 0.5f, 0}));
    ASSERT_EQ(g.vertices_3d.size(), 4u);
    EXPECT_EQ(g.bounding_radius, 999999995904.0f);
    float lo = 0, hi = 0;
    for (Vec3 v : g.vertices_3d) lo = std::min(lo, v.x), hi = std::max(hi, v.x);
    EXPECT_EQ(lo, -999999995904.0f);
    EXPECT_EQ(hi, 999999995904.0f);
}

// A ray's band: corners O, O + F d, O + F d + t, O + t about the centre (O + F d / 2) + t / 2, in the
// frame of n = (1, 0, 0) (u = z, v = y); the clockwise corner list is stored reversed.
TEST(SweepAcross, RayAndSegmentPolygonFrames) {
    const float half_far = 999999995904.0f * 0.5f;
    const ConvexPolygon band = std::get<ConvexPolygon>(stretch(Ray::make({1, 0, 0}, {0, 0, 2}), {0, -2, 0})[0]);
    EXPECT_EQ(band.center, (Vec3{1, -1, half_far}));
    EXPECT_EQ(band.normal, (Vec3{1, 0, 0}));
    EXPECT_EQ(band.u_axis, (Vec3{0, 0, 1}));
    EXPECT_EQ(band.v_axis, (Vec3{0, 1, 0}));
    EXPECT_EQ(band.vertices_2d, (std::vector<Vec2f>{{-half_far, -1}, {half_far, -1}, {half_far, 1}, {-half_far, 1}}));

    // A segment's parallelogram is centred at p1 + (dir + t) / 2; frame u = -x, v = y, and its
    // corners p1, p1 + dir, p1 + dir + t, p1 + t run clockwise there, so they are stored reversed.
    const ConvexPolygon quad = std::get<ConvexPolygon>(stretch(LineSegment::make({1, 2, 3}, {2, 0, 0}), {0, 4, 0})[0]);
    EXPECT_EQ(quad.center, (Vec3{2, 4, 3}));
    EXPECT_EQ(quad.normal, (Vec3{0, 0, 1}));
    EXPECT_EQ(quad.vertices_2d, (std::vector<Vec2f>{{1, 2}, {-1, 2}, {-1, -2}, {1, -2}}));
}

TEST(SweepInPlane, HullDropsCollinearPoints) {
    const ConvexPolygon g =
        ConvexPolygon::with_axes({0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    const ConvexPolygon s = std::get<ConvexPolygon>(stretch(g, {0.5f, 0, 0})[0]);
    EXPECT_EQ(s.vertices_2d, (std::vector<Vec2f>{{0, 0}, {1.5f, 0}, {1.5f, 1}, {0, 1}}));
    ASSERT_EQ(s.edge_offsets_2d.size(), 4u);
    EXPECT_EQ(s.edge_offsets_2d[1], 1.5f);
}

TEST(SweepInPlane, HullEdgeCases) {
    struct HullCase {
        std::vector<Vec2f> in;
        Vec2f t2;
        std::vector<Vec2f> out;
    };
    const HullCase hull_cases[] = {
        {{}, {1, 0}, {}},
        {{{1, 2}}, {0, 0}, {{1, 2}}},                          // one point and its near duplicate
        {{{1, 2}}, {3, 0}, {{1, 2}, {4, 2}}},                  // two points stay as they are
        {{{0, 0}, {2, 0}}, {1, 0}, {{0, 0}, {3, 0}}},          // collinear: the ends remain
        // Moved copies within 1e-7 of their neighbour in the sorted list drop out before the hull.
        {{{0, 0}, {1, 0}, {0, 1}}, {0, 5e-8f}, {{0, 0}, {1, 0}, {0, 1}}},
        {{{0, 0}, {1, 0}, {0, 1}}, {-1, -1}, {{-1, -1}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}}},
    };
    for (const HullCase& hc : hull_cases) EXPECT_EQ(swept_hull_2d(hc.in, hc.t2), hc.out);
}

TEST(SweepInPlane, NaNVertexFaults) {
    const std::vector<std::vector<Vec2f>> bad = {
        {{kNaN, 0}, {1, 0}, {1, 1}},
        {{0, 0}, {1, kNaN}, {1, 1}},
        {{kNaN, kNaN}},  // a single vertex still gives two points to compare
    };
    for (const auto& v : bad) {
        ConvexPolygon g = ConvexPolygon::with_axes({0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, v);
        try {
            stretch(g, {1, 0, 0});
            ADD_FAILURE() << "no fault";
        } catch (const quorix::Fault& f) {
            EXPECT_STREQ(f.what(), "called `Option::unwrap()` on a `None` value");
        }
    }
    // A NaN move across the plane takes the prism branch instead and gives numbers.
    ConvexPolygon g = square_polygon({0, 0, 0}, {0, 0, 1}, 0, 1);
    EXPECT_NO_THROW(stretch(g, {0, 0, kNaN}));
}

TEST(SweepAcross, PrismSidesFaceAwayFromTheVertices) {
    // The frame origin lies outside the polygon; every side must still keep the polygon's own
    // vertices, and the middle of the prism stays inside.
    const ConvexPolygon g = square_polygon({0, 0, 0}, {0, 0, 1}, 10, 11);
    for (Vec3 t : {Vec3{0, 0, 1}, Vec3{0.5f, -2, 3}, Vec3{0, 0, -1}}) {
        const ConvexPolytope h = std::get<ConvexPolytope>(stretch(g, t)[0]);
        ASSERT_EQ(h.planes.size(), 6u);
        ASSERT_EQ(h.vertices.size(), 8u);
        D3 mid;
        for (Vec3 v : h.vertices) mid = mid + D3(v) * 0.125;
        for (const Plane& pl : h.planes) {
            EXPECT_LT(ref::dot(pl.normal, mid), pl.d - 0.1);
            for (Vec3 v : h.vertices) EXPECT_LE(ref::dot(pl.normal, v), pl.d + 1e-5);
        }
        // The caps come first: the polygon's normal and its negation.
        EXPECT_EQ(h.planes[0].normal, g.normal);
        EXPECT_EQ(h.planes[1].normal, -g.normal);
    }
}

TEST(SweepAcross, PolytopeAddsFacesBetweenLeadingAndTrailingPlanes) {
    const ConvexPolytope cube = unit_cube_polytope({0, 0, 0});
    // Along an axis no new face is needed; the leading plane moves out.
    const ConvexPolytope along = std::get<ConvexPolytope>(stretch(cube, {0, 0, 4})[0]);
    ASSERT_EQ(along.planes.size(), 6u);
    EXPECT_EQ(along.planes[4].d, 5.0f);
    EXPECT_EQ(along.planes[5].d, 1.0f);
    EXPECT_EQ(along.obb.center, (Vec3{0, 0, 2}));
    EXPECT_EQ(along.obb.half_extents, (Vec3{1, 1, 3}));
    // In the xy diagonal, the x and y faces meet along z: two faces are added, no repeats.
    const ConvexPolytope diag = std::get<ConvexPolytope>(stretch(cube, {1, 1, 0})[0]);
    ASSERT_EQ(diag.planes.size(), 8u);
    const float r = std::sqrt(0.5f);
    expect_normals({diag.planes.begin() + 6, diag.planes.end()}, {{r, -r, 0}, {-r, r, 0}});
    EXPECT_FLOAT_EQ(diag.planes[6].d, 2 * r);
}

}  // namespace
