// A box against a collider.
#include "collider/cloud_group.hpp"
#include "collider/frame.hpp"
#include "lane_formulas.hpp"
#include "collider/query.hpp"
#include "convex_polytope/polytope_collides.hpp"
#include "cylinder_collides.hpp"
#include "line/line_cuboid.hpp"
#include "plane/half_space.hpp"
#include "plane/polygon_collides.hpp"

namespace trelk {

namespace {

using namespace collider_frame;
namespace lf = lane_formulas;

struct CuboidMember {
    Cuboid q;
    Ball bound{broadphase(q)};

    bool spheres(const SpheresSoA& s) const {
        return any_lane_near(s, bound,
                             [this](const SphereLanes& l) { return lf::le(lf::box_dist_sq(l.c, q), l.r * l.r); });
    }
    // The point lies in the closed box.
    bool points(const BroadCollection<Point>& g) const {
        return any_item_near(g, bound, [this](const Point& p) { return q.point_dist_sq(p.p) <= 0.0f; });
    }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_item_near(g, bound, [this](const Capsule& k) { return capsule_cuboid_collides(k, q); });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        return any_item_near(g, bound, [this](const Cuboid& b) {
            return cuboid_cuboid_collides(q, b, Prefilter::done_by_caller);
        });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_item_near(g, bound, [this](const Cylinder& k) { return cylinder_cuboid_collides(k, q); });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        return any_item_near(g, bound,
                             [this](const LineSegment& s) { return line_cuboid_collides(s.p1, s.dir, q, 0.0f, 1.0f); });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolygon& p) {
            return ref_polygon_cuboid_collides(RefConvexPolygon::of(p), q);
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolytope& p) {
            return collides_cuboid(RefConvexPolytope::of(p), q, Prefilter::done_by_caller);
        });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items, [this](const Plane& p) { return half_space_cuboid_collides(p, q); });
    }
    bool lines(std::span<const Line> items) const {
        return any_item(items, [this](const Line& l) { return line_cuboid_collides(l.origin, l.dir, q, -INF, INF); });
    }
    bool rays(std::span<const Ray> items) const {
        return any_item(items, [this](const Ray& l) { return line_cuboid_collides(l.origin, l.dir, q, 0.0f, INF); });
    }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, q); }
};

}  // namespace

TRELK_QUERY_COLLIDER(Cuboid, CuboidMember)

}  // namespace trelk
