// Sweeps: the volume a shape covers while it moves in a straight line by a translation t, given
// as shapes again so that every pair test runs against it.
//
// A shape moved along its own extent stays one shape of its kind (a longer capsule, a grown box, a
// wider polygon); otherwise linear shapes become a polygon and solids a convex polytope (a swept
// capsule adds four capsules before its slab). Planes computed from swept corner points take the
// largest projection of those points as offset, so they never cut into the swept volume.
#pragma once

#include <concepts>
#include <variant>
#include <vector>

#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "math.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "sphere.hpp"

namespace trelk {

// One member of a sweep's result, in the kind order the shape classes use.
using StretchedShape = std::variant<Sphere, Capsule, Cuboid, Cylinder, ConvexPolytope, ConvexPolygon, Line, Ray,
                                    LineSegment, Plane>;
// Ordered and never empty; the order of members, vertices and planes is part of the result.
using Stretched = std::vector<StretchedShape>;

Stretched stretch(const Sphere& s, Vec3 t);
Stretched stretch(const Capsule& c, Vec3 t);
// A cylinder moved along its axis stays a cylinder; otherwise it is covered by the capsule sweep of
// the same fields (its caps treated as rounded).
Stretched stretch(const Cylinder& c, Vec3 t);
Stretched stretch(const Cuboid& b, Vec3 t);
Stretched stretch(const Line& l, Vec3 t);
Stretched stretch(const Ray& r, Vec3 t);
Stretched stretch(const LineSegment& s, Vec3 t);
Stretched stretch(const Plane& p, Vec3 t);
// Faults ("called `Option::unwrap()` on a `None` value") when an in-plane move meets a NaN vertex.
Stretched stretch(const ConvexPolygon& p, Vec3 t);
Stretched stretch(const ConvexPolytope& p, Vec3 t);

template <class S>
concept Stretchable = requires(const S& s, Vec3 t) {
    { stretch(s, t) } -> std::same_as<Stretched>;
};

// The hull of a polygon's own 2-D vertices each moved by t2, in its own frame: sorted by (x, y),
// near duplicates (closer than 1e-7 in both coordinates) dropped, then the counter-clockwise
// monotone-chain hull from the smallest point when more than two remain. Faults on a NaN
// coordinate, like the comparison sort it stands for.
std::vector<Vec2f> swept_hull_2d(const std::vector<Vec2f>& vertices, Vec2f t2);

}  // namespace trelk
