// Random trelk shapes for the pair benchmarks: generally rotated, never degenerate, centred in a
// cube whose size the caller picks so that about half of the pairs touch.
#pragma once

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "trelk.hpp"

namespace bench {

class RandomShapes {
public:
    explicit RandomShapes(unsigned seed) : rng_(seed) {}

    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
    trelk::Vec3 point(float half_width) {
        return {uniform(-half_width, half_width), uniform(-half_width, half_width), uniform(-half_width, half_width)};
    }

    // A rotation drawn uniformly (normalised Gaussian quaternion), applied to the three world axes.
    std::array<trelk::Vec3, 3> axes() {
        std::normal_distribution<float> g;
        float x = g(rng_), y = g(rng_), z = g(rng_), w = g(rng_);
        float n = 1.0f / std::sqrt(((x * x + y * y) + z * z) + w * w);
        trelk::Quat q{x * n, y * n, z * n, w * n};
        return {q * trelk::Vec3{1, 0, 0}, q * trelk::Vec3{0, 1, 0}, q * trelk::Vec3{0, 0, 1}};
    }
    trelk::Vec3 direction(float lo, float hi) { return axes()[2] * uniform(lo, hi); }

    trelk::Sphere sphere(float spread) { return {point(spread), uniform(0.2f, 1.0f)}; }

    template <class RoundAxis>  // Capsule or Cylinder, centred on the drawn point
    RoundAxis round_axis(float spread) {
        trelk::Vec3 mid = point(spread), dir = direction(0.2f, 2.0f);
        return RoundAxis::make(mid - dir * 0.5f, dir, uniform(0.1f, 0.6f));
    }

    trelk::Cuboid cuboid(float spread) {
        return trelk::Cuboid::make(point(spread), axes(),
                                   {uniform(0.1f, 1.0f), uniform(0.1f, 1.0f), uniform(0.1f, 1.0f)});
    }

    // A box with its eight corners cut off: 14 face planes (unit normals) and its corner points.
    trelk::ConvexPolytope polytope(float spread);

private:
    std::mt19937 rng_;
};

namespace detail {

struct LocalPlane {
    std::array<double, 3> n;
    double d;
};

// Every point where three of the planes meet and that lies inside all of them, without repeats.
inline std::vector<std::array<double, 3>> corner_points(const std::vector<LocalPlane>& planes) {
    std::vector<std::array<double, 3>> out;
    auto crossd = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    auto dotd = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    };
    const size_t n = planes.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            for (size_t k = j + 1; k < n; ++k) {
                const auto &a = planes[i], &b = planes[j], &c = planes[k];
                auto bc = crossd(b.n, c.n), ca = crossd(c.n, a.n), ab = crossd(a.n, b.n);
                double det = dotd(a.n, bc);
                if (std::fabs(det) < 1e-9) continue;
                std::array<double, 3> p;
                for (int m = 0; m < 3; ++m) p[m] = (a.d * bc[m] + b.d * ca[m] + c.d * ab[m]) / det;
                bool inside = true;
                for (const auto& q : planes) inside = inside && dotd(q.n, p) <= q.d + 1e-9;
                bool seen = false;
                for (const auto& o : out)
                    seen = seen || std::fabs(o[0] - p[0]) + std::fabs(o[1] - p[1]) + std::fabs(o[2] - p[2]) < 1e-9;
                if (inside && !seen) out.push_back(p);
            }
    return out;
}

}  // namespace detail

inline trelk::ConvexPolytope RandomShapes::polytope(float spread) {
    double h[3] = {uniform(0.2f, 1.0f), uniform(0.2f, 1.0f), uniform(0.2f, 1.0f)};
    double cut = uniform(0.6f, 0.9f) * (h[0] + h[1] + h[2]);
    std::vector<detail::LocalPlane> local;
    for (int axis = 0; axis < 3; ++axis)
        for (double s : {1.0, -1.0}) {
            detail::LocalPlane p{{0, 0, 0}, h[axis]};
            p.n[axis] = s;
            local.push_back(p);
        }
    const double inv_sqrt3 = 1.0 / std::sqrt(3.0);
    for (double sx : {1.0, -1.0})
        for (double sy : {1.0, -1.0})
            for (double sz : {1.0, -1.0})
                local.push_back({{sx * inv_sqrt3, sy * inv_sqrt3, sz * inv_sqrt3}, cut * inv_sqrt3});

    trelk::Vec3 center = point(spread);
    std::array<trelk::Vec3, 3> ax = axes();
    auto to_world = [&](const std::array<double, 3>& v) {
        return (ax[0] * float(v[0]) + ax[1] * float(v[1])) + ax[2] * float(v[2]);
    };
    std::vector<trelk::Plane> planes;
    for (const auto& p : local) {
        trelk::Vec3 n = to_world(p.n);
        planes.push_back({n, float(p.d) + trelk::dot(n, center)});
    }
    std::vector<trelk::Vec3> vertices;
    for (const auto& v : detail::corner_points(local)) vertices.push_back(to_world(v) + center);
    return trelk::ConvexPolytope::make(std::move(planes), std::move(vertices));
}

}  // namespace bench
