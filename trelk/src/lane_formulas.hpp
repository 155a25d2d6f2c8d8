// Point and sphere formulas of the collider queries and the shape pair tests, written once for one
// float and for four lanes (T = float or F32x4) so that the all-lanes scans and the one-by-one
// tests compute the same expression in the same order. Comparisons with a NaN never accept, and the clamps below keep a
// NaN parameter as NaN (it then fails the final comparison).
#pragma once

#include <type_traits>

#include "cuboid.hpp"
#include "cylinder.hpp"
#include "lanes.hpp"
#include "math.hpp"
#include "simd/f32x4.hpp"

namespace trelk::lane_formulas {

using lanes::lit;
using lanes::V3;
using simd::F32x4;
using simd::Mask4;

inline float pick(bool m, float a, float b) { return m ? a : b; }
inline F32x4 pick(Mask4 m, F32x4 a, F32x4 b) { return simd::native::select(m, a, b); }
using lanes::ge;
using lanes::gt;
using lanes::le;
using lanes::lt;
using simd::native::andnot;

template <class T>
V3<T> sub(V3<T> a, V3<T> b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
// p + dir * t for a fixed point and direction.
template <class T>
V3<T> along(Vec3 p, Vec3 dir, T t) {
    return {lit<T>(p.x) + lit<T>(dir.x) * t, lit<T>(p.y) + lit<T>(dir.y) * t, lit<T>(p.z) + lit<T>(dir.z) * t};
}
template <class T>
T length_sq(V3<T> a) {
    return (a.x * a.x + a.y * a.y) + a.z * a.z;
}

// How the parameter of a parametric line is confined: not at all, to t >= 0, or to [0, 1].
enum class Span { line, ray, segment };

template <Span S, class T>
T confine(T t) {
    if constexpr (S != Span::line) t = pick(lt(t, lit<T>(0.0f)), lit<T>(0.0f), t);
    if constexpr (S == Span::segment) t = pick(gt(t, lit<T>(1.0f)), lit<T>(1.0f), t);
    return t;
}

// Squared distance from q to the nearest point of start + dir * t, t confined by S, with t taken
// as rdv * (dir . (q - start)).
template <Span S, class T>
T param_dist_sq(V3<T> q, Vec3 start, Vec3 dir, float rdv) {
    const T t = confine<S>(lit<T>(rdv) * lanes::dot(lanes::splat3<T>(dir), sub(q, lanes::splat3<T>(start))));
    return length_sq(sub(q, along(start, dir, t)));
}

// Squared distance from q to the solid box with the box's axes as given (no axis-aligned shortcut):
// per axis the overshoot |(q - center) . a_k| - h_k counts when it is positive.
template <class T>
T box_dist_sq(V3<T> q, const Cuboid& b) {
    const V3<T> d = sub(q, lanes::splat3<T>(b.center));
    T sum[3];
    for (int k = 0; k < 3; ++k) {
        const T e = lanes::abs(lanes::dot(d, lanes::splat3<T>(b.axes[k]))) - lit<T>(b.half_extents[k]);
        sum[k] = pick(gt(e, lit<T>(0.0f)), e * e, lit<T>(0.0f));
    }
    return (sum[0] + sum[1]) + sum[2];
}

// The ball (c, r) against the solid flat-capped cylinder, without square roots: beside the axis
// range the radial distance decides; beyond a cap, the distance to the cap disc (inside the rim
// the axial gap alone, outside it the distance to the rim circle).
template <class T>
auto ball_cylinder(V3<T> c, T r, const Cylinder& cyl) {
    const V3<T> w = sub(c, lanes::splat3<T>(cyl.p1));
    const V3<T> dir = lanes::splat3<T>(cyl.dir);
    const T t = lit<T>(cyl.rdv) * lanes::dot(dir, w);
    const T rho_sq = length_sq(sub(w, V3<T>{dir.x * t, dir.y * t, dir.z * t}));
    const T dd = lit<T>(length_sq(V3<float>{cyl.dir.x, cyl.dir.y, cyl.dir.z}));
    const T big_r = lit<T>(cyl.radius), big_r_sq = big_r * big_r;
    const T reach = r + big_r;
    const auto beside = ge(t, lit<T>(0.0f)) & le(t, lit<T>(1.0f));
    const T cap = pick(lt(t, lit<T>(0.0f)), lit<T>(0.0f), lit<T>(1.0f));
    const T u = t - cap;
    const T a_sq = dd * (u * u);
    const T r_sq = r * r;
    const T l = ((rho_sq + big_r_sq) + a_sq) - r_sq;
    const auto beside_hit = le(rho_sq, reach * reach);
    const auto within_rim = le(rho_sq, big_r_sq);
    const auto cap_hit = le(a_sq, r_sq);
    const auto rim_hit = le(l, lit<T>(0.0f)) | le(l * l, (lit<T>(4.0f) * big_r_sq) * rho_sq);
    if constexpr (std::is_same_v<T, float>)
        return beside ? beside_hit : within_rim ? cap_hit : rim_hit;
    else
        return (beside & beside_hit) | andnot(within_rim & cap_hit, beside) |
               andnot(andnot(rim_hit, within_rim), beside);
}

// Signed overshoot of the ball (c, r) beyond the half-space n . x <= d: ((n . c) - d) - r.
template <class T>
T ball_plane_gap(V3<T> c, T r, Vec3 n, float d) {
    return (lanes::dot(lanes::splat3<T>(n), c) - lit<T>(d)) - r;
}

}  // namespace trelk::lane_formulas
