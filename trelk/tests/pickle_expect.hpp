// What the stored-record tests share: expected pickle streams spelled opcode by opcode,
// independently of the codec's writer, and the message a stream gives when read as a type.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "pickle/record.hpp"

namespace pickle_expect {

using Bytes = std::vector<std::uint8_t>;

struct Expect {
    Bytes b;
    Expect() {
        b.push_back(0x80);
        b.push_back(0x03);
    }
    Expect& op(char c) { return b.push_back(std::uint8_t(c)), *this; }
    Expect& le(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
        return *this;
    }
    Expect& key(std::string_view k) {
        op('X').le(k.size(), 4);
        for (char c : k) b.push_back(std::uint8_t(c));
        return *this;
    }
    Expect& f(double v) {
        op('G');
        const std::uint64_t u = std::bit_cast<std::uint64_t>(v);
        for (int i = 7; i >= 0; --i) b.push_back(std::uint8_t(u >> (8 * i)));
        return *this;
    }
    Expect& i(std::uint32_t v) { return op('J').le(v, 4); }
    Expect& vec(double x, double y, double z) { return op('(').f(x).f(y).f(z).op('t'); }
    Expect& floats(std::initializer_list<double> vs) {
        op(']');
        if (vs.size() == 0) return *this;
        op('(');
        for (double v : vs) f(v);
        return op('e');
    }
    Expect& nan_floats(std::size_t n) {
        op('(');
        for (std::size_t i = 0; i < n; ++i) f(std::numeric_limits<double>::quiet_NaN());
        return op('e');
    }
    Expect& box(double lo0, double lo1, double lo2, double hi0, double hi1, double hi2) {
        op('}').op('(').key("lo").floats({lo0, lo1, lo2}).key("hi").floats({hi0, hi1, hi2});
        return op('u');
    }
    Bytes done() { return op('.').b; }
};

// The reader's message for `bytes` read as a T, or `loaded` when it reads.
template <class T>
std::string decode_message(const Bytes& bytes, std::string loaded) {
    try {
        (void)quorix::pickle::decode_state<T>(bytes);
    } catch (const quorix::pickle::DecodeError& e) {
        return e.what();
    }
    return loaded;
}

}  // namespace pickle_expect
