// Pair tests of convex polytopes by their face planes, read through borrowed views. A polytope
// without vertices meets nothing (is_empty).
#pragma once

#include "capsule.hpp"
#include "convex_polytope/refer.hpp"
#include "cuboid.hpp"
#include "mirrored.hpp"
#include "prefilter.hpp"

namespace trelk {

// False when some face plane has the whole box beyond it. With Prefilter::bounds the polytope's
// box must first meet the box. Only face planes are tried, so a box beside an edge of the
// polytope (separated only along an edge pair) is reported touching unless the prefilter
// rejects it.
bool collides_cuboid(const RefConvexPolytope& polytope, const Cuboid& box, Prefilter prefilter);

// False when some face plane has the whole capsule beyond it (face planes only, as above). The
// radius is measured in units of each plane's normal, so non-unit normals reject no capsule that
// reaches the solid.
bool collides_capsule(const RefConvexPolytope& polytope, const Capsule& capsule);

template <>
struct Collides<ConvexPolytope, Cuboid> {
    static bool test(const ConvexPolytope& t, const Cuboid& b) {
        return collides_cuboid(RefConvexPolytope::of(t), b, Prefilter::bounds);
    }
};
template <>
struct Collides<Cuboid, ConvexPolytope> : MirroredCollides<Cuboid, ConvexPolytope> {};

}  // namespace trelk
