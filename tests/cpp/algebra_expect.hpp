// Comparisons of algebra values for the tests: bit patterns (signed zeros, NaN) and tolerances.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstddef>
#include <limits>

#include "algebra/vec.hpp"

namespace quorix::testing {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInf = std::numeric_limits<double>::infinity();

// Same value and sign for numbers (so -0.0 differs from 0.0), any NaN matching any NaN.
inline bool same(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

template <std::size_t K>
::testing::AssertionResult all_same(const std::array<double, K>& got, const std::array<double, K>& want) {
    for (std::size_t i = 0; i < K; ++i)
        if (!same(got[i], want[i]))
            return ::testing::AssertionFailure()
                   << "component " << i << ": got " << got[i] << " (signbit " << std::signbit(got[i])
                   << "), want " << want[i];
    return ::testing::AssertionSuccess();
}

template <std::size_t K>
::testing::AssertionResult all_near(const std::array<double, K>& got, const std::array<double, K>& want,
                                    double tol) {
    for (std::size_t i = 0; i < K; ++i)
        if (!(std::fabs(got[i] - want[i]) <= tol))
            return ::testing::AssertionFailure() << "component " << i << ": got " << got[i] << ", want " << want[i];
    return ::testing::AssertionSuccess();
}

template <std::size_t N>
std::array<double, N> arr(const Vec<N>& v) {
    std::array<double, N> a{};
    for (std::size_t i = 0; i < N; ++i) a[i] = v.v[i];
    return a;
}

}  // namespace quorix::testing
