#include "plane/half_space.hpp"

#include <cmath>

#include "empty_shapes.hpp"
#include "lanes.hpp"
#include "line/line_cuboid.hpp"
#include "util.hpp"

namespace trelk {

namespace {

// The lower end of the segment p1 .. p1 + dir along n.
float lowest_end(Vec3 n, Vec3 p1, Vec3 dir) { return min_num(dot(n, p1), dot(n, p1 + dir)); }

float box_reach(Vec3 n, const Cuboid& b) {
    const Vec3& h = b.half_extents;
    return (h.x * std::fabs(dot(n, b.axes[0])) + h.y * std::fabs(dot(n, b.axes[1]))) +
           h.z * std::fabs(dot(n, b.axes[2]));
}

// Infinite vertex projections give "no vertex": a polytope without vertices is never reached.
float lowest_vertex(const RefConvexPolytope& p, Vec3 n) { return lanes::projection_min(p.vertices, n, INF); }

}  // namespace

bool half_space_capsule_collides(const Plane& plane, const Capsule& c) {
    return lowest_end(plane.normal, c.p1, c.dir) - plane.d <= c.radius;
}

bool half_space_cuboid_collides(const Plane& plane, const Cuboid& b) {
    return dot(plane.normal, b.center) - box_reach(plane.normal, b) <= plane.d;
}

bool half_space_cylinder_collides(const Plane& plane, const Cylinder& c) {
    const float dd = dot(c.dir, c.dir);
    float reach = c.radius;
    if (!(dd <= EPS)) {
        const float nd = dot(plane.normal, c.dir);
        reach = c.radius * std::sqrt(max_num(0.0f, 1.0f - (nd * nd) / dd));
    }
    return lowest_end(plane.normal, c.p1, c.dir) - reach <= plane.d;
}

bool half_space_param_collides(const Plane& plane, Vec3 origin, Vec3 dir, float tmin, float tmax) {
    const float num = plane.d - dot(plane.normal, origin);
    const float den = dot(plane.normal, dir);
    if (std::fabs(den) <= EPS) return num >= 0.0f;
    const float t = num / den;
    // Heading out of the half-space the start must be inside it; heading in, the end.
    if (den > 0.0f) return std::isfinite(tmin) ? t >= tmin : !std::isnan(t);
    return std::isfinite(tmax) ? t <= tmax : !std::isnan(t);
}

bool half_space_polytope_collides(const Plane& plane, const RefConvexPolytope& p) {
    if (dot(plane.normal, p.obb.center) - box_reach(plane.normal, p.obb) > plane.d) return false;
    return lowest_vertex(p, plane.normal) <= plane.d;
}

bool half_spaces_collide(const Plane& a, const Plane& b) {
    // -0.999999 in single precision (bits 0xbf7fffef).
    constexpr float opposite = -0.999999f;
    if (dot(a.normal, b.normal) > opposite) return true;
    return a.d + b.d >= 0.0f;
}

bool polytope_clip_collides(const RefConvexPolytope& p, Vec3 origin, Vec3 dir, float tmin, float tmax) {
    if (is_empty(p)) return false;
    if (!line_cuboid_collides(origin, dir, p.obb, tmin, tmax)) return false;
    for (const Plane& plane : p.planes) {
        const float den = dot(plane.normal, dir);
        const float num = plane.d - dot(plane.normal, origin);
        if (std::fabs(den) <= EPS) {
            if (num < 0.0f) return false;
            continue;
        }
        const float t = num / den;
        if (den < 0.0f)
            tmin = max_num(tmin, t);
        else
            tmax = min_num(tmax, t);
        if (tmin > tmax) return false;
    }
    return tmin <= tmax;
}

bool polytope_planes_collide(const RefConvexPolytope& a, const RefConvexPolytope& b) {
    if (is_empty(a) || is_empty(b)) return false;
    for (const Plane& plane : a.planes)
        if (lowest_vertex(b, plane.normal) > plane.d) return false;
    for (const Plane& plane : b.planes)
        if (lowest_vertex(a, plane.normal) > plane.d) return false;
    return true;
}

}  // namespace trelk
