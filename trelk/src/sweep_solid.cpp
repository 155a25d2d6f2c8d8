// Sweeps of the box, the flat polygon and the polytope.
#include <algorithm>
#include <cmath>

#include "support/fault.hpp"
#include "sweep.hpp"
#include "sweep_support.hpp"

namespace trelk {

using namespace sweep_detail;

namespace {

// The box's extents each grown by half the move's length along that axis.
Cuboid moved_box(const Cuboid& b, Vec3 t) {
    Cuboid out = b;
    out.center = b.center + t * 0.5f;
    for (int i = 0; i < 3; ++i) out.half_extents[i] = b.half_extents[i] + std::fabs(dot(t, b.axes[i])) * 0.5f;
    return out;
}

float turn(Vec2f a, Vec2f b, Vec2f p) { return (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]); }

}  // namespace

Stretched stretch(const Cuboid& b, Vec3 t) {
    for (int i = 0; i < 3; ++i) {
        if (!parallel(b.axes[i], t)) continue;
        Cuboid out = b;
        out.center = b.center + t * 0.5f;
        out.half_extents[i] = b.half_extents[i] + std::fabs(dot(b.axes[i], t)) * 0.5f;
        return {out};
    }

    const auto& a = b.axes;
    const Vec3 h = b.half_extents;
    std::vector<Vec3> vertices;
    vertices.reserve(16);
    for (float s : {-1.0f, 1.0f}) {
        const Vec3 base = b.center + a[0] * (h[0] * s);
        for (Vec3 corner : {(base - a[1] * h[1]) - a[2] * h[2], (base - a[1] * h[1]) + a[2] * h[2],
                            (base + a[1] * h[1]) - a[2] * h[2], (base + a[1] * h[1]) + a[2] * h[2]}) {
            vertices.push_back(corner);
            vertices.push_back(corner + t);
        }
    }

    std::vector<Plane> planes;
    planes.reserve(12);
    for (Vec3 axis : a) {
        planes.push_back(outer_plane(axis, vertices));
        planes.push_back(outer_plane(-axis, vertices));
        const Vec3 side = cross(axis, t);
        if (length_sq(side) > kParallel) {
            const Vec3 n = normalize(side);
            planes.push_back(outer_plane(n, vertices));
            planes.push_back(outer_plane(-n, vertices));
        }
    }
    return {ConvexPolytope{std::move(planes), std::move(vertices), moved_box(b, t)}};
}

std::vector<Vec2f> swept_hull_2d(const std::vector<Vec2f>& vertices, Vec2f t2) {
    std::vector<Vec2f> points;
    points.reserve(vertices.size() * 2);
    for (const Vec2f& v : vertices) {
        points.push_back(v);
        points.push_back({v[0] + t2[0], v[1] + t2[1]});
    }
    // A comparison sort meets every item when there are two or more, so a NaN anywhere would
    // reach an unordered comparison; refuse it before sorting.
    if (points.size() >= 2) {
        for (const Vec2f& p : points) {
            if (std::isnan(p[0]) || std::isnan(p[1])) {
                throw quorix::Fault("called `Option::unwrap()` on a `None` value");
            }
        }
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const Vec2f& a, const Vec2f& b) { return a[0] < b[0] || (a[0] == b[0] && a[1] < b[1]); });

    std::vector<Vec2f> kept;
    kept.reserve(points.size());
    for (const Vec2f& p : points) {
        if (!kept.empty() && std::fabs(p[0] - kept.back()[0]) < 1e-7f && std::fabs(p[1] - kept.back()[1]) < 1e-7f) {
            continue;
        }
        kept.push_back(p);
    }
    if (kept.size() <= 2) return kept;

    // Monotone chain: lower chain forwards, upper chain backwards; collinear points are dropped.
    std::vector<Vec2f> hull;
    hull.reserve(kept.size() + 1);
    for (const Vec2f& p : kept) {
        while (hull.size() >= 2 && turn(hull[hull.size() - 2], hull.back(), p) <= 0.0f) hull.pop_back();
        hull.push_back(p);
    }
    const std::size_t lower = hull.size();
    for (auto it = kept.rbegin() + 1; it != kept.rend(); ++it) {
        while (hull.size() > lower && turn(hull[hull.size() - 2], hull.back(), *it) <= 0.0f) hull.pop_back();
        hull.push_back(*it);
    }
    hull.pop_back();  // the closing repeat of the first point
    return hull;
}

Stretched stretch(const ConvexPolygon& p, Vec3 t) {
    const float s = dot(p.normal, t);
    if (std::fabs(s) < 1e-6f) {
        Vec2f t2{dot(t, p.u_axis), dot(t, p.v_axis)};
        return {ConvexPolygon::with_axes(p.center, p.normal, p.u_axis, p.v_axis, swept_hull_2d(p.vertices_2d, t2))};
    }

    const std::vector<Vec3>& base = p.vertices_3d;
    const std::size_t n = base.size();
    std::vector<Vec3> vertices;
    vertices.reserve(2 * n);
    vertices.insert(vertices.end(), base.begin(), base.end());
    for (Vec3 v : base) vertices.push_back(v + t);

    const float k = dot(p.normal, p.center);
    std::vector<Plane> planes;
    planes.reserve(n + 2);
    planes.push_back({p.normal, k + max_num(s, 0.0f)});
    planes.push_back({-p.normal, -k - min_num(s, 0.0f)});

    // The side planes face away from the vertex centroid, which lies inside the polygon; the frame
    // origin need not, and a plane facing it could cut the prism away.
    Vec3 centroid;
    for (Vec3 v : base) centroid += v;
    centroid = centroid / float(n);
    for (std::size_t i = 0; i < n; ++i) {
        Vec3 m = cross(base[(i + 1) % n] - base[i], t);
        const float len = length(m);
        if (!(len >= 1e-10f)) continue;
        m = m / len;
        const float d = dot(m, base[i]);
        planes.push_back(dot(m, centroid) <= d ? Plane{m, d} : Plane{-m, -d});
    }
    return {ConvexPolytope::make(std::move(planes), std::move(vertices))};
}

Stretched stretch(const ConvexPolytope& p, Vec3 t) {
    std::vector<Vec3> vertices;
    vertices.reserve(2 * p.vertices.size());
    for (Vec3 v : p.vertices) {
        vertices.push_back(v);
        vertices.push_back(v + t);
    }

    std::vector<Plane> planes;
    planes.reserve(p.planes.size());
    for (const Plane& pl : p.planes) planes.push_back({pl.normal, pl.d + max_num(dot(pl.normal, t), 0.0f)});

    // Faces between two planes of which one leads and one trails the move.
    const std::size_t count = p.planes.size();
    auto consider = [&](Vec3 candidate) {
        const Extent e = extent(candidate, vertices);
        if (!(e.hi - e.lo > 1e-6f)) return;
        for (const Plane& pl : planes) {
            if (dot(pl.normal, candidate) > 0.9999f) return;
        }
        planes.push_back({candidate, e.hi});
    };
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3 ni = p.planes[i].normal;
        for (std::size_t j = i + 1; j < count; ++j) {
            const Vec3 nj = p.planes[j].normal;
            if (!(dot(ni, t) * dot(nj, t) < 0.0f)) continue;
            const Vec3 e = cross(ni, nj);
            if (length_sq(e) < kParallel) continue;
            const Vec3 m = cross(e, t);
            if (length_sq(m) < kParallel) continue;
            const Vec3 c = m * (1.0f / length(m));
            consider(c);
            consider(-c);
        }
    }
    return {ConvexPolytope{std::move(planes), std::move(vertices), moved_box(p.obb, t)}};
}

}  // namespace trelk
