#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/fault.hpp"
#include "support/float_text.hpp"

using quorix::debug_text;
using quorix::plain_text;

struct TextCase {
    double value;
    const char* plain;
    const char* debug;
};

class FloatText : public ::testing::TestWithParam<TextCase> {};

TEST_P(FloatText, PlainAndDebugForms) {
    EXPECT_EQ(plain_text(GetParam().value), GetParam().plain);
    EXPECT_EQ(debug_text(GetParam().value), GetParam().debug);
}

constexpr double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Examples, FloatText,
    ::testing::Values(TextCase{1.0, "1", "1.0"}, TextCase{-0.0, "-0", "-0.0"}, TextCase{0.0, "0", "0.0"},
                      TextCase{0.1, "0.1", "0.1"}, TextCase{1.5, "1.5", "1.5"},
                      TextCase{1e20, "100000000000000000000", "1e20"},
                      TextCase{1e23, "100000000000000000000000", "1e23"},
                      TextCase{1e-7, "0.0000001", "1e-7"}, TextCase{1.5e-7, "0.00000015", "1.5e-7"},
                      TextCase{1e-4, "0.0001", "0.0001"}, TextCase{9.99e-5, "0.0000999", "9.99e-5"},
                      TextCase{1e16, "10000000000000000", "1e16"},
                      TextCase{9999999999999998.0, "9999999999999998", "9999999999999998.0"},
                      TextCase{123.456, "123.456", "123.456"}, TextCase{-2.5, "-2.5", "-2.5"},
                      TextCase{inf, "inf", "inf"}, TextCase{-inf, "-inf", "-inf"},
                      TextCase{std::nan(""), "NaN", "NaN"}, TextCase{-std::nan(""), "NaN", "NaN"}));

TEST(FloatText, SmallestSubnormal) {
    EXPECT_EQ(plain_text(5e-324), "0." + std::string(323, '0') + "5");
    EXPECT_EQ(debug_text(5e-324), "5e-324");
}

TEST(FloatText, SinglePrecisionUsesItsOwnShortestDigits) {
    std::string s;
    quorix::append_plain(s, 0.1f);
    EXPECT_EQ(s, "0.1");
    EXPECT_EQ(debug_text(1.0f), "1.0");
    EXPECT_EQ(debug_text(3.4028235e38f), "3.4028235e38");
}

TEST(Fault, ClampMessageUsesDebugForm) {
    try {
        quorix::checked_clamp(0.5, std::nan(""), std::nan(""));
        FAIL();
    } catch (const quorix::Fault& f) {
        EXPECT_STREQ(f.what(), "min > max, or either was NaN. min = NaN, max = NaN");
    }
    try {
        quorix::checked_clamp(0.5f, 1.0f, 0.0f);
        FAIL();
    } catch (const quorix::Fault& f) {
        EXPECT_STREQ(f.what(), "min > max, or either was NaN. min = 1.0, max = 0.0");
    }
    EXPECT_TRUE(std::isnan(quorix::checked_clamp(std::nan(""), 0.0, 1.0)));
    EXPECT_EQ(quorix::checked_clamp(-2.0, -1.0, 1.0), -1.0);
}
