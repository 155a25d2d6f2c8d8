// Random colliders and query shapes for the collider tests. Two styles: "grid" shapes with small
// integer and half-integer coordinates, axis or Pythagorean directions and signed-permutation axes,
// so that touching pairs come up often and the arithmetic is exact; "general" shapes with random
// rotations and sizes, as a user would build them. Grid sizes are chosen so that every bounding
// radius is exact too (lengths such as |(3, 4, 0)| = 5 and |(1, 2, 2)| = 3, never sqrt(2)): a
// bounding sphere touches its shape at corners, and a rounded radius would make a pre-test miss an
// exactly touching pair there.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <type_traits>
#include <variant>
#include <vector>

#include "collider/collider.hpp"
#include "trelk.hpp"

namespace scenes {

using namespace trelk;

// Every shape kind a collider holds (point clouds aside), in one list per kind.
struct Scene {
    std::vector<Sphere> spheres;
    std::vector<Point> points;
    std::vector<Capsule> capsules;
    std::vector<Cuboid> cuboids;
    std::vector<Cylinder> cylinders;
    std::vector<LineSegment> segments;
    std::vector<ConvexPolygon> polygons;
    std::vector<ConvexPolytope> polytopes;
    std::vector<Plane> planes;
    std::vector<Line> lines;
    std::vector<Ray> rays;
    std::vector<Pointcloud> clouds;

    template <class F>
    void for_each_list(F&& f) {
        f(spheres), f(points), f(capsules), f(cuboids), f(cylinders), f(segments), f(polygons), f(polytopes),
            f(planes), f(lines), f(rays), f(clouds);
    }
    template <class F>
    void for_each_item(F&& f) const {
        const_cast<Scene*>(this)->for_each_list([&](auto& list) {
            for (const auto& item : list) f(item);
        });
    }
    std::size_t size() const {
        std::size_t n = 0;
        for_each_item([&](const auto&) { ++n; });
        return n;
    }
};

using Query = std::variant<Sphere, Capsule, Cuboid, Cylinder, ConvexPolytope, ConvexPolygon, LineSegment, Line, Ray,
                           Plane>;

// A box as a polytope: its six face planes (unit normals) and eight corners.
inline ConvexPolytope box_polytope(const Cuboid& b) {
    std::vector<Plane> planes;
    for (int k = 0; k < 3; ++k)
        for (float s : {1.0f, -1.0f}) {
            Vec3 n = b.axes[k] * s;
            planes.push_back({n, dot(n, b.center) + b.half_extents[k]});
        }
    std::vector<Vec3> corners;
    for (int i = 0; i < 8; ++i) {
        Vec3 p = b.center;
        for (int k = 0; k < 3; ++k) p += b.axes[k] * (((i >> k) & 1) ? b.half_extents[k] : -b.half_extents[k]);
        corners.push_back(p);
    }
    return ConvexPolytope::make(std::move(planes), std::move(corners));
}

class Generator {
public:
    explicit Generator(unsigned seed, bool grid) : rng_(seed), grid_(grid) {}

    bool grid() const { return grid_; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool coin(double p = 0.5) { return std::bernoulli_distribution(p)(rng_); }
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
    // Halves in [-n, n] on the grid.
    float step(int n) { return 0.5f * float(std::uniform_int_distribution<int>(-2 * n, 2 * n)(rng_)); }

    Vec3 point() {
        if (grid_) return {step(4), step(4), step(4)};
        return {uniform(-6, 6), uniform(-6, 6), uniform(-6, 6)};
    }
    float radius() { return grid_ ? 0.5f * float(pick(5)) : uniform(0.05f, 1.5f); }

    // An axis permutation with signs: exact, orthonormal.
    std::array<Vec3, 3> grid_axes() {
        std::array<int, 3> perm{0, 1, 2};
        std::shuffle(perm.begin(), perm.end(), rng_);
        std::array<Vec3, 3> axes{};
        for (int k = 0; k < 3; ++k) axes[k][perm[k]] = coin() ? 1.0f : -1.0f;
        return axes;
    }
    std::array<Vec3, 3> axes() {
        if (grid_) return grid_axes();
        std::normal_distribution<float> g;
        float x = g(rng_), y = g(rng_), z = g(rng_), w = g(rng_);
        float n = 1.0f / std::sqrt(((x * x + y * y) + z * z) + w * w);
        Quat q{x * n, y * n, z * n, w * n};
        return {q * Vec3{1, 0, 0}, q * Vec3{0, 1, 0}, q * Vec3{0, 0, 1}};
    }
    // Grid directions have lengths 0, 1 .. 4 along an axis, 5 as (3, 4, 0) or 2.5 as (1.5, 2, 0)
    // turned.
    Vec3 direction() {
        if (grid_) {
            std::array<Vec3, 3> a = grid_axes();
            switch (pick(4)) {
                case 0: return {};
                case 1: return a[0] * float(1 + pick(4));
                case 2: return a[0] * 3.0f + a[1] * 4.0f;
                default: return a[0] * 1.5f + a[1] * 2.0f;
            }
        }
        if (coin(0.05)) return {};
        return axes()[2] * uniform(0.1f, 4.0f);
    }
    Vec3 half_extents() {
        static constexpr std::array<Vec3, 5> exact{{{1, 2, 2}, {2, 2, 1}, {1, 4, 8}, {2, 3, 6}, {0.5f, 1, 1}}};
        if (grid_) return exact[pick(int(exact.size()))];
        return {uniform(0.1f, 1.5f), uniform(0.1f, 1.5f), uniform(0.1f, 1.5f)};
    }

    Sphere sphere() { return {point(), radius()}; }
    Point bare_point() { return {point()}; }
    Capsule capsule() { return Capsule::make(point(), direction(), radius()); }
    Cylinder cylinder() { return Cylinder::make(point(), direction(), radius()); }
    Cuboid cuboid() { return Cuboid::make(point(), axes(), half_extents()); }
    LineSegment segment() { return LineSegment::make(point(), direction()); }
    Line line() { return Line::make(point(), nonzero_direction()); }
    Ray ray() { return Ray::make(point(), nonzero_direction()); }
    Plane plane() {
        Vec3 n = grid_ ? grid_axes()[0] : axes()[0];
        return {n, grid_ ? step(4) : uniform(-6, 6)};
    }
    ConvexPolygon polygon() {
        Vec3 n = grid_ ? grid_axes()[2] : axes()[2];
        std::vector<Vec2f> outline;
        if (grid_) {
            float s = 0.5f * float(1 + pick(4));
            switch (pick(3)) {
                case 0: outline = {{-s, 0}, {0, -s}, {s, 0}, {0, s}}; break;
                case 1: outline = {{0, 0}, {2 * s, 0}, {0, s}}; break;
                default: outline = {{-1.5f, -2}, {1.5f, -2}, {1.5f, 2}, {-1.5f, 2}}; break;
            }
        } else {
            int n_vertices = 3 + pick(5);
            float r = uniform(0.2f, 2.0f), phase = uniform(0, 6.2831853f);
            for (int i = 0; i < n_vertices; ++i) {
                float a = phase + 6.2831853f * float(i) / float(n_vertices);
                outline.push_back({r * std::cos(a), r * std::sin(a)});
            }
        }
        return ConvexPolygon::make(point(), n, std::move(outline));
    }
    ConvexPolytope polytope() { return box_polytope(cuboid()); }
    // A few points around a spot, some clouds moved after building (their points stay, the motion
    // is recorded); the tree's radius range is sometimes narrow, so exact scans stand in for it.
    Pointcloud cloud() {
        static constexpr int sizes[] = {0, 1, 7, 8, 9, 30};
        const Vec3 spot = point();
        std::vector<pointcloud::Point3> pts;
        for (int i = 0, n = sizes[pick(6)]; i < n; ++i) {
            const Vec3 p = spot + (grid_ ? Vec3{step(1), step(1), step(1)}
                                         : Vec3{uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)});
            pts.push_back({p.x, p.y, p.z});
        }
        const float pr = grid_ ? 0.5f * float(pick(3)) : uniform(0.0f, 0.5f);
        const auto range = coin() ? pointcloud::RadiusRange{0.0f, 4.0f} : pointcloud::RadiusRange{0.4f, 0.6f};
        Pointcloud c = Pointcloud::make(pts, range, pr);
        if (coin(0.3)) translate(c, grid_ ? Vec3{step(1), 0, 0} : point());
        if (!grid_ && coin(0.3)) {
            const auto a = axes();
            rotate_mat(c, Mat3{a[0], a[1], a[2]});
        }
        return c;
    }

    Vec3 nonzero_direction() {
        Vec3 d = direction();
        return d == Vec3{} ? Vec3{0, 0, 1} : d;
    }

    Query query() {
        switch (pick(10)) {
            case 0: return sphere();
            case 1: return capsule();
            case 2: return cuboid();
            case 3: return cylinder();
            case 4: return polytope();
            case 5: return polygon();
            case 6: return segment();
            case 7: return line();
            case 8: return ray();
            default: return plane();
        }
    }

    // Up to `most` items of kinds drawn at random; unbounded kinds (planes, lines, rays) are rare,
    // since any one of them reaches far. A focused scene draws from two kinds only, so that groups
    // grow past several blocks of eight.
    Scene scene(int most, bool focused = false, bool clouds = false) {
        Scene s;
        if (clouds)
            for (int i = pick(4); i > 0; --i) s.clouds.push_back(cloud());
        const int n = pick(most + 1);
        const int focus[2] = {pick(8), pick(8)};
        for (int i = 0; i < n; ++i) {
            int kind = focused ? focus[pick(2)] : pick(11);
            if (kind >= 8 && !coin(0.1)) kind = pick(8);
            switch (kind) {
                case 0: s.spheres.push_back(sphere()); break;
                case 1: s.points.push_back(bare_point()); break;
                case 2: s.capsules.push_back(capsule()); break;
                case 3: s.cuboids.push_back(cuboid()); break;
                case 4: s.cylinders.push_back(cylinder()); break;
                case 5: s.segments.push_back(segment()); break;
                case 6: s.polygons.push_back(polygon()); break;
                case 7: s.polytopes.push_back(polytope()); break;
                case 8: s.planes.push_back(plane()); break;
                case 9: s.lines.push_back(line()); break;
                default: s.rays.push_back(ray()); break;
            }
        }
        return s;
    }

    // Adds the scene's items with the kinds interleaved at random; each kind keeps its own order.
    template <class PCL>
    Collider<PCL> build(const Scene& s) {
        struct Cursor {
            std::size_t next = 0;
        };
        std::array<Cursor, 12> at{};
        std::vector<int> order;
        int kind = 0;
        const_cast<Scene&>(s).for_each_list([&](auto& list) {
            order.insert(order.end(), list.size(), kind++);
        });
        std::shuffle(order.begin(), order.end(), rng_);
        Collider<PCL> c;
        for (int k : order) {
            int i = 0;
            const_cast<Scene&>(s).for_each_list([&](auto& list) {
                using Item = typename std::decay_t<decltype(list)>::value_type;
                if constexpr (std::is_same_v<PCL, NoPcl> && std::is_same_v<Item, Pointcloud>)
                    ++i;  // a collider without clouds: scenes given to it hold none
                else if (i++ == k)
                    add(c, list[at[k].next++]);
            });
        }
        return c;
    }

private:
    std::mt19937 rng_;
    bool grid_;
};

}  // namespace scenes
