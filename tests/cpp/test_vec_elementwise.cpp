// Element-wise vector operations against values computed independently from the formulas
// (plain double arithmetic in the same order), compared bit for bit.
#include <gtest/gtest.h>

#include "algebra/vec_elementwise.hpp"
#include "vec_test_support.hpp"

using namespace quorix;
using namespace vec_test;

namespace {

const Row<DVec2> kRows2[] = {
    {"trunc", trunc(DVec2{{-1.7, -0.5}}), {{-1.0, -0.0}}},
    {"fract", fract(DVec2{{-1.25, 1.25}}), {{-0x1.0000000000000p-2, 0x1.0000000000000p-2}}},
    {"fract", fract(DVec2{{-0.0, -3.0}}), {{0.0, 0.0}}},
    {"fract of infinities", fract(DVec2{{kInf, -kInf}}), {{kAnyNaN, kAnyNaN}}},
    {"fract_gl", fract_gl(DVec2{{-1.25, 1.25}}), {{0x1.8000000000000p-1, 0x1.0000000000000p-2}}},
    {"fract_gl", fract_gl(DVec2{{-1e-20, 0.0}}), {{1.0, 0.0}}},
    {"fract_gl", fract_gl(DVec2{{-0.0, 3.75}}), {{0.0, 0x1.8000000000000p-1}}},
    {"fract_gl of infinity", fract_gl(DVec2{{kInf, 0.5}}), {{kAnyNaN, 0x1.0000000000000p-1}}},
    {"cos", cos(DVec2{{-kInf, 1.0}}), {{kAnyNaN, 0x1.14a280fb5068cp-1}}},
    {"saturate infinities", saturate(DVec2{{-kInf, kInf}}), {{0.0, 1.0}}},
    {"powf exponent zero", powf(DVec2{{kNaN, 2.0}}, 0.0), {{1.0, 1.0}}},
    {"copysign", copysign(DVec2{{1.0, kNaN}}, DVec2{{-0.0, -1.0}}), {{-1.0, from_bits(0xFFF8000000000000u)}}},
    {"copysign from NaN", copysign(DVec2{{-2.0, 3.0}}, DVec2{{kNaN, from_bits(0xFFF8000000000000u)}}), {{2.0, -3.0}}},
    {"mul_add single rounding", mul_add(DVec2{{0.1, 3.0}}, DVec2{{10.0, 0.1}}, DVec2{{-1.0, -0.3}}), {{0x1.0000000000000p-54, 0x1.0000000000000p-55}}},
    {"div_euclid of infinity", div_euclid(DVec2{{kInf, -kInf}}, DVec2{{2.0, 2.0}}), {{kInf, -kInf}}},
    {"rem_euclid by zero", rem_euclid(DVec2{{1.0, 0.0}}, DVec2{{0.0, 0.0}}), {{kAnyNaN, kAnyNaN}}},
    {"rem_euclid negative multiple", rem_euclid(DVec2{{-4.0, 4.0}}, DVec2{{2.0, 2.0}}), {{-0.0, 0.0}}},
    {"min of zeros takes rhs", min(DVec2{{0.0, -0.0}}, DVec2{{-0.0, 0.0}}), {{-0.0, 0.0}}},
    {"max of zeros takes rhs", max(DVec2{{0.0, -0.0}}, DVec2{{-0.0, 0.0}}), {{-0.0, 0.0}}},
};

const Row<DVec3> kRows3[] = {
    {"round halfway away from zero", round(DVec3{{0.5, -0.5, 2.5}}), {{1.0, -1.0, 3.0}}},
    {"round small negative to -0", round(DVec3{{-0.4, 0.0, 1e300}}), {{-0.0, 0.0, 0x1.7e43c8800759cp+996}}},
    {"round keeps non-finite", round(DVec3{{kInf, -kInf, kNaN}}), {{kInf, -kInf, kAnyNaN}}},
    {"ceil", ceil(DVec3{{-0.5, 0.5, -kInf}}), {{-0.0, 1.0, -kInf}}},
    {"signum of any NaN is the default NaN", signum(DVec3{{from_bits(0xFFF8000000000001u), from_bits(0x7FF0000000000001u), 5e-324}}), {{from_bits(0x7FF8000000000000u), from_bits(0x7FF8000000000000u), 1.0}}},
    {"log2", log2(DVec3{{8.0, -kInf, 0.0}}), {{3.0, kAnyNaN, -kInf}}},
    {"exp", exp(DVec3{{-kInf, kInf, 1.0}}), {{0.0, kInf, 0x1.5bf0a8b145769p+1}}},
    {"exp2", exp2(DVec3{{-kInf, 10.0, 0.5}}), {{0.0, 1024.0, 0x1.6a09e667f3bcdp+0}}},
    {"sin cos", sin(DVec3{{kInf, 1.0, -0.0}}), {{kAnyNaN, 0x1.aed548f090ceep-1, -0.0}}},
    {"powf base one", powf(DVec3{{1.0, -8.0, 2.0}}, kNaN), {{1.0, kAnyNaN, kAnyNaN}}},
    {"powf negative base", powf(DVec3{{-8.0, -8.0, 2.0}}, 1.0 / 3.0), {{kAnyNaN, kAnyNaN, 0x1.428a2f98d728bp+0}}},
    {"step", step(DVec3{{1.0, 2.0, 3.0}}, DVec3{{2.0, 2.0, 2.0}}), {{1.0, 1.0, 0.0}}},
    {"step NaN", step(DVec3{{kNaN, 1.0, -0.0}}, DVec3{{0.0, kNaN, 0.0}}), {{1.0, 1.0, 1.0}}},
    {"div_euclid", div_euclid(DVec3{{-7.0, 7.0, -7.0}}, DVec3{{2.0, -2.0, -2.0}}), {{-4.0, -3.0, 4.0}}},
    {"rem_euclid", rem_euclid(DVec3{{-7.0, 7.0, -7.0}}, DVec3{{2.0, -2.0, -2.0}}), {{1.0, 1.0, 1.0}}},
    {"div_euclid", div_euclid(DVec3{{-1e-20, 7.5, 5.0}}, DVec3{{1.0, 2.0, kInf}}), {{-1.0, 3.0, 0.0}}},
    {"rem_euclid", rem_euclid(DVec3{{-1e-20, 7.5, 5.0}}, DVec3{{1.0, 2.0, kInf}}), {{1.0, 0x1.8000000000000p+0, 5.0}}},
    {"div_euclid", div_euclid(DVec3{{-5.0, -4.0, 0.5}}, DVec3{{kInf, 2.0, -0.25}}), {{-1.0, -2.0, -2.0}}},
    {"rem_euclid", rem_euclid(DVec3{{-5.0, -4.0, 0.5}}, DVec3{{kInf, 2.0, -0.25}}), {{kInf, -0.0, 0.0}}},
    {"div_euclid by zero", div_euclid(DVec3{{1.0, 0.0, -1.0}}, DVec3{{0.0, 0.0, 0.0}}), {{kInf, kAnyNaN, -kInf}}},
    {"rem_euclid infinite divisor and dividend", rem_euclid(DVec3{{5.0, -5.0, kInf}}, DVec3{{kInf, kInf, 2.0}}), {{5.0, kInf, kAnyNaN}}},
    {"min", min(DVec3{{kNaN, 1.0, 1.0}}, DVec3{{1.0, kNaN, 2.0}}), {{1.0, kAnyNaN, 1.0}}},
    {"max", max(DVec3{{kNaN, 1.0, 1.0}}, DVec3{{1.0, kNaN, 2.0}}), {{1.0, kAnyNaN, 2.0}}},
    {"clamp with min above max", clamp(DVec3{{5.0, 0.0, kNaN}}, DVec3{{3.0, 3.0, 3.0}}, DVec3{{1.0, 1.0, 1.0}}), {{1.0, 1.0, 1.0}}},
};

const Row<DVec4> kRows4[] = {
    {"floor", floor(DVec4{{-0.5, -0.0, kInf, 1.5}}), {{-1.0, -0.0, kInf, 1.0}}},
    {"abs clears every sign bit", abs(DVec4{{-0.0, -kInf, from_bits(0xFFF8000000000123u), -2.5}}), {{0.0, kInf, from_bits(0x7FF8000000000123u), 0x1.4000000000000p+1}}},
    {"signum", signum(DVec4{{0.0, -0.0, kNaN, -kInf}}), {{1.0, -1.0, from_bits(0x7FF8000000000000u), -1.0}}},
    {"sqrt", sqrt(DVec4{{-0.0, -1.0, kInf, 2.0}}), {{-0.0, kAnyNaN, kInf, 0x1.6a09e667f3bcdp+0}}},
    {"recip", recip(DVec4{{-0.0, 0.0, -kInf, 3.0}}), {{-kInf, kInf, -0.0, 0x1.5555555555555p-2}}},
    {"ln", ln(DVec4{{0.0, -0.0, -1.0, kInf}}), {{-kInf, -kInf, kAnyNaN, kInf}}},
    {"saturate", saturate(DVec4{{kNaN, -0.0, 2.0, 0.25}}), {{0.0, 0.0, 1.0, 0x1.0000000000000p-2}}},
    {"clamp NaN bounds", clamp(DVec4{{kNaN, 2.0, 0.5, -0.0}}, DVec4{{0.0, kNaN, 0.0, 0.0}}, DVec4{{1.0, 1.0, kNaN, 1.0}}), {{0.0, 1.0, kAnyNaN, 0.0}}},
};

const Row<double> kReductions[] = {
    {"max_element skips inner NaN", max_element(DVec3{{1.0, kNaN, 3.0}}), 3.0},
    {"max_element last NaN", max_element(DVec3{{1.0, 2.0, kNaN}}), kAnyNaN},
    {"min_element last NaN", min_element(DVec4{{2.0, 1.0, 1.0, kNaN}}), kAnyNaN},
    {"min_element first NaN", min_element(DVec4{{kNaN, 1.0, 0.0, 5.0}}), 0.0},
    {"min_element tie takes later", min_element(DVec2{{0.0, -0.0}}), -0.0},
    {"max_element tie takes later", max_element(DVec2{{-0.0, 0.0}}), 0.0},
    {"element_sum", element_sum(DVec3{{1.0, 1e16, -1e16}}), 0.0},
    {"element_sum left to right", element_sum(DVec4{{1e16, 1.0, 1.0, -1e16}}), 0.0},
    {"element_product", element_product(DVec4{{0.1, 0.2, 0.3, 0.7}}), 0x1.13404ea4a8c16p-8},
    {"element_product zero times inf", element_product(DVec3{{0.0, kInf, 1.0}}), kAnyNaN},
};

struct PositionRow {
    const char* what;
    std::size_t got;
    std::size_t want;
};

const PositionRow kPositions[] = {
    {"max_position(DVec3{{1.0, 1.0, 1.0}})", max_position(DVec3{{1.0, 1.0, 1.0}}), 0},
    {"max_position(DVec3{{kNaN, 5.0, 6.0}})", max_position(DVec3{{kNaN, 5.0, 6.0}}), 0},
    {"max_position(DVec3{{1.0, kNaN, 3.0}})", max_position(DVec3{{1.0, kNaN, 3.0}}), 2},
    {"max_position(DVec2{{kNaN, 1.0}})", max_position(DVec2{{kNaN, 1.0}}), 1},
    {"max_position(DVec2{{1.0, kNaN}})", max_position(DVec2{{1.0, kNaN}}), 1},
    {"min_position(DVec2{{kNaN, 1.0}})", min_position(DVec2{{kNaN, 1.0}}), 1},
    {"min_position(DVec2{{1.0, 1.0}})", min_position(DVec2{{1.0, 1.0}}), 0},
    {"max_position(DVec2{{1.0, 1.0}})", max_position(DVec2{{1.0, 1.0}}), 0},
    {"min_position(DVec2{{2.0, 1.0}})", min_position(DVec2{{2.0, 1.0}}), 1},
    {"max_position(DVec4{{1.0, 3.0, 3.0, 2.0}})", max_position(DVec4{{1.0, 3.0, 3.0, 2.0}}), 1},
    {"min_position(DVec4{{kNaN, 1.0, 0.0, 5.0}})", min_position(DVec4{{kNaN, 1.0, 0.0, 5.0}}), 0},
    {"min_position(DVec4{{3.0, 1.0, 0.0, -0.0}})", min_position(DVec4{{3.0, 1.0, 0.0, -0.0}}), 2},
    {"min_position(DVec3{{3.0, kNaN, -1.0}})", min_position(DVec3{{3.0, kNaN, -1.0}}), 2},
};

}  // namespace

TEST(VecElementwise, TwoComponents) { check_rows(kRows2); }
TEST(VecElementwise, ThreeComponents) { check_rows(kRows3); }
TEST(VecElementwise, FourComponents) { check_rows(kRows4); }
TEST(VecElementwise, Reductions) { check_rows(kReductions); }

TEST(VecElementwise, Positions) {
    for (const auto& r : kPositions) EXPECT_EQ(r.got, r.want) << r.what;
}

TEST(VecElementwise, SinCosMatchesSinAndCos) {
    const DVec3 a{{0.5, -3.0, 1e10}};
    const auto [s, c] = sin_cos(a);
    EXPECT_TRUE(same_bits(s, sin(a)));
    EXPECT_TRUE(same_bits(c, cos(a)));
}
