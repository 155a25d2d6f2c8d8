// Point clouds built with the radius range chosen for them (Pointcloud::make_within_budget) on the
// sheet, room and cube scenes of 10^4 to 10^6 points: the reach the budget affords, the tree's bytes
// per point against the budget, the time of choosing the range and of the whole build next to a build
// of the same tree at a range given outright, and the peak memory (RSS) of the build: the growth of a
// fresh process's peak over the build, points excluded. Each case runs in a child process, so that
// its peak is its own; cap the memory of the run (`ulimit -v`) like any point-cloud experiment. Not a
// Google Benchmark: one build per case says it.
//
// Usage: cloud_range [largest size, default 1000000]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "cloud_scenes.hpp"
#include "pointcloud/mod.hpp"
#include "pointcloud/r_range.hpp"

namespace {

using cloud_scenes::Scene;
using Clock = std::chrono::steady_clock;

double peak_rss_mb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr float kPointRadius = 0.0f;

void run_case(Scene scene, std::size_t n) {
    const auto generated = cloud_scenes::scene_points(scene, n);
    const std::vector<trelk::pointcloud::Point3> points(generated.begin(), generated.end());

    auto t0 = Clock::now();
    const auto chosen = trelk::pointcloud::choose_r_range(points, kPointRadius);
    const double choose_s = seconds_since(t0);

    const double rss_before = peak_rss_mb();
    t0 = Clock::now();
    auto cloud = std::make_unique<trelk::Pointcloud>(trelk::Pointcloud::make_within_budget(points, kPointRadius));
    const double make_s = seconds_since(t0);
    const double rss_growth = peak_rss_mb() - rss_before;
    const auto range = cloud->r_range();
    const double tree_bytes = double(cloud->tree().buffer_bytes());
    cloud.reset();

    t0 = Clock::now();
    const auto again = trelk::pointcloud::Capt::with_point_radius(points, range, kPointRadius);
    const double plain_s = seconds_since(t0);

    std::printf("%-6s %8zu  r_max %9.5f (estimated %9.5f)  tree %6.0f B/pt (budget %zu)  choose %7.3f s  "
                "build %7.3f s  same tree given its range %7.3f s  peak RSS growth %7.1f MB\n",
                cloud_scenes::scene_name(scene), n, range.hi, chosen.hi, tree_bytes / double(n),
                trelk::pointcloud::kTreeBytesPerPoint, choose_s, make_s, plain_s, rss_growth);
    std::fflush(stdout);
    (void)again;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t largest = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    for (std::size_t n = 10000; n <= largest; n *= 10)
        for (Scene scene : cloud_scenes::kScenes) {
            std::fflush(stdout);
            const pid_t child = fork();
            if (child == 0) {
                run_case(scene, n);
                std::_Exit(0);
            }
            int status = 0;
            waitpid(child, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                std::printf("%s %zu: failed (status %d)\n", cloud_scenes::scene_name(scene), n, status);
        }
}
