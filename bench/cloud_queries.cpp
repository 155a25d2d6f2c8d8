// Sphere queries of point clouds built within their memory budget (Pointcloud::make_within_budget) on
// the sheet, room and cube scenes: nanoseconds per Pointcloud::reaches_local call for point radii 0.01
// and 0.033, query radii 0.05 and 0.25, hits and misses, next to the scan of every point that used to
// answer reaches beyond the tree's range (the budget's range is small on dense clouds), and per
// collision test of a capsule (length 0.2 along x, radius r) centred at the same places. Hits are centres within the
// reach of a cloud point; misses are centres between one and three reaches from a cloud point that
// reach none (few in the cube, only near its faces: it is full). Not a Google Benchmark: built by hand,
//   g++ -O3 -DNDEBUG -std=c++20 -Itrelk/src -Ibench bench/cloud_queries.cpp build/cpp/trelk/libtrelk.a \
//       build/cpp/libquorix_support.a -o build/cloud_queries
// and run under a memory cap (`ulimit -v 8000000`).
//
// With "shapes" as second argument it times the other shape kinds instead, at point radius 0.01:
// a capsule (radius 0.05, length 0.3), a cuboid and the polytope of the same box (half extents
// 0.15, 0.05, 0.1), a segment (length 0.3), a ray and a half-space, each placed at random centres
// within 0.3 of a cloud point (the half-space: its boundary within 0.05 of the cloud's extreme
// point along its normal) and orientations, sorted into hits and misses by their own answer.
//
// Usage: cloud_queries [largest size, default 1000000] [shapes]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>
#include <vector>

#include "cloud_scenes.hpp"
#include "convex_polytope/heap.hpp"
#include "pointcloud/collides.hpp"

namespace {

using cloud_scenes::Scene;
using trelk::Vec3;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kQueries = 512;
constexpr int kMaxTries = 4;

struct Queries {
    std::vector<Vec3> hits, misses;
};

Vec3 random_direction(std::mt19937& g) {
    std::normal_distribution<float> normal;
    for (;;) {
        const Vec3 v{normal(g), normal(g), normal(g)};
        const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        if (len > 1e-3f) return {v.x / len, v.y / len, v.z / len};
    }
}

Queries make_queries(const trelk::Pointcloud& cloud, float r) {
    std::mt19937 g(11);
    std::uniform_int_distribution<std::size_t> pick(0, cloud.len() - 1);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float reach = r + cloud.point_radius();
    Queries q;
    while (q.hits.size() < kQueries) {
        const Vec3 p = cloud.point(pick(g)), d = random_direction(g);
        q.hits.push_back(p + d * (reach * 0.99f * unit(g)));
    }
    for (std::size_t tries = 0; q.misses.size() < kQueries && tries < kQueries * kMaxTries; ++tries) {
        const Vec3 p = cloud.point(pick(g)), d = random_direction(g);
        const Vec3 c = p + d * (reach * (1.0f + 2.0f * unit(g)));
        if (!cloud.scan_reaches_local(c, r)) q.misses.push_back(c);
    }
    return q;
}

// Nanoseconds per call of query(centre) over repeated passes of at least ~50 ms (one pass at
// least); -1 without centres. Counts the answers that differ from `expected` when it is 0 or 1.
template <class Query>
double ns_per_query(const std::vector<Vec3>& centres, int expected, Query query) {
    if (centres.empty()) return -1.0;
    std::size_t calls = 0, wrong = 0;
    const auto t0 = Clock::now();
    double elapsed = 0.0;
    do {
        for (const Vec3& c : centres) wrong += int(query(c)) != expected && expected >= 0;
        calls += centres.size();
        elapsed = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
    } while (elapsed < 5e7);
    if (wrong != 0) std::printf("  !! %zu wrong answers\n", wrong);
    return elapsed / double(calls);
}

// Nanoseconds per collides(cloud, shape) over shapes that hit and that miss; -1 without any.
template <class Shape>
void time_shapes(const char* kind, const trelk::Pointcloud& cloud, const char* scene, std::size_t n,
                 const std::vector<Shape>& candidates) {
    std::vector<Shape> hits, misses;
    for (const Shape& s : candidates) (trelk::collides(cloud, s) ? hits : misses).push_back(s);
    auto ns = [&](const std::vector<Shape>& shapes, int expected) {
        std::vector<Vec3> index(shapes.size());
        for (std::size_t i = 0; i < shapes.size(); ++i) index[i] = {float(i), 0, 0};
        return ns_per_query(index, expected, [&](Vec3 i) { return trelk::collides(cloud, shapes[std::size_t(i.x)]); });
    };
    std::printf("%-6s %8zu %-9s %10.1f %10.1f %6zu %6zu\n", scene, n, kind, ns(hits, 1), ns(misses, 0), hits.size(),
                misses.size());
    std::fflush(stdout);
}

std::array<Vec3, 3> random_frame(std::mt19937& g) {
    const Vec3 a = random_direction(g);
    const Vec3 helper = std::fabs(a.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 b = trelk::cross(a, helper);
    b = b * (1.0f / std::sqrt(trelk::dot(b, b)));
    return {a, b, trelk::cross(a, b)};
}

trelk::ConvexPolytope polytope_of(const trelk::Cuboid& b) {
    std::vector<trelk::Plane> planes;
    std::vector<Vec3> corners;
    for (int i = 0; i < 3; ++i)
        for (float s : {1.0f, -1.0f})
            planes.push_back({b.axes[i] * s, s * trelk::dot(b.axes[i], b.center) + b.half_extents[i]});
    for (int k = 0; k < 8; ++k)
        corners.push_back(b.center + b.axes[0] * (k & 1 ? b.half_extents.x : -b.half_extents.x) +
                          b.axes[1] * (k & 2 ? b.half_extents.y : -b.half_extents.y) +
                          b.axes[2] * (k & 4 ? b.half_extents.z : -b.half_extents.z));
    return trelk::ConvexPolytope::make(planes, corners);
}

void shape_table(std::size_t largest) {
    using namespace trelk;
    std::printf("%-6s %8s %-9s %10s %10s %6s %6s\n", "scene", "points", "kind", "hit ns", "miss ns", "hits", "misses");
    constexpr std::size_t kCandidates = 1024;
    for (std::size_t n = 100000; n <= largest; n *= 10)
        for (Scene scene : cloud_scenes::kScenes) {
            const auto generated = cloud_scenes::scene_points(scene, n);
            const std::vector<pointcloud::Point3> points(generated.begin(), generated.end());
            const auto cloud = Pointcloud::make_within_budget(points, 0.01f);
            const char* name = cloud_scenes::scene_name(scene);
            std::mt19937 g(5);
            std::uniform_int_distribution<std::size_t> pick(0, cloud.len() - 1);
            std::uniform_real_distribution<float> unit(0.0f, 1.0f);
            std::vector<Capsule> capsules;
            std::vector<Cuboid> boxes;
            std::vector<ConvexPolytope> polytopes;
            std::vector<LineSegment> segments;
            std::vector<Ray> rays;
            std::vector<Plane> planes;
            for (std::size_t k = 0; k < kCandidates; ++k) {
                const Vec3 c = cloud.point(pick(g)) + random_direction(g) * (0.3f * unit(g));
                const std::array<Vec3, 3> f = random_frame(g);
                capsules.push_back(Capsule::make(c - f[0] * 0.15f, f[0] * 0.3f, 0.05f));
                boxes.push_back(Cuboid::make(c, f, {0.15f, 0.05f, 0.1f}));
                polytopes.push_back(polytope_of(boxes.back()));
                segments.push_back(LineSegment::make(c - f[0] * 0.15f, f[0] * 0.3f));
                rays.push_back(Ray::make(c, f[0]));
                float lowest = INFINITY;
                for (std::size_t i = 0; i < cloud.len(); i += 1) lowest = std::fmin(lowest, dot(f[1], cloud.point(i)));
                planes.push_back(Plane{f[1], lowest - 0.01f + 0.1f * (unit(g) - 0.5f)});
            }
            time_shapes("capsule", cloud, name, n, capsules);
            time_shapes("cuboid", cloud, name, n, boxes);
            time_shapes("polytope", cloud, name, n, polytopes);
            time_shapes("segment", cloud, name, n, segments);
            time_shapes("ray", cloud, name, n, rays);
            time_shapes("plane", cloud, name, n, planes);
        }
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t largest = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    if (argc > 2 && std::string_view(argv[2]) == "shapes") return shape_table(largest), 0;
    std::printf("%-6s %8s %6s %9s %5s %9s %9s %7s %11s %11s %11s %11s\n", "scene", "points", "pr", "r_max", "r",
                "hit ns", "miss ns", "misses", "scan hit", "scan miss", "capsule hit", "capsule miss");
    for (std::size_t n = 100000; n <= largest; n *= 10)
        for (Scene scene : cloud_scenes::kScenes) {
            const auto generated = cloud_scenes::scene_points(scene, n);
            const std::vector<trelk::pointcloud::Point3> points(generated.begin(), generated.end());
            for (float pr : {0.01f, 0.033f}) {
                const auto cloud = trelk::Pointcloud::make_within_budget(points, pr);
                for (float r : {0.05f, 0.25f}) {
                    const Queries q = make_queries(cloud, r);
                    auto reaches = [&](Vec3 c) { return cloud.reaches_local(c, r); };
                    auto scans = [&](Vec3 c) { return cloud.scan_reaches_local(c, r); };
                    auto capsule = [&](Vec3 c) {
                        const Vec3 half{0.1f, 0.0f, 0.0f};
                        return trelk::collides(cloud, trelk::Capsule::make(c - half, half * 2.0f, r));
                    };
                    const double hit = ns_per_query(q.hits, 1, reaches), miss = ns_per_query(q.misses, 0, reaches);
                    const double scan_hit = ns_per_query(q.hits, 1, scans), scan_miss = ns_per_query(q.misses, 0, scans);
                    const double cap_hit = ns_per_query(q.hits, 1, capsule), cap_miss = ns_per_query(q.misses, -1, capsule);
                    std::printf("%-6s %8zu %6.3f %9.5f %5.2f %9.1f %9.1f %7zu %11.1f %11.1f %11.1f %11.1f\n",
                                cloud_scenes::scene_name(scene), n, pr, cloud.r_range().hi, r, hit, miss, q.misses.size(),
                                scan_hit, scan_miss, cap_hit, cap_miss);
                    std::fflush(stdout);
                }
            }
        }
}
