// The reach grid of some sphere sets: every lane of another set that could touch a marked sphere
// (by the float overlap test, or within a slack of rounding far beyond any pair test's) must be
// visited, in increasing order, whatever the sets hold; a set with a sphere that is not ordinary
// refuses to be marked, and such a sphere asked of a grid is always visited.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "lane_meets.hpp"
#include "reach_grid.hpp"

namespace {

using trelk::ReachGrid;
using trelk::Sphere;
using trelk::SpheresSoA;
using trelk::Vec3;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = std::numeric_limits<float>::max();

using lane_scan::meets;

// Within a slack of 2^-13 of the sizes and coordinates on every axis, in doubles.
bool near(const Sphere& q, const Sphere& s) {
    for (int a = 0; a < 3; ++a) {
        const double vq = q.center[a], vs = s.center[a];
        const double reach = (std::fabs(double(q.radius)) + std::fabs(double(s.radius))) * (1 + 0x1p-13) +
                             (std::fabs(vq) + std::fabs(vs)) * 0x1p-13;
        if (!(std::fabs(vq - vs) <= reach)) return false;
    }
    return true;
}

// The odd values below keep clear of the border: 3e38 is ordinary, the largest float is not (its
// box overflows).
bool ordinary(const Sphere& s) {
    return std::fabs(s.radius) < 1e18f && std::fabs(s.center.x) <= 3e38f && std::fabs(s.center.y) <= 3e38f &&
           std::fabs(s.center.z) <= 3e38f;
}

float uniform(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
Vec3 point(std::mt19937& rng, float w) { return {uniform(rng, -w, w), uniform(rng, -w, w), uniform(rng, -w, w)}; }
float step(std::mt19937& rng, int n) { return float(int(rng() % unsigned(2 * n + 1)) - n); }

struct Distribution {
    const char* name;
    std::function<Sphere(std::mt19937&)> sphere;
};

const Distribution kDistributions[] = {
    {"spread", [](std::mt19937& g) { return Sphere{point(g, 40), uniform(g, 0.0f, 2.0f)}; }},
    {"points", [](std::mt19937& g) { return Sphere{{step(g, 3), step(g, 3), step(g, 3)}, 0.0f}; }},
    {"integer grid, exact touching",
     [](std::mt19937& g) { return Sphere{{step(g, 6), step(g, 6), step(g, 6)}, 0.5f * float(g() % 4)}; }},
    {"far from the origin", [](std::mt19937& g) { return Sphere{point(g, 3) + Vec3{1e7f, -3e6f, 0}, uniform(g, 0, 2)}; }},
    {"huge coordinates", [](std::mt19937& g) { return Sphere{point(g, 1e30f), uniform(g, 0, 1e17f)}; }},
    {"tiny", [](std::mt19937& g) { return Sphere{point(g, 1e-30f), uniform(g, 0, 1e-30f)}; }},
    {"negative radii", [](std::mt19937& g) { return Sphere{point(g, 10), uniform(g, -3.0f, 1.0f)}; }},
    {"mixed sizes",
     [](std::mt19937& g) { return Sphere{point(g, 100), g() % 10 == 0 ? uniform(g, 20, 80) : uniform(g, 0, 1)}; }},
    {"odd values",
     [](std::mt19937& g) {
         static const float odd[] = {kNaN, kInf, -kInf, 1e18f, -1e18f, 3e38f, -kMax, 0.0f, -0.0f};
         Sphere s{point(g, 10), uniform(g, 0, 2)};
         if (g() % 8 == 0) s.radius = odd[g() % 9];
         if (g() % 12 == 0) s.center[int(g() % 3)] = odd[g() % 9];
         return s;
     }},
};

std::vector<Sphere> draw(std::mt19937& g, const Distribution& d, std::size_t n) {
    std::vector<Sphere> out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(d.sphere(g));
    return out;
}

TEST(ReachGrid, VisitsEveryLaneThatMayTouchAMarkedSphere) {
    std::mt19937 g(2024);
    for (const Distribution& d : kDistributions) {
        std::size_t built = 0, refused = 0, left_out = 0, lanes = 0;
        for (int round = 0; round < 150; ++round) {
            // Two marked sets (a third of the time a few spheres only) and the set asked, of sizes
            // around the lane blocks; cells laid anywhere, or every other round over the spread.
            const bool few = round % 3 == 0, spread_cells = round % 2 == 0;
            const std::vector<Sphere> m1 = draw(g, d, few ? g() % 4 : g() % 40), m2 = draw(g, d, few ? 0 : g() % 70),
                                      asked = draw(g, d, 1 + g() % 60);
            const SpheresSoA s1 = SpheresSoA::from_slice(m1), s2 = SpheresSoA::from_slice(m2),
                             sq = SpheresSoA::from_slice(asked);
            const SpheresSoA* sets[] = {&s1, &s2};
            const Sphere region_a = spread_cells ? Sphere{{0, 0, 0}, 70} : d.sphere(g),
                         region_b = spread_cells ? Sphere{{0, 0, 0}, 70} : Sphere{point(g, 30), uniform(g, 0, 60)};
            const std::string what = std::string(d.name) + " round " + std::to_string(round);

            bool all_ordinary = true;
            for (const auto* list : {&m1, &m2})
                for (const Sphere& s : *list) all_ordinary = all_ordinary && ordinary(s);
            ReachGrid grid;
            const bool ok = grid.build(region_a, region_b, sets);
            ASSERT_EQ(ok, all_ordinary) << what;
            if (!ok) {
                ++refused;
                continue;
            }
            ++built;
            std::vector<bool> visited(asked.size(), false);
            std::size_t last = 0, count = 0;
            grid.any_near(sq, [&](std::size_t i) {
                EXPECT_LT(i, asked.size()) << what;
                if (count++ > 0) {
                    EXPECT_GT(i, last) << what;
                }
                last = i;
                if (i < asked.size()) visited[i] = true;
                return false;
            });
            for (std::size_t i = 0; i < asked.size(); ++i) {
                bool needed = !ordinary(asked[i]);
                for (const auto* list : {&m1, &m2})
                    for (const Sphere& s : *list) needed = needed || meets(asked[i], s) || near(asked[i], s);
                EXPECT_TRUE(!needed || visited[i]) << what << ": lane " << i << " left out";
                if (spread_cells) {
                    left_out += !visited[i];
                    ++lanes;
                }
            }
        }
        EXPECT_GT(built, 40u) << d.name;
        if (std::string(d.name) == "odd values") {
            EXPECT_GT(refused, 10u);
        }
        if (std::string(d.name) == "spread") {
            EXPECT_GT(left_out * 2, lanes) << "the grid should leave most far lanes out";
        }
    }
}

TEST(ReachGrid, StopsAtTheFirstTrueVisitAndAnswersIt) {
    const SpheresSoA marked = SpheresSoA::from_slice(std::vector<Sphere>{{{0, 0, 0}, 1}});
    const SpheresSoA* sets[] = {&marked};
    const SpheresSoA asked = SpheresSoA::from_slice(
        std::vector<Sphere>{{{50, 0, 0}, 1}, {{1.5f, 0, 0}, 1}, {{0, 1, 0}, 0}, {{0, 0, 1.1f}, 0.2f}});
    ReachGrid grid;
    ASSERT_TRUE(grid.build({{0, 0, 0}, 60}, {{0, 0, 0}, 60}, sets));
    std::vector<std::size_t> seen;
    EXPECT_TRUE(grid.any_near(asked, [&](std::size_t i) {
        seen.push_back(i);
        return i == 2;
    }));
    EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2}));
    seen.clear();
    EXPECT_FALSE(grid.any_near(asked, [&](std::size_t i) {
        seen.push_back(i);
        return false;
    }));
    EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2, 3}));
}

TEST(ReachGrid, NothingMarkedReachesNothing) {
    const SpheresSoA empty;
    const SpheresSoA* sets[] = {&empty};
    const SpheresSoA asked = SpheresSoA::from_slice(std::vector<Sphere>{{{0, 0, 0}, 1}, {{kNaN, 0, 0}, 1}});
    ReachGrid grid;
    ASSERT_TRUE(grid.build({{0, 0, 0}, 1}, {{0, 0, 0}, 1}, sets));
    std::vector<std::size_t> seen;
    grid.any_near(asked, [&](std::size_t i) {
        seen.push_back(i);
        return false;
    });
    EXPECT_EQ(seen, (std::vector<std::size_t>{1})) << "only the lane that is not ordinary";
}

}  // namespace
