// The pruned tree search of every shape kind against its brute force: the same cloud split into
// one-point clouds (whose tree has no inner node, so the search tests their point whatever the
// bounds say), each with the same radius and motion. Shapes slide away from a cloud point until they
// barely miss; the search must agree at every step, and at the last float offset that touches and
// the first that misses, on clouds at rest, turned and moved, and stretched.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "affine.hpp"
#include "cloud_cases.hpp"
#include "pointcloud/collides.hpp"

namespace {

using namespace trelk;
using Point3 = Pointcloud::Point3;
using cloud_cases::AllKinds;
using cloud_cases::Maker;

enum class Motion { none, rigid, stretching };

void apply(Pointcloud& c, Motion m, Maker& make) {
    if (m == Motion::rigid) {
        const Vec3 axis = normalize(make.vec(1));
        const float half = make.uniform(-1.6f, 1.6f), s = std::sin(half);
        rotate_quat(c, Quat{axis.x * s, axis.y * s, axis.z * s, std::cos(half)});
        translate(c, make.vec(20));
    } else if (m == Motion::stretching) {
        transform(c, Affine3A{Mat3{{1.5f, 0.2f, 0}, {0, 0.7f, 0.1f}, {0.3f, 0, 1.2f}}, make.vec(20)});
    }
}

// A surface patch (a tilted square, some points off it) the tree can split into tight boxes.
std::vector<Point3> patch(Maker& make) {
    const Vec3 origin = make.vec(4), u = normalize(make.vec(1)), v = normalize(cross(u, make.vec(1)));
    std::vector<Point3> pts(std::size_t(make.integer(9, 400)));
    for (Point3& p : pts) {
        const Vec3 q = origin + u * make.uniform(-1, 1) + v * make.uniform(-1, 1) +
                       cross(u, v) * (make.chance(0.1) ? make.uniform(-0.3f, 0.3f) : 0.0f);
        p = {q.x, q.y, q.z};
    }
    return pts;
}

struct Clouds {
    Pointcloud whole;
    std::vector<Pointcloud> singles;

    template <class S>
    bool brute(const S& s) const {
        for (const Pointcloud& c : singles)
            if (point_cloud_collides(c, s, Prefilter::done_by_caller)) return true;
        return false;
    }
};

Clouds clouds_of(Maker& make, Motion motion) {
    const std::vector<Point3> pts = patch(make);
    const float pr = make.chance(0.3) ? 0.0f : make.uniform(0.0f, 0.1f);
    const Pointcloud::RadiusRange range{0.0f, make.chance(0.5) ? 0.0f : make.uniform(0.0f, 0.5f)};
    Maker moves = make;  // the same motion for every cloud
    Clouds c{Pointcloud::make(pts, range, pr), {}};
    apply(c.whole, motion, moves);
    for (const Point3& p : pts) {
        Maker again = make;
        c.singles.push_back(Pointcloud::make(std::vector<Point3>{p}, range, pr));
        apply(c.singles.back(), motion, again);
    }
    make = moves;
    return c;
}

template <class S>
S moved(const S& s, Vec3 by) {
    S t = s;
    transform(t, Affine3A{Mat3{}, by});
    return t;
}

// Slides `s` along `dir` from a hit towards a miss, asserting the search's answer at every step.
template <class S>
void slide_to_the_edge(const Clouds& c, const S& s, Vec3 dir, int& edges) {
    float hit = 0.0f, miss = 64.0f;
    auto agree = [&](float t) {
        const S at = moved(s, dir * t);
        const bool expected = c.brute(at);
        EXPECT_EQ(point_cloud_collides(c.whole, at, Prefilter::done_by_caller), expected) << "offset " << t;
        return expected;
    };
    if (!agree(hit) || agree(miss)) return;
    while (std::nextafter(hit, miss) < miss) {
        float mid = hit + (miss - hit) * 0.5f;
        if (!(hit < mid && mid < miss)) mid = std::nextafter(hit, miss);
        (agree(mid) ? hit : miss) = mid;
    }
    ++edges;
}

class CloudShapeSearch : public testing::TestWithParam<Motion> {};

TEST_P(CloudShapeSearch, MatchesBruteForceUpToTheEdge) {
    Maker make(41 + int(GetParam()));
    int edges = 0;
    for (int k = 0; k < 200; ++k) {
        const Clouds c = clouds_of(make, GetParam());
        const AllKinds shapes = cloud_cases::shapes_near(make, c.whole);
        const Vec3 away = normalize(make.vec(1));
        shapes.each([&](const auto& s) {
            using Kind = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<Kind, Plane>) {
                slide_to_the_edge(c, s, s.normal * -1.0f, edges);  // a half-space slides out of the cloud
            } else if constexpr (std::is_same_v<Kind, Ray> || std::is_same_v<Kind, Line>) {
                const Vec3 across = cross(s.dir, away);  // lines never leave along their own direction
                if (length_sq(across) > 1e-6f) slide_to_the_edge(c, s, normalize(across), edges);
            } else {
                slide_to_the_edge(c, s, away, edges);
            }
        });
    }
    EXPECT_GT(edges, 450);
}

INSTANTIATE_TEST_SUITE_P(Motions, CloudShapeSearch,
                         testing::Values(Motion::none, Motion::rigid, Motion::stretching));

}  // namespace
