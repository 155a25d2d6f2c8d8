// Lines, rays and segments against a collider: one member for the three, told apart by the range
// of their parameter. Only the segment has a bounding sphere, so only it rejects groups early.
#include "collider/cloud_group.hpp"
#include "collider/frame.hpp"
#include "lane_formulas.hpp"
#include "line/line_pair.hpp"
#include "collider/query.hpp"
#include "cylinder_collides.hpp"
#include "line/line_cuboid.hpp"
#include "plane/half_space.hpp"
#include "plane/polygon_collides.hpp"
#include "util.hpp"

namespace trelk {

namespace {

using namespace collider_frame;
namespace lf = lane_formulas;
using Span = lf::Span;

template <class Shape>
struct LineKind;
template <>
struct LineKind<Line> {
    static constexpr Span span = Span::line;
    static Vec3 start(const Line& l) { return l.origin; }
};
template <>
struct LineKind<Ray> {
    static constexpr Span span = Span::ray;
    static Vec3 start(const Ray& l) { return l.origin; }
};
template <>
struct LineKind<LineSegment> {
    static constexpr Span span = Span::segment;
    static Vec3 start(const LineSegment& l) { return l.p1; }
};

template <class Shape>
struct LineMember {
    using Kind = LineKind<Shape>;
    static constexpr bool bounded = Kind::span == Span::segment;
    static constexpr float t0 = Kind::span == Span::line ? -INF : 0.0f;
    static constexpr float t1 = Kind::span == Span::segment ? 1.0f : INF;

    const Shape& q;
    Vec3 o = Kind::start(q);
    Vec3 dir = q.dir;
    Ball bound{bounded_sphere()};

    Sphere bounded_sphere() const {
        if constexpr (bounded) return broadphase(q);
        else return {};
    }
    template <class T, class Exact>
    bool any_near(const BroadCollection<T>& g, const Exact& exact) const {
        if constexpr (bounded) return any_item_near(g, bound, exact);
        else return any_item(g.items(), exact);
    }
    // Each lane's ball (centre, radius) reaches the query's points; point bounds have radius 0.
    // Only a segment can leave lanes out by its bounding sphere.
    bool any_ball_lane(const SpheresSoA& lanes) const {
        const auto reaches = [this](const SphereLanes& l) {
            return lf::le(lf::param_dist_sq<Kind::span>(l.c, o, dir, q.rdv), l.r * l.r);
        };
        if constexpr (bounded) return any_lane_near(lanes, bound, reaches);
        else return any_lane(lanes, reaches);
    }
    // The query crosses another line part (distance exactly 0).
    bool crosses(Vec3 p, Vec3 d, float s0, float s1) const {
        return line_parts_dist_sq({o, dir, t0, t1}, {p, d, s0, s1}) <= 0.0f;
    }

    bool spheres(const SpheresSoA& s) const { return any_ball_lane(s); }
    bool points(const BroadCollection<Point>& g) const { return any_ball_lane(g.bounds()); }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_near(g, [this](const Capsule& k) {
            return clamped_line_segment_dist_sq(o, dir, k.p1, k.dir, t0, t1) <= k.radius * k.radius;
        });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        return any_near(g, [this](const Cuboid& b) { return line_cuboid_collides(o, dir, b, t0, t1); });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_near(g, [this](const Cylinder& k) { return line_cylinder_collides(o, dir, k, t0, t1); });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        return any_near(g, [this](const LineSegment& s) { return crosses(s.p1, s.dir, 0.0f, 1.0f); });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        return any_near(g, [this](const ConvexPolygon& p) {
            return parametric_line_dist_sq(RefConvexPolygon::of(p), o, dir, t0, t1) <= 0.0f;
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_near(g, [this](const ConvexPolytope& p) {
            return polytope_clip_collides(RefConvexPolytope::of(p), o, dir, t0, t1);
        });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items, [this](const Plane& p) { return half_space_param_collides(p, o, dir, t0, t1); });
    }
    bool lines(std::span<const Line> items) const {
        return any_item(items, [this](const Line& l) { return crosses(l.origin, l.dir, -INF, INF); });
    }
    bool rays(std::span<const Ray> items) const {
        return any_item(items, [this](const Ray& l) { return crosses(l.origin, l.dir, 0.0f, INF); });
    }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, q); }
};

}  // namespace

TRELK_QUERY_COLLIDER(LineSegment, LineMember<LineSegment>)
TRELK_QUERY_COLLIDER(Line, LineMember<Line>)
TRELK_QUERY_COLLIDER(Ray, LineMember<Ray>)

}  // namespace trelk
