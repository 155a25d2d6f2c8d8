#include "pickle/stream_reader.hpp"

namespace quorix::pickle {

void StreamReader::begin() {
    while (take_if(0x80))  // PROTO
        if (*take(1) > 5) give_up();
}

void StreamReader::finish() {
    expect('.');
    if (pos_ != in_.size()) give_up();
}

void StreamReader::skip_frames() {
    while (pos_ < in_.size() && in_[pos_] == 0x95) {
        const std::uint64_t len = load_le(take(9) + 1, 8);
        if (len > in_.size() - pos_) give_up();
    }
}

void StreamReader::skip_puts() {
    for (;;) {
        if (take_if('q'))  // BINPUT
            take(1);
        else if (take_if('r'))  // LONG_BINPUT
            take(4);
        else if (!take_if(0x94))  // MEMOIZE
            return;
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
    const bool value = take_if(0x88);
    if (!value && !take_if(0x89)) give_up();
    skip_puts();
    return value;
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
    if (!take_if('N')) return false;
    skip_puts();
    return true;
}

StreamReader::Cursor StreamReader::sequence(Here, std::string_view) {
    expect(']');
    skip_puts();
    return {*this, Cursor::Form::list};
}

StreamReader::Cursor StreamReader::tuple_items(Here, std::string_view) {
    return {*this, take_if('(') ? Cursor::Form::marked_tuple : Cursor::Form::bare_tuple};
}

bool StreamReader::Cursor::done() {
    if (closed_) return true;
    StreamReader& r = *r_;
    switch (form_) {
        case Form::list:
            for (;;) {
                if (in_batch_) {
                    if (!r.take_if('e')) return false;
                    in_batch_ = false;
                    r.skip_puts();
                } else if (r.take_if('(')) {
                    in_batch_ = true;
                } else {
                    break;
                }
            }
            break;
        case Form::marked_tuple:
            if (!r.take_if('t')) return false;
            r.skip_puts();
            break;
        case Form::bare_tuple: {
            const std::uint8_t op = r.peek();  // TUPLE1..3 take the items just read
            if (op < 0x85 || op > 0x87) return false;
            if (op - 0x84u != count_) give_up();
            ++r.pos_;
            r.skip_puts();
            break;
        }
    }
    closed_ = true;
    return true;
}

std::size_t StreamReader::count_float_batches() {
    std::size_t count = 0;
    while (take_if('(')) {
        for (;;) {
            // Whole BINFLOATs in a row, then whatever stops them: a FRAME, APPENDS, a cut.
            const std::uint8_t* p = in_.data() + pos_;
            const std::size_t whole = (in_.size() - pos_) / 9;
            std::size_t k = 0;
            while (k < whole && p[9 * k] == 'G') ++k;
            pos_ += 9 * k;
            count += k;
            if (peek() != 'G') break;
            take(9);
            ++count;
        }
        expect('e');
    }
    return count;
}

void StreamReader::read_record(Here, std::string_view, std::span<const FieldSlot<StreamReader>> fields) {
    expect('}');
    skip_puts();
    std::uint64_t seen = 0;
    if (take_if('(')) {
        while (!take_if('u')) {
            std::size_t len = 0;
            if (take_if('X'))  // BINUNICODE
                len = load_le(take(4), 4);
            else if (take_if(0x8c))  // SHORT_BINUNICODE
                len = load_le(take(1), 1);
            else
                give_up();
            const std::string_view key(reinterpret_cast<const char*>(take(len)), len);
            skip_puts();
            std::size_t i = 0;
            while (i < fields.size() && fields[i].name != key) ++i;
            if (i == fields.size() || (seen & (std::uint64_t{1} << i))) give_up();
            seen |= std::uint64_t{1} << i;
            fields[i].read(*this, Here{}, fields[i].target);
        }
        skip_puts();
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (seen & (std::uint64_t{1} << i)) continue;
        if (!fields[i].absent) give_up();
        fields[i].absent(fields[i].target);
    }
}

}  // namespace quorix::pickle
