#include "cylinder_collides.hpp"

#include <cmath>

#include "convex_search.hpp"
#include "empty_shapes.hpp"
#include "lanes.hpp"
#include "line/line_cuboid.hpp"
#include "plane/polygon_collides.hpp"
#include "simd/f32x4.hpp"
#include "support/fault.hpp"
#include "util.hpp"

namespace trelk {

namespace {

using lanes::V3;

template <class T>
V3<T> operator-(V3<T> a, V3<T> b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
template <class T>
V3<T> scaled(V3<T> a, T s) {
    return {a.x * s, a.y * s, a.z * s};
}

inline bool ge(float a, float b) { return a >= b; }
using simd::native::ge;

// The point q against the solid, by its axis parameter t = ((q - p1) . dir) rdv and its radial
// distance: inside when 0 <= t <= 1 and the radial distance is at most the radius.
template <class T>
auto holds(const Cylinder& c, V3<T> q) {
    V3<T> v = q - lanes::splat3<T>(c.p1);
    V3<T> dir = lanes::splat3<T>(c.dir);
    T t = lanes::dot(v, dir) * lanes::lit<T>(c.rdv);
    V3<T> radial = v - scaled(dir, t);
    return ge(t, lanes::lit<T>(0.0f)) & lanes::le(t, lanes::lit<T>(1.0f)) &
           lanes::le(lanes::dot(radial, radial), lanes::lit<T>(c.radius * c.radius));
}

// Like holds, but a NaN axis parameter is not taken as outside the slab.
bool holds_admitting_nan(const Cylinder& c, Vec3 q) {
    Vec3 v = q - c.p1;
    float t = dot(v, c.dir) * c.rdv;
    if (t < 0.0f || t > 1.0f) return false;
    Vec3 radial = v - c.dir * t;
    return dot(radial, radial) <= c.radius * c.radius;
}

// The capsule's core point at parameter s against the cylinder, as the ball of the capsule's
// radius around it.
struct CoreAgainstCylinder {
    const Cylinder& cyl;
    const Capsule& cap;
    float axis_sq;  // cylinder dir . dir

    template <class T>
    struct Measure {
        T t, radial_sq, axial_sq;
    };
    template <class T>
    Measure<T> measure(T s) const {
        V3<T> p{lanes::lit<T>(cap.p1.x) + s * lanes::lit<T>(cap.dir.x),
                lanes::lit<T>(cap.p1.y) + s * lanes::lit<T>(cap.dir.y),
                lanes::lit<T>(cap.p1.z) + s * lanes::lit<T>(cap.dir.z)};
        V3<T> v = p - lanes::splat3<T>(cyl.p1);
        V3<T> axis = lanes::splat3<T>(cyl.dir);
        T t = lanes::dot(v, axis) * lanes::lit<T>(cyl.rdv);
        V3<T> radial = v - scaled(axis, t);
        // How far t lies outside [0, 1], as a length along the axis.
        T beyond = t - lanes::min(lanes::max(t, lanes::lit<T>(0.0f)), lanes::lit<T>(1.0f));
        return {t, lanes::dot(radial, radial), beyond * beyond * lanes::lit<T>(axis_sq)};
    }

    // The ball meets the solid: over the cap disc, beside the side wall, or reaching the rim.
    template <class T>
    auto hits(T s) const {
        using lanes::le;
        Measure<T> m = measure(s);
        const T R2 = lanes::lit<T>(cyl.radius * cyl.radius), r2 = lanes::lit<T>(cap.radius * cap.radius);
        const float reach = cyl.radius + cap.radius;
        T k = (m.axial_sq + (m.radial_sq + R2)) - r2;
        auto over_cap = le(m.radial_sq, R2) & le(m.axial_sq, r2);
        auto beside_wall = ge(m.t, lanes::lit<T>(0.0f)) & le(m.t, lanes::lit<T>(1.0f)) &
                           le(m.radial_sq, lanes::lit<T>(reach * reach));
        auto at_rim = le(k, lanes::lit<T>(0.0f)) |
                      le(k * k, lanes::lit<T>(4.0f * (cyl.radius * cyl.radius)) * m.radial_sq);
        return over_cap | beside_wall | at_rim;
    }

    // Squared distance from the core point to the solid.
    float excess_sq(float s) const {
        Measure<float> m = measure(s);
        float wall = max_num(std::sqrt(m.radial_sq) - cyl.radius, 0.0f);
        return m.axial_sq + wall * wall;
    }
};

}  // namespace

bool cylinder_capsule_collides(const Cylinder& cyl, const Capsule& cap) {
    const Vec3 w = cap.p1 - cyl.p1, d = cap.dir, D = cyl.dir;
    const float a = dot(d, d), e = dot(D, D), f = dot(w, D);

    // Closest approach of the capsule's line to the cylinder's axis line.
    float s_close;
    if (!(a > EPS)) {
        s_close = 0.0f;
    } else {
        float c = dot(w, d);
        if (!(e > EPS)) {
            s_close = clamp01(-c / a);
        } else {
            float b = dot(d, D), denom = a * e - b * b;
            s_close = !(std::fabs(denom) > EPS) ? 0.5f : clamp01((b * f - c * e) / denom);
        }
    }
    // Where the capsule's line crosses the two cap planes.
    float g = dot(d, D), s_cap0 = 0.0f, s_cap1 = 1.0f;
    if (std::fabs(g) > EPS) {
        s_cap0 = clamp01(-f / g);
        s_cap1 = clamp01((e - f) / g);
    }

    const CoreAgainstCylinder core{cyl, cap, e};
    using simd::F32x4;
    if (simd::native::any(core.hits(F32x4::set(0.0f, 1.0f, s_close, s_cap0)))) return true;
    if (simd::native::any(core.hits(F32x4::set(s_cap1, 0.25f, 0.5f, 0.75f)))) return true;

    // The nearest point of the core can lie between the samples. The solid lies within its radius
    // of its axis segment, so cores farther apart than both radii cannot meet; otherwise the core
    // point's distance to the solid is convex along the core and its minimum is searched for.
    const float reach = cyl.radius + cap.radius;
    if (clamped_line_segment_dist_sq(cap.p1, d, cyl.p1, D, 0.0f, 1.0f) > reach * reach) return false;
    return convex_min_within([&](float s) { return core.excess_sq(s); }, cap.radius * cap.radius);
}

bool cylinder_cuboid_collides(const Cylinder& cyl, const Cuboid& box) {
    // The axis segment with the cylinder's radius, always on the box's general path (the flag that
    // selects the vertical shortcut is cleared). That routine finds the exact nearest point.
    const Capsule axis{cyl.p1, cyl.dir, cyl.radius, cyl.rdv, false};
    if (capsule_cuboid_collides(axis, box)) return true;

    // Corners: the four with -h0 in the sign order (-,-), (-,+), (+,-), (+,+) of the other two
    // axes, then the four with +h0.
    Vec3 corner[8];
    int k = 0;
    for (float s0 : {-1.0f, 1.0f})
        for (float s1 : {-1.0f, 1.0f})
            for (float s2 : {-1.0f, 1.0f})
                corner[k++] = ((box.center + box.axes[0] * (s0 * box.half_extents.x)) +
                               box.axes[1] * (s1 * box.half_extents.y)) +
                              box.axes[2] * (s2 * box.half_extents.z);
    if (simd::native::any(holds(cyl, lanes::load_points(&corner[0])))) return true;
    return simd::native::any(holds(cyl, lanes::load_points(&corner[4])));
}

bool line_cylinder_collides(Vec3 o, Vec3 d, const Cylinder& cyl, float tmin, float tmax) {
    const Vec3 D = cyl.dir;
    const float R2 = cyl.radius * cyl.radius;
    const float L = dot(D, D);
    if (L < EPS) {
        // No usable axis: the ball around p1.
        if (!(tmin <= tmax)) quorix::fail_clamp(tmin, tmax);
        float a = dot(d, d);
        float t = quorix::checked_clamp((a > EPS ? 1.0f / a : 0.0f) * dot(d, cyl.p1 - o), tmin, tmax);
        Vec3 gap = (o + d * t) - cyl.p1;
        return dot(gap, gap) <= R2;
    }
    const float len = std::sqrt(L);
    const Vec3 n = D / len;
    const float dn = dot(n, d);
    const Vec3 w = o - cyl.p1;
    const float wn = dot(n, w);
    const Vec3 d_perp = d - n * dn, w_perp = w - n * wn;
    const float A = dot(d_perp, d_perp), C = dot(w_perp, w_perp) - R2;
    const bool axial_moving = std::fabs(dn) > EPS;

    // Parameters between the two cap planes.
    float slab_lo, slab_hi;
    if (axial_moving) {
        float ta = -wn / dn, tb = (len - wn) / dn;
        slab_lo = ta < tb ? ta : tb;
        slab_hi = ta < tb ? tb : ta;
    } else if (0.0f <= wn && wn <= len) {
        slab_lo = -INF, slab_hi = INF;
    } else {
        slab_lo = 1.0f, slab_hi = -1.0f;
    }

    // Side wall: where the radial distance is at most the radius, inside the slab and the range.
    if (A > EPS) {
        float B = 2.0f * dot(w_perp, d_perp);
        float disc = B * B + C * (A * -4.0f);
        if (disc >= 0.0f) {
            float h = 0.5f / A, sq = std::sqrt(disc);
            float t1 = h * (-B - sq), t2 = h * (sq - B);
            float lo = max_num(max_num(t1, slab_lo), tmin), hi = min_num(min_num(t2, slab_hi), tmax);
            if (lo <= hi) return true;
        }
    } else if (A <= EPS && C <= 0.0f) {  // along the axis; a NaN A is neither case
        float lo = max_num(slab_lo, tmin), hi = min_num(slab_hi, tmax);
        if (lo <= hi) return true;
    }

    // Caps: where the line crosses each cap plane, inside the disc.
    if (!axial_moving) return false;
    auto in_disc = [&](Vec3 u) {
        Vec3 radial = u - n * dot(u, n);
        return dot(radial, radial) <= R2;
    };
    float tc0 = -wn / dn;
    if (tc0 >= tmin && tc0 <= tmax && in_disc((o + d * tc0) - cyl.p1)) return true;
    float tc1 = (len - wn) / dn;
    if (!(tc1 >= tmin && tc1 <= tmax)) return false;
    return in_disc((o + d * tc1) - (cyl.p1 + D));
}

namespace {

// Half the axis length plus the radius: the reach of the cylinder's bounding sphere from its
// middle.
float bounding_reach(const Cylinder& c) {
    float len = c.z_aligned ? std::fabs(c.dir.z) : length(c.dir);
    return len * 0.5f + c.radius;
}

}  // namespace

bool cylinder_polygon_collides(const Cylinder& cyl, const RefConvexPolygon& polygon, Prefilter prefilter) {
    if (is_empty(polygon)) return false;
    if (prefilter == Prefilter::bounds) {
        Vec3 m = (cyl.p1 + cyl.dir * 0.5f) - polygon.center;
        float reach = bounding_reach(cyl) + enclosing_radius(polygon);
        if (dot(m, m) > reach * reach) return false;
    }
    for (const Vec3& q : polygon.vertices_3d)
        if (holds_admitting_nan(cyl, q)) return true;
    // Distance from the axis segment: rounded ends.
    return parametric_line_dist_sq(polygon, cyl.p1, cyl.dir, 0.0f, 1.0f) <= cyl.radius * cyl.radius;
}

namespace {

// The axis segment, clipped to [0, 1] by every face plane, keeps some part.
bool axis_inside_planes(const Cylinder& cyl, std::span<const Plane> planes) {
    float tmin = 0.0f, tmax = 1.0f;
    for (const Plane& p : planes) {
        float denom = dot(p.normal, cyl.dir), num = p.d - dot(p.normal, cyl.p1);
        if (std::fabs(denom) > EPS) {
            float t = num / denom;
            if (denom < 0.0f)
                tmin = max_num(tmin, t);
            else
                tmax = min_num(tmax, t);
            if (tmin > tmax) return false;
        } else if (std::fabs(denom) <= EPS && num < 0.0f) {
            return false;  // parallel to the plane and beyond it (a NaN denom clips nothing)
        }
    }
    return tmin <= tmax;
}

}  // namespace

bool cylinder_polytope_collides(const Cylinder& cyl, const RefConvexPolytope& polytope, Prefilter prefilter) {
    if (is_empty(polytope)) return false;
    if (prefilter == Prefilter::bounds) {
        Vec3 m = (cyl.p1 + cyl.dir * 0.5f) - polytope.obb.center;
        float reach = bounding_reach(cyl) + length(polytope.obb.half_extents);
        if (dot(m, m) > reach * reach) return false;
    }
    if (line_cuboid_collides(cyl.p1, cyl.dir, polytope.obb, 0.0f, 1.0f) && axis_inside_planes(cyl, polytope.planes))
        return true;
    for (const Vec3& q : polytope.vertices)
        if (holds_admitting_nan(cyl, q)) return true;
    const float axis_sq = dot(cyl.dir, cyl.dir);
    if (!(axis_sq > EPS) || polytope.planes.empty()) return true;

    // Face planes with the cylinder's support: its end discs reach R sqrt(|n|^2 - (n.a)^2) below
    // the axis along n. Normals shorter than one unit keep the unit-normal reach R sqrt(1 - (n.a)^2),
    // which is wider.
    const Vec3 a = cyl.dir / std::sqrt(axis_sq);
    const Vec3 p1 = cyl.p1, p2 = cyl.p1 + cyl.dir;
    auto beyond = [&]<class T>(V3<T> n, T d) {
        using lanes::dot;
        T c = dot(n, lanes::splat3<T>(a));
        T norm_sq = lanes::max(dot(n, n), lanes::lit<T>(1.0f));
        T support = lanes::lit<T>(cyl.radius) * lanes::sqrt(lanes::max(norm_sq - c * c, lanes::lit<T>(0.0f)));
        T lowest = lanes::min(dot(n, lanes::splat3<T>(p1)), dot(n, lanes::splat3<T>(p2))) - support;
        return lanes::gt(lowest, d);
    };
    return !lanes::any_plane(polytope.planes, beyond);
}

}  // namespace trelk
