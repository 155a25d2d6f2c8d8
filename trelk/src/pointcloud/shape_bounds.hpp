// Can a box of cloud points hold a point that a shape's per-point collision test accepts? Each
// bound answers for one family of shapes, in double precision, and never says no to a box holding
// such a point: it widens the region the per-point rule accepts by an allowance for that rule's
// float rounding (see `allowance`). The tree search (any_leaf_where) skips the boxes a bound
// rejects, so the per-point rule run on the rest gives the answer a scan of every point gives.
//
// The regions are convex supersets of the accepted points:
// - LinePieceBound: within `reach` of origin + t dir, t_lo <= t <= t_hi (capsules, cylinders,
//   segments, rays, lines); the box widened by reach must meet the piece of line;
// - SlabsBound: within half_width of a centre value along each of N axes (cuboids, whose projected
//   rule bounds each axis on its own, whatever the axes);
// - HalfSpacesBound: below every plane raised by `beyond` (polytopes, half-spaces);
// - PolygonBound: within pr of the polygon's plane, and either inside every edge (the rule's own
//   band) or within pr of the square around its outline.
// A box of the cloud's frame is asked as it stands (InFrame) or as the box around its image under a
// stretching motion (Carry), for tests that carry the points out.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <span>

#include "capsule.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "plane/infinite.hpp"
#include "plane/polygon_collides.hpp"
#include "plane/ref_convex.hpp"
#include "pointcloud/capt.hpp"

namespace trelk::pointcloud {

using Vec3d = std::array<double, 3>;
struct Box3d {
    Vec3d lo, hi;
};

namespace bounds_detail {

inline Vec3d widen(Vec3 v) { return {v.x, v.y, v.z}; }
inline double sum_abs(Vec3 v) { return (std::fabs(double(v.x)) + std::fabs(double(v.y))) + std::fabs(double(v.z)); }
inline double dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Smallest and largest a . x over the box.
struct Range {
    double lo, hi;
};
inline Range project(const Box3d& b, const Vec3d& a) {
    Range r{0.0, 0.0};
    for (int k = 0; k < 3; ++k) {
        const bool up = a[k] >= 0.0;
        r.lo += a[k] * (up ? b.lo[k] : b.hi[k]);
        r.hi += a[k] * (up ? b.hi[k] : b.lo[k]);
    }
    return r;
}
inline bool meets(const Range& r, double center, double half_width) {
    return !(r.lo > center + half_width) && !(r.hi < center - half_width);
}

}  // namespace bounds_detail

// How far beyond its region a float per-point rule may accept a point, where `magnitude` bounds the
// coordinates, lengths and offsets the rule combines: its rounding is a few units in the last place
// of those (2^-24 each), which 2^-16 holds many times over; 2^-70 holds squares that underflow.
inline double allowance(double magnitude) { return std::ldexp(magnitude, -16) + std::ldexp(1.0, -70); }

// Largest |coordinate| of the tree's points (0 for a tree without inner nodes, which the search
// never asks a bound about).
inline double points_extent(const Capt& tree) {
    if (tree.node_boxes().empty()) return 0.0;
    const Aabb& b = tree.node_boxes()[0];
    double e = 0.0;
    for (int k = 0; k < 3; ++k) e = std::fmax(e, std::fmax(std::fabs(double(b.lo[k])), std::fabs(double(b.hi[k]))));
    return e;
}

struct InFrame {
    Box3d operator()(const Aabb& b) const { return {{b.lo[0], b.lo[1], b.lo[2]}, {b.hi[0], b.hi[1], b.hi[2]}}; }
    double extent(double points_extent) const { return points_extent; }
};

// The box around the image of a box under `out` (the cloud's frame to the world).
struct Carry {
    double m[3][3], t[3];  // row i of the linear part, and the translation

    explicit Carry(const Affine3A& out) {
        const Vec3 cols[3] = {out.matrix3.x_axis, out.matrix3.y_axis, out.matrix3.z_axis};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] = cols[j][i];
            t[i] = out.translation[i];
        }
    }
    Box3d operator()(const Aabb& b) const {
        Box3d r;
        for (int i = 0; i < 3; ++i) {
            double c = t[i], h = 0.0;
            for (int j = 0; j < 3; ++j) {
                c += m[i][j] * (0.5 * (double(b.lo[j]) + double(b.hi[j])));
                h += std::fabs(m[i][j]) * (0.5 * (double(b.hi[j]) - double(b.lo[j])));
            }
            r.lo[i] = c - h, r.hi[i] = c + h;
        }
        return r;
    }
    // Bounds |coordinate| of every carried point, and the magnitudes mapping it out combines.
    double extent(double points_extent) const {
        double e = 0.0;
        for (int i = 0; i < 3; ++i)
            e = std::fmax(e, (std::fabs(m[i][0]) + std::fabs(m[i][1]) + std::fabs(m[i][2])) * points_extent + std::fabs(t[i]));
        return e;
    }
};

struct LinePieceBound {
    Vec3d origin, dir;
    double t_lo, t_hi, reach;
    double inverse_length_sq;  // 0 for a zero direction
    Vec3d inverse_dir;         // per axis; 0 where dir is 0

    bool operator()(const Box3d& b) const { return ball_may_reach(b) && widened_box_meets(b); }

    // The ball around the box must come within reach of the piece: tight where boxes are small
    // (the widened box's corners let in what no ball does).
    bool ball_may_reach(const Box3d& b) const {
        Vec3d c, gap;
        double half_sq = 0.0;
        for (int k = 0; k < 3; ++k) {
            c[k] = 0.5 * (b.lo[k] + b.hi[k]);
            const double h = 0.5 * (b.hi[k] - b.lo[k]);
            half_sq += h * h;
        }
        double t = bounds_detail::dot({c[0] - origin[0], c[1] - origin[1], c[2] - origin[2]}, dir) * inverse_length_sq;
        t = std::fmin(std::fmax(t, t_lo), t_hi);
        for (int k = 0; k < 3; ++k) gap[k] = c[k] - (origin[k] + dir[k] * t);
        const double within = reach + std::sqrt(half_sq);
        return !(bounds_detail::dot(gap, gap) > within * within);
    }

    bool widened_box_meets(const Box3d& b) const {
        double lo = t_lo, hi = t_hi;
        for (int k = 0; k < 3; ++k) {
            const double below = (b.lo[k] - reach) - origin[k], above = (b.hi[k] + reach) - origin[k];
            if (dir[k] == 0.0) {
                if (below > 0.0 || above < 0.0) return false;
                continue;
            }
            const double ta = below * inverse_dir[k], tb = above * inverse_dir[k];
            lo = std::fmax(lo, dir[k] > 0.0 ? ta : tb);
            hi = std::fmin(hi, dir[k] > 0.0 ? tb : ta);
        }
        return lo <= hi;
    }
};

template <std::size_t N>
struct SlabsBound {
    std::array<Vec3d, N> axes;
    std::array<double, N> centers, half_widths;

    bool operator()(const Box3d& b) const {
        for (std::size_t i = 0; i < N; ++i)
            if (!bounds_detail::meets(bounds_detail::project(b, axes[i]), centers[i], half_widths[i])) return false;
        return true;
    }
};

struct HalfSpacesBound {
    std::span<const Plane> planes;
    double beyond;

    bool operator()(const Box3d& b) const {
        for (const Plane& h : planes)
            if (bounds_detail::project(b, bounds_detail::widen(h.normal)).lo > double(h.d) + beyond) return false;
        return true;
    }
};

struct PolygonBound {
    RefConvexPolygon poly;
    SlabsBound<1> plane;
    SlabsBound<2> outline;
    double edge_beyond;  // POLYGON_BAND and the allowance

    bool operator()(const Box3d& b) const {
        using namespace bounds_detail;
        if (!plane(b)) return false;
        if (outline(b)) return true;
        const Vec3d u = widen(poly.u_axis), v = widen(poly.v_axis), c = widen(poly.center);
        for (std::size_t j = 0; j < poly.edge_normals_2d.size(); ++j) {
            const Vec2f& n = poly.edge_normals_2d[j];
            const Vec3d w{n[0] * u[0] + n[1] * v[0], n[0] * u[1] + n[1] * v[1], n[0] * u[2] + n[1] * v[2]};
            if (project(b, w).lo > dot(w, c) + double(poly.edge_offsets_2d[j]) + edge_beyond) return false;
        }
        return true;
    }
};

// The bound of each kind for points of radius pr whose |coordinates| (and those the rule combines
// with them) are within `extent`; none when a parameter is not finite (the caller scans).
inline std::optional<LinePieceBound> line_piece(Vec3 origin, Vec3 dir, double t_lo, double t_hi, double reach,
                                                double extent) {
    using namespace bounds_detail;
    const double widened = reach + allowance(extent + max_abs(origin) + max_abs(dir) + reach);
    if (!std::isfinite(widened)) return std::nullopt;
    const Vec3d d = widen(dir);
    const double length_sq = dot(d, d);
    Vec3d inverse{};
    for (int k = 0; k < 3; ++k) inverse[k] = d[k] == 0.0 ? 0.0 : 1.0 / d[k];
    return LinePieceBound{widen(origin), d, t_lo, t_hi, widened, length_sq > 0.0 ? 1.0 / length_sq : 0.0, inverse};
}
inline std::optional<LinePieceBound> box_bound(const Capsule& c, float pr, double extent) {
    return line_piece(c.p1, c.dir, 0.0, 1.0, std::fabs(double(c.radius)) + std::fabs(double(pr)), extent);
}
inline std::optional<LinePieceBound> box_bound(const Cylinder& c, float pr, double extent) {
    return line_piece(c.p1, c.dir, 0.0, 1.0, std::fabs(double(c.radius)) + std::fabs(double(pr)), extent);
}
inline std::optional<LinePieceBound> box_bound(const LineSegment& l, float pr, double extent) {
    return line_piece(l.p1, l.dir, 0.0, 1.0, std::fabs(double(pr)), extent);
}
inline std::optional<LinePieceBound> box_bound(const Ray& l, float pr, double extent) {
    return line_piece(l.origin, l.dir, 0.0, INFINITY, std::fabs(double(pr)), extent);
}
inline std::optional<LinePieceBound> box_bound(const Line& l, float pr, double extent) {
    return line_piece(l.origin, l.dir, -INFINITY, INFINITY, std::fabs(double(pr)), extent);
}

inline std::optional<SlabsBound<3>> box_bound(const Cuboid& b, float pr, double extent) {
    using namespace bounds_detail;
    double axis_sum = 0.0;
    for (const Vec3& a : b.axes) axis_sum = std::fmax(axis_sum, sum_abs(a));
    const double slack = allowance(axis_sum * (extent + max_abs(b.center)) + max_abs(b.half_extents) + std::fabs(double(pr)));
    if (!std::isfinite(slack) || !std::isfinite(axis_sum)) return std::nullopt;
    SlabsBound<3> s;
    for (int i = 0; i < 3; ++i) {
        s.axes[i] = widen(b.axes[i]);
        s.centers[i] = dot(s.axes[i], widen(b.center));
        s.half_widths[i] = double(b.half_extents[i]) + std::fabs(double(pr)) + slack;
    }
    return s;
}

inline std::optional<HalfSpacesBound> box_bound(std::span<const Plane> planes, float pr, double extent) {
    using namespace bounds_detail;
    double normal_sum = 0.0, offset = 0.0;
    bool finite = true;
    for (const Plane& h : planes) {
        normal_sum = std::fmax(normal_sum, sum_abs(h.normal));
        offset = std::fmax(offset, std::fabs(double(h.d)));
        finite = finite && std::isfinite(sum_abs(h.normal)) && std::isfinite(h.d);
    }
    const double slack = allowance(normal_sum * extent + offset + std::fabs(double(pr)));
    if (!finite || !std::isfinite(slack)) return std::nullopt;
    return HalfSpacesBound{planes, double(pr) + slack};
}

// A half-space alone; the bound refers to `h`, which must outlive it.
inline std::optional<HalfSpacesBound> box_bound(const Plane& h, float pr, double extent) {
    return box_bound(std::span<const Plane>(&h, 1), pr, extent);
}

inline std::optional<PolygonBound> box_bound(const RefConvexPolygon& p, float pr, double extent) {
    using namespace bounds_detail;
    if (p.edge_offsets_2d.size() < p.edge_normals_2d.size()) return std::nullopt;  // the rule's own fault decides
    double half_a = 0.0, half_b = 0.0, normal_sum = 0.0, offset = 0.0;
    bool finite = true;
    for (const Vec2f& v : p.vertices_2d) {
        half_a = std::fmax(half_a, std::fabs(double(v[0])));
        half_b = std::fmax(half_b, std::fabs(double(v[1])));
        finite = finite && std::isfinite(v[0]) && std::isfinite(v[1]);
    }
    for (std::size_t j = 0; j < p.edge_normals_2d.size(); ++j) {
        const Vec2f& n = p.edge_normals_2d[j];
        normal_sum = std::fmax(normal_sum, std::fabs(double(n[0])) + std::fabs(double(n[1])));
        offset = std::fmax(offset, std::fabs(double(p.edge_offsets_2d[j])));
        finite = finite && std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(p.edge_offsets_2d[j]);
    }
    const double frame = std::fmax(sum_abs(p.normal), std::fmax(sum_abs(p.u_axis), sum_abs(p.v_axis)));
    const double apr = std::fabs(double(pr));
    const double slack = allowance(std::fmax(1.0, normal_sum) * frame * (extent + max_abs(p.center)) + offset +
                                   half_a + half_b + apr);
    if (!finite || !std::isfinite(slack)) return std::nullopt;
    const Vec3d c = widen(p.center), n = widen(p.normal), u = widen(p.u_axis), v = widen(p.v_axis);
    return PolygonBound{p,
                        {{n}, {dot(n, c)}, {apr + slack}},
                        {{u, v}, {dot(u, c), dot(v, c)}, {half_a + apr + slack, half_b + apr + slack}},
                        double(POLYGON_BAND) + slack};
}

}  // namespace trelk::pointcloud
