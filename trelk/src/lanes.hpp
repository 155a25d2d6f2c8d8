// Formulas written once for a single float and for four lanes. `T` is float or simd::F32x4; the
// overloads below give both the same spelling, so the lane path and the scalar tail compute the
// same expression in the same order (and so give the same bits per lane).
//
// Scans over plane and vertex lists take eight items per step as two four-lane halves (the first
// half's answer returns before the second is computed), then the remaining items one at a time.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <type_traits>

#include "math.hpp"
#include "plane/infinite.hpp"
#include "simd/f32x4.hpp"

namespace trelk::lanes {

using simd::F32x4;
using simd::Mask4;

template <class T>
T lit(float x) {
    if constexpr (std::is_same_v<T, float>)
        return x;
    else
        return T::splat(x);
}

// NaN-ignoring min and max, absolute value and square root for single floats.
inline float min(float a, float b) { return min_num(a, b); }
inline float max(float a, float b) { return max_num(a, b); }
inline float abs(float a) { return std::fabs(a); }
inline float sqrt(float a) { return std::sqrt(a); }
inline bool lt(float a, float b) { return a < b; }
inline bool le(float a, float b) { return a <= b; }
inline bool gt(float a, float b) { return a > b; }
inline bool ge(float a, float b) { return a >= b; }
using simd::native::abs;
using simd::native::ge;
using simd::native::gt;
using simd::native::le;
using simd::native::lt;
using simd::native::max;
using simd::native::min;
using simd::native::sqrt;

// A vector with one lane type per component.
template <class T>
struct V3 {
    T x, y, z;
};

template <class T>
V3<T> splat3(Vec3 v) {
    return {lit<T>(v.x), lit<T>(v.y), lit<T>(v.z)};
}
template <class T>
T dot(V3<T> a, V3<T> b) {
    return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

// Four planes side by side, from planes[0..3].
struct PlaneLanes {
    V3<F32x4> normal;
    F32x4 d;
};
inline PlaneLanes load_planes(const Plane* p) {
    return {{F32x4::set(p[0].normal.x, p[1].normal.x, p[2].normal.x, p[3].normal.x),
             F32x4::set(p[0].normal.y, p[1].normal.y, p[2].normal.y, p[3].normal.y),
             F32x4::set(p[0].normal.z, p[1].normal.z, p[2].normal.z, p[3].normal.z)},
            F32x4::set(p[0].d, p[1].d, p[2].d, p[3].d)};
}

// True as soon as `separates(normal, d)` holds for some plane. The functor is called with
// (V3<float>, float) -> bool and with (V3<F32x4>, F32x4) -> Mask4.
template <class Separates>
bool any_plane(std::span<const Plane> planes, const Separates& separates) {
    std::size_t i = 0;
    const std::size_t n = planes.size();
    for (; i + 8 <= n; i += 8) {
        PlaneLanes lo = load_planes(&planes[i]);
        if (simd::native::any(separates(lo.normal, lo.d))) return true;
        PlaneLanes hi = load_planes(&planes[i + 4]);
        if (simd::native::any(separates(hi.normal, hi.d))) return true;
    }
    for (; i < n; ++i) {
        const Plane& p = planes[i];
        if (separates(V3<float>{p.normal.x, p.normal.y, p.normal.z}, p.d)) return true;
    }
    return false;
}

inline V3<F32x4> load_points(const Vec3* p) {
    return {F32x4::set(p[0].x, p[1].x, p[2].x, p[3].x), F32x4::set(p[0].y, p[1].y, p[2].y, p[3].y),
            F32x4::set(p[0].z, p[1].z, p[2].z, p[3].z)};
}

// Smallest and largest axis . p over the points (NaN projections ignored), starting from the
// given values, which an empty list returns unchanged.
struct Range {
    float min, max;
};
inline Range projection_range(std::span<const Vec3> points, Vec3 axis, Range start) {
    const V3<F32x4> a = splat3<F32x4>(axis);
    F32x4 lo = F32x4::splat(start.min), hi = F32x4::splat(start.max);
    std::size_t i = 0;
    const std::size_t n = points.size();
    for (; i + 8 <= n; i += 8) {
        F32x4 p0 = lanes::dot(load_points(&points[i]), a), p1 = lanes::dot(load_points(&points[i + 4]), a);
        lo = min(lo, min(p0, p1));
        hi = max(hi, max(p0, p1));
    }
    Range r{simd::native::hmin(lo), simd::native::hmax(hi)};
    for (; i < n; ++i) {
        float p = trelk::dot(points[i], axis);
        r.min = min_num(r.min, p);
        r.max = max_num(r.max, p);
    }
    return r;
}

// Smallest axis . p over the points (NaN projections ignored), from `start`.
inline float projection_min(std::span<const Vec3> points, Vec3 axis, float start) {
    const V3<F32x4> a = splat3<F32x4>(axis);
    F32x4 lo = F32x4::splat(start);
    std::size_t i = 0;
    const std::size_t n = points.size();
    for (; i + 8 <= n; i += 8) {
        F32x4 p0 = lanes::dot(load_points(&points[i]), a), p1 = lanes::dot(load_points(&points[i + 4]), a);
        lo = min(lo, min(p0, p1));
    }
    float m = simd::native::hmin(lo);
    for (; i < n; ++i) m = min_num(m, trelk::dot(points[i], axis));
    return m;
}

}  // namespace trelk::lanes
