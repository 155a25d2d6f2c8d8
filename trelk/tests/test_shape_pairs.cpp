// collides(a, b) between any two shape kinds: every ordered pair exists, each rule on clear-cut
// geometry (touching in exact coordinates, a little apart), both orders agreeing, lines meeting as a
// collider sees them, and polygons and polytopes without vertices meeting nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "cloud_cases.hpp"
#include "collider.hpp"
#include "random_shapes.hpp"

namespace {

using namespace trelk;

template <class... K>
struct KindTable {
    template <class A>
    static constexpr int row = (int(CollidesWith<A, K>) + ...);
    static constexpr int count = (row<K> + ...);
};
using Kinds = KindTable<Sphere, Capsule, Cuboid, Cylinder, ConvexPolytope, ConvexPolygon, Line, Ray, LineSegment,
                        Plane, Pointcloud>;
static_assert(Kinds::count == 120 && !CollidesWith<Pointcloud, Pointcloud>);

ConvexPolytope cube(Vec3 c, float h, bool planes = true, bool vertices = true) {
    ConvexPolytope t = cloud_cases::box_polytope(Cuboid::aligned(c, {h, h, h}));
    if (!planes) t.planes.clear();
    return vertices ? t : ConvexPolytope::make(t.planes, {});
}
ConvexPolygon square(Vec3 c, float h) { return ConvexPolygon::make(c, {0, 0, 1}, {{-h, -h}, {h, -h}, {h, h}, {-h, h}}); }
Sphere ball(Vec3 c, float r) { return {c, r}; }
Capsule cap(Vec3 a, Vec3 b, float r) { return Capsule::make(a, b - a, r); }
Cylinder cyl(Vec3 a, Vec3 b, float r) { return Cylinder::make(a, b - a, r); }
LineSegment seg(Vec3 a, Vec3 b) { return LineSegment::between(a, b); }
const Cuboid kBox = Cuboid::aligned({}, {1, 1, 1});
const Cylinder kUpright = cyl({0, 0, 0}, {0, 0, 2}, 1);
const Line kXLine = Line::make({}, {1, 0, 0});
const float kNaN = NAN;

// Both orders of a touching pair and of a pair a little apart.
struct Case {
    const char* what;
    bool touch, touch_reversed, apart, apart_reversed;
};
template <class A, class B, class C>
Case edge(const char* what, const A& a, const B& touching, const C& apart) {
    return {what, collides(a, touching), collides(touching, a), collides(a, apart), collides(apart, a)};
}
void expect(std::initializer_list<Case> cases) {
    for (const Case& c : cases)
        EXPECT_TRUE(c.touch && c.touch_reversed && !c.apart && !c.apart_reversed) << c.what;
}

TEST(ShapePairs, RulesOnClearCutGeometry) {
    const Plane floor{{0, 0, 1}, 0};
    expect({
        edge("spheres", ball({}, 1), ball({3, 0, 0}, 2), ball({3.25f, 0, 0}, 2)),
        edge("sphere, tilted capsule", cap({}, {4, 0, 0}, 1), ball({2, 3, 0}, 2), ball({2, 3, 0}, 1.75f)),
        edge("sphere, upright capsule", cap({}, {0, 0, 4}, 1), ball({0, 0, 6}, 1), ball({0, 0, 6.25f}, 1)),
        edge("sphere, point capsule", cap({}, {}, 1), ball({0, 2, 0}, 1), ball({0, 2.25f, 0}, 1)),
        edge("sphere, box corner", kBox, ball({4, 5, 1}, 5), ball({4, 5, 1}, 4.875f)),
        edge("sphere, cylinder side", kUpright, ball({3, 0, 1}, 2), ball({3, 0, 1}, 1.75f)),
        edge("sphere, cylinder cap", kUpright, ball({0.5f, 0, 4}, 2), ball({0.5f, 0, 4}, 1.75f)),
        edge("sphere, cylinder rim", kUpright, ball({4, 0, 6}, 5), ball({4, 0, 6}, 4.875f)),
        // Off the corner by its box although within each face plane's reach.
        edge("sphere, polytope", cube({}, 1), ball({3, 0, 0}, 2), ball({2, 2, 0}, 1.25f)),
        edge("sphere, polytope without planes", cube({}, 1, false), ball({3, 0, 0}, 2), ball({3, 0, 0}, 1.75f)),
        edge("sphere, polygon face", square({}, 1), ball({0, 0, 2}, 2), ball({0, 0, 2}, 1.5f)),
        edge("sphere, polygon edge band", square({}, 1), ball({1.0000005f, 0, 0}, 0), ball({1.000003f, 0, 0}, 1e-6f)),
        edge("sphere, line", kXLine, ball({5, 2, 0}, 2), ball({5, 2, 0}, 1.75f)),
        edge("sphere, ray from its origin", Ray::make({}, {1, 0, 0}), ball({-3, 0, 0}, 3), ball({-3, 0, 0}, 2.75f)),
        edge("sphere, segment end", seg({}, {1, 0, 0}), ball({5, 3, 0}, 5), ball({5, 3, 0}, 4.875f)),
        edge("sphere, plane", Plane{{0, 0, 1}, 1}, ball({0, 0, 3}, 2), ball({0, 0, 3}, 1.5f)),
        edge("capsules", cap({}, {4, 0, 0}, 1), cap({2, -2, 3}, {2, 2, 3}, 2), cap({2, -2, 3}, {2, 2, 3}, 1.5f)),
        edge("capsule, box", kBox, cap({3, -5, 0}, {3, 5, 0}, 2), cap({3, -5, 0}, {3, 5, 0}, 1.75f)),
        edge("upright capsule, box", kBox, cap({0, 0, 3}, {0, 0, 5}, 2), cap({0, 0, 3}, {0, 0, 5}, 1.75f)),
        edge("capsule, cylinder", kUpright, cap({3, 0, -5}, {3, 0, 5}, 2), cap({3, 0, -5}, {3, 0, 5}, 1.75f)),
        edge("capsule, polytope", cube({}, 1), cap({3, -5, 0}, {3, 5, 0}, 2), cap({3, -5, 0}, {3, 5, 0}, 1.75f)),
        edge("capsule, polygon", square({}, 1), cap({0, 0, 2}, {0, 0, 5}, 2), cap({0, 0, 2}, {0, 0, 5}, 1.5f)),
        edge("capsule, line", kXLine, cap({2, 3, -1}, {2, 3, 1}, 3), cap({2, 3, -1}, {2, 3, 1}, 2.5f)),
        edge("capsule, ray", Ray::make({5, 0, 0}, {-1, 0, 0}), cap({2, 3, -1}, {2, 3, 1}, 3), cap({2, 3, -1}, {2, 3, 1}, 2.5f)),
        edge("capsule, plane", floor, cap({0, 0, 2}, {0, 0, 5}, 2), cap({0, 0, 2}, {0, 0, 5}, 1.5f)),
        edge("cylinder, box", kUpright, Cuboid::aligned({2, 0, 1}, {1, 1, 1}), Cuboid::aligned({2.25f, 0, 1}, {1, 1, 1})),
        edge("cylinders", kUpright, cyl({2, 0, 0}, {2, 0, 2}, 1), cyl({2.25f, 0, 0}, {2.25f, 0, 2}, 1)),
        edge("cylinder cap, plane (k = 0)", cyl({0, 0, 1}, {0, 0, 3}, 5), Plane{{0, 0, 1}, 1}, Plane{{0, 0, 1}, 0.5f}),
        edge("cylinder side, plane (k = 1)", cyl({0, 0, 2}, {4, 0, 2}, 2), floor, Plane{{0, 0, 1}, -0.25f}),
        edge("point cylinder, plane (k = 1)", cyl({0, 0, 2}, {0, 0, 2}, 2), floor, Plane{{0, 0, 1}, -0.25f}),
        edge("box, line", kBox, Line::make({1, 0, 5}, {0, 0, 1}), Line::make({1.25f, 0, 5}, {0, 0, 1})),
        edge("box, ray", kBox, Ray::make({0, 0, 5}, {0, 0, -1}), Ray::make({0, 0, 5}, {0, 0, 1})),
        edge("box, segment", kBox, seg({0, 0, 3}, {0, 0, 1}), seg({0, 0, 3}, {0, 0, 1.25f})),
        edge("box, plane", kBox, Plane{{0, 0, 1}, -1}, Plane{{0, 0, 1}, -1.25f}),
        edge("polytopes", cube({}, 1), cube({2, 0, 0}, 1), cube({2.25f, 0, 0}, 1)),
        edge("polytope, line", cube({}, 1), Line::make({0, 0, 1}, {1, 0, 0}), Line::make({0, 0, 1.25f}, {1, 0, 0})),
        edge("polytope, ray", cube({}, 1), Ray::make({2, 0, 0}, {-1, 0, 0}), Ray::make({2, 0, 0}, {1, 0, 0})),
        edge("polytope, plane", cube({}, 1), Plane{{0, 0, 1}, -1}, Plane{{0, 0, 1}, -1.25f}),
        edge("segment end, plane", floor, seg({0, 0, 2}, {}), seg({0, 0, 2}, {0, 0, 0.5f})),
        edge("parallel segment, plane", floor, seg({}, {1, 0, 0}), seg({0, 0, 0.5f}, {1, 0, 0.5f})),
        edge("slanted line; ray heading out, plane", floor, Line::make({0, 0, 100}, {1, 0, 1}), Ray::make({0, 0, 100}, {0, 0, 1})),
        edge("opposite planes", floor, Plane{{0, 0, -1}, 0}, Plane{{0, 0, -1}, -1}),
        // Nearly opposite normals never separate; a NaN offset sum does not, a NaN normal does.
        edge("plane NaNs", Plane{{0, 0, -1}, -1}, Plane{{0, 0, 1}, kNaN}, Plane{{0, 0, kNaN}, 0}),
        edge("nearly opposite planes, NaN centre", floor, Plane{{0.002f, 0, -0.999998f}, -1}, ball({kNaN, 0, 0}, 1)),
        // A NaN plane rejects nothing; a polytope without vertices never meets a plane or planes.
        edge("NaN plane, no vertices", ConvexPolytope::make({{{kNaN, 0, 0}, -5}}, {{}}), ball({}, 1), cube({}, 1, true, false)),
        edge("polytope: plane, polytope without vertices", cube({}, 1), floor, cube({}, 1, true, false)),
    });
}

// Lines, rays and segments meet where their distance is exactly 0, as a collider holding the
// argument answers.
TEST(ShapePairs, LineKindsMeetWhereTheyCross) {
    const Ray kUp = Ray::make({0, -1, 0}, {0, 1, 0});
    expect({
        edge("lines", kXLine, Line::make({}, {0, 1, 0}), Line::make({0, 0, 1}, {0, 1, 0})),
        edge("segments", seg({-1, 0, 0}, {1, 0, 0}), seg({0, -1, 0}, {0, 1, 0}), seg({0, -1, 1}, {0, 1, 1})),
        edge("segment end, line", kXLine, seg({}, {0, 2, 0}), seg({0, 1, 0}, {0, 3, 0})),
        edge("segment on a line", kXLine, seg({1, 0, 0}, {2, 0, 0}), seg({1, 1, 0}, {2, 1, 0})),
        edge("rays", kUp, Ray::make({-1, 0, 0}, {1, 0, 0}), Ray::make({1, 0, 0}, {1, 0, 0})),
        edge("ray, segment", kUp, seg({-1, 0, 0}, {1, 0, 0}), seg({-1, -2, 0}, {1, -2, 0})),
    });
    auto held = [](const auto& b, const auto& a) {
        Collider<Pointcloud> c;
        add(c, b);
        return query_collider(a, c);
    };
    EXPECT_TRUE(held(kXLine, seg({}, {0, 2, 0})) && held(seg({}, {0, 2, 0}), kXLine));
    EXPECT_TRUE(held(kUp, Ray::make({-1, 0, 0}, {1, 0, 0})));
    EXPECT_FALSE(held(kUp, Ray::make({1, 0, 0}, {1, 0, 0})));
}

// A polygon or polytope without vertices meets nothing: as a shape in either order, held in a
// collider, as a collider's query or between colliders, even where every other shape (another empty
// one included) covers its centre. A polytope's planes or a box given by hand change nothing.
TEST(ShapePairs, PolygonsAndPolytopesWithoutVerticesAreEmpty) {
    const ConvexPolygon polygon = ConvexPolygon::make({}, {0, 0, 1}, {});
    const ConvexPolytope bare = ConvexPolytope::make({}, {}), planes_only = cube({}, 1, true, false);
    const ConvexPolytope boxed{{}, {}, kBox};
    const std::vector<Pointcloud::Point3> origin{{0, 0, 0}};
    const Pointcloud cloud = Pointcloud::make(origin, {0, 1}, 1);
    const auto others = std::tuple{ball({}, INFINITY), cap({0, 0, -1}, {0, 0, 1}, 1), kBox, cyl({0, 0, -1}, {0, 0, 1}, 1),
                                   cube({}, 1), cube({}, 1, false), square({}, 1), kXLine,
                                   Ray::make({0, 0, -1}, {0, 0, 1}), seg({0, 0, -1}, {0, 0, 1}), Plane{{0, 0, 1}, 0},
                                   cloud, polygon, bare, planes_only, boxed};
    auto meets_nothing = [&](const auto& empty) {
        Collider<Pointcloud> holding;
        add(holding, empty);
        auto check = [&](const auto& s) {
            EXPECT_FALSE(collides(empty, s));
            EXPECT_FALSE(collides(s, empty));
            if constexpr (ColliderQuery<std::decay_t<decltype(s)>, Pointcloud>) {
                EXPECT_FALSE(query_collider(s, holding));
            }
            Collider<Pointcloud> c;
            add(c, s);
            EXPECT_FALSE(query_collider(empty, c));
            EXPECT_FALSE(collides_other(c, holding) || collides_other(holding, c));
        };
        std::apply([&](const auto&... s) { (check(s), ...); }, others);
    };
    meets_nothing(polygon);
    meets_nothing(bare);
    meets_nothing(planes_only);
    meets_nothing(boxed);
}

// A cloud answers exactly whatever radius range its tree was built for; a moved cloud maps the shape
// into its frame (a polytope as a moved copy), so its points no longer stand where they were built.
TEST(ShapePairs, CloudsAnswerExactlyForAnyRange) {
    const std::vector<Pointcloud::Point3> pts{{0, 0, 0}, {4, 0, 0}};
    for (Pointcloud::RadiusRange range : {Pointcloud::RadiusRange{0, 0}, {0, 100}, {50, 60}}) {
        Pointcloud cloud = Pointcloud::make(pts, range, 0.5f);
        translate(cloud, {0, 10, 0});
        expect({
            edge("moved cloud, ball", cloud, ball({4, 13, 0}, 2.5f), ball({4, 0, 0}, 1)),
            edge("moved cloud, polytope", cloud, cube({4, 12, 0}, 1.5f), cube({4, 12.25f, 0}, 1.5f)),
            edge("moved cloud, capsule", cloud, cap({-5, 11, 0}, {10, 11, 0}, 0.5f), cap({-5, 11, 0}, {10, 11, 0}, 0.25f)),
            edge("moved cloud, line", cloud, Line::make({0, 10.5f, 0}, {1, 0, 0}), Line::make({0, 10.75f, 0}, {1, 0, 0})),
        });
    }
}

// Both orders of every pair agree on random shapes (clouds of a few random points).
TEST(ShapePairs, BothOrdersAgree) {
    shapes::Gen g(5);
    auto draw = [&g] {
        std::vector<Pointcloud::Point3> pts(4);
        for (auto& p : pts) p = {g.point().x, g.point().y, g.point().z};
        return std::tuple{Sphere{g.point(), g.uniform(0.1f, 1.5f)}, g.capsule(), g.cuboid(), g.cylinder(), g.polytope(),
                          g.polygon(), Line::make(g.point(), g.direction()), Ray::make(g.point(), g.direction()),
                          LineSegment::make(g.point(), g.direction()), Plane{g.unit(), g.uniform(-1, 1)},
                          Pointcloud::make(pts, {0, 1}, g.uniform(0.0f, 0.5f))};
    };
    int hits = 0, checks = 0;
    for (int i = 0; i < 300; ++i) {
        const auto a = draw(), b = draw();
        std::apply([&](const auto&... x) {
            std::apply([&](const auto&... y) {
                auto one = [&](const auto& p, const auto& q) {
                    if constexpr (CollidesWith<std::decay_t<decltype(p)>, std::decay_t<decltype(q)>>) {
                        const bool ab = collides(p, q);
                        EXPECT_EQ(ab, collides(q, p)) << typeid(p).name() << " " << typeid(q).name() << " " << i;
                        hits += ab, ++checks;
                    }
                };
                auto row = [&](const auto& p) { (one(p, y), ...); };
                (row(x), ...);
            }, b);
        }, a);
    }
    EXPECT_GT(hits, checks / 5);
}

}  // namespace
