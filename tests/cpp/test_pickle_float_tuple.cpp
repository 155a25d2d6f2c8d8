#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <limits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "pickle/pickle.hpp"

using namespace std::literals;
namespace qp = quorix::pickle;

namespace {

const std::vector<std::uint8_t> vec3_123 = {
    0x80, 0x03, 0x28, 0x47, 0x3F, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x47, 0x40, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x47, 0x40, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x74, 0x2E};

std::string decode_message(const std::vector<std::uint8_t>& bytes, std::size_t n, std::string_view expected) {
    std::vector<double> out(n);
    try {
        qp::read_float_sequence(bytes, out, expected);
    } catch (const qp::DecodeError& e) {
        return std::string(e.message());
    }
    return "no error";
}

}  // namespace

TEST(FloatTuple, Vec3StateBytes) {
    static_assert(qp::float_tuple_size(3) == 32 && qp::float_tuple_size(16) == 149);
    const std::array<double, 3> v{1, 2, 3};
    std::vector<std::uint8_t> out(qp::float_tuple_size(3));
    qp::write_float_tuple(v, out.data());
    EXPECT_EQ(out, vec3_123);
}

TEST(FloatTuple, RoundTripKeepsBits) {
    const std::array<double, 4> v{-0.0, 5e-324, std::numeric_limits<double>::infinity(), -1.5e300};
    std::vector<std::uint8_t> bytes(qp::float_tuple_size(4));
    qp::write_float_tuple(v, bytes.data());
    std::array<double, 4> back{};
    qp::read_float_sequence(bytes, back, "a sequence of 4 f64 values");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(std::bit_cast<std::uint64_t>(back[i]), std::bit_cast<std::uint64_t>(v[i]));
}

struct SequenceCase {
    std::string_view bytes;
    std::size_t n;
    const char* result;  // the values read, or the message
};

// Generated once with CPython 3.11's pickle.dumps; the comment gives the object and protocol.
const SequenceCase sequence_cases[] = {
        {"\x80\x03]q\x00(K\x01K\x02K\x03K\x04" "e."sv, 3, "1 2 3"},  // [1, 2, 3, 4], protocol 3
        {"\x80\x03G\x3f\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00\x86q\x00."sv, 3, "decoding error: invalid length 2, expected a sequence of 3 f64 values"},  // (1.0, 2.0), protocol 3
        {"\x80\x03}q\x00X\x01\x00\x00\x00xq\x01K\x01s."sv, 3, "decoding error: invalid type: map, expected a sequence of 3 f64 values"},  // {'x': 1}, protocol 3
        {"\x80\x04\x95\x0d\x00\x00\x00\x00\x00\x00\x00]\x94(K\x01\x8c\x01" "a\x94K\x03" "e."sv, 3, "decoding error: invalid type: string \"a\", expected f64"},  // [1, 'a', 3], protocol 4
        {"\x80\x02\x88K\x02K\x03\x87q\x00."sv, 3, "decoding error: invalid type: boolean `true`, expected f64"},  // (True, 2, 3), protocol 2
        {"]q\x00(NK\x02K\x03" "e."sv, 3, "decoding error: invalid type: unit value, expected f64"},  // [None, 2, 3], protocol 1
        {"\x80\x03]q\x00(C\x01xq\x01K\x02K\x03" "e."sv, 3, "decoding error: invalid type: byte array, expected f64"},  // [b'x', 2, 3], protocol 3
        {"\x80\x03]q\x00(]q\x01K\x01" "aK\x02K\x03" "e."sv, 3, "decoding error: invalid type: sequence, expected f64"},  // [[1], 2, 3], protocol 3
        {"\x80\x03]q\x00(}q\x01K\x02K\x03" "e."sv, 3, "decoding error: invalid type: map, expected f64"},  // [{}, 2, 3], protocol 3
        {"\x80\x03G\x3f\xf8\x00\x00\x00\x00\x00\x00."sv, 3, "decoding error: invalid type: floating point `1.5`, expected a sequence of 3 f64 values"},  // 1.5, protocol 3
        {"\x80\x03G@\x00\x00\x00\x00\x00\x00\x00."sv, 2, "decoding error: invalid type: floating point `2.0`, expected a sequence of 2 f64 values"},  // 2.0, protocol 3
        {"\x80\x03G\xc4\x15\xaf\x1dx\xb5\x8c@."sv, 2, "decoding error: invalid type: floating point `-100000000000000000000.0`, expected a sequence of 2 f64 values"},  // -1e20, protocol 3
        {"\x80\x03G\x7f\xf8\x00\x00\x00\x00\x00\x00."sv, 2, "decoding error: invalid type: floating point `NaN`, expected a sequence of 2 f64 values"},  // float('nan'), protocol 3
        {"\x80\x03G\xff\xf0\x00\x00\x00\x00\x00\x00."sv, 2, "decoding error: invalid type: floating point `-inf`, expected a sequence of 2 f64 values"},  // float('-inf'), protocol 3
        {"\x80\x02J\xfd\xff\xff\xff."sv, 2, "decoding error: invalid type: integer `-3`, expected a sequence of 2 f64 values"},  // -3, protocol 2
        {"\x80\x02\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\x00."sv, 2, "decoding error: invalid type: integer `18446744073709551615`, expected a sequence of 2 f64 values"},  // 2**64 - 1, protocol 2
        {"\x80\x02N."sv, 2, "decoding error: invalid type: unit value, expected a sequence of 2 f64 values"},  // None, protocol 2
        {"\x80\x03X\x07\x00\x00\x00" "a\x22" "b\x0a\x01\xc2\x85q\x00."sv, 2, "decoding error: invalid type: string \"a\\\"b\\n\\u{1}\\u{85}\", expected a sequence of 2 f64 values"},  // 'a"b\\n\\x01\\u0085', protocol 3
        {"\x80\x03]q\x00(\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x00@K\x01K\x02" "e."sv, 3, "decoding error: invalid value: integer too large"},  // [2**70, 1, 2], protocol 3
        {"\x80\x03]q\x00(\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\x00\x8a\x08\x00\x00\x00\x00\x00\x00\x00\x80G\x3f\xe0\x00\x00\x00\x00\x00\x00" "e."sv, 3, "1.8446744073709552e+19 -9.2233720368547758e+18 0.5"},  // [2**64 - 1, -2**63, 0.5], protocol 3
        {"\x80\x04\x95 \x00\x00\x00\x00\x00\x00\x00\x8f\x94(G\x3f\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00G@\x08\x00\x00\x00\x00\x00\x00\x90."sv, 3, "1 2 3"},  // {1.0, 2.0, 3.0}, protocol 4
        {"\x80\x04\x95\x06\x00\x00\x00\x00\x00\x00\x00(K\x05\x91\x94."sv, 1, "5"},  // frozenset({5}), protocol 4
        {"(lp0\x0a" "F1.0\x0a" "aF2.0\x0a" "aF3.0\x0a" "a."sv, 3, "1 2 3"},  // [1.0, 2.0, 3.0], protocol 0
        {"(G\x3f\xe0\x00\x00\x00\x00\x00\x00G\x80\x00\x00\x00\x00\x00\x00\x00tq\x00."sv, 2, "0.5 -0"},  // (0.5, -0.0), protocol 1
        {"\x80\x03]q\x00."sv, 0, ""},  // [], protocol 3
};

std::string read_text(std::string_view bytes, std::size_t n) {
    std::vector<double> out(n);
    std::string expected = "a sequence of ";
    expected += std::to_string(n);
    expected += " f64 values";
    try {
        qp::read_float_sequence({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, out, expected);
    } catch (const qp::DecodeError& e) {
        return std::string(e.message());
    }
    std::string s;
    for (double v : out) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", v);
        if (!s.empty()) s += ' ';
        s += buf;
    }
    return s;
}

TEST(FloatTuple, ReadsNumberSequencesOfEveryForm) {
    for (const SequenceCase& c : sequence_cases) EXPECT_EQ(read_text(c.bytes, c.n), c.result);
}

TEST(FloatTuple, LengthAndTrailingErrors) {
    std::vector<std::uint8_t> two(qp::float_tuple_size(2));
    const std::array<double, 2> v{1, 2};
    qp::write_float_tuple(v, two.data());
    EXPECT_EQ(decode_message(two, 3, "a sequence of 3 f64 values"),
              "decoding error: invalid length 2, expected a sequence of 3 f64 values");
    auto longer = vec3_123;
    longer.push_back(0x2E);
    EXPECT_EQ(decode_message(longer, 3, "x"), "eval error at offset 32: trailing bytes found");
    // A value that does not fit is reported before the bytes after STOP.
    auto short_longer = two;
    short_longer.push_back(0x00);
    EXPECT_EQ(decode_message(short_longer, 3, "a sequence of 3 f64 values"),
              "decoding error: invalid length 2, expected a sequence of 3 f64 values");
    EXPECT_EQ(decode_message({}, 3, "x"), "eval error at offset 0: EOF while parsing");
    // The canonical form with a wrong tag byte goes through the general decoder.
    auto bad = vec3_123;
    bad[12] = 'X';
    EXPECT_EQ(decode_message(bad, 3, "x"), "eval error at offset 32: EOF while parsing");
}
