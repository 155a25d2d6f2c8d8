// The argument bytes of the binary opcodes that every reader and writer of the codec shares: the
// big-endian double of BINFLOAT and the little-endian two's complement integer of LONG1/LONG4.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace quorix::pickle {

inline void store_be64(std::uint8_t* out, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
}

inline double load_be64(const std::uint8_t* in) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | in[i];
    return std::bit_cast<double>(bits);
}

// An unsigned integer of n <= 8 little-endian bytes (a length or an index).
inline std::uint64_t load_le(const std::uint8_t* in, std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = n; i-- > 0;) v = (v << 8) | in[i];
    return v;
}

// A two's complement integer of n little-endian bytes. Only its sign survives when it needs more than 64 bits.
struct LeInt {
    bool big = false;           // beyond 64 bits
    bool negative = false;
    bool above_signed = false;  // in 2^63 .. 2^64-1
    std::uint64_t bits = 0;
};

inline LeInt decode_le_int(const std::uint8_t* p, std::size_t n) {
    if (n == 0) return {};
    LeInt v;
    v.negative = (p[n - 1] & 0x80) != 0;
    const std::uint8_t fill = v.negative ? 0xFF : 0x00;
    std::size_t used = n;  // drop redundant sign bytes
    while (used > 1 && p[used - 1] == fill && ((p[used - 2] & 0x80) != 0) == v.negative) --used;
    if (used > 8 && !(used == 9 && !v.negative && p[8] == 0x00)) {
        v.big = true;
        return v;
    }
    v.bits = v.negative ? ~std::uint64_t{0} : 0;
    for (std::size_t i = std::min<std::size_t>(used, 8); i-- > 0;) v.bits = (v.bits << 8) | p[i];
    v.above_signed = used == 9;
    return v;
}

}  // namespace quorix::pickle
