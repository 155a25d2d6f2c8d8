// A capsule against a collider.
#include "collider/cloud_group.hpp"
#include "collider/frame.hpp"
#include "lane_formulas.hpp"
#include "collider/query.hpp"
#include "convex_polytope/polytope_collides.hpp"
#include "cylinder_collides.hpp"
#include "plane/half_space.hpp"
#include "plane/polygon_collides.hpp"
#include "util.hpp"

namespace trelk {

namespace {

using namespace collider_frame;
namespace lf = lane_formulas;
using Span = lf::Span;

struct CapsuleMember {
    Capsule q;
    Ball bound{broadphase(q)};

    // Squared distance from the query's core to a line part of another shape.
    float core_dist_sq(Vec3 p1, Vec3 dir, float tmin, float tmax) const {
        return clamped_line_segment_dist_sq(p1, dir, q.p1, q.dir, tmin, tmax);
    }

    bool spheres(const SpheresSoA& s) const {
        return any_lane_near(s, bound, [this](const SphereLanes& l) {
            const F32x4 reach = F32x4::splat(q.radius) + l.r;
            return lf::le(lf::param_dist_sq<Span::segment>(l.c, q.p1, q.dir, q.rdv), reach * reach);
        });
    }
    bool points(const BroadCollection<Point>& g) const {
        const float r_sq = q.radius * q.radius;
        return any_item_near(g, bound, [&](const Point& p) {
            return lf::param_dist_sq<Span::segment>(V3<float>{p.p.x, p.p.y, p.p.z}, q.p1, q.dir, q.rdv) <= r_sq;
        });
    }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_item_near(g, bound, [this](const Capsule& k) { return cores_within_reach(q, k); });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        return any_item_near(g, bound, [this](const Cuboid& b) { return capsule_cuboid_collides(q, b); });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_item_near(g, bound, [this](const Cylinder& k) { return cylinder_capsule_collides(k, q); });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        const float r_sq = q.radius * q.radius;
        return any_item_near(g, bound,
                             [&](const LineSegment& s) { return core_dist_sq(s.p1, s.dir, 0.0f, 1.0f) <= r_sq; });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        const float r_sq = q.radius * q.radius;
        return any_item_near(g, bound, [&](const ConvexPolygon& p) {
            return segment_dist_sq(RefConvexPolygon::of(p), q.p1, q.dir) <= r_sq;
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_item_near(
            g, bound, [this](const ConvexPolytope& p) { return collides_capsule(RefConvexPolytope::of(p), q); });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items, [this](const Plane& p) { return half_space_capsule_collides(p, q); });
    }
    bool lines(std::span<const Line> items) const {
        const float r_sq = q.radius * q.radius;
        return any_item(items, [&](const Line& l) { return core_dist_sq(l.origin, l.dir, -INF, INF) <= r_sq; });
    }
    bool rays(std::span<const Ray> items) const {
        const float r_sq = q.radius * q.radius;
        return any_item(items, [&](const Ray& l) { return core_dist_sq(l.origin, l.dir, 0.0f, INF) <= r_sq; });
    }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, q); }
};

}  // namespace

TRELK_QUERY_COLLIDER(Capsule, CapsuleMember)

}  // namespace trelk
