// Stored records through the field visitor: exact bytes written, and reading from dicts and
// sequences with every message a bad record gives.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "hand_streams.hpp"
#include "pickle/record.hpp"

namespace qp = quorix::pickle;
using hand_streams::Bytes;
using hand_streams::stream;

// Types shaped like the collision library's stored values.
namespace shapes {

struct Vec3 {
    float x = 0, y = 0, z = 0;
    bool operator==(const Vec3&) const = default;
};
template <class V>
void visit_items(V& v, Vec3& p) {
    v.tuple("a sequence of 3 f32 values");
    v.item(p.x);
    v.item(p.y);
    v.item(p.z);
}

struct HalfSpace {
    Vec3 normal;
    float d = 0;
};
template <class V>
void visit_items(V& v, HalfSpace& h) {
    v.tuple("a tuple of size 2");
    v.item(h.normal);
    v.item(h.d);
}

struct Sphere {
    Vec3 center;
    float radius = 0;
};
template <class V>
void visit_fields(V& v, Sphere& s) {
    v.record("Sphere");
    v.field("center", s.center);
    v.field("radius", s.radius);
}

struct Capsule {
    Vec3 p1, dir;
    float radius = 0, rdv = 0;
    bool z_aligned = false;
};
template <class V>
void visit_fields(V& v, Capsule& c) {
    v.record("Capsule");
    v.field("p1", c.p1);
    v.field("dir", c.dir);
    v.field("radius", c.radius);
    v.field("rdv", c.rdv);
    v.field("z_aligned", c.z_aligned);
}

struct Cuboid {
    Vec3 center;
    std::array<Vec3, 3> axes{};
    std::array<float, 3> half_extents{};
    bool axis_aligned = false;
};
template <class V>
void visit_fields(V& v, Cuboid& c) {
    v.record("Cuboid");
    v.field("center", c.center);
    v.field("axes", c.axes);
    v.field("half_extents", c.half_extents);
    v.field("axis_aligned", c.axis_aligned);
}

struct ConvexPolytope {
    std::vector<HalfSpace> planes;
    std::vector<Vec3> vertices;
    Cuboid obb;
};
template <class V>
void visit_fields(V& v, ConvexPolytope& p) {
    v.record("ConvexPolytope");
    v.field("planes", p.planes);
    v.field("vertices", p.vertices);
    v.field("obb", p.obb);
}

struct Cloud {
    float point_radius = 0;
    std::pair<float, float> r_range{};
    std::optional<std::array<float, 12>> inverse_transform;
    std::uint32_t lanes_log2 = 0;
};
template <class V>
void visit_fields(V& v, Cloud& c) {
    v.record("Cloud");
    v.field("point_radius", c.point_radius);
    v.field("r_range", c.r_range);
    v.field("inverse_transform", c.inverse_transform);
    v.field("lanes_log2", c.lanes_log2);
}

// A value kept in one buffer but stored as separate lists, checked when it is rebuilt.
struct Lanes {
    std::vector<float> data;  // x plane then y plane
    std::size_t len = 0;

    struct Stored {
        std::vector<float> x, y;
        std::size_t len = 0;
    };
    Stored stored_view() const {
        const std::size_t s = data.size() / 2;
        return {{data.begin(), data.begin() + static_cast<std::ptrdiff_t>(s)},
                {data.begin() + static_cast<std::ptrdiff_t>(s), data.end()}, len};
    }
    static Lanes from_stored(Stored&& s) {
        if (s.x.size() != s.y.size())
            throw std::invalid_argument("expected " + std::to_string(s.x.size()) + " y lanes, got " +
                                        std::to_string(s.y.size()));
        Lanes l;
        l.data = std::move(s.x);
        l.data.insert(l.data.end(), s.y.begin(), s.y.end());
        l.len = s.len;
        return l;
    }
};
template <class V>
void visit_fields(V& v, Lanes::Stored& s) {
    v.record("Helper");
    v.field("x", s.x);
    v.field("y", s.y);
    v.field("len", s.len);
}
}  // namespace shapes

namespace {

Bytes hex(std::string_view text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
        i += 2;
    }
    return out;
}

void vec3(qp::Writer& w, double x, double y, double z) {
    w.mark();
    w.float64(x);
    w.float64(y);
    w.float64(z);
    w.tuple();
}

template <class T>
std::string error_of(const Bytes& bytes) {
    try {
        qp::decode_state<T>(bytes);
    } catch (const qp::DecodeError& e) {
        return std::string(e.message());
    }
    return "no error";
}

template <class T>
std::size_t record_size(const T& value) {
    Bytes out;
    qp::append_value(out, value);
    return out.size();
}

const shapes::Capsule capsule{{1, 2, 3}, {0, 0, 2}, 0.5f, 0.25f, true};

void capsule_fields(qp::Writer& w, int count) {
    const std::function<void()> fields[] = {
        [&] { vec3(w, 1, 2, 3); }, [&] { vec3(w, 0, 0, 2); }, [&] { w.float64(0.5); }, [&] { w.float64(0.25); },
        [&] { w.boolean(true); },  [&] { w.none(); }};
    for (int i = 0; i < count; ++i) fields[i]();
}

}  // namespace

TEST(PickleRecord, SphereStateBytes) {
    const Bytes expected = hex(
        "80 03 7D 28 58 06 00 00 00 63 65 6E 74 65 72 28 47 00 00 00 00 00 00 00 00 47 00 00 00 00 00 00 00 00 "
        "47 00 00 00 00 00 00 00 00 74 58 06 00 00 00 72 61 64 69 75 73 47 3F F0 00 00 00 00 00 00 75 2E");
    EXPECT_EQ(qp::encode_state(shapes::Sphere{{0, 0, 0}, 1.0f}), expected);
    EXPECT_EQ(expected.size(), 66u);
}

TEST(PickleRecord, ValueForms) {
    struct Case {
        std::function<Bytes()> write;
        const char* hex_bytes;
    };
    auto bytes_of = [](const auto& v) {
        Bytes out;
        qp::append_value(out, v);
        return out;
    };
    const Case cases[] = {
        {[&] { return bytes_of(0.1f); }, "47 3F B9 99 99 A0 00 00 00"},
        {[&] { return bytes_of(2.0f); }, "47 40 00 00 00 00 00 00 00"},
        {[&] { return bytes_of(-0.0f); }, "47 80 00 00 00 00 00 00 00"},
        {[&] { return bytes_of(INFINITY); }, "47 7F F0 00 00 00 00 00 00"},
        {[&] { return bytes_of(true); }, "88"},
        {[&] { return bytes_of(false); }, "89"},
        {[&] { return bytes_of(std::uint32_t{7}); }, "4A 07 00 00 00"},
        {[&] { return bytes_of(std::uint32_t{0x7FFFFFFF}); }, "4A FF FF FF 7F"},
        {[&] { return bytes_of(std::uint32_t{0x80000000}); }, "8A 05 00 00 00 80 00"},
        {[&] { return bytes_of(std::size_t{0x80000000}); }, "8A 09 00 00 00 80 00 00 00 00 00"},
        {[&] { return bytes_of(std::int64_t{-5}); }, "4A FB FF FF FF"},
        {[&] { return bytes_of(std::int64_t{-0x80000001LL}); }, "8A 05 FF FF FF 7F FF"},
        {[&] { return bytes_of(std::vector<float>{}); }, "5D"},
        {[&] { return bytes_of(std::vector<float>{1}); }, "5D 28 47 3F F0 00 00 00 00 00 00 65"},
        {[&] { return bytes_of(std::array<float, 2>{1, 2}); },
         "28 47 3F F0 00 00 00 00 00 00 47 40 00 00 00 00 00 00 00 74"},
        {[&] { return bytes_of(std::optional<float>{}); }, "4E"},
        {[&] { return bytes_of(std::pair<float, float>{0, 1}); },
         "28 47 00 00 00 00 00 00 00 00 47 3F F0 00 00 00 00 00 00 74"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.write(), hex(c.hex_bytes)) << c.hex_bytes;
}

TEST(PickleRecord, RecordSizes) {
    EXPECT_EQ(record_size(shapes::Sphere{}), 63u);
    EXPECT_EQ(record_size(shapes::Capsule{}), 128u);
    EXPECT_EQ(record_size(shapes::Cuboid{}), 205u);
    shapes::ConvexPolytope p;
    EXPECT_EQ(record_size(p), 242u);
    p.planes.push_back({});
    p.vertices.push_back({});
    EXPECT_EQ(record_size(p), 315u);
    const Bytes capsule_bytes = qp::encode_state(capsule);
    const auto z = std::search(capsule_bytes.begin(), capsule_bytes.end(), "z_aligned", "z_aligned" + 9);
    EXPECT_EQ(*(z + 9), 0x88);
}

TEST(PickleRecord, ListsAreWrittenInBatchesOfAThousand) {
    for (std::size_t n : {999u, 1000u, 1001u, 2000u, 2500u}) {
        SCOPED_TRACE(n);
        Bytes out;
        qp::append_value(out, std::vector<std::uint8_t>(n, 1));
        // Each item is BININT (5 bytes); the markers sit after every thousandth item.
        std::size_t pos = 0;
        EXPECT_EQ(out[pos++], ']');
        EXPECT_EQ(out[pos++], '(');
        for (std::size_t i = 1; i <= n; ++i) {
            EXPECT_EQ(out[pos], 'J');
            pos += 5;
            if (i % 1000 == 0) {
                EXPECT_EQ(out[pos++], 'e');
                EXPECT_EQ(out[pos++], '(');
            }
        }
        EXPECT_EQ(out[pos++], 'e');
        EXPECT_EQ(pos, out.size());
        // and they read back
        std::vector<std::uint8_t> back;
        Bytes full = {0x80, 0x03};
        full.insert(full.end(), out.begin(), out.end());
        full.push_back('.');
        qp::decode_state(full, back);
        EXPECT_EQ(back, std::vector<std::uint8_t>(n, 1));
    }
}

TEST(PickleRecord, RoundTripKeepsEveryBit) {
    shapes::ConvexPolytope p;
    for (int i = 0; i < 1500; ++i) p.vertices.push_back({float(i), -0.0f, std::nextafter(1.0f, 2.0f)});
    p.planes = {{{0, 0, 1}, INFINITY}, {{1, 0, 0}, -std::nanf("")}};
    p.obb.axes = {shapes::Vec3{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    p.obb.half_extents = {0.1f, 0.2f, 0.3f};
    p.obb.axis_aligned = true;
    const auto back = qp::decode_state<shapes::ConvexPolytope>(qp::encode_state(p));
    EXPECT_EQ(back.vertices, p.vertices);
    EXPECT_EQ(std::signbit(back.vertices[0].y), true);
    EXPECT_EQ(back.planes[0].d, INFINITY);
    EXPECT_TRUE(std::isnan(back.planes[1].d) && std::signbit(back.planes[1].d));
    EXPECT_EQ(back.obb.half_extents, p.obb.half_extents);
    EXPECT_TRUE(back.obb.axis_aligned);

    shapes::Cloud c{0.5f, {0.25f, 2.0f}, std::array<float, 12>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 0x80000000u};
    const auto cb = qp::decode_state<shapes::Cloud>(qp::encode_state(c));
    EXPECT_EQ(cb.r_range, c.r_range);
    EXPECT_EQ(cb.inverse_transform, c.inverse_transform);
    EXPECT_EQ(cb.lanes_log2, c.lanes_log2);
}

TEST(PickleRecord, ReadsKeyedAndPositionalForms) {
    // The positional form, with extra trailing values ignored.
    for (int count : {5, 6}) {
        const auto c = qp::decode_state<shapes::Capsule>(stream([&](qp::Writer& w) {
            w.empty_list();
            w.mark();
            capsule_fields(w, count);
            w.appends();
        }));
        EXPECT_EQ(c.p1, capsule.p1);
        EXPECT_EQ(c.rdv, 0.25f);
        EXPECT_TRUE(c.z_aligned);
    }
    // Unknown keys are skipped whatever they hold; byte-string keys select fields; an integer
    // radius reads as a float; a double is rounded to the nearest f32.
    const auto s = qp::decode_state<shapes::Sphere>(stream([](qp::Writer& w) {
        w.empty_dict();
        w.mark();
        w.text("p2");
        w.buffer().insert(w.buffer().end(), {0x8a, 0x0a, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});  // beyond 64 bits
        w.buffer().insert(w.buffer().end(), {'C', 6, 'c', 'e', 'n', 't', 'e', 'r'});
        w.empty_list();
        w.mark();
        w.float64(0.1);
        w.signed_int(2);
        w.float64(1e300);
        w.float64(4);
        w.appends();
        w.text("radius");
        w.signed_int(1);
        w.setitems();
    }));
    EXPECT_EQ(s.center, (shapes::Vec3{0.1f, 2, INFINITY}));
    EXPECT_EQ(s.radius, 1.0f);
    // An optional field may be absent from a dict, but not from a sequence.
    const auto cloud = qp::decode_state<shapes::Cloud>(stream([](qp::Writer& w) {
        w.empty_dict();
        w.mark();
        w.text("lanes_log2");
        w.signed_int(3);
        w.text("r_range");
        w.mark();
        w.float64(1);
        w.float64(2);
        w.tuple();
        w.text("point_radius");
        w.float64(0.5);
        w.setitems();
    }));
    EXPECT_FALSE(cloud.inverse_transform.has_value());
    EXPECT_EQ(cloud.lanes_log2, 3u);
}

TEST(PickleRecord, StoredThroughAnotherForm) {
    const shapes::Lanes lanes{{1, 2, 3, 4}, 2};
    const Bytes bytes = qp::encode_state(lanes);
    const auto back = qp::decode_state<shapes::Lanes>(bytes);
    EXPECT_EQ(back.data, lanes.data);
    EXPECT_EQ(back.len, 2u);
    const Bytes uneven = stream([](qp::Writer& w) {
        w.empty_dict();
        w.mark();
        w.text("x");
        qp::write_value(w, std::vector<float>{1, 2});
        w.text("y");
        qp::write_value(w, std::vector<float>{1});
        w.text("len");
        w.unsigned_int(1, 8);
        w.setitems();
    });
    EXPECT_EQ(error_of<shapes::Lanes>(uneven), "decoding error: expected 2 y lanes, got 1");
}

struct RecordError {
    const char* what;
    std::function<void(qp::Writer&)> body;
    const char* message;
};

class PickleRecordErrors : public ::testing::TestWithParam<RecordError> {};

TEST_P(PickleRecordErrors, Message) {
    const auto& c = GetParam();
    const Bytes bytes = stream(c.body);
    const std::string what = c.what;
    std::string got;
    if (what.starts_with("sphere")) got = error_of<shapes::Sphere>(bytes);
    else if (what.starts_with("capsule")) got = error_of<shapes::Capsule>(bytes);
    else if (what.starts_with("cuboid")) got = error_of<shapes::Cuboid>(bytes);
    else if (what.starts_with("polytope")) got = error_of<shapes::ConvexPolytope>(bytes);
    else got = error_of<shapes::Cloud>(bytes);
    EXPECT_EQ(got, c.message);
}

void dict(qp::Writer& w, const std::function<void()>& entries) {
    w.empty_dict();
    w.mark();
    entries();
    w.setitems();
}

INSTANTIATE_TEST_SUITE_P(
    Table, PickleRecordErrors,
    ::testing::Values(
        RecordError{"capsule, four values",
                    [](qp::Writer& w) { w.mark(), capsule_fields(w, 4), w.tuple(); },
                    "decoding error: invalid length 4, expected struct Capsule with 5 elements"},
        RecordError{"capsule, empty list", [](qp::Writer& w) { w.empty_list(); },
                    "decoding error: invalid length 0, expected struct Capsule with 5 elements"},
        RecordError{"capsule, a float", [](qp::Writer& w) { w.float64(1); },
                    "decoding error: invalid type: floating point `1.0`, expected struct Capsule"},
        RecordError{"sphere, radius twice",
                    [](qp::Writer& w) {
                        dict(w, [&] { w.text("radius"), w.float64(1), w.text("radius"), w.text("unread"); });
                    },
                    "decoding error: duplicate field `radius`"},
        RecordError{"sphere, empty dict", [](qp::Writer& w) { dict(w, [] {}); }, "decoding error: missing field `center`"},
        RecordError{"capsule, no z_aligned",
                    [](qp::Writer& w) {
                        dict(w, [&] {
                            w.text("p1"), vec3(w, 0, 0, 0), w.text("dir"), vec3(w, 0, 0, 0);
                            w.text("radius"), w.float64(1), w.text("rdv"), w.float64(1);
                        });
                    },
                    "decoding error: missing field `z_aligned`"},
        RecordError{"capsule, no p1 and no rdv",
                    [](qp::Writer& w) {
                        dict(w, [&] { w.text("z_aligned"), w.boolean(false), w.text("dir"), vec3(w, 0, 0, 0); });
                    },
                    "decoding error: missing field `p1`"},
        RecordError{"sphere, integer key", [](qp::Writer& w) { dict(w, [&] { w.signed_int(0), w.float64(1); }); },
                    "decoding error: invalid type: integer `0`, expected field identifier"},
        RecordError{"sphere, None key", [](qp::Writer& w) { dict(w, [&] { w.none(), w.float64(1); }); },
                    "decoding error: invalid type: unit value, expected field identifier"},
        RecordError{"sphere, wrong kinds reported in stored order",
                    [](qp::Writer& w) {
                        dict(w, [&] { w.text("radius"), w.text("big"), w.text("center"), w.none(); });
                    },
                    "decoding error: invalid type: string \"big\", expected f32"},
        RecordError{"capsule, integer flag",
                    [](qp::Writer& w) {
                        w.mark(), capsule_fields(w, 4), w.signed_int(1), w.tuple();
                    },
                    "decoding error: invalid type: integer `1`, expected a boolean"},
        RecordError{"sphere, boolean radius",
                    [](qp::Writer& w) { w.mark(), vec3(w, 0, 0, 0), w.boolean(true), w.tuple(); },
                    "decoding error: invalid type: boolean `true`, expected f32"},
        RecordError{"sphere, short center",
                    [](qp::Writer& w) {
                        w.mark(), w.mark(), w.float64(1), w.float64(2), w.tuple(), w.float64(1), w.tuple();
                    },
                    "decoding error: invalid length 2, expected a sequence of 3 f32 values"},
        RecordError{"sphere, center a dict",
                    [](qp::Writer& w) { w.mark(), dict(w, [] {}), w.float64(1), w.tuple(); },
                    "decoding error: invalid type: map, expected a sequence of 3 f32 values"},
        RecordError{"cuboid, short half extents",
                    [](qp::Writer& w) {
                        w.mark(), vec3(w, 0, 0, 0), w.mark(), vec3(w, 1, 0, 0), vec3(w, 0, 1, 0), vec3(w, 0, 0, 1),
                            w.tuple();
                        w.mark(), w.float64(1), w.float64(2), w.tuple(), w.boolean(true), w.tuple();
                    },
                    "decoding error: invalid length 2, expected an array of length 3"},
        RecordError{"cuboid, two axes",
                    [](qp::Writer& w) {
                        w.mark(), vec3(w, 0, 0, 0), w.mark(), vec3(w, 1, 0, 0), vec3(w, 0, 1, 0), w.tuple(), w.tuple();
                    },
                    "decoding error: invalid length 2, expected an array of length 3"},
        RecordError{"polytope, planes not a list",
                    [](qp::Writer& w) { dict(w, [&] { w.text("planes"), w.float64(0); }); },
                    "decoding error: invalid type: floating point `0.0`, expected a sequence"},
        RecordError{"polytope, short plane",
                    [](qp::Writer& w) {
                        dict(w, [&] {
                            w.text("planes"), w.empty_list(), w.mark(), w.mark(), vec3(w, 0, 0, 1);
                            w.tuple(), w.appends();
                        });
                    },
                    "decoding error: invalid length 1, expected a tuple of size 2"},
        RecordError{"polytope, obb missing a field",
                    [](qp::Writer& w) {
                        w.mark(), w.empty_list(), w.empty_list(), dict(w, [] {}), w.tuple();
                    },
                    "decoding error: missing field `center`"},
        RecordError{"cloud, short range",
                    [](qp::Writer& w) { w.mark(), w.float64(1), w.mark(), w.float64(1), w.tuple(), w.tuple(); },
                    "decoding error: invalid length 1, expected a tuple of size 2"},
        RecordError{"cloud, negative u32",
                    [](qp::Writer& w) {
                        w.mark(), w.float64(1), w.mark(), w.float64(1), w.float64(2), w.tuple(), w.none();
                        w.signed_int(-1), w.tuple();
                    },
                    "decoding error: invalid value: integer `-1`, expected u32"},
        RecordError{"cloud, u32 out of range",
                    [](qp::Writer& w) {
                        w.mark(), w.float64(1), w.mark(), w.float64(1), w.float64(2), w.tuple(), w.none();
                        w.signed_int(0x100000000LL), w.tuple();
                    },
                    "decoding error: invalid value: integer `4294967296`, expected u32"},
        RecordError{"cloud, float where u32",
                    [](qp::Writer& w) {
                        w.mark(), w.float64(1), w.mark(), w.float64(1), w.float64(2), w.tuple(), w.none();
                        w.float64(1.5), w.tuple();
                    },
                    "decoding error: invalid type: floating point `1.5`, expected u32"},
        RecordError{"cloud, transform of eleven",
                    [](qp::Writer& w) {
                        w.mark(), w.float64(1), w.mark(), w.float64(1), w.float64(2), w.tuple(), w.mark();
                        for (int i = 0; i < 11; ++i) w.float64(i);
                        w.tuple(), w.signed_int(0), w.tuple();
                    },
                    "decoding error: invalid length 11, expected an array of length 12"},
        RecordError{"cloud, sequence lacking the optional",
                    [](qp::Writer& w) { w.mark(), w.float64(1), w.mark(), w.float64(1), w.float64(2), w.tuple(), w.tuple(); },
                    "decoding error: invalid length 2, expected struct Cloud with 4 elements"},
        RecordError{"sphere, integer beyond 64 bits",
                    [](qp::Writer& w) {
                        w.mark(), vec3(w, 0, 0, 0);
                        w.buffer().insert(w.buffer().end(), {0x8a, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 1});
                        w.tuple();
                    },
                    "decoding error: invalid value: integer too large"}));

TEST(PickleRecord, SharedValuesHaveABudget) {
    // Three levels of a thousand references each: a billion numbers from a few kilobytes.
    Bytes b = {0x80, 0x03, ']', '(', 'G', 0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    for (int level = 0; level < 3; ++level) {
        b.insert(b.end(), 999, '2');  // DUP
        b.push_back('e');
        b.insert(b.end(), {'q', static_cast<std::uint8_t>(level), ']', '(', 'h', static_cast<std::uint8_t>(level)});
    }
    b.push_back('e');
    b.push_back('.');
    std::vector<std::vector<std::vector<std::vector<double>>>> out;
    try {
        qp::decode_state(b, out);
        FAIL();
    } catch (const qp::DecodeError& e) {
        EXPECT_STREQ(e.what(), "decoding error: shared references expand beyond the size limit");
    }
}
