// Convex solid given both as an intersection of half-spaces and by its corner points.
#pragma once

#include <vector>

#include "cuboid.hpp"
#include "math.hpp"
#include "ops.hpp"
#include "plane/infinite.hpp"
#include "sphere.hpp"

namespace trelk {

struct ConvexPolytope {
    std::vector<Plane> planes;  // the solid is every x with normal . x <= d for all planes
    std::vector<Vec3> vertices;
    Cuboid obb;  // derived: a box holding every vertex (fitted by make, or given by the caller)

    // Keeps both lists as given and fits the box to the vertices.
    static ConvexPolytope make(std::vector<Plane> planes, std::vector<Vec3> vertices);
    // An oriented box around the points: principal axes of their covariance, extents fitted.
    static Cuboid fit_obb(const std::vector<Vec3>& vertices);

    // The same as the generic transform(polytope, affine).
    void transform(const Affine3A& a);
};

void translate(ConvexPolytope& p, Vec3 o);
// Planes follow their own rule (by the inverse transpose when the map is not a rotation). The
// box turns with a rotation; after any other map it is fitted to the mapped vertices again, since a
// bent box would no longer hold them.
template <class Map>
inline void remap(ConvexPolytope& p, const Map& m) {
    for (Plane& pl : p.planes) remap(pl, m);
    for (Vec3& v : p.vertices) v = m.point(v);
    if (m.rigid())
        remap(p.obb, m);
    else
        p.obb = ConvexPolytope::fit_obb(p.vertices);
}
void scale(ConvexPolytope& p, float f);

inline void ConvexPolytope::transform(const Affine3A& a) { remap(*this, AffineMap{a}); }

Sphere broadphase(const ConvexPolytope& p);
inline Cuboid obb(const ConvexPolytope& p) { return p.obb; }
// The stored box itself when it is axis-aligned, else the axis-aligned box around it.
Cuboid aabb(const ConvexPolytope& p);

}  // namespace trelk
