// Slow double-precision references for the pair tests, written without the library's routines:
// convex one-dimensional minimisation by golden-section search, alternating projections between
// convex sets with a separating-plane lower bound.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "double_vec.hpp"
#include "math.hpp"

namespace ref {

using dvec::D3;
using dvec::dot;
using dvec::norm;

// Minimum of a convex function on [lo, hi].
inline double convex_min(const std::function<double(double)>& f, double lo, double hi) {
    const double g = (std::sqrt(5.0) - 1) / 2;
    double a = lo, b = hi;
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = f(c), fd = f(d);
    for (int i = 0; i < 200 && b - a > 1e-15 * (1 + std::fabs(a) + std::fabs(b)); ++i) {
        if (fc < fd) {
            b = d, d = c, fd = fc, c = b - g * (b - a), fc = f(c);
        } else {
            a = c, c = d, fc = fd, d = a + g * (b - a), fd = f(d);
        }
    }
    return std::min({f(lo), f(hi), fc, fd});
}

// Solid box with orthonormal axes.
struct Box {
    D3 center;
    std::array<D3, 3> axes;
    D3 half;

    D3 project(D3 p) const {
        D3 rel = p - center, out = center;
        for (int i = 0; i < 3; ++i) out = out + axes[i] * std::clamp(dot(rel, axes[i]), -half[i], half[i]);
        return out;
    }
    double dist(D3 p) const { return norm(p - project(p)); }
    // Largest n . x over the box.
    double support(D3 n) const {
        double s = dot(n, center);
        for (int i = 0; i < 3; ++i) s += half[i] * std::fabs(dot(n, axes[i]));
        return s;
    }
};

// Segment p + t d, t in [t0, t1] (finite).
struct Segment {
    D3 p, d;
    double t0 = 0, t1 = 1;

    D3 at(double t) const { return p + d * t; }
    D3 project(D3 q) const {
        double dd = dot(d, d);
        double t = dd > 0 ? dot(q - p, d) / dd : t0;
        return at(std::clamp(t, t0, t1));
    }
    double support(D3 n) const { return std::max(dot(n, at(t0)), dot(n, at(t1))); }
};

// Distance between two convex sets: an upper bound from the pair of points alternating
// projections reach, a lower bound from the plane through that pair's direction.
struct Bounds {
    double upper, lower;
};
template <class A, class B>
Bounds set_distance(const A& a, const B& b, D3 start) {
    D3 pa = a.project(start), pb = b.project(pa);
    for (int i = 0; i < 3000; ++i) {
        D3 na = a.project(pb);
        D3 nb = b.project(na);
        bool still = norm(na - pa) + norm(nb - pb) < 1e-13;
        pa = na, pb = nb;
        if (still) break;
    }
    D3 gap = pb - pa;
    double upper = norm(gap);
    if (upper == 0) return {0, 0};
    D3 n = gap * (1 / upper);
    // Every point x of a has n.x <= support_a(n); every point y of b has n.y >= -support_b(-n).
    double lower = -b.support(n * -1) - a.support(n);
    return {upper, std::max(lower, 0.0)};
}

}  // namespace ref
