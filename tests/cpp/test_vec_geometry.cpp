// Geometric vector operations against values computed independently from the formulas (plain
// double arithmetic in the same order), compared bit for bit.
#include <gtest/gtest.h>

#include "algebra/vec_geometry.hpp"
#include "vec_test_support.hpp"

using namespace quorix;
using namespace vec_test;

namespace {

const Row<DVec2> kRows2[] = {
    {"normalize", normalize(DVec2{{0.3, -1.7}}), {{0x1.63e990ad4f763p-3, -0x1.f8358cf585e77p-1}}},
    {"lerp", lerp(DVec2{{0.3, -1.7}}, DVec2{{-4.1, 0.25}}, 0.3), {{-0x1.051eb851eb851p+0, -0x1.1d70a3d70a3d7p+0}}},
    {"reflect", reflect(DVec2{{0.3, -1.7}}, DVec2{{-0.9981461553891547, 0.06086257045055822}}), {{-0x1.0237177eab298p-1, -0x1.a6a508565ccf9p+0}}},
    {"refract", refract(DVec2{{0.17378533390904768, -0.9847835588179369}}, DVec2{{-0.9981461553891547, 0.06086257045055822}}, 0.8), {{0x1.28e4fcf579690p-1, -0x1.a12159969485fp-1}}},
    {"normalize_or_zero subnormal length", normalize_or_zero(DVec2{{3e-160, 4e-160}}), {{0x1.3333a3447dc70p-1, 0x1.999a2f05fd095p-1}}},
};

const Row<DVec3> kRows3[] = {
    {"normalize", normalize(DVec3{{0.3, -1.7, 2.9}}), {{0x1.6c195011eb565p-4, -0x1.01e7436206b27p-1, 0x1.b7f3eb6afc5dap-1}}},
    {"clamp_length below", clamp_length(DVec3{{0.3, -1.7, 2.9}}, 7.5, 9.0), {{0x1.5557bb10cca0fp-1, -0x1.e3919e57cc8ebp+1, 0x1.9c74acb44c97cp+2}}},
    {"clamp_length above", clamp_length(DVec3{{0.3, -1.7, 2.9}}, 0.5, 1.5), {{0x1.1112fc0d7080cp-3, -0x1.82dae5130a0bcp-1, 0x1.49f6f0903d464p+0}}},
    {"clamp_length_max", clamp_length_max(DVec3{{0.3, -1.7, 2.9}}, 1.5), {{0x1.1112fc0d7080cp-3, -0x1.82dae5130a0bcp-1, 0x1.49f6f0903d464p+0}}},
    {"clamp_length_min", clamp_length_min(DVec3{{0.3, -1.7, 2.9}}, 7.5), {{0x1.5557bb10cca0fp-1, -0x1.e3919e57cc8ebp+1, 0x1.9c74acb44c97cp+2}}},
    {"lerp", lerp(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}, 0.3), {{-0x1.051eb851eb851p+0, -0x1.1d70a3d70a3d7p+0, 0x1.35c28f5c28f5cp+1}}},
    {"move_towards", move_towards(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}, 0.7), {{-0x1.3aa97f0485c3dp-2, -0x1.6e4cedffef6f2p+0, 0x1.56eefc8dc210bp+1}}},
    {"midpoint", midpoint(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), {{-0x1.e666666666666p+0, -0x1.7333333333333p-1, 0x1.0cccccccccccdp+1}}},
    {"project_onto", project_onto(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), {{-0x1.de5cf77f69119p-2, 0x1.d2b21d2b21d2cp-6, 0x1.2f5a2c8f3c629p-3}}},
    {"reject_from", reject_from(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), {{0x1.88c815594e226p-1, -0x1.ba7dfba7dfba8p+0, 0x1.603d906a3f6d0p+1}}},
    {"project_onto_normalized", project_onto_normalized(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-0.9516245192244814, 0.058025885318565944, 0.3017346036565429}}), {{-0x1.de5cf77f69119p-2, 0x1.d2b21d2b21d2cp-6, 0x1.2f5a2c8f3c62ap-3}}},
    {"reject_from_normalized", reject_from_normalized(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-0.9516245192244814, 0.058025885318565944, 0.3017346036565429}}), {{0x1.88c815594e226p-1, -0x1.ba7dfba7dfba8p+0, 0x1.603d906a3f6d0p+1}}},
    {"reflect", reflect(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-0.9516245192244814, 0.058025885318565944, 0.3017346036565429}}), {{0x1.3bfb488c81559p+0, -0x1.c1c8c41c8c41cp+0, 0x1.4d47eda14ba6ep+1}}},
    {"refract", refract(DVec3{{0.08889132764189396, -0.5037175233040657, 0.8592828338716416}}, DVec3{{-0.9516245192244814, 0.058025885318565944, 0.3017346036565429}}, 0.8), {{0x1.86e47bd8bc27fp-1, -0x1.c7dffeef3fe25p-2, 0x1.df2171650eab4p-2}}},
    {"normalize zero", normalize(DVec3{{0.0, 0.0, 0.0}}), {{kAnyNaN, kAnyNaN, kAnyNaN}}},
    {"normalize overflowing", normalize(DVec3{{1e200, 0.0, 0.0}}), {{0.0, 0.0, 0.0}}},
    {"normalize_or_zero zero", normalize_or_zero(DVec3{{0.0, 0.0, 0.0}}), {{0.0, 0.0, 0.0}}},
    {"normalize_or zero", normalize_or(DVec3{{0.0, 0.0, 0.0}}, DVec3{{0.0, 0.0, 1.0}}), {{0.0, 0.0, 1.0}}},
    {"normalize_or NaN", normalize_or(DVec3{{kNaN, 1.0, 0.0}}, DVec3{{0.0, -0.0, 1.0}}), {{0.0, -0.0, 1.0}}},
    {"normalize_or usable", normalize_or(DVec3{{0.3, -1.7, 2.9}}, DVec3{{0.0, 0.0, 1.0}}), {{0x1.6c195011eb565p-4, -0x1.01e7436206b27p-1, 0x1.b7f3eb6afc5dap-1}}},
    {"clamp_length min wins over max", clamp_length(DVec3{{1.0, 0.0, 0.0}}, 2.0, 1.0), {{2.0, 0.0, 0.0}}},
    {"clamp_length max when above both", clamp_length(DVec3{{3.0, 0.0, 0.0}}, 2.0, 1.0), {{1.0, 0.0, 0.0}}},
    {"clamp_length_min negative bound", clamp_length_min(DVec3{{1.0, 0.0, 0.0}}, -2.0), {{-2.0, -0.0, -0.0}}},
    {"clamp_length_min zero vector", clamp_length_min(DVec3{{0.0, 0.0, 0.0}}, 1.0), {{kAnyNaN, kAnyNaN, kAnyNaN}}},
    {"clamp_length_max zero vector", clamp_length_max(DVec3{{0.0, 0.0, 0.0}}, 1.0), {{0.0, 0.0, 0.0}}},
    {"clamp_length_max NaN bound", clamp_length_max(DVec3{{5.0, 0.0, -0.0}}, kNaN), {{5.0, 0.0, -0.0}}},
    {"clamp_length_min NaN bound", clamp_length_min(DVec3{{5.0, 0.0, -0.0}}, kNaN), {{5.0, 0.0, -0.0}}},
    {"move_towards 2.0", move_towards(DVec3{{0.0, 0.0, 0.0}}, DVec3{{3.0, 4.0, 0.0}}, 2.0), {{0x1.3333333333333p+0, 0x1.999999999999ap+0, 0.0}}},
    {"move_towards 5.0", move_towards(DVec3{{0.0, 0.0, 0.0}}, DVec3{{3.0, 4.0, 0.0}}, 5.0), {{3.0, 4.0, 0.0}}},
    {"move_towards -1.0", move_towards(DVec3{{0.0, 0.0, 0.0}}, DVec3{{3.0, 4.0, 0.0}}, -1.0), {{-0x1.3333333333333p-1, -0x1.999999999999ap-1, 0.0}}},
    {"move_towards inf", move_towards(DVec3{{0.0, 0.0, 0.0}}, DVec3{{3.0, 4.0, 0.0}}, kInf), {{3.0, 4.0, 0.0}}},
    {"move_towards close target", move_towards(DVec3{{0.0, 0.0, 0.0}}, DVec3{{1e-4, 0.0, 0.0}}, -5.0), {{0x1.a36e2eb1c432dp-14, 0.0, 0.0}}},
    {"move_towards NaN", move_towards(DVec3{{0.0, 0.0, 0.0}}, DVec3{{kNaN, 0.0, 0.0}}, 1.0), {{kAnyNaN, kAnyNaN, kAnyNaN}}},
    {"lerp extrapolates", lerp(DVec3{{0.0, 0.0, 0.0}}, DVec3{{1.0, 1.0, 1.0}}, 2.0), {{2.0, 2.0, 2.0}}},
    {"project_onto zero", project_onto(DVec3{{1.0, 2.0, 3.0}}, DVec3{{0.0, 0.0, 0.0}}), {{kAnyNaN, kAnyNaN, kAnyNaN}}},
    {"reject_from zero", reject_from(DVec3{{1.0, 2.0, 3.0}}, DVec3{{0.0, 0.0, 0.0}}), {{kAnyNaN, kAnyNaN, kAnyNaN}}},
    {"refract total internal reflection", refract(DVec3{{0.8, -0.6, 0.0}}, DVec3{{0.0, 1.0, 0.0}}, 1.5), {{0.0, 0.0, 0.0}}},
    {"refract straight through", refract(DVec3{{0.0, -1.0, 0.0}}, DVec3{{0.0, 1.0, 0.0}}, 1.0), {{0.0, -1.0, 0.0}}},
    {"refract NaN eta", refract(DVec3{{0.0, -1.0, 0.0}}, DVec3{{0.0, 1.0, 0.0}}, kNaN), {{0.0, 0.0, 0.0}}},
};

const Row<DVec4> kRows4[] = {
    {"normalize", normalize(DVec4{{0.3, -1.7, 2.9, 0.7}}), {{0x1.6482d37a5a3d1p-4, -0x1.f90eab97ffd68p-2, 0x1.aec8bf892d09cp-1, 0x1.9fedf6b969473p-3}}},
    {"lerp", lerp(DVec4{{0.3, -1.7, 2.9, 0.7}}, DVec4{{-4.1, 0.25, 1.3, -2.2}}, 0.3), {{-0x1.051eb851eb851p+0, -0x1.1d70a3d70a3d7p+0, 0x1.35c28f5c28f5cp+1, -0x1.5c28f5c28f5c6p-3}}},
    {"reflect", reflect(DVec4{{0.3, -1.7, 2.9, 0.7}}, DVec4{{-0.8475254137752914, 0.05167837888873729, 0.2687275702214339, -0.4547697342208882}}), {{0x1.00c139fe3d236p-1, -0x1.b6584f8131f12p+0, 0x1.6b05e99b9cdeep+1, 0x1.9dc0588fe9dc0p-1}}},
    {"refract", refract(DVec4{{0.08703882797784891, -0.4932200252078105, 0.8413753371192061, 0.20309059861498077}}, DVec4{{-0.8475254137752914, 0.05167837888873729, 0.2687275702214339, -0.4547697342208882}}, 0.8), {{0x1.3441dd29542efp-1, -0x1.b54a5e3b96260p-2, 0x1.0230f4a893116p-1, 0x1.caecbef54013fp-2}}},
};

const Row<double> kScalars[] = {
    {"dot 2", dot(DVec2{{0.3, -1.7}}, DVec2{{-4.1, 0.25}}), -0x1.a7ae147ae147ap+0},
    {"length 2", length(DVec2{{0.3, -1.7}}), 0x1.b9ecad3d97ff8p+0},
    {"dot 3", dot(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), 0x1.0eb851eb851ecp+1},
    {"length 3", length(DVec3{{0.3, -1.7, 2.9}}), 0x1.affcf744319e3p+1},
    {"length_recip 3", length_recip(DVec3{{0.3, -1.7, 2.9}}), 0x1.2f6a6d64441d4p-2},
    {"distance 3", distance(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), 0x1.44975016ab710p+2},
    {"distance_squared 3", distance_squared(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), 0x1.9b8f5c28f5c27p+4},
    {"dot 4", dot(DVec4{{0.3, -1.7, 2.9, 0.7}}, DVec4{{-4.1, 0.25, 1.3, -2.2}}), 0x1.2666666666668p-1},
    {"length 4", length(DVec4{{0.3, -1.7, 2.9, 0.7}}), 0x1.b92eb28102dedp+1},
    {"length of 1e200", length(DVec3{{1e200, 0.0, 0.0}}), kInf},
    {"length of 1e-200", length(DVec3{{1e-200, 0.0, 0.0}}), 0.0},
    {"length_recip of zero", length_recip(DVec3{{0.0, 0.0, 0.0}}), kInf},
};


}  // namespace

TEST(VecGeometry, TwoComponents) { check_rows(kRows2); }
TEST(VecGeometry, ThreeComponents) { check_rows(kRows3); }
TEST(VecGeometry, FourComponents) { check_rows(kRows4); }
TEST(VecGeometry, Scalars) { check_rows(kScalars); }

TEST(VecGeometry, TryNormalizeFailsWhereTheReciprocalIsUnusable) {
    const DVec3 unusable[] = {DVec3{{0.0, 0.0, 0.0}}, DVec3{{1e200, 0.0, 0.0}}, DVec3{{1e-200, 0.0, 0.0}},
                              DVec3{{kNaN, 1.0, 0.0}}, DVec3{{kInf, 0.0, 0.0}}};
    for (const DVec3& v : unusable) {
        EXPECT_FALSE(try_normalize(v).has_value());
        EXPECT_TRUE(same_bits(normalize_or_zero(v), DVec3{}));
        const auto [unit, len] = normalize_and_length(v);
        EXPECT_TRUE(same_bits(unit, DVec3{{1.0, 0.0, 0.0}}));
        EXPECT_TRUE(same_bits(len, 0.0));
    }
    EXPECT_TRUE(same_bits(normalize_and_length(DVec4{}).first, DVec4{{1.0, 0.0, 0.0, 0.0}}));
    EXPECT_TRUE(same_bits(normalize_and_length(DVec2{}).first, DVec2{{1.0, 0.0}}));
}

TEST(VecGeometry, NormalizeFamilyAgreesOnUsableVectors) {
    const DVec3 v{{0.3, -1.7, 2.9}};
    const auto tried = try_normalize(v);
    ASSERT_TRUE(tried.has_value());
    EXPECT_TRUE(same_bits(*tried, kRows3[0].want));
    const auto [unit, len] = normalize_and_length(v);
    EXPECT_TRUE(same_bits(unit, kRows3[0].want));
    EXPECT_TRUE(same_bits(len, length(v)));
}

TEST(VecGeometry, IsNormalizedTolerance) {
    struct { DVec3 v; bool want; } const cases[] = {
        {DVec3{{1.00009, 0.0, 0.0}}, true},  {DVec3{{1.0001, 0.0, 0.0}}, false},
        {DVec3{{0.99991, 0.0, 0.0}}, true},  {DVec3{{0.9998, 0.0, 0.0}}, false},
        {DVec3{{kNaN, 0.0, 0.0}}, false},    {DVec3{{0.0, 0.0, 0.0}}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(is_normalized(c.v), c.want) << describe(c.v.x());
    EXPECT_TRUE(is_normalized(DVec2{{0.6, 0.8}}));
    EXPECT_TRUE(is_normalized(DVec4{{0.5, 0.5, 0.5, 0.5}}));
}
