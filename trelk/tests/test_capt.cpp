// Point tree: exact layouts of small trees, and every query cross-checked against a scan of all
// points with the same float formula, on thousands of random clouds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "pointcloud/capt.hpp"
#include "support/fault.hpp"

namespace {

using trelk::pointcloud::Aabb;
using trelk::pointcloud::Capt;
using trelk::pointcloud::CenterRows8;
using trelk::pointcloud::NewCaptError;
using trelk::pointcloud::Point3;
using trelk::pointcloud::Radii8;
using trelk::pointcloud::RadiusRange;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<float> plane(const Capt& t, int axis) { return {t.afforded(axis).begin(), t.afforded(axis).end()}; }

// Any point within r + r_point, by the formula the tree uses.
bool brute(const std::vector<Point3>& pts, const Point3& c, float r, float r_point) {
    const float reach = r + r_point, rsq = reach * reach;
    for (const Point3& p : pts) {
        float dx = p[0] - c[0], dy = p[1] - c[1], dz = p[2] - c[2];
        if ((dx * dx + dy * dy) + dz * dz <= rsq) return true;
    }
    return false;
}

Capt build(const std::vector<Point3>& pts, RadiusRange range, float r_point = 0.0f) {
    return Capt::with_point_radius(pts, range, r_point);
}

TEST(CaptLayout, EmptyCloudHasOnePaddingLeaf) {
    Capt t = build({}, {0.1f, 2.0f});
    EXPECT_TRUE(t.tests().empty());
    ASSERT_EQ(t.aabbs().size(), 1u);
    EXPECT_EQ(t.aabbs()[0], (Aabb{{kInf, kInf, kInf}, {kInf, kInf, kInf}}));
    EXPECT_EQ(std::vector<std::uint32_t>(t.starts().begin(), t.starts().end()), (std::vector<std::uint32_t>{0, 0}));
    for (int a = 0; a < 3; ++a) EXPECT_TRUE(t.afforded(a).empty());
    EXPECT_EQ(t.lanes_log2(), 3u);
    EXPECT_FALSE(t.collides({0, 0, 0}, 1e30f));
    EXPECT_FALSE(t.collides({kInf, kInf, kInf}, 1.0f));
    EXPECT_FALSE(t.collides_simd({}, Radii8{1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST(CaptLayout, OnePointRunIsPaddedToEightLanes) {
    Capt t = build({{1, 2, 3}}, {0.1f, 2.0f}, 0.25f);
    EXPECT_TRUE(t.tests().empty());
    EXPECT_EQ(t.aabbs()[0], (Aabb{{1, 2, 3}, {1, 2, 3}}));
    EXPECT_EQ(t.starts()[1], 8u);
    EXPECT_EQ(plane(t, 1), (std::vector<float>{2, kInf, kInf, kInf, kInf, kInf, kInf, kInf}));
    EXPECT_EQ(t.r_point(), 0.25f);
    // Reach 0.75 + 0.25 = 1: touching collides, a hair further does not.
    EXPECT_TRUE(t.collides({1, 2, 4}, 0.75f));
    EXPECT_FALSE(t.collides({1, 2, 4.0001f}, 0.75f));
    for (int a = 0; a < 3; ++a)
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(t.afforded(a).data()) % 32, 0u);
}

TEST(CaptLayout, ThreePointsPadToFourLeaves) {
    Capt t = build({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}, {0.1f, 1.0f});
    ASSERT_EQ(t.tests().size(), 3u);
    EXPECT_EQ(t.depth(), 2);
    // Root splits x between 10 and 20; the upper half holds 20 and the padding point.
    EXPECT_EQ(t.tests()[0], 15.0f);
    EXPECT_EQ(t.tests()[2], kInf);
    EXPECT_EQ(std::vector<std::uint32_t>(t.starts().begin(), t.starts().end()),
              (std::vector<std::uint32_t>{0, 8, 16, 24, 24}));
    EXPECT_EQ(t.aabbs()[3], (Aabb{{kInf, kInf, kInf}, {kInf, kInf, kInf}}));
}

TEST(CaptLayout, TwoIdenticalPointsAffordEachOther) {
    Capt t = build({{1, 1, 1}, {1, 1, 1}}, {0.5f, 1.0f});
    EXPECT_EQ(std::vector<std::uint32_t>(t.starts().begin(), t.starts().end()), (std::vector<std::uint32_t>{0, 8, 16}));
    const std::vector<float> run{1, 1, kInf, kInf, kInf, kInf, kInf, kInf};
    std::vector<float> both(run);
    both.insert(both.end(), run.begin(), run.end());
    for (int a = 0; a < 3; ++a) EXPECT_EQ(plane(t, a), both);
}

TEST(CaptLayout, CentreOnSplitValueDescendsUpper) {
    // Split at x = 5; with r_range (0, 0) nothing crosses, so each leaf knows only its own point.
    Capt t = build({{0, 0, 0}, {10, 0, 3}}, {0.0f, 0.0f});
    ASSERT_EQ(t.tests()[0], 5.0f);
    EXPECT_FALSE(t.collides({5, 0, 0}, 5.0f));     // upper leaf: (10, 0, 3) is sqrt(34) away
    EXPECT_TRUE(t.collides({4.99f, 0, 0}, 5.0f));  // lower leaf: (0, 0, 0) is 4.99 away
}

TEST(CaptLayout, SplitValuesThatOverflowKeepEveryPointReachable) {
    // The two middle coordinates sum beyond the float range, so the split value is +inf or -inf.
    const float big[] = {3.0e38f, -3.0e38f};
    for (float b : big) {
        const std::vector<Point3> pts{{b, 0, 0}, {b * 1.1f, 0, 0}, {b, 5, 0}, {b * 1.1f, 5, 0}};
        const Capt t = build(pts, {0.0f, 1.0f});
        EXPECT_TRUE(std::isinf(t.tests()[0])) << b;
        for (const Point3& p : pts) {
            EXPECT_TRUE(t.collides(p, 0.0f)) << b << " " << p[0] << " " << p[1];
            EXPECT_TRUE(t.collides({p[0], p[1] + 1.0f, 0}, 0.0f) == false);
            EXPECT_TRUE(t.collides({p[0], p[1] + 1.0f, 0}, 1.0f));
        }
    }
}

TEST(CaptLayout, NonFiniteCoordinateIsRefused) {
    const float bad[] = {kNaN, kInf, -kInf};
    for (float b : bad)
        for (int axis = 0; axis < 3; ++axis) {
            std::vector<Point3> pts{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
            pts[1][axis] = b;
            auto r = Capt::try_with_point_radius(pts, {0.0f, 1.0f}, 0.0f);
            ASSERT_TRUE(std::holds_alternative<NewCaptError>(r));
            EXPECT_EQ(std::get<NewCaptError>(r), NewCaptError::NonFinite);
        }
    try {
        build({{kNaN, 0, 0}}, {0, 1});
        FAIL();
    } catch (const quorix::Fault& f) {
        EXPECT_STREQ(f.what(), "index type I must be able to support all points in CAPT during construction: NonFinite");
    }
}

TEST(CaptQuery, NaNQueriesFollowTheirComparisons) {
    Capt t = build({{1, 2, 3}}, {0.1f, 2.0f});
    // The one-sphere query rejects nothing with a NaN, so a non-empty leaf answers true.
    EXPECT_TRUE(t.collides({kNaN, 0, 0}, 1.0f));
    EXPECT_TRUE(t.collides({100, 100, 100}, kNaN));
    // The eight-lane query never passes a NaN lane.
    CenterRows8 c{};
    c[0].fill(kNaN);
    EXPECT_FALSE(t.collides_simd(c, Radii8{1, 1, 1, 1, 1, 1, 1, 1}));
    c[0].fill(1);
    c[1].fill(2);
    c[2].fill(3);
    Radii8 r;
    r.fill(kNaN);
    EXPECT_FALSE(t.collides_simd(c, r));
    r[5] = 0.0f;
    EXPECT_TRUE(t.collides_simd(c, r));

    // Three levels per descent step and the two leftover levels: NaN goes low, +inf goes high, to
    // the padding leaf with its empty run, at every depth.
    for (std::size_t n : {3u, 7u, 15u, 31u, 63u}) {
        std::vector<Point3> pts;
        for (std::size_t i = 0; i < n; ++i) pts.push_back({float(i), float(i % 5), float(i % 3)});
        const Capt deep = build(pts, {0.5f, 1.0f});
        EXPECT_TRUE(deep.collides({kNaN, kNaN, kNaN}, 0.0f)) << n;
        EXPECT_FALSE(deep.collides({kInf, kInf, kInf}, 1e30f)) << n;
    }
}

// A family of random clouds. Grid clouds use small integers so that every distance is exact and
// many points sit exactly at the reach or on split planes; continuous clouds cover the rest.
struct CloudKind {
    const char* name;
    float scale;  // coordinate extent
    float reach;  // largest reach of the radius ranges; squares stay finite
    bool grid;
    bool duplicates;
};

void PrintTo(const CloudKind& k, std::ostream* os) { *os << k.name; }

class CaptRandom : public ::testing::TestWithParam<CloudKind> {};

std::vector<Point3> random_cloud(std::mt19937& rng, const CloudKind& kind, std::size_t n) {
    std::vector<Point3> pts;
    // Drawn as scale * [-1, 1): the distribution's own width would overflow for huge scales.
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    auto coord = [&](std::mt19937& g) { return kind.scale * unit(g); };
    std::uniform_int_distribution<int> cell(-6, 6);
    for (std::size_t i = 0; i < n; ++i) {
        if (kind.duplicates && !pts.empty() && rng() % 3 == 0) {
            pts.push_back(pts[rng() % pts.size()]);
            continue;
        }
        if (kind.grid)
            pts.push_back({float(cell(rng)), float(cell(rng)), float(cell(rng))});
        else
            pts.push_back({coord(rng), coord(rng), coord(rng)});
    }
    return pts;
}

// A centre near a random point (or anywhere), so both hits and misses are frequent.
Point3 random_centre(std::mt19937& rng, const CloudKind& kind, const std::vector<Point3>& pts, float spread) {
    if (kind.grid) {
        std::uniform_int_distribution<int> cell(-8, 8);
        return {float(cell(rng)), float(cell(rng)), float(cell(rng))};
    }
    std::uniform_real_distribution<float> off(-spread, spread);
    if (!pts.empty() && rng() % 4 != 0) {
        const Point3& p = pts[rng() % pts.size()];
        return {p[0] + off(rng), p[1] + off(rng), p[2] + off(rng)};
    }
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    return {kind.scale * unit(rng), kind.scale * unit(rng), kind.scale * unit(rng)};
}

TEST_P(CaptRandom, QueriesWithinRangeMatchBruteForce) {
    const CloudKind kind = GetParam();
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::size_t> count(0, 150);
    int hits = 0, misses = 0;
    for (int cloud = 0; cloud < 1500; ++cloud) {
        const std::vector<Point3> pts = random_cloud(rng, kind, count(rng));
        // Ranges on the scale of the cloud; grid ranges are whole numbers so reaches can be exact.
        float lo, hi, r_point;
        if (kind.grid) {
            lo = float(rng() % 3);
            hi = lo + float(rng() % 4);
            r_point = float(rng() % 2) * 0.5f;
        } else {
            std::uniform_real_distribution<float> u(0.0f, kind.reach);
            lo = u(rng);
            hi = lo + u(rng);
            r_point = u(rng) * 0.1f;
        }
        const Capt t = build(pts, {lo, hi}, r_point);
        for (int q = 0; q < 16; ++q) {
            CenterRows8 rows;
            Radii8 radii;
            bool any_expected = false;
            for (int l = 0; l < 8; ++l) {
                const Point3 c = random_centre(rng, kind, pts, hi * 2.0f);
                float reach;
                if (kind.grid) {
                    reach = lo + float(rng() % (int(hi - lo) + 1));  // whole numbers in [lo, hi]
                } else {
                    reach = std::uniform_real_distribution<float>(lo, hi)(rng);
                }
                const float r = reach - r_point;
                if (!(r + r_point >= lo && r + r_point <= hi)) continue;  // rounding pushed it out
                const bool expected = brute(pts, c, r, r_point);
                ASSERT_EQ(t.collides(c, r), expected)
                    << kind.name << " cloud " << cloud << " n=" << pts.size() << " centre (" << c[0] << ", " << c[1]
                    << ", " << c[2] << ") r=" << r;
                (expected ? hits : misses)++;
                for (int a = 0; a < 3; ++a) rows[a][l] = c[a];
                radii[l] = r;
                any_expected = any_expected || expected;
            }
            // Lanes skipped above keep their last values; recompute the expectation from the rows.
            any_expected = false;
            for (int l = 0; l < 8; ++l)
                any_expected = any_expected || brute(pts, {rows[0][l], rows[1][l], rows[2][l]}, radii[l], r_point);
            ASSERT_EQ(t.collides_simd(rows, radii), any_expected) << kind.name << " cloud " << cloud;
        }
    }
    // The sample must exercise both answers.
    EXPECT_GT(hits, 1000);
    EXPECT_GT(misses, 1000);
}

TEST_P(CaptRandom, AnyReachNeverInventsAPoint) {
    const CloudKind kind = GetParam();
    std::mt19937 rng(777);
    for (int cloud = 0; cloud < 500; ++cloud) {
        const std::vector<Point3> pts = random_cloud(rng, kind, rng() % 100);
        const float hi = kind.grid ? 2.0f : kind.reach;
        const Capt t = build(pts, {hi * 0.5f, hi}, 0.0f);
        for (int q = 0; q < 32; ++q) {
            const Point3 c = random_centre(rng, kind, pts, hi * 4.0f);
            const float r = std::uniform_real_distribution<float>(0.0f, hi * 4.0f)(rng);
            if (t.collides(c, r)) {
                ASSERT_TRUE(brute(pts, c, r, 0.0f)) << kind.name << " cloud " << cloud;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Clouds, CaptRandom,
                         ::testing::Values(CloudKind{"unit", 1.0f, 0.3f, false, false},
                                           CloudKind{"grid", 6.0f, 0.0f, true, false},
                                           CloudKind{"grid_duplicates", 6.0f, 0.0f, true, true},
                                           CloudKind{"continuous_duplicates", 10.0f, 3.0f, false, true},
                                           CloudKind{"huge", 3e38f, 1e18f, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CaptQuery, ExactOnlyForReachesInsideTheRange) {
    // The upper leaf's own point is far away in y; the lower point is within reach across the split.
    const std::vector<Point3> pts{{0, 0, 0}, {10, 50, 0}};
    EXPECT_FALSE(build(pts, {0.0f, 1.0f}).collides({5.5f, 0, 0}, 6.0f));  // reach 6 above the range
    EXPECT_TRUE(build(pts, {0.0f, 6.0f}).collides({5.5f, 0, 0}, 6.0f));   // reach 6 at the range's top
    EXPECT_TRUE(build(pts, {0.0f, 6.0f}).collides({5.5f, 0, 0}, 5.5f));   // touching
    EXPECT_FALSE(build(pts, {0.0f, 6.0f}).collides({5.5f, 0, 0}, 5.49f));
}

}  // namespace

// ---- afforded sets against a plain recursive build

namespace afforded_reference {

struct Cell {
    Point3 lo{-kInf, -kInf, -kInf}, hi{kInf, kInf, kInf};
};

float sq(float x) { return x * x; }

// The tables of a tree built the slow way: full sorts instead of a selection, plain lists. Each
// leaf's run is kept as a list of points (padding included) for an order-free comparison, since
// how a selection orders the halves is its own affair.
struct Tree {
    std::vector<float> tests;
    std::vector<Aabb> boxes;
    std::vector<std::uint32_t> starts{0};
    std::vector<std::vector<Point3>> runs;
    float r0, r1;

    void node(std::vector<Point3> slice, int k, std::size_t i, std::vector<Point3> cands, Cell cell) {
        if (slice.size() == 1) return leaf(slice[0], cands, cell);
        std::sort(slice.begin(), slice.end(), [k](const Point3& a, const Point3& b) { return a[k] < b[k]; });
        const std::size_t h = slice.size() / 2;
        float lower_max = slice[0][k];
        for (std::size_t j = 1; j < h; ++j) lower_max = std::max(lower_max, slice[j][k]);
        const float t = (lower_max + slice[h][k]) * 0.5f;
        tests[i] = t;
        Cell lower = cell, upper = cell;
        lower.hi[k] = t;
        upper.lo[k] = t;
        auto diag = [](const Cell& c) {
            return (sq(c.lo[0] - c.hi[0]) + sq(c.lo[1] - c.hi[1])) + sq(c.lo[2] - c.hi[2]);
        };
        const bool lower_open = !(diag(lower) <= r0 * r0), upper_open = !(diag(upper) <= r0 * r0);
        std::vector<Point3> lc, uc;
        if (lower_open) {
            for (const Point3& c : cands)
                if (c[k] <= t + r1) lc.push_back(c);
            for (std::size_t j = h; j < slice.size(); ++j)
                if (slice[j][k] <= t + r1) lc.push_back(slice[j]);
        }
        if (upper_open) {
            for (const Point3& c : cands)
                if (c[k] >= t - r1 && (!lower_open || std::isfinite(c[k]))) uc.push_back(c);
            for (std::size_t j = 0; j < h; ++j)
                if (std::isfinite(slice[j][k]) && slice[j][k] >= t - r1) uc.push_back(slice[j]);
        }
        const int next = (k + 1) % 3;
        node({slice.begin(), slice.begin() + h}, next, 2 * i + 1, lc, lower);
        node({slice.begin() + h, slice.end()}, next, 2 * i + 2, uc, upper);
    }

    void leaf(const Point3& p, const std::vector<Point3>& cands, const Cell& cell) {
        Aabb box{p, p};
        std::vector<Point3> run;
        if (std::isfinite(p[0])) {
            run.push_back(p);
            float far = 0.0f;
            for (int a = 0; a < 3; ++a) far += std::max(sq(cell.lo[a] - p[a]), sq(cell.hi[a] - p[a]));
            if (!(far <= r0 * r0))
                for (const Point3& c : cands) {
                    run.push_back(c);
                    for (int a = 0; a < 3; ++a) {
                        if (c[a] < box.lo[a]) box.lo[a] = c[a];
                        if (c[a] > box.hi[a]) box.hi[a] = c[a];
                    }
                }
            while (run.size() % 8 != 0) run.push_back({kInf, kInf, kInf});
        }
        boxes.push_back(box);
        starts.push_back(starts.back() + std::uint32_t(run.size()));
        runs.push_back(std::move(run));
    }
};

Tree build(const std::vector<Point3>& pts, float r0, float r1) {
    const std::size_t leaves = pts.size() < 2 ? 1 : std::bit_ceil(pts.size());
    std::vector<Point3> work(leaves, Point3{kInf, kInf, kInf});
    std::copy(pts.begin(), pts.end(), work.begin());
    Tree t{std::vector<float>(leaves - 1, kInf), {}, {0}, {}, r0, r1};
    t.node(work, 0, 0, {}, Cell{});
    return t;
}

}  // namespace afforded_reference

TEST(CaptLayout, AffordedSetsMatchAPlainRecursiveBuild) {
    std::mt19937 rng(515);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f), reach(0.0f, 6.0f);
    for (int round = 0; round < 400; ++round) {
        std::vector<Point3> pts(1 + rng() % 37);
        for (Point3& p : pts) p = {coord(rng), coord(rng), coord(rng)};
        const float r0 = round % 5 == 0 ? 0.0f : reach(rng), r1 = r0 + reach(rng);
        const Capt t = build(pts, {r0, r1});
        const afforded_reference::Tree want = afforded_reference::build(pts, r0, r1);
        ASSERT_EQ(std::vector<float>(t.tests().begin(), t.tests().end()), want.tests) << round;
        ASSERT_EQ(std::vector<Aabb>(t.aabbs().begin(), t.aabbs().end()), want.boxes) << round;
        ASSERT_EQ(std::vector<std::uint32_t>(t.starts().begin(), t.starts().end()), want.starts) << round;
        for (std::size_t z = 0; z < want.runs.size(); ++z) {
            std::vector<Point3> got;
            for (std::uint32_t j = t.starts()[z]; j < t.starts()[z + 1]; ++j)
                got.push_back({t.afforded(0)[j], t.afforded(1)[j], t.afforded(2)[j]});
            std::vector<Point3> expected = want.runs[z];
            std::sort(got.begin(), got.end());
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(got, expected) << "round " << round << " leaf " << z;
        }
    }
}
