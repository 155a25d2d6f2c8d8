#include "cuboid.hpp"

#include <algorithm>
#include <cmath>

#include "bounds.hpp"
#include "capsule.hpp"
#include "simd/f32x4.hpp"

namespace trelk {

Sphere broadphase(const Cuboid& b) { return {b.center, length(b.half_extents)}; }
// An aligned box is its own bound: the pair tests read it by its half extents alone.
Cuboid aabb(const Cuboid& b) { return b.axis_aligned ? b : box_aabb(b); }

Cuboid enclosing_image(const Cuboid& b, const Mat3& linear, Vec3 center) {
    Vec3 u[3];
    u[0] = normalize_or_zero(linear * b.axes[0]);
    const Vec3 second = linear * b.axes[1];
    u[1] = normalize_or_zero(second - u[0] * dot(second, u[0]));
    u[2] = normalize_or_zero(cross(u[0], u[1]));
    if (length_sq(u[0]) == 0.0f || length_sq(u[1]) == 0.0f) u[0] = {1, 0, 0}, u[1] = {0, 1, 0}, u[2] = {0, 0, 1};
    Vec3 half;
    for (const Vec3& corner : b.corners()) {
        const Vec3 w = linear * (corner - b.center);
        for (int i = 0; i < 3; ++i) half[i] = max_num(half[i], std::fabs(dot(w, u[i])));
    }
    // Rounding of the products above: widen by a few units in the last place.
    half = half * (1.0f + 8.0f * EPS);
    return Cuboid::make(center, {u[0], u[1], u[2]}, half);
}

std::array<Vec3, 8> Cuboid::corners() const {
    const Vec3 u = half_extents.x * axes[0], v = half_extents.y * axes[1], w = half_extents.z * axes[2];
    std::array<Vec3, 8> out;
    for (int k = 0; k < 8; ++k) {
        const float s0 = k & 4 ? 1.0f : -1.0f, s1 = k & 2 ? 1.0f : -1.0f, s2 = k & 1 ? 1.0f : -1.0f;
        out[k] = center + (s2 * w + (s0 * u + s1 * v));
    }
    return out;
}

bool Cuboid::contains_point(Vec3 p) const {
    const Vec3 d = p - center;
    for (int i = 0; i < 3; ++i)
        if (std::fabs(dot(d, axes[i])) > half_extents[i]) return false;
    return true;
}

float Cuboid::point_dist_sq(Vec3 p) const {
    float sum[3];
    for (int i = 0; i < 3; ++i) {
        float e = axis_aligned ? std::fabs(p[i] - center[i]) - half_extents[i]
                               : std::fabs(dot(p - center, axes[i])) - half_extents[i];
        sum[i] = e > 0.0f ? e * e : 0.0f;
    }
    return (sum[0] + sum[1]) + sum[2];
}

bool Collides<Cuboid, Cuboid>::test(const Cuboid& a, const Cuboid& b) {
    return cuboid_cuboid_collides(a, b, Prefilter::bounds);
}

bool cuboid_cuboid_collides(const Cuboid& a, const Cuboid& b, Prefilter prefilter) {
    if (a.axis_aligned && b.axis_aligned) {
        for (int i = 0; i < 3; ++i)
            if (!(std::fabs(b.center[i] - a.center[i]) <= a.half_extents[i] + b.half_extents[i])) return false;
        return true;
    }
    Vec3 t = b.center - a.center;
    float sphere_reach = length(a.half_extents) + length(b.half_extents);
    if (prefilter == Prefilter::bounds && dot(t, t) > sphere_reach * sphere_reach) return false;

    // Separating-axis test in a's frame; the 1e-6 keeps near-parallel edge pairs from separating.
    float R[3][3], AbsR[3][3], T[3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            R[i][j] = dot(a.axes[i], b.axes[j]);
            AbsR[i][j] = std::fabs(R[i][j]) + 1e-6f;
        }
        T[i] = dot(t, a.axes[i]);
    }
    const Vec3 &ha = a.half_extents, &hb = b.half_extents;
    for (int i = 0; i < 3; ++i) {
        float reach_i = ((ha[i] + hb[0] * AbsR[i][0]) + hb[1] * AbsR[i][1]) + hb[2] * AbsR[i][2];
        if (std::fabs(T[i]) > reach_i) return false;
    }
    for (int j = 0; j < 3; ++j) {
        float reach_j = ((hb[j] + ha[0] * AbsR[0][j]) + ha[1] * AbsR[1][j]) + ha[2] * AbsR[2][j];
        if (std::fabs((T[0] * R[0][j] + T[1] * R[1][j]) + T[2] * R[2][j]) > reach_j) return false;
    }
    // Edge pairs A_i x B_j. The left side pairs the other two axes of a cyclically, the right side
    // lists them in increasing order.
    static constexpr int other[3][2] = {{1, 2}, {0, 2}, {0, 1}};
    for (int i = 0; i < 3; ++i) {
        int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        int m1 = other[i][0], m2 = other[i][1];
        for (int j = 0; j < 3; ++j) {
            int k1 = other[j][0], k2 = other[j][1];
            float reach = ((ha[m1] * AbsR[m2][j] + ha[m2] * AbsR[m1][j]) + hb[k1] * AbsR[i][k2]) + hb[k2] * AbsR[i][k1];
            if (std::fabs(T[i2] * R[i1][j] - T[i1] * R[i2][j]) > reach) return false;
        }
    }
    return true;
}

namespace {

// The capsule's core in the box frame: point delta + t * d, t in [0, 1], against half extents h.
struct CoreInBox {
    Vec3 delta, d, h;

    // Squared distance from the core point at t to the box.
    float dist_sq(float t) const {
        float sum = 0.0f;
        for (int i = 0; i < 3; ++i) {
            float e = max_num(std::fabs(delta[i] + t * d[i]) - h[i], 0.0f);
            sum = sum + e * e;
        }
        return sum;
    }

    bool any_within(simd::F32x4 t, float r2) const {
        using simd::F32x4;
        F32x4 sum = F32x4::splat(0.0f);
        for (int i = 0; i < 3; ++i) {
            F32x4 p = F32x4::splat(delta[i]) + t * F32x4::splat(d[i]);
            F32x4 e = max(abs(p) - F32x4::splat(h[i]), F32x4::splat(0.0f));
            sum = sum + e * e;
        }
        return any(le(sum, F32x4::splat(r2)));
    }

    // The squared distance along the core is convex and piecewise quadratic, with its pieces
    // bounded by the slab crossings. Given every crossing in [0, 1] (and both ends), the minimum is
    // at a crossing or at the stationary point of one piece; this tries the latter.
    bool piece_minimum_within(float (&breaks)[8], float r2) const {
        for (float b : breaks)
            if (std::isnan(b)) return false;
        // Sorting network of 19 compare-exchanges (eight NaN-free numbers): branch-free; an insertion
        // sort here spent a quarter of the routine's time reloading half of what it had just stored.
        static constexpr int network[19][2] = {{0, 2}, {1, 3}, {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6},
                                               {3, 7}, {0, 1}, {2, 3}, {4, 5}, {6, 7}, {2, 4}, {3, 5},
                                               {1, 4}, {3, 6}, {1, 2}, {3, 4}, {5, 6}};
        for (const auto& [i, j] : network) {
            float lo = std::min(breaks[i], breaks[j]), hi = std::max(breaks[i], breaks[j]);
            breaks[i] = lo;
            breaks[j] = hi;
        }
        for (int k = 0; k + 1 < 8; ++k) {
            float lo = breaks[k], hi = breaks[k + 1];
            if (!(lo < hi)) continue;
            float mid = (lo + hi) * 0.5f;
            // Axes outside their slab on this piece contribute (s_i (delta_i + t d_i) - h_i)^2.
            float num = 0.0f, den = 0.0f;
            for (int i = 0; i < 3; ++i) {
                float p = delta[i] + mid * d[i];
                if (std::fabs(p) > h[i]) {
                    float target = p > 0.0f ? h[i] : -h[i];
                    num += (target - delta[i]) * d[i];
                    den += d[i] * d[i];
                }
            }
            if (!(den > 0.0f)) continue;  // constant piece: its ends were measured already
            float t = num / den;
            if (t > lo && t < hi && dist_sq(t) <= r2) return true;
        }
        return false;
    }
};

}  // namespace

bool capsule_cuboid_collides(const Capsule& capsule, const Cuboid& box) {
    const float r2 = capsule.radius * capsule.radius;
    const Vec3 h = box.half_extents;

    // A vertical core against an unrotated box: exact distance in closed form.
    if (capsule.z_aligned && box.axis_aligned) {
        float ex = max_num(std::fabs(capsule.p1.x - box.center.x) - h.x, 0.0f);
        float ey = max_num(std::fabs(capsule.p1.y - box.center.y) - h.y, 0.0f);
        float q = ex * ex + ey * ey;
        if (q > r2) return false;
        float z0 = capsule.p1.z - box.center.z, z1 = z0 + capsule.dir.z;
        float zlo = min_num(z0, z1), zhi = max_num(z0, z1);
        float ez = zhi < -h.z ? -h.z - zhi : zlo > h.z ? zlo - h.z : 0.0f;
        return q + ez * ez <= r2;
    }

    CoreInBox core{capsule.p1 - box.center, capsule.dir, h};
    if (!box.axis_aligned) {
        Vec3 rel = core.delta, d = core.d;
        for (int i = 0; i < 3; ++i) {
            core.delta[i] = dot(rel, box.axes[i]);
            core.d[i] = dot(d, box.axes[i]);
        }
    }
    // Both ends and every slab crossing along the core, clamped into [0, 1].
    float cross_lo[3], cross_hi[3];
    for (int i = 0; i < 3; ++i) {
        float inv = std::fabs(core.d[i]) > EPS ? 1.0f / core.d[i] : 3.4028235e38f;
        cross_lo[i] = clamp01(inv * (-h[i] - core.delta[i]));
        cross_hi[i] = clamp01(inv * (h[i] - core.delta[i]));
    }
    using simd::F32x4;
    if (core.any_within(F32x4::set(0.0f, 1.0f, cross_lo[0], cross_hi[0]), r2)) return true;
    if (core.any_within(F32x4::set(cross_lo[1], cross_hi[1], cross_lo[2], cross_hi[2]), r2)) return true;
    float breaks[8] = {0.0f, 1.0f, cross_lo[0], cross_hi[0], cross_lo[1], cross_hi[1], cross_lo[2], cross_hi[2]};
    return core.piece_minimum_within(breaks, r2);
}

}  // namespace trelk
