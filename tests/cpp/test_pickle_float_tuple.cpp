#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <limits>
#include <cstdint>
#include <vector>

#include "pickle/pickle.hpp"

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
        return e.what();
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

TEST(FloatTuple, LengthAndTrailingErrors) {
    std::vector<std::uint8_t> two(qp::float_tuple_size(2));
    const std::array<double, 2> v{1, 2};
    qp::write_float_tuple(v, two.data());
    EXPECT_EQ(decode_message(two, 3, "a sequence of 3 f64 values"),
              "decoding error: invalid length 2, expected a sequence of 3 f64 values");
    auto longer = vec3_123;
    longer.push_back(0x2E);
    EXPECT_EQ(decode_message(longer, 3, "x").rfind("eval error at offset", 0), 0u);
}
