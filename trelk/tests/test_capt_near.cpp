// The search of a point tree's cells for sphere queries of any reach, against brute force by the
// same float formula: radii far beyond the tree's range, ties on split planes, duplicates, squares
// that underflow, empty and one-point clouds, stored trees, moved clouds.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cloud_cases.hpp"
#include "pointcloud/capt_near.hpp"
#include "pointcloud/r_range.hpp"

namespace {

using namespace trelk;
using namespace cloud_cases;
using pointcloud::Capt;

// Every way a tree can be built over the points: ranges that afford nothing, a little, or much.
std::vector<Pointcloud> clouds_over(const std::vector<Point3>& pts, float pr) {
    return {Pointcloud::make(pts, {0.0f, pointcloud::kAffordsNothing}, pr), Pointcloud::make(pts, {0.0f, 0.3f}, pr),
            Pointcloud::make(pts, {0.5f, 2.0f}, pr), Pointcloud::make_within_budget(pts, pr)};
}

void expect_search_exact(const std::vector<Point3>& pts, float pr, Maker& make, float lim, int queries) {
    for (const Pointcloud& c : clouds_over(pts, pr))
        for (int q = 0; q < queries; ++q) {
            Vec3 center = make.vec(lim);
            if (!pts.empty() && make.chance(0.7)) {
                const Point3& p = pts[make.integer(0, int(pts.size()) - 1)];
                center = Vec3{p[0], p[1], p[2]} + make.vec(lim / 4);
            }
            const float r = make.chance(0.1) ? 0.0f : std::ldexp(make.uniform(0.5f, 1.0f), make.integer(-8, 6)) * lim;
            const bool expect = brute_reach(pts, center, r, pr);
            ASSERT_EQ(pointcloud::reaches_any_reach(c.tree(), {center.x, center.y, center.z}, r), expect)
                << pts.size() << " points, r_range hi " << c.r_range().hi << " r " << r;
            ASSERT_EQ(c.reaches_local(center, r), expect);
        }
}

TEST(CaptNear, RandomCloudsAnyReach) {
    Maker make(41);
    for (int k = 0; k < 300; ++k) {
        const Sample s = make.cloud(k % 3 == 0 ? 1024.0f : 0.0f);
        expect_search_exact(s.points, s.cloud.point_radius(), make, 10.0f, 20);
    }
}

// Coordinates on a grid of four values: many points share each split value, and many are equal.
TEST(CaptNear, DuplicatesAndPointsOnSplitPlanes) {
    Maker make(43);
    for (int n : {1, 2, 3, 8, 9, 100, 1000}) {
        std::vector<Point3> pts;
        for (int i = 0; i < n; ++i)
            pts.push_back({float(make.integer(0, 3)), float(make.integer(0, 3)), float(make.integer(0, 3))});
        expect_search_exact(pts, 0.0f, make, 4.0f, 200);
        // A query exactly at the reach of a point, and just short of it.
        for (const Pythagorean& v : kPythagorean) {
            const Point3& p = pts[make.integer(0, n - 1)];
            const Vec3 center{p[0] + v.x, p[1] + v.y, p[2] + v.z};
            for (float r : {v.length, std::nextafter(v.length, 0.0f)})
                for (const Pointcloud& c : clouds_over(pts, 0.0f))
                    ASSERT_EQ(c.reaches_local(center, r), brute_reach(pts, center, r, 0.0f)) << n << " " << r;
        }
    }
}

TEST(CaptNear, EmptyOneAndTinyClouds) {
    Maker make(47);
    expect_search_exact({}, 0.5f, make, 10.0f, 50);
    expect_search_exact({{1, 2, 3}}, 0.25f, make, 10.0f, 200);
    // Squared gaps underflow to zero: the formula calls points reached that a coarser prune might skip.
    std::vector<Point3> tiny;
    for (int i = 0; i < 200; ++i) tiny.push_back({make.uniform(-1, 1) * 1e-21f, make.uniform(-1, 1) * 1e-21f, 0});
    expect_search_exact(tiny, 0.0f, make, 4e-21f, 300);
}

// A tree read back derives the boxes its searches use from its runs.
TEST(CaptNear, StoredTreeSearchesAlike) {
    Maker make(53);
    const Sample s = make.cloud(0.0f);
    const Capt& t = s.cloud.tree();
    const Capt back = Capt::from_stored(data_of(t));
    ASSERT_EQ(back.node_boxes().size(), t.node_boxes().size());
    for (std::size_t i = 0; i < t.node_boxes().size(); ++i) EXPECT_EQ(back.node_boxes()[i], t.node_boxes()[i]);
}

// Rigidly moved clouds answer in their own frame; stretched ones offer every candidate to the world test.
TEST(CaptNear, MovedClouds) {
    Maker make(59);
    for (int k = 0; k < 300; ++k) {
        Sample s = make.cloud(0.0f);
        if (s.points.empty()) continue;
        Pointcloud c = make.chance(0.5) ? s.cloud : Pointcloud::make_within_budget(s.points, s.cloud.point_radius());
        const bool stretched = k % 2;
        if (stretched)
            transform(c, {Mat3{{1.5f, 0.2f, 0}, {0, 0.5f, 0.1f}, {0, 0, 2.0f}}, make.vec(20)});
        else
            make.move(c);
        const Affine3A out = c.outward();
        for (int q = 0; q < 20; ++q) {
            const Vec3 center = out.transform_point(c.point(make.integer(0, int(c.len()) - 1))) + make.vec(6);
            const float r = make.uniform(0, 12), reach = r + c.point_radius();
            bool expect = false;
            for (std::size_t i = 0; i < c.len() && !expect; ++i) {
                const Vec3 p = stretched ? out.transform_point(c.point(i)) : c.point(i);
                const Vec3 d = p - (stretched ? center : c.to_local(center));
                expect = (d.x * d.x + d.y * d.y) + d.z * d.z <= reach * reach;
            }
            ASSERT_EQ(c.reaches(center, r), expect) << k << " " << q;
        }
    }
}

}  // namespace
