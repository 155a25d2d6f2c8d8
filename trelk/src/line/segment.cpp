#include "line/segment.hpp"

#include "bounds.hpp"
#include "cuboid.hpp"

namespace trelk {

Sphere broadphase(const LineSegment& s) { return {s.p1 + s.dir * 0.5f, length(s.dir) * 0.5f}; }

Cuboid obb(const LineSegment& s) {
    SegmentFrame f = segment_frame(s.dir);
    if (f.degenerate) return Cuboid::aligned(s.p1, {});
    return Cuboid::make(s.p1 + s.dir * 0.5f, f.axes, {f.length * 0.5f, 0.0f, 0.0f});
}

Cuboid aabb(const LineSegment& s) {
    Vec3 p2 = s.p1 + s.dir;
    Vec3 lo = min_num(s.p1, p2), hi = max_num(s.p1, p2);
    return Cuboid::aligned((lo + hi) * 0.5f, (hi - lo) * 0.5f);
}

}  // namespace trelk
