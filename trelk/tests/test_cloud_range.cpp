// Point clouds whose radius range is chosen within the memory budget, and clouds under stretching
// motions: every answer checked against brute force over the points where they now are.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "../../bench/cloud_scenes.hpp"
#include "affine.hpp"
#include "cloud_cases.hpp"
#include "pointcloud/collides.hpp"
#include "pointcloud/r_range.hpp"

namespace {

using namespace trelk;
using namespace cloud_cases;
using pointcloud::Capt;

std::vector<Point3> scene(cloud_scenes::Scene s, std::size_t n) {
    const auto pts = cloud_scenes::scene_points(s, n);
    return {pts.begin(), pts.end()};
}

TEST(CloudRange, ChosenRangeStartsAtZeroFitsTheBudgetAndIsRecorded) {
    for (cloud_scenes::Scene s : cloud_scenes::kScenes) {
        const std::vector<Point3> pts = scene(s, 10000);
        const Pointcloud c = Pointcloud::make_within_budget(pts, 0.002f);
        SCOPED_TRACE(cloud_scenes::scene_name(s));
        EXPECT_EQ(c.r_range().lo, 0.0f);
        EXPECT_GT(c.r_range().hi, 0.03f);  // robot-sized queries, not the scene
        EXPECT_LT(c.r_range().hi, 0.5f);
        EXPECT_LE(c.tree().buffer_bytes(), pointcloud::tree_budget_bytes(pts.size()));
        EXPECT_EQ(c.stored_view().r_range, std::make_pair(c.r_range().lo, c.r_range().hi));
        // The tree is the one an explicit range builds.
        const Capt same = Capt::with_point_radius(pts, c.r_range(), 0.002f);
        EXPECT_EQ(std::vector<float>(same.afforded(0).begin(), same.afforded(0).end()),
                  std::vector<float>(c.tree().afforded(0).begin(), c.tree().afforded(0).end()));
    }
}

TEST(CloudRange, RangesAtTheEdges) {
    const std::vector<Point3> few = {{0, 0, 0}, {3, 4, 0}, {1, 1, 1}};
    EXPECT_EQ(pointcloud::choose_r_range(few, 0.1f).hi, std::sqrt(26.0f));  // all afforded: the diagonal
    EXPECT_EQ(pointcloud::choose_r_range(few, 6.0f).hi, 6.0f);  // a diagonal short of the point radius
    EXPECT_TRUE(std::isnan(pointcloud::choose_r_range(std::vector<Point3>{{0, NAN, 0}}, 0.0f).hi));
    // Boxes shorter than the point radius, down to none: up to the point radius, else the diagonal.
    const std::vector<Point3> close = {{1, 2, 3}, {1, 2, 3.5f}};
    for (std::span<const Point3> pts : {std::span<const Point3>{}, std::span(few).first(1), std::span(close)}) {
        const float diagonal = pts.size() == 2 ? 0.5f : 0.0f;
        for (float pr : {0.0f, 0.25f, 0.75f}) {
            const pointcloud::RadiusRange r = pointcloud::choose_r_range(pts, pr);
            EXPECT_EQ(r.lo, 0.0f);
            EXPECT_EQ(r.hi, std::max(diagonal, pr)) << pts.size() << " " << pr;
        }
    }
    // A few equal points afford each other within the budget: up to the point radius, exactly.
    const std::vector<Point3> few_same(40, Point3{1, 2, 3});
    const Pointcloud f = Pointcloud::make_within_budget(few_same, 0.25f);
    EXPECT_EQ(f.r_range().lo, 0.0f);
    EXPECT_EQ(f.r_range().hi, 0.25f);
    EXPECT_LE(f.tree().buffer_bytes(), pointcloud::tree_budget_bytes(few_same.size()));
    EXPECT_TRUE(f.reaches({1, 2, 3.25f}, 0.0f));
    EXPECT_FALSE(f.reaches({1, 2, 3.2501f}, 0.0f));
    // Thousands of equal points would afford each other at any reach: the tree keeps them alone.
    const std::vector<Point3> same(5000, Point3{1, 2, 3});
    const Pointcloud c = Pointcloud::make_within_budget(same, 0.0f);
    EXPECT_TRUE(std::isnan(c.r_range().hi));
    EXPECT_LE(c.tree().buffer_bytes(), pointcloud::tree_budget_bytes(same.size()));
    EXPECT_TRUE(c.reaches({1, 2, 3.5f}, 0.5f));
    EXPECT_FALSE(c.reaches({1, 2, 3.5f}, 0.49f));
    // A capped build gives up past its cap; the explicit path builds what it is asked.
    EXPECT_FALSE(Capt::with_point_radius_within(same, {0, 1}, 0, 1 << 20));
    EXPECT_GT(Capt::with_point_radius(same, {0, 1}, 0).afforded(0).size(), 5000u * 1000u);
}

// An explicit range whose tree cannot be had fails with std::bad_alloc, not a crash.
TEST(CloudRange, ExplicitRangeBeyondMemoryThrowsBadAlloc) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit an address-space cap";
#endif
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    rlimit capped = old;
    capped.rlim_cur = rlim_t{1} << 30;
    if (old.rlim_cur != RLIM_INFINITY && old.rlim_cur < capped.rlim_cur) GTEST_SKIP();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    const std::vector<Point3> same(40000, Point3{1, 2, 3});  // 1.6e9 run entries at any reach
    EXPECT_THROW(Pointcloud::make(same, {0, 1}, 0), std::bad_alloc);
    setrlimit(RLIMIT_AS, &old);
}

// Queries of every reach on clouds with chosen ranges, most of them beyond the range.
TEST(CloudRange, QueriesOutsideTheRangeStayExact) {
    Maker make(5);
    for (cloud_scenes::Scene s : cloud_scenes::kScenes) {
        const std::vector<Point3> pts = scene(s, 10000);
        const Pointcloud c = Pointcloud::make_within_budget(pts, 0.01f);
        int hits = 0;
        for (int k = 0; k < 2000; ++k) {
            const Point3& p = pts[make.integer(0, int(pts.size()) - 1)];
            const Vec3 center = Vec3{p[0], p[1], p[2]} + make.vec(0.3f);
            const float r = k % 2 ? make.uniform(0, 0.5f) : make.uniform(0, c.r_range().hi);
            const bool expect = brute_reach(pts, center, r, 0.01f);
            hits += expect;
            ASSERT_EQ(c.reaches(center, r), expect) << k;
        }
        EXPECT_GT(hits, 200);
        EXPECT_LT(hits, 1800);
    }
}

// A random motion that is not rigid: a shearing or scaling matrix, an affine map, or a quaternion
// of length 0.3 to 2; none too close to singular.
void stretch(Maker& make, Pointcloud& c) {
    for (;;) {
        Pointcloud moved = c;
        Mat3 m{make.vec(1), make.vec(1), make.vec(1)};
        m.x_axis.x += 1.5f, m.y_axis.y += 1.5f, m.z_axis.z += 1.5f;
        switch (make.integer(0, 2)) {
            case 0: rotate_mat(moved, m); break;
            case 1: transform(moved, {m, make.vec(50)}); break;
            default: {
                const Vec3 v = make.vec(1);
                const float w = make.uniform(-1, 1), len = std::sqrt(dot(v, v) + w * w), s = make.uniform(0.3f, 2.0f) / len;
                rotate_quat(moved, Quat{v.x * s, v.y * s, v.z * s, w * s});
            }
        }
        const Affine3A out = moved.outward();
        const Mat3 in = moved.inverse_transform()->matrix3;
        const double cond = std::fabs(double(dot(cross(out.matrix3.x_axis, out.matrix3.y_axis), out.matrix3.z_axis)));
        if (moved.stretching() && cond > 0.05 && cond < 20 && std::isfinite(in.x_axis.x)) {
            c = moved;
            return;
        }
    }
}

std::vector<Vec3> world_points(const Pointcloud& c) {
    std::vector<Vec3> w;
    for (std::size_t i = 0; i < c.len(); ++i) w.push_back(c.outward().transform_point(c.point(i)));
    return w;
}

// The tree's float formula, over the points where they now are.
bool brute_world(const std::vector<Vec3>& w, Vec3 c, float reach) {
    for (Vec3 q : w) {
        const float dx = q.x - c.x, dy = q.y - c.y, dz = q.z - c.z;
        if ((dx * dx + dy * dy) + dz * dz <= reach * reach) return true;
    }
    return false;
}

template <class S>
Verdict world_verdict(const std::vector<Vec3>& w, const S& shape, double pr, double tol) {
    const Reference gap{pr};
    Verdict v = Verdict::no;
    for (Vec3 q : w) {
        const double g = gap(shape, D3(q));
        if (g <= -tol) return Verdict::yes;
        if (!(g > tol)) v = Verdict::unsure;
    }
    return v;
}

Sphere bound_of(const ConvexPolytope& t) { return broadphase(t.obb); }
template <class S>
Sphere bound_of(const S& s) { return broadphase(s); }

TEST(StretchedCloud, EveryTestAnswersWhereThePointsAre) {
    Maker make(23);
    int spheres = 0, sphere_hits = 0, decided = 0, undecided = 0, hits = 0;
    for (int k = 0; k < 1500; ++k) {
        auto s = make.cloud(k % 4 == 0 ? 1024.0f : 0.0f);
        if (s.points.empty()) continue;
        Pointcloud& cloud = s.cloud;
        // Half with chosen ranges, where the tree hands its candidates to the world test.
        if (k % 2) cloud = Pointcloud::make_within_budget(s.points, cloud.point_radius());
        if (make.chance(0.3)) make.move(cloud);
        stretch(make, cloud);
        const std::vector<Vec3> w = world_points(cloud);
        const float pr = cloud.point_radius();

        // Bounds hold every point's ball.
        const Sphere ball = broadphase(cloud);
        const Cuboid box = aabb(cloud);
        for (Vec3 q : w) {
            ASSERT_LE(std::sqrt(double(length_sq(q - ball.center))) + pr, ball.radius);
            for (int a = 0; a < 3; ++a) ASSERT_LE(std::fabs(double(q[a]) - box.center[a]) + pr, box.half_extents[a]);
        }
        // Spheres: exact, by the same float formula.
        for (int q = 0; q < 8; ++q) {
            const Vec3 center = w[make.integer(0, int(w.size()) - 1)] + make.vec(3);
            const float r = make.uniform(0, 3);
            const bool expect = brute_world(w, center, r + pr);
            ++spheres, sphere_hits += expect;
            ASSERT_EQ(point_cloud_collides(cloud, Sphere{center, r}), expect)
                << k << " r_range " << cloud.r_range().lo << " " << cloud.r_range().hi << " r " << r << " pr " << pr;
        }
        // Every other kind: against the slow reference, with and without the bounding-sphere test.
        double size = 100;
        for (Vec3 q : w) size = std::max(size, max_abs_coordinate(q));
        const double tol = std::ldexp(1.0, -16) * size;
        shapes_near(make, cloud).each([&](const auto& shape) {
            const Verdict v = world_verdict(w, shape, pr, tol);
            if (v == Verdict::unsure) return void(++undecided);
            ++decided, hits += v == Verdict::yes;
            ASSERT_EQ(point_cloud_collides(cloud, shape, Prefilter::done_by_caller), v == Verdict::yes) << k;
            using Kind = std::decay_t<decltype(shape)>;
            bool passes = true;
            if constexpr (std::is_same_v<Kind, Capsule> || std::is_same_v<Kind, Cylinder> ||
                          std::is_same_v<Kind, Cuboid> || std::is_same_v<Kind, ConvexPolytope>) {
                const Sphere b = bound_of(shape);
                passes = brute_world(w, b.center, b.radius + pr);
            }
            ASSERT_EQ(collides(cloud, shape), v == Verdict::yes && passes) << k;
        });
    }
    EXPECT_GT(sphere_hits, spheres / 5);
    EXPECT_LT(sphere_hits, spheres * 4 / 5);
    EXPECT_GT(hits, decided / 5);
    EXPECT_LT(undecided, decided / 20);
}

// Two clouds, either or both stretched: any pair of points within the sum of their radii, in the world.
TEST(StretchedCloud, CloudsMeetWhereThePointsAre) {
    Maker make(29);
    int hits = 0, cases = 0;
    for (int k = 0; k < 1500; ++k) {
        auto a = make.cloud(0.0f), b = make.cloud(0.0f);
        if (a.points.empty() || b.points.empty()) continue;
        const int which = make.integer(1, 3);
        if (which & 1) stretch(make, a.cloud);
        if (which & 2) stretch(make, b.cloud);
        const bool a_small = a.cloud.len() <= b.cloud.len();
        const Pointcloud& small = a_small ? a.cloud : b.cloud;
        const Pointcloud& big = a_small ? b.cloud : a.cloud;
        const std::vector<Vec3> ws = world_points(small), wb = world_points(big);
        bool expect = false;
        for (Vec3 p : ws) {
            if (big.stretching())
                expect = expect || brute_world(wb, p, small.point_radius() + big.point_radius());
            else
                expect = expect || big.reaches_local(big.to_local(p), small.point_radius());
        }
        ++cases, hits += expect;
        ASSERT_EQ(clouds_collide(a.cloud, b.cloud), expect) << k;
    }
    EXPECT_GT(hits, cases / 8);
    EXPECT_LT(hits, cases * 7 / 8);
}

}  // namespace
