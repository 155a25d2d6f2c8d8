// Pair tests run on plain values: no heap allocation inside any of them (counted by this binary's
// allocation functions) and no polymorphic type anywhere near them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <tuple>
#include <type_traits>

#include "failing_allocator.hpp"
#include "random_shapes.hpp"

namespace {

using namespace trelk;

static_assert(!std::is_polymorphic_v<Sphere> && !std::is_polymorphic_v<Capsule> && !std::is_polymorphic_v<Cylinder> &&
              !std::is_polymorphic_v<Cuboid> && !std::is_polymorphic_v<Line> && !std::is_polymorphic_v<Ray> &&
              !std::is_polymorphic_v<LineSegment> && !std::is_polymorphic_v<Plane> &&
              !std::is_polymorphic_v<ConvexPolygon> && !std::is_polymorphic_v<ConvexPolytope> &&
              !std::is_polymorphic_v<RefConvexPolygon> && !std::is_polymorphic_v<RefConvexPolytope>);
static_assert(std::is_trivially_copyable_v<RefConvexPolygon> && std::is_trivially_copyable_v<RefConvexPolytope>);

// Runs f with allocation counting on; the count must stay at zero.
template <class F>
long allocations_in(F&& f) {
    failing_allocator::arm(0);
    f();
    return failing_allocator::disarm().made;
}

TEST(PairTests, AllocateNothing) {
    // A direct call of the allocation function, which the compiler may not leave out.
    ASSERT_EQ(allocations_in([] { ::operator delete(::operator new(8)); }), 1) << "the counter must see an allocation";

    shapes::Gen g(31);
    int hits = 0;
    for (int i = 0; i < 300; ++i) {
        // Every shape is built before counting starts; only the tests run inside.
        const Capsule cap = g.capsule(), cap2 = g.capsule();
        const Cylinder cyl = g.cylinder();
        const Cuboid box = g.cuboid(), box2 = g.cuboid();
        const ConvexPolygon poly = g.polygon(), poly2 = g.polygon();
        const ConvexPolytope tope = g.polytope();
        const Plane half{g.unit(), g.uniform(-1, 1)};
        const Line line = Line::make(g.point(), g.direction());
        const Ray ray = Ray::make(g.point(), g.direction());
        const LineSegment seg = LineSegment::make(g.point(), g.direction());
        const RefConvexPolygon pv = RefConvexPolygon::of(poly);
        const RefConvexPolytope tv = RefConvexPolytope::of(tope);
        const long n = allocations_in([&] {
            hits += box.point_dist_sq(cap.p1) <= 1.0f;
            hits += line_cuboid_collides(seg.p1, seg.dir, box, 0.0f, 1.0f);
            hits += clamped_line_segment_dist_sq(line.origin, line.dir, cap.p1, cap.dir, -INF, INF) <= 1.0f;
            hits += clamped_line_segment_dist_sq(cap2.p1, cap2.dir * 1e-4f, cap.p1, cap.dir, 0.0f, 1.0f) <= 1.0f;
            hits += collides(box, box2);
            hits += capsule_cuboid_collides(cap, box);
            hits += cylinder_capsule_collides(cyl, cap);
            hits += cylinder_cuboid_collides(cyl, box);
            hits += collides(cyl, line) + collides(ray, cyl) + collides(cyl, seg);
            hits += collides(cyl, poly) + cylinder_polygon_collides(cyl, pv, Prefilter::done_by_caller);
            hits += collides(tope, cyl) + cylinder_polytope_collides(cyl, tv, Prefilter::done_by_caller);
            hits += collides(box, tope) + collides_cuboid(tv, box, Prefilter::done_by_caller);
            hits += collides_capsule(tv, cap);
            hits += closest_edge_dist_sq_2d(pv, 0.1f, 0.2f) <= 1.0f;
            hits += segment_dist_sq(pv, cap.p1, cap.dir) <= cap.radius * cap.radius;
            hits += collides(poly, line) + collides(ray, poly) + collides(poly, seg);
            hits += collides(box, poly) + collides(poly, poly2) + collides(tope, poly) + collides(half, poly);
        });
        ASSERT_EQ(n, 0) << "pair " << i;
        // Every ordered pair of the kinds without clouds.
        const Sphere ball{g.point(), g.uniform(0.1f, 1.5f)};
        const auto kinds = std::tie(ball, cap, box, cyl, tope, poly, line, ray, seg, half);
        ASSERT_EQ(allocations_in([&] {
                      std::apply([&](const auto&... x) {
                          auto row = [&](const auto& p) { ((hits += collides(p, x)), ...); };
                          (row(x), ...);
                      }, kinds);
                  }), 0) << "pair " << i;
    }
    EXPECT_GT(hits, 300);
}

}  // namespace
