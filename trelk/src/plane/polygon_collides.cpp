#include "plane/polygon_collides.hpp"

#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <utility>

#include "checked_index.hpp"
#include "lanes.hpp"
#include "util.hpp"

namespace trelk {

namespace {

// Edge i runs from vertex i to vertex i + 1, the last back to the first.
Vec3 edge_3d(std::span<const Vec3> v, std::size_t i) { return v[(i + 1) % v.size()] - v[i]; }

// World direction of the outward normal of edge i.
Vec3 edge_normal_3d(const RefConvexPolygon& p, std::size_t i) {
    const Vec2f& n = checked_at(p.edge_normals_2d, i);
    return p.u_axis * n[0] + p.v_axis * n[1];
}

float box_reach_along(const Cuboid& box, Vec3 axis) {
    const Vec3& h = box.half_extents;
    return (h.x * std::fabs(dot(axis, box.axes[0])) + h.y * std::fabs(dot(axis, box.axes[1]))) +
           h.z * std::fabs(dot(axis, box.axes[2]));
}

constexpr float NO_DISTANCE = std::numeric_limits<float>::quiet_NaN();

bool outside_band(lanes::Range r, float lo, float hi) {
    return r.min > hi + POLYGON_BAND || r.max < lo - POLYGON_BAND;
}

}  // namespace

float enclosing_radius(const RefConvexPolygon& p) { return enclosing_radius(p.u_axis, p.v_axis, p.bounding_radius); }

PolygonCoords polygon_coords(const RefConvexPolygon& p, Vec3 point) {
    Vec3 w = point - p.center;
    return {dot(w, p.u_axis), dot(w, p.v_axis), dot(w, p.normal)};
}

bool contains_2d(const RefConvexPolygon& p, float x, float y) {
    for (std::size_t i = 0; i < p.edge_normals_2d.size(); ++i) {
        const Vec2f& n = p.edge_normals_2d[i];
        if (n[0] * x + n[1] * y > checked_at(p.edge_offsets_2d, i) + POLYGON_BAND) return false;
    }
    return true;
}

float closest_edge_dist_sq_2d(const RefConvexPolygon& p, float x, float y) {
    const std::size_t n = p.vertices_2d.size();
    float best = FLOAT_MAX;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2f &a = p.vertices_2d[i], &b = p.vertices_2d[(i + 1) % n];
        float ex = b[0] - a[0], ey = b[1] - a[1];
        float len_sq = ex * ex + ey * ey;
        float s = len_sq > EPS ? ((x - a[0]) * ex + (y - a[1]) * ey) / len_sq : 0.0f;
        s = clamp01(s);
        float dx = x - (a[0] + ex * s), dy = y - (a[1] + ey * s);
        float d = dx * dx + dy * dy;
        if (d < best) best = d;
    }
    return best;
}

float point_dist_sq(const RefConvexPolygon& p, Vec3 point) {
    if (is_empty(p)) return NO_DISTANCE;
    PolygonCoords c = polygon_coords(p, point);
    float h2 = c.h * c.h;
    return contains_2d(p, c.x, c.y) ? h2 : h2 + closest_edge_dist_sq_2d(p, c.x, c.y);
}

float segment_dist_sq(const RefConvexPolygon& p, Vec3 p1, Vec3 dir) {
    if (is_empty(p)) return NO_DISTANCE;
    float best = min_num(point_dist_sq(p, p1), FLOAT_MAX);
    float d1 = point_dist_sq(p, p1 + dir);
    float h0 = dot(p1 - p.center, p.normal);
    float h1 = h0 + dot(dir, p.normal);
    if (h0 * h1 <= 0.0f && std::fabs(h0 - h1) > EPS) {
        PolygonCoords c = polygon_coords(p, p1 + dir * (h0 / (h0 - h1)));
        if (contains_2d(p, c.x, c.y)) return 0.0f;
    }
    best = min_num(best, d1);
    for (std::size_t i = 0; i < p.vertices_3d.size(); ++i) {
        float d = clamped_line_segment_dist_sq(p1, dir, p.vertices_3d[i], edge_3d(p.vertices_3d, i), 0.0f, 1.0f);
        if (d < best) best = d;
    }
    return best;
}

float parametric_line_dist_sq(const RefConvexPolygon& p, Vec3 origin, Vec3 dir, float tmin, float tmax) {
    if (is_empty(p)) return NO_DISTANCE;
    float best = FLOAT_MAX;
    // Unbounded ends have no end point to measure.
    if (std::isfinite(tmin)) best = min_num(point_dist_sq(p, origin + dir * tmin), FLOAT_MAX);
    if (std::isfinite(tmax)) best = min_num(best, point_dist_sq(p, origin + dir * tmax));
    float dn = dot(p.normal, dir);
    if (std::fabs(dn) > EPS) {
        float t = -dot(origin - p.center, p.normal) / dn;
        if (t >= tmin && t <= tmax) {
            PolygonCoords c = polygon_coords(p, origin + dir * t);
            if (contains_2d(p, c.x, c.y)) return 0.0f;
        }
    }
    for (std::size_t i = 0; i < p.vertices_3d.size(); ++i)
        best = min_num(best, clamped_line_segment_dist_sq(origin, dir, p.vertices_3d[i],
                                                          edge_3d(p.vertices_3d, i), tmin, tmax));
    return best;
}

bool ref_polygon_cuboid_collides(const RefConvexPolygon& p, const Cuboid& box) {
    if (is_empty(p)) return false;
    Vec3 gap = box.center - p.center;
    float reach = enclosing_radius(p) + length(box.half_extents);
    if (dot(gap, gap) > reach * reach) return false;

    // The polygon's plane.
    if (std::fabs(dot(p.normal, box.center) - dot(p.normal, p.center)) > box_reach_along(box, p.normal) + POLYGON_BAND)
        return false;

    const std::span<const Vec3> v = p.vertices_3d;
    const lanes::Range empty{FLOAT_MAX, -FLOAT_MAX};
    // The box's face normals.
    for (int i = 0; i < 3; ++i) {
        float c = dot(box.axes[i], box.center), h = box.half_extents[i];
        if (outside_band(lanes::projection_range(v, box.axes[i], empty), c - h, c + h)) return false;
    }
    // Polygon edges across box edges.
    for (std::size_t k = 0; k < v.size(); ++k) {
        Vec3 e = edge_3d(v, k);
        for (int j = 0; j < 3; ++j) {
            Vec3 axis = cross(e, box.axes[j]);
            if (dot(axis, axis) < PARALLEL_SQ) continue;
            axis = axis / length(axis);
            float c = dot(axis, box.center), rb = box_reach_along(box, axis);
            if (outside_band(lanes::projection_range(v, axis, empty), c - rb, c + rb)) return false;
        }
    }
    return true;
}

bool ref_polygon_polygon_collides(const RefConvexPolygon& a, const RefConvexPolygon& b) {
    if (is_empty(a) || is_empty(b)) return false;
    Vec3 gap = b.center - a.center;
    float reach = enclosing_radius(a) + enclosing_radius(b);
    if (dot(gap, gap) > reach * reach) return false;

    // Plane axes of both, then in-plane edge axes of both.
    for (auto [p, q] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
        float d = dot(p->normal, p->center);
        lanes::Range r = lanes::projection_range(q->vertices_3d, p->normal, {INF, -INF});
        if (outside_band(r, d, d)) return false;
    }
    for (auto [p, q] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
        for (std::size_t i = 0; i < p->vertices_2d.size(); ++i) {
            Vec3 w = edge_normal_3d(*p, i);
            float qmin = lanes::projection_min(q->vertices_3d, w, INF);
            if (qmin > (checked_at(p->edge_offsets_2d, i) + dot(w, p->center)) + POLYGON_BAND) return false;
        }
    }
    // Edge pairs.
    const lanes::Range empty{FLOAT_MAX, -FLOAT_MAX};
    for (std::size_t i = 0; i < a.vertices_3d.size(); ++i) {
        Vec3 ea = edge_3d(a.vertices_3d, i);
        for (std::size_t j = 0; j < b.vertices_3d.size(); ++j) {
            Vec3 axis = cross(ea, edge_3d(b.vertices_3d, j));
            if (dot(axis, axis) < PARALLEL_SQ) continue;
            axis = axis / length(axis);
            lanes::Range ra = lanes::projection_range(a.vertices_3d, axis, empty);
            lanes::Range rb = lanes::projection_range(b.vertices_3d, axis, empty);
            if (ra.min > rb.max + POLYGON_BAND || rb.min > ra.max + POLYGON_BAND) return false;
        }
    }
    return true;
}

bool ref_polygon_polytope_collides(const RefConvexPolygon& p, const RefConvexPolytope& t) {
    if (is_empty(p) || is_empty(t)) return false;
    Vec3 gap = t.obb.center - p.center;
    float reach = enclosing_radius(p) + length(t.obb.half_extents);
    if (dot(gap, gap) > reach * reach) return false;

    float d = dot(p.normal, p.center);
    lanes::Range r = lanes::projection_range(t.vertices, p.normal, {INF, -INF});
    if (r.min > d || r.max < d) return false;
    for (std::size_t i = 0; i < p.vertices_2d.size(); ++i) {
        Vec3 w = edge_normal_3d(p, i);
        if (lanes::projection_min(t.vertices, w, INF) > dot(w, p.center) + checked_at(p.edge_offsets_2d, i))
            return false;
    }
    for (const Plane& plane : t.planes)
        if (lanes::projection_min(p.vertices_3d, plane.normal, INF) > plane.d) return false;
    return true;
}

bool ref_polygon_infinite_plane_collides(std::span<const Vec3> vertices, const Plane& plane) {
    return lanes::projection_min(vertices, plane.normal, INF) <= plane.d;
}

}  // namespace trelk
