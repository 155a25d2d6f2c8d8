// Half-line origin + t dir, t >= 0.
#pragma once

#include "line/param_line.hpp"
#include "ops.hpp"

namespace trelk {

struct Ray {
    Vec3 origin;
    Vec3 dir;
    float rdv = 0.0f;  // derived: inverse_length_sq(dir)

    using Rules = ParamLineRules<Ray, &Ray::origin>;
    static Ray make(Vec3 origin, Vec3 dir) { return Rules::make(origin, dir); }
};

inline void translate(Ray& r, Vec3 o) { Ray::Rules::translate(r, o); }
template <class Map>
inline void remap(Ray& r, const Map& m) { Ray::Rules::remap(r, m); }
inline void scale(Ray& r, float f) { Ray::Rules::scale(r, f); }

}  // namespace trelk
