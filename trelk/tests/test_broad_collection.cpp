// Broad-phase collection: the lane layout of the item spheres, lanes recomputed after every
// transform, the point-cloud group's queries against a slow reference, and the stored list.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "broad_collection.hpp"
#include "cloud_cases.hpp"
#include "pickle/record.hpp"
#include "storage.hpp"

namespace {

namespace qp = quorix::pickle;
using namespace cloud_cases;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::uint32_t> bits(std::span<const float> xs) {
    std::vector<std::uint32_t> out;
    for (float x : xs) out.push_back(std::bit_cast<std::uint32_t>(x));
    return out;
}

// Every lane is the item's own bounding sphere and the layout is the one building gives.
template <class T>
void expect_fresh_lanes(const BroadCollection<T>& g) {
    const BroadCollection<T> rebuilt(std::vector<T>(g.items().begin(), g.items().end()));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(bits(g.bounds().plane(k)), bits(rebuilt.bounds().plane(k)));
    ASSERT_EQ(g.bounds().len(), g.size());
    for (std::size_t i = 0; i < g.size(); ++i) {
        const Sphere want = broadphase(g.items()[i]), got = g.bounds().get(i);
        EXPECT_EQ(bits(std::vector<float>{got.center.x, got.center.y, got.center.z, got.radius}),
                  bits(std::vector<float>{want.center.x, want.center.y, want.center.z, want.radius}));
    }
}

TEST(BroadCollection, LaneLayoutAndItemSpheres) {
    for (std::size_t n : {0u, 1u, 16u, 17u}) {
        BroadCollection<Cuboid> g(std::vector<Cuboid>(n, Cuboid::aligned({1, 2, 3}, {3, 4, 12})));
        EXPECT_EQ(g.bounds().stride(), (n + 15) / 16 * 16);
        for (std::size_t i = n; i < g.bounds().stride(); ++i) EXPECT_EQ(bits(g.bounds().r())[i], 0x7fc00000u);
        if (n) {
            EXPECT_EQ(g.bounds().get(0).radius, 13.0f);
        }
        g.extend(std::vector<Cuboid>(3, Cuboid::aligned({0, 0, 0}, {1, 1, 1})));
        g.push(Cuboid::aligned({0, 0, 0}, {0, 0, 0}));
        EXPECT_EQ(g.size(), n + 4);
        EXPECT_EQ(g.bounds().stride(), (n + 4 + 15) / 16 * 16);
        expect_fresh_lanes(g);
    }
    // A cylinder gets the capsule's sphere; an upright capsule measures its length by |dir.z|.
    const BroadCollection<Cylinder> cyl({Cylinder::make({1, 1, 1}, {0, 0, 2}, 1)});
    const BroadCollection<Capsule> cap({Capsule::make({1, 1, 1}, {0, 0, 2}, 1), Capsule::make({0, 0, 0}, {0, 0, -4}, 0.5f)});
    EXPECT_EQ(cyl.bounds().get(0).center, (Vec3{1, 1, 2}));
    EXPECT_EQ(cyl.bounds().get(0).radius, 2.0f);
    EXPECT_EQ(cap.bounds().get(0).radius, 2.0f);
    EXPECT_EQ(cap.bounds().get(1).radius, 2.5f);
    const Pointcloud cloud = Pointcloud::make(std::vector<Point3>{{0, 0, 0}, {2, 0, 0}}, {0, 1}, 0);
    const BroadCollection<Pointcloud> clouds({cloud, Pointcloud()});
    EXPECT_EQ(clouds.bounds().get(0).center, (Vec3{1, 0, 0}));
    EXPECT_EQ(clouds.bounds().get(0).radius, 1.0f);
    EXPECT_EQ(clouds.bounds().get(1).radius, 0.0f);
}

// Whatever the transform, every lane afterwards is the transformed item's sphere: capsules,
// cylinders and segments scaled about p1 move their sphere's centre, polytopes scale about the
// origin, and a moved cloud's sphere follows it.
TEST(BroadCollection, TransformsRecomputeEveryLane) {
    Maker make(8);
    auto run = [&](auto group) {
        const Quat q = {0.1f, -0.5f, 0.3f, 0.8f};
        const Mat3 m{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
        const Affine3A a{{{2, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, 2, 3}};
        translate(group, Vec3{1, -2, 3});
        expect_fresh_lanes(group);
        rotate_quat(group, q);
        expect_fresh_lanes(group);
        rotate_mat(group, m);
        expect_fresh_lanes(group);
        transform(group, a);
        expect_fresh_lanes(group);
        scale(group, 2.5f);
        expect_fresh_lanes(group);
        return group;
    };
    std::vector<Capsule> capsules;
    std::vector<Cylinder> cylinders;
    std::vector<Cuboid> cuboids;
    std::vector<ConvexPolytope> polytopes;
    std::vector<ConvexPolygon> polygons;
    std::vector<LineSegment> segments;
    std::vector<Pointcloud> clouds;
    for (int i = 0; i < 20; ++i) {
        auto s = make.cloud(0);
        const AllKinds k = shapes_near(make, s.cloud);
        capsules.push_back(k.capsule), cylinders.push_back(k.cylinder), cuboids.push_back(k.cuboid);
        polytopes.push_back(k.polytope), polygons.push_back(k.polygon), segments.push_back(k.segment);
        clouds.push_back(s.cloud);
    }
    run(BroadCollection<Capsule>(capsules));
    run(BroadCollection<Cylinder>(cylinders));
    run(BroadCollection<Cuboid>(cuboids));
    run(BroadCollection<ConvexPolytope>(polytopes));
    run(BroadCollection<ConvexPolygon>(polygons));
    run(BroadCollection<LineSegment>(segments));
    run(BroadCollection<Pointcloud>(clouds));
    // The sphere set's own scale would have kept the centres.
    BroadCollection<Capsule> one({Capsule::make({0, 0, 0}, {2, 0, 0}, 1)});
    scale(one, 3.0f);
    EXPECT_EQ(one.bounds().get(0).center, (Vec3{3, 0, 0}));
    EXPECT_EQ(one.bounds().get(0).radius, 6.0f);
}

TEST(BroadClouds, QueryTable) {
    auto one_point = [](Vec3 p, float pr, Pointcloud::RadiusRange range = {0, 10}) {
        return Pointcloud::make(std::vector<Point3>{{p.x, p.y, p.z}}, range, pr);
    };
    const BroadCollection<Pointcloud> none;
    EXPECT_FALSE(none.collides(Sphere{{0, 0, 0}, 1e30f}));
    EXPECT_FALSE(none.collides(one_point({0, 0, 0}, 1)));

    // A moved cloud: the query's centre is mapped in, its radius kept.
    Pointcloud moved = one_point({0, 0, 0}, 0.5f);
    translate(moved, {10, 0, 0});
    const BroadCollection<Pointcloud> g({Pointcloud(), moved});
    EXPECT_TRUE(g.collides(Sphere{{10, 1.5f, 0}, 1}));
    EXPECT_FALSE(g.collides(Sphere{{0, 1.5f, 0}, 1}));
    EXPECT_TRUE(g.collides(Cuboid::aligned({10, 1, 0}, {0.5f, 0.5f, 0.5f})));
    EXPECT_FALSE(g.collides(Cuboid::aligned({0, 1, 0}, {0.5f, 0.5f, 0.5f})));

    // Cloud against cloud: radii add; empty clouds never collide; equal counts use the query's points.
    for (auto [a, b, hit] : {std::tuple{0.3f, 0.7f, true}, {0.3f, 0.6f, false}, {0.5f, 0.5f, true}}) {
        EXPECT_EQ(BroadCollection<Pointcloud>({one_point({1, 0, 0}, b)}).collides(one_point({0, 0, 0}, a)), hit);
        EXPECT_EQ(clouds_collide(one_point({0, 0, 0}, a), one_point({1, 0, 0}, b)), hit);
    }
    EXPECT_FALSE(g.collides(Pointcloud()));
    EXPECT_TRUE(g.collides(one_point({10, 0, 1}, 0.5f)));

    // Reaches outside the item tree's range are answered by a scan, still exactly.
    const Pointcloud far_split = Pointcloud::make(std::vector<Point3>{{0, 100, 0}, {10, 0, 0}}, {0, 1}, 0);
    const Pointcloud query = one_point({4.9f, 0, 0}, 5.1f);
    EXPECT_TRUE(BroadCollection<Pointcloud>({far_split}).collides(query));
    EXPECT_TRUE(BroadCollection<Pointcloud>({far_split}).collides(Sphere{{4.9f, 0, 0}, 5.1f}));
}

// Every query kind against groups of random clouds: the group answers exactly when some cloud
// passes the reference (spheres by the tree's own float formula, clouds by world distances).
TEST(BroadClouds, MatchesReferenceOnRandomGroups) {
    Maker make(23);
    int decided = 0, hits = 0;
    for (int k = 0; k < 1500; ++k) {
        std::vector<Pointcloud> items;
        const int n = make.integer(0, 4);
        for (int i = 0; i < n; ++i) {
            items.push_back(make.cloud(k % 5 == 0 ? 65536.0f : 0.0f).cloud);
            make.move(items.back());
        }
        const BroadCollection<Pointcloud> group(items);
        const Pointcloud& host = n ? items[make.integer(0, n - 1)] : Pointcloud();
        const AllKinds shapes = shapes_near(make, host);
        double tol = 0;
        for (const Pointcloud& c : items) tol = std::max(tol, tolerance(c));

        auto check = [&](const auto& query, auto&& verdict_of) {
            Verdict v = Verdict::no;
            for (const Pointcloud& c : items) {
                const Verdict w = verdict_of(c);
                if (w == Verdict::yes) v = w;
                if (w == Verdict::unsure && v == Verdict::no) v = w;
            }
            if (v == Verdict::unsure) return;
            ++decided, hits += v == Verdict::yes;
            ASSERT_EQ(group.collides(query), v == Verdict::yes) << k;
        };
        auto shape_verdict = [&](const auto& shape) {
            return [&](const Pointcloud& c) {
                auto local = shape;
                if (c.inverse_transform()) transform(local, *c.inverse_transform());
                return reference_verdict(c, local, tol);
            };
        };
        check(shapes.capsule, shape_verdict(shapes.capsule));
        check(shapes.cylinder, shape_verdict(shapes.cylinder));
        check(shapes.cuboid, shape_verdict(shapes.cuboid));
        check(shapes.polytope, shape_verdict(shapes.polytope));
        check(shapes.polygon, shape_verdict(shapes.polygon));

        const Sphere sphere{shapes.capsule.p1, shapes.capsule.radius * 2};
        check(sphere, [&](const Pointcloud& c) {
            std::vector<Point3> pts;
            for (std::size_t i = 0; i < c.len(); ++i) pts.push_back({c.point(i).x, c.point(i).y, c.point(i).z});
            return brute_reach(pts, c.to_local(sphere.center), sphere.radius, c.point_radius()) ? Verdict::yes : Verdict::no;
        });

        // A probe cloud over some of the host's points (jittered), built in a frame of its own and
        // then moved into place.
        std::vector<Point3> near;
        const Vec3 shift = make.vec(50);
        const float turn = make.uniform(-3, 3);
        const Quat spin{0, 0, std::sin(turn / 2), std::cos(turn / 2)};
        const Affine3A place{mat3_from_quat(spin), shift}, back = inverse(place);
        const Affine3A host_out = host.inverse_transform() ? inverse(*host.inverse_transform()) : Affine3A{};
        for (int i = make.integer(0, 12); i > 0 && !host.is_empty(); --i) {
            const Vec3 w = host_out.transform_point(host.point(make.integer(0, int(host.len()) - 1))) + make.vec(1);
            const Vec3 p = back.transform_point(w);
            near.push_back({p.x, p.y, p.z});
        }
        Pointcloud probe = Pointcloud::make(near, {0, make.uniform(0, 4)}, float(make.integer(0, 4)) / 8);
        rotate_quat(probe, spin);
        translate(probe, shift);
        check(probe, [&](const Pointcloud& c) {
            auto world = [](const Pointcloud& x, std::size_t i) {
                return x.inverse_transform() ? inverse(*x.inverse_transform()).transform_point(x.point(i)) : x.point(i);
            };
            Verdict v = Verdict::no;
            for (std::size_t i = 0; i < c.len(); ++i)
                for (std::size_t j = 0; j < probe.len(); ++j) {
                    const double gap = ref::norm(D3(world(c, i)) - D3(world(probe, j))) - c.point_radius() - probe.point_radius();
                    if (gap <= -tol) return Verdict::yes;
                    if (!(gap > tol)) v = Verdict::unsure;
                }
            return v;
        });
    }
    EXPECT_GT(hits, decided / 5);
    EXPECT_GT(decided, 8000);
}

TEST(BroadStored, ListOfItemsAndRebuiltLanes) {
    const Pointcloud a = Pointcloud::make(std::vector<Point3>{{1, 2, 3}}, {0, 1}, 0.5f);
    Pointcloud b = Pointcloud::make(std::vector<Point3>{{0, 0, 0}, {4, 0, 0}}, {0, 1}, 0);
    translate(b, {0, 5, 0});
    const BroadCollection<Pointcloud> g({a, b});
    Bytes want{0x80, 0x03, ']', '('};
    qp::append_value(want, a);
    qp::append_value(want, b);
    want.push_back('e'), want.push_back('.');
    EXPECT_EQ(qp::encode_state(g), want);
    const auto back = qp::decode_state<BroadCollection<Pointcloud>>(want);
    EXPECT_EQ(qp::encode_state(back), want);
    expect_fresh_lanes(back);
    EXPECT_EQ(qp::encode_state(BroadCollection<Pointcloud>()), (Bytes{0x80, 0x03, ']', '.'}));

    // Shape groups store their items' own records alike.
    const BroadCollection<Capsule> caps({Capsule::make({1, 2, 3}, {0, 0, 1}, 0.5f), Capsule::make({0, 0, 0}, {1, 1, 0}, 2)});
    const auto caps_back = qp::decode_state<BroadCollection<Capsule>>(qp::encode_state(caps));
    EXPECT_EQ(qp::encode_state(caps_back), qp::encode_state(caps));
    expect_fresh_lanes(caps_back);

    Bytes bad{0x80, 0x03, ']', '(', '}', 'e', '.'};
    try {
        qp::decode_state<BroadCollection<Pointcloud>>(bad);
        ADD_FAILURE();
    } catch (const qp::DecodeError& e) {
        EXPECT_STREQ(e.what(), "decoding error: missing field `tree`");
    }
}

}  // namespace
