// Reading stored values straight from the bytes against reading them through the Document: the
// direct path takes the forms writers make (this codec's and Python's pickle of the same plain
// data), other valid forms fall back to the same value, and on damaged streams both ways give the
// same message or the same value.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "../../fuzz/decode_paths.hpp"
#include "collider.hpp"
#include "pickle/record.hpp"
#include "pointcloud/stored.hpp"
#include "storage.hpp"
#include "trelk.hpp"

namespace {

namespace qp = quorix::pickle;
using Bytes = std::vector<std::uint8_t>;
using quorix_fuzz::decode_both_ways;
using quorix_fuzz::outcome_text;
using Cloud = trelk::Pointcloud;
using CloudCollider = trelk::Collider<trelk::Pointcloud>;

Bytes seed(const std::string& name) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "fuzz" / "corpus" / "shapes" / name;
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How a stream reads as T: whether the direct path took it, and whether both ways agree on an
// accepted value.
struct Reading {
    bool direct = false;
    bool accepted = false;
    bool agree = false;
    std::string detail;
};

template <class T>
Reading reading_both_ways(const Bytes& bytes) {
    Reading r;
    T value{};
    const auto [usual, reference] = decode_both_ways(bytes, value);
    r.accepted = usual.index() == 1;
    r.agree = usual == reference;
    r.detail = outcome_text(usual) + " / " + outcome_text(reference);
    return r;
}

template <class T>
Reading reading(const Bytes& bytes) {
    Reading r = reading_both_ways<T>(bytes);
    T direct_value{};
    r.direct = qp::read_directly(bytes, direct_value);
    if (r.direct && r.accepted) r.agree = r.agree && qp::encode_state(direct_value) == qp::encode_state(qp::decode_state<T>(bytes));
    return r;
}

struct SeedCase {
    const char* name;
    Reading (*read)(const Bytes&);
    bool direct;
};

TEST(PickleStream, SeedsReadDirectlyOrFallBackToTheSameValue) {
    const SeedCase cases[] = {
        {"cloud", reading<Cloud>, true},
        {"cloud-moved", reading<Cloud>, true},
        {"cloud-moved-p2", reading<Cloud>, true},  // Python's memo puts, BININT1/2, TUPLE2
        {"cloud-moved-p4", reading<Cloud>, true},  // and FRAME, MEMOIZE, SHORT_BINUNICODE
        {"spheres", reading<trelk::SpheresSoA>, true},
        {"spheres-p2", reading<trelk::SpheresSoA>, true},
        {"spheres-p4", reading<trelk::SpheresSoA>, true},
        {"collider", reading<CloudCollider>, true},
        {"collider-p2", reading<CloudCollider>, false},  // APPEND of a single item
        {"collider-p4", reading<CloudCollider>, false},  // and memo references
        {"sphere", reading<trelk::Sphere>, true},
        {"capsule", reading<trelk::Capsule>, true},
        {"cylinder", reading<trelk::Cylinder>, true},
        {"cuboid", reading<trelk::Cuboid>, true},
        {"plane", reading<trelk::Plane>, true},
        {"polygon", reading<trelk::ConvexPolygon>, true},
        {"polytope", reading<trelk::ConvexPolytope>, true},
        {"line", reading<trelk::Line>, true},
        {"ray", reading<trelk::Ray>, true},
        {"segment", reading<trelk::LineSegment>, true},
    };
    for (const SeedCase& c : cases) {
        const Reading r = c.read(seed(c.name));
        EXPECT_EQ(r.direct, c.direct) << c.name;
        EXPECT_TRUE(r.accepted && r.agree) << c.name << ": " << r.detail;
    }
}

// A small moved cloud whose state has every part: tree, sphere set, transform.
Bytes small_cloud_state() {
    const std::vector<Cloud::Point3> points = {{0, 0, 0}, {1, 0.5f, 0}, {0.25f, 2, 1}};
    Cloud c = Cloud::make(points, {0.0f, 0.75f}, 0.125f);
    translate(c, {0.5f, -1, 2});
    return qp::encode_state(c);
}

// A complete stream written by hand.
Bytes stream(const std::function<void(qp::Writer&)>& body) {
    Bytes b;
    qp::Writer w(b);
    w.proto3();
    body(w);
    w.stop();
    return b;
}

// Forms the direct path leaves to the Document: a positional record, an unknown key, a longer
// tuple than the type reads, a list named by a memo reference, integers in a list of floats.
TEST(PickleStream, UnusualFormsGiveTheDocumentsValue) {
    const auto center = [](qp::Writer& w) { w.mark(), w.float64(1), w.float64(2), w.float64(3), w.tuple(); };
    const Bytes spheres[] = {
        stream([&](qp::Writer& w) { w.empty_list(), w.mark(), center(w), w.float64(0.5), w.appends(); }),
        stream([&](qp::Writer& w) {
            w.empty_dict(), w.mark(), w.text("extra"), w.none(), w.text("center"), center(w);
            w.text("radius"), w.float64(0.5), w.setitems();
        }),
        stream([&](qp::Writer& w) {
            w.empty_dict(), w.mark(), w.text("center"), w.mark();
            w.float64(1), w.float64(2), w.float64(3), w.float64(4), w.tuple();
            w.text("radius"), w.signed_int(2), w.setitems();
        }),
    };
    for (const Bytes& b : spheres) {
        const Reading r = reading<trelk::Sphere>(b);
        EXPECT_FALSE(r.direct);
        EXPECT_TRUE(r.accepted && r.agree) << r.detail;
    }
    // An empty sphere set of 16 lanes: x memoized, y by reference to it or z as integers.
    const auto sphere_set = [](bool y_by_reference, bool z_as_integers) {
        return stream([&](qp::Writer& w) {
            const std::vector<float> zeros(16, 0.0f), nans(16, std::numeric_limits<float>::quiet_NaN());
            w.empty_dict(), w.mark(), w.text("x"), w.empty_list(), w.buffer().insert(w.buffer().end(), {'q', 0});
            w.mark(), w.floats(std::span(zeros)), w.appends();
            w.text("y");
            if (y_by_reference)
                w.buffer().insert(w.buffer().end(), {'h', 0});
            else
                qp::write_value(w, zeros);
            w.text("z"), w.empty_list(), w.mark();
            for (float v : zeros) z_as_integers ? w.signed_int(0) : w.float64(v);
            w.appends(), w.text("r"), qp::write_value(w, nans), w.text("len"), w.unsigned_int(0, 8), w.setitems();
        });
    };
    EXPECT_TRUE(reading<trelk::SpheresSoA>(sphere_set(false, false)).direct);
    for (const Bytes& b : {sphere_set(true, false), sphere_set(false, true)}) {
        const Reading r = reading<trelk::SpheresSoA>(b);
        EXPECT_FALSE(r.direct);
        EXPECT_TRUE(r.accepted && r.agree) << r.detail;
    }
}

// Every change of one byte (truncation, deletion, another opcode in its place) to a cloud's
// state, a collider holding it, and Python's form of a sphere set reads alike both ways.
TEST(PickleStream, EveryOneByteChangeReadsAlike) {
    static constexpr std::uint8_t opcodes[] = {'(', ']', '}', 'e', 'u', 't', 'N', 'K', 'G', 'X', 'q', 'h', '.', 0x86, 0x8a, 0x95, 0xFF};
    const auto one_byte_changes = [](const Bytes& b, const std::function<Reading(const Bytes&)>& read) {
        int disagreements = 0;
        auto check = [&](const Bytes& changed) {
            const Reading r = read(changed);
            if (!r.agree && ++disagreements <= 5) ADD_FAILURE() << r.detail;
        };
        for (std::size_t i = 0; i < b.size(); ++i) {
            check(Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(i)));
            Bytes erased = b;
            erased.erase(erased.begin() + static_cast<std::ptrdiff_t>(i));
            check(erased);
            for (std::uint8_t op : opcodes) {
                if (b[i] == op) continue;
                Bytes changed = b;
                changed[i] = op;
                check(changed);
            }
        }
        return disagreements;
    };
    const Bytes cloud = small_cloud_state();
    EXPECT_EQ(one_byte_changes(cloud, reading_both_ways<Cloud>), 0);
    CloudCollider collider;
    trelk::add(collider, qp::decode_state<Cloud>(cloud));
    EXPECT_EQ(one_byte_changes(qp::encode_state(collider), reading_both_ways<CloudCollider>), 0);
    EXPECT_EQ(one_byte_changes(seed("spheres-p4"), reading_both_ways<trelk::SpheresSoA>), 0);
}

}  // namespace
