// A ball against a collider.
#include "collider/cloud_group.hpp"
#include "convex_polytope/face_planes.hpp"
#include "collider/frame.hpp"
#include "lane_formulas.hpp"
#include "collider/query.hpp"
#include "plane/polygon_collides.hpp"

namespace trelk {

namespace {

using namespace collider_frame;
namespace lf = lane_formulas;
using Span = lf::Span;

struct SphereMember {
    Sphere q;
    Ball ball{q};

    V3<float> c() const { return {q.center.x, q.center.y, q.center.z}; }
    BallLanes overlap() const { return BallLanes(ball); }

    bool spheres(const SpheresSoA& s) const { return s.any_collides_sphere_f32x8(q, ball.box); }
    // Points have zero-radius bounds: the overlap scan is the exact test.
    bool points(const BroadCollection<Point>& g) const { return g.bounds().any_collides_sphere_f32x8(q, ball.box); }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_by_blocks(g, overlap(), [this](const Capsule& k) {
            const float reach = q.radius + k.radius;
            return lf::param_dist_sq<Span::segment>(c(), k.p1, k.dir, k.rdv) <= reach * reach;
        });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        const float r_sq = q.radius * q.radius;
        return any_by_blocks(
            g, overlap(), [&](const Cuboid& b) { return lf::box_dist_sq(c(), b) <= r_sq; },
            [&](const Cuboid& b) { return b.point_dist_sq(q.center) <= r_sq; });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_by_blocks(g, overlap(), [this](const Cylinder& k) { return lf::ball_cylinder(c(), q.radius, k); });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        const float r_sq = q.radius * q.radius;
        return any_item_near(g, ball, [&](const LineSegment& s) {
            return lf::param_dist_sq<Span::segment>(c(), s.p1, s.dir, s.rdv) <= r_sq;
        });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        const float r_sq = q.radius * q.radius;
        return any_item_near(g, ball, [&](const ConvexPolygon& p) {
            return point_dist_sq(RefConvexPolygon::of(p), q.center) <= r_sq;
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_item_near(g, ball,
                             [this](const ConvexPolytope& p) { return ball_within_planes(q, RefConvexPolytope::of(p)); });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items, [this](const Plane& p) { return dot(p.normal, q.center) - p.d <= q.radius; });
    }
    bool lines(std::span<const Line> items) const { return along<Span::line>(items); }
    bool rays(std::span<const Ray> items) const { return along<Span::ray>(items); }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, q); }

    template <Span S, class L>
    bool along(std::span<const L> items) const {
        const float r_sq = q.radius * q.radius;
        return any_item(items, [&](const L& l) { return lf::param_dist_sq<S>(c(), l.origin, l.dir, l.rdv) <= r_sq; });
    }
};

}  // namespace

TRELK_QUERY_COLLIDER(Sphere, SphereMember)

}  // namespace trelk
