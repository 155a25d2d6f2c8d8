// What one fuzz input must survive: every pickle reader of the codec, on arbitrary bytes. A
// refusal is a DecodeError; anything else (another exception, a crash, a sanitizer report, a
// value that does not survive being written and read again) is a bug. Shared by the libFuzzer
// target and the replay test.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "decode_paths.hpp"
#include "pickle/document.hpp"
#include "pickle/pickle.hpp"
#include "pickle/record.hpp"

namespace quorix_fuzz {

struct Point {
    float x = 0, y = 0, z = 0;
};
template <class V>
void visit_items(V& v, Point& p) {
    v.tuple("a sequence of 3 f32 values");
    v.item(p.x);
    v.item(p.y);
    v.item(p.z);
}

struct Leaf {
    Point center;
    std::array<float, 2> uv{};
    bool flag = false;
};
template <class V>
void visit_fields(V& v, Leaf& l) {
    v.record("Leaf");
    v.field("center", l.center);
    v.field("uv", l.uv);
    v.field("flag", l.flag);
}

// Kept as one buffer, stored as two lists that must match.
struct Planes {
    std::vector<float> data;
    struct Stored {
        std::vector<float> a, b;
    };
    struct View {
        std::span<const float> a, b;
    };
    View stored_view() const { return {std::span(data).first(data.size() / 2), std::span(data).subspan(data.size() / 2)}; }
    static Planes from_stored(Stored&& s) {
        if (s.a.size() != s.b.size()) throw std::invalid_argument("planes differ in length");
        Planes p{std::move(s.a)};
        p.data.insert(p.data.end(), s.b.begin(), s.b.end());
        return p;
    }
};
template <class V, class S>
    requires std::same_as<S, Planes::Stored> || std::same_as<S, Planes::View>
void visit_fields(V& v, S& s) {
    v.record("Planes");
    v.field("a", s.a);
    v.field("b", s.b);
}

// One field of every kind the stored layouts use.
struct Everything {
    std::vector<Leaf> leaves;
    std::vector<std::pair<Point, float>> halfspaces;
    std::vector<std::vector<float>> lanes;
    std::optional<std::array<float, 12>> transform;
    std::pair<float, float> range{};
    std::uint32_t count32 = 0;
    std::size_t count = 0;
    std::uint8_t small = 0;
    double wide = 0;
    Planes planes;
    Leaf box;
};
template <class V>
void visit_fields(V& v, Everything& e) {
    v.record("Everything");
    v.field("leaves", e.leaves);
    v.field("halfspaces", e.halfspaces);
    v.field("lanes", e.lanes);
    v.field("transform", e.transform);
    v.field("range", e.range);
    v.field("count32", e.count32);
    v.field("count", e.count);
    v.field("small", e.small);
    v.field("wide", e.wide);
    v.field("planes", e.planes);
    v.field("box", e.box);
}

[[noreturn]] inline void bug(const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

// A value read from any bytes, by either decoding path, must write a stream that reads back to the
// same bytes.
template <class T>
void check_record(std::span<const std::uint8_t> bytes) {
    T value{};
    if (!decode_agreeing(bytes, value)) return;
    const auto written = quorix::pickle::encode_state(value);
    T again{};
    quorix::pickle::decode_state(written, again);
    if (quorix::pickle::encode_state(again) != written) bug("record does not survive a round trip");
}

// The fixed-count float reader and the generic array reader must agree on every input.
template <std::size_t N>
void check_floats(std::span<const std::uint8_t> bytes) {
    std::array<double, N> direct{};
    bool direct_ok = true;
    try {
        quorix::pickle::read_float_sequence(bytes, direct, "a sequence of N f64 values");
    } catch (const quorix::pickle::DecodeError& e) {
        (void)refusal_message(e);
        direct_ok = false;
    }
    std::array<double, N> generic{};
    bool generic_ok = true;
    try {
        quorix::pickle::decode_state(bytes, generic);
    } catch (const quorix::pickle::DecodeError& e) {
        (void)refusal_message(e);
        generic_ok = false;
    }
    if (direct_ok != generic_ok) bug("float readers disagree on acceptance");
    for (std::size_t i = 0; direct_ok && i < N; ++i)
        if (std::bit_cast<std::uint64_t>(direct[i]) != std::bit_cast<std::uint64_t>(generic[i]))
            bug("float readers disagree on a value");
}

inline void walk(const quorix::pickle::Document& d) {
    std::vector<quorix::pickle::NodeId> todo{d.root()};
    std::size_t budget = 1u << 16;  // shared values may be reached many times
    while (!todo.empty() && budget-- > 0) {
        const auto n = todo.back();
        todo.pop_back();
        switch (d.kind(n)) {
            case quorix::pickle::Kind::Str:
            case quorix::pickle::Kind::Bytes: (void)d.text(n).size(); break;
            case quorix::pickle::Kind::Float: (void)d.float_value(n); break;
            case quorix::pickle::Kind::List:
            case quorix::pickle::Kind::Tuple:
            case quorix::pickle::Kind::Set:
            case quorix::pickle::Kind::FrozenSet:
            case quorix::pickle::Kind::Dict:
                for (auto c = d.items(n); !c.done();) todo.push_back(c.next());
                break;
            default: break;
        }
    }
}

inline void fuzz_pickle_input(std::span<const std::uint8_t> bytes) {
    try {
        const quorix::pickle::Document d(bytes);
        walk(d);
    } catch (const quorix::pickle::DecodeError& e) {
        (void)refusal_message(e);
    }
    check_floats<3>(bytes);
    check_floats<16>(bytes);
    check_record<Everything>(bytes);
    check_record<Leaf>(bytes);
    check_record<std::vector<std::vector<std::vector<double>>>>(bytes);
}

}  // namespace quorix_fuzz
