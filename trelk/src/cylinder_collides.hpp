// Pair tests of the flat-capped cylinder.
//
// The capsule and line tests answer for the flat-capped solid. The box, polygon and polytope tests
// measure from the axis segment as if the ends were rounded, so a shape within the radius of a cap's
// centre, beyond the cap plane, is reported touching, and two cylinders are met as two capsules;
// the polytope test tries face planes only.
#pragma once

#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "convex_polytope/refer.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line_part.hpp"
#include "mirrored.hpp"
#include "ops.hpp"
#include "plane/convex.hpp"
#include "plane/ref_convex.hpp"
#include "prefilter.hpp"
#include "util.hpp"

namespace trelk {

bool cylinder_capsule_collides(const Cylinder& cylinder, const Capsule& capsule);

// The box against the axis segment with the cylinder's radius (rounded ends: a box within the
// radius of a cap's centre, beyond the cap, collides), then the box's corners against the solid.
bool cylinder_cuboid_collides(const Cylinder& cylinder, const Cuboid& box);

// Some point origin + t dir with tmin <= t <= tmax lies in the solid. A cylinder without a usable
// axis acts as the ball of its radius around p1 and then faults ("min > max, or either was
// NaN ...") unless tmin <= tmax.
bool line_cylinder_collides(Vec3 origin, Vec3 dir, const Cylinder& cylinder, float tmin, float tmax);

// Cylinder against cylinder, met as the capsules of their axes and radii: whenever the axes come
// within the sum of the radii the pair collides, so no contact is ever missed, while flat caps or
// rims near each other can be reported touching across a small gap.
inline bool cylinder_cylinder_collides(const Cylinder& a, const Cylinder& b) { return cores_within_reach(a, b); }

bool cylinder_polygon_collides(const Cylinder& cylinder, const RefConvexPolygon& polygon, Prefilter prefilter);
bool cylinder_polytope_collides(const Cylinder& cylinder, const RefConvexPolytope& polytope, Prefilter prefilter);

template <>
struct Collides<Cylinder, ConvexPolygon> {
    static bool test(const Cylinder& c, const ConvexPolygon& p) {
        return cylinder_polygon_collides(c, RefConvexPolygon::of(p), Prefilter::bounds);
    }
};
template <>
struct Collides<Cylinder, ConvexPolytope> {
    static bool test(const Cylinder& c, const ConvexPolytope& p) {
        return cylinder_polytope_collides(c, RefConvexPolytope::of(p), Prefilter::bounds);
    }
};
template <LineLike L>
struct Collides<Cylinder, L> {
    static bool test(const Cylinder& c, const L& l) {
        LinePart r = line_part(l);
        return line_cylinder_collides(r.origin, r.dir, c, r.tmin, r.tmax);
    }
};
template <>
struct Collides<ConvexPolygon, Cylinder> : MirroredCollides<ConvexPolygon, Cylinder> {};
template <>
struct Collides<ConvexPolytope, Cylinder> : MirroredCollides<ConvexPolytope, Cylinder> {};
template <LineLike L>
struct Collides<L, Cylinder> : MirroredCollides<L, Cylinder> {};

}  // namespace trelk
