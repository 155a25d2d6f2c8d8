// Typed reading of a decoded value tree, with the serde-style messages of a wrong kind or count.
// It is one of the two sources the record readers (record.hpp) read from; the other, the
// StreamReader, reads the common forms straight from the bytes and hands anything else to this one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "pickle/document.hpp"

namespace quorix::pickle {

// One record field as a record reader needs it, for a source Src: where to read it and, for an
// optional field, what to do when its key is absent.
template <class Src>
struct FieldSlot {
    std::string_view name;
    void (*read)(Src&, typename Src::Value, void*);
    void (*absent)(void*);  // null: the field is required
    void* target;
};

class Reader {
public:
    using Value = NodeId;

    explicit Reader(const Document& doc);

    const Document& doc() const { return doc_; }

    // How serde names a found value in "invalid type: {}, expected {}": "floating point `1.5`",
    // "integer `3`", "string \"abc\"", "sequence", "map", "unit value", "boolean `true`",
    // "byte array". An integer beyond 64 bits has no such text: it stops the read instead.
    std::string unexpected(NodeId n) const;

    [[noreturn]] void invalid_type(NodeId found, std::string_view expected) const;
    [[noreturn]] static void invalid_length(std::size_t found, std::string_view expected);
    [[noreturn]] static void invalid_value(std::string_view found, std::string_view expected);

    double read_f64(NodeId n);
    float read_f32(NodeId n);
    bool read_bool(NodeId n);
    std::uint64_t read_unsigned(NodeId n, std::uint64_t max, std::string_view expected);
    std::int64_t read_signed(NodeId n, std::int64_t min, std::int64_t max, std::string_view expected);

    bool is_none(NodeId n) const { return doc_.kind(n) == Kind::None; }
    // The items of a list, tuple, set or frozenset; anything else is an invalid type.
    Document::Cursor sequence(NodeId n, std::string_view expected);
    // A fixed group of values (a tuple-like value, an array, a pair): any sequence; items past the
    // ones read are ignored, so nothing is left to check when the group is read.
    Document::Cursor tuple_items(NodeId n, std::string_view expected) { return sequence(n, expected); }
    void finish_items(Document::Cursor&) {}
    // A list of floats into a growable float buffer.
    template <class Buffer>
    void read_floats(NodeId n, Buffer& out) {
        auto c = sequence(n, "a sequence");
        out.clear();
        out.reserve(std::min<std::size_t>(c.left(), 4096));  // a bad first item fails before much is reserved
        while (!c.done()) {
            if constexpr (std::is_same_v<typename Buffer::value_type, float>)
                out.push_back(read_f32(c.next()));
            else
                out.push_back(read_f64(c.next()));
        }
    }

    // A record from a dict (keys in stored order, unknown keys skipped, duplicates and missing
    // fields refused) or from a sequence of the field values in declared order.
    void read_record(NodeId n, std::string_view name, std::span<const FieldSlot<Reader>> fields);

private:
    void spend();  // one unit of the sharing budget

    const Document& doc_;
    std::size_t budget_;
};

}  // namespace quorix::pickle
