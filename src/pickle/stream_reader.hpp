// Reading a stored value straight from the opcodes, with nothing built per item: the record readers
// (record.hpp) read from this source first and from the decoded Document (reader.hpp) only when it
// gives up.
//
// It follows the forms this codec writes and the plain ones Python's pickle writes for the same
// data: EMPTY_DICT with SETITEMS batches keyed by BINUNICODE or SHORT_BINUNICODE, EMPTY_LIST with
// APPENDS batches, MARK ... TUPLE or TUPLE1..3, BINFLOAT, BININT/BININT1/BININT2/LONG1, the two
// booleans, NONE, memo puts after a value, and FRAME anywhere. Each of these is run exactly as the
// pickle machine runs it, so a value read here is the value the Document gives. Anything else - another
// opcode, a memo reference, a positional record, an unknown or repeated key, extra tuple items, an
// out-of-range number, a malformed or truncated stream, a value its type refuses - throws
// NotDirect, and the caller reads the stream again through the Document, which accepts it or
// refuses it with the codec's message. The fallback keeps every limit and message of the Document
// path: nothing is refused here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "pickle/binary_forms.hpp"
#include "pickle/reader.hpp"

namespace quorix::pickle {

// The stream leaves the forms the StreamReader follows.
struct NotDirect {};

class StreamReader {
public:
    // The value that starts at the reading position.
    struct Here {};
    using Value = Here;

    // Any size: unlike the Document, it keeps no 32-bit ids.
    explicit StreamReader(std::span<const std::uint8_t> bytes) : in_(bytes) {}

    // PROTO and FRAME before the value; STOP and the end of the bytes after it.
    void begin();
    void finish();

    double read_f64(Here) { return number<double>(); }
    float read_f32(Here) { return number<float>(); }
    bool read_bool(Here);
    std::uint64_t read_unsigned(Here, std::uint64_t max, std::string_view);
    std::int64_t read_signed(Here, std::int64_t min, std::int64_t max, std::string_view);
    bool is_none(Here);  // consumes a NONE

    // Items of a list (EMPTY_LIST and APPENDS batches) or of a tuple (MARK ... TUPLE, or the items
    // then TUPLE1..3). done() consumes the closing opcodes; the count is known only at the end.
    class Cursor {
    public:
        bool done();
        Here next() {
            ++count_;
            return {};
        }
        std::size_t left() const { return 0; }

    private:
        friend class StreamReader;
        enum class Form : std::uint8_t { list, marked_tuple, bare_tuple };
        Cursor(StreamReader& r, Form form) : r_(&r), form_(form) {}
        StreamReader* r_;
        Form form_;
        bool in_batch_ = false, closed_ = false;
        std::size_t count_ = 0;
    };
    Cursor sequence(Here, std::string_view);
    Cursor tuple_items(Here, std::string_view);
    // A fixed group ends with its last item: more items leave the direct path.
    void finish_items(Cursor& c) {
        if (!c.done()) give_up();
    }

    // A list of BINFLOATs, counted first so that `out` is sized once, then filled.
    template <class Buffer>
    void read_floats(Here, Buffer& out) {
        using F = typename Buffer::value_type;
        expect(']');
        skip_puts();
        const std::size_t start = pos_;
        const std::size_t count = count_float_batches();
        out.clear();
        out.reserve(count);
        // What was counted: MARK, APPENDS, and BINFLOAT and FRAME, both nine bytes long.
        const std::uint8_t* p = in_.data() + start;
        const std::uint8_t* const end = in_.data() + pos_;
        while (p != end) {
            if (*p == 'G') out.push_back(static_cast<F>(load_be64(p + 1)));
            p += *p == 'G' || *p == 0x95 ? 9 : 1;
        }
        skip_puts();
    }

    void read_record(Here, std::string_view name, std::span<const FieldSlot<StreamReader>> fields);

private:
    [[noreturn]] static void give_up() { throw NotDirect{}; }
    // FRAME only announces a length, which must fit in what is left; the machine runs it anywhere.
    void skip_frames();
    // The next opcode other than FRAME; the stream must not end here.
    std::uint8_t peek() {
        skip_frames();
        if (pos_ == in_.size()) give_up();
        return in_[pos_];
    }
    // Whether the next opcode other than FRAME is `op`, consuming it if so.
    bool take_if(std::uint8_t op) {
        skip_frames();
        if (pos_ == in_.size() || in_[pos_] != op) return false;
        ++pos_;
        return true;
    }
    const std::uint8_t* take(std::size_t n) {
        if (in_.size() - pos_ < n) give_up();
        pos_ += n;
        return in_.data() + pos_ - n;
    }
    void expect(std::uint8_t op) {
        if (!take_if(op)) give_up();
    }
    // Memo puts after a value: each names the value on top of the stack.
    void skip_puts();
    // Moves past the APPENDS batches of BINFLOATs that follow an EMPTY_LIST; returns their count.
    std::size_t count_float_batches();

    // An integer opcode: BININT, BININT1, BININT2 or LONG1.
    LeInt integer();
    template <class F>
    F number() {
        F v;
        if (peek() == 'G') {
            v = static_cast<F>(load_be64(take(9) + 1));
        } else {
            const LeInt i = integer();
            // As the Document reads integers into floats: converted from their 64 bits directly.
            v = i.above_signed ? static_cast<F>(i.bits) : static_cast<F>(static_cast<std::int64_t>(i.bits));
        }
        skip_puts();
        return v;
    }

    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
};

}  // namespace quorix::pickle
