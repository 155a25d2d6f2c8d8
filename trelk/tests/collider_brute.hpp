// The answer of a collider query item by item: for a query and one held item, the pair rule the
// query applies to that kind of item, with no group or lane pre-test in front. A collider's answer
// must equal the OR of these over everything it holds.
#pragma once

#include <concepts>
#include <type_traits>

#include "cylinder_collides.hpp"
#include "line/line_pair.hpp"
#include "convex_polytope/polytope_collides.hpp"
#include "cylinder_collides.hpp"
#include "plane/half_space.hpp"
#include "plane/polygon_collides.hpp"
#include "point.hpp"
#include "trelk.hpp"

namespace brute {

using namespace trelk;

inline float dist_sq(Vec3 a, Vec3 b) {
    Vec3 d = a - b;
    return (d.x * d.x + d.y * d.y) + d.z * d.z;
}

// Lines, rays and segments as one parametric kind; t0 and t1 are the range of t.
struct Param {
    Vec3 o, dir;
    float rdv, t0, t1;
    bool segment() const { return t1 == 1.0f; }
};
inline Param param(const Line& l) { return {l.origin, l.dir, l.rdv, -INF, INF}; }
inline Param param(const Ray& l) { return {l.origin, l.dir, l.rdv, 0.0f, INF}; }
inline Param param(const LineSegment& l) { return {l.p1, l.dir, l.rdv, 0.0f, 1.0f}; }

inline float nearest_t(const Param& p, Vec3 q) {
    float t = p.rdv * dot(p.dir, q - p.o);
    if (p.t0 == 0.0f && t < 0.0f) t = 0.0f;
    if (p.t1 == 1.0f && t > 1.0f) t = 1.0f;
    return t;
}
// The ball (c, reach) meets the parametric points.
inline bool ball_param(Vec3 c, float reach, const Param& p) {
    return dist_sq(c, p.o + p.dir * nearest_t(p, c)) <= reach * reach;
}
inline bool ball_capsule(Vec3 c, float r, const Capsule& k) {
    return ball_param(c, r + k.radius, param(LineSegment{k.p1, k.dir, k.rdv}));
}
inline bool ball_cylinder(Vec3 c, float r, const Cylinder& k) {
    const Vec3 w = c - k.p1;
    const float t = k.rdv * dot(k.dir, w);
    const float rho2 = dist_sq(w, k.dir * t), dd = dot(k.dir, k.dir), big2 = k.radius * k.radius;
    if (t >= 0.0f && t <= 1.0f) return rho2 <= (r + k.radius) * (r + k.radius);
    const float u = t - (t < 0.0f ? 0.0f : 1.0f), a2 = dd * (u * u);
    if (rho2 <= big2) return a2 <= r * r;
    const float l = ((rho2 + big2) + a2) - r * r;
    return l <= 0.0f || l * l <= (4.0f * big2) * rho2;
}
inline bool ball_planes(Vec3 c, float r, const ConvexPolytope& p) {
    for (const Plane& pl : p.planes)
        if (dot(pl.normal, c) - pl.d > r) return false;
    return true;
}
// The parametric points cross another parametric kind.
inline bool params_cross(const Param& a, const Param& b) {
    if (b.segment()) return clamped_line_segment_dist_sq(a.o, a.dir, b.o, b.dir, a.t0, a.t1) <= 0.0f;
    if (a.segment()) return clamped_line_segment_dist_sq(b.o, b.dir, a.o, a.dir, b.t0, b.t1) <= 0.0f;
    return param_pair_dist_sq(a.o, a.dir, a.t0, a.t1, b.o, b.dir, b.t0, b.t1) <= 0.0f;
}
// Face-plane tests of polytopes count only where the two bounding spheres meet.
inline bool near(const Sphere& a, const Sphere& b) {
    float reach = a.radius + b.radius;
    return !(dist_sq(a.center, b.center) > reach * reach);
}
inline RefConvexPolygon ref(const ConvexPolygon& p) { return RefConvexPolygon::of(p); }
inline RefConvexPolytope ref(const ConvexPolytope& p) { return RefConvexPolytope::of(p); }
constexpr Prefilter done = Prefilter::done_by_caller;

// ---- Sphere
inline bool hits(const Sphere& q, const Sphere& s) { return near(q, s); }
inline bool hits(const Sphere& q, const Point& p) { return near(q, {p.p, 0.0f}); }
inline bool hits(const Sphere& q, const Capsule& k) { return ball_capsule(q.center, q.radius, k); }
inline bool hits(const Sphere& q, const Cuboid& b) { return b.point_dist_sq(q.center) <= q.radius * q.radius; }
inline bool hits(const Sphere& q, const Cylinder& k) { return ball_cylinder(q.center, q.radius, k); }
inline bool hits(const Sphere& q, const LineSegment& s) { return ball_param(q.center, q.radius, param(s)); }
inline bool hits(const Sphere& q, const ConvexPolygon& p) {
    return point_dist_sq(ref(p), q.center) <= q.radius * q.radius;
}
inline bool hits(const Sphere& q, const ConvexPolytope& p) {
    return near(q, broadphase(p)) && ball_planes(q.center, q.radius, p);
}
inline bool hits(const Sphere& q, const Plane& p) { return dot(p.normal, q.center) - p.d <= q.radius; }
inline bool hits(const Sphere& q, const Line& l) { return ball_param(q.center, q.radius, param(l)); }
inline bool hits(const Sphere& q, const Ray& l) { return ball_param(q.center, q.radius, param(l)); }

// ---- Capsule
inline bool hits(const Capsule& q, const Sphere& s) { return ball_capsule(s.center, s.radius, q); }
inline bool hits(const Capsule& q, const Point& p) { return ball_capsule(p.p, 0.0f, q); }
inline bool hits(const Capsule& q, const Capsule& k) {
    float reach = q.radius + k.radius;
    return clamped_line_segment_dist_sq(q.p1, q.dir, k.p1, k.dir, 0, 1) <= reach * reach;
}
inline bool hits(const Capsule& q, const Cuboid& b) { return capsule_cuboid_collides(q, b); }
inline bool hits(const Capsule& q, const Cylinder& k) { return cylinder_capsule_collides(k, q); }
inline bool hits(const Capsule& q, const LineSegment& s) {
    return clamped_line_segment_dist_sq(s.p1, s.dir, q.p1, q.dir, 0, 1) <= q.radius * q.radius;
}
inline bool hits(const Capsule& q, const ConvexPolygon& p) {
    return segment_dist_sq(ref(p), q.p1, q.dir) <= q.radius * q.radius;
}
inline bool hits(const Capsule& q, const ConvexPolytope& p) {
    return near(broadphase(q), broadphase(p)) && collides_capsule(ref(p), q);
}
inline bool hits(const Capsule& q, const Plane& p) { return half_space_capsule_collides(p, q); }
inline bool hits(const Capsule& q, const Line& l) {
    return clamped_line_segment_dist_sq(l.origin, l.dir, q.p1, q.dir, -INF, INF) <= q.radius * q.radius;
}
inline bool hits(const Capsule& q, const Ray& l) {
    return clamped_line_segment_dist_sq(l.origin, l.dir, q.p1, q.dir, 0, INF) <= q.radius * q.radius;
}

// ---- Cuboid
inline bool hits(const Cuboid& q, const Sphere& s) { return q.point_dist_sq(s.center) <= s.radius * s.radius; }
inline bool hits(const Cuboid& q, const Point& p) { return q.point_dist_sq(p.p) <= 0.0f; }
inline bool hits(const Cuboid& q, const Capsule& k) { return capsule_cuboid_collides(k, q); }
inline bool hits(const Cuboid& q, const Cuboid& b) { return cuboid_cuboid_collides(q, b, done); }
inline bool hits(const Cuboid& q, const Cylinder& k) { return cylinder_cuboid_collides(k, q); }
inline bool hits(const Cuboid& q, const LineSegment& s) { return line_cuboid_collides(s.p1, s.dir, q, 0, 1); }
inline bool hits(const Cuboid& q, const ConvexPolygon& p) { return ref_polygon_cuboid_collides(ref(p), q); }
inline bool hits(const Cuboid& q, const ConvexPolytope& p) {
    return near(broadphase(q), broadphase(p)) && collides_cuboid(ref(p), q, done);
}
inline bool hits(const Cuboid& q, const Plane& p) { return half_space_cuboid_collides(p, q); }
inline bool hits(const Cuboid& q, const Line& l) { return line_cuboid_collides(l.origin, l.dir, q, -INF, INF); }
inline bool hits(const Cuboid& q, const Ray& l) { return line_cuboid_collides(l.origin, l.dir, q, 0, INF); }

// ---- Cylinder
inline bool hits(const Cylinder& q, const Sphere& s) { return ball_cylinder(s.center, s.radius, q); }
inline bool hits(const Cylinder& q, const Point& p) {
    const Vec3 w = p.p - q.p1;
    const float t = q.rdv * dot(q.dir, w);
    return t >= 0.0f && t <= 1.0f && dist_sq(w, q.dir * t) <= q.radius * q.radius;
}
inline bool hits(const Cylinder& q, const Capsule& k) { return cylinder_capsule_collides(q, k); }
inline bool hits(const Cylinder& q, const Cuboid& b) { return cylinder_cuboid_collides(q, b); }
inline bool hits(const Cylinder& q, const Cylinder& k) { return cylinder_cylinder_collides(q, k); }
inline bool hits(const Cylinder& q, const LineSegment& s) { return line_cylinder_collides(s.p1, s.dir, q, 0, 1); }
inline bool hits(const Cylinder& q, const ConvexPolygon& p) { return cylinder_polygon_collides(q, ref(p), done); }
inline bool hits(const Cylinder& q, const ConvexPolytope& p) {
    return near(broadphase(q), broadphase(p)) && cylinder_polytope_collides(q, ref(p), done);
}
inline bool hits(const Cylinder& q, const Plane& p) { return half_space_cylinder_collides(p, q); }
inline bool hits(const Cylinder& q, const Line& l) { return line_cylinder_collides(l.origin, l.dir, q, -INF, INF); }
inline bool hits(const Cylinder& q, const Ray& l) { return line_cylinder_collides(l.origin, l.dir, q, 0, INF); }

// ---- ConvexPolytope
inline bool hits(const ConvexPolytope& q, const Sphere& s) {
    return q.obb.point_dist_sq(s.center) <= s.radius * s.radius && ball_planes(s.center, s.radius, q);
}
inline bool hits(const ConvexPolytope& q, const Point& p) { return ball_planes(p.p, 0.0f, q); }
inline bool hits(const ConvexPolytope& q, const Capsule& k) {
    return near(broadphase(q), broadphase(k)) && collides_capsule(ref(q), k);
}
inline bool hits(const ConvexPolytope& q, const Cuboid& b) {
    return near(broadphase(q), broadphase(b)) && collides_cuboid(ref(q), b, done);
}
inline bool hits(const ConvexPolytope& q, const Cylinder& k) {
    return near(broadphase(q), broadphase(k)) && cylinder_polytope_collides(k, ref(q), done);
}
inline bool hits(const ConvexPolytope& q, const LineSegment& s) {
    return polytope_clip_collides(ref(q), s.p1, s.dir, 0, 1);
}
inline bool hits(const ConvexPolytope& q, const ConvexPolygon& p) {
    return near(broadphase(q), broadphase(p)) && ref_polygon_polytope_collides(ref(p), ref(q));
}
inline bool hits(const ConvexPolytope& q, const ConvexPolytope& p) {
    return near(broadphase(q), broadphase(p)) && polytope_planes_collide(ref(q), ref(p));
}
inline bool hits(const ConvexPolytope& q, const Plane& p) { return half_space_polytope_collides(p, ref(q)); }
inline bool hits(const ConvexPolytope& q, const Line& l) {
    return polytope_clip_collides(ref(q), l.origin, l.dir, -INF, INF);
}
inline bool hits(const ConvexPolytope& q, const Ray& l) {
    return polytope_clip_collides(ref(q), l.origin, l.dir, 0, INF);
}

// ---- ConvexPolygon
inline bool hits(const ConvexPolygon& q, const Sphere& s) {
    return point_dist_sq(ref(q), s.center) <= s.radius * s.radius;
}
inline bool hits(const ConvexPolygon& q, const Point& p) { return point_dist_sq(ref(q), p.p) <= 0.0f; }
inline bool hits(const ConvexPolygon& q, const Capsule& k) {
    return segment_dist_sq(ref(q), k.p1, k.dir) <= k.radius * k.radius;
}
inline bool hits(const ConvexPolygon& q, const Cuboid& b) { return ref_polygon_cuboid_collides(ref(q), b); }
inline bool hits(const ConvexPolygon& q, const Cylinder& k) { return cylinder_polygon_collides(k, ref(q), done); }
inline bool hits(const ConvexPolygon& q, const LineSegment& s) {
    return parametric_line_dist_sq(ref(q), s.p1, s.dir, 0, 1) <= 0.0f;
}
inline bool hits(const ConvexPolygon& q, const ConvexPolygon& p) {
    return ref_polygon_polygon_collides(ref(q), ref(p));
}
inline bool hits(const ConvexPolygon& q, const ConvexPolytope& p) {
    return near(broadphase(q), broadphase(p)) && ref_polygon_polytope_collides(ref(q), ref(p));
}
inline bool hits(const ConvexPolygon& q, const Plane& p) {
    return ref_polygon_infinite_plane_collides(q.vertices_3d, p);
}
inline bool hits(const ConvexPolygon& q, const Line& l) {
    return parametric_line_dist_sq(ref(q), l.origin, l.dir, -INF, INF) <= 0.0f;
}
inline bool hits(const ConvexPolygon& q, const Ray& l) {
    return parametric_line_dist_sq(ref(q), l.origin, l.dir, 0, INF) <= 0.0f;
}

// ---- Line, Ray, LineSegment
inline bool param_hits(const Param& q, const Sphere& s) { return ball_param(s.center, s.radius, q); }
inline bool param_hits(const Param& q, const Point& p) { return ball_param(p.p, 0.0f, q); }
inline bool param_hits(const Param& q, const Capsule& k) {
    return clamped_line_segment_dist_sq(q.o, q.dir, k.p1, k.dir, q.t0, q.t1) <= k.radius * k.radius;
}
inline bool param_hits(const Param& q, const Cuboid& b) { return line_cuboid_collides(q.o, q.dir, b, q.t0, q.t1); }
inline bool param_hits(const Param& q, const Cylinder& k) { return line_cylinder_collides(q.o, q.dir, k, q.t0, q.t1); }
inline bool param_hits(const Param& q, const LineSegment& s) { return params_cross(q, param(s)); }
inline bool param_hits(const Param& q, const ConvexPolygon& p) {
    return parametric_line_dist_sq(ref(p), q.o, q.dir, q.t0, q.t1) <= 0.0f;
}
inline bool param_hits(const Param& q, const ConvexPolytope& p) {
    return polytope_clip_collides(ref(p), q.o, q.dir, q.t0, q.t1);
}
inline bool param_hits(const Param& q, const Plane& p) { return half_space_param_collides(p, q.o, q.dir, q.t0, q.t1); }
inline bool param_hits(const Param& q, const Line& l) { return params_cross(q, param(l)); }
inline bool param_hits(const Param& q, const Ray& l) { return params_cross(q, param(l)); }
template <class Item>
    requires(!std::same_as<Item, Pointcloud>)
bool hits(const Line& q, const Item& item) { return param_hits(param(q), item); }
template <class Item>
    requires(!std::same_as<Item, Pointcloud>)
bool hits(const Ray& q, const Item& item) { return param_hits(param(q), item); }
template <class Item>
    requires(!std::same_as<Item, Pointcloud>)
bool hits(const LineSegment& q, const Item& item) { return param_hits(param(q), item); }

// ---- Plane
inline bool hits(const Plane& q, const Sphere& s) { return (dot(q.normal, s.center) - q.d) - s.radius <= 0.0f; }
inline bool hits(const Plane& q, const Point& p) { return dot(q.normal, p.p) <= q.d; }
inline bool hits(const Plane& q, const Capsule& k) { return half_space_capsule_collides(q, k); }
inline bool hits(const Plane& q, const Cuboid& b) { return half_space_cuboid_collides(q, b); }
inline bool hits(const Plane& q, const Cylinder& k) { return half_space_cylinder_collides(q, k); }
inline bool hits(const Plane& q, const LineSegment& s) { return half_space_param_collides(q, s.p1, s.dir, 0, 1); }
inline bool hits(const Plane& q, const ConvexPolygon& p) {
    return ref_polygon_infinite_plane_collides(p.vertices_3d, q);
}
inline bool hits(const Plane& q, const ConvexPolytope& p) { return half_space_polytope_collides(q, ref(p)); }
inline bool hits(const Plane& q, const Plane& p) { return half_spaces_collide(q, p); }
inline bool hits(const Plane& q, const Line& l) { return half_space_param_collides(q, l.origin, l.dir, -INF, INF); }
inline bool hits(const Plane& q, const Ray& l) { return half_space_param_collides(q, l.origin, l.dir, 0, INF); }

// ---- point clouds: every cloud whose bounding sphere meets the query's (all clouds for the
// kinds without one), by the cloud's own test.
template <class Q>
bool hits(const Q& q, const Pointcloud& cloud) {
    if constexpr (requires { broadphase(q); })
        return near(broadphase(cloud), broadphase(q)) && broad_item_collides(cloud, q);
    else
        return point_cloud_collides(cloud, q);
}

// ---- a cloud of another collider against one held item
inline bool cloud_pair(const Pointcloud& cloud, const Sphere& s) { return point_cloud_collides(cloud, s); }
inline bool cloud_pair(const Pointcloud& cloud, const Point& p) { return point_cloud_collides(cloud, Sphere{p.p, 0}); }
inline bool cloud_pair(const Pointcloud& cloud, const Pointcloud& item) {
    return near(broadphase(cloud), broadphase(item)) && clouds_collide(cloud, item);
}
template <class T>
bool cloud_pair(const Pointcloud& cloud, const T& item) {
    if constexpr (requires { broadphase(item); })
        return near(broadphase(cloud), broadphase(item)) && point_cloud_collides(cloud, item, done);
    else
        return point_cloud_collides(cloud, item);
}

// An item of the other collider against one held item: balls and the shapes as queries, points as
// balls of radius 0, clouds by their own tests.
template <class B, class A>
bool other_item_hits(const B& b, const A& a) {
    if constexpr (std::is_same_v<B, Point>)
        return hits(Sphere{b.p, 0.0f}, a);
    else if constexpr (std::is_same_v<B, Pointcloud>)
        return cloud_pair(b, a);
    else
        return hits(b, a);
}

}  // namespace brute
