// The value tree of one pickle stream, decoded without calling Python.
//
// Values live in one arena and are named by index. Containers hold their items as a chain of
// segments in one shared item array, so appending batches (APPENDS, SETITEMS) never copies earlier
// items. Memo references (GET, DUP) share a value instead of copying it; the typed readers bound the
// work that sharing can multiply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quorix::pickle {

using NodeId = std::uint32_t;

// A Document holds streams shorter than this: its node ids and text offsets are 32 bits. Longer
// ones are refused ("pickle too large").
constexpr std::size_t document_size_limit = 0xFFFFFFFFu;

enum class Kind : std::uint8_t {
    None,
    Bool,
    Int,     // fits in 64 bits: signed, or unsigned above the signed range (see int_is_unsigned)
    BigInt,  // beyond 64 bits: only its sign is kept
    Float,
    Str,     // UTF-8 text
    Bytes,
    List,
    Tuple,
    Set,
    FrozenSet,  // sets hold each member once, as Python's do (set_members.hpp)
    Dict,    // items alternate key, value; duplicate keys are kept in stored order
    Global,  // a callable of the builtin whitelist, waiting for REDUCE
};

class Document {
public:
    // Decodes the stream up to its STOP opcode. Throws DecodeError "eval error at offset {}: {}".
    explicit Document(std::span<const std::uint8_t> bytes);

    // Refuses bytes after the STOP opcode ("trailing bytes found").
    void check_trailing() const;

    NodeId root() const { return root_; }
    std::size_t input_size() const { return input_.size(); }

    Kind kind(NodeId n) const { return nodes_[n].kind; }
    bool boolean(NodeId n) const { return nodes_[n].u != 0; }
    std::int64_t int_signed(NodeId n) const { return static_cast<std::int64_t>(nodes_[n].u); }
    std::uint64_t int_bits(NodeId n) const { return nodes_[n].u; }
    bool int_is_unsigned(NodeId n) const { return nodes_[n].flag; }  // above INT64_MAX
    bool bigint_negative(NodeId n) const { return nodes_[n].flag; }
    double float_value(NodeId n) const;
    std::string_view text(NodeId n) const;  // Str or Bytes
    std::uint32_t count(NodeId n) const { return nodes_[n].count; }  // items; a dict counts keys and values

    // BigInt: its digits as the stream wrote them, a signed decimal line (INT, LONG) or little-endian
    // two's complement bytes (LONG1, LONG4).
    struct BigIntDigits {
        bool decimal;
        std::string_view digits;
    };
    BigIntDigits bigint_digits(NodeId n) const;
    // Str or Bytes: the node whose text n shares; n itself unless bytes() or bytearray() copied it.
    NodeId text_origin(NodeId n) const { return nodes_[n].u != 0 ? static_cast<NodeId>(nodes_[n].u - 1) : n; }

    // Forward cursor over a container's items.
    class Cursor {
    public:
        bool done() const { return left_ == 0; }
        std::uint32_t left() const { return left_; }
        NodeId next() {
            const Segment& s = doc_->segments_[seg_];
            const NodeId id = doc_->items_[s.start + pos_];
            if (++pos_ == s.len) {
                seg_ = s.next;
                pos_ = 0;
            }
            --left_;
            return id;
        }

    private:
        friend class Document;
        const Document* doc_ = nullptr;
        std::uint32_t seg_ = 0, pos_ = 0, left_ = 0;
    };
    Cursor items(NodeId container) const;

private:
    friend struct Parser;

    struct Node {
        Kind kind;
        bool flag = false;       // Int: unsigned above INT64_MAX; BigInt: negative; Str/Bytes: in pool
        bool hashable = true;
        std::uint32_t count = 0;  // containers: item count
        std::uint32_t first = 0, last = 0;  // containers: segment chain; Str/Bytes/BigInt: offset, length
        std::uint64_t u = 0;  // Bool, Int bits, Float bits, Global id; BigInt: 1 if decimal;
                              // Bytes copied by a constructor: 1 + the node it copied
    };
    struct Segment {
        std::uint32_t start, len, next;
    };
    static constexpr std::uint32_t no_segment = 0xFFFFFFFFu;

    NodeId add(Node n);
    void append_items(NodeId container, std::span<const NodeId> items);

    std::span<const std::uint8_t> input_;
    std::size_t end_ = 0;  // offset just past STOP
    NodeId root_ = 0;
    std::vector<Node> nodes_;
    std::vector<NodeId> items_;
    std::vector<Segment> segments_;
    std::vector<char> pool_;  // decoded text that is not a plain slice of the input
};

}  // namespace quorix::pickle
