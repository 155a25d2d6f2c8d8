// The pairs of shape kinds whose test no routine's own header declares: the ball, capsule,
// cylinder and box against the other kinds, lines, rays and segments against one another, boxes
// and polytopes, half-spaces against everything, and polytope pairs. Together with the headers of
// the routines (cuboid, cylinder_collides, plane/polygon_collides, convex_polytope/
// polytope_collides, pointcloud/collides) every ordered pair of kinds but cloud with cloud has a
// Collides.
//
// Each pair is written once; its reverse answers by the same test (MirroredCollides). Touching
// collides. Bounding spheres and boxes reject first where a pair has them; a NaN never makes them
// reject, and a final less-or-equal comparison never accepts one.
#pragma once

#include <concepts>

#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "convex_polytope/refer.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "lane_formulas.hpp"
#include "line/line_cuboid.hpp"
#include "line/line_pair.hpp"
#include "line/line_part.hpp"
#include "mirrored.hpp"
#include "ops.hpp"
#include "plane/convex.hpp"
#include "plane/half_space.hpp"
#include "plane/infinite.hpp"
#include "sphere.hpp"
#include "util.hpp"

namespace trelk {

// Sphere first.
template <> struct Collides<Sphere, Sphere> { static bool test(const Sphere& a, const Sphere& b); };
template <> struct Collides<Sphere, Capsule> { static bool test(const Sphere& s, const Capsule& c); };
template <> struct Collides<Sphere, Cuboid> { static bool test(const Sphere& s, const Cuboid& b); };
template <> struct Collides<Sphere, Cylinder> { static bool test(const Sphere& s, const Cylinder& c); };
template <> struct Collides<Sphere, ConvexPolytope> { static bool test(const Sphere& s, const ConvexPolytope& t); };
template <> struct Collides<Sphere, ConvexPolygon> { static bool test(const Sphere& s, const ConvexPolygon& p); };
template <> struct Collides<Sphere, Plane> { static bool test(const Sphere& s, const Plane& h); };

// How far the axis parameter of a line kind is confined.
template <LineLike L>
inline constexpr lane_formulas::Span param_span_of = std::same_as<L, Line>  ? lane_formulas::Span::line
                                               : std::same_as<L, Ray> ? lane_formulas::Span::ray
                                                                      : lane_formulas::Span::segment;

// The nearest point of the line part to the centre, by its axis parameter.
template <LineLike L>
struct Collides<Sphere, L> {
    static bool test(const Sphere& s, const L& l) {
        const LinePart p = line_part(l);
        const lanes::V3<float> c{s.center.x, s.center.y, s.center.z};
        return lane_formulas::param_dist_sq<param_span_of<L>>(c, p.origin, p.dir, l.rdv) <= s.radius * s.radius;
    }
};

// Capsule first.
template <> struct Collides<Capsule, Capsule> { static bool test(const Capsule& a, const Capsule& b); };
template <> struct Collides<Capsule, Cuboid> { static bool test(const Capsule& c, const Cuboid& b); };
template <> struct Collides<Capsule, Cylinder> { static bool test(const Capsule& c, const Cylinder& y); };
template <> struct Collides<Capsule, ConvexPolytope> { static bool test(const Capsule& c, const ConvexPolytope& t); };
template <> struct Collides<Capsule, ConvexPolygon> { static bool test(const Capsule& c, const ConvexPolygon& p); };
template <> struct Collides<Capsule, Plane> { static bool test(const Capsule& c, const Plane& h); };

template <LineLike L>
struct Collides<Capsule, L> {
    static bool test(const Capsule& c, const L& l) {
        const LinePart p = line_part(l);
        return clamped_line_segment_dist_sq(p.origin, p.dir, c.p1, c.dir, p.tmin, p.tmax) <= c.radius * c.radius;
    }
};

// Cylinder first (its polygon, polytope and line pairs are in cylinder_collides.hpp).
template <> struct Collides<Cylinder, Cuboid> { static bool test(const Cylinder& y, const Cuboid& b); };
template <> struct Collides<Cylinder, Cylinder> { static bool test(const Cylinder& a, const Cylinder& b); };
template <> struct Collides<Cylinder, Plane> { static bool test(const Cylinder& y, const Plane& h); };

// Cuboid first.
template <> struct Collides<Cuboid, Plane> { static bool test(const Cuboid& b, const Plane& h); };

template <LineLike L>
struct Collides<Cuboid, L> {
    static bool test(const Cuboid& b, const L& l) {
        const LinePart p = line_part(l);
        return line_cuboid_collides(p.origin, p.dir, b, p.tmin, p.tmax);
    }
};

// Polytope first.
template <> struct Collides<ConvexPolytope, ConvexPolytope> {
    static bool test(const ConvexPolytope& a, const ConvexPolytope& b);
};
template <> struct Collides<ConvexPolytope, Plane> { static bool test(const ConvexPolytope& t, const Plane& h); };

template <LineLike L>
struct Collides<ConvexPolytope, L> {
    static bool test(const ConvexPolytope& t, const L& l) {
        const LinePart p = line_part(l);
        return polytope_clip_collides(RefConvexPolytope::of(t), p.origin, p.dir, p.tmin, p.tmax);
    }
};

// Line kinds first. Two of them have no thickness: they meet where their distance is exactly 0,
// measured as a collider holding the argument measures it.
template <LineLike A, LineLike B>
struct Collides<A, B> {
    static bool test(const A& a, const B& b) { return line_parts_dist_sq(line_part(a), line_part(b)) <= 0.0f; }
};

template <LineLike L>
struct Collides<L, Plane> {
    static bool test(const L& l, const Plane& h) {
        const LinePart p = line_part(l);
        return half_space_param_collides(h, p.origin, p.dir, p.tmin, p.tmax);
    }
};

// Plane first.
template <> struct Collides<Plane, Plane> { static bool test(const Plane& a, const Plane& b); };

// The reverse orders.
template <> struct Collides<Capsule, Sphere> : MirroredCollides<Capsule, Sphere> {};
template <> struct Collides<Cuboid, Sphere> : MirroredCollides<Cuboid, Sphere> {};
template <> struct Collides<Cylinder, Sphere> : MirroredCollides<Cylinder, Sphere> {};
template <> struct Collides<ConvexPolytope, Sphere> : MirroredCollides<ConvexPolytope, Sphere> {};
template <> struct Collides<ConvexPolygon, Sphere> : MirroredCollides<ConvexPolygon, Sphere> {};
template <> struct Collides<Plane, Sphere> : MirroredCollides<Plane, Sphere> {};
template <LineLike L> struct Collides<L, Sphere> : MirroredCollides<L, Sphere> {};

template <> struct Collides<Cuboid, Capsule> : MirroredCollides<Cuboid, Capsule> {};
template <> struct Collides<Cylinder, Capsule> : MirroredCollides<Cylinder, Capsule> {};
template <> struct Collides<ConvexPolytope, Capsule> : MirroredCollides<ConvexPolytope, Capsule> {};
template <> struct Collides<ConvexPolygon, Capsule> : MirroredCollides<ConvexPolygon, Capsule> {};
template <> struct Collides<Plane, Capsule> : MirroredCollides<Plane, Capsule> {};
template <LineLike L> struct Collides<L, Capsule> : MirroredCollides<L, Capsule> {};

template <> struct Collides<Cuboid, Cylinder> : MirroredCollides<Cuboid, Cylinder> {};
template <> struct Collides<Plane, Cylinder> : MirroredCollides<Plane, Cylinder> {};

template <> struct Collides<Plane, Cuboid> : MirroredCollides<Plane, Cuboid> {};
template <LineLike L> struct Collides<L, Cuboid> : MirroredCollides<L, Cuboid> {};

template <> struct Collides<Plane, ConvexPolytope> : MirroredCollides<Plane, ConvexPolytope> {};
template <LineLike L> struct Collides<L, ConvexPolytope> : MirroredCollides<L, ConvexPolytope> {};

template <LineLike L> struct Collides<Plane, L> : MirroredCollides<Plane, L> {};

}  // namespace trelk
