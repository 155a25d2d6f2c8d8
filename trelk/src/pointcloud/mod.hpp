// Point cloud shape: a fixed set of points, each thickened to a ball of radius `point_radius`.
//
// The points are held twice: in a point tree (fast "does this sphere reach a point?" for query
// reaches inside the tree's radius range) and in a sphere set (every point in input order, for
// exact scans eight lanes at a time). Both are in the frame the cloud was built in. Moving a cloud
// never touches them: it records `inverse_transform`, the map from world coordinates into that
// frame, and the collision tests map the other shape inward. Scaling rebuilds the cloud.
//
// Sphere queries are exact for every radius: one leaf of the tree answers when the query's reach
// lies inside its radius range (with a small safety margin at the top), a search of the tree's cells
// around the centre otherwise, and a scan of all points when the centre is not finite. Bounds are
// reported in the world frame.
//
// A rigid recorded motion (its linear part M has M^T M = I within 1e-6) keeps distances, so the
// tests ask their question in the cloud's frame. Any other motion (a scaling or shearing matrix, a
// non-unit quaternion) would distort the shape there, so the tests answer in the world frame: each
// point where the motion puts it, with its radius point_radius. The tree still finds the candidates:
// a query's reach grows by the largest stretch of the map into the cloud's frame (and a margin for
// rounding), and only the candidates are carried out and tested.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "cuboid.hpp"
#include "math.hpp"
#include "ops.hpp"
#include "pointcloud/capt.hpp"
#include "pointcloud/stored.hpp"
#include "soa.hpp"
#include "sphere.hpp"

namespace trelk {

class Pointcloud {
public:
    using Point3 = pointcloud::Point3;
    using RadiusRange = pointcloud::RadiusRange;

    // The cloud of no points.
    Pointcloud() = default;

    // Builds the tree over the points with `point_radius` as its point radius, and the sphere set
    // of the points. A point with an infinite or NaN coordinate (or afforded runs beyond 2^32
    // entries) fails with quorix::Fault "index type I must be able to support all points in CAPT
    // during construction: NonFinite" (or ": TooManyPoints").
    // An allocation that cannot be had throws std::bad_alloc.
    static Pointcloud make(std::span<const Point3> points, RadiusRange r_range, float point_radius);

    // The same with the radius range chosen for queries within the memory budget of
    // pointcloud::choose_r_range: from 0 up to the largest reach the budget affords for this cloud's
    // density. Should that range's tree pass the budget after all (the choice is estimated from a
    // sample), the range shrinks until it fits; the range built is the one recorded.
    static Pointcloud make_within_budget(std::span<const Point3> points, float point_radius);

    const pointcloud::Capt& tree() const { return tree_; }
    const SpheresSoA& spheres() const { return spheres_; }
    float point_radius() const { return point_radius_; }
    RadiusRange r_range() const { return r_range_; }
    const std::optional<Affine3A>& inverse_transform() const { return inverse_transform_; }

    // Number of points.
    std::size_t len() const { return spheres_.len(); }
    bool is_empty() const { return spheres_.len() == 0; }
    // Point i (i < len) in the cloud's own frame.
    Vec3 point(std::size_t i) const;

    // A world position in the cloud's own frame.
    Vec3 to_local(Vec3 world) const { return inverse_transform_ ? inverse_transform_->transform_point(world) : world; }

    // A recorded motion that is not rigid, as the tests use it.
    struct Stretching {
        Affine3A out;  // the cloud's frame to the world: point p is at out.transform_point(p)
        // How far a world distance can reach in the cloud's frame: at most stretch * d + margin, with
        // margin = margin_base + margin_per_unit * (largest |coordinate| of the query centre + d).
        double stretch, margin_base, margin_per_unit;
    };
    // Null without a recorded motion or with a rigid one.
    const Stretching* stretching() const { return stretching_ ? &*stretching_ : nullptr; }
    // The map from the cloud's frame to the world (identity without a recorded motion).
    Affine3A outward() const;

    // Is some point, where it now is, within r + point_radius of the world position `center`? In
    // the cloud's frame for a rigid motion (reaches_local of the mapped centre), in the world for
    // any other (|out(p) - center|^2 by the tree's float formula).
    bool reaches(Vec3 center, float r) const;

    // Is some point within r + point_radius of `center` (given in the cloud's frame)? The same
    // squared-distance formula as the tree's, ((dx^2 + dy^2) + dz^2) <= (r + r_point)^2, whether one
    // leaf, the search of the cells or the scan answers.
    bool reaches_local(Vec3 center, float r) const;
    // Does one leaf of the tree answer a query of reach r + r_point exactly (centre finite)?
    bool tree_exact_for(float reach) const;

    // Can the tree's cells around `center` (in the cloud's frame) be searched exactly for any reach
    // (pointcloud::any_leaf_near)? When it is finite.
    bool searchable_from(Vec3 center) const;

    // The same question answered by scanning every point, eight lanes at a time.
    bool scan_reaches_local(Vec3 center, float r) const;

    // Motions record their inverse: inverse_transform becomes old o h^-1 (h^-1 alone when there
    // was none). Points, tree, radii and r_range are kept.
    friend void translate(Pointcloud& c, Vec3 offset);
    friend void rotate_mat(Pointcloud& c, const Mat3& m);
    friend void rotate_quat(Pointcloud& c, const Quat& q);
    friend void transform(Pointcloud& c, const Affine3A& a);
    // Scales the points, point_radius and r_range by f about the origin of the cloud's frame,
    // applies any recorded motion to the points, and rebuilds the cloud without inverse_transform.
    // Fails like `make` when a scaled point is not finite.
    friend void scale(Pointcloud& c, float f);

    // Bounds in the world frame. For a cloud without a recorded motion: the box of the points
    // widened by point_radius, and the sphere around the points' box centre with half its diagonal
    // plus point_radius; an empty cloud gives the zero-size box and sphere at the origin. For a
    // moved cloud the points' box is carried out by the motion, then widened by point_radius and
    // slightly more, so that they hold every point's ball as the collision tests place it.
    friend Sphere broadphase(const Pointcloud& c);
    friend Cuboid aabb(const Pointcloud& c);
    friend Cuboid obb(const Pointcloud& c) { return aabb(c); }

    // |point_radius difference| <= eps and the sphere sets equal within eps (tree, r_range and
    // inverse_transform are not compared).
    friend bool abs_diff_eq(const Pointcloud& a, const Pointcloud& b, float eps);

    // Stored form: "tree", "spheres", "point_radius", "r_range", "inverse_transform". Reading
    // takes the tree as stored after checking its shape, and refuses a tree whose point radius or
    // leaf count does not fit the sphere set.
    using Stored = PointcloudData;
    PointcloudView stored_view() const;
    static Pointcloud from_stored(PointcloudData&& data);

private:
    pointcloud::Capt tree_;
    SpheresSoA spheres_;
    float point_radius_ = 0.0f;
    RadiusRange r_range_;
    std::optional<Affine3A> inverse_transform_;
    // Derived, never stored: largest |coordinate| of the points, and the motion when it stretches.
    float extent_ = 0.0f;
    std::optional<Stretching> stretching_;

    void derive_extent();
    void derive_stretching();
    bool reaches_world(const Stretching& s, Vec3 center, float r) const;
    void record_motion(const Affine3A& motion);
    static Pointcloud assemble(pointcloud::Capt&& tree, std::span<const Point3> points, RadiusRange r_range,
                               float point_radius);
};

}  // namespace trelk
