// Class constants, component replacement, finiteness and approximate equality of the vector type.
#include <gtest/gtest.h>

#include <string>

#include "algebra/vec.hpp"
#include "vec_test_support.hpp"

using namespace quorix;
using namespace vec_test;

TEST(VecComponents, ConstantsInClassOrder) {
    const auto c = vec_constants<4>();
    const char* names[] = {"ZERO",  "ONE",   "NEG_ONE", "X",     "Y",        "Z",            "W",  "NEG_X",
                           "NEG_Y", "NEG_Z", "NEG_W",   "INFINITY", "NEG_INFINITY", "NAN"};
    ASSERT_EQ(c.size(), std::size(names));
    for (std::size_t i = 0; i < c.size(); ++i) EXPECT_EQ(std::string(c[i].name), names[i]);
    // Negated axes keep positive zeros; NAN is the default quiet NaN.
    EXPECT_TRUE(same_bits(c[7].value, DVec4{{-1.0, 0.0, 0.0, 0.0}}));
    EXPECT_TRUE(same_bits(c[13].value, DVec4::splat(from_bits(0x7FF8000000000000u))));
    EXPECT_TRUE(same_bits(c[12].value, DVec4::splat(-kInf)));
    EXPECT_EQ(vec_constants<2>().size(), 10u);
    EXPECT_STREQ(vec_constants<3>()[5].name, "Z");
    EXPECT_STREQ(vec_constants<3>()[6].name, "NEG_X");
}

TEST(VecComponents, WithReplacesOneComponent) {
    const DVec3 v{{1.0, 2.0, 3.0}};
    EXPECT_TRUE(same_bits(v.with(1, -0.0), DVec3{{1.0, -0.0, 3.0}}));
    EXPECT_TRUE(same_bits(v, DVec3{{1.0, 2.0, 3.0}}));
}

TEST(VecComponents, FiniteAndNaN) {
    struct { DVec3 v; bool finite, nan; } const cases[] = {
        {DVec3{{1.0, -0.0, 5e-324}}, true, false},
        {DVec3{{1.0, kInf, 0.0}}, false, false},
        {DVec3{{kNaN, 0.0, 0.0}}, false, true},
        {DVec3{{0.0, 0.0, -kInf}}, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(is_finite(c.v), c.finite);
        EXPECT_EQ(is_nan(c.v), c.nan);
    }
}

TEST(VecComponents, AbsDiffEq) {
    struct { DVec2 a, b; double tol; bool want; } const cases[] = {
        {DVec2{{0.0, 0.0}}, DVec2{{0.1, 0.0}}, 0.1, true},
        {DVec2{{0.0, 0.0}}, DVec2{{0.1, 0.0}}, 0.09999, false},
        {DVec2{{1.0, 2.0}}, DVec2{{1.1, 2.0}}, 0.1, false},  // 1.1 - 1 rounds above 0.1
        {DVec2{{kNaN, 0.0}}, DVec2{{kNaN, 0.0}}, 1.0, false},
        {DVec2{{kInf, 0.0}}, DVec2{{kInf, 0.0}}, kInf, false},
        {DVec2{{1.0, 0.0}}, DVec2{{1.0, 0.0}}, -0.0, true},
        {DVec2{{1.0, 0.0}}, DVec2{{1.0, 0.0}}, -1.0, false},
        {DVec2{{1.0, 0.0}}, DVec2{{1.0, 0.0}}, kNaN, false},
    };
    for (const auto& c : cases) EXPECT_EQ(abs_diff_eq(c.a, c.b, c.tol), c.want) << c.tol;
}

TEST(VecComponents, ExtendAndTruncate) {
    EXPECT_TRUE(same_bits(extend(DVec2{{1.0, 2.0}}, -0.0), DVec3{{1.0, 2.0, -0.0}}));
    EXPECT_TRUE(same_bits(truncate(DVec4{{1.0, 2.0, 3.0, 4.0}}), DVec3{{1.0, 2.0, 3.0}}));
}
