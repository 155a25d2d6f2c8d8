// Sweeps of the round and linear kinds and of the half-space.
#include "sweep.hpp"

#include <array>
#include <cmath>

#include "derived.hpp"
#include "round_axis.hpp"
#include "sweep_support.hpp"

namespace trelk {

using namespace sweep_detail;

namespace sweep_detail {

ConvexPolygon polygon_through(Vec3 c, Vec3 n, std::span<const Vec3> corners) {
    Vec3 h = std::fabs(n.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    Vec3 u = normalize(cross(n, h));
    Vec3 v = cross(u, n);
    std::vector<Vec2f> flat;
    flat.reserve(corners.size());
    for (Vec3 p : corners) flat.push_back({dot(p - c, u), dot(p - c, v)});
    return ConvexPolygon::with_axes(c, n, u, v, std::move(flat));
}

}  // namespace sweep_detail

namespace {

// A segment start .. start + dir moved along its own direction: the end that leads the motion
// moves, the other stays.
struct Lengthened {
    Vec3 start, dir;
};
Lengthened lengthen(Vec3 p1, Vec3 dir, Vec3 t) {
    if (dot(dir, t) >= 0.0f) return {p1, ((p1 + dir) + t) - p1};
    Vec3 start = p1 + t;
    return {start, (p1 + dir) - start};
}

// The capsule sweep, shared by cylinders: four capsules (the shape at both ends of the move and the
// paths of both core ends), then the slab between them.
Stretched sweep_round_axis(Vec3 p1, Vec3 dir, float r, Vec3 t) {
    const Vec3 p2 = p1 + dir;
    const Vec3 q1 = p1 + t, q2 = p2 + t;
    const Vec3 n = normalize(cross(dir, t));

    Stretched out;
    out.reserve(5);
    out.emplace_back(Capsule::make(p1, p2 - p1, r));
    out.emplace_back(Capsule::make(q1, q2 - q1, r));
    out.emplace_back(Capsule::make(p1, q1 - p1, r));
    out.emplace_back(Capsule::make(p2, q2 - p2, r));

    const Vec3 rn = n * r;
    std::vector<Vec3> vertices{p1 + rn, p1 - rn, p2 + rn, p2 - rn, q1 + rn, q1 - rn, q2 + rn, q2 - rn};
    const Vec3 m = normalize(cross(n, dir));
    const Vec3 k = normalize(cross(n, t));
    std::vector<Plane> planes;
    planes.reserve(6);
    for (Vec3 normal : {n, -n, m, -m, k, -k}) planes.push_back(outer_plane(normal, vertices));

    std::array<Vec3, 3> axes{normalize_or_zero(dir), m, n};
    Vec3 half;
    for (int i = 0; i < 3; ++i) {
        Extent e = extent(axes[i], vertices);
        half[i] = (e.hi - e.lo) * 0.5f;
    }
    Cuboid box = Cuboid::make((p1 + dir * 0.5f) + t * 0.5f, axes, half);
    out.emplace_back(ConvexPolytope{std::move(planes), std::move(vertices), box});
    return out;
}

template <class S>
Stretched stretch_round_axis(const S& s, Vec3 t) {
    if (parallel(s.dir, t)) {
        Lengthened l = lengthen(s.p1, s.dir, t);
        return {make_round_axis<S>(l.start, l.dir, s.radius)};
    }
    return sweep_round_axis(s.p1, s.dir, s.radius, t);
}

}  // namespace

Stretched stretch(const Sphere& s, Vec3 t) {
    float r = 1.0f / length(t);
    // A zero, overflowing or NaN move, or one too short to give a direction.
    if (!(std::isfinite(r) && r > 0.0f) || length_sq(t * r) < EPS) return {s};
    return {Capsule::make(s.center, (s.center + t) - s.center, s.radius)};
}

Stretched stretch(const Capsule& c, Vec3 t) { return stretch_round_axis(c, t); }
Stretched stretch(const Cylinder& c, Vec3 t) { return stretch_round_axis(c, t); }

Stretched stretch(const Line& l, Vec3 t) {
    if (parallel(l.dir, t)) return {l};
    const Vec3 reach = normalize(l.dir) * kFar;
    const Vec3 a = l.origin - reach, b = l.origin + reach;
    const std::array<Vec3, 4> corners{a, b, b + t, a + t};
    return {polygon_through(l.origin + t * 0.5f, normalize(cross(l.dir, t)), corners)};
}

Stretched stretch(const Ray& r, Vec3 t) {
    if (parallel(r.dir, t)) return {Ray::make(dot(r.dir, t) >= 0.0f ? r.origin : r.origin + t, r.dir)};
    const Vec3 reach = normalize(r.dir) * kFar;
    const Vec3 far = r.origin + reach;
    const std::array<Vec3, 4> corners{r.origin, far, far + t, r.origin + t};
    return {polygon_through((r.origin + reach * 0.5f) + t * 0.5f, normalize(cross(r.dir, t)), corners)};
}

Stretched stretch(const LineSegment& s, Vec3 t) {
    if (parallel(s.dir, t)) {
        Lengthened l = lengthen(s.p1, s.dir, t);
        return {LineSegment::make(l.start, l.dir)};
    }
    const Vec3 p2 = s.p1 + s.dir;
    const std::array<Vec3, 4> corners{s.p1, p2, p2 + t, s.p1 + t};
    return {polygon_through(s.p1 + (s.dir + t) * 0.5f, normalize(cross(s.dir, t)), corners)};
}

// The offset grows only by an outward move; a NaN or negative zero lead counts as +0, so a -0
// offset does not keep its sign by chance of fmax's choice between zeros.
Stretched stretch(const Plane& p, Vec3 t) {
    const float lead = dot(p.normal, t);
    return {Plane{p.normal, p.d + (lead > 0.0f ? lead : 0.0f)}};
}

}  // namespace trelk
