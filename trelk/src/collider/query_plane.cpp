// A half-space against a collider. It has no bounding sphere: balls and bounds are measured by
// their signed reach into it, ((n . c) - d) - r <= 0.
#include "collider/cloud_group.hpp"
#include "collider/frame.hpp"
#include "lane_formulas.hpp"
#include "collider/query.hpp"
#include "plane/half_space.hpp"
#include "plane/polygon_collides.hpp"

namespace trelk {

namespace {

using namespace collider_frame;
namespace lf = lane_formulas;

struct PlaneMember {
    Plane q;

    Mask4 reaches(const SphereLanes& l) const {
        return lf::le(lf::ball_plane_gap(l.c, l.r, q.normal, q.d), F32x4::splat(0.0f));
    }
    auto reach() const {
        return [this](const SphereLanes& l) { return reaches(l); };
    }

    bool spheres(const SpheresSoA& s) const { return any_lane(s, reach()); }
    // Point bounds have radius 0: the lane test is n . p <= d.
    bool points(const BroadCollection<Point>& g) const { return any_lane(g.bounds(), reach()); }
    bool capsules(const BroadCollection<Capsule>& g) const {
        return any_by_blocks(g, reach(), [this](const Capsule& k) { return half_space_capsule_collides(q, k); });
    }
    bool cuboids(const BroadCollection<Cuboid>& g) const {
        return any_by_blocks(g, reach(), [this](const Cuboid& b) { return half_space_cuboid_collides(q, b); });
    }
    bool cylinders(const BroadCollection<Cylinder>& g) const {
        return any_by_blocks(g, reach(), [this](const Cylinder& k) { return half_space_cylinder_collides(q, k); });
    }
    bool segments(const BroadCollection<LineSegment>& g) const {
        return any_item(g.items(), [this](const LineSegment& s) {
            return half_space_param_collides(q, s.p1, s.dir, 0.0f, 1.0f);
        });
    }
    bool polygons(const BroadCollection<ConvexPolygon>& g) const {
        return any_item(g.items(), [this](const ConvexPolygon& p) {
            return ref_polygon_infinite_plane_collides(p.vertices_3d, q);
        });
    }
    bool polytopes(const BroadCollection<ConvexPolytope>& g) const {
        return any_item(g.items(), [this](const ConvexPolytope& p) {
            return half_space_polytope_collides(q, RefConvexPolytope::of(p));
        });
    }
    bool planes(std::span<const Plane> items) const {
        return any_item(items, [this](const Plane& p) { return half_spaces_collide(q, p); });
    }
    bool lines(std::span<const Line> items) const {
        return any_item(items,
                        [this](const Line& l) { return half_space_param_collides(q, l.origin, l.dir, -INF, INF); });
    }
    bool rays(std::span<const Ray> items) const {
        return any_item(items,
                        [this](const Ray& l) { return half_space_param_collides(q, l.origin, l.dir, 0.0f, INF); });
    }
    template <class PCL>
    bool pointclouds(const BroadCollection<PCL>& g) const { return cloud_group_collides(g, q); }
};

}  // namespace

TRELK_QUERY_COLLIDER(Plane, PlaneMember)

}  // namespace trelk
