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
#include "reference_geometry.hpp"

namespace {

using namespace trelk;
using Point3 = Pointcloud::Point3;
using ref::D3;

const Mat3 kQuarterTurnZ{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};

Pointcloud cloud_of(std::vector<Point3> pts, float pr, Pointcloud::RadiusRange range = {0, 100}) {
    return Pointcloud::make(pts, range, pr);
}

ConvexPolytope box_polytope(const Cuboid& b) {
    std::vector<Plane> planes;
    std::vector<Vec3> corners;
    for (int i = 0; i < 3; ++i)
        for (float s : {1.0f, -1.0f})
            planes.push_back({b.axes[i] * s, s * dot(b.axes[i], b.center) + b.half_extents[i]});
    for (int k = 0; k < 8; ++k)
        corners.push_back(((b.center + b.axes[0] * (k & 1 ? b.half_extents.x : -b.half_extents.x)) +
                           b.axes[1] * (k & 2 ? b.half_extents.y : -b.half_extents.y)) +
                          b.axes[2] * (k & 4 ? b.half_extents.z : -b.half_extents.z));
    return ConvexPolytope::make(planes, corners);
}

// Each kind once, so that a table can run a cloud against all of them in both variants.
struct AllKinds {
    Capsule capsule;
    Cylinder cylinder;
    Cuboid cuboid;
    ConvexPolytope polytope;
    ConvexPolygon polygon;
    LineSegment segment;
    Ray ray;
    Line line;
    Plane plane;

    template <class F>
    void each(F&& f) const {
        f(capsule), f(cylinder), f(cuboid), f(polytope), f(polygon), f(segment), f(ray), f(line), f(plane);
    }
};

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
                        EXPECT_EQ(point_cloud_collides(cloud, s, Prefilter::skip), lift == 0.0f);
                        EXPECT_EQ(collides(cloud, s), lift == 0.0f);
                        EXPECT_EQ(collides(s, cloud), lift == 0.0f);
                    });
                }
            }
        }
    }
    shapes.each([&](const auto& s) {
        EXPECT_FALSE(collides(Pointcloud(), s));
        EXPECT_FALSE(point_cloud_collides(Pointcloud(), s, Prefilter::skip));
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
        // No vertices: every in-plane position is inside.
        {"empty polygon", [](auto& c) { return collides(c, ConvexPolygon::make({0, 0, 0}, {0, 0, 1}, {})); }, {1e6f, -1e6f, 1}, {1e6f, 0, 1.01f}, 1},
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
    EXPECT_TRUE(point_cloud_collides(corner, cube, Prefilter::skip));
    EXPECT_FALSE(point_cloud_collides(corner, cube, Prefilter::tree));
    const ConvexPolytope open{{}, {}, Cuboid::aligned({50, 0, 0}, {1, 1, 1})};  // no planes
    EXPECT_TRUE(point_cloud_collides(corner, open, Prefilter::skip));
    EXPECT_FALSE(point_cloud_collides(corner, open, Prefilter::tree));
}

// Slow reference in double precision: how far each point is from passing (<= 0 passes).
struct Reference {
    double pr;
    double operator()(const Cuboid& b, D3 p) const {
        double sum = 0;
        for (int i = 0; i < 3; ++i) {
            const double e = std::max(std::fabs(ref::dot(p - D3(b.center), D3(b.axes[i]))) - b.half_extents[i], 0.0);
            sum += e * e;
        }
        return std::sqrt(sum) - pr;
    }
    double segment_gap(Vec3 p1, Vec3 dir, double t0, double t1, D3 p) const {
        if (length_sq(dir) <= EPS) return ref::norm(p - D3(p1));
        return ref::norm(p - ref::Segment{D3(p1), D3(dir), t0, t1}.project(p));
    }
    double operator()(const Capsule& c, D3 p) const { return segment_gap(c.p1, c.dir, 0, 1, p) - c.radius - pr; }
    double operator()(const LineSegment& s, D3 p) const { return segment_gap(s.p1, s.dir, 0, 1, p) - pr; }
    double operator()(const Ray& r, D3 p) const { return segment_gap(r.origin, r.dir, 0, INFINITY, p) - pr; }
    double operator()(const Line& l, D3 p) const { return segment_gap(l.origin, l.dir, -INFINITY, INFINITY, p) - pr; }
    double operator()(const Cylinder& c, D3 p) const {
        const D3 d(c.dir), e = p - D3(c.p1);
        const double dd = ref::dot(d, d), t = ref::dot(e, d) / dd;
        const double rho = ref::norm(e - d * t), a = std::max({t - 1, -t, 0.0}) * std::sqrt(dd);
        const double rim = std::max(rho - c.radius, 0.0);
        return std::sqrt(rim * rim + a * a) - pr;
    }
    double operator()(const ConvexPolytope& t, D3 p) const {
        double worst = -INFINITY;
        for (const Plane& h : t.planes) worst = std::max(worst, ref::dot(D3(h.normal), p) - h.d);
        return worst - pr;
    }
    double operator()(const Plane& h, D3 p) const { return ref::dot(D3(h.normal), p) - h.d - pr; }
    double operator()(const ConvexPolygon& g, D3 p) const {
        const D3 e = p - D3(g.center);
        const double h = ref::dot(e, D3(g.normal)), a = ref::dot(e, D3(g.u_axis)), b = ref::dot(e, D3(g.v_axis));
        bool inside = true;
        for (std::size_t j = 0; j < g.edge_normals_2d.size(); ++j)
            inside = inside && a * g.edge_normals_2d[j][0] + b * g.edge_normals_2d[j][1] <= g.edge_offsets_2d[j] + 1e-6;
        double edge = inside ? 0 : INFINITY;
        for (std::size_t i = 0; i < g.vertices_2d.size() && !inside; ++i) {
            const auto& v = g.vertices_2d[i];
            const auto& w = g.vertices_2d[(i + 1) % g.vertices_2d.size()];
            const ref::Segment s{{v[0], v[1], 0}, {w[0] - v[0], w[1] - v[1], 0}, 0, 1};
            edge = std::min(edge, ref::norm(D3(a, b, 0) - s.project(D3(a, b, 0))));
        }
        return std::sqrt(h * h + edge * edge) - pr;
    }
};

// Undecided when some point lies within `tol` of passing and none passes clearly.
enum class Verdict { no, yes, unsure };
template <class S>
Verdict reference_verdict(const Pointcloud& cloud, const S& local, double tol) {
    const Reference gap{cloud.point_radius()};
    Verdict v = Verdict::no;
    for (std::size_t i = 0; i < cloud.len(); ++i) {
        const double g = gap(local, D3(cloud.point(i)));
        if (g <= -tol) return Verdict::yes;
        if (!(g > tol)) v = Verdict::unsure;
    }
    return v;
}

template <class S>
Sphere prefilter_sphere(const S& s) { return broadphase(s); }
Sphere prefilter_sphere(const ConvexPolytope& t) { return broadphase(t.obb); }

// Random shapes near a random point of a random cloud (sometimes moved by a random rigid motion, or
// scaled), tested in both variants against the reference.
TEST(CloudCollides, MatchesReferenceOnRandomClouds) {
    cloud_cases::Maker make(17);
    int decided = 0, undecided = 0, hits = 0;
    auto vec = [&](float lim) { return Vec3{make.uniform(-lim, lim), make.uniform(-lim, lim), make.uniform(-lim, lim)}; };
    for (int k = 0; k < 2500; ++k) {
        auto s = make.cloud(k % 4 == 0 ? 65536.0f : 0.0f);
        Pointcloud& cloud = s.cloud;
        if (make.chance(0.15)) scale(cloud, make.uniform(0.5f, 2.0f));
        if (make.chance(0.5)) {
            const Vec3 axis = normalize(vec(1));
            const float half = make.uniform(-1.6f, 1.6f);
            rotate_quat(cloud, Quat{axis.x * std::sin(half), axis.y * std::sin(half), axis.z * std::sin(half), std::cos(half)});
            translate(cloud, vec(100));
        }
        const Affine3A out = cloud.inverse_transform() ? inverse(*cloud.inverse_transform()) : Affine3A{};
        const Vec3 near = cloud.is_empty() ? Vec3{} : cloud.point(make.integer(0, int(cloud.len()) - 1));
        double size = 1;
        for (std::size_t i = 0; i < cloud.len(); ++i) size = std::max<double>(size, max_num(std::fabs(cloud.point(i).x), std::fabs(cloud.point(i).z)));
        const double tol = std::ldexp(1.0, -18) * (size + 100);

        // Each shape is made around `near` in the cloud's frame, then carried out into the world.
        auto place = [&](Vec3 local) { return out.transform_point(near + local); };
        auto turn = [&](Vec3 v) { return out.transform_vector(v); };
        const Vec3 axis_dir = vec(3), normal = normalize(vec(1));
        const float radius = make.uniform(0.0f, 2.0f);
        const Cuboid box = Cuboid::make(place(vec(2)), {turn({1, 0, 0}), turn({0, 1, 0}), turn({0, 0, 1})},
                                        {make.uniform(0, 2), make.uniform(0, 2), make.uniform(0, 2)});
        const ConvexPolytope polytope = box_polytope(box);
        std::vector<Vec2f> outline;
        const int corners = make.integer(0, 6);
        for (int i = 0; i < corners; ++i) {
            const float a = 6.2831853f * float(i) / float(corners), l = make.uniform(0.5f, 2.0f);
            outline.push_back({l * std::cos(a), l * std::sin(a)});
        }
        const AllKinds world{Capsule::make(place(vec(2)), turn(axis_dir), radius),
                             Cylinder::make(place(vec(2)), turn(axis_dir), radius),
                             box,
                             polytope,
                             ConvexPolygon::make(place(vec(2)), turn(normal), outline),
                             LineSegment::make(place(vec(2)), turn(axis_dir)),
                             Ray::make(place(vec(3)), turn(axis_dir)),
                             Line::make(place(vec(3)), turn(axis_dir)),
                             Plane{turn(normal), dot(turn(normal), place(vec(2)))}};
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
            ASSERT_EQ(point_cloud_collides(cloud, shape, Prefilter::skip), v == Verdict::yes) << k;
            ASSERT_EQ(collides(cloud, shape), v == Verdict::yes && prefilter) << k;
        });
    }
    EXPECT_GT(hits, decided / 5);
    EXPECT_LT(undecided, decided / 20);
    std::printf("decided %d (hits %d), undecided %d\n", decided, hits, undecided);
}

}  // namespace
