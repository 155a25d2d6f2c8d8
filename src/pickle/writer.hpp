// Protocol 3 opcodes written to a sink: a growable vector (Writer), a counter that only sums the
// bytes (so that a state's exact size is known before anything is allocated for it), or a buffer
// of that size, filled in a second pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <vector>

#include "pickle/binary_forms.hpp"

namespace quorix::pickle {

// Appends to a vector, growing it.
class VectorSink {
public:
    static constexpr bool writes = true;
    explicit VectorSink(std::vector<std::uint8_t>& out) : out_(out) {}
    void append(const std::uint8_t* p, std::size_t n) { out_.insert(out_.end(), p, p + n); }
    std::uint8_t* claim(std::size_t n) {
        out_.resize(out_.size() + n);
        return out_.data() + out_.size() - n;
    }
    std::vector<std::uint8_t>& buffer() { return out_; }

private:
    std::vector<std::uint8_t>& out_;
};

// Counts the bytes a value would take.
class CountingSink {
public:
    static constexpr bool writes = false;
    void append(const std::uint8_t*, std::size_t n) { size_ += n; }
    std::uint8_t* claim(std::size_t n) {
        size_ += n;
        return nullptr;
    }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
};

// Fills a buffer sized by a CountingSink over the same value. Running past its end means the two
// passes disagree, which is a bug: std::logic_error, and nothing is written outside the buffer.
class BufferSink {
public:
    static constexpr bool writes = true;
    explicit BufferSink(std::span<std::uint8_t> out) : out_(out) {}
    void append(const std::uint8_t* p, std::size_t n) { std::memcpy(claim(n), p, n); }
    std::uint8_t* claim(std::size_t n) {
        if (n > out_.size() - used_) throw std::logic_error("pickle writer ran past its counted size");
        used_ += n;
        return out_.data() + used_ - n;
    }
    std::size_t used() const { return used_; }

private:
    std::span<std::uint8_t> out_;
    std::size_t used_ = 0;
};

template <class Sink>
class BasicWriter {
public:
    template <class... A>
    explicit BasicWriter(A&&... sink_args) : sink_(static_cast<A&&>(sink_args)...) {}

    Sink& sink() { return sink_; }
    std::vector<std::uint8_t>& buffer() requires std::is_same_v<Sink, VectorSink> { return sink_.buffer(); }

    void proto3() { put(0x80), put(0x03); }
    void stop() { put('.'); }

    void none() { put('N'); }
    void boolean(bool v) { put(v ? 0x88 : 0x89); }
    // BINFLOAT: 'G' and the big-endian double. A float is widened exactly.
    void float64(double v) {
        std::uint8_t b[9] = {'G'};
        store_be64(b + 1, v);
        sink_.append(b, 9);
    }
    // One BINFLOAT per value, claimed from the sink in one piece.
    template <class F>
    void floats(std::span<const F> values) {
        std::uint8_t* p = sink_.claim(9 * values.size());
        if constexpr (Sink::writes) {
            for (F v : values) {
                *p = 'G';
                store_be64(p + 1, static_cast<double>(v));
                p += 9;
            }
        }
    }
    // BININT below 2^31; above, LONG1 with the value's `width` little-endian bytes and a 0x00.
    void unsigned_int(std::uint64_t v, std::size_t width) {
        if (v < (std::uint64_t{1} << 31)) return binint(static_cast<std::uint32_t>(v));
        std::uint8_t b[11] = {0x8a, static_cast<std::uint8_t>(width + 1)};
        put_le(b + 2, v, width);
        b[2 + width] = 0x00;
        sink_.append(b, 3 + width);
    }
    // BININT within 32 bits; otherwise LONG1 with the shortest two's complement bytes.
    void signed_int(std::int64_t v) {
        if (v >= INT32_MIN && v <= INT32_MAX) return binint(static_cast<std::uint32_t>(v));
        const auto u = static_cast<std::uint64_t>(v);
        std::size_t n = 8;
        while (n > 1) {
            const auto top = static_cast<std::uint8_t>(u >> (8 * (n - 1)));
            const auto next = static_cast<std::uint8_t>(u >> (8 * (n - 2)));
            if (!((top == 0x00 && !(next & 0x80)) || (top == 0xFF && (next & 0x80)))) break;
            --n;
        }
        std::uint8_t b[10] = {0x8a, static_cast<std::uint8_t>(n)};
        put_le(b + 2, u, n);
        sink_.append(b, 2 + n);
    }
    // BINUNICODE: 'X', the 32-bit little-endian byte length, the UTF-8 bytes.
    void text(std::string_view utf8) {
        std::uint8_t b[5] = {'X'};
        put_le(b + 1, utf8.size(), 4);
        sink_.append(b, 5);
        sink_.append(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size());
    }

    void mark() { put('('); }
    void tuple() { put('t'); }
    void empty_list() { put(']'); }
    void appends() { put('e'); }
    void empty_dict() { put('}'); }
    void setitems() { put('u'); }

private:
    void put(std::uint8_t b) { sink_.append(&b, 1); }
    static void put_le(std::uint8_t* out, std::uint64_t v, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void binint(std::uint32_t v) {
        std::uint8_t b[5] = {'J'};
        put_le(b + 1, v, 4);
        sink_.append(b, 5);
    }

    Sink sink_;
};

using Writer = BasicWriter<VectorSink>;

}  // namespace quorix::pickle
