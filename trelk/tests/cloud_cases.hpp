// Random point clouds for the cross-checks, and the brute-force answers they are checked against.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include <algorithm>
#include <cstdint>
#include <span>

#include "affine.hpp"
#include "pointcloud/collides.hpp"
#include "reference_geometry.hpp"

namespace cloud_cases {

using namespace trelk;
using ref::D3;
using Point3 = Pointcloud::Point3;

inline AlignedBuffer buffer_of(std::span<const float> values) {
    AlignedBuffer b;
    b.reserve(values.size());
    for (float v : values) b.push_back(v);
    return b;
}

// A tree's stored record as a reader gives it: copies of its tables.
inline pointcloud::CaptData data_of(const pointcloud::Capt& t) {
    const pointcloud::CaptView v = t.stored_view();
    pointcloud::CaptData d{{v.tests.begin(), v.tests.end()}, {v.aabbs.begin(), v.aabbs.end()},
                           {v.starts.begin(), v.starts.end()}, {}, v.r_point, v.lanes_log2};
    for (auto plane : v.afforded) d.afforded.push_back(buffer_of(plane));
    return d;
}

inline double max_abs_coordinate(Vec3 p) { return std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}); }

// Any point of the list within r + pr of c, by the float formula of the tree.
inline bool brute_reach(const std::vector<Point3>& pts, Vec3 c, float r, float pr) {
    const float reach = r + pr, rsq = reach * reach;
    for (const Point3& p : pts) {
        const float dx = p[0] - c.x, dy = p[1] - c.y, dz = p[2] - c.z;
        if ((dx * dx + dy * dy) + dz * dz <= rsq) return true;
    }
    return false;
}

// Integer vectors with integer lengths, so that a query can sit exactly at the reach of a point.
struct Pythagorean {
    float x, y, z, length;
};
inline constexpr Pythagorean kPythagorean[] = {{3, 4, 0, 5}, {0, 0, 5, 5}, {2, 3, 6, 7}, {1, 4, 8, 9},
                                               {4, 4, 7, 9}, {2, 6, 9, 11}, {6, 6, 7, 11}};

struct Sample {
    std::vector<Point3> points;
    Pointcloud cloud;
};

// A cloud of 0 to 40 points (some duplicated) on a coarse dyadic grid around a random offset of
// magnitude up to `spread`, with a random radius range that may or may not suit the queries, and
// sometimes a rigid motion (a quarter turn and a dyadic shift keep every coordinate exact).
class Maker {
public:
    explicit Maker(unsigned seed) : rng_(seed) {}

    std::mt19937& rng() { return rng_; }
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    // A multiple of 1/8 in [-lim, lim].
    float grid(float lim) { return float(integer(-int(lim * 8), int(lim * 8))) / 8.0f; }

    Vec3 vec(float lim) { return {uniform(-lim, lim), uniform(-lim, lim), uniform(-lim, lim)}; }

    // Sometimes scaled (rebuilt), sometimes turned about a random axis and moved.
    void move(Pointcloud& c) {
        if (chance(0.15)) scale(c, uniform(0.5f, 2.0f));
        if (chance(0.5)) {
            const Vec3 axis = normalize(vec(1));
            const float half = uniform(-1.6f, 1.6f), s = std::sin(half);
            rotate_quat(c, Quat{axis.x * s, axis.y * s, axis.z * s, std::cos(half)});
            translate(c, vec(100));
        }
    }

    Sample cloud(float spread) {
        Sample s;
        // Dense clouds give the tree bounded cells that its lower radius prunes.
        const bool dense = chance(0.2);
        const int n = dense ? integer(64, 300) : chance(0.1) ? integer(0, 2) : integer(0, 40);
        const float extent = dense ? 2.0f : 8.0f;
        const float offset = spread == 0 ? 0.0f : std::ldexp(1.0f, integer(0, int(std::log2(spread))));
        for (int i = 0; i < n; ++i) {
            if (i > 0 && chance(0.1)) {
                s.points.push_back(s.points[integer(0, i - 1)]);
                continue;
            }
            s.points.push_back({grid(extent) + offset, grid(extent), grid(extent) - offset});
        }
        const float pr = float(integer(0, 8)) / 8.0f;
        const float lo = chance(0.3) ? 0.0f : uniform(0.0f, 4.0f), hi = lo + (chance(0.2) ? 0.0f : uniform(0.0f, 12.0f));
        s.cloud = Pointcloud::make(s.points, {lo, hi}, pr);
        return s;
    }

private:
    std::mt19937 rng_;
};

inline ConvexPolytope box_polytope(const Cuboid& b) {
    std::vector<Plane> planes;
    std::vector<Vec3> corners;
    for (int i = 0; i < 3; ++i)
        for (float s : {1.0f, -1.0f})
            planes.push_back({b.axes[i] * s, s * dot(b.axes[i], b.center) + b.half_extents[i]});
    for (int k = 0; k < 8; ++k)
        corners.push_back(((b.center + b.axes[0] * (k & 1 ? b.half_extents.x : -b.half_extents.x)) +
                           b.axes[1] * (k & 2 ? b.half_extents.y : -b.half_extents.y)) +
                          b.axes[2] * (k & 4 ? b.half_extents.z : -b.half_extents.z));
    return ConvexPolytope::make(planes, corners);
}

// Each kind once, so that a table can run a cloud against all of them in both variants.
struct AllKinds {
    Capsule capsule;
    Cylinder cylinder;
    Cuboid cuboid;
    ConvexPolytope polytope;
    ConvexPolygon polygon;
    LineSegment segment;
    Ray ray;
    Line line;
    Plane plane;

    template <class F>
    void each(F&& f) const {
        f(capsule), f(cylinder), f(cuboid), f(polytope), f(polygon), f(segment), f(ray), f(line), f(plane);
    }
};

// Slow reference in double precision: how far each point is from passing (<= 0 passes).
struct Reference {
    double pr;
    double operator()(const Cuboid& b, D3 p) const {
        double sum = 0;
        for (int i = 0; i < 3; ++i) {
            const double e = std::max(std::fabs(ref::dot(p - D3(b.center), D3(b.axes[i]))) - b.half_extents[i], 0.0);
            sum += e * e;
        }
        return std::sqrt(sum) - pr;
    }
    double segment_gap(Vec3 p1, Vec3 dir, double t0, double t1, D3 p) const {
        if (length_sq(dir) <= EPS) return ref::norm(p - D3(p1));
        return ref::norm(p - ref::Segment{D3(p1), D3(dir), t0, t1}.project(p));
    }
    double operator()(const Capsule& c, D3 p) const { return segment_gap(c.p1, c.dir, 0, 1, p) - c.radius - pr; }
    double operator()(const LineSegment& s, D3 p) const { return segment_gap(s.p1, s.dir, 0, 1, p) - pr; }
    double operator()(const Ray& r, D3 p) const { return segment_gap(r.origin, r.dir, 0, INFINITY, p) - pr; }
    double operator()(const Line& l, D3 p) const { return segment_gap(l.origin, l.dir, -INFINITY, INFINITY, p) - pr; }
    double operator()(const Cylinder& c, D3 p) const {
        const D3 d(c.dir), e = p - D3(c.p1);
        const double dd = ref::dot(d, d), t = ref::dot(e, d) / dd;
        const double rho = ref::norm(e - d * t), a = std::max({t - 1, -t, 0.0}) * std::sqrt(dd);
        const double rim = std::max(rho - c.radius, 0.0);
        return std::sqrt(rim * rim + a * a) - pr;
    }
    double operator()(const ConvexPolytope& t, D3 p) const {
        if (t.vertices.empty()) return INFINITY;  // no vertices: no point of the polytope
        double worst = -INFINITY;
        for (const Plane& h : t.planes) worst = std::max(worst, ref::dot(D3(h.normal), p) - h.d);
        return worst - pr;
    }
    double operator()(const Plane& h, D3 p) const { return ref::dot(D3(h.normal), p) - h.d - pr; }
    double operator()(const ConvexPolygon& g, D3 p) const {
        if (g.vertices_2d.empty()) return INFINITY;  // no vertices: no point of the polygon
        const D3 e = p - D3(g.center);
        const double h = ref::dot(e, D3(g.normal)), a = ref::dot(e, D3(g.u_axis)), b = ref::dot(e, D3(g.v_axis));
        bool inside = true;
        for (std::size_t j = 0; j < g.edge_normals_2d.size(); ++j)
            inside = inside && a * g.edge_normals_2d[j][0] + b * g.edge_normals_2d[j][1] <= g.edge_offsets_2d[j] + 1e-6;
        double edge = inside ? 0 : INFINITY;
        for (std::size_t i = 0; i < g.vertices_2d.size() && !inside; ++i) {
            const auto& v = g.vertices_2d[i];
            const auto& w = g.vertices_2d[(i + 1) % g.vertices_2d.size()];
            const ref::Segment s{{v[0], v[1], 0}, {w[0] - v[0], w[1] - v[1], 0}, 0, 1};
            edge = std::min(edge, ref::norm(D3(a, b, 0) - s.project(D3(a, b, 0))));
        }
        return std::sqrt(h * h + edge * edge) - pr;
    }
};

// Undecided when some point lies within `tol` of passing and none passes clearly.
enum class Verdict { no, yes, unsure };
template <class S>
Verdict reference_verdict(const Pointcloud& cloud, const S& local, double tol) {
    const Reference gap{cloud.point_radius()};
    Verdict v = Verdict::no;
    for (std::size_t i = 0; i < cloud.len(); ++i) {
        const double g = gap(local, D3(cloud.point(i)));
        if (g <= -tol) return Verdict::yes;
        if (!(g > tol)) v = Verdict::unsure;
    }
    return v;
}

// Decisions closer than this to a point's boundary are left open: a generous multiple of the float
// rounding at the cloud's coordinates.
inline double tolerance(const Pointcloud& cloud) {
    double size = 1;
    for (std::size_t i = 0; i < cloud.len(); ++i) size = std::max(size, max_abs_coordinate(cloud.point(i)));
    return std::ldexp(1.0, -18) * (size + 100);
}

// One shape of each kind around a random point of the cloud (its frame), carried out into the world.
inline AllKinds shapes_near(Maker& make, const Pointcloud& cloud) {
    const Affine3A out = cloud.inverse_transform() ? inverse(*cloud.inverse_transform()) : Affine3A{};
    const Vec3 near = cloud.is_empty() ? Vec3{} : cloud.point(make.integer(0, int(cloud.len()) - 1));
    auto place = [&](Vec3 local) { return out.transform_point(near + local); };
    auto turn = [&](Vec3 v) { return out.transform_vector(v); };
    const Vec3 axis_dir = make.vec(3), normal = normalize(make.vec(1));
    const float radius = make.uniform(0.0f, 2.0f);
    const Cuboid box = Cuboid::make(place(make.vec(2)), {turn({1, 0, 0}), turn({0, 1, 0}), turn({0, 0, 1})},
                                    {make.uniform(0, 2), make.uniform(0, 2), make.uniform(0, 2)});
    std::vector<Vec2f> outline;
    const int corners = make.integer(0, 6);
    for (int i = 0; i < corners; ++i) {
        const float a = 6.2831853f * float(i) / float(corners), l = make.uniform(0.5f, 2.0f);
        outline.push_back({l * std::cos(a), l * std::sin(a)});
    }
    return {Capsule::make(place(make.vec(2)), turn(axis_dir), radius),
            Cylinder::make(place(make.vec(2)), turn(axis_dir), radius),
            box,
            box_polytope(box),
            ConvexPolygon::make(place(make.vec(2)), turn(normal), outline),
            LineSegment::make(place(make.vec(2)), turn(axis_dir)),
            Ray::make(place(make.vec(3)), turn(axis_dir)),
            Line::make(place(make.vec(3)), turn(axis_dir)),
            Plane{turn(normal), dot(turn(normal), place(make.vec(2)))}};
}

}  // namespace cloud_cases
