// Point-cloud sphere queries: the CAPT tree against a nanoflann kd-tree and against a brute-force
// lane scan of the same points, for spheres that hit, spheres that miss, spheres near the points
// (either answer) and spheres moving along a path, on clouds of 10^3, 10^5 and 10^6 points; then the
// build time of each index. Prints the ratios at the end.
//
// The kd-tree is measured in two forms: its radius search (every point within reach, unsorted) and
// its best form for a yes/no question, a search that stops at the first point within reach. Its
// leaf size is 32, the fastest of 1 to 32 for the first-hit search on these scenes.
//
// Two scenes, each at constant density so that the query radius relates to the cloud the same way
// at every size: "volume" fills a cube with points 5 cm apart (every miss passes close to points:
// the hard case for a tree whose leaves afford their neighbourhood), "surfaces" samples the faces of
// box obstacles 2 cm apart, as a filtered depth-sensor cloud would, with queries anywhere in the
// workspace around them. Query reach (radius plus point radius) lies inside the tree's radius
// range, where its answer is exact.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pointcloud/capt.hpp"
#include "soa.hpp"

#if defined(QUORIX_HAVE_NANOFLANN)
#include <nanoflann.hpp>
#endif

namespace {

using trelk::Sphere;
using trelk::SpheresSoA;
using trelk::pointcloud::Capt;
using trelk::pointcloud::Point3;

constexpr float kPointRadius = 0.01f;
constexpr float kQueryRadius = 0.02f;
constexpr trelk::pointcloud::RadiusRange kRange{0.01f, 0.05f};
constexpr std::size_t kQueries = 4096;  // a power of two: the pools are walked with a mask
static_assert((kQueries & (kQueries - 1)) == 0);
constexpr std::size_t kKdLeafSize = 32;
const std::size_t kSizes[] = {1000, 100000, 1000000};

enum class Scene { volume, surfaces };
const Scene kScenes[] = {Scene::volume, Scene::surfaces};
const char* scene_name(Scene s) { return s == Scene::volume ? "volume" : "surfaces"; }

#if defined(QUORIX_HAVE_NANOFLANN)
struct CloudAdaptor {
    const std::vector<Point3>& pts;
    std::size_t kdtree_get_point_count() const { return pts.size(); }
    float kdtree_get_pt(std::size_t i, std::size_t d) const { return pts[i][d]; }
    template <class Box>
    bool kdtree_get_bbox(Box&) const { return false; }
};
using KdTree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, CloudAdaptor>, CloudAdaptor, 3,
                                                   std::uint32_t>;

// Stops the search at the first point within reach: the kd-tree's best form of "any point?".
struct AnyWithin {
    using DistanceType = float;
    using IndexType = std::uint32_t;
    float radius_sq;
    bool found = false;
    bool addPoint(float dist, std::uint32_t) {
        if (dist <= radius_sq) {
            found = true;
            return false;
        }
        return true;
    }
    float worstDist() const { return radius_sq; }
    bool full() const { return true; }
    std::size_t size() const { return found ? 1 : 0; }
};
#endif

// Query centres: near cloud points ("hit"), anywhere in the workspace where no point is within
// reach ("miss"), within two reaches of a cloud point in a random direction, as robot-link spheres
// close to an obstacle are ("near", answers mixed), or one path through the workspace in 1 cm
// steps, as a moving robot sphere takes ("walk", answers mixed, consecutive queries close together).
enum class Kind { hit, miss, near, walk };
const Kind kKinds[] = {Kind::hit, Kind::miss, Kind::near, Kind::walk};
const char* kind_name(Kind k) {
    return k == Kind::hit ? "hit" : k == Kind::miss ? "miss" : k == Kind::near ? "near" : "walk";
}

struct Queries {
    std::vector<Point3> centres;
    std::vector<char> expected;
};

struct Cloud {
    std::vector<Point3> points;
    std::unique_ptr<Capt> tree;
    SpheresSoA lanes;
#if defined(QUORIX_HAVE_NANOFLANN)
    std::unique_ptr<CloudAdaptor> adaptor;
    std::unique_ptr<KdTree> kd;
#endif
    Queries sets[4];  // by Kind
};

// Points of the scene and the extent of the workspace the queries are drawn from.
struct SceneCloud {
    std::vector<Point3> points;
    float side;
};

SceneCloud random_cloud(Scene scene, std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    SceneCloud c;
    c.points.reserve(n);
    if (scene == Scene::volume) {
        c.side = 0.05f * std::cbrt(float(n));
        for (std::size_t i = 0; i < n; ++i) c.points.push_back({c.side * unit(rng), c.side * unit(rng), c.side * unit(rng)});
        return c;
    }
    // Boxes of 30 cm in a grid of 90 cm cells; 2 cm spacing gives 1350 points per box.
    const float box = 0.3f, cell = 0.9f, spacing = 0.02f;
    const std::size_t per_box = std::size_t(6 * box * box / (spacing * spacing));
    const std::size_t boxes = (n + per_box - 1) / per_box;
    const int grid = int(std::ceil(std::cbrt(double(boxes))));
    c.side = grid * cell;
    for (std::size_t b = 0; c.points.size() < n; ++b) {
        const float ox = float(b % grid) * cell + (cell - box) * unit(rng);
        const float oy = float(b / grid % grid) * cell + (cell - box) * unit(rng);
        const float oz = float(b / grid / grid) * cell + (cell - box) * unit(rng);
        for (std::size_t i = 0; i < per_box && c.points.size() < n; ++i) {
            const int face = int(i % 6);
            const float u = box * unit(rng), v = box * unit(rng), w = face < 3 ? 0.0f : box;
            const int axis = face % 3;
            Point3 p{};
            p[axis] = w;
            p[(axis + 1) % 3] = u;
            p[(axis + 2) % 3] = v;
            c.points.push_back({ox + p[0], oy + p[1], oz + p[2]});
        }
    }
    return c;
}

SpheresSoA lanes_of(const std::vector<Point3>& pts) {
    std::vector<Sphere> spheres;
    spheres.reserve(pts.size());
    for (const auto& p : pts) spheres.push_back({{p[0], p[1], p[2]}, kPointRadius});
    return SpheresSoA::from_slice(spheres);
}

Cloud& cloud(Scene scene, std::size_t n) {
    static std::map<std::pair<Scene, std::size_t>, Cloud> clouds;
    auto [it, fresh] = clouds.try_emplace({scene, n});
    Cloud& c = it->second;
    if (!fresh) return c;
    SceneCloud made = random_cloud(scene, n, 42);
    c.points = std::move(made.points);
    c.tree = std::make_unique<Capt>(Capt::with_point_radius(c.points, kRange, kPointRadius));
    c.lanes = lanes_of(c.points);
#if defined(QUORIX_HAVE_NANOFLANN)
    c.adaptor = std::make_unique<CloudAdaptor>(CloudAdaptor{c.points});
    c.kd = std::make_unique<KdTree>(3, *c.adaptor, nanoflann::KDTreeSingleIndexAdaptorParams(kKdLeafSize));
#endif
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> off(-0.01f, 0.01f), anywhere(0.0f, made.side), step(-0.01f, 0.01f),
        unit(0.0f, 1.0f), signed_unit(-1.0f, 1.0f);
    auto answer = [&c](const Point3& q) { return c.lanes.any_collides_sphere_f32x8({{q[0], q[1], q[2]}, kQueryRadius}); };
    auto add = [&](Kind k, const Point3& q) {
        c.sets[int(k)].centres.push_back(q);
        c.sets[int(k)].expected.push_back(answer(q));
    };
    while (c.sets[int(Kind::hit)].centres.size() < kQueries) {
        const Point3& p = c.points[rng() % n];
        add(Kind::hit, {p[0] + off(rng), p[1] + off(rng), p[2] + off(rng)});
    }
    while (c.sets[int(Kind::miss)].centres.size() < kQueries) {
        const Point3 q{anywhere(rng), anywhere(rng), anywhere(rng)};
        if (!answer(q)) add(Kind::miss, q);
    }
    const float reach = kQueryRadius + kPointRadius;
    while (c.sets[int(Kind::near)].centres.size() < kQueries) {
        // A direction uniform on the sphere (rejection from the cube), scaled to up to two reaches.
        const float d[3] = {signed_unit(rng), signed_unit(rng), signed_unit(rng)};
        const float len = std::sqrt((d[0] * d[0] + d[1] * d[1]) + d[2] * d[2]);
        if (len > 1.0f || len < 1e-3f) continue;
        const float s = 2.0f * reach * unit(rng) / len;
        const Point3& p = c.points[rng() % n];
        add(Kind::near, {p[0] + d[0] * s, p[1] + d[1] * s, p[2] + d[2] * s});
    }
    Point3 q{anywhere(rng), anywhere(rng), anywhere(rng)};
    while (c.sets[int(Kind::walk)].centres.size() < kQueries) {
        for (float& x : q) x = std::clamp(x + step(rng), 0.0f, made.side);
        add(Kind::walk, q);
    }
    return c;
}

// Runs `query` over the query pool and checks every answer is the expected one.
template <class Query>
void run_queries(benchmark::State& state, Scene scene, std::size_t n, Kind kind, Query query) {
    Cloud& c = cloud(scene, n);
    const Queries& qs = c.sets[int(kind)];
    std::size_t i = 0, wrong = 0;
    for (auto _ : state) {
        const bool r = query(c, qs.centres[i]);
        benchmark::DoNotOptimize(r);
        wrong += r != bool(qs.expected[i]);
        i = (i + 1) & (kQueries - 1);
    }
    if (wrong) state.SkipWithError("an index gave a wrong answer");
}

void capt_query(benchmark::State& state, Scene scene, std::size_t n, Kind kind) {
    run_queries(state, scene, n, kind, [](Cloud& c, const Point3& q) { return c.tree->collides(q, kQueryRadius); });
}

// Eight spheres per call (eight consecutive queries of the set). For misses every lane is checked
// in full; otherwise the call may stop at the first lane that reaches a point.
void capt_query8(benchmark::State& state, Scene scene, std::size_t n, Kind kind) {
    Cloud& c = cloud(scene, n);
    const Queries& qs = c.sets[int(kind)];
    trelk::pointcloud::Radii8 radii;
    radii.fill(kQueryRadius);
    std::size_t i = 0, wrong = 0;
    for (auto _ : state) {
        trelk::pointcloud::CenterRows8 rows;
        for (int l = 0; l < 8; ++l)
            for (int a = 0; a < 3; ++a) rows[a][l] = qs.centres[i + l][a];
        const bool r = c.tree->collides_simd(rows, radii);
        benchmark::DoNotOptimize(r);
        bool expected = false;
        for (int l = 0; l < 8; ++l) expected = expected || qs.expected[i + l];
        wrong += r != expected;
        i = (i + 8) & (kQueries - 1);
    }
    state.SetItemsProcessed(state.iterations() * 8);
    if (wrong) state.SkipWithError("an index gave a wrong answer");
}

void lane_scan(benchmark::State& state, Scene scene, std::size_t n, Kind kind) {
    run_queries(state, scene, n, kind, [](Cloud& c, const Point3& q) {
        return c.lanes.any_collides_sphere_f32x8({{q[0], q[1], q[2]}, kQueryRadius});
    });
}

#if defined(QUORIX_HAVE_NANOFLANN)
void kd_any(benchmark::State& state, Scene scene, std::size_t n, Kind kind) {
    run_queries(state, scene, n, kind, [](Cloud& c, const Point3& q) {
        const float reach = kQueryRadius + kPointRadius;
        // The tree passes a point on only when strictly inside the bound; nudge it so touching counts.
        AnyWithin result{std::nextafter(reach * reach, 1.0f)};
        c.kd->findNeighbors(result, q.data(), nanoflann::SearchParams());
        return result.found;
    });
}

void kd_radius(benchmark::State& state, Scene scene, std::size_t n, Kind kind) {
    std::vector<std::pair<std::uint32_t, float>> found;
    nanoflann::SearchParams unsorted;
    unsorted.sorted = false;
    run_queries(state, scene, n, kind, [&](Cloud& c, const Point3& q) {
        const float reach = kQueryRadius + kPointRadius;
        // The radius search keeps points strictly inside; nudge the bound so touching counts.
        return c.kd->radiusSearch(q.data(), std::nextafter(reach * reach, 1.0f), found, unsorted) > 0;
    });
}
#endif

void capt_build(benchmark::State& state, std::size_t n) {
    const auto pts = random_cloud(Scene::volume, n, 43).points;
    for (auto _ : state) benchmark::DoNotOptimize(Capt::with_point_radius(pts, kRange, kPointRadius));
}

void lanes_build(benchmark::State& state, std::size_t n) {
    const auto pts = random_cloud(Scene::volume, n, 43).points;
    for (auto _ : state) benchmark::DoNotOptimize(lanes_of(pts));
}

#if defined(QUORIX_HAVE_NANOFLANN)
void kd_build(benchmark::State& state, std::size_t n) {
    const auto pts = random_cloud(Scene::volume, n, 43).points;
    const CloudAdaptor adaptor{pts};
    for (auto _ : state) {
        KdTree kd(3, adaptor, nanoflann::KDTreeSingleIndexAdaptorParams(kKdLeafSize));
        benchmark::DoNotOptimize(kd.root_node);
    }
}
#endif

// Seconds per iteration of every finished run, by name.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0)
                seconds[r.run_name.function_name] = r.real_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string name(const char* what, const char* index, std::size_t n, const char* scene = nullptr,
                 const char* kind = nullptr) {
    std::string s = std::string(what) + "/" + index;
    if (scene) s += std::string("/") + scene + "/" + kind;
    return s + "/n=" + std::to_string(n);
}

void register_all() {
    for (Scene scene : kScenes)
        for (std::size_t n : kSizes)
            for (Kind k : kKinds) {
                const char *sn = scene_name(scene), *kind = kind_name(k);
                benchmark::RegisterBenchmark(name("query", "capt", n, sn, kind).c_str(), capt_query, scene, n, k)
                    ->MinTime(0.1);
                benchmark::RegisterBenchmark(name("query", "capt8", n, sn, kind).c_str(), capt_query8, scene, n, k)
                    ->MinTime(0.1);
#if defined(QUORIX_HAVE_NANOFLANN)
                benchmark::RegisterBenchmark(name("query", "kd_any", n, sn, kind).c_str(), kd_any, scene, n, k)
                    ->MinTime(0.1);
                benchmark::RegisterBenchmark(name("query", "kd_radius", n, sn, kind).c_str(), kd_radius, scene, n, k)
                    ->MinTime(0.1);
#endif
                benchmark::RegisterBenchmark(name("query", "lanes", n, sn, kind).c_str(), lane_scan, scene, n, k)
                    ->MinTime(0.1);
            }
    for (std::size_t n : kSizes) {
        const int iterations = n >= 1000000 ? 3 : n >= 100000 ? 5 : 50;  // a single run of 10^6 varies too much
        benchmark::RegisterBenchmark(name("build", "capt", n).c_str(), capt_build, n)
            ->Unit(benchmark::kMillisecond)->Iterations(iterations);
#if defined(QUORIX_HAVE_NANOFLANN)
        benchmark::RegisterBenchmark(name("build", "kd", n).c_str(), kd_build, n)
            ->Unit(benchmark::kMillisecond)->Iterations(iterations);
#endif
        benchmark::RegisterBenchmark(name("build", "lanes", n).c_str(), lanes_build, n)
            ->Unit(benchmark::kMillisecond)->Iterations(iterations);
    }
}

void print_ratios(const std::map<std::string, double>& s) {
    auto get = [&](const std::string& k) {
        auto it = s.find(k);
        return it == s.end() ? NAN : it->second;
    };
    std::printf("\nQuery time ratios (peer time / CAPT time; above 1 means CAPT is faster). \"kd first-hit\" is the\n"
                "kd-tree's best form for this question, \"kd radius\" its radius search.\n");
    std::printf("%9s %10s %5s %10s %12s %12s %12s %14s %14s\n", "scene", "points", "case", "capt ns", "kd radius",
                "kd first-hit", "lane scan", "capt x8 ns/sph", "kd radius/x8");
    for (Scene scene : kScenes)
        for (std::size_t n : kSizes)
            for (const char* kind : {"hit", "miss", "near", "walk"}) {
                const char* sn = scene_name(scene);
                const double capt = get(name("query", "capt", n, sn, kind));
                const double capt8 = get(name("query", "capt8", n, sn, kind)) / 8;
                const double kd = get(name("query", "kd_radius", n, sn, kind));
                std::printf("%9s %10zu %5s %10.1f %11.1fx %11.1fx %11.1fx %14.1f %13.1fx\n", sn, n, kind, capt * 1e9,
                            kd / capt, get(name("query", "kd_any", n, sn, kind)) / capt,
                            get(name("query", "lanes", n, sn, kind)) / capt, capt8 * 1e9, kd / capt8);
            }
    // Random centres in a cloud of 10^6 points wait on memory for every table they touch, whatever the
    // index; the kd-tree's growth is printed beside the tree's for that reason.
    std::printf("\nOne-sphere query time growth from 10^3 to 10^6 points (log2 n grows %.2fx), CAPT and kd first-hit\n",
                std::log2(1e6) / std::log2(1e3));
    auto growth = [&](const char* index, Scene scene, const char* kind, std::size_t n) {
        return get(name("query", index, n, scene_name(scene), kind)) /
               get(name("query", index, 1000, scene_name(scene), kind));
    };
    for (Scene scene : kScenes)
        for (const char* kind : {"hit", "miss", "near", "walk"})
            std::printf("  %8s %4s: 10^5 %5.2fx, 10^6 %5.2fx   kd: 10^5 %5.2fx, 10^6 %5.2fx\n", scene_name(scene),
                        kind, growth("capt", scene, kind, 100000), growth("capt", scene, kind, 1000000),
                        growth("kd_any", scene, kind, 100000), growth("kd_any", scene, kind, 1000000));
    std::printf("\nBuild times of the volume clouds (ms) and ratio to the kd-tree build\n");
    std::printf("%10s %12s %12s %12s %14s\n", "points", "capt", "kd-tree", "lanes", "capt/kd-tree");
    for (std::size_t n : kSizes) {
        const double capt = get(name("build", "capt", n)), kd = get(name("build", "kd", n));
        std::printf("%10zu %12.2f %12.2f %12.2f %13.1fx\n", n, capt * 1e3, kd * 1e3, get(name("build", "lanes", n)) * 1e3,
                    capt / kd);
    }
}

}  // namespace

int main(int argc, char** argv) {
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    print_ratios(reporter.seconds);
    return 0;
}
