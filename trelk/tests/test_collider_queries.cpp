// Collider queries against the item-by-item answer: thousands of random colliders of every kind of
// item (exactly touching ones among them), empty ones, and colliders that were moved, turned and
// resized after filling. The lane pre-tests and the group order may only save work, never change an
// answer.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <variant>

#include "collider/collider_pair.hpp"
#include "collider/query.hpp"
#include "collider/refine.hpp"
#include "collider/transform.hpp"
#include "collider_brute.hpp"
#include "collider_scenes.hpp"

namespace {

using namespace trelk;
using scenes::Generator;
using scenes::Query;
using scenes::Scene;

// The kinds of the items that collide with the query, for failure messages.
template <class Q>
std::string hitting_kinds(const Q& q, const Scene& s) {
    std::string kinds;
    int index = 0;
    const_cast<Scene&>(s).for_each_list([&](auto& list) {
        static constexpr const char* names[] = {"sphere",  "point",    "capsule", "cuboid", "cylinder", "segment",
                                                "polygon", "polytope", "plane",   "line",   "ray",      "cloud"};
        for (const auto& item : list)
            if (brute::hits(q, item)) kinds += std::string(" ") + names[index];
        ++index;
    });
    return kinds;
}

template <class Q>
bool item_by_item(const Q& q, const Scene& s) {
    bool any = false;
    s.for_each_item([&](const auto& item) { any = any || brute::hits(q, item); });
    return any;
}

constexpr std::array<const char*, 10> kQueryNames{"Sphere",  "Capsule", "Cuboid", "Cylinder", "ConvexPolytope",
                                                  "ConvexPolygon", "LineSegment", "Line", "Ray", "Plane"};

// Answers per query kind, so that both outcomes are seen to come up.
struct Tally {
    std::array<std::array<int, 2>, 10> counts{};
    void expect_both_outcomes(int at_least) const {
        for (std::size_t k = 0; k < counts.size(); ++k) {
            EXPECT_GE(counts[k][0], at_least) << kQueryNames[k] << " rarely misses";
            EXPECT_GE(counts[k][1], at_least) << kQueryNames[k] << " rarely hits";
        }
    }
};

// Asks every query of the collider and of the scene; returns the number of disagreements.
template <class PCL>
int cross_check(Generator& g, const Scene& s, const Collider<PCL>& c, int queries, Tally& tally,
                const std::string& what) {
    int wrong = 0;
    for (int k = 0; k < queries; ++k) {
        const Query query = g.query();
        std::visit(
            [&](const auto& q) {
                const bool expected = item_by_item(q, s);
                const bool got = query_collider(q, c);
                ++tally.counts[query.index()][expected];
                if (got != expected && ++wrong <= 5)
                    ADD_FAILURE() << what << ": " << kQueryNames[query.index()] << " query answered " << got
                                  << ", items say " << expected << " (" << s.size() << " items, mask 0x" << std::hex
                                  << c.mask << "); colliding:" << hitting_kinds(q, s);
            },
            query);
    }
    return wrong;
}

TEST(ColliderQueries, AgreeWithEveryItemOnRandomColliders) {
    for (bool grid : {true, false}) {
        Generator g(grid ? 1234u : 5678u, grid);
        Tally tally;
        int wrong = 0;
        for (int round = 0; round < 2000 && wrong == 0; ++round) {
            const Scene s = round % 4 == 0 ? g.scene(80, true) : g.scene(round % 4 == 1 ? 4 : 24);
            wrong += cross_check(g, s, g.build<NoPcl>(s), 20, tally, grid ? "grid" : "general");
        }
        tally.expect_both_outcomes(200);
    }
}

// Groups of hundreds of items, where scans skip the blocks of eight their grid rules out.
TEST(ColliderQueries, AgreeWithEveryItemOnCrowdedColliders) {
    for (bool grid : {true, false}) {
        Generator g(grid ? 2468u : 1357u, grid);
        Tally tally;
        int wrong = 0;
        for (int round = 0; round < 80 && wrong == 0; ++round) {
            // Spread out, so that most blocks lie away from any one query.
            Scene s = g.scene(500, true);
            s.for_each_list([&](auto& list) {
                for (auto& item : list) translate(item, g.point() * 3.0f);
            });
            Collider<NoPcl> c = g.build<NoPcl>(s);
            wrong += cross_check(g, s, c, 40, tally, grid ? "crowded grid" : "crowded general");
        }
        // The bounded kinds; a half-space or line meets some of hundreds of items nearly always.
        for (std::size_t k = 0; k < 7; ++k) {
            EXPECT_GE(tally.counts[k][0], 10) << kQueryNames[k] << " rarely misses";
            EXPECT_GE(tally.counts[k][1], 10) << kQueryNames[k] << " rarely hits";
        }
    }
}

TEST(ColliderQueries, PointCloudGroupAgreesWithEveryCloud) {
    for (bool grid : {true, false}) {
        Generator g(grid ? 4321u : 8765u, grid);
        Tally tally;
        int wrong = 0;
        for (int round = 0; round < 1500 && wrong == 0; ++round) {
            const Scene s = g.scene(round % 3 == 0 ? 0 : 10, false, true);
            wrong += cross_check(g, s, g.build<Pointcloud>(s), 20, tally, grid ? "clouds grid" : "clouds general");
        }
        tally.expect_both_outcomes(50);
    }
}

// Whether any item of scene b meets any item of scene a, pair by pair.
bool brute_collides_other(const Scene& sa, const Scene& sb) {
    bool expected = false;
    sb.for_each_item([&](const auto& item_b) {
        sa.for_each_item([&](const auto& item_a) { expected = expected || brute::other_item_hits(item_b, item_a); });
    });
    return expected;
}

TEST(ColliderPairs, AgreeWithEveryPairOfItems) {
    for (bool grid : {true, false}) {
        Generator g(grid ? 31u : 32u, grid);
        std::array<int, 2> seen{};
        for (int round = 0; round < 3000; ++round) {
            const Scene sa = g.scene(round % 5 == 0 ? 1 : 8, round % 3 == 0, round % 4 == 0);
            const Scene sb = g.scene(round % 7 == 0 ? 1 : 8, round % 3 == 1, round % 4 == 1);
            const Collider<Pointcloud> a = g.build<Pointcloud>(sa), b = g.build<Pointcloud>(sb);
            const bool expected = brute_collides_other(sa, sb);
            ++seen[expected];
            ASSERT_EQ(collides_other(a, b), expected) << (grid ? "grid" : "general") << " round " << round;
        }
        EXPECT_GE(seen[0], 300);
        EXPECT_GE(seen[1], 300);
    }
}

// Colliders of dozens of items spread apart, so that most items of one are far from every item of
// the other and are left out before any pair test; the receiver mostly holds no plane, line or
// ray, so that its items' spheres can stand for it.
TEST(ColliderPairs, ManyItemsSpreadApartAgreeWithEveryPair) {
    for (bool grid : {true, false}) {
        Generator g(grid ? 41u : 42u, grid);
        std::array<int, 2> seen{};
        for (int round = 0; round < 150; ++round) {
            const float spread = float(3 + 3 * (round % 4));
            Scene sa = g.scene(90), sb = g.scene(90, false, round % 5 == 0);
            for (Scene* s : {&sa, &sb})
                s->for_each_list([&](auto& list) {
                    for (auto& item : list) translate(item, g.point() * spread);
                });
            if (round % 6 != 0) sa.planes.clear(), sa.lines.clear(), sa.rays.clear();
            const Collider<Pointcloud> a = g.build<Pointcloud>(sa), b = g.build<Pointcloud>(sb);
            const bool expected = brute_collides_other(sa, sb);
            ++seen[expected];
            ASSERT_EQ(collides_other(a, b), expected) << (grid ? "grid" : "general") << " round " << round;
        }
        EXPECT_GE(seen[0], 20);
        EXPECT_GE(seen[1], 20);
    }
}

TEST(ColliderPairs, EdgeCases) {
    Collider<Pointcloud> empty, ball, far_ball, flat;
    add(ball, Sphere{{0, 0, 0}, 1});
    add(far_ball, Sphere{{2, 0, 0}, 1});  // bounds touch exactly
    EXPECT_FALSE(collides_other(empty, ball));
    EXPECT_FALSE(collides_other(ball, empty));
    EXPECT_TRUE(collides_other(ball, ball));
    EXPECT_TRUE(collides_other(ball, far_ball));
    // A point inside a held half-space, on a held segment or inside a held polygon collides.
    add(flat, Plane{{0, 0, 1}, 0});
    Collider<Pointcloud> point;
    add(point, Point{{5, 5, -1}});
    EXPECT_TRUE(collides_other(flat, point));
    Collider<Pointcloud> segment, polygon;
    add(segment, LineSegment::make({5, 5, -2}, {0, 0, 2}));
    add(polygon, ConvexPolygon::make({5, 5, -1}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}));
    EXPECT_TRUE(collides_other(segment, point));
    EXPECT_TRUE(collides_other(polygon, point));
    // A polytope without planes holds every point its bound reaches.
    Collider<Pointcloud> hollow;
    add(hollow, ConvexPolytope::make({}, {{4, 4, -2}, {6, 6, 0}}));
    EXPECT_TRUE(collides_other(hollow, point));
}

TEST(ColliderQueries, EmptyColliderAnswersFalse) {
    Generator g(7, false);
    const Collider<NoPcl> empty;
    for (int k = 0; k < 200; ++k)
        std::visit([&](const auto& q) { EXPECT_FALSE(query_collider(q, empty)); }, g.query());
    // Planes and lines reach everywhere, yet nothing is held.
    EXPECT_FALSE(query_collider(Plane{{0, 0, 1}, 1e30f}, empty));
    EXPECT_FALSE(query_collider(Line::make({}, {1, 0, 0}), empty));
}

// Moves, turns or resizes the collider and, item by item, the scene the same way.
struct Motion {
    const char* name;
    void (*apply)(Generator&, Collider<Pointcloud>&, Scene&);
};

template <class Change>
void change_scene(Scene& s, const Change& change) {
    s.for_each_list([&](auto& list) {
        for (auto& item : list) change(item);
    });
}

const Motion kMotions[] = {
    {"translate",
     [](Generator& g, Collider<Pointcloud>& c, Scene& s) {
         const Vec3 t = g.point();
         translate(c, t);
         change_scene(s, [&](auto& item) { translate(item, t); });
     }},
    {"rotate_mat",
     [](Generator& g, Collider<Pointcloud>& c, Scene& s) {
         const auto a = g.axes();
         const Mat3 m{a[0], a[1], a[2]};
         rotate_mat(c, m);
         change_scene(s, [&](auto& item) { rotate_mat(item, m); });
     }},
    {"rotate_quat",
     [](Generator& g, Collider<Pointcloud>& c, Scene& s) {
         const float h = 0.70710677f;
         const Quat q = g.grid() ? Quat{0, 0, 1, 0} : Quat{h * 0.6f, 0.0f, h * 0.8f, h};
         rotate_quat(c, q);
         change_scene(s, [&](auto& item) { rotate_quat(item, q); });
     }},
    {"transform",
     [](Generator& g, Collider<Pointcloud>& c, Scene& s) {
         const auto a = g.axes();
         const Affine3A m{{a[0], a[1], a[2]}, g.point()};
         transform(c, m);
         change_scene(s, [&](auto& item) { transform(item, m); });
     }},
    {"scale",
     [](Generator& g, Collider<Pointcloud>& c, Scene& s) {
         const float f = g.grid() ? (g.coin() ? 0.5f : 2.0f) : g.uniform(0.2f, 3.0f);
         scale(c, f);
         // Point clouds keep their size.
         change_scene(s, [&](auto& item) {
             if constexpr (!std::is_same_v<std::decay_t<decltype(item)>, Pointcloud>) scale(item, f);
         });
     }},
};

TEST(ColliderQueries, AgreeWithEveryItemAfterMotions) {
    for (const Motion& motion : kMotions)
        for (bool grid : {true, false}) {
            Generator g(grid ? 99u : 98u, grid);
            Tally tally;
            int wrong = 0;
            for (int round = 0; round < 400 && wrong == 0; ++round) {
                Scene s = round % 20 == 0 ? g.scene(400, true) : g.scene(30, false, round % 2 == 0);
                Collider<Pointcloud> c = g.build<Pointcloud>(s);
                motion.apply(g, c, s);
                wrong += cross_check(g, s, c, 20, tally, std::string(motion.name) + (grid ? " grid" : " general"));
            }
        }
}


// Up to `most` items spread apart, so that the reach grids leave most pairs out; no plane, line or
// ray but now and then.
Scene spread_scene(Generator& g, int most, bool clouds) {
    Scene s = g.scene(most, false, clouds);
    s.for_each_list([&](auto& list) {
        for (auto& item : list) translate(item, g.point() * 2.0f);
    });
    if (!g.coin(0.1)) s.planes.clear(), s.lines.clear(), s.rays.clear();
    return s;
}

// Adds the items of `extra` to the scene's lists.
void append(Scene& s, const Scene& extra) {
    extra.for_each_item([&](const auto& item) {
        s.for_each_list([&](auto& list) {
            if constexpr (std::is_same_v<typename std::decay_t<decltype(list)>::value_type,
                                         std::decay_t<decltype(item)>>)
                list.push_back(item);
        });
    });
}

ColliderRecord<Pointcloud> record_of(const Collider<Pointcloud>& c) {
    const ColliderRecordView<Pointcloud> v = c.stored_view();
    auto list = [](auto items) { return std::vector(items.begin(), items.end()); };
    return {list(v.capsules), list(v.cuboids), list(v.cylinders), list(v.planes), list(v.polygons),
            list(v.polytopes), list(v.points), c.spheres, list(v.lines), list(v.rays), list(v.segments),
            list(v.pointclouds)};
}

// The other operations that change a collider's sphere sets (or might seem to), the scene kept in step.
const Motion kChanges[] = {
    {"add",
     [](Generator& g, Collider<Pointcloud>& c, Scene& s) {
         // Some far outside the items so far, so that the grid must be fitted again.
         Scene extra = spread_scene(g, 12, false);
         extra.for_each_list([&](auto& list) {
             for (auto& item : list) translate(item, g.point() * float(g.pick(3) * 3));
         });
         extra.for_each_item([&](const auto& item) { add(c, item); });
         append(s, extra);
     }},
    {"include",
     [](Generator& g, Collider<Pointcloud>& c, Scene& s) {
         const Scene extra = spread_scene(g, 12, g.coin());
         include(c, g.build<Pointcloud>(extra));
         append(s, extra);
     }},
    {"refine_bounding", [](Generator&, Collider<Pointcloud>& c, Scene&) { refine_bounding(c); }},
    {"from_stored",
     [](Generator&, Collider<Pointcloud>& c, Scene&) { c = Collider<Pointcloud>::from_stored(record_of(c)); }},
    {"copy",
     [](Generator& g, Collider<Pointcloud>& c, Scene&) {
         const Collider<Pointcloud> kept(c);
         translate(c, g.point() * 10.0f);
         c = kept;
     }},
};

// A receiver changed by each operation answers collides_other as its items do pair by pair, and
// keeps a reach grid of all its lanes while it holds no plane, line or ray.
TEST(ColliderPairs, ChangedReceiverAgreesWithEveryPair) {
    std::vector<Motion> changes(std::begin(kMotions), std::end(kMotions));
    changes.insert(changes.end(), std::begin(kChanges), std::end(kChanges));
    for (const Motion& change : changes)
        for (bool grid : {true, false}) {
            Generator g(grid ? 51u : 52u, grid);
            std::array<int, 2> seen{};
            for (int round = 0; round < 120; ++round) {
                Scene sa = spread_scene(g, 40, round % 3 == 0);
                const Scene sb = spread_scene(g, 40, round % 4 == 0);
                Collider<Pointcloud> a = g.build<Pointcloud>(sa);
                const Collider<Pointcloud> b = g.build<Pointcloud>(sb);
                change.apply(g, a, sa);
                const std::string what = std::string(change.name) + (grid ? " grid" : " general") + " round " +
                                         std::to_string(round);
                const bool bounded = a.mask != 0 && !a.holds(group_bit::unbounded);
                ASSERT_EQ(a.reach.marking(item_sphere_count(a)) != nullptr, bounded) << what;
                const bool expected = brute_collides_other(sa, sb);
                ++seen[expected];
                ASSERT_EQ(collides_other(a, b), expected) << what;
            }
            EXPECT_GE(seen[0], 10) << change.name;
            EXPECT_GE(seen[1], 10) << change.name;
        }
}

}  // namespace
