// Bit-exact comparison of doubles and vectors for the vector tests.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "algebra/vec.hpp"

namespace vec_test {

inline double from_bits(std::uint64_t b) { return std::bit_cast<double>(b); }
inline std::uint64_t to_bits(double d) { return std::bit_cast<std::uint64_t>(d); }

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Expected-value marker: any NaN is accepted where the result's NaN bits are not fixed.
inline const double kAnyNaN = from_bits(0x7FF4000000000001u);

inline std::string describe(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%a (0x%016llX)", d, static_cast<unsigned long long>(to_bits(d)));
    return buf;
}

inline bool same(double got, double want) {
    if (to_bits(want) == to_bits(kAnyNaN)) return std::isnan(got);
    return to_bits(got) == to_bits(want);
}

inline ::testing::AssertionResult same_bits(double got, double want) {
    if (same(got, want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << describe(got) << ", want " << describe(want);
}

template <std::size_t N>
::testing::AssertionResult same_bits(const quorix::Vec<N>& got, const quorix::Vec<N>& want) {
    for (std::size_t i = 0; i < N; ++i)
        if (!same(got.v[i], want.v[i]))
            return ::testing::AssertionFailure()
                   << "component " << i << ": got " << describe(got.v[i]) << ", want " << describe(want.v[i]);
    return ::testing::AssertionSuccess();
}

// One row of a table: what the code computed and what the formulas give.
template <class T>
struct Row {
    const char* what;
    T got;
    T want;
};

template <class T, std::size_t K>
void check_rows(const Row<T> (&rows)[K]) {
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_TRUE(same_bits(r.got, r.want));
    }
}

}  // namespace vec_test
