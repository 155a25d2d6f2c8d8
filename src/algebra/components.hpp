// Tests over the stored components of any algebra value, taken as a run of doubles.
#pragma once

#include <cmath>
#include <span>

namespace quorix {

// Every |a - b| <= tolerance; a NaN anywhere, a negative tolerance or two equal infinities fail.
inline bool abs_diff_eq(std::span<const double> a, std::span<const double> b, double tolerance) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(std::fabs(a[i] - b[i]) <= tolerance)) return false;
    return true;
}

inline bool all_finite(std::span<const double> a) {
    for (double c : a)
        if (!std::isfinite(c)) return false;
    return true;
}

inline bool any_nan(std::span<const double> a) {
    for (double c : a)
        if (std::isnan(c)) return true;
    return false;
}

}  // namespace quorix
