// Geometric operations shared by the three vector sizes: dot products, lengths, the normalisation
// family, length clamps, interpolation, projection, reflection and refraction.
// Each product, sum and quotient is rounded on its own, in the written order, so results are
// reproducible bit for bit.
#pragma once

#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>

#include "algebra/vec.hpp"

namespace quorix {

// Summed left to right in component order: ((x*x' + y*y') + z*z') + w*w'.
template <std::size_t N>
constexpr double dot(const Vec<N>& a, const Vec<N>& b) {
    double s = a.v[0] * b.v[0];
    for (std::size_t i = 1; i < N; ++i) s = s + a.v[i] * b.v[i];
    return s;
}

template <std::size_t N> constexpr double length_squared(const Vec<N>& a) { return dot(a, a); }
// No scaling against overflow: a squared length beyond the double range gives inf.
template <std::size_t N> inline double length(const Vec<N>& a) { return std::sqrt(dot(a, a)); }
template <std::size_t N> inline double length_recip(const Vec<N>& a) { return 1.0 / std::sqrt(dot(a, a)); }
template <std::size_t N> inline double distance(const Vec<N>& a, const Vec<N>& b) { return length(a - b); }
template <std::size_t N> constexpr double distance_squared(const Vec<N>& a, const Vec<N>& b) { return length_squared(a - b); }

// k times every component, the scalar on the left of each product.
template <std::size_t N>
constexpr Vec<N> scale(double k, const Vec<N>& a) {
    return a.map([k](double c) { return k * c; });
}

// Unchecked: a zero vector gives NaNs, an overflowing one zeros.
template <std::size_t N> inline Vec<N> normalize(const Vec<N>& a) { return scale(1.0 / length(a), a); }

// The reciprocal length when it is a usable scale (finite and positive), else nothing: fails for a
// zero vector, an overflowing squared length and any NaN component.
template <std::size_t N>
inline std::optional<double> usable_length_recip(const Vec<N>& a) {
    const double r = 1.0 / length(a);
    if (std::isfinite(r) && r > 0.0) return r;
    return std::nullopt;
}

template <std::size_t N>
inline std::optional<Vec<N>> try_normalize(const Vec<N>& a) {
    if (auto r = usable_length_recip(a)) return scale(*r, a);
    return std::nullopt;
}

template <std::size_t N>
inline Vec<N> normalize_or(const Vec<N>& a, const Vec<N>& fallback) {
    if (auto r = usable_length_recip(a)) return scale(*r, a);
    return fallback;
}

template <std::size_t N> inline Vec<N> normalize_or_zero(const Vec<N>& a) { return normalize_or(a, Vec<N>{}); }

// (unit vector, length); (X, 0.0) when the vector cannot be normalised.
template <std::size_t N>
inline std::pair<Vec<N>, double> normalize_and_length(const Vec<N>& a) {
    const double len = length(a);
    const double r = 1.0 / len;
    if (std::isfinite(r) && r > 0.0) return {scale(r, a), len};
    return {Vec<N>::axis(0), 0.0};
}

template <std::size_t N>
inline bool is_normalized(const Vec<N>& a) {
    return std::fabs(dot(a, a) + (-1.0)) <= 2e-4;
}

// Scales v to the length bound when its squared length lies beyond the bound's square. The bounds
// are not checked: the lower one is tested first, and a negative bound scales by its signed value.
template <std::size_t N>
inline Vec<N> clamp_length(const Vec<N>& a, double min, double max) {
    const double q = dot(a, a);
    if (q < min * min) return scale(min, a / std::sqrt(q));
    if (q > max * max) return scale(max, a / std::sqrt(q));
    return a;
}

template <std::size_t N>
inline Vec<N> clamp_length_max(const Vec<N>& a, double max) {
    const double q = dot(a, a);
    if (q > max * max) return scale(max, a / std::sqrt(q));
    return a;
}

template <std::size_t N>
inline Vec<N> clamp_length_min(const Vec<N>& a, double min) {
    const double q = dot(a, a);
    if (q < min * min) return scale(min, a / std::sqrt(q));
    return a;
}

// rhs*s + (1 - s)*v per component; s outside [0, 1] extrapolates.
template <std::size_t N>
constexpr Vec<N> lerp(const Vec<N>& a, const Vec<N>& rhs, double s) {
    return a.zip(rhs, [s](double c, double r) { return r * s + (1.0 - s) * c; });
}

template <std::size_t N>
inline Vec<N> move_towards(const Vec<N>& a, const Vec<N>& rhs, double d) {
    const Vec<N> delta = rhs - a;
    const double len = length(delta);
    if (len <= d || len <= 1e-4) return rhs;
    return a.zip(delta, [d, len](double c, double e) { return c + d * (e / len); });
}

template <std::size_t N>
constexpr Vec<N> midpoint(const Vec<N>& a, const Vec<N>& rhs) {
    return a.zip(rhs, [](double c, double r) { return (c + r) * 0.5; });
}

template <std::size_t N>
constexpr Vec<N> project_onto(const Vec<N>& a, const Vec<N>& rhs) {
    const double t = dot(a, rhs);
    const double r = 1.0 / dot(rhs, rhs);
    return rhs.map([t, r](double q) { return r * (q * t); });
}

template <std::size_t N>
constexpr Vec<N> reject_from(const Vec<N>& a, const Vec<N>& rhs) {
    const double t = dot(a, rhs);
    const double r = 1.0 / dot(rhs, rhs);
    return a.zip(rhs, [t, r](double c, double q) { return c - r * (q * t); });
}

// rhs is taken as a unit vector without a check.
template <std::size_t N>
constexpr Vec<N> project_onto_normalized(const Vec<N>& a, const Vec<N>& rhs) {
    const double t = dot(a, rhs);
    return rhs.map([t](double q) { return q * t; });
}

template <std::size_t N>
constexpr Vec<N> reject_from_normalized(const Vec<N>& a, const Vec<N>& rhs) {
    const double t = dot(a, rhs);
    return a.zip(rhs, [t](double c, double q) { return c - q * t; });
}

template <std::size_t N>
constexpr Vec<N> reflect(const Vec<N>& a, const Vec<N>& normal) {
    const double t = dot(a, normal);
    return a.zip(normal, [t](double c, double n) { return c - n * (t + t); });
}

// Total internal reflection (k < 0) and a NaN k give the zero vector.
template <std::size_t N>
inline Vec<N> refract(const Vec<N>& a, const Vec<N>& normal, double eta) {
    const double t = dot(normal, a);
    const double k = 1.0 - (eta * eta) * (1.0 - t * t);
    if (!(k >= 0.0)) return Vec<N>{};
    const double along = eta * t + std::sqrt(k);
    return a.zip(normal, [eta, along](double c, double n) { return eta * c - n * along; });
}

}  // namespace quorix
