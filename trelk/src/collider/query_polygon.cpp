// A flat convex polygon against a collider.
#include "collider/cloud_group.hpp"
#include "collider/frame.hpp"
#include "collider/query.hpp"
#include "cylinder_collides.hpp"
#include "plane/polygon_collides.hpp"

namespace trelk {

namespace {

using namespace collider_frame;

struct PolygonMember {
    const ConvexPolygon& shape;
    RefConvexPolygon q = RefConvexPolygon::of(shape);
    Ball bound{broadphase(shape)};

    // Polygon distance of a ball's centre against its squared radius.
    bool reaches(Vec3 c, float r) const { return point_dist_sq(q, c) <= r * r; }
    bool meets_line(Vec3 origin, Vec3 dir, float tmin, float tmax) const {
        return parametric_line_dist_sq(q, origin, dir, tmin, tmax) <= 0.0f;
    }

    bool spheres(const SpheresSoA& s) const {
        for (std::size_t i = 0; i < s.len(); ++i) {
            const Sphere b = s.get(i);
            if (!apart(b, bound.sphere) && reaches(b.center, b.radius)) return true;
        }
        return false;
    }
    bool points(const BroadCollection<Point>& g) const {
        return any_item_near(g, bound, [this](const Point& p) { return reaches(p.p, 0.0f); });
    }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_item_near(g, bound, [this](const Capsule& k) {
            return segment_dist_sq(q, k.p1, k.dir) <= k.radius * k.radius;
        });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        return any_item_near(g, bound, [this](const Cuboid& b) { return ref_polygon_cuboid_collides(q, b); });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_item_near(g, bound, [this](const Cylinder& k) {
            return cylinder_polygon_collides(k, q, Prefilter::done_by_caller);
        });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        return any_item_near(g, bound, [this](const LineSegment& s) { return meets_line(s.p1, s.dir, 0.0f, 1.0f); });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolygon& p) {
            return ref_polygon_polygon_collides(q, RefConvexPolygon::of(p));
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolytope& p) {
            return ref_polygon_polytope_collides(q, RefConvexPolytope::of(p));
        });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items,
                        [this](const Plane& p) { return ref_polygon_infinite_plane_collides(q.vertices_3d, p); });
    }
    bool lines(std::span<const Line> items) const {
        return any_item(items, [this](const Line& l) { return meets_line(l.origin, l.dir, -INF, INF); });
    }
    bool rays(std::span<const Ray> items) const {
        return any_item(items, [this](const Ray& l) { return meets_line(l.origin, l.dir, 0.0f, INF); });
    }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, shape); }
};

}  // namespace

TRELK_QUERY_COLLIDER(ConvexPolygon, PolygonMember)

}  // namespace trelk
