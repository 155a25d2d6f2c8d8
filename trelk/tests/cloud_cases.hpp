// Random point clouds for the cross-checks, and the brute-force answers they are checked against.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include "affine.hpp"
#include "pointcloud/mod.hpp"

namespace cloud_cases {

using trelk::Pointcloud;
using trelk::Vec3;
using Point3 = Pointcloud::Point3;

// Any point of the list within r + pr of c, by the float formula of the tree.
inline bool brute_reach(const std::vector<Point3>& pts, Vec3 c, float r, float pr) {
    const float reach = r + pr, rsq = reach * reach;
    for (const Point3& p : pts) {
        const float dx = p[0] - c.x, dy = p[1] - c.y, dz = p[2] - c.z;
        if ((dx * dx + dy * dy) + dz * dz <= rsq) return true;
    }
    return false;
}

// Integer vectors with integer lengths, so that a query can sit exactly at the reach of a point.
struct Pythagorean {
    float x, y, z, length;
};
inline constexpr Pythagorean kPythagorean[] = {{3, 4, 0, 5}, {0, 0, 5, 5}, {2, 3, 6, 7}, {1, 4, 8, 9},
                                               {4, 4, 7, 9}, {2, 6, 9, 11}, {6, 6, 7, 11}};

struct Sample {
    std::vector<Point3> points;
    Pointcloud cloud;
};

// A cloud of 0 to 40 points (some duplicated) on a coarse dyadic grid around a random offset of
// magnitude up to `spread`, with a random radius range that may or may not suit the queries, and
// sometimes a rigid motion (a quarter turn and a dyadic shift keep every coordinate exact).
class Maker {
public:
    explicit Maker(unsigned seed) : rng_(seed) {}

    std::mt19937& rng() { return rng_; }
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    // A multiple of 1/8 in [-lim, lim].
    float grid(float lim) { return float(integer(-int(lim * 8), int(lim * 8))) / 8.0f; }

    Sample cloud(float spread) {
        Sample s;
        // Dense clouds give the tree bounded cells that its lower radius prunes.
        const bool dense = chance(0.2);
        const int n = dense ? integer(64, 300) : chance(0.1) ? integer(0, 2) : integer(0, 40);
        const float extent = dense ? 2.0f : 8.0f;
        const float offset = spread == 0 ? 0.0f : std::ldexp(1.0f, integer(0, int(std::log2(spread))));
        for (int i = 0; i < n; ++i) {
            if (i > 0 && chance(0.1)) {
                s.points.push_back(s.points[integer(0, i - 1)]);
                continue;
            }
            s.points.push_back({grid(extent) + offset, grid(extent), grid(extent) - offset});
        }
        const float pr = float(integer(0, 8)) / 8.0f;
        const float lo = chance(0.3) ? 0.0f : uniform(0.0f, 4.0f), hi = lo + (chance(0.2) ? 0.0f : uniform(0.0f, 12.0f));
        s.cloud = Pointcloud::make(s.points, {lo, hi}, pr);
        return s;
    }

private:
    std::mt19937 rng_;
};

}  // namespace cloud_cases
