// Every growing operation of trelk's containers either completes or throws std::bad_alloc and
// leaves its value exactly as it was, whichever of its allocations fails. Each case runs once to
// count the allocations the operation makes, then once per allocation on a fresh value with that
// one failing; afterwards the value must take the operation, twice, exactly as an untouched value
// does. A write past the end of a half-grown plane shows in the sanitizer build.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "aligned_buffer.hpp"
#include "collider/collider.hpp"
#include "collider/stretch.hpp"
#include "collider/transform.hpp"
#include "collider_scenes.hpp"
#include "failing_allocator.hpp"
#include "pickle/pickle.hpp"
#include "pickle/record.hpp"
#include "storage.hpp"

namespace {

using namespace trelk;
namespace qp = quorix::pickle;
using Bytes = std::vector<std::uint8_t>;

template <class T>
void put(Bytes& out, const T& v) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

void put_floats(Bytes& out, std::span<const float> xs) {
    put(out, xs.size());
    for (float x : xs) put(out, std::bit_cast<std::uint32_t>(x));
}

// Lanes as stored, each plane with its own length, so that planes of unequal length show.
void put_lanes(Bytes& out, const SpheresSoA& s) {
    put(out, s.len());
    for (int k = 0; k < 4; ++k) put_floats(out, s.plane(k));
}

// The whole value as bytes: its stored form and the lanes and summaries derived from it.
Bytes state_of(const SpheresSoA& s) {
    Bytes b;
    put_lanes(b, s);
    return b;
}
template <class T>
Bytes state_of(const BroadCollection<T>& g) {
    Bytes b = qp::encode_state(g);
    put_lanes(b, g.bounds());
    return b;
}
template <class PCL>
Bytes state_of(const Collider<PCL>& c) {
    Bytes b = qp::encode_state(c);
    for (const SpheresSoA* lanes : item_sphere_sets(c)) put_lanes(b, *lanes);
    put(b, c.mask);
    put_floats(b, std::vector<float>{c.bounding_sphere.center.x, c.bounding_sphere.center.y,
                                     c.bounding_sphere.center.z, c.bounding_sphere.radius});
    return b;
}
Bytes state_of(const AlignedBuffer& a) {
    Bytes b;
    put_floats(b, std::span<const float>(a.data(), a.size()));
    put(b, reinterpret_cast<std::uintptr_t>(a.data()) % AlignedBuffer::alignment);
    return b;
}
template <class A, class B>
Bytes state_of(const std::pair<A, B>& p) {
    Bytes b = state_of(p.first), second = state_of(p.second);
    b.insert(b.end(), second.begin(), second.end());
    return b;
}

// Runs op on values from make() as described at the top; returns how many allocations it makes.
template <class Make, class Op>
long expect_all_or_nothing(const std::string& what, const Make& make, const Op& op) {
    auto reference = make();
    const Bytes before = state_of(reference);
    failing_allocator::arm(0);
    op(reference);
    const long count = failing_allocator::disarm().made;
    const Bytes once = state_of(reference);
    op(reference);
    const Bytes twice = state_of(reference);

    for (long n = 1; n <= count; ++n) {
        SCOPED_TRACE(what + ", allocation " + std::to_string(n) + " of " + std::to_string(count) + " failing");
        auto v = make();
        failing_allocator::arm(n);
        bool threw = false;
        try {
            op(v);
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        const failing_allocator::Tally tally = failing_allocator::disarm();
        EXPECT_TRUE(tally.failed) << "the operation allocates differently on an equal value";
        // Only storage for derived data, asked for without throwing, may be done without.
        EXPECT_EQ(threw, !tally.quiet);
        if (threw && state_of(v) != before) {
            ADD_FAILURE() << "changed by the failed operation";
            break;
        }
        if (threw) op(v);
        if (state_of(v) != once) {
            ADD_FAILURE() << "differs after the operation succeeded";
            break;
        }
        op(v);
        if (state_of(v) != twice) {
            ADD_FAILURE() << "differs after a second operation";
            break;
        }
    }
    return count;
}

Sphere ball(std::size_t i) { return {{float(i % 7), float(i % 5) - 2.0f, float(i) * 0.25f}, 0.5f + float(i % 3)}; }

std::vector<Sphere> balls(std::size_t n, std::size_t from = 0) {
    std::vector<Sphere> out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(ball(from + i));
    return out;
}

SpheresSoA pushed(SpheresSoA s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) s.push(ball(i));
    return s;
}

// Growth at every boundary: a full set, a set with spare lanes or spare capacity, a set crossing
// the size from which it keeps a block grid, a cleared set.
TEST(FailedAllocation, SphereSetPush) {
    long total = 0;
    for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 47u, 48u, 63u, 64u, 100u, 512u}) {
        const std::string size = std::to_string(n);
        auto push = [](SpheresSoA& s) { s.push(ball(1000)); };
        total += expect_all_or_nothing("from_slice " + size, [&] { return SpheresSoA::from_slice(balls(n)); }, push);
        total += expect_all_or_nothing("pushed " + size, [&] { return pushed(SpheresSoA(), n); }, push);
        total += expect_all_or_nothing("reserved " + size, [&] { return pushed(SpheresSoA::with_capacity(70), n); }, push);
        total += expect_all_or_nothing("cleared " + size, [&] {
            SpheresSoA s = pushed(SpheresSoA(), 100);
            s.clear();
            return pushed(std::move(s), n);
        }, push);
    }
    EXPECT_GT(total, 40);
}

TEST(FailedAllocation, SphereSetAppend) {
    for (std::size_t a : {0u, 5u, 16u, 60u, 100u})
        for (std::size_t b : {0u, 1u, 30u, 100u}) {
            auto make = [&] { return std::pair{pushed(SpheresSoA(), a), SpheresSoA::from_slice(balls(b, 50))}; };
            expect_all_or_nothing("append " + std::to_string(a) + " + " + std::to_string(b), make,
                                  [](auto& p) { p.first.append(p.second); });
        }
}

std::vector<ConvexPolytope> polytopes(std::size_t n) {
    scenes::Generator g(7, false);
    std::vector<ConvexPolytope> out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(g.polytope());
    return out;
}

TEST(FailedAllocation, BroadCollectionGrowth) {
    using Group = BroadCollection<ConvexPolytope>;
    for (std::size_t n : {0u, 1u, 15u, 16u, 63u, 64u}) {
        const std::string size = std::to_string(n);
        auto group = [&] { return Group(polytopes(n)); };
        const ConvexPolytope item = polytopes(1)[0];
        EXPECT_GT(expect_all_or_nothing("push " + size, group, [&](Group& g) { g.push(item); }), 0);
        expect_all_or_nothing("extend " + size, group, [&](Group& g) { g.extend(polytopes(3)); });
        expect_all_or_nothing("append " + size, [&] { return std::pair{group(), Group(polytopes(20))}; },
                              [](auto& p) { p.first.append(std::move(p.second)); });
    }
}

using Held = Collider<Pointcloud>;

// Colliders in the states that matter for growth: empty; one item of every kind; sixteen of each
// bounded kind (full lanes); many balls (a block grid kept); with a plane (no reach grid kept).
std::vector<std::pair<std::string, Held>> receivers() {
    scenes::Generator g(11, false);
    auto add_bounded = [&g](Held& c) {
        add(c, g.sphere()), add(c, g.bare_point()), add(c, g.capsule()), add(c, g.cuboid());
        add(c, g.cylinder()), add(c, g.segment()), add(c, g.polygon()), add(c, g.polytope());
    };
    std::vector<std::pair<std::string, Held>> out;
    out.emplace_back("empty", Held());
    Held every;
    add_bounded(every);
    add(every, g.cloud());
    out.emplace_back("one of each", every);
    Held full;
    for (int i = 0; i < 16; ++i) add_bounded(full);
    out.emplace_back("sixteen of each", full);
    Held many;
    for (int i = 0; i < 80; ++i) add(many, g.sphere());
    out.emplace_back("eighty balls", many);
    add(every, g.plane());
    add(every, g.line());
    add(every, g.ray());
    out.emplace_back("unbounded", every);
    return out;
}

// One item of every kind, each added in turn.
std::vector<std::pair<std::string, std::function<void(Held&)>>> additions() {
    scenes::Generator g(13, false);
    auto adding = [](auto item) { return [item](Held& c) { add(c, item); }; };
    return {{"sphere", adding(g.sphere())},   {"point", adding(g.bare_point())}, {"capsule", adding(g.capsule())},
            {"cuboid", adding(g.cuboid())},   {"cylinder", adding(g.cylinder())}, {"segment", adding(g.segment())},
            {"polygon", adding(g.polygon())}, {"polytope", adding(g.polytope())}, {"cloud", adding(g.cloud())},
            {"plane", adding(g.plane())},     {"line", adding(g.line())},        {"ray", adding(g.ray())}};
}

TEST(FailedAllocation, ColliderAdd) {
    for (const auto& [state, receiver] : receivers())
        for (const auto& [kind, op] : additions())
            expect_all_or_nothing(kind + " into " + state, [&] { return receiver; }, op);
}

TEST(FailedAllocation, ColliderInclude) {
    const auto all = receivers();
    for (const auto& [state, receiver] : all)
        for (const auto& [other_state, other] : all)
            expect_all_or_nothing(other_state + " into " + state, [&] { return std::pair{receiver, other}; },
                                  [](auto& p) { include(p.first, std::move(p.second)); });
}

TEST(FailedAllocation, ColliderSweep) {
    for (auto& [state, c] : receivers()) {
        // Point clouds have no sweep: the source keeps everything else.
        c.pointclouds = {};
        settle(c);
        const long count = expect_all_or_nothing(state, [&] { return c; },
                                                 [](const Held& source) { (void)try_stretch(source, Vec3{1, -2, 0.5f}); });
        EXPECT_EQ(count > 0, state != "empty");
    }
}

// Rigid motions change every item in place and allocate nothing that could fail: only the reach
// grid, which is done without when it cannot be had.
TEST(FailedAllocation, ColliderMotions) {
    const std::pair<std::string, std::function<void(Held&)>> motions[] = {
        {"translate", [](Held& c) { translate(c, Vec3{1, 2, 3}); }},
        {"rotate_quat", [](Held& c) { rotate_quat(c, Quat{0, 0.6f, 0, 0.8f}); }},
    };
    for (const auto& [state, receiver] : receivers())
        for (const auto& [name, op] : motions) expect_all_or_nothing(name + " " + state, [&] { return receiver; }, op);
}

// Small buffers come from the aligned allocation functions, large ones are page mappings.
TEST(FailedAllocation, AlignedBufferGrowth) {
    for (std::size_t n : {0u, 8u, 100u, 300000u}) {
        const std::string size = std::to_string(n);
        auto make = [n] {
            AlignedBuffer b;
            for (std::size_t i = 0; i < n; ++i) b.push_back(float(i));
            return b;
        };
        expect_all_or_nothing("push_back " + size, make, [](AlignedBuffer& b) { b.push_back(-1.0f); });
        expect_all_or_nothing("extend " + size, make, [](AlignedBuffer& b) { std::fill_n(b.extend(70000), 70000, 2.0f); });
        expect_all_or_nothing("reserve " + size, make, [](AlignedBuffer& b) { b.reserve(2 * b.capacity() + 300000); });
        expect_all_or_nothing("copy " + size, make, [](AlignedBuffer& b) { b = AlignedBuffer(b); });
        expect_all_or_nothing("shrink " + size, make, [](AlignedBuffer& b) { b.shrink_to_fit(); });
    }
}

}  // namespace
