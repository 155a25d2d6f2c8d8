// Stored layouts of the shapes: the exact bytes written, bit-exact round trips, reading records
// written by other pickle writers, and every message a bad record gives.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "checked_index.hpp"
#include "pickle/record.hpp"
#include "pickle_expect.hpp"
#include "storage.hpp"
#include "stored_form.hpp"
#include "support/fault.hpp"
#include "sweep.hpp"

namespace {

using namespace trelk;
namespace qp = quorix::pickle;
using pickle_expect::Bytes;

Bytes hex(std::string_view text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

Bytes record_of(const auto& value) {
    Bytes out;
    qp::append_value(out, value);
    return out;
}

template <class T>
std::string error_of(const Bytes& bytes) { return pickle_expect::decode_message<T>(bytes, "no error"); }

// Every stored float as its bit pattern and every flag, in visiting order: two values with equal
// lists are equal bit for bit.
struct Bits {
    std::vector<std::uint32_t> out;

    void record(std::string_view) {}
    template <class M>
    void field(std::string_view, M& m) { add(m); }
    template <class M, class Form>
    void field(std::string_view, M& m, Form) {
        if constexpr (requires { m.size(); }) {
            out.push_back(std::uint32_t(m.size()));
            for (auto& item : m) Form::visit_items(*this, item);
        } else {
            Form::visit_items(*this, m);
        }
    }
    void tuple(std::string_view) {}
    template <class M>
    void item(M& m) { add(m); }

    void add(float f) { out.push_back(std::bit_cast<std::uint32_t>(f)); }
    void add(bool b) { out.push_back(b ? 0xB001u : 0xB000u); }
    void add(Vec3& v) { visit_items(*this, v); }
    template <class T, std::size_t N>
    void add(std::array<T, N>& a) {
        for (T& x : a) add(x);
    }
    template <class T>
    void add(std::vector<T>& list) {
        out.push_back(std::uint32_t(list.size()));
        for (T& x : list) add(x);
    }
    template <class T>
        requires requires(Bits& b, T& t) { visit_fields(b, t); }
    void add(T& record) {
        visit_fields(*this, record);
    }
};

template <class T>
std::vector<std::uint32_t> bits_of(T value) {
    Bits b;
    visit_fields(b, value);
    return b.out;
}

enum class Kind { Sphere, Capsule, Cylinder, Cuboid, Line, Ray, LineSegment, Plane, ConvexPolygon, ConvexPolytope };

// Calls f with a default value of the kind's type.
template <class F>
decltype(auto) with_kind(Kind k, F&& f) {
    switch (k) {
        case Kind::Sphere: return f(Sphere{});
        case Kind::Capsule: return f(Capsule{});
        case Kind::Cylinder: return f(Cylinder{});
        case Kind::Cuboid: return f(Cuboid{});
        case Kind::Line: return f(Line{});
        case Kind::Ray: return f(Ray{});
        case Kind::LineSegment: return f(LineSegment{});
        case Kind::Plane: return f(Plane{});
        case Kind::ConvexPolygon: return f(ConvexPolygon{});
        case Kind::ConvexPolytope: break;
    }
    return f(ConvexPolytope{});
}

const std::array<Vec3, 3> kIdentity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

TEST(ShapeStorage, WorkedExampleSphere) {
    const Bytes expected = hex(
        "8003"                                                    // PROTO 3
        "7d28"                                                    // EMPTY_DICT, MARK
        "580600000063656e746572"                                  // key center
        "28470000000000000000470000000000000000470000000000000000"  // MARK, x, y, z
        "74"                                                      // TUPLE
        "5806000000726164697573"                                  // key radius
        "473ff0000000000000"                                      // 1.0
        "752e");                                                  // SETITEMS, STOP
    EXPECT_EQ(expected.size(), 66u);
    EXPECT_EQ(qp::encode_state(Sphere{{0, 0, 0}, 1.0f}), expected);
}

struct BytesCase {
    const char* name;
    std::function<Bytes()> record;
    std::size_t size;
    const char* hex;
};

TEST(ShapeStorage, ExactRecordBytes) {
    ConvexPolygon polygon{{0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {{0, 0}, {1, 0}}, {{0, 0, 1}, {1, 0, 1}},
                          {{0, -1}, {0, 1}}, {0, 0.5f}, 1};
    const BytesCase cases[] = {
        {"sphere", [] { return record_of(Sphere{{1, -2, 0.5f}, 0.1f}); }, 63,
         "7d28580600000063656e74657228473ff000000000000047c000000000000000473fe000000000000074580600000072"
         "6164697573473fb99999a000000075"},
        {"capsule", [] { return record_of(Capsule::make({0, 0, 0}, {0, 0, 2}, 0.5f)); }, 128,
         "7d2858020000007031284700000000000000004700000000000000004700000000000000007458030000006469722847"
         "0000000000000000470000000000000000474000000000000000745806000000726164697573473fe000000000000058"
         "03000000726476473fd000000000000058090000007a5f616c69676e65648875"},
        {"cylinder", [] { return record_of(Cylinder::make({1, 2, 3}, {1, 0, 0}, 0.25f)); }, 128,
         "7d285802000000703128473ff00000000000004740000000000000004740080000000000007458030000006469722847"
         "3ff0000000000000470000000000000000470000000000000000745806000000726164697573473fd000000000000058"
         "03000000726476473ff000000000000058090000007a5f616c69676e65648975"},
        {"cuboid", [] { return record_of(Cuboid::make({1, 2, 3}, kIdentity, {0.5f, 1, 1.5f})); }, 205,
         "7d28580600000063656e74657228473ff000000000000047400000000000000047400800000000000074580400000061"
         "7865732828473ff00000000000004700000000000000004700000000000000007428470000000000000000473ff00000"
         "000000004700000000000000007428470000000000000000470000000000000000473ff00000000000007474580c0000"
         "0068616c665f657874656e747328473fe0000000000000473ff0000000000000473ff800000000000074580c00000061"
         "7869735f616c69676e65648875"},
        {"line", [] { return record_of(Line::make({0, 0, 0}, {2, 0, 0})); }, 97,
         "7d2858060000006f726967696e2847000000000000000047000000000000000047000000000000000074580300000064"
         "697228474000000000000000470000000000000000470000000000000000745803000000726476473fd0000000000000"
         "75"},
        // No tag names the kind: a ray writes what a line with the same fields writes.
        {"ray", [] { return record_of(Ray::make({0, 0, 0}, {2, 0, 0})); }, 97,
         "7d2858060000006f726967696e2847000000000000000047000000000000000047000000000000000074580300000064"
         "697228474000000000000000470000000000000000470000000000000000745803000000726476473fd0000000000000"
         "75"},
        {"segment", [] { return record_of(LineSegment::between({1, 1, 1}, {2, 1, 1})); }, 93,
         "7d285802000000703128473ff0000000000000473ff0000000000000473ff00000000000007458030000006469722847"
         "3ff0000000000000470000000000000000470000000000000000745803000000726476473ff000000000000075"},
        {"plane", [] { return record_of(Plane{{0, 0, 1}, -0.0f}); }, 58,
         "7d2858060000006e6f726d616c28470000000000000000470000000000000000473ff000000000000074580100000064"
         "47800000000000000075"},
        {"polygon", [&] { return record_of(polygon); }, 276 + 78 * 2,
         "7d28580600000063656e74657228470000000000000000470000000000000000473ff00000000000007458060000006e"
         "6f726d616c28470000000000000000470000000000000000473ff0000000000000745806000000755f6178697328473f"
         "f0000000000000470000000000000000470000000000000000745806000000765f617869732847000000000000000047"
         "3ff000000000000047000000000000000074580b00000076657274696365735f32645d28284700000000000000004700"
         "000000000000007428473ff00000000000004700000000000000007465580b00000076657274696365735f33645d2828"
         "470000000000000000470000000000000000473ff00000000000007428473ff000000000000047000000000000000047"
         "3ff00000000000007465580f000000656467655f6e6f726d616c735f32645d282847000000000000000047bff0000000"
         "0000007428470000000000000000473ff00000000000007465580f000000656467655f6f6666736574735f32645d2847"
         "0000000000000000473fe000000000000065580f000000626f756e64696e675f726164697573473ff000000000000075"},
        {"polygon_empty", [] { return record_of(ConvexPolygon{}); }, 268,
         "7d28580600000063656e746572284700000000000000004700000000000000004700000000000000007458060000006e"
         "6f726d616c28470000000000000000470000000000000000470000000000000000745806000000755f61786973284700"
         "00000000000000470000000000000000470000000000000000745806000000765f617869732847000000000000000047"
         "000000000000000047000000000000000074580b00000076657274696365735f32645d580b0000007665727469636573"
         "5f33645d580f000000656467655f6e6f726d616c735f32645d580f000000656467655f6f6666736574735f32645d580f"
         "000000626f756e64696e675f72616469757347000000000000000075"},
        {"polytope", [] { return record_of(ConvexPolytope::make({{{1, 0, 0}, 2}}, {{1, 2, 3}})); }, 315,
         "7d285806000000706c616e65735d282828473ff000000000000047000000000000000047000000000000000074474000"
         "0000000000007465580800000076657274696365735d2828473ff0000000000000474000000000000000474008000000"
         "000000746558030000006f62627d28580600000063656e74657228473ff0000000000000474000000000000000474008"
         "000000000000745804000000617865732828473ff0000000000000470000000000000000470000000000000000742847"
         "0000000000000000473ff00000000000004700000000000000007428470000000000000000470000000000000000473f"
         "f00000000000007474580c00000068616c665f657874656e747328470000000000000000470000000000000000470000"
         "00000000000074580c000000617869735f616c69676e6564887575"},
        {"polytope_empty", [] { return record_of(ConvexPolytope::make({}, {})); }, 242,
         "7d285806000000706c616e65735d580800000076657274696365735d58030000006f62627d28580600000063656e7465"
         "7228470000000000000000470000000000000000470000000000000000745804000000617865732828473ff000000000"
         "00004700000000000000004700000000000000007428470000000000000000473ff00000000000004700000000000000"
         "007428470000000000000000470000000000000000473ff00000000000007474580c00000068616c665f657874656e74"
         "732847000000000000000047000000000000000047000000000000000074580c000000617869735f616c69676e656488"
         "7575"},
    };
    for (const BytesCase& c : cases) {
        const Bytes got = c.record();
        EXPECT_EQ(got, hex(c.hex)) << c.name;
        EXPECT_EQ(got.size(), c.size) << c.name;
    }
}

TEST(ShapeStorage, StandaloneStateIsFramed) {
    const Bytes state = qp::encode_state(Plane{{0, 0, 1}, -0.0f});
    const Bytes rec = record_of(Plane{{0, 0, 1}, -0.0f});
    ASSERT_EQ(state.size(), rec.size() + 3);
    EXPECT_EQ(state[0], 0x80);
    EXPECT_EQ(state[1], 0x03);
    EXPECT_EQ(state.back(), 0x2E);
    EXPECT_TRUE(std::equal(rec.begin(), rec.end(), state.begin() + 2));
}

// Offsets of the list openings after a key in a record.
std::size_t after_key(const Bytes& rec, std::string_view key) {
    const std::string needle = std::string(1, 'X') + char(key.size()) + std::string(3, '\0') + std::string(key);
    auto it = std::search(rec.begin(), rec.end(), needle.begin(), needle.end());
    return std::size_t(it - rec.begin()) + needle.size();
}

TEST(ShapeStorage, ListsBreakEveryThousandItems) {
    for (std::size_t n : {999u, 1000u, 1001u, 2000u, 2500u}) {
        std::vector<Vec2f> square;
        for (std::size_t i = 0; i < n; ++i) square.push_back({float(i), float(i * i % 7)});
        ConvexPolygon p = ConvexPolygon::with_axes({0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, square);
        const Bytes rec = record_of(p);
        EXPECT_EQ(rec.size(), 276 + 78 * n + 8 * (n / 1000)) << n;
        // vertices_2d: 20 bytes per item, MARK APPENDS pairs after each thousand.
        std::size_t at = after_key(rec, "vertices_2d");
        ASSERT_EQ(rec[at], ']');
        ASSERT_EQ(rec[at + 1], '(');
        at += 2;
        for (std::size_t done = 0; done < n;) {
            const std::size_t batch = std::min<std::size_t>(1000, n - done);
            at += 20 * batch;
            done += batch;
            ASSERT_EQ(rec[at], 'e') << n << " after " << done;
            if (batch == 1000) {
                ASSERT_EQ(rec[++at], '(');
                if (done == n) {
                    ASSERT_EQ(rec[++at], 'e');  // an empty last group
                }
            }
            ++at;
        }
        EXPECT_EQ(rec[at], 'X') << n;  // the next key follows
        EXPECT_EQ(bits_of(qp::decode_state<ConvexPolygon>(qp::encode_state(p))), bits_of(p)) << n;
    }
    for (std::size_t n : {1u, 1000u, 1001u}) {
        std::vector<Plane> planes(n, Plane{{0, 0, 1}, 1});
        std::vector<Vec3> vertices(n + 3, Vec3{1, 2, 3});
        const std::size_t size = record_of(ConvexPolytope{planes, vertices, {}}).size();
        EXPECT_EQ(size, 242 + 2 + 40 * n + 2 + 29 * (n + 3) + 2 * (n / 1000 + (n + 3) / 1000)) << n;
    }
}

template <class T>
void expect_round_trip(const T& value, const char* name) {
    const Bytes state = qp::encode_state(value);
    T back{};
    qp::decode_state(state, back);
    EXPECT_EQ(bits_of(back), bits_of(value)) << name;
    EXPECT_EQ(qp::encode_state(back), state) << name;
}

TEST(ShapeStorage, RoundTripsBitForBit) {
    const float qnan_neg = -std::numeric_limits<float>::quiet_NaN();
    const float qnan_payload = std::bit_cast<float>(0x7FC12345u);
    const float inf = std::numeric_limits<float>::infinity();
    const float tiny = std::numeric_limits<float>::denorm_min();
    const Vec3 odd{qnan_neg, -0.0f, inf};
    const Vec3 odd2{tiny, FLT_MAX, -FLT_MIN};

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-100, 100);
    auto rv = [&] { return Vec3{u(rng), u(rng), u(rng)}; };
    std::vector<Vec2f> v2;
    std::vector<Vec3> v3;
    for (int i = 0; i < 1234; ++i) v2.push_back({u(rng), u(rng)}), v3.push_back(rv());
    std::vector<Plane> planes;
    for (int i = 0; i < 1001; ++i) planes.push_back({rv(), u(rng)});

    expect_round_trip(Sphere{odd, tiny}, "sphere");
    expect_round_trip(Capsule{odd, odd2, qnan_payload, -inf, false}, "capsule");
    expect_round_trip(Cylinder{odd2, odd, 0.1f, 7.0f, true}, "cylinder");
    expect_round_trip(Cuboid{odd, {odd2, rv(), odd}, odd2, true}, "cuboid");
    expect_round_trip(Line{odd, odd2, qnan_neg}, "line");
    expect_round_trip(Ray{odd2, odd, -0.0f}, "ray");
    expect_round_trip(LineSegment{rv(), odd, tiny}, "segment");
    expect_round_trip(Plane{odd, -inf}, "plane");
    expect_round_trip(ConvexPolygon{odd, odd2, rv(), rv(), v2, v3, {v2.begin(), v2.begin() + 3}, {1, qnan_neg}, inf},
                      "polygon");
    expect_round_trip(ConvexPolytope{planes, v3, Cuboid{odd, {rv(), rv(), rv()}, odd2, false}}, "polytope");
    expect_round_trip(ConvexPolytope::make({}, {}), "polytope_empty");
}

struct ErrorCase {
    Kind kind;
    std::string hex;
    std::string message;
};

// Records written by Python's own pickle module (memo opcodes, short tuple opcodes), and by hand
// where Python cannot write them (a repeated key).
const ErrorCase kErrors[] = {
    {Kind::Sphere, "80037d71002e", "missing field `center`"},
    {Kind::Sphere, "80037d7100580600000063656e74657271014b004b004b00877102732e", "missing field `radius`"},
    {Kind::Sphere, "80037d710028580600000043656e74657271014b004b004b00877102580600000072616469757371034b01752e",
     "missing field `center`"},
    {Kind::Sphere, "80034b052e", "invalid type: integer `5`, expected struct Sphere"},
    {Kind::Sphere, "80034e2e", "invalid type: unit value, expected struct Sphere"},
    {Kind::Sphere, "80034740040000000000002e", "invalid type: floating point `2.5`, expected struct Sphere"},
    {Kind::Sphere, "80037d71004b004b01732e", "invalid type: integer `0`, expected field identifier"},
    {Kind::Sphere, "80037d71004b014b028671014b01732e", "invalid type: sequence, expected field identifier"},
    {Kind::Sphere, "80037d7100580600000063656e74657271014b014b02867102732e",
     "invalid length 2, expected a sequence of 3 f32 values"},
    {Kind::Sphere, "80037d7100580600000063656e74657271017d7102732e",
     "invalid type: map, expected a sequence of 3 f32 values"},
    {Kind::Sphere, "80037d71005806000000726164697573710188732e", "invalid type: boolean `true`, expected f32"},
    {Kind::Sphere, "80037d7100580600000072616469757371015801000000617102732e",
     "invalid type: string \"a\", expected f32"},
    {Kind::Sphere, "80037d710058060000007261646975737101430261627102732e", "invalid type: byte array, expected f32"},
    {Kind::Sphere, "80037d7100580600000072616469757371014e732e", "invalid type: unit value, expected f32"},
    {Kind::Sphere, "80035d71004b004b004b00877101612e", "invalid length 1, expected struct Sphere with 2 elements"},
    {Kind::Sphere, "80037d285806000000726164697573473ff000000000000058060000007261646975735803000000626164752e",
     "duplicate field `radius`"},
    {Kind::Sphere, "80037d710028580600000063656e74657271014b004b004b00877102430663656e74657271034b00752e",
     "duplicate field `center`"},
    {Kind::Capsule, "80037d7100285802000000703171014b004b004b00877102580300000064697271036802580600000072616469757371"
                    "044b01580300000072647671054b00752e",
     "missing field `z_aligned`"},
    {Kind::Capsule, "80037d710028580300000064697271014b004b004b00877102580600000072616469757371034b0158090000007a5f61"
                    "6c69676e6564710488752e",
     "missing field `p1`"},
    {Kind::Capsule, "80037d71002858090000007a5f616c69676e656471014b015802000000703171025801000000787103752e",
     "invalid type: integer `1`, expected a boolean"},
    {Kind::Capsule, "80037d710058090000007a5f616c69676e65647101473ff0000000000000732e",
     "invalid type: floating point `1.0`, expected a boolean"},
    {Kind::Capsule, "80035d7100284b004b004b008771014b004b004b018771024b014b01652e",
     "invalid length 4, expected struct Capsule with 5 elements"},
    {Kind::Cuboid, "80037d7100580c00000068616c665f657874656e747371014b014b02867102732e",
     "invalid length 2, expected an array of length 3"},
    {Kind::Cuboid, "80037d7100580c00000068616c665f657874656e747371015801000000787102732e",
     "invalid type: string \"x\", expected an array of length 3"},
    {Kind::Cuboid, "80037d710058040000006178657371014b014b004b008771024b004b014b00877103867104732e",
     "invalid length 2, expected an array of length 3"},
    {Kind::Cuboid, "80037d710058040000006178657371014b014b024b03877102732e",
     "invalid type: integer `1`, expected a sequence of 3 f32 values"},
    {Kind::Cuboid, "80037d710058040000006178657371014b07732e",
     "invalid type: integer `7`, expected an array of length 3"},
    {Kind::Cuboid, "80037d7100580c000000617869735f616c69676e656471014b00732e",
     "invalid type: integer `0`, expected a boolean"},
    {Kind::Cuboid, "80035d71004b01612e", "invalid type: integer `1`, expected a sequence of 3 f32 values"},
    {Kind::Plane, "80037d710058060000006e6f726d616c71014b004b004b01877102732e", "missing field `d`"},
    {Kind::ConvexPolygon, "80037d7100580b00000076657274696365735f326471014b05732e",
     "invalid type: integer `5`, expected a sequence"},
    {Kind::ConvexPolygon, "80037d7100580b00000076657274696365735f326471015d71024b0185710361732e",
     "invalid length 1, expected an array of length 2"},
    {Kind::ConvexPolygon, "80037d7100580f000000656467655f6e6f726d616c735f326471015d7102284b014b0086710358010000007871"
                          "0465732e",
     "invalid type: string \"x\", expected an array of length 2"},
    {Kind::ConvexPolygon, "80037d7100580f000000656467655f6f6666736574735f326471015d7102284b008865732e",
     "invalid type: boolean `true`, expected f32"},
    {Kind::ConvexPolygon, "80037d7100580b00000076657274696365735f336471015d71024b014b0286710361732e",
     "invalid length 2, expected a sequence of 3 f32 values"},
    {Kind::ConvexPolygon, "80035d7100284b004b004b008771016801680168015d710268026802652e",
     "invalid length 7, expected struct ConvexPolygon with 9 elements"},
    {Kind::ConvexPolytope, "80037d71005806000000706c616e657371015d71024b014b004b0087710385710461732e",
     "invalid length 1, expected a tuple of size 2"},
    {Kind::ConvexPolytope, "80037d71005806000000706c616e657371015d710247400800000000000061732e",
     "invalid type: floating point `3.0`, expected a tuple of size 2"},
    {Kind::ConvexPolytope, "80037d71005806000000706c616e657371015d71024b014b008671034b0286710461732e",
     "invalid length 2, expected a sequence of 3 f32 values"},
    {Kind::ConvexPolytope, "80037d71005806000000706c616e657371015d71024b014b004b00877103580100000064710486710561732e",
     "invalid type: string \"d\", expected f32"},
    {Kind::ConvexPolytope, "80037d71005806000000706c616e657371017d7102732e", "invalid type: map, expected a sequence"},
    {Kind::ConvexPolytope, "80037d710058030000006f626271015d7102732e",
     "invalid length 0, expected struct Cuboid with 4 elements"},
    {Kind::ConvexPolytope, "80037d710058030000006f626271017d7102732e", "missing field `center`"},
    {Kind::ConvexPolytope, "80037d710058030000006f626271015801000000787102732e",
     "invalid type: string \"x\", expected struct Cuboid"},
    {Kind::ConvexPolytope, "80037d7100285806000000706c616e657371015d71025808000000766572746963657371035d7104752e",
     "missing field `obb`"},
};

std::string error_for(Kind kind, const Bytes& bytes) {
    return with_kind(kind, [&](auto proto) { return error_of<decltype(proto)>(bytes); });
}

TEST(ShapeStorage, ReadingMessages) {
    for (const ErrorCase& c : kErrors) {
        EXPECT_EQ(error_for(c.kind, hex(c.hex)), "decoding error: " + c.message) << c.hex;
    }
}

TEST(ShapeStorage, RecordNamesInMessages) {
    struct Name {
        Kind kind;
        std::string name;
        int fields;
    };
    const Name names[] = {
        {Kind::Sphere, "Sphere", 2},
        {Kind::Capsule, "Capsule", 5},
        {Kind::Cylinder, "Cylinder", 5},
        {Kind::Cuboid, "Cuboid", 4},
        {Kind::Line, "Line", 3},
        {Kind::Ray, "Ray", 3},
        {Kind::LineSegment, "LineSegment", 3},
        {Kind::Plane, "Plane", 2},
        {Kind::ConvexPolygon, "ConvexPolygon", 9},
        {Kind::ConvexPolytope, "ConvexPolytope", 3},
    };
    const Bytes text_x = hex("800358010000007871002e");  // "x"
    const Bytes empty_list = hex("80035d71002e");        // []
    for (const Name& n : names) {
        EXPECT_EQ(error_for(n.kind, text_x), "decoding error: invalid type: string \"x\", expected struct " + n.name);
        EXPECT_EQ(error_for(n.kind, empty_list),
                  "decoding error: invalid length 0, expected struct " + n.name + " with " + std::to_string(n.fields) +
                      " elements");
    }
}

const std::string k_capsule_dict =
    "80037d710028580200000070317101470000000000000000470000000000000000473ff00000000000008771"
    "0258030000006469727103470000000000000000470000000000000000474000000000000000877104580600"
    "00007261646975737105473fe000000000000058030000007264767106473fd000000000000058090000007a"
    "5f616c69676e6564710788752e";
const std::string k_capsule_tuple =
    "800328470000000000000000470000000000000000473ff00000000000008771004700000000000000004700"
    "00000000000000474000000000000000877101473fe0000000000000473fd0000000000000887471022e";
const std::string k_capsule_list6 =
    "80035d710028470000000000000000470000000000000000473ff00000000000008771014700000000000000"
    "00470000000000000000474000000000000000877102473fe0000000000000473fd0000000000000887d7103"
    "5808000000616e797468696e6771044e73652e";
const std::string k_capsule_stale_rdv =
    "80037d710028580200000070317101470000000000000000470000000000000000473ff00000000000008771"
    "0258030000006469727103470000000000000000470000000000000000474000000000000000877104580600"
    "00007261646975737105473fe00000000000005803000000726476710647401c00000000000058090000007a"
    "5f616c69676e6564710788752e";
const std::string k_sphere_extra_keys =
    "80037d7100285802000000703271015d7102284b0158010000007871034e8a0d00000040eaed7446d09c2c9f"
    "0c65580600000063656e7465727104473ff00000000000004740000000000000004740080000000000008771"
    "055803000000646972710658040000006a756e6b7107580600000072616469757371084b01752e";
const std::string k_sphere_bytes_key_long_list =
    "80037d710028430663656e74657271015d7102284b014b024b034b046558060000007261646975737103473f"
    "b999999999999a752e";
const std::string k_sphere_set =
    "80037d710028580600000063656e7465727101636275696c74696e730a7365740a71025d710328473ff00000"
    "000000004740000000000000004740080000000000006585710452710558060000007261646975737106473f"
    "f0000000000000752e";
const std::string k_sphere_frozenset =
    "80037d710028580600000063656e7465727101636275696c74696e730a66726f7a656e7365740a71025d7103"
    "28473ff000000000000047400000000000000047400800000000000065857104527105580600000072616469"
    "757371064a01000001752e";
const std::string k_sphere_rounding =
    "80037d710028580600000063656e7465727101477e37e43c8800759c47fe37e43c8800759c47fff800000000"
    "000187710258060000007261646975737103478000000000000000752e";
const std::string k_sphere_dup_unknown =
    "80037d28580100000078473ff0000000000000580600000063656e7465722847000000000000000047000000"
    "0000000000470000000000000000745801000000784740000000000000005806000000726164697573473ff0"
    "000000000000752e";
const std::string k_polygon_mismatched =
    "80037d710028580600000063656e746572710147000000000000000047000000000000000047000000000000"
    "000087710258060000006e6f726d616c7103470000000000000000470000000000000000473ff00000000000"
    "008771045806000000755f617869737105473ff0000000000000470000000000000000470000000000000000"
    "8771065806000000765f617869737107470000000000000000473ff000000000000047000000000000000087"
    "7108580b00000076657274696365735f326471095d710a284700000000000000004700000000000000008671"
    "0b473ff000000000000047000000000000000086710c473ff0000000000000473ff000000000000086710d47"
    "0000000000000000473ff000000000000086710e65580b00000076657274696365735f3364710f5d71102868"
    "02680265580f000000656467655f6e6f726d616c735f326471115d71122847000000000000000047bff00000"
    "00000000867113680c680e65580f000000656467655f6f6666736574735f326471145d711547000000000000"
    "000061580f000000626f756e64696e675f7261646975737116474022000000000000752e";
const std::string k_polytope_positional =
    "80035d7100285d710128470000000000000000470000000000000000473ff000000000000087710247400000"
    "00000000008671035d7104285d7105284b014b004b00654b0365655d71064740140000000000004740140000"
    "00000000474014000000000000877107615d7108284700000000000000004700000000000000004700000000"
    "00000000877109473ff000000000000047000000000000000047000000000000000087710a47000000000000"
    "0000473ff000000000000047000000000000000087710b470000000000000000470000000000000000473ff0"
    "00000000000087710c87710d5d710e28473fe0000000000000473fe0000000000000473fe000000000000065"
    "8965652e";

TEST(ShapeStorage, ReadsAnyFormOfTheRecord) {
    const Capsule from_dict = qp::decode_state<Capsule>(hex(k_capsule_dict));
    EXPECT_EQ(from_dict.p1, (Vec3{0, 0, 1}));
    EXPECT_EQ(from_dict.dir, (Vec3{0, 0, 2}));
    EXPECT_EQ(from_dict.radius, 0.5f);
    EXPECT_EQ(from_dict.rdv, 0.25f);
    EXPECT_TRUE(from_dict.z_aligned);
    for (const std::string* h : {&k_capsule_tuple, &k_capsule_list6}) {
        EXPECT_EQ(bits_of(qp::decode_state<Capsule>(hex(*h))), bits_of(from_dict));
        EXPECT_EQ(bits_of(qp::decode_state<Cylinder>(hex(*h))),
                  bits_of(Cylinder{{0, 0, 1}, {0, 0, 2}, 0.5f, 0.25f, true}));
    }

    // Unknown keys are skipped whatever they hold; integers read as floats.
    const Sphere extra = qp::decode_state<Sphere>(hex(k_sphere_extra_keys));
    EXPECT_EQ(extra.center, (Vec3{1, 2, 3}));
    EXPECT_EQ(extra.radius, 1.0f);
    const Sphere dup_unknown = qp::decode_state<Sphere>(hex(k_sphere_dup_unknown));
    EXPECT_EQ(dup_unknown.radius, 1.0f);

    // A byte-string key names its field; a longer sequence gives its first three items; a double
    // rounds to the nearest f32.
    const Sphere bytes_key = qp::decode_state<Sphere>(hex(k_sphere_bytes_key_long_list));
    EXPECT_EQ(bytes_key.center, (Vec3{1, 2, 3}));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(bytes_key.radius), std::bit_cast<std::uint32_t>(0.1f));

    EXPECT_EQ(qp::decode_state<Sphere>(hex(k_sphere_set)).center, (Vec3{1, 2, 3}));
    const Sphere frozen = qp::decode_state<Sphere>(hex(k_sphere_frozenset));
    EXPECT_EQ(frozen.center, (Vec3{1, 2, 3}));
    EXPECT_EQ(frozen.radius, 16777216.0f);  // 2^24 + 1 rounds to even

    const Sphere rounded = qp::decode_state<Sphere>(hex(k_sphere_rounding));
    EXPECT_EQ(rounded.center.x, std::numeric_limits<float>::infinity());
    EXPECT_EQ(rounded.center.y, -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(rounded.center.z));
    EXPECT_TRUE(std::signbit(rounded.center.z));
    EXPECT_TRUE(std::signbit(rounded.radius));
}

TEST(ShapeStorage, DerivedFieldsLoadAsStored) {
    EXPECT_EQ(qp::decode_state<Capsule>(hex(k_capsule_stale_rdv)).rdv, 7.0f);

    const ConvexPolygon g = qp::decode_state<ConvexPolygon>(hex(k_polygon_mismatched));
    EXPECT_EQ(g.vertices_2d.size(), 4u);
    EXPECT_EQ(g.vertices_3d.size(), 2u);
    EXPECT_EQ(g.edge_normals_2d.size(), 3u);
    EXPECT_EQ(g.edge_offsets_2d.size(), 1u);
    EXPECT_EQ(g.bounding_radius, 9.0f);

    const ConvexPolytope h = qp::decode_state<ConvexPolytope>(hex(k_polytope_positional));
    ASSERT_EQ(h.planes.size(), 2u);
    EXPECT_EQ(h.planes[0].normal, (Vec3{0, 0, 1}));
    EXPECT_EQ(h.planes[0].d, 2.0f);
    EXPECT_EQ(h.planes[1].normal, (Vec3{1, 0, 0}));
    EXPECT_EQ(h.planes[1].d, 3.0f);
    ASSERT_EQ(h.vertices.size(), 1u);
    EXPECT_EQ(h.obb.center, (Vec3{0, 0, 0}));  // far from the vertex; kept as stored
    EXPECT_EQ(h.obb.half_extents, (Vec3{0.5f, 0.5f, 0.5f}));
    EXPECT_FALSE(h.obb.axis_aligned);

    // A line record read as a ray, and the reverse, keeps the three fields.
    const Line line = Line::make({1, 2, 3}, {0, 0, 3});
    const Ray ray = qp::decode_state<Ray>(qp::encode_state(line));
    EXPECT_EQ(ray.origin, line.origin);
    EXPECT_EQ(ray.dir, line.dir);
    EXPECT_EQ(ray.rdv, line.rdv);
    EXPECT_EQ(bits_of(qp::decode_state<Line>(qp::encode_state(ray))), bits_of(line));
}

TEST(ShapeStorage, MismatchedPolygonListsNeverReadOutside) {
    const ConvexPolygon g = qp::decode_state<ConvexPolygon>(hex(k_polygon_mismatched));
    // Walking one list by another's positions stops with the index fault.
    struct IndexCase {
        std::size_t index;
        const char* message;
    };
    for (const IndexCase& c : {IndexCase{3, "index out of bounds: the len is 3 but the index is 3"},
                               IndexCase{7, "index out of bounds: the len is 3 but the index is 7"}}) {
        try {
            (void)checked_at(g.edge_normals_2d, c.index);
            ADD_FAILURE() << c.index;
        } catch (const quorix::Fault& f) {
            EXPECT_STREQ(f.what(), c.message);
        }
    }
    EXPECT_EQ(checked_at(g.edge_normals_2d, 2), (Vec2f{0, 1}));

    // Sweeps and bounds each walk one list by its own length.
    const ConvexPolytope prism = std::get<ConvexPolytope>(stretch(g, {0, 0, 1})[0]);
    EXPECT_EQ(prism.vertices.size(), 2 * g.vertices_3d.size());
    const ConvexPolygon wide = std::get<ConvexPolygon>(stretch(g, {1, 0, 0})[0]);
    EXPECT_EQ(wide.vertices_2d.size(), 4u);
    EXPECT_EQ(wide.edge_normals_2d.size(), 4u);
    EXPECT_EQ(wide.vertices_3d.size(), 4u);
    EXPECT_EQ(aabb(g).center, (Vec3{0, 0, 0}));
    EXPECT_EQ(broadphase(g).radius, 9.0f);
}

TEST(ShapeStorage, PolygonListCheckNamesEveryLength) {
    const ConvexPolygon g = qp::decode_state<ConvexPolygon>(hex(k_polygon_mismatched));
    try {
        check_stored_lists(g);
        ADD_FAILURE() << "mismatched lists accepted";
    } catch (const StoredFormError& e) {
        EXPECT_STREQ(e.what(),
                     "polygon lists differ in length: vertices_2d 4, vertices_3d 2, edge_normals_2d 3, edge_offsets_2d 1");
    }
    ConvexPolygon one_short = ConvexPolygon::make({}, {0, 0, 1}, {{0, 0}, {1, 0}, {0, 1}});
    EXPECT_NO_THROW(check_stored_lists(one_short));
    EXPECT_NO_THROW(check_stored_lists(ConvexPolygon{}));
    one_short.edge_offsets_2d.pop_back();
    EXPECT_THROW(check_stored_lists(one_short), StoredFormError);
}

}  // namespace
