// Stored form of a collider ("ColliderHelper"): the twelve groups under their names, in declared
// order. Every group but the balls is the plain list of its items in their own stored forms (a
// point as its vector); the balls are the sphere set's record. Bounds lanes, the mask and the
// bounding sphere are not stored: reading builds the lanes from the items and settles the rest.
#pragma once

#include <span>
#include <vector>

#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "point.hpp"
#include "soa.hpp"
#include "storage.hpp"
#include "stored_form.hpp"

namespace trelk {

// As read. The sphere set checks its planes when it is built from what was read.
template <class PCL>
struct ColliderRecord {
    std::vector<Capsule> capsules;
    std::vector<Cuboid> cuboids;
    std::vector<Cylinder> cylinders;
    std::vector<Plane> planes;
    std::vector<ConvexPolygon> polygons;
    std::vector<ConvexPolytope> polytopes;
    std::vector<Point> points;
    SpheresSoA spheres;
    std::vector<Line> lines;
    std::vector<Ray> rays;
    std::vector<LineSegment> segments;
    std::vector<PCL> pointclouds;
};

// As written: views of the collider's own lists.
template <class PCL>
struct ColliderRecordView {
    std::span<const Capsule> capsules;
    std::span<const Cuboid> cuboids;
    std::span<const Cylinder> cylinders;
    std::span<const Plane> planes;
    std::span<const ConvexPolygon> polygons;
    std::span<const ConvexPolytope> polytopes;
    std::span<const Point> points;
    SpheresSoAView spheres;
    std::span<const Line> lines;
    std::span<const Ray> rays;
    std::span<const LineSegment> segments;
    std::span<const PCL> pointclouds;
};

template <class V, class PCL, template <class> class Record>
    requires ReadOrWritten<Record<PCL>, ColliderRecord<PCL>, ColliderRecordView<PCL>>
void visit_fields(V& v, Record<PCL>& r) {
    v.record("ColliderHelper");
    v.field("capsules", r.capsules);
    v.field("cuboids", r.cuboids);
    v.field("cylinders", r.cylinders);
    v.field("planes", r.planes);
    v.field("polygons", r.polygons);
    v.field("polytopes", r.polytopes);
    v.field("points", r.points);
    v.field("spheres", r.spheres);
    v.field("lines", r.lines);
    v.field("rays", r.rays);
    v.field("segments", r.segments);
    v.field("pointclouds", r.pointclouds);
}

}  // namespace trelk
