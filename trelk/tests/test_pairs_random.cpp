// Every cylinder, polygon and polytope pair routine against slow double-precision distances over
// thousands of random pairs.
//
// A pair whose shapes still meet after both are shrunk by kDepth must be reported (no contact is
// missed). A pair reported touching whose distance exceeds kMargin fails too, unless the routine's
// documented slack explains it:
//   - cylinder against box or polygon: the ends count as rounded, so the contact may lie up to the
//     radius beyond a cap (the shape meets the axis segment rounded by the radius);
//   - face-plane tests (cylinder, box and capsule against a polytope; polygon against a polytope,
//     which adds the polygon's own axes): no tested plane or axis separates by more than kMargin.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "random_shapes.hpp"

namespace {

using namespace trelk;
using shapes::Gen;
using shapes::twin;

constexpr double kDepth = 1e-3;
constexpr double kMargin = 1e-3;
constexpr int kPairs = 3000;

// One random pair: the routine's answer, the two shapes' twins (whole and shrunk) and the slack
// check for conservative routines.
struct Drawn {
    bool answer;
    slow::Convex a, b, a_in, b_in;
    std::function<bool()> slack = [] { return false; };
};

struct Row {
    const char* name;
    std::function<Drawn(Gen&)> draw;
};

// The smallest gap by which one of the face planes keeps the set with support `lowest` out.
double plane_gap(const ConvexPolytope& t, const std::function<double(slow::P)>& lowest_along) {
    double gap = -INFINITY;
    for (const Plane& p : t.planes) {
        slow::P n = p.normal;
        double len = slow::norm(n);
        gap = std::max(gap, lowest_along(n * (1 / len)) - p.d / len);
    }
    return gap;
}
double lowest_of(const slow::Convex& c, slow::P n) { return slow::dot(c.support(-n), n) - c.radius; }

// The axes the polygon-polytope test tries: the polygon's plane (either side), the polytope beyond
// one of the polygon's edges, the polygon beyond one of the face planes.
bool axes_separate(const ConvexPolygon& p, const ConvexPolytope& t) {
    slow::Convex poly = twin(p), solid = twin(t);
    auto beyond = [&](const slow::Convex& x, const slow::Convex& y, slow::P n) {  // x past y along n
        n = n * (1 / slow::norm(n));
        return lowest_of(x, n) - slow::dot(y.support(n), n) > kMargin;
    };
    if (beyond(solid, poly, p.normal) || beyond(solid, poly, -slow::P(p.normal))) return true;
    for (Vec2f e : p.edge_normals_2d)
        if (beyond(solid, poly, slow::P(p.u_axis) * e[0] + slow::P(p.v_axis) * e[1])) return true;
    for (const Plane& pl : t.planes)
        if (lowest_of(poly, slow::P(pl.normal) * (1 / slow::norm(pl.normal))) - pl.d / slow::norm(pl.normal) > kMargin)
            return true;
    return false;
}

const Row kRows[] = {
    {"cylinder-capsule",
     [](Gen& g) {
         Cylinder c = g.cylinder();
         Capsule k = g.capsule();
         return Drawn{cylinder_capsule_collides(c, k), twin(c), twin(k), twin(c, kDepth), twin(k, kDepth)};
     }},
    {"cylinder-cuboid",
     [](Gen& g) {
         Cylinder c = g.cylinder();
         Cuboid b = g.cuboid();
         return Drawn{cylinder_cuboid_collides(c, b), twin(c), twin(b), twin(c, kDepth), twin(b, kDepth),
                      [=] { return slow::distance(shapes::rounded(c), twin(b)).lo <= kMargin; }};
     }},
    {"line-cylinder",
     [](Gen& g) {
         Cylinder c = g.cylinder();
         LinePart l = shapes::line_part(g);
         return Drawn{line_cylinder_collides(l.origin, l.dir, c, l.tmin, l.tmax), twin(c), twin(l), twin(c, kDepth),
                      twin(l, kDepth)};
     }},
    {"cylinder-polygon",
     [](Gen& g) {
         Cylinder c = g.cylinder();
         ConvexPolygon p = g.polygon();
         bool own = collides(c, p), by_caller = cylinder_polygon_collides(c, RefConvexPolygon::of(p), Prefilter::done_by_caller);
         EXPECT_TRUE(!own || by_caller);  // the bounding step only rejects
         return Drawn{own, twin(c), twin(p), twin(c, kDepth), twin(p, kDepth),
                      [=] { return slow::distance(shapes::rounded(c), twin(p)).lo <= kMargin; }};
     }},
    {"cylinder-polytope",
     [](Gen& g) {
         Cylinder c = g.cylinder();
         ConvexPolytope t = g.polytope();
         bool own = collides(t, c), by_caller = cylinder_polytope_collides(c, RefConvexPolytope::of(t), Prefilter::done_by_caller);
         EXPECT_TRUE(!own || by_caller);
         return Drawn{own, twin(c), twin(t), twin(c, kDepth), twin(t, kDepth), [=] {
                          slow::Convex solid = twin(c);
                          return plane_gap(t, [&](slow::P n) { return lowest_of(solid, n); }) <= kMargin;
                      }};
     }},
    {"polytope-cuboid",
     [](Gen& g) {
         ConvexPolytope t = g.polytope();
         Cuboid b = g.cuboid();
         bool own = collides_cuboid(RefConvexPolytope::of(t), b, Prefilter::bounds);
         EXPECT_TRUE(!own || collides_cuboid(RefConvexPolytope::of(t), b, Prefilter::done_by_caller));
         return Drawn{own, twin(t), twin(b), twin(t, kDepth), twin(b, kDepth), [=] {
                          slow::Convex box = twin(b);
                          return plane_gap(t, [&](slow::P n) { return lowest_of(box, n); }) <= kMargin;
                      }};
     }},
    {"polytope-capsule",
     [](Gen& g) {
         ConvexPolytope t = g.polytope();
         Capsule k = g.capsule();
         return Drawn{collides_capsule(RefConvexPolytope::of(t), k), twin(t), twin(k), twin(t, kDepth), twin(k, kDepth),
                      [=] {
                          slow::Convex cap = twin(k);
                          return plane_gap(t, [&](slow::P n) { return lowest_of(cap, n); }) <= kMargin;
                      }};
     }},
    {"polygon-capsule",
     [](Gen& g) {
         ConvexPolygon p = g.polygon();
         Capsule k = g.capsule();
         bool answer = segment_dist_sq(RefConvexPolygon::of(p), k.p1, k.dir) <= k.radius * k.radius;
         return Drawn{answer, twin(p), twin(k), twin(p, kDepth), twin(k, kDepth)};
     }},
    {"polygon-line",
     [](Gen& g) {
         ConvexPolygon p = g.polygon();
         LinePart l = shapes::line_part(g);
         bool answer = parametric_line_dist_sq(RefConvexPolygon::of(p), l.origin, l.dir, l.tmin, l.tmax) <= 0.0f;
         return Drawn{answer, twin(p), twin(l), twin(p, kDepth), twin(l, kDepth)};
     }},
    {"polygon-cuboid",
     [](Gen& g) {
         ConvexPolygon p = g.polygon();
         Cuboid b = g.cuboid();
         return Drawn{ref_polygon_cuboid_collides(RefConvexPolygon::of(p), b), twin(p), twin(b), twin(p, kDepth),
                      twin(b, kDepth)};
     }},
    {"polygon-polygon",
     [](Gen& g) {
         ConvexPolygon p = g.polygon(), q = g.polygon();
         bool answer = ref_polygon_polygon_collides(RefConvexPolygon::of(p), RefConvexPolygon::of(q));
         return Drawn{answer, twin(p), twin(q), twin(p, kDepth), twin(q, kDepth)};
     }},
    {"polygon-polytope",
     [](Gen& g) {
         ConvexPolygon p = g.polygon();
         ConvexPolytope t = g.polytope();
         return Drawn{ref_polygon_polytope_collides(RefConvexPolygon::of(p), RefConvexPolytope::of(t)), twin(p),
                      twin(t), twin(p, kDepth), twin(t, kDepth), [=] { return !axes_separate(p, t); }};
     }},
};

class PairCrossCheck : public ::testing::TestWithParam<Row> {};

TEST_P(PairCrossCheck, NoMissedContactNoFarContact) {
    const Row& row = GetParam();
    Gen g(2024);
    int deep = 0, far = 0, failures = 0;
    for (int i = 0; i < kPairs && failures < 5; ++i) {
        Drawn d = row.draw(g);
        if (slow::distance(d.a_in, d.b_in).hi == 0) {
            ++deep;
            if (!d.answer) ++failures, ADD_FAILURE() << row.name << " pair " << i << ": contact missed";
        } else if (slow::distance(d.a, d.b).lo > kMargin) {
            ++far;
            if (d.answer && !d.slack()) ++failures, ADD_FAILURE() << row.name << " pair " << i << ": contact at a distance";
        }
    }
    // Both kinds of pair occur often enough for the check to mean something.
    EXPECT_GT(deep, kPairs / 40) << row.name;
    EXPECT_GT(far, kPairs / 40) << row.name;
}

INSTANTIATE_TEST_SUITE_P(Pairs, PairCrossCheck, ::testing::ValuesIn(kRows),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

// The distance routines return the distance itself, not only a verdict.
TEST(PolygonDistances, MatchSlowDistances) {
    Gen g(77);
    for (int i = 0; i < kPairs; ++i) {
        ConvexPolygon p = g.polygon();
        RefConvexPolygon view = RefConvexPolygon::of(p);
        Capsule k = g.capsule();
        LinePart l = shapes::line_part(g);
        slow::Bounds seg = slow::distance(twin(p), slow::segment(k.p1, k.p1 + k.dir));
        slow::Bounds line = slow::distance(twin(p), twin(l));
        double seg_d = std::sqrt(segment_dist_sq(view, k.p1, k.dir));
        double line_d = std::sqrt(parametric_line_dist_sq(view, l.origin, l.dir, l.tmin, l.tmax));
        ASSERT_NEAR(seg_d, (seg.lo + seg.hi) / 2, 1e-4 + (seg.hi - seg.lo)) << "segment, pair " << i;
        ASSERT_NEAR(line_d, (line.lo + line.hi) / 2, 1e-4 + (line.hi - line.lo)) << "line, pair " << i;
    }
}

// Half-spaces: some vertex on the inner side, measured along the unit normal.
TEST(PolygonHalfSpace, MatchesSlowDistances) {
    Gen g(5);
    for (int i = 0; i < kPairs; ++i) {
        ConvexPolygon p = g.polygon();
        Plane h{g.unit() * g.uniform(0.3f, 3.0f), g.uniform(-3, 3)};
        slow::P n = slow::P(h.normal) * (1 / slow::norm(h.normal));
        double gap = lowest_of(twin(p), n) - h.d / slow::norm(h.normal);  // lowest vertex above the boundary
        if (std::fabs(gap) > 1e-5) {
            ASSERT_EQ(ref_polygon_infinite_plane_collides(p.vertices_3d, h), gap <= 0) << i;
        }
    }
}

}  // namespace

namespace {

static_assert(CollidesWith<Cylinder, Line> && CollidesWith<Ray, Cylinder> && CollidesWith<LineSegment, ConvexPolygon> &&
              CollidesWith<ConvexPolygon, Plane> && CollidesWith<Plane, ConvexPolygon> &&
              CollidesWith<Cuboid, ConvexPolytope> && CollidesWith<ConvexPolytope, ConvexPolygon>);

template <class A, class B>
void expect_same_both_ways(const A& a, const B& b, bool expected, int pair) {
    EXPECT_EQ(collides(a, b), expected) << pair;
    EXPECT_EQ(collides(b, a), expected) << pair;
}

// The generic test of each pair these routines answer whole agrees with the routine, whichever
// shape comes first.
TEST(GenericPairs, BothArgumentOrdersGiveTheRoutinesAnswer) {
    Gen g(9);
    for (int i = 0; i < 500; ++i) {
        Cylinder c = g.cylinder();
        ConvexPolygon p = g.polygon(), q = g.polygon();
        ConvexPolytope t = g.polytope();
        Cuboid b = g.cuboid();
        Plane h{g.unit(), g.uniform(-2, 2)};
        LinePart l = shapes::line_part(g);
        const RefConvexPolygon pv = RefConvexPolygon::of(p);
        auto on_line = [&](const auto& shape, float tmin, float tmax) {
            expect_same_both_ways(c, shape, line_cylinder_collides(l.origin, l.dir, c, tmin, tmax), i);
            expect_same_both_ways(p, shape, parametric_line_dist_sq(pv, l.origin, l.dir, tmin, tmax) <= 0.0f, i);
        };
        on_line(Line::make(l.origin, l.dir), -INF, INF);
        on_line(Ray::make(l.origin, l.dir), 0, INF);
        on_line(LineSegment::make(l.origin, l.dir), 0, 1);
        expect_same_both_ways(p, b, ref_polygon_cuboid_collides(pv, b), i);
        expect_same_both_ways(p, q, ref_polygon_polygon_collides(pv, RefConvexPolygon::of(q)), i);
        expect_same_both_ways(p, t, ref_polygon_polytope_collides(pv, RefConvexPolytope::of(t)), i);
        expect_same_both_ways(p, h, ref_polygon_infinite_plane_collides(p.vertices_3d, h), i);
        expect_same_both_ways(t, b, collides_cuboid(RefConvexPolytope::of(t), b, Prefilter::bounds), i);
        expect_same_both_ways(c, p, cylinder_polygon_collides(c, pv, Prefilter::bounds), i);
        expect_same_both_ways(c, t, cylinder_polytope_collides(c, RefConvexPolytope::of(t), Prefilter::bounds), i);
    }
}

}  // namespace
