#include "util.hpp"

#include <cmath>

#include "support/fault.hpp"

namespace trelk {

namespace {

struct ClosestPoints {
    float dist_sq;
    bool shortcut;  // a length or the cross term fell under the threshold and was taken as zero
};

// Closest points of the line part and the segment. Squared lengths and the cross term at or below
// `zero` are taken as zero: a direction as a point, two directions as parallel.
ClosestPoints closest_points(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2, float tmin, float tmax, float zero) {
    auto clamp_t = [&](float t) { return quorix::checked_clamp(t, tmin, tmax); };
    Vec3 r = p1 - p2;
    float a = dot(d1, d1), e = dot(d2, d2), f = dot(d2, r);
    float t, s;
    bool shortcut = false;
    if (a <= zero && e <= zero) {
        t = clamp_t(0.0f);
        s = 0.0f;
        shortcut = true;
    } else if (a <= zero) {
        t = clamp_t(0.0f);
        s = clamp01(f / e);
        shortcut = true;
    } else {
        float c = dot(d1, r);
        if (e <= zero) {
            t = clamp_t(-c / a);
            s = 0.0f;
            shortcut = true;
        } else {
            float b = dot(d1, d2);
            float denom = a * e - b * b;
            if (std::fabs(denom) > zero) {
                t = clamp_t((b * f - c * e) / denom);
            } else {
                t = clamp_t(0.0f);
                shortcut = true;
            }
            s = (f + b * t) / e;
            if (s < 0.0f) {
                s = 0.0f;
                t = clamp_t(-c / a);
            } else if (s > 1.0f) {
                s = 1.0f;
                t = clamp_t((b - c) / a);
            }
        }
    }
    Vec3 gap = (p1 + d1 * t) - (p2 + d2 * s);
    return {(gap.x * gap.x + gap.y * gap.y) + gap.z * gap.z, shortcut};
}

}  // namespace

float clamped_line_segment_dist_sq(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2, float tmin, float tmax) {
    if (!(tmin <= tmax)) quorix::fail_clamp(tmin, tmax);
    ClosestPoints near = closest_points(p1, d1, p2, d2, tmin, tmax, EPS);
    if (!near.shortcut) return near.dist_sq;
    // Short or nearly parallel directions were taken as points or as parallel; for small shapes
    // that can overstate the distance by up to their size. Solving again with exact zero tests
    // gives the true minimum; both results are distances between real points, so the smaller wins.
    ClosestPoints exact = closest_points(p1, d1, p2, d2, tmin, tmax, 0.0f);
    return min_num(near.dist_sq, exact.dist_sq);
}

}  // namespace trelk
