// Double-precision vectors of two, three and four components: one template for all three.
// Every operation is a separate IEEE 754 rounding in the written order (no FMA).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace quorix {

// The double nearest to pi.
inline constexpr double kPi = 3.141592653589793;

template <std::size_t N>
struct Vec {
    static_assert(N >= 2 && N <= 4);
    static constexpr std::size_t size = N;
    static constexpr std::size_t component_count = N;
    double v[N];

    // The components in storage order, as the flat forms (lists, JSON, dictionaries) take them.
    constexpr std::array<double, N> to_array() const {
        std::array<double, N> a{};
        for (std::size_t i = 0; i < N; ++i) a[i] = v[i];
        return a;
    }
    static constexpr Vec from_array(const std::array<double, N>& a) {
        Vec r{};
        for (std::size_t i = 0; i < N; ++i) r.v[i] = a[i];
        return r;
    }

    constexpr double& operator[](std::size_t i) { return v[i]; }
    constexpr double operator[](std::size_t i) const { return v[i]; }

    constexpr double x() const { return v[0]; }
    constexpr double y() const { return v[1]; }
    constexpr double z() const requires(N >= 3) { return v[2]; }
    constexpr double w() const requires(N >= 4) { return v[3]; }

    static constexpr Vec splat(double s) {
        Vec r{};
        for (std::size_t i = 0; i < N; ++i) r.v[i] = s;
        return r;
    }

    // `value` on one axis, +0.0 elsewhere: axis(0) is X, axis(0, -1.0) is NEG_X (not -X, whose
    // zeros would be negative).
    static constexpr Vec axis(std::size_t i, double value = 1.0) {
        Vec r{};
        r.v[i] = value;
        return r;
    }

    // Copy with one component replaced (with_x, with_y, ...).
    constexpr Vec with(std::size_t i, double value) const {
        Vec r = *this;
        r.v[i] = value;
        return r;
    }

    // Component-wise map of one or two vectors.
    template <class F>
    constexpr Vec map(F f) const {
        Vec r{};
        for (std::size_t i = 0; i < N; ++i) r.v[i] = f(v[i]);
        return r;
    }
    template <class F>
    constexpr Vec zip(const Vec& o, F f) const {
        Vec r{};
        for (std::size_t i = 0; i < N; ++i) r.v[i] = f(v[i], o.v[i]);
        return r;
    }
};

// The class constants of one vector size, in class order: ZERO, ONE, NEG_ONE, the axes X, Y, Z, W,
// their negatives, INFINITY, NEG_INFINITY, NAN (the default quiet NaN 0x7FF8000000000000).
template <std::size_t N>
struct VecConstant {
    const char* name;
    Vec<N> value;
};

template <std::size_t N>
constexpr std::array<VecConstant<N>, 6 + 2 * N> vec_constants() {
    constexpr const char* axes[] = {"X", "Y", "Z", "W"};
    constexpr const char* neg_axes[] = {"NEG_X", "NEG_Y", "NEG_Z", "NEG_W"};
    std::array<VecConstant<N>, 6 + 2 * N> out{};
    std::size_t k = 0;
    out[k++] = {"ZERO", Vec<N>{}};
    out[k++] = {"ONE", Vec<N>::splat(1.0)};
    out[k++] = {"NEG_ONE", Vec<N>::splat(-1.0)};
    for (std::size_t i = 0; i < N; ++i) out[k++] = {axes[i], Vec<N>::axis(i)};
    for (std::size_t i = 0; i < N; ++i) out[k++] = {neg_axes[i], Vec<N>::axis(i, -1.0)};
    out[k++] = {"INFINITY", Vec<N>::splat(std::numeric_limits<double>::infinity())};
    out[k++] = {"NEG_INFINITY", Vec<N>::splat(-std::numeric_limits<double>::infinity())};
    out[k++] = {"NAN", Vec<N>::splat(std::numeric_limits<double>::quiet_NaN())};
    return out;
}

using DVec2 = Vec<2>;
using DVec3 = Vec<3>;
using DVec4 = Vec<4>;

template <std::size_t N> constexpr Vec<N> operator-(const Vec<N>& a) { return a.map([](double c) { return -c; }); }
template <std::size_t N> constexpr Vec<N> operator+(const Vec<N>& a, const Vec<N>& b) { return a.zip(b, [](double p, double q) { return p + q; }); }
template <std::size_t N> constexpr Vec<N> operator-(const Vec<N>& a, const Vec<N>& b) { return a.zip(b, [](double p, double q) { return p - q; }); }
template <std::size_t N> constexpr Vec<N> operator*(const Vec<N>& a, const Vec<N>& b) { return a.zip(b, [](double p, double q) { return p * q; }); }
template <std::size_t N> constexpr Vec<N> operator/(const Vec<N>& a, const Vec<N>& b) { return a.zip(b, [](double p, double q) { return p / q; }); }
template <std::size_t N> constexpr Vec<N> operator+(const Vec<N>& a, double s) { return a.map([s](double c) { return c + s; }); }
template <std::size_t N> constexpr Vec<N> operator-(const Vec<N>& a, double s) { return a.map([s](double c) { return c - s; }); }
template <std::size_t N> constexpr Vec<N> operator*(const Vec<N>& a, double s) { return a.map([s](double c) { return c * s; }); }
template <std::size_t N> constexpr Vec<N> operator/(const Vec<N>& a, double s) { return a.map([s](double c) { return c / s; }); }
template <std::size_t N> constexpr Vec<N> operator-(double s, const Vec<N>& a) { return a.map([s](double c) { return s - c; }); }
template <std::size_t N> constexpr Vec<N> operator/(double s, const Vec<N>& a) { return a.map([s](double c) { return s / c; }); }

// Remainder with the sign of the dividend, as the C library's fmod.
template <std::size_t N> inline Vec<N> fmod(const Vec<N>& a, const Vec<N>& b) { return a.zip(b, [](double p, double q) { return std::fmod(p, q); }); }
template <std::size_t N> inline Vec<N> fmod(const Vec<N>& a, double s) { return a.map([s](double c) { return std::fmod(c, s); }); }

// IEEE equality per component: NaN never equal, 0.0 == -0.0.
template <std::size_t N>
constexpr bool operator==(const Vec<N>& a, const Vec<N>& b) {
    for (std::size_t i = 0; i < N; ++i)
        if (!(a.v[i] == b.v[i])) return false;
    return true;
}

// Every component neither infinite nor NaN.
template <std::size_t N>
inline bool is_finite(const Vec<N>& a) {
    for (std::size_t i = 0; i < N; ++i)
        if (!std::isfinite(a.v[i])) return false;
    return true;
}

template <std::size_t N>
inline bool is_nan(const Vec<N>& a) {
    for (std::size_t i = 0; i < N; ++i)
        if (std::isnan(a.v[i])) return true;
    return false;
}

// |a - b| <= tolerance for every component; a NaN anywhere, a negative tolerance or two equal
// infinities (difference NaN) fail.
template <std::size_t N>
inline bool abs_diff_eq(const Vec<N>& a, const Vec<N>& b, double max_abs_diff) {
    for (std::size_t i = 0; i < N; ++i)
        if (!(std::fabs(a.v[i] - b.v[i]) <= max_abs_diff)) return false;
    return true;
}

// One more component appended (Vec2 -> Vec3, Vec3 -> Vec4).
template <std::size_t N>
    requires(N <= 3)
constexpr Vec<N + 1> extend(const Vec<N>& a, double last) {
    Vec<N + 1> r{};
    for (std::size_t i = 0; i < N; ++i) r.v[i] = a.v[i];
    r.v[N] = last;
    return r;
}

// The last component dropped (Vec4 -> Vec3, Vec3 -> Vec2).
template <std::size_t N>
    requires(N >= 3)
constexpr Vec<N - 1> truncate(const Vec<N>& a) {
    Vec<N - 1> r{};
    for (std::size_t i = 0; i + 1 < N; ++i) r.v[i] = a.v[i];
    return r;
}

}  // namespace quorix
