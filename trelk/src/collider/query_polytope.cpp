// A convex polytope against a collider.
#include "collider/cloud_group.hpp"
#include "convex_polytope/face_planes.hpp"
#include "collider/frame.hpp"
#include "collider/query.hpp"
#include "convex_polytope/polytope_collides.hpp"
#include "cylinder_collides.hpp"
#include "plane/half_space.hpp"
#include "plane/polygon_collides.hpp"

namespace trelk {

namespace {

using namespace collider_frame;

struct PolytopeMember {
    const ConvexPolytope& shape;
    RefConvexPolytope q = RefConvexPolytope::of(shape);
    Ball bound{broadphase(shape)};

    // Stored balls one by one: the query's box must reach the ball before its planes are asked.
    bool spheres(const SpheresSoA& s) const {
        for (std::size_t i = 0; i < s.len(); ++i) {
            const Sphere b = s.get(i);
            if (q.obb.point_dist_sq(b.center) > b.radius * b.radius) continue;
            if (ball_within_planes(b, q)) return true;
        }
        return false;
    }
    bool points(const BroadCollection<Point>& g) const {
        return any_item_near(g, bound, [this](const Point& p) { return point_within_planes(p.p, q); });
    }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_item_near(g, bound, [this](const Capsule& k) { return collides_capsule(q, k); });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        return any_item_near(g, bound,
                             [this](const Cuboid& b) { return collides_cuboid(q, b, Prefilter::done_by_caller); });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_item_near(g, bound, [this](const Cylinder& k) {
            return cylinder_polytope_collides(k, q, Prefilter::done_by_caller);
        });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        return any_item_near(g, bound, [this](const LineSegment& s) {
            return polytope_clip_collides(q, s.p1, s.dir, 0.0f, 1.0f);
        });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolygon& p) {
            return ref_polygon_polytope_collides(RefConvexPolygon::of(p), q);
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_item_near(g, bound, [this](const ConvexPolytope& p) {
            return polytope_planes_collide(q, RefConvexPolytope::of(p));
        });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items, [this](const Plane& p) { return half_space_polytope_collides(p, q); });
    }
    bool lines(std::span<const Line> items) const {
        return any_item(items, [this](const Line& l) { return polytope_clip_collides(q, l.origin, l.dir, -INF, INF); });
    }
    bool rays(std::span<const Ray> items) const {
        return any_item(items, [this](const Ray& l) { return polytope_clip_collides(q, l.origin, l.dir, 0.0f, INF); });
    }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, shape); }
};

}  // namespace

TRELK_QUERY_COLLIDER(ConvexPolytope, PolytopeMember)

}  // namespace trelk
