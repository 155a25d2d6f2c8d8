// Infinite line origin + t dir, t any real.
#pragma once

#include "line/param_line.hpp"
#include "ops.hpp"

namespace trelk {

struct Line {
    Vec3 origin;
    Vec3 dir;  // any length
    float rdv = 0.0f;  // derived: inverse_length_sq(dir)

    using Rules = ParamLineRules<Line, &Line::origin>;
    static Line make(Vec3 origin, Vec3 dir) { return Rules::make(origin, dir); }
    // The line through a and then b: the value LineSegment::between(a, b) stores.
    static Line from_points(Vec3 a, Vec3 b) { return Rules::make(a, b - a); }
};

inline void translate(Line& l, Vec3 o) { Line::Rules::translate(l, o); }
template <class Map>
inline void remap(Line& l, const Map& m) { Line::Rules::remap(l, m); }
inline void scale(Line& l, float f) { Line::Rules::scale(l, f); }

}  // namespace trelk
