// Approximate comparison of stored components: true when every component differs by at most the
// tolerance (a NaN component never does).
#pragma once

#include <cmath>

#include "math.hpp"

namespace trelk {

inline bool abs_diff_eq(float a, float b, float max_abs_diff) {
    return (a > b ? a - b : b - a) <= max_abs_diff;
}

inline bool abs_diff_eq(Vec3 a, Vec3 b, float max_abs_diff) {
    return abs_diff_eq(a.x, b.x, max_abs_diff) && abs_diff_eq(a.y, b.y, max_abs_diff) &&
           abs_diff_eq(a.z, b.z, max_abs_diff);
}

}  // namespace trelk
