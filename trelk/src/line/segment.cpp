#include "line/segment.hpp"

#include "bounds.hpp"
#include "cuboid.hpp"

namespace trelk {

Sphere broadphase(const LineSegment& s) { return {s.p1 + s.dir * 0.5f, length(s.dir) * 0.5f}; }

// A point-like segment gets the box from p1 to p1: centre (p1 + p1) / 2 and half extents
// (p1 - p1) / 2, which are p1 and zero for a finite p1 and NaN where p1 is not finite.
Cuboid obb(const LineSegment& s) {
    SegmentFrame f = segment_frame(s.dir);
    if (f.degenerate) return Cuboid::from_aabb(s.p1, s.p1);
    return Cuboid::make(s.p1 + s.dir * 0.5f, f.axes, {f.length * 0.5f, 0.0f, 0.0f});
}

// Plain comparisons, not min/max-num: a NaN end gives a NaN box instead of a box around the other
// end only, which would claim to bound a segment it knows nothing about.
Cuboid aabb(const LineSegment& s) {
    const Vec3 e = s.p1 + s.dir;
    Vec3 lo, hi;
    for (int i = 0; i < 3; ++i) {
        lo[i] = s.p1[i] < e[i] ? s.p1[i] : e[i];
        hi[i] = s.p1[i] > e[i] ? s.p1[i] : e[i];
    }
    return Cuboid::from_aabb(lo, hi);
}

}  // namespace trelk
