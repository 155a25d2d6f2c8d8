// Tests over the flat component list (storage order) shared by quaternions, matrices and affine
// transforms.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>

namespace quorix {

template <std::size_t K>
bool all_finite(const std::array<double, K>& a) {
    for (double c : a)
        if (!std::isfinite(c)) return false;
    return true;
}

template <std::size_t K>
bool any_nan(const std::array<double, K>& a) {
    for (double c : a)
        if (std::isnan(c)) return true;
    return false;
}

// True when every pair differs by at most the tolerance; a NaN difference fails.
template <std::size_t K>
bool all_abs_diff_le(const std::array<double, K>& a, const std::array<double, K>& b, double max_abs_diff) {
    for (std::size_t i = 0; i < K; ++i)
        if (!(std::fabs(a[i] - b[i]) <= max_abs_diff)) return false;
    return true;
}

}  // namespace quorix
