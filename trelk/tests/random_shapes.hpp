// Random shapes for cross-checks, placed about the cube [-1.5, 1.5]^3 with sizes from 0.1 to about 1.5 so
// that roughly half of the pairs meet, and their slow double-precision twins (slow_convex.hpp).
// A twin can be shrunk: a contact that survives shrinking both shapes is deep enough that single
// precision must find it.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include "slow_convex.hpp"
#include "trelk.hpp"

namespace shapes {

using namespace trelk;

struct Gen {
    std::mt19937 rng;
    explicit Gen(unsigned seed) : rng(seed) {}

    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    bool chance(float p) { return uniform(0, 1) < p; }
    Vec3 point() { return {uniform(-1.5f, 1.5f), uniform(-1.5f, 1.5f), uniform(-1.5f, 1.5f)}; }
    Vec3 unit() {
        Vec3 v;
        do v = {uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
        while (length_sq(v) > 1 || length_sq(v) < 0.01f);
        return normalize(v);
    }
    Quat rotation() {
        Vec3 a = unit();
        float half = uniform(0, 3.14159f);
        return {a.x * std::sin(half), a.y * std::sin(half), a.z * std::sin(half), std::cos(half)};
    }
    // Mostly tilted; sometimes straight along z, which takes the aligned shortcuts.
    Vec3 direction() { return (chance(0.2f) ? Vec3{0, 0, 1} : unit()) * uniform(0.2f, 3.0f) * (chance(0.5f) ? 1 : -1); }

    Cylinder cylinder() { return Cylinder::make(point(), direction(), uniform(0.1f, 1.0f)); }
    Capsule capsule() { return Capsule::make(point(), direction(), uniform(0.1f, 1.0f)); }
    Cuboid cuboid() {
        Vec3 h{uniform(0.1f, 1.2f), uniform(0.1f, 1.2f), uniform(0.1f, 1.2f)};
        if (chance(0.25f)) return Cuboid::aligned(point(), h);
        Quat q = rotation();
        return Cuboid::make(point(), {q * Vec3{1, 0, 0}, q * Vec3{0, 1, 0}, q * Vec3{0, 0, 1}}, h);
    }
    // Convex: corners at increasing angles on an ellipse, the frame origin a little off-centre.
    ConvexPolygon polygon() {
        int n = int(uniform(3, 10));
        std::vector<float> angle(n);
        for (float& a : angle) a = uniform(0, 6.2831f);
        std::sort(angle.begin(), angle.end());
        float rx = uniform(0.2f, 1.5f), ry = uniform(0.2f, 1.5f), ox = uniform(-0.3f, 0.3f), oy = uniform(-0.3f, 0.3f);
        std::vector<Vec2f> v;
        for (float a : angle) v.push_back({ox + rx * std::cos(a), oy + ry * std::sin(a)});
        return ConvexPolygon::make(point(), unit(), v);
    }
    // Random points in an ellipsoid; faces found by trying every triple. Planes are sometimes
    // scaled by one factor of at least 1 (normals need not be unit length).
    ConvexPolytope polytope() {
        Vec3 c = point(), r{uniform(0.2f, 1.2f), uniform(0.2f, 1.2f), uniform(0.2f, 1.2f)};
        Quat q = rotation();
        std::vector<Vec3> pts;
        for (int i = 0, n = int(uniform(5, 12)); i < n; ++i) {
            Vec3 u = unit() * uniform(0.3f, 1.0f);
            pts.push_back(c + q * Vec3{u.x * r.x, u.y * r.y, u.z * r.z});
        }
        float scale = chance(0.5f) ? uniform(1.0f, 3.0f) : 1.0f;
        std::vector<Plane> planes;
        for (size_t i = 0; i < pts.size(); ++i)
            for (size_t j = i + 1; j < pts.size(); ++j)
                for (size_t k = j + 1; k < pts.size(); ++k) {
                    slow::P a = pts[i], n = slow::cross(slow::P(pts[j]) - a, slow::P(pts[k]) - a);
                    if (slow::norm(n) < 1e-6) continue;
                    n = n * (1 / slow::norm(n));
                    double lo = 0, hi = 0;
                    for (Vec3 p : pts) lo = std::min(lo, slow::dot(n, slow::P(p) - a)), hi = std::max(hi, slow::dot(n, slow::P(p) - a));
                    if (lo < -1e-9 && hi > 1e-9) continue;
                    if (hi > 1e-9) n = -n;
                    planes.push_back({Vec3{float(n.x), float(n.y), float(n.z)} * scale, float(slow::dot(n, a)) * scale});
                }
        return ConvexPolytope::make(planes, pts);
    }
};

// Shrinking pulls a set inward by about `by` (polygons and polytopes scale about their centroid).
inline std::vector<slow::P> pulled_in(const std::vector<Vec3>& v, double by) {
    slow::P c;
    for (Vec3 p : v) c = c + slow::P(p) * (1.0 / v.size());
    std::vector<slow::P> out;
    for (Vec3 p : v) out.push_back(c + (slow::P(p) - c) * (1 - 5 * by));
    return out;
}
inline slow::Convex twin(const ConvexPolygon& p, double shrink = 0) { return slow::hull(pulled_in(p.vertices_3d, shrink)); }
inline slow::Convex twin(const ConvexPolytope& p, double shrink = 0) { return slow::hull(pulled_in(p.vertices, shrink)); }
inline slow::Convex twin(const Capsule& c, double shrink = 0) {
    return slow::segment(c.p1, c.p1 + c.dir, c.radius - shrink);
}
inline slow::Convex twin(const Cuboid& b, double shrink = 0) {
    const slow::P axes[3] = {b.axes[0], b.axes[1], b.axes[2]};
    slow::P h = b.half_extents;
    return slow::box(b.center, axes, {h.x - shrink, h.y - shrink, h.z - shrink});
}
inline slow::Convex twin(const Cylinder& c, double shrink = 0) {
    slow::P a = c.p1, d = c.dir;
    slow::P inset = d * (shrink / slow::norm(d));
    return slow::cylinder(a + inset, a + d - inset, c.radius - shrink);
}
// The axis segment rounded by the radius: what the rounded-end tests may report.
inline slow::Convex rounded(const Cylinder& c) { return slow::segment(c.p1, c.p1 + c.dir, c.radius); }

// A line, ray or segment.
inline LinePart line_part(Gen& g) {
    float lo[3] = {-INFINITY, 0, 0}, hi[3] = {INFINITY, INFINITY, 1};
    int kind = int(g.uniform(0, 3));
    return {g.point(), g.direction(), lo[kind], hi[kind]};
}
// Unbounded ends are cut far beyond the cube; finite ends move in by `shrink`.
inline slow::Convex twin(const LinePart& l, double shrink = 0) {
    slow::P o = l.origin, d = l.dir;
    double step = shrink / slow::norm(d), far = 20 / slow::norm(d);
    double a = std::isfinite(l.tmin) ? l.tmin + step : -far, b = std::isfinite(l.tmax) ? l.tmax - step : far;
    return slow::segment(o + d * a, o + d * b);
}

}  // namespace shapes
