// Segment p1 + s dir, 0 <= s <= 1.
#pragma once

#include "line/param_line.hpp"
#include "ops.hpp"
#include "sphere.hpp"

namespace trelk {

struct LineSegment {
    Vec3 p1;
    Vec3 dir;  // second end minus first end, taken after both ends are single precision
    float rdv = 0.0f;  // derived: inverse_length_sq(dir)

    using Rules = ParamLineRules<LineSegment, &LineSegment::p1>;
    static LineSegment make(Vec3 p1, Vec3 dir) { return Rules::make(p1, dir); }
    static LineSegment between(Vec3 p1, Vec3 p2) { return Rules::make(p1, p2 - p1); }
    Vec3 p2() const { return p1 + dir; }
};

inline void translate(LineSegment& s, Vec3 o) { LineSegment::Rules::translate(s, o); }
template <class Map>
inline void remap(LineSegment& s, const Map& m) { LineSegment::Rules::remap(s, m); }
inline void scale(LineSegment& s, float f) { LineSegment::Rules::scale(s, f); }

Sphere broadphase(const LineSegment& s);
Cuboid obb(const LineSegment& s);
Cuboid aabb(const LineSegment& s);

}  // namespace trelk
