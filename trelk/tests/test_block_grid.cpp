// The block grid of a sphere set: the blocks a ball visits must include every block with a lane
// that the float overlap test accepts, whatever the set holds (huge, tiny, negative, NaN or
// infinite values, spheres exactly touching on cell borders) and after every kind of change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "affine.hpp"
#include "lane_meets.hpp"
#include "soa.hpp"

namespace {

using trelk::Sphere;
using trelk::SpheresSoA;
using trelk::Vec3;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using lane_scan::meets;

// Checks that the visited blocks come in increasing order and cover every block with a meeting
// lane, and that the overlap scan agrees; returns the number of blocks visited.
std::size_t expect_covers(const SpheresSoA& s, const Sphere& q, const std::string& what) {
    std::vector<bool> needed(s.stride() / 8, false);
    bool any = false;
    for (std::size_t i = 0; i < s.stride(); ++i)
        if (meets(q, s.get(i))) needed[i / 8] = any = true;
    std::vector<bool> visited(needed.size(), false);
    std::size_t count = 0, last = 0;
    s.any_block_near(trelk::BallBox(q), [&](std::size_t k) {
        EXPECT_LT(k, visited.size()) << what;
        if (count > 0) {
            EXPECT_GT(k, last) << what;
        }
        if (k < visited.size()) visited[k] = true;
        last = k;
        ++count;
        return false;
    });
    for (std::size_t k = 0; k < needed.size(); ++k)
        EXPECT_TRUE(!needed[k] || visited[k]) << what << ": block " << k << " left out";
    EXPECT_EQ(s.any_collides_sphere_f32x8(q), any) << what;
    return count;
}

struct Distribution {
    const char* name;
    std::function<Sphere(std::mt19937&)> sphere;
};

float uniform(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
Vec3 point(std::mt19937& rng, float w) { return {uniform(rng, -w, w), uniform(rng, -w, w), uniform(rng, -w, w)}; }
float step(std::mt19937& rng, int n) { return float(int(rng() % unsigned(2 * n + 1)) - n); }

const Distribution kDistributions[] = {
    {"spread", [](std::mt19937& g) { return Sphere{point(g, 10), uniform(g, 0.0f, 2.0f)}; }},
    {"integer grid, exact touching",
     [](std::mt19937& g) { return Sphere{{step(g, 6), step(g, 6), step(g, 6)}, 0.5f * float(g() % 4)}; }},
    {"far from the origin", [](std::mt19937& g) { return Sphere{point(g, 3) + Vec3{1e7f, -3e6f, 0}, uniform(g, 0, 2)}; }},
    {"huge coordinates", [](std::mt19937& g) { return Sphere{point(g, 1e30f), uniform(g, 0, 1e29f)}; }},
    {"tiny", [](std::mt19937& g) { return Sphere{point(g, 1e-30f), uniform(g, 0, 1e-30f)}; }},
    {"negative radii", [](std::mt19937& g) { return Sphere{point(g, 10), uniform(g, -3.0f, 1.0f)}; }},
    {"odd values",
     [](std::mt19937& g) {
         static const float odd[] = {kNaN, kInf, -kInf, 1e18f, -1e18f, 3e38f, 0.0f, -0.0f};
         Sphere s{point(g, 10), uniform(g, 0, 2)};
         if (g() % 4 == 0) s.radius = odd[g() % 8];
         if (g() % 6 == 0) s.center[int(g() % 3)] = odd[g() % 8];
         return s;
     }},
};

// Queries drawn like the set's spheres, plus balls touching one held sphere exactly along an axis
// and a few odd balls.
Sphere draw_query(std::mt19937& g, const Distribution& d, const std::vector<Sphere>& held) {
    if (!held.empty() && g() % 3 == 0) {
        const Sphere& s = held[g() % held.size()];
        Sphere q = d.sphere(g);
        q.center = s.center;
        q.center[int(g() % 3)] += (g() % 2 ? 1.0f : -1.0f) * (q.radius + s.radius);
        return q;
    }
    static const Sphere odd[] = {{{0, 0, 0}, kInf}, {{0, 0, 0}, kNaN}, {{kNaN, 0, 0}, 1},   {{kInf, 0, 0}, 1},
                                 {{0, 0, 0}, 1e18f}, {{0, 0, 0}, -5}, {{1e38f, 0, 0}, 3e38f}};
    if (g() % 25 == 0) return odd[g() % 7];
    return d.sphere(g);
}

TEST(BlockGrid, CoversEveryMeetingLane) {
    for (const Distribution& d : kDistributions) {
        std::mt19937 g(17);
        for (int round = 0; round < 60; ++round) {
            std::vector<Sphere> held;
            const int n = int(g() % 700);
            for (int i = 0; i < n; ++i) held.push_back(d.sphere(g));
            const SpheresSoA s = SpheresSoA::from_slice(held);
            for (int k = 0; k < 40; ++k) expect_covers(s, draw_query(g, d, held), d.name);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

// Each change of a set.
struct Change {
    const char* name;
    void (*apply)(std::mt19937&, const Distribution&, SpheresSoA&);
};

const Change kChanges[] = {
    {"push",
     [](std::mt19937& g, const Distribution& d, SpheresSoA& s) {
         for (int i = int(g() % 90); i > 0; --i) {
             Sphere x = d.sphere(g);
             if (g() % 5 == 0) x.center = x.center * 40.0f;  // beyond the fitted extent
             s.push(x);
         }
     }},
    {"clear", [](std::mt19937&, const Distribution&, SpheresSoA& s) { s.clear(); }},
    {"append",
     [](std::mt19937& g, const Distribution& d, SpheresSoA& s) {
         std::vector<Sphere> more;
         for (int i = int(g() % 80); i > 0; --i) more.push_back(d.sphere(g));
         SpheresSoA other = SpheresSoA::from_slice(more);
         s.append(other);
     }},
    {"translate", [](std::mt19937& g, const Distribution&, SpheresSoA& s) { translate(s, point(g, 20)); }},
    // Unnormalised: turns and doubles.
    {"rotate", [](std::mt19937&, const Distribution&, SpheresSoA& s) { rotate_quat(s, trelk::Quat{0, 0, 1, 1}); }},
    {"scale", [](std::mt19937& g, const Distribution&, SpheresSoA& s) { scale(s, uniform(g, -3.0f, 3.0f)); }},
    {"store and load",
     [](std::mt19937&, const Distribution&, SpheresSoA& s) {
         const trelk::SpheresSoAView view = s.stored_view();
         s = SpheresSoA::from_stored({{view.x.begin(), view.x.end()},
                                      {view.y.begin(), view.y.end()},
                                      {view.z.begin(), view.z.end()},
                                      {view.r.begin(), view.r.end()},
                                      view.len});
     }},
    {"copy",
     [](std::mt19937&, const Distribution&, SpheresSoA& s) {
         const SpheresSoA copy = s;
         s = copy;
     }},
};

TEST(BlockGrid, CoversBallsTouchingEachSphere) {
    // Each block's spheres sit together, so a block is visited for its own spheres only; dyadic
    // values make every touching ball touch exactly. Some contacts fall on cell borders.
    std::mt19937 g(41);
    auto sixteenths = [&](int range) { return float(int(g() % unsigned(2 * range + 1)) - range) / 16.0f; };
    for (int round = 0; round < 20; ++round) {
        std::vector<Sphere> held;
        for (int block = 0; block < 40; ++block) {
            const Vec3 spot{sixteenths(160), sixteenths(160), sixteenths(160)};
            for (int i = 0; i < 8; ++i)
                held.push_back({spot + Vec3{sixteenths(4), sixteenths(4), sixteenths(4)}, float(g() % 8) / 16.0f});
        }
        const SpheresSoA s = SpheresSoA::from_slice(held);
        for (const Sphere& h : held)
            for (int axis = 0; axis < 3; ++axis)
                for (const float side : {1.0f, -1.0f}) {
                    Sphere q{h.center, float(g() % 8) / 16.0f};
                    q.center[axis] += side * (q.radius + h.radius);
                    ASSERT_TRUE(meets(q, h));
                    expect_covers(s, q, "touching");
                }
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(BlockGrid, FollowsEveryChange) {
    for (const Distribution& d : {kDistributions[0], kDistributions[1], kDistributions[5], kDistributions[6]}) {
        std::mt19937 g(23);
        for (int round = 0; round < 30; ++round) {
            SpheresSoA s;
            for (int step = 0; step < 25; ++step) {
                const Change& c = kChanges[g() % 8 < 3 ? 0 : g() % std::size(kChanges)];
                c.apply(g, d, s);
                std::vector<Sphere> held;
                for (std::size_t i = 0; i < s.len(); ++i) held.push_back(s.get(i));
                for (int k = 0; k < 12; ++k)
                    expect_covers(s, draw_query(g, d, held), std::string(d.name) + " after " + c.name);
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
}

TEST(BlockGrid, SkipsFarBlocksAndStopsAtTheFirstHit) {
    // Spheres spread over a wide cube: a small ball far from most of them visits few blocks.
    std::mt19937 g(5);
    std::vector<Sphere> held;
    for (int i = 0; i < 1000; ++i) held.push_back({point(g, 50), 1.0f});
    const SpheresSoA s = SpheresSoA::from_slice(held);
    std::size_t visited = 0;
    for (int k = 0; k < 100; ++k) visited += expect_covers(s, {point(g, 50), 1.0f}, "spread");
    EXPECT_LT(visited, 100 * s.stride() / 8 / 4);
    // Beyond every sphere's box: nothing to visit, unless a sphere reaches everywhere.
    EXPECT_EQ(expect_covers(s, {{0, 0, 60}, 8.0f}, "beyond"), 0u);
    SpheresSoA wide = s;
    wide.push({{0, 0, 0}, 1e18f});
    EXPECT_GE(expect_covers(wide, {{0, 0, 60}, 8.0f}, "beyond, one sphere everywhere"), 1u);
    // Sets below the grid's size, and balls that are not ordinary, visit every block.
    for (const Sphere& q : {Sphere{{0, 0, 0}, kNaN}, Sphere{{0, 0, 0}, 2e18f}, Sphere{{kInf, 0, 0}, 1}})
        EXPECT_EQ(expect_covers(s, q, "odd ball"), s.stride() / 8);
    const SpheresSoA few = SpheresSoA::from_slice(std::vector<Sphere>(40, Sphere{{100, 100, 100}, 1}));
    EXPECT_EQ(expect_covers(few, {{0, 0, 0}, 1}, "few"), few.stride() / 8);
    // A set moved from holds nothing to visit.
    SpheresSoA taken = s, moved = std::move(taken);
    EXPECT_FALSE(taken.any_collides_sphere_f32x8({{0, 0, 0}, 1e6f}));
    // The visit ends at the first block it answers true for.
    int calls = 0;
    EXPECT_TRUE(s.any_block_near(trelk::BallBox({{0, 0, 0}, 2e18f}), [&](std::size_t) { return ++calls == 3; }));
    EXPECT_EQ(calls, 3);
}

}  // namespace
