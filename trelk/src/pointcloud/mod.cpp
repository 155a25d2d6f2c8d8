#include "pointcloud/mod.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "affine.hpp"
#include "approx.hpp"
#include "bounds.hpp"
#include "pointcloud/capt_near.hpp"
#include "pointcloud/r_range.hpp"
#include "simd/f32x4.hpp"
#include "stored_form.hpp"

namespace trelk {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// Per-axis smallest and largest stored point.
struct PointBox {
    Vec3 lo{kInf, kInf, kInf}, hi{-kInf, -kInf, -kInf};
};

PointBox point_box(const Pointcloud& c) {
    PointBox b;
    for (std::size_t i = 0; i < c.len(); ++i) {
        const Vec3 p = c.point(i);
        for (int a = 0; a < 3; ++a) {
            if (p[a] < b.lo[a]) b.lo[a] = p[a];
            if (p[a] > b.hi[a]) b.hi[a] = p[a];
        }
    }
    return b;
}

// How far bounds carried out by a recorded motion are widened: a generous multiple of the rounding
// in mapping the bound's centre out and a query's centre in, so that no query the tests accept
// falls outside the bound.
double motion_slack(Vec3 world_center, Vec3 local_center, const Affine3A& inverse_transform, double radius) {
    return std::ldexp(double(max_abs(world_center)) + double(max_abs(local_center)) +
                          double(max_abs(inverse_transform.translation)) + radius,
                      -18);
}

// Upper bound of the largest stretch |M v| / |v|: the square root of the largest absolute row sum
// of M^T M (which bounds its largest eigenvalue). About 1 for a rotation.
double stretch_bound(const Mat3& m) {
    const Vec3 cols[3] = {m.x_axis, m.y_axis, m.z_axis};
    double largest = 0.0;
    for (int i = 0; i < 3; ++i) {
        double row = 0.0;
        for (int j = 0; j < 3; ++j) {
            double g = 0.0;
            for (int k = 0; k < 3; ++k) g += double(cols[i][k]) * double(cols[j][k]);
            row += std::fabs(g);
        }
        largest = std::fmax(largest, row);
    }
    return std::sqrt(largest);
}

}  // namespace

Pointcloud Pointcloud::make(std::span<const Point3> points, RadiusRange r_range, float point_radius) {
    return assemble(pointcloud::Capt::with_point_radius(points, r_range, point_radius), points, r_range, point_radius);
}

Pointcloud Pointcloud::make_within_budget(std::span<const Point3> points, float point_radius) {
    RadiusRange range = pointcloud::choose_r_range(points, point_radius);
    const std::size_t budget = pointcloud::tree_budget_bytes(points.size());
    // Each retry asks for 30% less reach, about half the entries on a surface; the last affords
    // nothing, which always fits (a run of 8 entries per leaf).
    constexpr int kRetries = 4;
    for (int attempt = 0; !std::isnan(range.hi); ++attempt) {
        if (auto tree = pointcloud::Capt::with_point_radius_within(points, range, point_radius, budget))
            return assemble(std::move(*tree), points, range, point_radius);
        const float less = range.hi * 0.7f;
        range.hi = attempt < kRetries && less >= point_radius ? less : pointcloud::kAffordsNothing;
    }
    return make(points, range, point_radius);
}

Pointcloud Pointcloud::assemble(pointcloud::Capt&& tree, std::span<const Point3> points, RadiusRange r_range,
                                float point_radius) {
    Pointcloud c;
    c.tree_ = std::move(tree);
    std::vector<Sphere> spheres;
    spheres.reserve(points.size());
    for (const Point3& p : points) spheres.push_back({{p[0], p[1], p[2]}, point_radius});
    c.spheres_ = SpheresSoA::from_slice(spheres);
    c.point_radius_ = point_radius;
    c.r_range_ = r_range;
    c.derive_extent();
    return c;
}

void Pointcloud::derive_extent() {
    extent_ = 0.0f;
    for (std::size_t i = 0; i < len(); ++i) extent_ = std::fmax(extent_, max_abs(point(i)));
}

void Pointcloud::derive_stretching() {
    stretching_.reset();
    if (!inverse_transform_ || is_rotation(inverse_transform_->matrix3)) return;
    const Affine3A& in = *inverse_transform_;
    const Affine3A out = inverse(in);
    // Rounding in mapping a point out and a centre in, and in the inverse itself, grows with the
    // condition number of the map: a generous multiple of all of it (see the margin's use).
    const double stretch = stretch_bound(in.matrix3), condition = std::fmax(1.0, stretch * stretch_bound(out.matrix3));
    const double unit = std::ldexp(1.0, -16);
    stretching_ = Stretching{out, stretch,
                             unit * (2.0 * condition * (double(extent_) + max_abs(in.translation)) +
                                     2.0 * stretch * max_abs(out.translation)),
                             unit * 2.0 * stretch * (condition + 1.0)};
}

Affine3A Pointcloud::outward() const {
    if (stretching_) return stretching_->out;
    return inverse_transform_ ? inverse(*inverse_transform_) : Affine3A{};
}

bool Pointcloud::reaches(Vec3 center, float r) const {
    if (stretching_) return reaches_world(*stretching_, center, r);
    return reaches_local(to_local(center), r);
}

// Candidates in the cloud's frame: every point whose world place is within |r + point_radius| of
// the centre lies within the stretched reach of the mapped centre, margin included; each is then
// carried out and tested in the world. One leaf's run holds all of them only when nothing is
// dropped: a tree with r_range.lo > 0 drops candidates a query is sure to meet the leaf's own point
// before (true in its frame, not of the world test), and even at 0 it drops them from cells shrunk
// to their point, which only a reach within the rounding margin could tell apart. Those queries
// search the cells around the centre instead, which offers every point; non-finite ones scan.
bool Pointcloud::reaches_world(const Stretching& s, Vec3 center, float r) const {
    const float reach = r + point_radius_, rsq = reach * reach;
    auto within = [&](const Point3& p) {
        const Vec3 q = s.out.transform_point({p[0], p[1], p[2]});
        const float dx = q.x - center.x, dy = q.y - center.y, dz = q.z - center.z;
        return (dx * dx + dy * dy) + dz * dz <= rsq;
    };
    const Vec3 local = to_local(center);
    const double d = std::fabs(double(reach));
    const double margin = s.margin_base + s.margin_per_unit * (double(max_abs(center)) + d);
    const double stretched = s.stretch * d + margin;
    const float candidate_reach = float(stretched + std::ldexp(stretched, -20));
    const bool keeps_all = r_range_.lo == 0.0f && d > margin;
    if (searchable_from(local) && std::isfinite(candidate_reach * candidate_reach)) {
        if (keeps_all && tree_exact_for(candidate_reach))
            return tree_.any_afforded({local.x, local.y, local.z}, candidate_reach, within);
        return pointcloud::any_point_near(tree_, {local.x, local.y, local.z}, candidate_reach, within);
    }
    for (std::size_t i = 0; i < len(); ++i)
        if (within({spheres_.x()[i], spheres_.y()[i], spheres_.z()[i]})) return true;
    return false;
}

Vec3 Pointcloud::point(std::size_t i) const { return {spheres_.x()[i], spheres_.y()[i], spheres_.z()[i]}; }

// The tree affords, to every leaf, the points within r_range.hi of its cell along each split axis,
// and drops them only where the whole cell lies within r_range.lo of its own point. A float
// squared distance within reach^2 implies a coordinate gap within reach * (1 + 2^-22) when reach^2
// is a normal number, so a reach a little below r_range.hi (and at least 2^-59 below it) finds every
// such point, and any reach of at least r_range.lo (in magnitude) keeps the drops safe.
bool Pointcloud::tree_exact_for(float reach) const {
    const double rho = std::fabs(double(reach));
    return std::fabs(double(r_range_.lo)) <= rho && rho + std::ldexp(rho, -20) + std::ldexp(1.0, -59) <= double(r_range_.hi);
}

bool Pointcloud::searchable_from(Vec3 center) const {
    return std::isfinite(center.x) && std::isfinite(center.y) && std::isfinite(center.z);
}

bool Pointcloud::reaches_local(Vec3 center, float r) const {
    const float reach = r + tree_.r_point();
    if (!searchable_from(center)) return scan_reaches_local(center, r);
    if (tree_exact_for(reach)) return tree_.collides({center.x, center.y, center.z}, r);
    return pointcloud::reaches_any_reach(tree_, {center.x, center.y, center.z}, r);
}

bool Pointcloud::scan_reaches_local(Vec3 center, float r) const {
    using simd::F32x4;
    const float reach = r + tree_.r_point();
    const float rsq = reach * reach;
    const std::size_t n = spheres_.len();
    const float *xs = spheres_.x().data(), *ys = spheres_.y().data(), *zs = spheres_.z().data();
    const F32x4 cx = F32x4::splat(center.x), cy = F32x4::splat(center.y), cz = F32x4::splat(center.z);
    const F32x4 limit = F32x4::splat(rsq);
    auto half_hits = [&](std::size_t i) {
        F32x4 dx = F32x4::loadu(xs + i) - cx, dy = F32x4::loadu(ys + i) - cy, dz = F32x4::loadu(zs + i) - cz;
        return any(le((dx * dx + dy * dy) + dz * dz, limit));
    };
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        if (half_hits(i) || half_hits(i + 4)) return true;
    for (; i < n; ++i) {
        const float dx = xs[i] - center.x, dy = ys[i] - center.y, dz = zs[i] - center.z;
        if ((dx * dx + dy * dy) + dz * dz <= rsq) return true;
    }
    return false;
}

void Pointcloud::record_motion(const Affine3A& motion) {
    const Affine3A back = inverse(motion);
    inverse_transform_ = inverse_transform_ ? compose(*inverse_transform_, back) : back;
    derive_stretching();
}

void translate(Pointcloud& c, Vec3 offset) { c.record_motion({Mat3{}, offset}); }
void rotate_mat(Pointcloud& c, const Mat3& m) { c.record_motion({m, Vec3{}}); }
// A non-unit q scales the cloud by |q|^2, as the quaternion rule scales every other position.
void rotate_quat(Pointcloud& c, const Quat& q) { c.record_motion({quat_motion_matrix(q), Vec3{}}); }
void transform(Pointcloud& c, const Affine3A& a) { c.record_motion(a); }

void scale(Pointcloud& c, float f) {
    std::vector<Pointcloud::Point3> points(c.len());
    const bool moved = c.inverse_transform_.has_value() && !points.empty();
    const Mat3 back = moved ? inverse(c.inverse_transform_->matrix3) : Mat3{};
    const Vec3 offset = moved ? c.inverse_transform_->translation : Vec3{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        Vec3 p = c.point(i) * f;
        if (moved) p = back * (p - offset);  // the recorded motion, applied to the points now
        points[i] = {p.x, p.y, p.z};
    }
    c = Pointcloud::make(points, {c.r_range_.lo * f, c.r_range_.hi * f}, c.point_radius_ * f);
}

Sphere broadphase(const Pointcloud& c) {
    if (c.is_empty()) return {};
    const PointBox b = point_box(c);
    const Vec3 d = b.hi - b.lo;
    const float half_diagonal = std::sqrt((d.x * d.x + d.y * d.y) + d.z * d.z) * 0.5f;
    const Sphere local{(b.lo + b.hi) * 0.5f, half_diagonal + c.point_radius()};
    if (!c.inverse_transform()) return local;
    // The points' sphere carried out, then each point's ball added in the world.
    const Affine3A out = c.outward();
    const Vec3 center = out.transform_point(local.center);
    const double radius = double(half_diagonal) * stretch_bound(out.matrix3);
    const double slack = motion_slack(center, local.center, *c.inverse_transform(), radius) *
                         std::fmax(1.0, stretch_bound(out.matrix3) * stretch_bound(c.inverse_transform()->matrix3));
    return {center, float(radius + std::fabs(double(c.point_radius())) + slack)};
}

Cuboid aabb(const Pointcloud& c) {
    if (c.is_empty()) return Cuboid::aligned({}, {});
    const PointBox b = point_box(c);
    const float pr = c.point_radius();
    if (!c.inverse_transform()) {
        const Vec3 lo = b.lo - Vec3{pr, pr, pr}, hi = b.hi + Vec3{pr, pr, pr};
        return Cuboid::from_aabb(lo, hi);
    }
    // The points' box carried out, then each point's ball added in the world.
    const Affine3A out = c.outward();
    const Mat3& m = out.matrix3;
    const Vec3 local_center = (b.lo + b.hi) * 0.5f;
    Cuboid world = box_aabb(Cuboid::make(out.transform_point(local_center), {m.x_axis, m.y_axis, m.z_axis}, (b.hi - b.lo) * 0.5f));
    const double slack = motion_slack(world.center, local_center, *c.inverse_transform(), max_abs(world.half_extents)) *
                         std::fmax(1.0, stretch_bound(m) * stretch_bound(c.inverse_transform()->matrix3));
    const float widen = float(std::fabs(double(pr)) + slack);
    world.half_extents += Vec3{widen, widen, widen};
    return world;
}

bool abs_diff_eq(const Pointcloud& a, const Pointcloud& b, float eps) {
    return abs_diff_eq(a.point_radius_, b.point_radius_, eps) && abs_diff_eq(a.spheres_, b.spheres_, eps);
}

PointcloudView Pointcloud::stored_view() const {
    return {tree_.stored_view(), spheres_.stored_view(), point_radius_, {r_range_.lo, r_range_.hi}, inverse_transform_};
}

Pointcloud Pointcloud::from_stored(PointcloudData&& d) {
    const std::size_t n = d.spheres.len();
    const std::size_t leaves = n < 2 ? 1 : std::bit_ceil(n);
    if (d.tree.leaf_count() != leaves)
        throw StoredFormError("point cloud tree has " + std::to_string(d.tree.leaf_count()) + " leaves, expected " +
                              std::to_string(leaves) + " for " + std::to_string(n) + " points");
    if (std::bit_cast<std::uint32_t>(d.tree.r_point()) != std::bit_cast<std::uint32_t>(d.point_radius))
        throw StoredFormError("point cloud tree radius differs from point_radius");
    Pointcloud c;
    c.tree_ = std::move(d.tree);
    c.spheres_ = std::move(d.spheres);
    c.point_radius_ = d.point_radius;
    c.r_range_ = {d.r_range.first, d.r_range.second};
    c.inverse_transform_ = d.inverse_transform;
    c.derive_extent();
    c.derive_stretching();
    return c;
}

}  // namespace trelk
