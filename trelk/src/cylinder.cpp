#include "cylinder.hpp"

#include "bounds.hpp"
#include "cuboid.hpp"

namespace trelk {

Cuboid obb(const Cylinder& c) {
    SegmentFrame f = segment_frame(c.dir);
    Vec3 mid = c.p1 + c.dir * 0.5f;
    if (f.degenerate) return Cuboid::aligned(mid, {c.radius, c.radius, c.radius});
    return Cuboid::make(mid, f.axes, {f.length * 0.5f, c.radius, c.radius});
}

// The capsule's box: it also holds the cylinder.
Cuboid aabb(const Cylinder& c) { return widened_segment_aabb(c.p1, c.dir, c.radius); }

}  // namespace trelk
