// A cylinder against a collider.
#include "collider/cloud_group.hpp"
#include "collider/frame.hpp"
#include "lane_formulas.hpp"
#include "collider/query.hpp"
#include "cylinder_collides.hpp"
#include "plane/half_space.hpp"

namespace trelk {

namespace {

using namespace collider_frame;
namespace lf = lane_formulas;

struct CylinderMember {
    Cylinder q;
    Ball bound{broadphase(q)};

    bool spheres(const SpheresSoA& s) const {
        return any_lane_near(s, bound, [this](const SphereLanes& l) { return lf::ball_cylinder(l.c, l.r, q); });
    }
    // The point lies between the cap planes, within the radius of the axis.
    bool points(const BroadCollection<Point>& g) const {
        const float r_sq = q.radius * q.radius;
        return any_item_near(g, bound, [&](const Point& p) {
            const Vec3 w = p.p - q.p1;
            const float t = q.rdv * dot(q.dir, w);
            return t >= 0.0f && t <= 1.0f && length_sq(w - q.dir * t) <= r_sq;
        });
    }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_item_near(g, bound, [this](const Capsule& k) { return cylinder_capsule_collides(q, k); });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        return any_item_near(g, bound, [this](const Cuboid& b) { return cylinder_cuboid_collides(q, b); });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_item_near(g, bound, [this](const Cylinder& k) { return cylinder_cylinder_collides(q, k); });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        return any_item_near(g, bound, [this](const LineSegment& s) {
            return line_cylinder_collides(s.p1, s.dir, q, 0.0f, 1.0f);
        });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolygon& p) {
            return cylinder_polygon_collides(q, RefConvexPolygon::of(p), Prefilter::done_by_caller);
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolytope& p) {
            return cylinder_polytope_collides(q, RefConvexPolytope::of(p), Prefilter::done_by_caller);
        });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items, [this](const Plane& p) { return half_space_cylinder_collides(p, q); });
    }
    bool lines(std::span<const Line> items) const {
        return any_item(items, [this](const Line& l) { return line_cylinder_collides(l.origin, l.dir, q, -INF, INF); });
    }
    bool rays(std::span<const Ray> items) const {
        return any_item(items, [this](const Ray& l) { return line_cylinder_collides(l.origin, l.dir, q, 0.0f, INF); });
    }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, q); }
};

}  // namespace

TRELK_QUERY_COLLIDER(Cylinder, CylinderMember)

}  // namespace trelk
