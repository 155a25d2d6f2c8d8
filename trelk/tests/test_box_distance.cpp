// Box, segment and capsule routines: the listed edge cases, then random pairs against the slow
// double-precision references of reference_geometry.hpp.
//
// Margin: a pair whose true distance is within kMargin of the contact threshold may go either way
// (single-precision rounding and the box test's 1e-6 widening live inside it). Outside it, a missed
// contact or a contact reported too far away is a failure.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "reference_geometry.hpp"
#include "support/fault.hpp"
#include "trelk.hpp"

namespace {

using namespace trelk;

constexpr double kMargin = 1e-3;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct RangeCase {
    const char* name;
    float tmin, tmax;
};
const RangeCase kRanges[] = {
    {"line", -INF, INF}, {"ray", 0.0f, INF}, {"segment", 0.0f, 1.0f}, {"clipped", -0.5f, 2.0f}};

// Random shapes near the origin, sized so that about half the pairs touch.
struct Gen {
    std::mt19937 rng;
    std::uniform_real_distribution<float> u{-1.0f, 1.0f};
    explicit Gen(unsigned seed) : rng(seed) {}

    float uni() { return u(rng); }
    float pos(float lo, float hi) { return lo + (hi - lo) * (0.5f + 0.5f * u(rng)); }
    Vec3 vec(float s) { return {u(rng) * s, u(rng) * s, u(rng) * s}; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    std::array<Vec3, 3> axes() {
        if (pick(3) == 0) return identity_axes;
        Vec3 a = normalize(vec(1.0f));
        float t = uni() * 3.1f, s = std::sin(t / 2);
        Quat q{a.x * s, a.y * s, a.z * s, std::cos(t / 2)};
        return {q * Vec3{1, 0, 0}, q * Vec3{0, 1, 0}, q * Vec3{0, 0, 1}};
    }
    Cuboid box() { return Cuboid::make(vec(1.0f), axes(), {pos(0.1f, 2), pos(0.1f, 2), pos(0.1f, 2)}); }
    // Directions with the special cases the routines branch on.
    Vec3 dir(const Cuboid& near) {
        switch (pick(8)) {
            case 0: return {};
            case 1: return near.axes[pick(3)] * pos(0.2f, 3);
            case 2: return {0, 0, uni() * 3};
            default: {
                Vec3 d = vec(3.0f);
                return length(d) < 0.2f ? Vec3{0.3f, 0, 0} : d;
            }
        }
    }
};

// The box with every half extent shrunk: a point within `shrink` / 2 of it lies inside the original
// box by at least `shrink` / 2, which is how the tests tell a certain contact.
ref::Box ref_box(const Cuboid& b, double shrink = 0) {
    auto h = [&](int i) { return std::max(double(b.half_extents[i]) - shrink, 0.0); };
    return {b.center, {ref::D3(b.axes[0]), ref::D3(b.axes[1]), ref::D3(b.axes[2])}, {h(0), h(1), h(2)}};
}

ref::Segment ref_range(Vec3 p, Vec3 d, float tmin, float tmax) {
    return {p, d, std::max(double(tmin), -1e4), std::min(double(tmax), 1e4)};
}

double segment_box_distance(const ref::Segment& s, const ref::Box& b) {
    return ref::convex_min([&](double t) { return b.dist(s.at(t)); }, s.t0, s.t1);
}

std::string fault_text(const std::function<void()>& f) {
    try {
        f();
    } catch (const quorix::Fault& e) {
        return e.what();
    }
    return "no fault";
}

// ---------------------------------------------------------------------------------------------
// Point to box.

TEST(PointDistSq, SurfaceInsideAndOutside) {
    const float s = std::sqrt(0.5f);
    Cuboid turned = Cuboid::make({1, 2, 3}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {1, 2, 3});
    Cuboid plain = Cuboid::aligned({1, 2, 3}, {1, 2, 3});
    Cuboid mirrored = Cuboid::make({1, 2, 3}, {{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {1, 2, 3});
    struct Case {
        Vec3 offset;
        float expected;
    };
    const Case cases[] = {{{0, 0, 0}, 0.0f}, {{1, 0, 0}, 0.0f}, {{1, 2, 3}, 0.0f}, {{-1, -2, -3}, 0.0f},
                          {{2, 0, 0}, 1.0f}, {{0, 0, -5}, 4.0f}, {{2, 3, 4}, 3.0f}};
    for (const Case& c : cases) {
        EXPECT_EQ(plain.point_dist_sq(plain.center + c.offset), c.expected);
        EXPECT_EQ(mirrored.point_dist_sq(mirrored.center + c.offset), c.expected);
    }
    EXPECT_EQ(turned.point_dist_sq(turned.center), 0.0f);
    EXPECT_NEAR(turned.point_dist_sq(turned.center + turned.axes[0] * 2.0f), 1.0f, 1e-6f);
    EXPECT_EQ(plain.point_dist_sq({kNaN, 2, 3}), 0.0f);  // a NaN axis contributes nothing
}

// The aligned flag, not the axes, picks the world-frame shortcuts; the slab test never reads it. A
// loaded box whose flag is stale (true, axes turned 45 degrees about z) shows which routine reads
// what: the turned box reaches x = 1.414, the world box x = 1.
TEST(AlignedFlag, SelectsTheWorldFrameWhereverAShortcutReadsIt) {
    const float s = std::sqrt(0.5f);
    const Cuboid stale{{0, 0, 0}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {1, 1, 1}, true};
    EXPECT_EQ(stale.point_dist_sq({1.5f, 0, 0}), 0.25f);
    EXPECT_FALSE(collides(stale, Cuboid::aligned({2.2f, 0, 0}, {1, 1, 1})));
    EXPECT_FALSE(collides(Cuboid::aligned({2.2f, 0, 0}, {1, 1, 1}), stale));
    EXPECT_FALSE(capsule_cuboid_collides(Capsule::make({1.2f, -5, 0}, {0, 10, 0}, 0.1f), stale));
    EXPECT_FALSE(capsule_cuboid_collides(Capsule::make({1.2f, 0, -5}, {0, 0, 10}, 0.1f), stale));  // vertical shortcut
    EXPECT_TRUE(line_cuboid_collides({1.2f, -5, 0}, {0, 1, 0}, stale, -INF, INF));
}

TEST(PointDistSq, MatchesReferenceOnRandomPoints) {
    Gen g(21);
    for (int i = 0; i < 5000; ++i) {
        Cuboid b = g.box();
        Vec3 p = g.vec(4.0f);
        double expected = std::pow(ref_box(b).dist(p), 2);
        ASSERT_NEAR(b.point_dist_sq(p), expected, 1e-4 * (1 + expected));
    }
}

// ---------------------------------------------------------------------------------------------
// Clipped line against box.

TEST(LineCuboid, EdgeCases) {
    Cuboid b = Cuboid::aligned({0, 0, 0}, {1, 1, 1});
    // A zero direction is a point test, then the range decides.
    EXPECT_TRUE(line_cuboid_collides({1, 1, 1}, {}, b, -INF, INF));
    EXPECT_FALSE(line_cuboid_collides({1.001f, 0, 0}, {}, b, -INF, INF));
    EXPECT_FALSE(line_cuboid_collides({0, 0, 0}, {}, b, 1.0f, 0.0f));
    // A segment ending exactly on a face, or starting there and leaving.
    EXPECT_TRUE(line_cuboid_collides({3, 0, 0}, {-2, 0, 0}, b, 0.0f, 1.0f));
    EXPECT_TRUE(line_cuboid_collides({1, 0, 0}, {2, 0, 0}, b, 0.0f, 1.0f));
    EXPECT_FALSE(line_cuboid_collides({3, 0, 0}, {-1.99f, 0, 0}, b, 0.0f, 1.0f));
    // A ray pointing away misses; the line through it does not.
    EXPECT_FALSE(line_cuboid_collides({3, 0, 0}, {1, 0, 0}, b, 0.0f, INF));
    EXPECT_TRUE(line_cuboid_collides({3, 0, 0}, {1, 0, 0}, b, -INF, INF));
    // Parallel to a slab and outside it.
    EXPECT_FALSE(line_cuboid_collides({0, 1.5f, 0}, {1, 0, 0}, b, -INF, INF));
    EXPECT_TRUE(line_cuboid_collides({0, 1.0f, 0}, {1, 0, 0}, b, -INF, INF));
    // A line grazing an edge of a turned box.
    const float s = std::sqrt(0.5f);
    Cuboid turned = Cuboid::make({}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {1, 1, 1});
    EXPECT_TRUE(line_cuboid_collides({-5, 1.4f, 0}, {1, 0, 0}, turned, -INF, INF));
    EXPECT_FALSE(line_cuboid_collides({-5, 1.42f, 0}, {1, 0, 0}, turned, -INF, INF));
    // Slab bounds that come out NaN are passed over by the NaN-ignoring min and max.
    EXPECT_TRUE(line_cuboid_collides({kNaN, 0, 0}, {1, 0, 0}, b, -INF, INF));
    EXPECT_FALSE(line_cuboid_collides({kNaN, 0, 0}, {1, 0, 0}, b, 1.0f, 0.0f));
}

TEST(LineCuboid, RandomPairsAgainstReference) {
    Gen g(22);
    int hits = 0, misses = 0;
    for (int i = 0; i < 20000; ++i) {
        Cuboid b = g.box();
        Vec3 dir = g.dir(b);
        Vec3 origin = b.center + g.vec(1.5f) - dir * g.pos(-1.0f, 2.0f);  // passes near the box
        const RangeCase& r = kRanges[i % 4];
        ref::Segment s = ref_range(origin, dir, r.tmin, r.tmax);
        bool got = line_cuboid_collides(origin, dir, b, r.tmin, r.tmax);
        if (segment_box_distance(s, ref_box(b, kMargin)) < kMargin / 2) {
            ++hits;
            ASSERT_TRUE(got) << r.name << " missed, case " << i;
        } else if (segment_box_distance(s, ref_box(b)) > kMargin) {
            ++misses;
            ASSERT_FALSE(got) << r.name << " false contact, case " << i;
        }
    }
    EXPECT_GT(hits, 4000);
    EXPECT_GT(misses, 5000);
}

// ---------------------------------------------------------------------------------------------
// Clipped line against segment.

TEST(ClampedLineSegment, EdgeCasesAndFaults) {
    EXPECT_EQ(fault_text([] { clamped_line_segment_dist_sq({}, {}, {}, {}, 1.0f, 0.0f); }),
              "min > max, or either was NaN. min = 1.0, max = 0.0");
    EXPECT_EQ(fault_text([] { clamped_line_segment_dist_sq({}, {1, 0, 0}, {}, {0, 1, 0}, kNaN, INF); }),
              "min > max, or either was NaN. min = NaN, max = inf");
    EXPECT_EQ(fault_text([] { clamped_line_segment_dist_sq({}, {1, 0, 0}, {}, {0, 1, 0}, 0.0f, kNaN); }),
              "min > max, or either was NaN. min = 0.0, max = NaN");
    // Parallel unit segments one apart.
    EXPECT_EQ(clamped_line_segment_dist_sq({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, 0.0f, 1.0f), 1.0f);
    // Parallel and shifted along: the nearest ends.
    EXPECT_EQ(clamped_line_segment_dist_sq({0, 0, 0}, {1, 0, 0}, {3, 1, 0}, {1, 0, 0}, 0.0f, 1.0f), 5.0f);
    EXPECT_EQ(clamped_line_segment_dist_sq({0, 0, 0}, {1, 0, 0}, {3, 1, 0}, {1, 0, 0}, -INF, INF), 1.0f);
    // A degenerate line is its origin.
    EXPECT_EQ(clamped_line_segment_dist_sq({0, 2, 0}, {}, {-1, 0, 0}, {2, 0, 0}, -INF, INF), 4.0f);
    EXPECT_EQ(clamped_line_segment_dist_sq({0, 2, 0}, {}, {1, 0, 0}, {2, 0, 0}, 0.0f, 1.0f), 5.0f);
    // Both degenerate.
    EXPECT_EQ(clamped_line_segment_dist_sq({0, 2, 0}, {}, {0, 0, 1}, {}, 0.0f, 1.0f), 5.0f);
    // Skew lines crossing at a distance, a ray that starts past the crossing.
    EXPECT_EQ(clamped_line_segment_dist_sq({0, 0, 0}, {1, 0, 0}, {0, -1, 2}, {0, 2, 0}, -INF, INF), 4.0f);
    EXPECT_EQ(clamped_line_segment_dist_sq({1, 0, 0}, {1, 0, 0}, {0, -1, 2}, {0, 2, 0}, 0.0f, INF), 5.0f);
    // Small crossing segments are not taken as parallel: they touch.
    EXPECT_EQ(clamped_line_segment_dist_sq({-0.005f, 0, 0}, {0.01f, 0, 0}, {0, -0.005f, 0}, {0, 0.01f, 0}, 0.0f,
                                           1.0f),
              0.0f);
    // A short direction on an infinite line is still a whole line.
    EXPECT_NEAR(clamped_line_segment_dist_sq({0, 0, 0}, {1e-4f, 0, 0}, {5, 1, 0}, {0, 0, 1}, -INF, INF), 1.0f, 1e-5f);
    EXPECT_TRUE(std::isnan(clamped_line_segment_dist_sq({kNaN, 0, 0}, {1, 0, 0}, {}, {0, 1, 0}, 0.0f, 1.0f)));
}

TEST(ClampedLineSegment, RandomPairsAgainstReference) {
    Gen g(23);
    for (int i = 0; i < 20000; ++i) {
        // Every fifth pair is at a small scale, where the fixed thresholds matter most.
        float scale = i % 5 == 0 ? 0.01f : 1.0f;
        Cuboid frame = g.box();
        Vec3 p1 = g.vec(3.0f) * scale, d1 = g.dir(frame) * scale;
        Vec3 p2 = g.vec(3.0f) * scale;
        Vec3 d2 = g.pick(4) == 0 ? d1 * g.uni() : g.dir(frame) * scale;  // parallel now and then
        const RangeCase& r = kRanges[i % 4];
        ref::Segment line = ref_range(p1, d1, r.tmin, r.tmax);
        ref::Segment seg{p2, d2, 0, 1};
        double expected = ref::convex_min([&](double t) { return ref::norm(line.at(t) - seg.project(line.at(t))); },
                                          line.t0, line.t1);
        double got = std::sqrt(double(clamped_line_segment_dist_sq(p1, d1, p2, d2, r.tmin, r.tmax)));
        ASSERT_NEAR(got, expected, kMargin * scale) << r.name << " case " << i;
        if (r.tmin == 0.0f && r.tmax == 1.0f) {
            double swapped = std::sqrt(double(clamped_line_segment_dist_sq(p2, d2, p1, d1, 0.0f, 1.0f)));
            ASSERT_NEAR(swapped, expected, kMargin * scale) << "swapped, case " << i;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Box against box.

TEST(CuboidCuboid, TouchingAndSeparatedBoxes) {
    Cuboid a = Cuboid::aligned({0, 0, 0}, {1, 1, 1});
    const float s = std::sqrt(0.5f);
    struct Case {
        const char* name;
        Cuboid b;
        bool expected;
    };
    const Case cases[] = {
        {"faces touch", Cuboid::aligned({2, 0, 0}, {1, 1, 1}), true},
        {"corners touch", Cuboid::aligned({2, 2, 2}, {1, 1, 1}), true},
        {"just apart", Cuboid::aligned({2.001f, 0, 0}, {1, 1, 1}), false},
        {"quarter turn touching", Cuboid::make({2, 0, 0}, {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}, {1, 1, 1}), true},
        {"quarter turn apart", Cuboid::make({2.01f, 0, 0}, {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}, {1, 1, 1}), false},
        {"diamond touching edge", Cuboid::make({1 + std::sqrt(2.0f), 0, 0}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {1, 1, 1}),
         true},
        {"diamond apart", Cuboid::make({1.01f + std::sqrt(2.0f), 0, 0}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {1, 1, 1}),
         false},
        {"far away", Cuboid::make({10, 10, 10}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {1, 1, 1}), false},
        {"inside", Cuboid::make({0.1f, 0, 0}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {0.1f, 0.1f, 0.1f}), true},
        {"flat box", Cuboid::aligned({0, 0, 1}, {1, 1, 0}), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collides(a, c.b), c.expected) << c.name;
        EXPECT_EQ(collides(c.b, a), c.expected) << c.name << " (swapped)";
    }
    EXPECT_FALSE(collides(a, Cuboid::aligned({kNaN, 0, 0}, {1, 1, 1})));
}

TEST(CuboidCuboid, RandomPairsAgainstReference) {
    Gen g(24);
    int hits = 0, misses = 0;
    for (int i = 0; i < 10000; ++i) {
        Cuboid a = g.box(), b = g.box();
        b.center = a.center + g.vec(2.0f);
        ref::D3 start = ref::D3(a.center) + ref::D3(b.center);
        bool ab = collides(a, b), ba = collides(b, a);
        if (ref::set_distance(ref_box(a, kMargin), ref_box(b, kMargin), start * 0.5).upper < kMargin / 2) {
            ++hits;
            ASSERT_TRUE(ab && ba) << "missed, case " << i;
        } else if (ref::set_distance(ref_box(a), ref_box(b), start * 0.5).lower > kMargin) {
            ++misses;
            ASSERT_FALSE(ab || ba) << "false contact, case " << i;
        }
    }
    EXPECT_GT(hits, 2000);
    EXPECT_GT(misses, 1200);
}

// ---------------------------------------------------------------------------------------------
// Capsule against box.

TEST(CapsuleCuboid, EdgeCases) {
    Cuboid unit = Cuboid::aligned({0, 0, 0}, {1, 1, 1});
    const float s = std::sqrt(0.5f);
    Cuboid turned = Cuboid::make({0, 0, 0}, {{{s, s, 0}, {-s, s, 0}, {0, 0, 1}}}, {1, 1, 1});
    struct Case {
        const char* name;
        Capsule capsule;
        const Cuboid& box;
        bool expected;
    };
    const Case cases[] = {
        {"point capsule touching a face", Capsule::make({1.5f, 0, 0}, {}, 0.5f), unit, true},
        {"point capsule off a corner", Capsule::make({1.5f, 1.5f, 0}, {}, 0.7f), unit, false},
        {"point capsule at a corner", Capsule::make({1.5f, 1.5f, 0}, {}, 0.71f), unit, true},
        // Vertical core: the closed-form path; the lower end exactly one radius above the top.
        {"vertical, end one radius above", Capsule::make({0.5f, 0.5f, 1.5f}, {0, 0, 2}, 0.5f), unit, true},
        {"vertical, end above by more", Capsule::make({0.5f, 0.5f, 1.51f}, {0, 0, 2}, 0.5f), unit, false},
        {"vertical, downward dir", Capsule::make({0.5f, 0.5f, 3.5f}, {0, 0, -2}, 0.5f), unit, true},
        {"vertical, beside", Capsule::make({1.5f, 0, -5}, {0, 0, 10}, 0.5f), unit, true},
        {"vertical, beside and apart", Capsule::make({1.6f, 0, -5}, {0, 0, 10}, 0.5f), unit, false},
        {"parallel to x, touching", Capsule::make({-3, 0, 1.5f}, {6, 0, 0}, 0.5f), unit, true},
        {"parallel to x, apart", Capsule::make({-3, 0, 1.6f}, {6, 0, 0}, 0.5f), unit, false},
        {"ends far, middle through", Capsule::make({-9, 0, 0}, {18, 0, 0}, 0.01f), unit, true},
        // Skew past a corner: the eight samples miss it, the true distance is about 1.0607.
        {"skew past a corner", Capsule::make({3, 0.5f, 0}, {-2.5f, 2.5f, 0}, 1.2f), unit, true},
        {"skew past a corner, apart", Capsule::make({3, 0.5f, 0}, {-2.5f, 2.5f, 0}, 1.05f), unit, false},
        {"turned box, vertical capsule", Capsule::make({1.9f, 0, -1}, {0, 0, 2}, 0.5f), turned, true},
        {"turned box, vertical apart", Capsule::make({2.0f, 0, -1}, {0, 0, 2}, 0.5f), turned, false},
    };
    for (const Case& c : cases) EXPECT_EQ(capsule_cuboid_collides(c.capsule, c.box), c.expected) << c.name;
    // The closed-form path's NaN-ignoring max passes over a NaN axis; the sampled path rejects.
    EXPECT_TRUE(capsule_cuboid_collides(Capsule::make({kNaN, 0, 0}, {0, 0, 1}, 1.0f), unit));
    EXPECT_FALSE(capsule_cuboid_collides(Capsule::make({5, 0, 0}, {1, kNaN, 0}, 1.0f), unit));
}

TEST(CapsuleCuboid, RandomPairsAgainstReference) {
    Gen g(25);
    int hits = 0, misses = 0;
    for (int i = 0; i < 20000; ++i) {
        Cuboid b = g.box();
        Vec3 dir = g.dir(b);
        Capsule c = Capsule::make(b.center + g.vec(2.5f) - dir * g.pos(0.0f, 1.0f), dir, g.pos(0.05f, 1.0f));
        double dist = segment_box_distance({c.p1, c.dir, 0, 1}, ref_box(b));
        bool got = capsule_cuboid_collides(c, b);
        if (dist <= c.radius - kMargin) {
            ++hits;
            ASSERT_TRUE(got) << "missed, case " << i << " distance " << dist << " radius " << c.radius;
        } else if (dist > c.radius + kMargin) {
            ++misses;
            ASSERT_FALSE(got) << "false contact, case " << i;
        }
    }
    EXPECT_GT(hits, 4000);
    EXPECT_GT(misses, 6000);
}

}  // namespace
