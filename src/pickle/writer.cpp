#include "pickle/writer.hpp"

#include <bit>

namespace quorix::pickle {

void Writer::put_le(std::uint64_t v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) put(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Writer::float64(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    std::uint8_t b[9] = {'G'};
    for (int i = 0; i < 8; ++i) b[1 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    out_.insert(out_.end(), b, b + 9);
}

void Writer::unsigned_int(std::uint64_t v, std::size_t width) {
    if (v < (std::uint64_t{1} << 31)) {
        put('J');
        put_le(v, 4);
        return;
    }
    put(0x8a);
    put(static_cast<std::uint8_t>(width + 1));
    put_le(v, width);
    put(0x00);
}

void Writer::signed_int(std::int64_t v) {
    if (v >= INT32_MIN && v <= INT32_MAX) {
        put('J');
        put_le(static_cast<std::uint64_t>(v), 4);
        return;
    }
    std::size_t n = 8;  // shortest two's complement form
    while (n > 1) {
        const auto top = static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * (n - 1)));
        const auto next = static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * (n - 2)));
        if (!((top == 0x00 && !(next & 0x80)) || (top == 0xFF && (next & 0x80)))) break;
        --n;
    }
    put(0x8a);
    put(static_cast<std::uint8_t>(n));
    put_le(static_cast<std::uint64_t>(v), n);
}

void Writer::text(std::string_view utf8) {
    put('X');
    put_le(utf8.size(), 4);
    out_.insert(out_.end(), utf8.begin(), utf8.end());
}

}  // namespace quorix::pickle
