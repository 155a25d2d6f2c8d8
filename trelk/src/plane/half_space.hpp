// Tests of solids, parametric lines and polytopes against half-spaces n . x <= d (normals used as
// stored, taken to be unit length where a radius is compared), and the face-plane tests of
// polytopes against each other and against parametric lines.
#pragma once

#include "capsule.hpp"
#include "convex_polytope/refer.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "plane/infinite.hpp"

namespace trelk {

// The lower end of the capsule's core along n, less the radius, at or below d.
bool half_space_capsule_collides(const Plane& plane, const Capsule& capsule);
// The box's lowest point along n (its centre less the reach of its half extents) at or below d.
bool half_space_cuboid_collides(const Plane& plane, const Cuboid& box);
// The lower end of the axis along n, less the radius of the cap disc seen along n, at or below d; a
// cylinder without a usable axis reaches its full radius.
bool half_space_cylinder_collides(const Plane& plane, const Cylinder& cylinder);

// Some point origin + t dir with tmin <= t <= tmax lies in the half-space, for the ranges of lines
// (-inf, inf), rays [0, inf) and segments [0, 1]. A direction within EPS of parallel to the plane
// counts as parallel: the origin decides.
bool half_space_param_collides(const Plane& plane, Vec3 origin, Vec3 dir, float tmin, float tmax);

// The polytope reaches into the half-space: its box must, then its lowest vertex along n decides
// (no vertices: no collision).
bool half_space_polytope_collides(const Plane& plane, const RefConvexPolytope& polytope);

// Two half-spaces are disjoint only when their normals are opposite (n_a . n_b at or below
// -0.999999) and they leave a gap (d_a + d_b < 0).
bool half_spaces_collide(const Plane& a, const Plane& b);

// origin + t dir, t in [tmin, tmax], clipped by every face plane of the polytope after its box
// admits the range; a polytope without planes holds everything its box admits, one without vertices
// nothing.
bool polytope_clip_collides(const RefConvexPolytope& polytope, Vec3 origin, Vec3 dir, float tmin, float tmax);

// No face plane of either polytope has every vertex of the other beyond it, and both have vertices.
// Two polytopes without planes collide.
bool polytope_planes_collide(const RefConvexPolytope& a, const RefConvexPolytope& b);

}  // namespace trelk
