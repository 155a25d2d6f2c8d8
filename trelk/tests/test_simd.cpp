// Every lane operation of the native backend agrees bit for bit with the plain C++ twin, including
// NaN, infinities and signed zeros; min/max ignore a NaN operand on both.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "simd/f32x8.hpp"

namespace {

namespace nat = trelk::simd::native;
namespace ref = trelk::simd::scalar;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

// Values that stress the edge cases, then random ones.
std::vector<float> sample_values() {
    std::vector<float> v = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.0f, kNaN, -kNaN, kInf, -kInf,
                            1e-38f, -3e38f, 3.4028235e38f, 1e-45f};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> d(-10.0f, 10.0f);
    for (int i = 0; i < 50; ++i) v.push_back(d(rng));
    return v;
}

struct Quad {
    float l[4];
};

std::vector<Quad> sample_quads() {
    auto v = sample_values();
    std::vector<Quad> q;
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> pick(0, v.size() - 1);
    for (int i = 0; i < 400; ++i) q.push_back({{v[pick(rng)], v[pick(rng)], v[pick(rng)], v[pick(rng)]}});
    return q;
}

nat::F32x4 N(const Quad& q) { return nat::F32x4::loadu(q.l); }
ref::F32x4 R(const Quad& q) { return ref::F32x4::loadu(q.l); }

// NaN payloads and signs may differ between backends; every other bit must agree.
void expect_same_float(float a, float b, const char* what) {
    if (std::isnan(a) && std::isnan(b)) return;
    ASSERT_EQ(bits(a), bits(b)) << what << ": " << a << " vs " << b;
}

void expect_same(nat::F32x4 n, ref::F32x4 r, const char* what) {
    for (int i = 0; i < 4; ++i) expect_same_float(n.lane(i), r.lane(i), what);
}

TEST(Simd, ArithmeticMatchesScalarTwin) {
    auto qs = sample_quads();
    for (std::size_t i = 0; i + 1 < qs.size(); ++i) {
        const Quad &a = qs[i], &b = qs[i + 1];
        expect_same(N(a) + N(b), R(a) + R(b), "add");
        expect_same(N(a) - N(b), R(a) - R(b), "sub");
        expect_same(N(a) * N(b), R(a) * R(b), "mul");
        expect_same(N(a) / N(b), R(a) / R(b), "div");
        expect_same(-N(a), -R(a), "neg");
        expect_same(sqrt(N(a)), sqrt(R(a)), "sqrt");
        expect_same(abs(N(a)), abs(R(a)), "abs");
        expect_same(min(N(a), N(b)), min(R(a), R(b)), "min");
        expect_same(max(N(a), N(b)), max(R(a), R(b)), "max");
    }
}

TEST(Simd, ComparisonsMasksAndSelectMatchScalarTwin) {
    auto qs = sample_quads();
    for (std::size_t i = 0; i + 2 < qs.size(); ++i) {
        const Quad &a = qs[i], &b = qs[i + 1], &c = qs[i + 2];
        struct Cmp {
            nat::Mask4 (*n)(nat::F32x4, nat::F32x4);
            ref::Mask4 (*r)(ref::F32x4, ref::F32x4);
        };
        const Cmp cmps[] = {{nat::lt, ref::lt}, {nat::le, ref::le}, {nat::gt, ref::gt},
                            {nat::ge, ref::ge}, {nat::eq, ref::eq}};
        for (const Cmp& cmp : cmps) {
            nat::Mask4 mn = cmp.n(N(a), N(b)), mn2 = cmp.n(N(b), N(c));
            ref::Mask4 mr = cmp.r(R(a), R(b)), mr2 = cmp.r(R(b), R(c));
            ASSERT_EQ(movemask(mn), movemask(mr));
            ASSERT_EQ(any(mn), any(mr));
            ASSERT_EQ(all(mn), all(mr));
            ASSERT_EQ(movemask(mn & mn2), movemask(mr & mr2));
            ASSERT_EQ(movemask(mn | mn2), movemask(mr | mr2));
            ASSERT_EQ(movemask(andnot(mn, mn2)), movemask(andnot(mr, mr2)));
            ASSERT_EQ(movemask(~mn), movemask(~mr));
            expect_same(select(mn, N(a), N(c)), select(mr, R(a), R(c)), "select");
        }
        expect_same_float(hsum(N(a)), hsum(R(a)), "hsum");
        expect_same_float(hmin(N(a)), hmin(R(a)), "hmin");
        expect_same_float(hmax(N(a)), hmax(R(a)), "hmax");
    }
}

// The rules themselves, checked on both backends.
template <class V>
void check_rules() {
    V a = V::set(kNaN, 1.0f, kNaN, 0.0f);
    V b = V::set(2.0f, kNaN, kNaN, -0.0f);
    V lo = min(a, b), hi = max(a, b);
    EXPECT_EQ(lo.lane(0), 2.0f);
    EXPECT_EQ(lo.lane(1), 1.0f);
    EXPECT_TRUE(std::isnan(lo.lane(2)));
    EXPECT_EQ(hi.lane(0), 2.0f);
    EXPECT_EQ(hi.lane(1), 1.0f);
    EXPECT_TRUE(std::isnan(hi.lane(2)));
    EXPECT_EQ(movemask(le(a, b)), 0b1000);  // NaN lanes are false, 0 <= -0 holds
    EXPECT_EQ(movemask(lt(a, b)), 0);
    EXPECT_EQ(movemask(eq(a, b)), 0b1000);
    EXPECT_EQ(movemask(ge(V::set(1, 2, 3, 4), V::splat(2.0f))), 0b1110);
    EXPECT_EQ(movemask(gt(V::set(1, 2, 3, 4), V::splat(2.0f))), 0b1100);
    EXPECT_EQ(hmin(V::set(kNaN, 3.0f, -1.0f, kNaN)), -1.0f);
    EXPECT_EQ(hmax(V::set(kNaN, 3.0f, -1.0f, kNaN)), 3.0f);
    EXPECT_EQ(hsum(V::set(1.0f, 2.0f, 3.0f, 4.0f)), 10.0f);
    alignas(16) float out[4];
    select(gt(V::set(1, 2, 3, 4), V::splat(2.5f)), V::splat(9.0f), V::set(1, 2, 3, 4)).store(out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[3], 9.0f);
}

TEST(Simd, NanIgnoringMinMaxAndInclusiveComparisons) {
    check_rules<nat::F32x4>();
    check_rules<ref::F32x4>();
}

TEST(Simd, EightLanesAreTwoHalves) {
    using trelk::simd::F32x8;
    alignas(32) float xs[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    alignas(32) float ys[8] = {8, 7, 6, 5, 4, kNaN, 2, 1};
    F32x8 a = F32x8::load(xs), b = F32x8::load(ys);
    EXPECT_EQ(movemask(le(a, b)), 0b00001111);
    EXPECT_EQ(movemask(gt(a, b)), 0b11010000);
    EXPECT_TRUE(any(eq(a, F32x8::splat(8.0f))));
    EXPECT_FALSE(all(le(a, F32x8::splat(7.0f))));
    EXPECT_EQ(hmin(min(a, b)), 1.0f);
    EXPECT_EQ(hsum(a), 36.0f);
    EXPECT_EQ(min(a, b).lane(5), 6.0f);  // NaN ignored
    alignas(32) float out[8];
    select(lt(a, b), a, b).store(out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_TRUE(std::isnan(out[5]));  // NaN comparison false: second operand taken
    EXPECT_EQ(out[7], 1.0f);
}

}  // namespace
