#include "pointcloud/collides.hpp"

#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>

#include "affine.hpp"
#include "checked_index.hpp"
#include "empty_shapes.hpp"
#include "plane/polygon_collides.hpp"
#include "plane/ref_convex.hpp"
#include "pointcloud/capt_near.hpp"
#include "pointcloud/shape_bounds.hpp"
#include "simd/f32x4.hpp"

namespace trelk {

namespace {

using simd::F32x4;
using simd::Mask4;

// Four points side by side.
struct Points4 {
    F32x4 x, y, z;
};

F32x4 splat(float v) { return F32x4::splat(v); }

// Eight points per step as two halves (the first half's hit returns before the second is
// computed), then the last n mod 8 points one at a time. `Kind` gives `Mask4 lanes(Points4)` and
// `bool point(Vec3)`.
template <class Kind>
bool scan_in_lanes(const Pointcloud& cloud, const Kind& kind) {
    const SpheresSoA& s = cloud.spheres();
    const std::size_t n = s.len();
    const float *xs = s.x().data(), *ys = s.y().data(), *zs = s.z().data();
    auto half = [&](std::size_t i) {
        return any(kind.lanes(Points4{F32x4::loadu(xs + i), F32x4::loadu(ys + i), F32x4::loadu(zs + i)}));
    };
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        if (half(i) || half(i + 4)) return true;
    for (; i < n; ++i)
        if (kind.point({xs[i], ys[i], zs[i]})) return true;
    return false;
}

// Every point one at a time; `Kind` gives `bool point(Vec3)`.
template <class Kind>
bool scan_one_by_one(const Pointcloud& cloud, const Kind& kind) {
    for (std::size_t i = 0; i < cloud.len(); ++i)
        if (kind.point(cloud.point(i))) return true;
    return false;
}

template <class Kind>
concept InLanes = requires(const Kind& k, const Points4& p) {
    { k.lanes(p) } -> std::same_as<Mask4>;
};

template <class Kind>
bool scan(const Pointcloud& cloud, const Kind& kind) {
    if constexpr (InLanes<Kind>)
        return scan_in_lanes(cloud, kind);
    else
        return scan_one_by_one(cloud, kind);
}

// Orders of the search (any_leaf_where): first the child on the side of a point inside the shape;
// the child deeper below a half-space; the lower child (a stretched cloud's boxes are not in the
// shape's frame).
struct NearTo {
    Vec3 c;
    bool operator()(int axis, float upper) const { return c[axis] < upper; }
};
struct DeepestAlong {
    Vec3 n;
    bool operator()(int axis, float) const { return n[axis] >= 0.0f; }
};
struct AsStored {
    bool operator()(int, float) const { return true; }
};

// The order to search the cloud for a shape in its frame.
NearTo order_of(const Capsule& c) { return {c.p1 + c.dir * 0.5f}; }
NearTo order_of(const Cylinder& c) { return {c.p1 + c.dir * 0.5f}; }
NearTo order_of(const LineSegment& l) { return {l.p1 + l.dir * 0.5f}; }
NearTo order_of(const Cuboid& b) { return {b.center}; }
NearTo order_of(const ConvexPolygon& g) { return {RefConvexPolygon::of(g).center}; }
NearTo order_of(const Ray& r) { return {r.origin}; }
NearTo order_of(const Line& l) { return {l.origin}; }
DeepestAlong order_of(const Plane& h) { return {h.normal}; }

// Within reach of a sphere query's centre: the float test the cloud's sphere queries make of a point.
struct SphereReach {
    Vec3 c;
    float rsq;

    Mask4 lanes(const Points4& p) const {
        const F32x4 dx = p.x - splat(c.x), dy = p.y - splat(c.y), dz = p.z - splat(c.z);
        return le((dx * dx + dy * dy) + dz * dz, splat(rsq));
    }
    bool point(Vec3 p) const {
        const float dx = p.x - c.x, dy = p.y - c.y, dz = p.z - c.z;
        return (dx * dx + dy * dy) + dz * dz <= rsq;
    }
};

// The per-point test over the points in the boxes `bound` may not rule out (each box first taken
// to the frame the test runs in by `box_of`), found by the tree's search; without a bound (a
// parameter not finite), every point. With a `sphere` (in the cloud's frame) it must reach some
// point too. The search runs first: a miss needs no sphere query, and neither does a hit whose
// point lies within the sphere's reach (the query would find that point); others ask it.
template <class Kind, class BoxOf, class Bound, class Order>
bool test_where(const Pointcloud& cloud, const Kind& kind, const BoxOf& box_of, const std::optional<Bound>& bound,
                Order order, const Sphere* sphere = nullptr) {
    auto sphere_reaches = [&] { return !sphere || cloud.reaches_local(sphere->center, sphere->radius); };
    if (!bound) return sphere_reaches() && scan(cloud, kind);
    SphereReach within{};
    if (sphere) {
        const float reach = sphere->radius + cloud.tree().r_point();
        within = {sphere->center, reach * reach};
    }
    bool witnessed = !sphere;  // the hit found lies within the sphere's reach
    const pointcloud::Capt& tree = cloud.tree();
    const float *xs = tree.afforded(0).data(), *ys = tree.afforded(1).data(), *zs = tree.afforded(2).data();
    auto may_hold = [&](const pointcloud::Aabb& b) { return (*bound)(box_of(b)); };
    const bool hit = pointcloud::any_leaf_where(tree, may_hold, [&](std::size_t j) {
        if constexpr (InLanes<Kind>) {
            // The runs' +inf padding is no point.
            auto half = [&](std::size_t h) {
                const Points4 p{F32x4::load(xs + h), F32x4::load(ys + h), F32x4::load(zs + h)};
                const Mask4 m = kind.lanes(p) & lt(p.x, splat(std::numeric_limits<float>::infinity()));
                if (!any(m)) return false;
                witnessed = witnessed || any(m & within.lanes(p));
                return true;
            };
            return half(j) || half(j + 4);
        } else {
            for (std::size_t e = j; e < j + 8; ++e)
                if (std::isfinite(xs[e]) && kind.point({xs[e], ys[e], zs[e]})) {
                    witnessed = witnessed || within.point({xs[e], ys[e], zs[e]});
                    return true;
                }
            return false;
        }
    }, order);
    return hit && (witnessed || sphere_reaches());
}

// Points carried out of the cloud's frame to where a stretching motion put them, then tested by
// `Kind` against the shape as given; lane by lane the same float operations as
// Affine3A::transform_point, so the eight-lane part and the tail agree.
template <class Kind>
struct CarriedOut {
    Kind kind;
    Affine3A out;

    Points4 map(const Points4& p) const {
        const Mat3& m = out.matrix3;
        auto row = [&](int a) {
            return ((splat(m.x_axis[a]) * p.x + splat(m.y_axis[a]) * p.y) + splat(m.z_axis[a]) * p.z) +
                   splat(out.translation[a]);
        };
        return {row(0), row(1), row(2)};
    }
    Mask4 lanes(const Points4& p) const
        requires InLanes<Kind>
    {
        return kind.lanes(map(p));
    }
    bool point(Vec3 p) const { return kind.point(out.transform_point(p)); }
};
template <class Kind>
CarriedOut(Kind, Affine3A) -> CarriedOut<Kind>;

// The shape in the cloud's frame: a mapped copy for a moved cloud, else the shape itself.
template <class S>
S in_cloud_frame(const Pointcloud& cloud, const S& shape) {
    S local = shape;
    if (cloud.inverse_transform()) transform(local, *cloud.inverse_transform());
    return local;
}

// The box bound of a shape's per-point test (a polygon's through its view).
template <class S>
auto bound_of(const S& shape, float pr, double extent) {
    return pointcloud::box_bound(shape, pr, extent);
}
inline auto bound_of(const ConvexPolygon& g, float pr, double extent) {
    return pointcloud::box_bound(RefConvexPolygon::of(g), pr, extent);
}

// The per-point test `kind` of a shape given in the world, on the cloud's points carried out by its
// stretching motion: searched over the boxes that `bound_at(extent)` lets in, extent bounding the
// carried points' coordinates.
template <class Kind, class BoundAt>
bool test_carried_out(const Pointcloud& cloud, const Pointcloud::Stretching& s, Kind kind, const BoundAt& bound_at) {
    const pointcloud::Carry carry(s.out);
    return test_where(cloud, CarriedOut{std::move(kind), s.out}, carry,
                      bound_at(carry.extent(pointcloud::points_extent(cloud.tree()))), AsStored{});
}

// The per-point test `kind_of(shape)` over the cloud where its points now are: in the cloud's frame
// with the shape mapped in (no motion or a rigid one), else in the world with the points carried
// out. With Prefilter::bounds the shape's bounding sphere must reach some point too (in the world
// asked first, in the cloud's frame after the search).
template <class S, class KindOf>
bool test_shape(const Pointcloud& cloud, const S& shape, Prefilter p, KindOf kind_of) {
    constexpr bool bounded = requires { broadphase(shape); };
    if (const Pointcloud::Stretching* s = cloud.stretching()) {
        if constexpr (bounded) {
            if (p == Prefilter::bounds) {
                const Sphere bound = broadphase(shape);
                if (!cloud.reaches(bound.center, bound.radius)) return false;
            }
        }
        return test_carried_out(cloud, *s, kind_of(shape),
                                [&](double extent) { return bound_of(shape, cloud.point_radius(), extent); });
    }
    const double extent = pointcloud::points_extent(cloud.tree());
    const S local = in_cloud_frame(cloud, shape);
    if constexpr (bounded) {
        if (p == Prefilter::bounds) {
            const Sphere sphere = broadphase(local);
            return test_where(cloud, kind_of(local), pointcloud::InFrame{},
                              bound_of(local, cloud.point_radius(), extent), order_of(local), &sphere);
        }
    }
    return test_where(cloud, kind_of(local), pointcloud::InFrame{}, bound_of(local, cloud.point_radius(), extent),
                      order_of(local));
}

struct CuboidPoints {
    Cuboid box;
    float rsq;

    // Always the projected form: sum over the axes of max(|(p - c) . a| - h, 0)^2.
    Mask4 lanes(const Points4& p) const {
        const F32x4 dx = p.x - splat(box.center.x), dy = p.y - splat(box.center.y), dz = p.z - splat(box.center.z);
        F32x4 e[3];
        for (int i = 0; i < 3; ++i) {
            const Vec3 a = box.axes[i];
            const F32x4 proj = (dx * splat(a.x) + dy * splat(a.y)) + dz * splat(a.z);
            e[i] = max(abs(proj) - splat(box.half_extents[i]), splat(0.0f));
        }
        return ge(splat(rsq), (e[0] * e[0] + e[1] * e[1]) + e[2] * e[2]);
    }
    bool point(Vec3 p) const { return box.point_dist_sq(p) <= rsq; }
};

struct CapsulePoints {
    Capsule cap;
    float reach_sq;

    Mask4 lanes(const Points4& p) const {
        const F32x4 ex = p.x - splat(cap.p1.x), ey = p.y - splat(cap.p1.y), ez = p.z - splat(cap.p1.z);
        F32x4 t = ((ex * splat(cap.dir.x) + ey * splat(cap.dir.y)) + ez * splat(cap.dir.z)) * splat(cap.rdv);
        t = min(max(t, splat(0.0f)), splat(1.0f));
        const F32x4 dx = p.x - (splat(cap.p1.x) + splat(cap.dir.x) * t);
        const F32x4 dy = p.y - (splat(cap.p1.y) + splat(cap.dir.y) * t);
        const F32x4 dz = p.z - (splat(cap.p1.z) + splat(cap.dir.z) * t);
        return le((dx * dx + dy * dy) + dz * dz, splat(reach_sq));
    }
    bool point(Vec3 p) const {
        Vec3 q;
        if (cap.z_aligned) {
            const float t = clamp01(((p.z - cap.p1.z) * cap.dir.z) * cap.rdv);
            q = {cap.p1.x, cap.p1.y, cap.p1.z + cap.dir.z * t};
        } else {
            const float t = clamp01(dot(p - cap.p1, cap.dir) * cap.rdv);
            q = cap.p1 + cap.dir * t;
        }
        return length_sq(p - q) <= reach_sq;
    }
};

// Within pr of the solid flat-capped cylinder. Lanes without a square root: inside the axial range
// the radial distance decides; beyond a cap, the point is within pr of the cap disc when it is over
// the disc and near enough axially, or when its distance to the rim circle is at most pr, which
// (a^2 + R^2 + rho^2 - pr^2)^2 <= 4 R^2 rho^2 (or a non-positive left side) expresses.
struct CylinderPoints {
    Cylinder cyl;
    float pr_sq, r_sq, reach_sq, four_r_sq, dir_len_sq;

    explicit CylinderPoints(const Cylinder& c, float pr)
        : cyl(c),
          pr_sq(pr * pr),
          r_sq(c.radius * c.radius),
          reach_sq((c.radius + pr) * (c.radius + pr)),
          four_r_sq(c.radius * (c.radius * 4.0f)),
          dir_len_sq(length_sq(c.dir)) {}

    Mask4 lanes(const Points4& p) const {
        const F32x4 ex = p.x - splat(cyl.p1.x), ey = p.y - splat(cyl.p1.y), ez = p.z - splat(cyl.p1.z);
        const F32x4 t = ((ex * splat(cyl.dir.x) + ey * splat(cyl.dir.y)) + ez * splat(cyl.dir.z)) * splat(cyl.rdv);
        const F32x4 rx = ex - splat(cyl.dir.x) * t, ry = ey - splat(cyl.dir.y) * t, rz = ez - splat(cyl.dir.z) * t;
        const F32x4 rho_sq = (rx * rx + ry * ry) + rz * rz;
        const F32x4 tc = min(max(t, splat(0.0f)), splat(1.0f));
        const F32x4 a_sq = ((t - tc) * (t - tc)) * splat(dir_len_sq);
        const Mask4 within = ge(t, splat(0.0f)) & le(t, splat(1.0f));
        const Mask4 side = le(rho_sq, splat(reach_sq));
        const F32x4 k = ((a_sq + splat(r_sq)) + rho_sq) - splat(pr_sq);
        const Mask4 cap = (le(rho_sq, splat(r_sq)) & le(a_sq, splat(pr_sq))) | le(k, splat(0.0f)) |
                          le(k * k, splat(four_r_sq) * rho_sq);
        return (within & side) | andnot(cap, within);
    }
    bool point(Vec3 p) const {
        const Vec3 e = p - cyl.p1;
        const float t = dot(e, cyl.dir) * cyl.rdv;
        const float rho_sq = length_sq(e - cyl.dir * t);
        const float tc = clamp01(t);
        const float a_sq = ((t - tc) * (t - tc)) * dir_len_sq;
        float dist_sq = a_sq;
        if (rho_sq > r_sq) {
            const float rim = std::sqrt(rho_sq) - cyl.radius;
            dist_sq = rim * rim + a_sq;
        }
        return dist_sq <= pr_sq;
    }
};

// Within pr of every face plane (normals taken as unit vectors).
struct PolytopePoints {
    std::span<const Plane> planes;
    float pr;

    Mask4 lanes(const Points4& p) const {
        F32x4 worst = splat(-INFINITY);
        for (const Plane& h : planes) {
            const F32x4 s = (splat(h.normal.x) * p.x + splat(h.normal.y) * p.y) + splat(h.normal.z) * p.z;
            worst = max(worst, (s - splat(h.d)) - splat(pr));  // a NaN value leaves worst as it is
        }
        return le(worst, splat(0.0f));
    }
    bool point(Vec3 p) const {
        for (const Plane& h : planes)
            if (dot(h.normal, p) - h.d > pr) return false;
        return true;
    }
};

struct PlanePoints {
    Vec3 normal;
    float limit;  // d + pr

    Mask4 lanes(const Points4& p) const {
        return le((splat(normal.x) * p.x + splat(normal.y) * p.y) + splat(normal.z) * p.z, splat(limit));
    }
    bool point(Vec3 p) const { return dot(normal, p) <= limit; }
};

struct PolygonPoints {
    RefConvexPolygon poly;
    float pr_sq;

    bool point(Vec3 p) const {
        const Vec3 e = p - poly.center;
        const float h = dot(e, poly.normal), a = dot(e, poly.u_axis), b = dot(e, poly.v_axis);
        // Unlike the polygon's own containment test, an unordered comparison counts as outside.
        bool inside = true;
        for (std::size_t j = 0; j < poly.edge_normals_2d.size(); ++j) {
            const Vec2f& n = poly.edge_normals_2d[j];
            if (!(a * n[0] + b * n[1] <= checked_at(poly.edge_offsets_2d, j) + POLYGON_BAND)) {
                inside = false;
                break;
            }
        }
        float dist_sq = h * h;
        if (!inside) dist_sq = dist_sq + closest_edge_dist_sq_2d(poly, a, b);
        return dist_sq <= pr_sq;
    }
};

// Points start + dir * s with s clamped by `Clamp`; the nearest such point within pr.
template <class Clamp>
struct LinePoints {
    Vec3 start, dir;
    float rdv, pr_sq;
    Clamp clamp;

    bool point(Vec3 p) const {
        const float s = clamp(rdv * dot(dir, p - start));
        return length_sq(p - (start + dir * s)) <= pr_sq;
    }
};
template <class Clamp>
LinePoints(Vec3, Vec3, float, float, Clamp) -> LinePoints<Clamp>;

struct ClampSegment {
    float operator()(float s) const { return clamp01(s); }
};
struct ClampRay {
    float operator()(float s) const { return s < 0.0f ? 0.0f : s; }
};
struct ClampNone {
    float operator()(float s) const { return s; }
};

// The polytope's rule on points in the frame its planes are in, with the sphere to reach too (if any).
bool polytope_test(const Pointcloud& cloud, std::span<const Plane> planes, Vec3 center, const Sphere* sphere) {
    const float pr = cloud.point_radius();
    return test_where(cloud, PolytopePoints{planes, pr}, pointcloud::InFrame{},
                      pointcloud::box_bound(planes, pr, pointcloud::points_extent(cloud.tree())), NearTo{center},
                      sphere);
}

}  // namespace

bool point_cloud_collides(const Pointcloud& cloud, const Sphere& s) { return cloud.reaches(s.center, s.radius); }

bool point_cloud_collides(const Pointcloud& cloud, const Capsule& c, Prefilter p) {
    return test_shape(cloud, c, p, [&](const Capsule& cap) {
        const float reach = cap.radius + cloud.point_radius();
        return CapsulePoints{cap, reach * reach};
    });
}

bool point_cloud_collides(const Pointcloud& cloud, const Cylinder& c, Prefilter p) {
    return test_shape(cloud, c, p, [&](const Cylinder& cyl) { return CylinderPoints(cyl, cloud.point_radius()); });
}

bool point_cloud_collides(const Pointcloud& cloud, const Cuboid& b, Prefilter p) {
    const float pr_sq = cloud.point_radius() * cloud.point_radius();
    return test_shape(cloud, b, p, [&](const Cuboid& box) { return CuboidPoints{box, pr_sq}; });
}

bool collides_polytope_ref(const Pointcloud& cloud, const RefConvexPolytope& t, Prefilter p) {
    if (is_empty(t)) return false;
    const Sphere sphere = broadphase(t.obb);
    return polytope_test(cloud, t.planes, t.obb.center, p == Prefilter::bounds ? &sphere : nullptr);
}

bool point_cloud_collides(const Pointcloud& cloud, const ConvexPolytope& t, Prefilter p) {
    if (is_empty(RefConvexPolytope::of(t))) return false;
    if (const Pointcloud::Stretching* s = cloud.stretching()) {
        const RefConvexPolytope world = RefConvexPolytope::of(t);
        const Sphere bound = broadphase(world.obb);
        if (p == Prefilter::bounds && !cloud.reaches(bound.center, bound.radius)) return false;
        const float pr = cloud.point_radius();
        return test_carried_out(cloud, *s, PolytopePoints{world.planes, pr},
                                [&](double extent) { return pointcloud::box_bound(world.planes, pr, extent); });
    }
    if (!cloud.inverse_transform()) return collides_polytope_ref(cloud, RefConvexPolytope::of(t), p);
    ConvexPolytope local = t;
    local.transform(*cloud.inverse_transform());
    return collides_polytope_ref(cloud, RefConvexPolytope::of(local), p);
}

bool point_cloud_collides(const Pointcloud& cloud, const ConvexPolygon& g, Prefilter) {
    if (is_empty(RefConvexPolygon::of(g))) return false;
    const float pr_sq = cloud.point_radius() * cloud.point_radius();
    return test_shape(cloud, g, Prefilter::done_by_caller,
                      [&](const ConvexPolygon& poly) { return PolygonPoints{RefConvexPolygon::of(poly), pr_sq}; });
}

bool point_cloud_collides(const Pointcloud& cloud, const LineSegment& s, Prefilter) {
    const float pr = cloud.point_radius();
    return test_shape(cloud, s, Prefilter::done_by_caller, [&](const LineSegment& l) {
        return LinePoints{l.p1, l.dir, l.rdv, pr * pr, ClampSegment{}};
    });
}

bool point_cloud_collides(const Pointcloud& cloud, const Ray& r, Prefilter) {
    const float pr = cloud.point_radius();
    return test_shape(cloud, r, Prefilter::done_by_caller, [&](const Ray& l) {
        return LinePoints{l.origin, l.dir, l.rdv, pr * pr, ClampRay{}};
    });
}

bool point_cloud_collides(const Pointcloud& cloud, const Line& line, Prefilter) {
    const float pr = cloud.point_radius();
    return test_shape(cloud, line, Prefilter::done_by_caller, [&](const Line& l) {
        return LinePoints{l.origin, l.dir, l.rdv, pr * pr, ClampNone{}};
    });
}

bool point_cloud_collides(const Pointcloud& cloud, const Plane& h, Prefilter) {
    const float pr = cloud.point_radius();
    return test_shape(cloud, h, Prefilter::done_by_caller,
                      [&](const Plane& plane) { return PlanePoints{plane.normal, plane.d + pr}; });
}

bool clouds_collide(const Pointcloud& a, const Pointcloud& b) {
    if (a.is_empty() || b.is_empty()) return false;
    const bool a_small = a.len() <= b.len();
    const Pointcloud& small = a_small ? a : b;
    const Pointcloud& big = a_small ? b : a;

    const float rho = small.point_radius();
    // A stretching motion on either side: each of small's points where it now is, as a sphere query
    // of big in the world.
    if (small.stretching() || big.stretching()) {
        const Affine3A out = small.outward();
        for (std::size_t i = 0; i < small.len(); ++i)
            if (big.reaches(out.transform_point(small.point(i)), rho)) return true;
        return false;
    }

    // From small's frame through the world into big's frame.
    const auto& from = small.inverse_transform();
    const auto& to = big.inverse_transform();
    std::optional<Affine3A> map;
    if (from && to)
        map = compose(*to, inverse(*from));
    else if (from)
        map = inverse(*from);
    else if (to)
        map = *to;
    auto in_big = [&](Vec3 p) { return map ? map->transform_point(p) : p; };

    const bool tree_exact = big.tree_exact_for(rho + big.tree().r_point());
    const std::size_t n = small.len();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        pointcloud::CenterRows8 rows;
        bool finite = true;
        for (int l = 0; l < 8; ++l) {
            const Vec3 p = in_big(small.point(i + l));
            rows[0][l] = p.x, rows[1][l] = p.y, rows[2][l] = p.z;
            finite = finite && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        }
        if (tree_exact && finite) {
            pointcloud::Radii8 radii;
            radii.fill(rho);
            if (big.tree().collides_simd(rows, radii)) return true;
        } else {
            for (int l = 0; l < 8; ++l)
                if (big.reaches_local({rows[0][l], rows[1][l], rows[2][l]}, rho)) return true;
        }
    }
    for (; i < n; ++i)
        if (big.reaches_local(in_big(small.point(i)), rho)) return true;
    return false;
}

}  // namespace trelk
