// Protocol 3 opcodes appended straight into one growable byte buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorix::pickle {

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}

    void proto3() { put(0x80), put(0x03); }
    void stop() { put('.'); }

    void none() { put('N'); }
    void boolean(bool v) { put(v ? 0x88 : 0x89); }
    // BINFLOAT: 'G' and the big-endian double. A float is widened exactly.
    void float64(double v);
    // BININT below 2^31; above, LONG1 with the value's `width` little-endian bytes and a 0x00.
    void unsigned_int(std::uint64_t v, std::size_t width);
    // BININT within 32 bits; otherwise LONG1 with the shortest two's complement bytes.
    void signed_int(std::int64_t v);
    // BINUNICODE: 'X', the 32-bit little-endian byte length, the UTF-8 bytes.
    void text(std::string_view utf8);

    void mark() { put('('); }
    void tuple() { put('t'); }
    void empty_list() { put(']'); }
    void appends() { put('e'); }
    void empty_dict() { put('}'); }
    void setitems() { put('u'); }

    std::vector<std::uint8_t>& buffer() { return out_; }

private:
    void put(std::uint8_t b) { out_.push_back(b); }
    void put_le(std::uint64_t v, std::size_t n);

    std::vector<std::uint8_t>& out_;
};

}  // namespace quorix::pickle
