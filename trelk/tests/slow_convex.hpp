// Slow double-precision distances between convex sets, written independently of the library: each
// set is a support function plus a rounding radius, and the distance comes from a GJK iteration
// whose simplex step tries every face of the current simplex. It returns bounds on the distance:
// `hi` from the nearest point found, `lo` from the best separating direction seen.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "double_vec.hpp"
#include "trelk.hpp"

namespace slow {

using P = dvec::D3;
using dvec::cross;
using dvec::dot;
using dvec::norm;

// The points within `radius` of the convex set whose farthest point in direction d is support(d).
struct Convex {
    std::function<P(P)> support;
    double radius = 0;
};

inline Convex hull(std::vector<P> pts, double radius = 0) {
    return {[pts](P d) {
                return *std::max_element(pts.begin(), pts.end(),
                                         [&](P a, P b) { return dot(a, d) < dot(b, d); });
            },
            radius};
}
inline Convex segment(P a, P b, double radius = 0) { return hull({a, b}, radius); }
inline Convex box(P center, const P (&axes)[3], P half) {
    return {[=](P d) {
                P s = center;
                const double h[3] = {half.x, half.y, half.z};
                for (int i = 0; i < 3; ++i) s = s + axes[i] * (dot(d, axes[i]) >= 0 ? h[i] : -h[i]);
                return s;
            },
            0};
}
// Flat-capped cylinder around the segment a..b.
inline Convex cylinder(P a, P b, double radius) {
    P axis = b - a;
    P unit = axis * (1 / norm(axis));
    return {[=](P d) {
                P end = dot(d, axis) >= 0 ? b : a;
                // Twice projected: for d almost along the axis the first pass leaves rounding
                // noise that is not perpendicular to it.
                P across = d - unit * dot(d, unit);
                across = across - unit * dot(across, unit);
                double l = norm(across);
                return l > 1e-12 * norm(d) ? end + across * (radius / l) : end;
            },
            0};
}

struct Bounds {
    double lo, hi;
};

namespace detail {

// Nearest point to the origin of the hull of w, and the smallest subset holding it.
inline P nearest_on_simplex(std::vector<P>& w) {
    const int n = int(w.size());
    P best;
    double best_sq = INFINITY;
    int best_mask = 1;
    for (int mask = 1; mask < (1 << n); ++mask) {
        std::vector<P> s;
        for (int i = 0; i < n; ++i)
            if (mask >> i & 1) s.push_back(w[i]);
        // Affine minimiser: y0 + sum mu_j (y_j - y0), from the normal equations.
        const int k = int(s.size()) - 1;
        double g[3][4] = {}, scale = 0;
        for (int i = 0; i < k; ++i) {
            for (int j = 0; j < k; ++j) g[i][j] = dot(s[i + 1] - s[0], s[j + 1] - s[0]);
            g[i][k] = -dot(s[i + 1] - s[0], s[0]);
            scale = std::max(scale, g[i][i]);
        }
        bool singular = false;
        for (int c = 0; c < k && !singular; ++c) {  // Gauss-Jordan with partial pivoting
            int piv = c;
            for (int r = c + 1; r < k; ++r)
                if (std::fabs(g[r][c]) > std::fabs(g[piv][c])) piv = r;
            std::swap(g[c], g[piv]);
            if (std::fabs(g[c][c]) <= 1e-12 * scale) singular = true;
            for (int r = 0; r < k && !singular; ++r)
                if (r != c) {
                    double f = g[r][c] / g[c][c];
                    for (int q = c; q <= k; ++q) g[r][q] -= f * g[c][q];
                }
        }
        if (singular) continue;
        double lambda0 = 1;
        P x = s[0];
        bool inside = true;
        for (int j = 0; j < k; ++j) {
            double mu = g[j][k] / g[j][j];
            inside = inside && mu >= -1e-12;
            lambda0 -= mu;
            x = x + (s[j + 1] - s[0]) * mu;
        }
        if (!inside || lambda0 < -1e-12) continue;
        if (dot(x, x) < best_sq) best_sq = dot(x, x), best = x, best_mask = mask;
    }
    std::vector<P> kept;
    for (int i = 0; i < n; ++i)
        if (best_mask >> i & 1) kept.push_back(w[i]);
    w = kept;
    return best;
}

}  // namespace detail

// Bounds on the distance between a and b (0 when they meet).
inline Bounds distance(const Convex& a, const Convex& b) {
    auto support = [&](P d) { return a.support(d) - b.support(-d); };
    std::vector<P> w;
    P v = support({1, 0.5, 0.25});
    double lo = 0;
    for (int step = 0; step < 200; ++step) {
        double vv = dot(v, v);
        if (vv < 1e-26) break;
        P s = support(-v);
        lo = std::max(lo, dot(v, s) / std::sqrt(vv));
        if (vv - dot(v, s) <= 1e-13 * vv) break;
        w.push_back(s);
        v = detail::nearest_on_simplex(w);
        if (w.size() == 4) {  // the origin lies inside a tetrahedron of the difference
            v = {};
            break;
        }
    }
    double r = a.radius + b.radius;
    // lo rests on support values alone; a simplex step spoilt by rounding cannot undercut it.
    return {std::max(lo - r, 0.0), std::max(std::max(norm(v), lo) - r, 0.0)};
}

}  // namespace slow
