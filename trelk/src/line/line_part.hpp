// The line-like kinds as one parametric range: origin + t dir for tmin <= t <= tmax.
#pragma once

#include <concepts>

#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "util.hpp"

namespace trelk {

struct LinePart {
    Vec3 origin, dir;
    float tmin, tmax;
};

inline LinePart line_part(const Line& l) { return {l.origin, l.dir, -INF, INF}; }
inline LinePart line_part(const Ray& r) { return {r.origin, r.dir, 0.0f, INF}; }
inline LinePart line_part(const LineSegment& s) { return {s.p1, s.dir, 0.0f, 1.0f}; }

template <class L>
concept LineLike = requires(const L& l) {
    { line_part(l) } -> std::same_as<LinePart>;
};

}  // namespace trelk
