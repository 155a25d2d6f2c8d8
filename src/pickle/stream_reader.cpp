#include "pickle/stream_reader.hpp"

namespace quorix::pickle {

StreamReader::StreamReader(std::span<const std::uint8_t> bytes) : in_(bytes) {
    if (bytes.size() >= 0xFFFFFFFFu) give_up();  // the Document's size limit
}

void StreamReader::begin() {
    for (;;) {
        const std::uint8_t op = peek();
        if (op == 0x80) {  // PROTO
            if (*(take(2) + 1) > 5) give_up();
        } else if (op == 0x95) {
            skip_frame();
        } else {
            return;
        }
    }
}

void StreamReader::finish() {
    expect('.');
    if (pos_ != in_.size()) give_up();
}

void StreamReader::skip_frame() {
    // A length hint only, but one that claims more than is left is refused.
    const std::uint64_t len = load_le(take(9) + 1, 8);
    if (len > in_.size() - pos_) give_up();
}

void StreamReader::skip_puts() {
    while (pos_ < in_.size()) {
        switch (in_[pos_]) {
            case 'q': take(2); break;  // BINPUT
            case 'r': take(5); break;  // LONG_BINPUT
            case 0x94: ++pos_; break;  // MEMOIZE
            case 0x95: skip_frame(); break;
            default: return;
        }
    }
}

LeInt StreamReader::integer() {
    LeInt v;
    switch (peek()) {
        case 'J': v = decode_le_int(take(5) + 1, 4); break;  // BININT, signed
        case 'K': v.bits = load_le(take(2) + 1, 1); break;    // BININT1
        case 'M': v.bits = load_le(take(3) + 1, 2); break;    // BININT2
        case 0x8a: {  // LONG1
            const std::size_t n = *(take(2) + 1);
            v = decode_le_int(take(n), n);
            break;
        }
        default: give_up();
    }
    if (v.big) give_up();
    return v;
}

bool StreamReader::read_bool(Here) {
    const std::uint8_t op = peek();
    if (op != 0x88 && op != 0x89) give_up();
    ++pos_;
    skip_puts();
    return op == 0x88;
}

std::uint64_t StreamReader::read_unsigned(Here, std::uint64_t max, std::string_view) {
    const LeInt v = integer();
    if (v.negative || v.bits > max) give_up();
    skip_puts();
    return v.bits;
}

std::int64_t StreamReader::read_signed(Here, std::int64_t min, std::int64_t max, std::string_view) {
    const LeInt v = integer();
    const auto s = static_cast<std::int64_t>(v.bits);
    if (v.above_signed || s < min || s > max) give_up();
    skip_puts();
    return s;
}

bool StreamReader::is_none(Here) {
    if (peek() != 'N') return false;
    ++pos_;
    skip_puts();
    return true;
}

StreamReader::Cursor StreamReader::sequence(Here, std::string_view) {
    expect(']');
    skip_puts();
    return {*this, Cursor::Form::list};
}

StreamReader::Cursor StreamReader::tuple_items(Here, std::string_view) {
    if (peek() != '(') return {*this, Cursor::Form::bare_tuple};
    ++pos_;
    return {*this, Cursor::Form::marked_tuple};
}

bool StreamReader::Cursor::done() {
    if (closed_) return true;
    StreamReader& r = *r_;
    switch (form_) {
        case Form::list:
            for (;;) {
                if (in_batch_) {
                    if (r.peek() != 'e') return false;
                    ++r.pos_;
                    in_batch_ = false;
                    r.skip_puts();
                } else if (r.pos_ < r.in_.size() && r.in_[r.pos_] == '(') {
                    ++r.pos_;
                    in_batch_ = true;
                } else {
                    break;
                }
            }
            break;
        case Form::marked_tuple:
            if (r.peek() != 't') return false;
            ++r.pos_;
            break;
        case Form::bare_tuple: {
            const std::uint8_t op = r.peek();
            if (op < 0x85 || op > 0x87) return false;
            if (op - 0x84u != count_) give_up();
            ++r.pos_;
            break;
        }
    }
    if (form_ != Form::list) r.skip_puts();
    closed_ = true;
    return true;
}

std::size_t StreamReader::count_float_batches() {
    const std::uint8_t* p = in_.data() + pos_;
    const std::uint8_t* const end = in_.data() + in_.size();
    std::size_t count = 0;
    while (p != end && *p == '(') {
        ++p;
        while (p != end && *p == 'G') {
            if (end - p < 9) give_up();
            p += 9;
            ++count;
        }
        if (p == end || *p != 'e') give_up();
        ++p;
    }
    pos_ = static_cast<std::size_t>(p - in_.data());
    return count;
}

void StreamReader::read_record(Here, std::string_view, std::span<const FieldSlot<StreamReader>> fields) {
    expect('}');
    skip_puts();
    std::uint64_t seen = 0;
    if (pos_ < in_.size() && in_[pos_] == '(') {
        ++pos_;
        while (peek() != 'u') {
            std::size_t len = 0;
            if (peek() == 'X') {  // BINUNICODE
                len = load_le(take(5) + 1, 4);
            } else if (peek() == 0x8c) {  // SHORT_BINUNICODE
                len = load_le(take(2) + 1, 1);
            } else {
                give_up();
            }
            const std::string_view key(reinterpret_cast<const char*>(take(len)), len);
            skip_puts();
            std::size_t i = 0;
            while (i < fields.size() && fields[i].name != key) ++i;
            if (i == fields.size() || (seen & (std::uint64_t{1} << i))) give_up();
            seen |= std::uint64_t{1} << i;
            fields[i].read(*this, Here{}, fields[i].target);
        }
        ++pos_;
        skip_puts();
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (seen & (std::uint64_t{1} << i)) continue;
        if (!fields[i].absent) give_up();
        fields[i].absent(fields[i].target);
    }
}

}  // namespace quorix::pickle
