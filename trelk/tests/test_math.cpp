// Value types under the shapes: operation order fixes the bits, rounding rules of normalising,
// and the aligned buffer's alignment and deep copies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "aligned_buffer.hpp"
#include "approx.hpp"
#include "math.hpp"

namespace {

using trelk::Vec3;

TEST(Math, QuaternionRotatesAndNonUnitScales) {
    const float h = std::sqrt(0.5f);
    trelk::Quat qz{0.0f, 0.0f, h, h};  // quarter turn about z
    Vec3 r = qz * Vec3{1.0f, 0.0f, 0.0f};
    EXPECT_NEAR(r.x, 0.0f, 1e-6f);
    EXPECT_NEAR(r.y, 1.0f, 1e-6f);
    trelk::Quat twice{0.0f, 0.0f, 0.0f, std::sqrt(2.0f)};
    EXPECT_NEAR((twice * Vec3{1.0f, 2.0f, 3.0f}).z, 6.0f, 1e-5f);
}

// v (w^2 - |b|^2) + b (2 (v . b)) + (b x v) 2w on small integers: every step exact, so a wrong sign
// or a missing term shows in the result.
TEST(Math, QuaternionFormulaOnANonUnitQuaternion) {
    const trelk::Quat q{1, 2, 3, 4};
    EXPECT_EQ(q * Vec3(5, 6, 7), Vec3(54, 228, 210));
    EXPECT_EQ(q * Vec3(0, 0, 0), Vec3(0, 0, 0));
    EXPECT_EQ((trelk::Quat{0, 0, 0, 2} * Vec3(1, -2, 3)), Vec3(4, -8, 12));  // w alone scales by w^2
}

TEST(Math, MatrixAndAffineApply) {
    trelk::Mat3 m{{0, 1, 0}, {-1, 0, 0}, {0, 0, 2}};
    EXPECT_EQ(m * Vec3(1, 2, 3), Vec3(-2, 1, 6));
    trelk::Affine3A a{m, {10, 0, 0}};
    EXPECT_EQ(a.transform_point({1, 2, 3}), Vec3(8, 1, 6));
    EXPECT_EQ(a.transform_vector({1, 2, 3}), Vec3(-2, 1, 6));
}

TEST(Math, NormalizeOrZeroAndNanIgnoringExtremes) {
    EXPECT_EQ(trelk::normalize_or_zero({0, 0, 0}), Vec3());
    EXPECT_EQ(trelk::normalize_or_zero({0, 3, 4}), Vec3(0, 0.6f, 0.8f));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(trelk::normalize_or_zero({nan, 0, 0}), Vec3());
    EXPECT_TRUE(std::isnan(trelk::normalize(Vec3{}).x));
    EXPECT_EQ(trelk::max_num(nan, 2.0f), 2.0f);
    EXPECT_EQ(trelk::min_num(2.0f, nan), 2.0f);
    EXPECT_TRUE(std::isnan(trelk::clamp01(nan)));
    EXPECT_EQ(trelk::clamp01(-3.0f), 0.0f);
    EXPECT_EQ(trelk::clamp01(3.0f), 1.0f);
    EXPECT_EQ(trelk::EPS, 1.1920929e-7f);
}

TEST(Math, AbsDiffEqIsInclusiveAndRejectsNan) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(trelk::abs_diff_eq(1.0f, 1.5f, 0.5f));
    EXPECT_FALSE(trelk::abs_diff_eq(1.0f, 1.5f, 0.49f));
    EXPECT_FALSE(trelk::abs_diff_eq(nan, nan, 1.0f));
    EXPECT_FALSE(trelk::abs_diff_eq(Vec3{0, 0, nan}, Vec3{0, 0, 0}, 1.0f));
    EXPECT_TRUE(trelk::abs_diff_eq(Vec3{0, 0, 1}, Vec3{0, 0.25f, 0.75f}, 0.25f));
}

TEST(AlignedBuffer, StaysAlignedThroughGrowthCopyAndShrink) {
    trelk::AlignedBuffer b;
    for (int i = 0; i < 1000; ++i) {
        b.push_back(float(i));
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(b.data()) % 32, 0u);
    }
    trelk::AlignedBuffer c = b;
    c[0] = -1.0f;
    EXPECT_EQ(b[0], 0.0f);
    EXPECT_EQ(c.size(), 1000u);
    EXPECT_EQ(c.capacity(), 1000u);
    b.shrink_to_fit();
    EXPECT_EQ(b.capacity(), 1000u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.data()) % 32, 0u);
    EXPECT_EQ(b[999], 999.0f);
    trelk::AlignedBuffer m = std::move(c);
    EXPECT_EQ(m[0], -1.0f);
    EXPECT_TRUE(c.empty());
}

}  // namespace
