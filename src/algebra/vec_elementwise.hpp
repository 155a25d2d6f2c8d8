// Element-wise operations shared by the three vector sizes: rounding and sign, elementary
// functions, selection and clamping, Euclidean division, the fused multiply-add and reductions.
// Selections are compare-and-select (one ordered comparison, then one operand whole), so where a NaN
// stands decides the result; only `saturate` uses the IEEE maxNum/minNum operations.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "algebra/vec.hpp"

namespace quorix {

// 1.0 carrying the sign bit of c; any NaN gives the default quiet NaN.
inline double signum(double c) {
    return std::isnan(c) ? std::numeric_limits<double>::quiet_NaN() : std::copysign(1.0, c);
}

// IEEE maxNum/minNum: a NaN operand yields the other one; +0.0 counts as larger than -0.0.
inline double max_num(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? b : a;
    return a > b ? a : b;
}
inline double min_num(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? a : b;
    return a < b ? a : b;
}

inline double select_min(double c, double r) { return c < r ? c : r; }
inline double select_max(double c, double r) { return c > r ? c : r; }

// trunc(c / r), one step towards -inf (r > 0) or +inf (otherwise) when fmod(c, r) is negative.
inline double div_euclid(double c, double r) {
    const double q = std::trunc(c / r);
    if (std::fmod(c, r) < 0.0) return r > 0.0 ? q - 1.0 : q + 1.0;
    return q;
}

// fmod(c, r) moved into [0, |r|].
inline double rem_euclid(double c, double r) {
    const double m = std::fmod(c, r);
    return m < 0.0 ? std::fabs(r) + m : m;
}

template <std::size_t N> inline Vec<N> abs(const Vec<N>& a) { return a.map([](double c) { return std::fabs(c); }); }
template <std::size_t N> inline Vec<N> signum(const Vec<N>& a) { return a.map([](double c) { return signum(c); }); }
template <std::size_t N> inline Vec<N> floor(const Vec<N>& a) { return a.map([](double c) { return std::floor(c); }); }
template <std::size_t N> inline Vec<N> ceil(const Vec<N>& a) { return a.map([](double c) { return std::ceil(c); }); }
// Halfway cases away from zero: 2.5 -> 3.0.
template <std::size_t N> inline Vec<N> round(const Vec<N>& a) { return a.map([](double c) { return std::round(c); }); }
template <std::size_t N> inline Vec<N> trunc(const Vec<N>& a) { return a.map([](double c) { return std::trunc(c); }); }
template <std::size_t N> inline Vec<N> fract(const Vec<N>& a) { return a.map([](double c) { return c - std::trunc(c); }); }
// The GLSL form: c - floor(c), in [0, 1] (a tiny negative c rounds to exactly 1.0).
template <std::size_t N> inline Vec<N> fract_gl(const Vec<N>& a) { return a.map([](double c) { return c - std::floor(c); }); }
template <std::size_t N> inline Vec<N> exp(const Vec<N>& a) { return a.map([](double c) { return std::exp(c); }); }
template <std::size_t N> inline Vec<N> exp2(const Vec<N>& a) { return a.map([](double c) { return std::exp2(c); }); }
template <std::size_t N> inline Vec<N> ln(const Vec<N>& a) { return a.map([](double c) { return std::log(c); }); }
template <std::size_t N> inline Vec<N> log2(const Vec<N>& a) { return a.map([](double c) { return std::log2(c); }); }
template <std::size_t N> inline Vec<N> sqrt(const Vec<N>& a) { return a.map([](double c) { return std::sqrt(c); }); }
template <std::size_t N> inline Vec<N> recip(const Vec<N>& a) { return a.map([](double c) { return 1.0 / c; }); }
template <std::size_t N> inline Vec<N> sin(const Vec<N>& a) { return a.map([](double c) { return std::sin(c); }); }
template <std::size_t N> inline Vec<N> cos(const Vec<N>& a) { return a.map([](double c) { return std::cos(c); }); }

// (sines, cosines).
template <std::size_t N>
inline std::pair<Vec<N>, Vec<N>> sin_cos(const Vec<N>& a) {
    std::pair<Vec<N>, Vec<N>> r{};
    for (std::size_t i = 0; i < N; ++i) {
        r.first.v[i] = std::sin(a.v[i]);
        r.second.v[i] = std::cos(a.v[i]);
    }
    return r;
}

// maxNum with 0.0, then minNum with 1.0: NaN gives 0.0, -0.0 gives +0.0.
template <std::size_t N>
inline Vec<N> saturate(const Vec<N>& a) {
    return a.map([](double c) { return min_num(max_num(c, 0.0), 1.0); });
}

template <std::size_t N>
inline Vec<N> powf(const Vec<N>& a, double n) {
    return a.map([n](double c) { return std::pow(c, n); });
}

// Magnitude of a, sign bit of rhs (also a NaN's or a zero's sign bit).
template <std::size_t N>
inline Vec<N> copysign(const Vec<N>& a, const Vec<N>& rhs) {
    return a.zip(rhs, [](double c, double r) { return std::copysign(c, r); });
}

// c * m + s with a single rounding.
template <std::size_t N>
inline Vec<N> mul_add(const Vec<N>& a, const Vec<N>& m, const Vec<N>& s) {
    Vec<N> r{};
    for (std::size_t i = 0; i < N; ++i) r.v[i] = std::fma(a.v[i], m.v[i], s.v[i]);
    return r;
}

// 0.0 where rhs < c, else 1.0 (so a NaN on either side gives 1.0).
template <std::size_t N>
constexpr Vec<N> step(const Vec<N>& a, const Vec<N>& rhs) {
    return a.zip(rhs, [](double c, double r) { return r < c ? 0.0 : 1.0; });
}

template <std::size_t N>
inline Vec<N> div_euclid(const Vec<N>& a, const Vec<N>& rhs) {
    return a.zip(rhs, [](double c, double r) { return div_euclid(c, r); });
}

template <std::size_t N>
inline Vec<N> rem_euclid(const Vec<N>& a, const Vec<N>& rhs) {
    return a.zip(rhs, [](double c, double r) { return rem_euclid(c, r); });
}

// c when c < r, else r: a NaN receiver component yields r, a NaN r yields NaN.
template <std::size_t N>
constexpr Vec<N> min(const Vec<N>& a, const Vec<N>& rhs) {
    return a.zip(rhs, [](double c, double r) { return select_min(c, r); });
}

template <std::size_t N>
constexpr Vec<N> max(const Vec<N>& a, const Vec<N>& rhs) {
    return a.zip(rhs, [](double c, double r) { return select_max(c, r); });
}

// Raised to lo, then lowered to hi; lo <= hi is not required (where lo > hi the result is hi).
template <std::size_t N>
constexpr Vec<N> clamp(const Vec<N>& a, const Vec<N>& lo, const Vec<N>& hi) {
    Vec<N> r{};
    for (std::size_t i = 0; i < N; ++i) r.v[i] = select_min(select_max(a.v[i], lo.v[i]), hi.v[i]);
    return r;
}

// The selection chained from the right: s(x, s(y, s(z, w))).
template <std::size_t N>
constexpr double min_element(const Vec<N>& a) {
    double acc = a.v[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) acc = select_min(a.v[i], acc);
    return acc;
}

template <std::size_t N>
constexpr double max_element(const Vec<N>& a) {
    double acc = a.v[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) acc = select_max(a.v[i], acc);
    return acc;
}

// Index of the first best component: a later one wins only when `better(candidate, best)` holds,
// so ties keep the lowest index and a NaN never wins (a NaN x is never beaten). Two-component
// vectors make a single comparison instead, whose false outcome (NaN included) gives 1.
template <std::size_t N, class Better, class BetterOrEqual>
constexpr std::size_t best_position(const Vec<N>& a, Better better, BetterOrEqual better_or_equal) {
    if constexpr (N == 2) {
        return better_or_equal(a.v[0], a.v[1]) ? 0 : 1;
    } else {
        std::size_t best = 0;
        for (std::size_t i = 1; i < N; ++i)
            if (better(a.v[i], a.v[best])) best = i;
        return best;
    }
}

template <std::size_t N>
constexpr std::size_t min_position(const Vec<N>& a) {
    return best_position(a, [](double p, double q) { return p < q; }, [](double p, double q) { return p <= q; });
}

template <std::size_t N>
constexpr std::size_t max_position(const Vec<N>& a) {
    return best_position(a, [](double p, double q) { return p > q; }, [](double p, double q) { return p >= q; });
}

// Left to right, no compensation.
template <std::size_t N>
constexpr double element_sum(const Vec<N>& a) {
    double s = a.v[0];
    for (std::size_t i = 1; i < N; ++i) s = s + a.v[i];
    return s;
}

template <std::size_t N>
constexpr double element_product(const Vec<N>& a) {
    double p = a.v[0];
    for (std::size_t i = 1; i < N; ++i) p = p * a.v[i];
    return p;
}

}  // namespace quorix
