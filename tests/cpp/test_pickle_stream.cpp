// Reading stored values straight from the bytes against reading them through the Document: the
// direct path takes the forms writers make (this codec's and Python's pickle of the same plain
// data), other valid forms fall back to the same value, and on damaged streams both ways give the
// same message or the same value.
#include <gtest/gtest.h>

#include <cmath>
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
#include "hand_streams.hpp"
#include "pickle/record.hpp"
#include "pointcloud/stored.hpp"
#include "storage.hpp"
#include "trelk.hpp"

namespace {

namespace qp = quorix::pickle;
using hand_streams::Bytes;
using hand_streams::stream;
using quorix_fuzz::decode_both_ways;
using quorix_fuzz::outcome_text;
using Cloud = trelk::Pointcloud;
using CloudCollider = trelk::Collider<trelk::Pointcloud>;

Bytes seed(const std::string& name) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "fuzz" / "corpus" / "shapes" / name;
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How a stream reads as T: whether both ways agree, whether they accept it, and whether the direct
// path alone takes it (to the Document's value).
struct Reading {
    bool agree = false;
    bool accepted = false;
    bool direct = false;
    std::string detail;
};

template <class T>
Reading reading_both_ways(const Bytes& bytes, quorix_fuzz::DecodeOutcome* reference_out = nullptr) {
    Reading r;
    T value{};
    const auto [usual, reference] = decode_both_ways(bytes, value);
    r.agree = usual == reference;
    r.accepted = usual.index() == 1;
    r.detail = outcome_text(usual) + " / " + outcome_text(reference);
    if (reference_out) *reference_out = reference;
    return r;
}

template <class T>
Reading reading(const Bytes& bytes) {
    quorix_fuzz::DecodeOutcome reference;
    Reading r = reading_both_ways<T>(bytes, &reference);
    T value{};
    r.direct = qp::read_directly(bytes, value);
    if (r.direct) r.agree = r.agree && quorix_fuzz::DecodeOutcome(qp::encode_state(value)) == reference;
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
        {"cloud-small-p4", reading<Cloud>, true},
        {"spheres", reading<trelk::SpheresSoA>, true},
        {"spheres-p2", reading<trelk::SpheresSoA>, true},
        {"spheres-p4", reading<trelk::SpheresSoA>, true},
        {"collider", reading<CloudCollider>, true},
        {"collider-p2", reading<CloudCollider>, false},  // APPEND of a single item
        {"collider-p4", reading<CloudCollider>, false},  // and memo references
        {"polygon", reading<trelk::ConvexPolygon>, true},
        {"polytope", reading<trelk::ConvexPolytope>, true},
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

// FRAME may stand before any opcode (Python's protocol 4 starts one wherever 64 KB are full): it
// is read directly wherever it stands, and one that claims more than is left is refused alike.
TEST(PickleStream, FramesAnywhereReadDirectly) {
    const auto frame = [](qp::Writer& w, std::uint8_t length = 0) {
        w.buffer().insert(w.buffer().end(), {0x95, length, 0, 0, 0, 0, 0, 0, 0});
    };
    const auto sphere = [&](std::uint8_t last_length) {
        return stream([&](qp::Writer& w) {
            frame(w), w.empty_dict(), frame(w), w.mark(), frame(w), w.text("center"), frame(w), w.mark();
            for (double v : {1.0, 2.0, 3.0}) frame(w), w.float64(v);
            frame(w), w.tuple(), frame(w), w.text("radius"), frame(w), w.float64(0.5), frame(w), w.setitems();
            frame(w, last_length);
        });
    };
    const auto sphere_set = [&] {
        return stream([&](qp::Writer& w) {
            w.empty_dict(), w.mark();
            for (const char* key : {"x", "y", "z", "r"}) {
                w.text(key), frame(w), w.empty_list(), frame(w), w.mark();
                for (int i = 0; i < 16; ++i) frame(w), w.float64(*key == 'r' ? NAN : i);
                frame(w), w.appends(), frame(w);
            }
            w.text("len"), w.unsigned_int(0, 8), w.setitems();
        });
    };
    for (const Reading& r : {reading<trelk::Sphere>(sphere(1)), reading<trelk::SpheresSoA>(sphere_set())}) {
        EXPECT_TRUE(r.direct);
        EXPECT_TRUE(r.accepted && r.agree) << r.detail;
    }
    const Reading r = reading<trelk::Sphere>(sphere(2));  // one byte (STOP) is left, not two
    EXPECT_FALSE(r.direct);
    EXPECT_TRUE(!r.accepted && r.agree) << r.detail;
}

// The number of changes of one byte to `b` (truncation, deletion, another opcode in its place)
// that read differently through the two ways, as T; the first few are reported.
template <class T>
int one_byte_changes_read_apart(const Bytes& b) {
    static constexpr std::uint8_t opcodes[] = {'(', ']', '}', 'e', 'u', 't', 'N', 'K', 'G',
                                               'X', 'q', 'h', '.', 0x85, 0x86, 0x87, 0x8a, 0x95, 0xFF};
    int apart = 0;
    const auto check = [&](const Bytes& changed) {
        const Reading r = reading_both_ways<T>(changed);
        if (!r.agree && ++apart <= 5) ADD_FAILURE() << r.detail;
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
    return apart;
}

// A cloud's state, a collider holding it, and Python's protocol 4 form of the same cloud.
TEST(PickleStream, EveryOneByteChangeReadsAlike) {
    const Bytes cloud = small_cloud_state();
    EXPECT_EQ(one_byte_changes_read_apart<Cloud>(cloud), 0);
    CloudCollider collider;
    trelk::add(collider, qp::decode_state<Cloud>(cloud));
    EXPECT_EQ(one_byte_changes_read_apart<CloudCollider>(qp::encode_state(collider)), 0);
    const Bytes python_written = seed("cloud-small-p4");
    EXPECT_EQ(qp::encode_state(qp::decode_state<Cloud>(python_written)), cloud);
    EXPECT_EQ(one_byte_changes_read_apart<Cloud>(python_written), 0);
}

}  // namespace
