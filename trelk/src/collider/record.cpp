#include "collider/collider.hpp"
#include "collider/instances.hpp"

namespace trelk {

template <class PCL>
ColliderRecordView<PCL> Collider<PCL>::stored_view() const {
    return {capsules.items(),  cuboids.items(), cylinders.items(),   planes,       polygons.items(),
            polytopes.items(), points.items(),  spheres.stored_view(), lines,       rays,
            segments.items(),  pointclouds.items()};
}

template <class PCL>
Collider<PCL> Collider<PCL>::from_stored(ColliderRecord<PCL>&& r) {
    // The polygon tests walk a polygon's lists side by side: a record whose lists differ is refused.
    for (const ConvexPolygon& p : r.polygons) check_stored_lists(p);
    Collider c;
    c.capsules = BroadCollection<Capsule>(std::move(r.capsules));
    c.cuboids = BroadCollection<Cuboid>(std::move(r.cuboids));
    c.cylinders = BroadCollection<Cylinder>(std::move(r.cylinders));
    c.planes = std::move(r.planes);
    c.polygons = BroadCollection<ConvexPolygon>(std::move(r.polygons));
    c.polytopes = BroadCollection<ConvexPolytope>(std::move(r.polytopes));
    c.points = BroadCollection<Point>(std::move(r.points));
    c.spheres = std::move(r.spheres);
    c.lines = std::move(r.lines);
    c.rays = std::move(r.rays);
    c.segments = BroadCollection<LineSegment>(std::move(r.segments));
    c.pointclouds = BroadCollection<PCL>(std::move(r.pointclouds));
    settle(c);
    return c;
}

#define TRELK_RECORD_INSTANCE(PCL) template struct Collider<PCL>;
TRELK_FOR_EACH_PCL(TRELK_RECORD_INSTANCE)

}  // namespace trelk
