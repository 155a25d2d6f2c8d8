// Collision tests of a point cloud against the other shape kinds. A cloud collides when some point
// lies within point_radius of the shape (touching counts). A moved cloud maps the shape into its own
// frame first; its points never move.
//
// Capsules, cylinders, cuboids and polytopes come in two variants. With Prefilter::bounds the
// shape's bounding sphere is first asked of the cloud (an exact sphere query: the tree where it is
// exact, a scan otherwise) and a miss answers false; with Prefilter::done_by_caller every point is
// tested at once. The shape classes use the first, callers that ran their own broad phase the
// second. The two can differ only where a point passes the per-point test outside the bounding
// sphere widened by point_radius (the polytope's face-plane test near a corner, a cuboid with
// non-unit axes). The other kinds have one form and ignore the argument.
#pragma once

#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "convex_polytope/refer.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "mirrored.hpp"
#include "ops.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "prefilter.hpp"
#include "pointcloud/mod.hpp"
#include "sphere.hpp"

namespace trelk {

bool point_cloud_collides(const Pointcloud& cloud, const Sphere& s);
bool point_cloud_collides(const Pointcloud& cloud, const Capsule& c, Prefilter p);
bool point_cloud_collides(const Pointcloud& cloud, const Cylinder& c, Prefilter p);
bool point_cloud_collides(const Pointcloud& cloud, const Cuboid& b, Prefilter p);
bool point_cloud_collides(const Pointcloud& cloud, const ConvexPolytope& t, Prefilter p);
bool point_cloud_collides(const Pointcloud& cloud, const ConvexPolygon& g, Prefilter = Prefilter::done_by_caller);
bool point_cloud_collides(const Pointcloud& cloud, const LineSegment& s, Prefilter = Prefilter::done_by_caller);
bool point_cloud_collides(const Pointcloud& cloud, const Ray& r, Prefilter = Prefilter::done_by_caller);
bool point_cloud_collides(const Pointcloud& cloud, const Line& l, Prefilter = Prefilter::done_by_caller);
bool point_cloud_collides(const Pointcloud& cloud, const Plane& h, Prefilter = Prefilter::done_by_caller);

// The polytope scan on a view already in the cloud's frame (never mapped). With Prefilter::bounds
// the view's obb sphere is asked first. A polytope without vertices meets no cloud.
bool collides_polytope_ref(const Pointcloud& cloud, const RefConvexPolytope& t, Prefilter p);

// Cloud against cloud: is some point of one within the sum of the point radii of some point of the
// other? The cloud with fewer points (`a` on a tie) is mapped into the other's frame and run against
// its tree, eight points per query. False when either cloud is empty.
bool clouds_collide(const Pointcloud& a, const Pointcloud& b);

// The kinds a cloud can be tested against, in either argument order (never two clouds).
template <class T>
concept CloudTestable = !std::same_as<T, Pointcloud> && requires(const Pointcloud& c, const T& s) {
    { point_cloud_collides(c, s, Prefilter::bounds) } -> std::same_as<bool>;
};

template <CloudTestable T>
struct Collides<Pointcloud, T> {
    static bool test(const Pointcloud& c, const T& s) { return point_cloud_collides(c, s, Prefilter::bounds); }
};
template <>
struct Collides<Pointcloud, Sphere> {
    static bool test(const Pointcloud& c, const Sphere& s) { return point_cloud_collides(c, s); }
};
template <class T>
    requires CloudTestable<T> || std::same_as<T, Sphere>
struct Collides<T, Pointcloud> : MirroredCollides<T, Pointcloud> {};

}  // namespace trelk
