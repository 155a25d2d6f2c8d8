// Polygon and polytope pair routines on hand-placed shapes: exact distances, the 1e-6 band,
// touching and just-apart pairs in both argument orders, degenerate polygons, faults, long normals
// and the eight-lane scans with their scalar tails.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "lanes.hpp"
#include "support/fault.hpp"
#include "trelk.hpp"

namespace {

using namespace trelk;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The unit square [0, 1]^2 in the plane z = 0 (frame from normal +z: u = -x, v = +y, so the 2-D
// corners are given with x negated).
ConvexPolygon unit_square(float z = 0) {
    return ConvexPolygon::make({0, 0, z}, {0, 0, 1}, {{0, 0}, {0, 1}, {-1, 1}, {-1, 0}});
}
ConvexPolygon square(Vec3 center, Vec3 normal, float half) {
    return ConvexPolygon::make(center, normal, {{-half, -half}, {half, -half}, {half, half}, {-half, half}});
}
RefConvexPolygon view(const ConvexPolygon& p) { return RefConvexPolygon::of(p); }

template <class F>
void expect_fault(F f, const char* message) {
    try {
        f();
        ADD_FAILURE() << "no fault: " << message;
    } catch (const quorix::Fault& e) {
        EXPECT_STREQ(e.what(), message);
    }
}

TEST(PolygonDistance, ClosestEdgeAndBand) {
    const ConvexPolygon sq = ConvexPolygon::make({}, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(closest_edge_dist_sq_2d(view(sq), 0.5f, 0.5f), 0.25f);
    EXPECT_EQ(closest_edge_dist_sq_2d(view(sq), 2.0f, 0.5f), 1.0f);
    EXPECT_EQ(closest_edge_dist_sq_2d(view(ConvexPolygon::make({}, {0, 0, 1}, {{1, 2}})), 4, 6), 25.0f);
    EXPECT_EQ(closest_edge_dist_sq_2d(view(ConvexPolygon::make({}, {0, 0, 1}, {})), 0, 0), 3.4028235e38f);
    // Within 1e-6 beyond an edge counts as inside; an edge with NaN entries never excludes.
    EXPECT_TRUE(contains_2d(view(sq), 1 + 1e-7f, 0.5f));
    EXPECT_FALSE(contains_2d(view(sq), 1 + 1e-5f, 0.5f));
    const ConvexPolygon repeated = ConvexPolygon::make({}, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_TRUE(contains_2d(view(repeated), 0.5f, 0.5f));
}

TEST(PolygonDistance, SegmentsAndLines) {
    const ConvexPolygon sq = unit_square();
    struct Case {
        const char* what;
        Vec3 origin, dir;
        float tmin, tmax, dist_sq;
    };
    const Case cases[] = {
        {"crossing inside", {0.5f, 0.5f, -1}, {0, 0, 2}, 0, 1, 0},
        {"crossing 1e-7 beyond an edge", {1 + 1e-7f, 0.5f, -1}, {0, 0, 2}, 0, 1, 0},
        {"in the plane, parallel to an edge", {-1, 1.5f, 0}, {3, 0, 0}, 0, 1, 0.25f},
        {"above the middle", {0.5f, 0.5f, 2}, {0, 0, 1}, 0, 1, 4},
        {"a point beside a corner", {2, 2, 0}, {0, 0, 0}, 0, 1, 2},
        {"a line through the plane", {0.5f, 0.5f, 5}, {0, 0, 1}, -kInf, kInf, 0},
        {"a ray pointing away", {0.5f, 0.5f, 2}, {0, 0, 1}, 0, kInf, 4},
        {"a line parallel above", {-5, 0.5f, 3}, {1, 0, 0}, -kInf, kInf, 9},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(parametric_line_dist_sq(view(sq), c.origin, c.dir, c.tmin, c.tmax), c.dist_sq) << c.what;
        if (c.tmin == 0 && c.tmax == 1) {
            EXPECT_FLOAT_EQ(segment_dist_sq(view(sq), c.origin, c.dir), c.dist_sq) << c.what;
        }
    }
    expect_fault([&] { parametric_line_dist_sq(view(sq), {}, {1, 0, 0}, 1, 0); },
                 "min > max, or either was NaN. min = 1.0, max = 0.0");
    // Without vertices there is no edge to measure, so nothing checks the range.
    EXPECT_NO_THROW(parametric_line_dist_sq(view(ConvexPolygon::make({}, {0, 0, 1}, {})), {}, {1, 0, 0}, 1, 0));
}

TEST(PolygonPairs, CuboidPolygonAndHalfSpaceBothOrders) {
    const Cuboid box = Cuboid::aligned({0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});  // top face z = 0
    struct BoxCase {
        const char* what;
        ConvexPolygon polygon;
        bool hit;
    };
    const BoxCase box_cases[] = {
        {"in the top face plane, overlapping", square({1, 1, 0}, {0, 0, 1}, 0.5f), true},
        {"parallel, 2e-6 above the top face", square({1, 1, 2e-6f}, {0, 0, 1}, 0.5f), false},
        {"upright, touching a side face", square({1, 0.5f, -0.5f}, {1, 0, 0}, 0.3f), true},
        {"upright, 0.01 off a side face", square({1.01f, 0.5f, -0.5f}, {1, 0, 0}, 0.3f), false},
        // A normal of length 4 stretches the outline along y beyond the stored 2-D radius.
        {"stretched frame reaching the box", square({0.5f, 3.2f, -0.5f}, {0, 0, 4}, 0.75f), true},
    };
    for (const BoxCase& c : box_cases) EXPECT_EQ(ref_polygon_cuboid_collides(view(c.polygon), box), c.hit) << c.what;

    const ConvexPolygon sq = unit_square();
    struct PairCase {
        const char* what;
        ConvexPolygon other;
        bool hit;
    };
    const PairCase pair_cases[] = {
        {"identical", unit_square(), true},
        {"coplanar, overlapping", square({1, 1, 0}, {0, 0, 1}, 0.5f), true},
        {"coplanar, edges touching", square({1.5f, 0.5f, 0}, {0, 0, 1}, 0.5f), true},
        {"coplanar, 0.01 apart", square({1.51f, 0.5f, 0}, {0, 0, 1}, 0.5f), false},
        {"perpendicular, through the centre", square({0.5f, 0.5f, 0}, {1, 0, 0}, 0.5f), true},
        {"parallel plane 0.01 above", square({0.5f, 0.5f, 0.01f}, {0, 0, 1}, 0.5f), false},
        {"upright, beside an edge", square({0.5f, 1.6f, 0}, {1, 0, 0}, 0.5f), false},
        {"tilted, cutting across", square({0.8f, 0.5f, 0.1f}, {std::sqrt(0.5f), 0, std::sqrt(0.5f)}, 0.4f), true},
        {"no vertices", ConvexPolygon::make({0.5f, 0.5f, 0}, {0, 0, 1}, {}), false},
    };
    for (const PairCase& c : pair_cases) {
        EXPECT_EQ(ref_polygon_polygon_collides(view(sq), view(c.other)), c.hit) << c.what;
        EXPECT_EQ(ref_polygon_polygon_collides(view(c.other), view(sq)), c.hit) << c.what;
    }

    EXPECT_TRUE(ref_polygon_infinite_plane_collides(sq.vertices_3d, {{0, 0, -1}, 0}));   // touching from outside
    EXPECT_FALSE(ref_polygon_infinite_plane_collides(sq.vertices_3d, {{0, 0, -1}, -1e-6f}));
    EXPECT_TRUE(ref_polygon_infinite_plane_collides(sq.vertices_3d, {{-2, 0, 0}, -1.5f}));  // the corners at x = 1 lie inside
    EXPECT_FALSE(ref_polygon_infinite_plane_collides({}, {{0, 0, 1}, 100}));
}

// Edge-pair axes are divided by their length, not multiplied by its reciprocal: in these pairs,
// placed about 1e-6 apart along such an axis, that last bit decides whether they lie within the
// band.
TEST(PolygonPairs, EdgePairAxesAreDividedByTheirLength) {
    const Cuboid box = Cuboid::aligned({}, {0x1.2303a4p+0f, 0x1.e008aep-1f, 0x1.1fabf2p+0f});
    const ConvexPolygon near_box =
        ConvexPolygon::make({0, 0x1.dc331ep-1f, -0x1.524e6p+0f}, {0x1.14c7a4p-1f, 0x1.1c4394p-1f, -0x1.439f1cp-1f},
                            {{0x1.81dedp-2f, 0x1.485c18p-2f}, {0x1.1ca63p-3f, -0x1.401fd4p-1f}, {-0x1.5b2a4ep-1f, 0x1.6d24cp-5f}});
    EXPECT_TRUE(ref_polygon_cuboid_collides(view(near_box), box));

    const ConvexPolygon a =
        ConvexPolygon::make({}, {0x1.a6d78cp-1f, -0x1.f23b8ap-3f, 0x1.047314p-1f},
                            {{0x1.e9be14p-1f, 0x1.bdbb08p-1f}, {0x1.2a29bp-2f, 0x1.7451b8p-1f}, {-0x1.64871cp-2f, -0x1.69b22p-5f}});
    const ConvexPolygon b =
        ConvexPolygon::make({-0x1.3ba97ap-2f, 0x1.f4f03ap-3f, -0x1.79bc3ep-2f}, {-0x1.86de5ep-3f, 0x1.f62764p-1f, -0x1.4e6beep-5f},
                            {{-0x1.345dbcp-1f, 0x1.be9dap-4f}, {0x1.e4376p-1f, 0x1.8069ep-1f}, {-0x1.6fbb2p-5f, 0x1.cc0bf8p-1f}});
    EXPECT_TRUE(ref_polygon_polygon_collides(view(a), view(b)));
}

TEST(PolygonPairs, MismatchedListsFaultInsteadOfReadingPastThem) {
    const ConvexPolygon sq = unit_square();
    RefConvexPolygon short_offsets = view(sq);
    short_offsets.edge_offsets_2d = short_offsets.edge_offsets_2d.first(2);
    expect_fault([&] { contains_2d(short_offsets, -0.5f, 0.5f); }, "index out of bounds: the len is 2 but the index is 2");
    RefConvexPolygon short_normals = view(sq);
    short_normals.edge_normals_2d = short_normals.edge_normals_2d.first(3);
    expect_fault([&] { ref_polygon_polygon_collides(short_normals, view(sq)); },
                 "index out of bounds: the len is 3 but the index is 3");
}

// The cube [-1, 1]^3 by its six faces, with normals of the given length.
ConvexPolytope cube(float normal_length = 1) {
    std::vector<Plane> planes;
    for (int axis = 0; axis < 3; ++axis)
        for (float sign : {1.0f, -1.0f}) {
            Vec3 n{};
            n[axis] = sign * normal_length;
            planes.push_back({n, normal_length});
        }
    std::vector<Vec3> corners;
    for (float x : {-1.0f, 1.0f})
        for (float y : {-1.0f, 1.0f})
            for (float z : {-1.0f, 1.0f}) corners.push_back({x, y, z});
    return ConvexPolytope::make(planes, corners);
}

TEST(PolytopePairs, PolygonAgainstPolytope) {
    const ConvexPolytope c = cube();
    EXPECT_TRUE(ref_polygon_polytope_collides(view(square({0, 0, 1}, {0, 0, 1}, 0.5f)), RefConvexPolytope::of(c)));
    EXPECT_FALSE(ref_polygon_polytope_collides(view(square({0, 0, 1.01f}, {0, 0, 1}, 0.5f)), RefConvexPolytope::of(c)));
    EXPECT_FALSE(ref_polygon_polytope_collides(view(square({0, 2.6f, 0}, {1, 0, 0}, 1.5f)), RefConvexPolytope::of(c)));
    // In the cube's mid plane, a triangle whose edge x + y = 2.2 keeps every cube vertex outside
    // (x + y <= 2 there) while no face plane separates: only the polygon's in-plane edge axes see
    // the gap. Moved to x + y = 1.9 the edge cuts the corner (1, 1).
    auto triangle = [](float reach) {  // 2-D (x, y) is world (-x, y) for the normal +z
        return ConvexPolygon::make({}, {0, 0, 1}, {{-(reach - 0.2f), 0.2f}, {-0.2f, reach - 0.2f}, {-3, 3}});
    };
    EXPECT_FALSE(ref_polygon_polytope_collides(view(triangle(2.2f)), RefConvexPolytope::of(c)));
    EXPECT_TRUE(ref_polygon_polytope_collides(view(triangle(1.9f)), RefConvexPolytope::of(c)));
    ConvexPolytope no_vertices = c, no_planes = c;
    no_vertices.vertices.clear();
    no_planes.planes.clear();
    EXPECT_FALSE(ref_polygon_polytope_collides(view(square({0, 0, 0}, {0, 0, 1}, 0.5f)), RefConvexPolytope::of(no_vertices)));
    // Without planes only the polygon's own axes are tried.
    EXPECT_TRUE(ref_polygon_polytope_collides(view(square({0, 0, 1}, {0, 0, 1}, 3)), RefConvexPolytope::of(no_planes)));
}

TEST(PolytopePairs, CuboidFaceTestAndItsTwoInstances) {
    const ConvexPolytope c = cube();
    const RefConvexPolytope v = RefConvexPolytope::of(c);
    struct Case {
        const char* what;
        Cuboid box;
        bool own, by_caller;
    };
    const float s = std::sqrt(0.5f);
    const Case cases[] = {
        {"face to face, touching", Cuboid::aligned({2, 0, 0}, {1, 1, 1}), true, true},
        {"face to face, 0.01 apart", Cuboid::aligned({2.01f, 0, 0}, {1, 1, 1}), false, false},
        // 0.5 beyond the cube's edge (1, y, 1), no face plane separating: only the box-box
        // prefilter sees the gap.
        {"beside an edge", Cuboid::make({1.75f, 0, 1.75f}, {{{0.5f, s, -0.5f}, {-0.5f, s, 0.5f}, {s, 0, s}}}, {0.5f, 0.5f, 0.5f}),
         false, true},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(collides_cuboid(v, k.box, Prefilter::bounds), k.own) << k.what;
        EXPECT_EQ(collides_cuboid(v, k.box, Prefilter::done_by_caller), k.by_caller) << k.what;
    }
}

TEST(PolytopePairs, CapsuleFaceTestAndPlaneScale) {
    struct Case {
        const char* what;
        ConvexPolytope solid;
        Capsule cap;
        bool hit;
    };
    const Case cases[] = {
        {"lowest end exactly one radius above", cube(), Capsule::make({0, 0, 1.5f}, {0, 0, 1}, 0.5f), true},
        {"0.01 farther", cube(), Capsule::make({0, 0, 1.51f}, {0, 0, 1}, 0.5f), false},
        // Normals of length 2 (planes x <= 1 and so on): 0.1 into the face.
        {"long normals, reaching in", cube(2), Capsule::make({1.5f, 0, 0}, {0, 0, 1}, 0.6f), true},
        {"long normals, 0.1 apart", cube(2), Capsule::make({1.7f, 0, 0}, {0, 0, 1}, 0.6f), false},
        // Normals of length 0.5 keep the unscaled radius: reported although 0.1 apart.
        {"short normals, 0.1 apart", cube(0.5f), Capsule::make({1.7f, 0, 0}, {0, 0, 1}, 0.6f), true},
        {"NaN capsule is never rejected by a plane", cube(), Capsule::make({kNaN, 0, 0}, {0, 0, 1}, 0.5f), true},
    };
    for (const Case& c : cases) EXPECT_EQ(collides_capsule(RefConvexPolytope::of(c.solid), c.cap), c.hit) << c.what;
}

// Planes go eight to a step in lanes, then one at a time: a separating plane must be seen at every
// position, and non-separating planes in any number must not separate.
TEST(PolytopePairs, SeparatingPlaneFoundAtEveryPosition) {
    const Cuboid box = Cuboid::aligned({}, {0.5f, 0.5f, 0.5f});
    const Capsule cap = Capsule::make({0, 0, -0.5f}, {0, 0, 1}, 0.5f);
    const Cylinder cyl = Cylinder::make({0, 0, -0.5f}, {0, 0, 1}, 0.5f);
    for (int n = 0; n <= 19; ++n) {
        for (int at = -1; at < n; ++at) {
            ConvexPolytope solid = cube();
            solid.planes.clear();
            for (int i = 0; i < n; ++i) {
                float a = 0.7f * float(i);
                solid.planes.push_back({{std::cos(a), std::sin(a), 0.3f}, i == at ? -0.9f : 0.9f});
            }
            const RefConvexPolytope v = RefConvexPolytope::of(solid);
            const bool hit = at < 0;
            EXPECT_EQ(collides_cuboid(v, box, Prefilter::done_by_caller), hit) << n << " planes, separating " << at;
            EXPECT_EQ(collides_capsule(v, cap), hit) << n << " planes, separating " << at;
            EXPECT_EQ(cylinder_polytope_collides(cyl, v, Prefilter::done_by_caller), hit) << n << " planes, separating " << at;
        }
    }
}

TEST(Lanes, ProjectionScansMatchAPlainLoop) {
    std::vector<Vec3> pts;
    for (int i = 0; i < 21; ++i) pts.push_back({std::sin(1.3f * i), std::cos(0.7f * i), i == 9 ? kNaN : 0.1f * i});
    const Vec3 axis{0.3f, -0.8f, 0.5f};
    for (size_t n = 0; n <= pts.size(); ++n) {
        float lo = 3.4028235e38f, hi = -3.4028235e38f;
        for (size_t i = 0; i < n; ++i) lo = min_num(lo, dot(pts[i], axis)), hi = max_num(hi, dot(pts[i], axis));
        std::span<const Vec3> some(pts.data(), n);
        lanes::Range r = lanes::projection_range(some, axis, {3.4028235e38f, -3.4028235e38f});
        EXPECT_EQ(r.min, lo) << n;
        EXPECT_EQ(r.max, hi) << n;
        EXPECT_EQ(lanes::projection_min(some, axis, 3.4028235e38f), lo) << n;
    }
}

}  // namespace
