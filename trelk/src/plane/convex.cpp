#include "plane/convex.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "cuboid.hpp"
#include "stored_form.hpp"

namespace trelk {

std::array<Vec3, 2> polygon_axes(Vec3 normal) {
    // A NaN normal.y fails the test and picks the x axis.
    Vec3 ref = std::fabs(normal.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    Vec3 u = normalize(cross(normal, ref));  // a zero normal gives NaN axes
    return {u, cross(u, normal)};
}

ConvexPolygon ConvexPolygon::make(Vec3 center, Vec3 normal, std::vector<Vec2f> vertices_2d) {
    const auto [u, v] = polygon_axes(normal);
    return with_axes(center, normal, u, v, std::move(vertices_2d));
}

void refit_to_vertices(ConvexPolygon& p, Vec3 plane_normal) {
    // A unit normal gives a unit frame, so the 2-D coordinates are plain projections.
    const Vec3 unit = normalize(plane_normal);
    const auto [u, v] = polygon_axes(unit);
    std::vector<Vec2f> outline;
    outline.reserve(p.vertices_3d.size());
    for (const Vec3& vertex : p.vertices_3d) {
        const Vec3 w = vertex - p.center;
        outline.push_back({dot(w, u), dot(w, v)});
    }
    p = ConvexPolygon::with_axes(p.center, unit * length(p.normal), u, v, std::move(outline));
}

ConvexPolygon ConvexPolygon::with_axes(Vec3 center, Vec3 normal, Vec3 u_axis, Vec3 v_axis,
                                       std::vector<Vec2f> vertices_2d) {
    const std::size_t n = vertices_2d.size();
    float twice_area = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2f &a = vertices_2d[i], &b = vertices_2d[(i + 1) % n];
        twice_area += a[0] * b[1] - b[0] * a[1];
    }
    if (twice_area < 0.0f && n >= 2) std::reverse(vertices_2d.begin(), vertices_2d.end());
    ConvexPolygon p{center, normal, u_axis, v_axis, std::move(vertices_2d), {}, {}, {}, 0.0f};
    p.recompute_edges();
    p.recompute_3d();
    return p;
}

void ConvexPolygon::recompute_edges() {
    const std::size_t n = vertices_2d.size();
    std::vector<Vec2f> normals(n);
    std::vector<float> offsets(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2f &a = vertices_2d[i], &b = vertices_2d[(i + 1) % n];
        float dx = b[0] - a[0], dy = b[1] - a[1];
        float len = std::sqrt(dx * dx + dy * dy);  // 0 for a repeated vertex: NaN entries follow
        normals[i] = {dy / len, -dx / len};
        offsets[i] = a[0] * normals[i][0] + a[1] * normals[i][1];
    }
    edge_normals_2d = std::move(normals);
    edge_offsets_2d = std::move(offsets);
}

void ConvexPolygon::recompute_3d() {
    std::vector<Vec3> v3;
    v3.reserve(vertices_2d.size());
    float radius = 0.0f;
    for (const Vec2f& v : vertices_2d) {
        v3.push_back((center + u_axis * v[0]) + v_axis * v[1]);
        radius = max_num(radius, std::sqrt(v[0] * v[0] + v[1] * v[1]));
    }
    vertices_3d = std::move(v3);
    bounding_radius = radius;
}

void check_stored_lists(const ConvexPolygon& p) {
    const std::size_t n = p.vertices_2d.size();
    if (p.vertices_3d.size() == n && p.edge_normals_2d.size() == n && p.edge_offsets_2d.size() == n) return;
    throw StoredFormError("polygon lists differ in length: vertices_2d " + std::to_string(n) + ", vertices_3d " +
                          std::to_string(p.vertices_3d.size()) + ", edge_normals_2d " +
                          std::to_string(p.edge_normals_2d.size()) + ", edge_offsets_2d " +
                          std::to_string(p.edge_offsets_2d.size()));
}

void translate(ConvexPolygon& p, Vec3 o) {
    p.center += o;
    for (Vec3& v : p.vertices_3d) v += o;
}

void scale(ConvexPolygon& p, float f) {
    for (Vec2f& v : p.vertices_2d) v = {v[0] * f, v[1] * f};
    p.recompute_edges();
    p.recompute_3d();
}

float enclosing_radius(Vec3 u_axis, Vec3 v_axis, float bounding_radius) {
    // Largest singular value of the frame [u v]: the most a 2-D offset can grow in 3-D.
    float uu = dot(u_axis, u_axis), vv = dot(v_axis, v_axis), uv = dot(u_axis, v_axis);
    float mean = (uu + vv) * 0.5f, half_gap = (uu - vv) * 0.5f;
    float stretch_sq = mean + std::sqrt(half_gap * half_gap + uv * uv);
    // Rotated unit frames come out a few ulps off unit length; they need no widening.
    if (!(stretch_sq > 1.0f + 1e-6f)) return bounding_radius;
    return bounding_radius * std::sqrt(stretch_sq);
}

Sphere broadphase(const ConvexPolygon& p) {
    return {p.center, enclosing_radius(p.u_axis, p.v_axis, p.bounding_radius)};
}

Cuboid obb(const ConvexPolygon& p) {
    return Cuboid::make(p.center, {p.u_axis, p.v_axis, p.normal}, {p.bounding_radius, p.bounding_radius, 0.0f});
}

Cuboid aabb(const ConvexPolygon& p) {
    if (p.vertices_3d.empty()) return Cuboid::aligned(p.center, {});
    Vec3 lo = p.vertices_3d[0], hi = lo;
    for (const Vec3& v : p.vertices_3d) {
        for (int i = 0; i < 3; ++i) {
            // Compare-and-select: a NaN coordinate never replaces the current bound.
            if (v[i] < lo[i]) lo[i] = v[i];
            if (v[i] > hi[i]) hi[i] = v[i];
        }
    }
    return Cuboid::from_aabb(lo, hi);
}

}  // namespace trelk
