// Solid half-space normal . x <= d. The normal is used as given, never normalised.
#pragma once

#include "math.hpp"
#include "ops.hpp"

namespace trelk {

struct Plane {
    Vec3 normal;  // outward
    float d = 0.0f;

    // The half-space whose boundary holds `point`; the normal is kept as given.
    static Plane from_point_normal(Vec3 point, Vec3 normal) { return {normal, dot(point, normal)}; }
};

inline void translate(Plane& p, Vec3 o) { p.d += dot(p.normal, o); }
template <class Map>
inline void remap(Plane& p, const Map& m) {
    p.normal = m.normal(p.normal);
    if constexpr (Map::affine) p.d = p.d + dot(p.normal, m.translation());
}
inline void scale(Plane& p, float f) { p.d *= f; }

}  // namespace trelk
