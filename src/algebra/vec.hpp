// Double-precision vectors of two, three and four components: one template for all three.
// Every operation is a separate IEEE 754 rounding in the written order (no FMA).
#pragma once

#include <cmath>
#include <cstddef>

namespace quorix {

template <std::size_t N>
struct Vec {
    static_assert(N >= 2 && N <= 4);
    static constexpr std::size_t size = N;
    double v[N];

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

}  // namespace quorix
