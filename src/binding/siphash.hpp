// SipHash-1-3 (one compression round, three finalisation rounds), the hash of the algebra values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorix::py {

namespace detail {
inline std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

struct SipState {
    std::uint64_t v0, v1, v2, v3;
    void round() {
        v0 += v1; v1 = rotl(v1, 13); v1 ^= v0; v0 = rotl(v0, 32);
        v2 += v3; v3 = rotl(v3, 16); v3 ^= v2;
        v0 += v3; v3 = rotl(v3, 21); v3 ^= v0;
        v2 += v1; v1 = rotl(v1, 17); v1 ^= v2; v2 = rotl(v2, 32);
    }
    void compress(std::uint64_t m) {
        v3 ^= m;
        round();
        v0 ^= m;
    }
};

inline std::uint64_t load_le(const unsigned char* p, std::size_t n) {
    std::uint64_t m = 0;
    for (std::size_t i = 0; i < n; ++i) m |= std::uint64_t(p[i]) << (8 * i);
    return m;
}

inline SipState sip_init(std::uint64_t k0, std::uint64_t k1) {
    return {k0 ^ 0x736f6d6570736575ULL, k1 ^ 0x646f72616e646f6dULL, k0 ^ 0x6c7967656e657261ULL,
            k1 ^ 0x7465646279746573ULL};
}

inline std::uint64_t sip_finish(SipState s) {
    s.v2 ^= 0xff;
    s.round();
    s.round();
    s.round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}
}  // namespace detail

inline std::uint64_t siphash13(std::uint64_t k0, std::uint64_t k1, const void* data, std::size_t len) {
    detail::SipState s = detail::sip_init(k0, k1);
    auto* p = static_cast<const unsigned char*>(data);
    std::size_t full = len / 8 * 8;
    for (std::size_t i = 0; i < full; i += 8) s.compress(detail::load_le(p + i, 8));
    // Last block: the remaining bytes and the length in the top byte.
    s.compress(detail::load_le(p + full, len - full) | (std::uint64_t(len & 0xff) << 56));
    return detail::sip_finish(s);
}

// A 64-bit hash read as signed; -1 is reserved by the interpreter for errors and becomes -2.
inline std::int64_t python_hash(std::uint64_t h) {
    const auto signed_hash = static_cast<std::int64_t>(h);
    return signed_hash == -1 ? -2 : signed_hash;
}

// Python hash of a run of doubles: their bit patterns as little-endian 8-byte blocks, zero keys,
// no length prefix. -0.0 is hashed as +0.0: the values compare equal, so their hashes must too.
inline std::int64_t hash_doubles(const double* values, std::size_t n) {
    detail::SipState s = detail::sip_init(0, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = values[i] == 0.0 ? 0.0 : values[i];
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        s.compress(bits);
    }
    s.compress(std::uint64_t((8 * n) & 0xff) << 56);
    return python_hash(detail::sip_finish(s));
}

}  // namespace quorix::py
