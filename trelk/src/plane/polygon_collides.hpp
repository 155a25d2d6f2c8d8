// Distances and pair tests of flat convex polygons, read through borrowed views.
//
// A world point X has polygon coordinates h = (X - center) . normal (height) and
// x = (X - center) . u_axis, y = (X - center) . v_axis (in-plane); its polygon distance is h^2
// when (x, y) is inside, else h^2 plus the squared 2-D distance to the nearest edge. A polygon
// without vertices (is_empty) has NaN distances, so that no comparison with a reach accepts it,
// infinite reaches included.
#pragma once

#include <span>

#include "convex_polytope/refer.hpp"
#include "cuboid.hpp"
#include "empty_shapes.hpp"
#include "line/line_part.hpp"
#include "mirrored.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "plane/ref_convex.hpp"

namespace trelk {

// How far a point may lie beyond an edge or a separating axis and still count as touching.
inline constexpr float POLYGON_BAND = 1e-6f;
// Squared cross-product length under which two directions count as parallel.
inline constexpr float PARALLEL_SQ = 1e-10f;
// The largest finite float: "no distance found yet".
inline constexpr float FLOAT_MAX = 3.4028235e38f;

// Radius about `center` of a sphere that holds every 3-D vertex (see the polygon's own
// enclosing_radius): the bounding step of every polygon test.
float enclosing_radius(const RefConvexPolygon& p);

struct PolygonCoords {
    float x, y, h;
};
PolygonCoords polygon_coords(const RefConvexPolygon& p, Vec3 point);

// (x, y) is on the inner side of every edge, within the band. An edge with NaN entries never
// excludes; a polygon without edges holds every point.
bool contains_2d(const RefConvexPolygon& p, float x, float y);

// Squared 2-D distance from (x, y) to the nearest edge of the closed outline (the last vertex back
// to the first); FLOAT_MAX for a polygon without vertices. Reads only vertices_2d.
float closest_edge_dist_sq_2d(const RefConvexPolygon& p, float x, float y);

// Squared polygon distance of a world point (see above); NaN for an empty polygon.
float point_dist_sq(const RefConvexPolygon& p, Vec3 point);

// Squared distance between the polygon and the segment p1 + s dir, 0 <= s <= 1; 0 when they meet,
// NaN for an empty polygon.
float segment_dist_sq(const RefConvexPolygon& p, Vec3 p1, Vec3 dir);

// Squared distance between the polygon and origin + t dir, tmin <= t <= tmax; exactly 0 when the
// points cross the polygon, NaN for an empty polygon. Faults like clamped_line_segment_dist_sq
// unless tmin <= tmax (only when the polygon has vertices).
float parametric_line_dist_sq(const RefConvexPolygon& p, Vec3 origin, Vec3 dir, float tmin, float tmax);

// Separating-axis tests; touching (within the band) collides, an empty polygon or polytope never
// does.
bool ref_polygon_cuboid_collides(const RefConvexPolygon& p, const Cuboid& box);
bool ref_polygon_polygon_collides(const RefConvexPolygon& a, const RefConvexPolygon& b);
// Axes: the polygon's normal, its in-plane edge normals and the polytope's face planes (no edge
// pairs), so a polygon beside an edge of the polytope can be reported touching. No band.
bool ref_polygon_polytope_collides(const RefConvexPolygon& p, const RefConvexPolytope& t);
// Some vertex lies in the half-space; no vertices never collide.
bool ref_polygon_infinite_plane_collides(std::span<const Vec3> vertices, const Plane& plane);

// The pairs these routines answer whole, in both argument orders.
template <>
struct Collides<ConvexPolygon, Cuboid> {
    static bool test(const ConvexPolygon& p, const Cuboid& b) { return ref_polygon_cuboid_collides(RefConvexPolygon::of(p), b); }
};
template <>
struct Collides<ConvexPolygon, ConvexPolygon> {
    static bool test(const ConvexPolygon& a, const ConvexPolygon& b) {
        return ref_polygon_polygon_collides(RefConvexPolygon::of(a), RefConvexPolygon::of(b));
    }
};
template <>
struct Collides<ConvexPolygon, ConvexPolytope> {
    static bool test(const ConvexPolygon& p, const ConvexPolytope& t) {
        return ref_polygon_polytope_collides(RefConvexPolygon::of(p), RefConvexPolytope::of(t));
    }
};
template <>
struct Collides<ConvexPolygon, Plane> {
    static bool test(const ConvexPolygon& p, const Plane& h) { return ref_polygon_infinite_plane_collides(p.vertices_3d, h); }
};
template <LineLike L>
struct Collides<ConvexPolygon, L> {
    static bool test(const ConvexPolygon& p, const L& l) {
        LinePart r = line_part(l);
        return parametric_line_dist_sq(RefConvexPolygon::of(p), r.origin, r.dir, r.tmin, r.tmax) <= 0.0f;
    }
};
template <>
struct Collides<Cuboid, ConvexPolygon> : MirroredCollides<Cuboid, ConvexPolygon> {};
template <>
struct Collides<ConvexPolytope, ConvexPolygon> : MirroredCollides<ConvexPolytope, ConvexPolygon> {};
template <>
struct Collides<Plane, ConvexPolygon> : MirroredCollides<Plane, ConvexPolygon> {};
template <LineLike L>
struct Collides<L, ConvexPolygon> : MirroredCollides<L, ConvexPolygon> {};

}  // namespace trelk
