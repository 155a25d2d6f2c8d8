// Sphere set in lanes: the visible layout after every kind of growth, the overlap scan against a
// sphere-by-sphere check and the whole-plane transforms.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "soa.hpp"
#include "support/fault.hpp"

namespace {

using trelk::Affine3A;
using trelk::Mat3;
using trelk::Quat;
using trelk::Sphere;
using trelk::SpheresSoA;
using trelk::Vec3;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr std::uint32_t kSpareBits = 0x7fc00000;

std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

std::vector<Sphere> numbered(int n, float base = 0.0f) {
    std::vector<Sphere> v;
    for (int i = 0; i < n; ++i) v.push_back({{base + i, base + 2.0f * i, base - i}, 0.5f + i});
    return v;
}

// Every lane of a plane: spheres [0, len) as expected, spare radii the quiet NaN.
void expect_layout(const SpheresSoA& s, const std::vector<Sphere>& spheres, std::size_t stride) {
    ASSERT_EQ(s.len(), spheres.size());
    ASSERT_EQ(s.stride(), stride);
    for (int k = 0; k < 4; ++k) ASSERT_EQ(s.plane(k).size(), stride);
    for (std::size_t i = 0; i < spheres.size(); ++i) {
        EXPECT_EQ(s.x()[i], spheres[i].center.x) << i;
        EXPECT_EQ(s.y()[i], spheres[i].center.y) << i;
        EXPECT_EQ(s.z()[i], spheres[i].center.z) << i;
        EXPECT_EQ(s.r()[i], spheres[i].radius) << i;
    }
    for (std::size_t i = spheres.size(); i < stride; ++i) EXPECT_EQ(bits(s.r()[i]), kSpareBits) << i;
}

void expect_zero_centres(const SpheresSoA& s, std::size_t from) {
    for (std::size_t i = from; i < s.stride(); ++i)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(bits(s.plane(k)[i]), 0u) << "lane " << i << " plane " << k;
}

TEST(SpheresLayout, GrowthAndConstruction) {
    SpheresSoA reserved = SpheresSoA::with_capacity(100);
    expect_layout(reserved, {}, 0);
    reserved.push({{1, 2, 3}, 4});
    expect_layout(reserved, {{{1, 2, 3}, 4}}, 16);
    expect_zero_centres(reserved, 1);

    SpheresSoA pushed;
    const auto spheres = numbered(17);
    for (int i = 0; i < 16; ++i) pushed.push(spheres[i]);
    expect_layout(pushed, numbered(16), 16);
    pushed.push(spheres[16]);
    expect_layout(pushed, spheres, 32);
    expect_zero_centres(pushed, 17);

    expect_layout(SpheresSoA::from_slice(numbered(20)), numbered(20), 32);
    expect_layout(SpheresSoA::from_slice({}), {}, 0);
    expect_layout(SpheresSoA::from_slice(numbered(16)), numbered(16), 16);

    // Four planes of round_up(n, 16) lanes beyond 2^63 - 4 bytes are refused before anything is
    // reserved: 2^59 - 15 rounds up to 2^59 lanes, 2^63 bytes.
    for (std::size_t n : {(std::size_t{1} << 59) - 15, std::size_t{1} << 60, std::numeric_limits<std::size_t>::max()}) {
        try {
            SpheresSoA::with_capacity(n);
            ADD_FAILURE() << n;
        } catch (const std::length_error& e) {
            EXPECT_STREQ(e.what(), "capacity overflow") << n;
        }
    }

    SpheresSoA many;
    for (const Sphere& sp : numbered(1000)) many.push(sp);
    expect_layout(many, numbered(1000), 1008);
}

TEST(SpheresLayout, AppendRelaysBothSets) {
    SpheresSoA a = SpheresSoA::from_slice(numbered(10));
    SpheresSoA b = SpheresSoA::from_slice(numbered(10, 100.0f));
    a.append(b);
    std::vector<Sphere> both = numbered(10);
    for (const Sphere& s : numbered(10, 100.0f)) both.push_back(s);
    expect_layout(a, both, 32);
    expect_zero_centres(a, 20);
    // The drained set keeps its stride and centres; its used radii become NaN.
    EXPECT_EQ(b.len(), 0u);
    EXPECT_EQ(b.stride(), 16u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(bits(b.r()[i]), kSpareBits);
        EXPECT_EQ(b.x()[i], 100.0f + i);
    }

    SpheresSoA empty;
    a.append(empty);
    expect_layout(a, both, 32);

    // A cleared wide set shrinks to fit what arrives; stale centres past the new len become zero.
    SpheresSoA wide = SpheresSoA::from_slice(numbered(50, 7.0f));
    ASSERT_EQ(wide.stride(), 64u);
    wide.clear();
    SpheresSoA three = SpheresSoA::from_slice(numbered(3));
    wide.append(three);
    expect_layout(wide, numbered(3), 16);
    expect_zero_centres(wide, 3);

    EXPECT_THROW(wide.append(wide), quorix::Fault);
}

TEST(SpheresLayout, ClearKeepsStrideThenPushReusesLaneZero) {
    SpheresSoA s = SpheresSoA::from_slice(numbered(20));
    s.clear();
    EXPECT_EQ(s.len(), 0u);
    EXPECT_EQ(s.stride(), 32u);
    EXPECT_EQ(s.x()[5], 5.0f);  // centres stay
    for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(bits(s.r()[i]), kSpareBits);
    EXPECT_FALSE(s.any_collides_sphere_f32x8({{5, 10, -5}, 100}));
    s.push({{9, 9, 9}, 1});
    EXPECT_EQ(s.stride(), 32u);
    EXPECT_EQ(s.get(0).center.x, 9.0f);
}

TEST(SpheresLayout, GetReadsSpareLanesAndFaultsPastTheStride) {
    SpheresSoA s = SpheresSoA::from_slice(numbered(3));
    EXPECT_TRUE(std::isnan(s.get(3).radius));
    EXPECT_EQ(s.get(2).radius, 2.5f);
    const struct {
        std::size_t index;
        const char* message;
    } cases[] = {
        {16, "index out of bounds: the len is 64 but the index is 64"},
        {47, "index out of bounds: the len is 64 but the index is 79"},
        {48, "index out of bounds: the len is 64 but the index is 64"},
        {64, "index out of bounds: the len is 64 but the index is 64"},
    };
    for (const auto& c : cases) {
        try {
            s.get(c.index);
            ADD_FAILURE() << c.index;
        } catch (const quorix::Fault& f) {
            EXPECT_STREQ(f.what(), c.message);
        }
    }
    EXPECT_THROW(SpheresSoA().get(0), quorix::Fault);
}

struct OverlapCase {
    const char* name;
    Sphere stored;
    Sphere query;
    bool hits;
};

TEST(SpheresQuery, OverlapBoundaries) {
    const OverlapCase cases[] = {
        {"touching", {{2, 0, 0}, 1}, {{0, 0, 0}, 1}, true},
        {"apart", {{2.001f, 0, 0}, 1}, {{0, 0, 0}, 1}, false},
        {"NaN query radius", {{0, 0, 0}, 1}, {{0, 0, 0}, kNaN}, false},
        {"NaN query centre", {{0, 0, 0}, 1}, {{kNaN, 0, 0}, 1}, false},
        {"radii added before squaring", {{3, 4, 0}, 2}, {{0, 0, 0}, 3}, true},
        {"negative radius sum squares positive", {{0, 0, 0}, -3}, {{1, 0, 0}, 1}, true},
        {"infinite query", {{1e30f, 0, 0}, 0}, {{0, 0, 0}, kInf}, true},
    };
    for (const auto& c : cases) {
        // The stored sphere in each lane position of both halves of a block.
        for (int lane = 0; lane < 16; ++lane) {
            std::vector<Sphere> v(16, Sphere{{1e6f, 1e6f, 1e6f}, 0});
            v[lane] = c.stored;
            EXPECT_EQ(SpheresSoA::from_slice(v).any_collides_sphere_f32x8(c.query), c.hits) << c.name << " " << lane;
        }
    }
    EXPECT_FALSE(SpheresSoA().any_collides_sphere_f32x8({{0, 0, 0}, kInf}));
}

TEST(SpheresQuery, RandomSetsMatchSphereBySphere) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f), rad(0.0f, 2.0f);
    for (int round = 0; round < 2000; ++round) {
        SpheresSoA set;
        std::vector<Sphere> kept;
        const int n = int(rng() % 60);
        for (int i = 0; i < n; ++i) {
            Sphere s{{coord(rng), coord(rng), coord(rng)}, rad(rng)};
            set.push(s);
            kept.push_back(s);
            if (rng() % 40 == 0) {  // stale centres must stay harmless
                set.clear();
                kept.clear();
            }
        }
        for (int q = 0; q < 8; ++q) {
            const Sphere query{{coord(rng), coord(rng), coord(rng)}, rad(rng)};
            bool expected = false;
            for (const Sphere& s : kept) {
                float dx = query.center.x - s.center.x, dy = query.center.y - s.center.y,
                      dz = query.center.z - s.center.z, reach = query.radius + s.radius;
                expected = expected || (dx * dx + dy * dy) + dz * dz <= reach * reach;
            }
            ASSERT_EQ(set.any_collides_sphere_f32x8(query), expected) << round;
        }
    }
}

TEST(SpheresTransform, WholePlanesMove) {
    SpheresSoA s = SpheresSoA::from_slice(std::vector<Sphere>{{{1, 0, 0}, 2}});
    rotate_quat(s, Quat{0, 0, 0, 1});
    expect_layout(s, {{{1, 0, 0}, 2}}, 16);
    rotate_quat(s, Quat{0, 0, 1, 1});  // not normalised: scales by |q|^2 as well
    expect_layout(s, {{{0, 2, 0}, 2}}, 16);

    SpheresSoA t = SpheresSoA::from_slice(std::vector<Sphere>{{{1, 2, 3}, 2}});
    translate(t, {1, 1, 1});
    EXPECT_EQ(t.x()[15], 1.0f);  // spare lanes move too
    Mat3 swap_xy;
    swap_xy.x_axis = {0, 1, 0};
    swap_xy.y_axis = {1, 0, 0};
    swap_xy.z_axis = {0, 0, 2};
    rotate_mat(t, swap_xy);
    expect_layout(t, {{{3, 2, 8}, 2}}, 16);
    transform(t, Affine3A{swap_xy, {10, 20, 30}});
    expect_layout(t, {{{12, 23, 46}, 2}}, 16);
    scale(t, 3.0f);
    expect_layout(t, {{{12, 23, 46}, 6}}, 16);
    EXPECT_EQ(t.x()[1], 11.0f);
    EXPECT_EQ(bits(t.r()[1]), kSpareBits);  // NaN times 3 keeps its bits
}

TEST(SpheresApprox, ComparesUsedLanesOnly) {
    SpheresSoA narrow = SpheresSoA::from_slice(numbered(3));
    SpheresSoA wider = SpheresSoA::from_slice(numbered(3));
    for (int i = 0; i < 20; ++i) wider.push({{0, 0, 0}, 0});
    wider.clear();
    for (const Sphere& s : numbered(3)) wider.push(s);
    ASSERT_EQ(wider.stride(), 32u);
    EXPECT_TRUE(abs_diff_eq(narrow, wider, 0.0f));

    SpheresSoA moved = SpheresSoA::from_slice(numbered(3));
    translate(moved, {0, 0, 0.25f});
    EXPECT_FALSE(abs_diff_eq(narrow, moved, 0.2f));
    EXPECT_TRUE(abs_diff_eq(narrow, moved, 0.25f));
    EXPECT_FALSE(abs_diff_eq(narrow, SpheresSoA::from_slice(numbered(4)), kInf));
    SpheresSoA empty_a, empty_b = SpheresSoA::from_slice(numbered(5));
    empty_b.clear();
    EXPECT_TRUE(abs_diff_eq(empty_a, empty_b, kNaN));
    EXPECT_FALSE(abs_diff_eq(narrow, narrow, kNaN));
    const SpheresSoA with_nan = SpheresSoA::from_slice(std::vector<Sphere>{{{kNaN, 0, 0}, 1}});
    EXPECT_FALSE(abs_diff_eq(with_nan, with_nan, kInf));
}

}  // namespace
