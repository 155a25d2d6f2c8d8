#include "line/line_pair.hpp"

#include "util.hpp"

namespace trelk {

namespace {

float clamp_to(float x, float lo, float hi) {
    if (x < lo) x = lo;
    if (x > hi) x = hi;
    return x;
}

}  // namespace

float param_pair_dist_sq(Vec3 p1, Vec3 d1, float t0, float t1, Vec3 p2, Vec3 d2, float s0, float s1) {
    const Vec3 r = p1 - p2;
    const float a = dot(d1, d1), e = dot(d2, d2), f = dot(d2, r);
    float t = 0.0f, s = 0.0f;
    if (a == 0.0f && e != 0.0f) {
        s = clamp_to(f / e, s0, s1);
    } else if (a != 0.0f) {
        const float c = dot(d1, r);
        if (e == 0.0f) {
            t = clamp_to(-c / a, t0, t1);
        } else {
            const float b = dot(d1, d2);
            const float denom = a * e - b * b;
            if (denom != 0.0f) t = clamp_to((b * f - c * e) / denom, t0, t1);
            s = (f + b * t) / e;
            // The nearest s for that t left the range: hold s at the bound and move t again.
            if (s < s0 || s > s1) {
                s = s < s0 ? s0 : s1;
                t = clamp_to((b * s - c) / a, t0, t1);
            }
        }
    }
    return length_sq((p1 + d1 * t) - (p2 + d2 * s));
}

namespace {

bool is_segment(const LinePart& l) { return l.tmin == 0.0f && l.tmax == 1.0f; }

}  // namespace

float line_parts_dist_sq(const LinePart& a, const LinePart& b) {
    if (is_segment(b)) return clamped_line_segment_dist_sq(a.origin, a.dir, b.origin, b.dir, a.tmin, a.tmax);
    if (is_segment(a)) return clamped_line_segment_dist_sq(b.origin, b.dir, a.origin, a.dir, b.tmin, b.tmax);
    return param_pair_dist_sq(a.origin, a.dir, a.tmin, a.tmax, b.origin, b.dir, b.tmin, b.tmax);
}

}  // namespace trelk
