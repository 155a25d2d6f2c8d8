#include "pointcloud/r_range.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace trelk::pointcloud {

namespace {

// Leaves whose cells are sampled, points counted around each, and the share of the budget aimed at:
// the estimate is a sample, and a build that passes the budget costs a second one.
constexpr std::size_t kSampleLeaves = 128;
constexpr std::size_t kCountedPoints = std::size_t{1} << 16;
constexpr double kAim = 0.8;

// Gaps are binned by their float bits: 16 bins per octave, bin 0 holding exact zeros (and subnormals).
constexpr int kBinShift = 19;
constexpr std::size_t kBins = (std::size_t{0x7f800000} >> kBinShift) + 1;

struct Cell {
    Point3 lo, hi;
};

// The cell of leaf z, from the split values on its path (a centre equal to a split value goes up).
Cell leaf_cell(const std::vector<float>& tests, std::size_t z) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    Cell c{{-inf, -inf, -inf}, {inf, inf, inf}};
    const int depth = std::countr_one(tests.size());
    std::size_t node = 0;
    for (int level = 0; level < depth; ++level) {
        const std::size_t upper = (z >> (depth - 1 - level)) & 1;
        const int k = level % 3;
        (upper ? c.lo : c.hi)[k] = tests[node];
        node = 2 * node + 1 + upper;
    }
    return c;
}

float box_diagonal(std::span<const Point3> points) {
    Point3 lo = points[0], hi = points[0];
    for (const Point3& p : points)
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
    const double dx = double(hi[0]) - lo[0], dy = double(hi[1]) - lo[1], dz = double(hi[2]) - lo[2];
    return float(std::sqrt(dx * dx + dy * dy + dz * dz));
}

// Coordinates of the counted points, plane by plane.
struct CountedPoints {
    std::vector<float> x, y, z;
};

// Run entries a leaf holds for `counted` afforded points (each standing for `weight` points): its own
// point first, the run padded to a multiple of 8.
double run_entries(double counted, double weight) { return std::ceil((1.0 + counted * weight) / 8.0) * 8.0; }

}  // namespace

std::size_t tree_budget_bytes(std::size_t n) { return kTreeBytesPerPoint * std::max<std::size_t>(n, 1); }

RadiusRange choose_r_range(std::span<const Point3> points, float point_radius) {
    if (!all_finite(points)) return {0.0f, kAffordsNothing};
    if (points.empty()) return {0.0f, point_radius};  // nothing to afford: the tree is the same at any reach
    const std::size_t n = points.size();
    const MedianSplits splits = median_splits(points);
    const std::vector<Point3>& leaf_points = splits.points_in_leaf_order;

    // A spread sample of leaves and a spread subset of points: both every so many real leaves, in
    // leaf order, which is spatial order.
    const std::size_t sample_step = std::max<std::size_t>(1, n / kSampleLeaves);
    const std::size_t count_step = std::max<std::size_t>(1, n / kCountedPoints);
    std::vector<std::size_t> samples;
    CountedPoints counted;
    for (std::size_t z = 0, real = 0; z < leaf_points.size(); ++z) {
        const Point3& p = leaf_points[z];
        if (!std::isfinite(p[0])) continue;  // padding
        if (real % sample_step == 0) samples.push_back(z);
        if (real % count_step == 0) counted.x.push_back(p[0]), counted.y.push_back(p[1]), counted.z.push_back(p[2]);
        ++real;
    }
    const std::size_t m = counted.x.size();
    const double weight = double(n) / double(m);

    // entries[b]: the run entries of all sampled leaves together for a reach just below bin b + 1.
    std::vector<double> entries(kBins, 0.0);
    std::vector<float> gaps(m);
    std::vector<std::uint32_t> histogram(kBins);
    for (std::size_t z : samples) {
        const Cell c = leaf_cell(splits.tests, z);
        for (std::size_t j = 0; j < m; ++j) {
            const float gx = std::max(std::max(c.lo[0] - counted.x[j], counted.x[j] - c.hi[0]), 0.0f);
            const float gy = std::max(std::max(c.lo[1] - counted.y[j], counted.y[j] - c.hi[1]), 0.0f);
            const float gz = std::max(std::max(c.lo[2] - counted.z[j], counted.z[j] - c.hi[2]), 0.0f);
            gaps[j] = std::max(std::max(gx, gy), gz);
        }
        std::fill(histogram.begin(), histogram.end(), 0u);
        for (float g : gaps) ++histogram[std::bit_cast<std::uint32_t>(g) >> kBinShift];
        std::size_t below = 0;
        for (std::size_t b = 0; b < kBins; ++b) {
            below += histogram[b];
            entries[b] += run_entries(double(below), weight);
        }
    }

    const double budget = kAim * double(tree_budget_bytes(n));
    const double per_leaf = double(n) / double(samples.size());
    auto fits = [&](std::size_t b) {
        return double(Capt::table_bytes(n)) + double(Capt::entry_bytes) * entries[b] * per_leaf <= budget;
    };
    if (!fits(0)) return {0.0f, kAffordsNothing};
    std::size_t b = 0;
    while (b + 1 < kBins && fits(b + 1)) ++b;
    // Every gap of bins 0 to b lies below the first value of bin b + 1 (past the last bin: +inf).
    const float top = b + 1 == kBins ? std::numeric_limits<float>::infinity()
                                     : std::nextafter(std::bit_cast<float>(std::uint32_t(b + 1) << kBinShift), 0.0f);
    // Past the diagonal every leaf already affords every point and a longer reach serves little, but
    // costs nothing either: a box shorter than the point radius still serves radius-0 queries.
    const float r_max = std::min(top, std::max(box_diagonal(points), point_radius));
    if (!(r_max >= point_radius)) return {0.0f, kAffordsNothing};
    return {0.0f, r_max};
}

}  // namespace trelk::pointcloud
