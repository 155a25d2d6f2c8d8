// Stored records of the point tree and the sphere set: exact bytes, bit-exact read back, and the
// refusal of stored tables that a query could read past.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "cloud_cases.hpp"
#include "pickle/record.hpp"
#include "pickle_expect.hpp"
#include "pointcloud/capt.hpp"
#include "soa.hpp"
#include "support/fault.hpp"

namespace {

namespace qp = quorix::pickle;
using trelk::Sphere;
using trelk::SpheresSoA;
using trelk::pointcloud::Aabb;
using trelk::pointcloud::Capt;
using trelk::pointcloud::CaptData;
using trelk::pointcloud::CenterRows8;
using trelk::pointcloud::Point3;
using trelk::pointcloud::Radii8;
using pickle_expect::Bytes;
using pickle_expect::Expect;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using cloud_cases::data_of;

template <class T>
std::string load_error(const Bytes& bytes) { return pickle_expect::decode_message<T>(bytes, "loaded"); }

template <class T>
std::vector<std::uint32_t> bit_list(const T& values) {
    std::vector<std::uint32_t> out;
    for (float v : values) out.push_back(std::bit_cast<std::uint32_t>(v));
    return out;
}

void expect_same_tree(const Capt& a, const Capt& b) {
    EXPECT_EQ(bit_list(a.tests()), bit_list(b.tests()));
    ASSERT_EQ(a.aabbs().size(), b.aabbs().size());
    for (std::size_t z = 0; z < a.aabbs().size(); ++z) {
        EXPECT_EQ(bit_list(a.aabbs()[z].lo), bit_list(b.aabbs()[z].lo));
        EXPECT_EQ(bit_list(a.aabbs()[z].hi), bit_list(b.aabbs()[z].hi));
    }
    EXPECT_TRUE(std::equal(a.starts().begin(), a.starts().end(), b.starts().begin(), b.starts().end()));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(bit_list(a.afforded(k)), bit_list(b.afforded(k)));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.afforded(k).data()) % 32, 0u);
    }
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a.r_point()), std::bit_cast<std::uint32_t>(b.r_point()));
    EXPECT_EQ(a.lanes_log2(), b.lanes_log2());
}

// The stream of a tree with no split values and one leaf.
Bytes one_leaf_tree(const Point3& lo, const Point3& hi, std::uint32_t end, const std::vector<std::vector<double>>& planes,
                    double r_point) {
    Expect e;
    e.op('}').op('(').key("tests").op(']');
    e.key("aabbs").op(']').op('(').box(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]).op('e');
    e.key("starts").op(']').op('(').i(0).i(end).op('e');
    e.key("afforded").op(']').op('(');
    for (const auto& plane : planes) {
        e.op(']');
        if (plane.empty()) continue;
        e.op('(');
        for (double v : plane) e.f(v);
        e.op('e');
    }
    return e.op('e').key("r_point").f(r_point).key("lanes_log2").i(3).op('u').done();
}

TEST(CaptStored, SmallTreeBytes) {
    const Bytes empty = one_leaf_tree({kInf, kInf, kInf}, {kInf, kInf, kInf}, 0, {{}, {}, {}}, 0.0);
    EXPECT_EQ(qp::encode_state(Capt::with_point_radius({}, {0.0f, 1.0f}, 0.0f)), empty);
    EXPECT_EQ(qp::encode_state(Capt()), empty);
    EXPECT_FALSE(qp::decode_state<Capt>(empty).collides({0, 0, 0}, 1e30f));

    const Point3 p{1.5f, -2.0f, 0.1f};
    std::vector<std::vector<double>> planes;
    for (float v : p) planes.push_back({v, kInf, kInf, kInf, kInf, kInf, kInf, kInf});
    EXPECT_EQ(qp::encode_state(Capt::with_point_radius(std::vector<Point3>{p}, {0.0f, 1.0f}, 0.25f)),
              one_leaf_tree(p, p, 8, planes, 0.25));
}

TEST(CaptStored, BuiltTreesReadBackBitForBit) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-100.0f, 100.0f);
    for (std::size_t n : {0u, 1u, 2u, 3u, 17u, 300u, 2000u}) {
        std::vector<Point3> pts;
        for (std::size_t i = 0; i < n; ++i) pts.push_back({u(rng), u(rng), u(rng)});
        const Capt t = Capt::with_point_radius(pts, {1.0f, 12.0f}, 0.125f);
        const Capt back = qp::decode_state<Capt>(qp::encode_state(t));
        SCOPED_TRACE(n);
        expect_same_tree(t, back);
        for (int q = 0; q < 200; ++q) {
            const Point3 c{u(rng), u(rng), u(rng)};
            const float r = std::uniform_real_distribution<float>(1.0f, 11.0f)(rng);
            ASSERT_EQ(t.collides(c, r), back.collides(c, r));
        }
    }
}

TEST(CaptStored, LaneCountsAreKeptAsRead) {
    const Capt t = Capt::with_point_radius(std::vector<Point3>{{0, 0, 0}, {1, 0, 0}}, {0.0f, 2.0f}, 0.0f);
    CenterRows8 rows{};
    Radii8 radii;
    radii.fill(0.5f);
    const struct {
        std::uint32_t lanes_log2;
        bool eight_lanes;
    } cases[] = {{3, true}, {2, false}, {0, false}, {67, true}, {32, false}, {35, true}, {60, true}, {3000000000u, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lanes_log2);
        CaptData d = data_of(t);
        d.lanes_log2 = c.lanes_log2;
        const Bytes bytes = qp::encode_state(d);
        const Capt back = qp::decode_state<Capt>(bytes);
        EXPECT_EQ(back.lanes_log2(), c.lanes_log2);
        EXPECT_EQ(qp::encode_state(back), bytes);
        EXPECT_TRUE(back.collides({0, 0, 0}, 0.0f));
        if (c.eight_lanes) {
            EXPECT_TRUE(back.collides_simd(rows, radii));
        } else {
            try {
                back.collides_simd(rows, radii);
                ADD_FAILURE();
            } catch (const quorix::Fault& f) {
                EXPECT_STREQ(f.what(), "CAPT must be constructed with at least 8 lanes for f32x8 queries");
            }
        }
    }
    // Above 2^31 the count is written as an unsigned LONG1 of four bytes.
    CaptData d = data_of(t);
    d.lanes_log2 = 3000000000u;
    const Bytes bytes = qp::encode_state(d);
    const Bytes tail{0x8a, 0x05, 0x00, 0x5e, 0xd0, 0xb2, 0x00, 'u', '.'};
    EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), bytes.rbegin()));
}

// Each case spoils one table of a valid two-level tree.
struct CaptSpoil {
    const char* name;
    void (*spoil)(CaptData&);
    const char* message;
};

TEST(CaptStored, UnsoundTablesAreRefused) {
    std::vector<Point3> pts;
    for (int i = 0; i < 4; ++i) pts.push_back({float(i), 0, 0});
    const Capt t = Capt::with_point_radius(pts, {0.0f, 0.5f}, 0.0f);
    ASSERT_EQ(t.tests().size(), 3u);
    ASSERT_EQ(t.afforded(0).size(), 32u);
    const CaptSpoil cases[] = {
        {"lanes 61", [](CaptData& d) { d.lanes_log2 = 61; },
         "decoding error: invalid parameters to Layout::from_size_align"},
        {"lanes 63", [](CaptData& d) { d.lanes_log2 = 63; },
         "decoding error: invalid parameters to Layout::from_size_align"},
        {"lanes 125", [](CaptData& d) { d.lanes_log2 = 125; },
         "decoding error: invalid parameters to Layout::from_size_align"},
        {"two planes", [](CaptData& d) { d.afforded.pop_back(); }, "decoding error: expected 3 afforded arrays, got 2"},
        {"four planes", [](CaptData& d) { d.afforded.push_back({}); }, "decoding error: expected 3 afforded arrays, got 4"},
        {"lanes checked first", [](CaptData& d) { d.afforded.clear(), d.lanes_log2 = 62; },
         "decoding error: invalid parameters to Layout::from_size_align"},
        {"tests not 2^d - 1", [](CaptData& d) { d.tests.pop_back(); },
         "decoding error: invalid CAPT: 2 split values, expected one less than a power of two"},
        {"deeper tests", [](CaptData& d) { d.tests.resize(7, 1.0f); },
         "decoding error: invalid CAPT: 4 leaf boxes, expected 8"},
        {"missing box", [](CaptData& d) { d.aabbs.pop_back(); }, "decoding error: invalid CAPT: 3 leaf boxes, expected 4"},
        {"short starts", [](CaptData& d) { d.starts.pop_back(); },
         "decoding error: invalid CAPT: 4 run bounds, expected 5"},
        {"plane lengths", [](CaptData& d) { d.afforded[2] = cloud_cases::buffer_of({d.afforded[2].data(), 24}); },
         "decoding error: invalid CAPT: afforded arrays of lengths 32, 32, 24"},
        {"start past planes", [](CaptData& d) { d.starts[4] = 40; },
         "decoding error: invalid CAPT: run bound 40 at 4 is not a non-decreasing multiple of 8 within the afforded "
         "length 32"},
        {"unaligned start", [](CaptData& d) { d.starts[2] = 13; },
         "decoding error: invalid CAPT: run bound 13 at 2 is not a non-decreasing multiple of 8 within the afforded "
         "length 32"},
        {"decreasing starts", [](CaptData& d) { d.starts[1] = 16, d.starts[2] = 8; },
         "decoding error: invalid CAPT: run bound 8 at 2 is not a non-decreasing multiple of 8 within the afforded "
         "length 32"},
        {"huge start", [](CaptData& d) { d.starts[4] = 0xFFFFFFF8u; },
         "decoding error: invalid CAPT: run bound 4294967288 at 4 is not a non-decreasing multiple of 8 within the "
         "afforded length 32"},
        {"empty planes with runs", [](CaptData& d) { d.afforded = {{}, {}, {}}; },
         "decoding error: invalid CAPT: run bound 8 at 1 is not a non-decreasing multiple of 8 within the afforded "
         "length 0"},
        {"sound: empty runs, spare entries", [](CaptData& d) { d.starts = {0, 0, 8, 8, 8}; }, "loaded"},
        {"sound: first run skipped", [](CaptData& d) { d.starts[0] = 8; }, "loaded"},
    };
    for (const auto& c : cases) {
        CaptData d = data_of(t);
        c.spoil(d);
        EXPECT_EQ(load_error<Capt>(qp::encode_state(d)), c.message) << c.name;
    }
}

TEST(CaptStored, RecordFormsAndBoxLengths) {
    const Capt t = Capt::with_point_radius(std::vector<Point3>{{1, 2, 3}}, {0.0f, 1.0f}, 0.0f);
    Bytes bytes = qp::encode_state(t);
    // A box list of two values: the fixed message of the box conversion.
    const std::string lo = "lo";
    auto at = std::search(bytes.begin(), bytes.end(), lo.begin(), lo.end());
    ASSERT_NE(at, bytes.end());
    // "lo" ] ( G.. G.. G.. e  ->  drop the third value.
    auto third = at + 2 + 2 + 9 + 9;
    ASSERT_EQ(*third, 'G');
    bytes.erase(third, third + 9);
    EXPECT_EQ(load_error<Capt>(bytes), "decoding error: invalid length 0, expected expected array of correct length");

    // Positional records: the tree as a list of its six values, and too short a list.
    auto positional = [](int fields) {
        Expect e;
        e.op('(').op(']').op(']').op('(').op('(').floats({1, 2, 3}).floats({1, 2, 3}).op('t').op('e');
        if (fields > 2) e.op(']').op('(').i(0).i(8).op('e');
        if (fields > 3) {
            e.op(']').op('(');
            for (double v : {1.0, 2.0, 3.0}) e.floats({v, kInf, kInf, kInf, kInf, kInf, kInf, kInf});
            e.op('e');
        }
        if (fields > 4) e.f(0.5);
        if (fields > 5) e.i(3);
        return e.op('t').done();
    };
    const Capt back = qp::decode_state<Capt>(positional(6));
    EXPECT_EQ(back.aabbs()[0], (Aabb{{1, 2, 3}, {1, 2, 3}}));
    EXPECT_EQ(back.r_point(), 0.5f);
    EXPECT_TRUE(back.collides({2, 2, 3}, 0.5f));  // (1, 2, 3) is afforded, 1 away
    EXPECT_EQ(load_error<Capt>(positional(5)), "decoding error: invalid length 5, expected struct CaptData with 6 elements");
}

TEST(SpheresStored, ThreeSpheresBytesAndReadBack) {
    SpheresSoA s;
    s.push({{1, 2, 3}, 0.5f});
    s.push({{-1, 0, 0}, 0.0f});
    s.push({{0, 0.1f, 0}, 2});
    auto plane = [](double a, double b, double c, double fill) {
        Expect e;
        e.b.clear();
        e.op(']').op('(').f(a).f(b).f(c);
        for (int i = 3; i < 16; ++i) e.f(fill);
        e.op('e');
        return e.b;
    };
    Expect e;
    e.op('}').op('(');
    auto add = [&](std::string_view k, const Bytes& p) {
        e.key(k);
        e.b.insert(e.b.end(), p.begin(), p.end());
    };
    add("x", plane(1, -1, 0, 0));
    add("y", plane(2, 0, double(0.1f), 0));
    add("z", plane(3, 0, 0, 0));
    add("r", plane(0.5, 0, 2, std::numeric_limits<double>::quiet_NaN()));
    const Bytes expected = e.key("len").i(3).op('u').done();
    EXPECT_EQ(qp::encode_state(s), expected);

    const SpheresSoA back = qp::decode_state<SpheresSoA>(expected);
    EXPECT_EQ(back.len(), 3u);
    EXPECT_EQ(back.stride(), 16u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(bit_list(back.plane(k)), bit_list(s.plane(k))) << k;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(back.r()[15]), 0x7fc00000u);
    EXPECT_TRUE(back.any_collides_sphere_f32x8({{1, 2, 4}, 0.5f}));
}

TEST(SpheresStored, StaleLanesAndEmptySetsReadBack) {
    SpheresSoA s = SpheresSoA::from_slice(std::vector<Sphere>(20, Sphere{{4, 5, 6}, 1}));
    s.clear();
    s.push({{7, 8, 9}, 3});
    const SpheresSoA back = qp::decode_state<SpheresSoA>(qp::encode_state(s));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(bit_list(back.plane(k)), bit_list(s.plane(k))) << k;
    EXPECT_EQ(back.len(), 1u);
    EXPECT_EQ(qp::decode_state<SpheresSoA>(qp::encode_state(SpheresSoA())).stride(), 0u);
}

TEST(SpheresStored, UnsoundPlanesAreRefused) {
    auto stored = [](std::size_t x, std::size_t r, std::size_t len, float spare) {
        trelk::SpheresSoAStored h{std::vector<float>(x, 0.0f), std::vector<float>(x, 0.0f),
                                  std::vector<float>(x, 0.0f), std::vector<float>(r, spare), len};
        for (std::size_t i = 0; i < std::min(len, r); ++i) h.r[i] = 1.0f;
        return qp::encode_state(h);
    };
    EXPECT_EQ(load_error<SpheresSoA>(stored(16, 16, 3, kNaN)), "loaded");
    EXPECT_EQ(load_error<SpheresSoA>(stored(16, 32, 3, kNaN)),
              "decoding error: sphere set planes differ in length: x 16, y 16, z 16, r 32");
    EXPECT_EQ(load_error<SpheresSoA>(stored(8, 8, 3, kNaN)), "decoding error: sphere set stride 8 is not a multiple of 16");
    EXPECT_EQ(load_error<SpheresSoA>(stored(16, 16, 40, kNaN)), "decoding error: sphere set len 40 exceeds its stride 16");
    EXPECT_EQ(load_error<SpheresSoA>(stored(16, 16, 15, 0.0f)),
              "decoding error: sphere set spare radius at lane 15 is not NaN");
    // Positional form: five values in the order x, y, z, r, len; four are too few.
    Expect four;
    four.op('(');
    for (int k = 0; k < 4; ++k) four.op(']');
    EXPECT_EQ(load_error<SpheresSoA>(four.op('t').done()),
              "decoding error: invalid length 4, expected struct Helper with 5 elements");
    Expect five;
    five.op('(');
    for (int k = 0; k < 4; ++k) five.op(']');
    EXPECT_EQ(load_error<SpheresSoA>(five.i(0).op('t').done()), "loaded");
    // Dict form: every key is required, none may repeat.
    auto keyed = [](std::string_view skip, std::string_view twice) {
        Expect e;
        e.op('}').op('(');
        for (std::string_view k : {"x", "y", "z", "r"}) {
            if (k == skip) continue;
            e.key(k).op(']');
            if (k == twice) e.key(k).op(']');
        }
        if (skip != "len") e.key("len").i(0);
        return e.op('u').done();
    };
    EXPECT_EQ(load_error<SpheresSoA>(keyed("", "")), "loaded");
    EXPECT_EQ(load_error<SpheresSoA>(keyed("len", "")), "decoding error: missing field `len`");
    EXPECT_EQ(load_error<SpheresSoA>(keyed("y", "")), "decoding error: missing field `y`");
    EXPECT_EQ(load_error<SpheresSoA>(keyed("", "r")), "decoding error: duplicate field `r`");
}

TEST(SpheresStored, LenFromTwoToThe31IsEightBytesOfLong1) {
    const std::vector<float> none;
    auto tail_of = [&](std::size_t len) {
        return qp::encode_state(trelk::SpheresSoAView{none, none, none, none, len});
    };
    const Bytes below{'J', 0xff, 0xff, 0xff, 0x7f, 'u', '.'};
    const Bytes at{0x8a, 0x09, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 'u', '.'};
    const Bytes low = tail_of(2147483647u), high = tail_of(2147483648u);
    EXPECT_TRUE(std::equal(below.rbegin(), below.rend(), low.rbegin()));
    EXPECT_TRUE(std::equal(at.rbegin(), at.rend(), high.rbegin()));
}

}  // namespace
