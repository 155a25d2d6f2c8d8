#include "pickle/reader.hpp"

#include <cmath>
#include <limits>

#include "pickle/errors.hpp"
#include "pickle/pickle.hpp"
#include "support/debug_string.hpp"
#include "support/float_text.hpp"

namespace quorix::pickle {

namespace {

// Memo references let a short stream name one value many times; the typed reading may look at
// this many values per input byte (plus a fixed allowance) before it gives up.
constexpr std::size_t budget_per_byte = 8;
constexpr std::size_t budget_base = std::size_t{1} << 20;

std::string float_unexpected(double v) {
    std::string s = "floating point `";
    const std::size_t start = s.size();
    append_plain(s, v);
    if (std::isfinite(v) && s.find('.', start) == std::string::npos) s += ".0";
    return s + "`";
}

}  // namespace

Reader::Reader(const Document& doc) : doc_(doc), budget_(budget_base + budget_per_byte * doc.input_size()) {}

void Reader::spend() {
    if (budget_ == 0) decoding_error("shared references expand beyond the size limit");
    --budget_;
}

std::string Reader::unexpected(NodeId n) const {
    switch (doc_.kind(n)) {
        case Kind::None: return "unit value";
        case Kind::Bool: return doc_.boolean(n) ? "boolean `true`" : "boolean `false`";
        case Kind::Int:
            return "integer `" +
                   (doc_.int_is_unsigned(n) ? std::to_string(doc_.int_bits(n)) : std::to_string(doc_.int_signed(n))) +
                   "`";
        case Kind::BigInt: decoding_error("invalid value: integer too large");
        case Kind::Float: return float_unexpected(doc_.float_value(n));
        case Kind::Str: return "string " + debug_quoted(doc_.text(n));
        case Kind::Bytes: return "byte array";
        case Kind::List:
        case Kind::Tuple:
        case Kind::Set:
        case Kind::FrozenSet: return "sequence";
        case Kind::Dict: return "map";
        case Kind::Global: break;
    }
    return "unit value";  // unreachable: the decoder refuses unapplied globals
}

void Reader::invalid_type(NodeId found, std::string_view expected) const {
    decoding_error("invalid type: " + unexpected(found) + ", expected " + std::string(expected));
}

void Reader::invalid_length(std::size_t found, std::string_view expected) {
    decoding_error("invalid length " + std::to_string(found) + ", expected " + std::string(expected));
}

void Reader::invalid_value(std::string_view found, std::string_view expected) {
    decoding_error("invalid value: " + std::string(found) + ", expected " + std::string(expected));
}

double Reader::read_f64(NodeId n) {
    spend();
    switch (doc_.kind(n)) {
        case Kind::Float: return doc_.float_value(n);
        case Kind::Int:
            return doc_.int_is_unsigned(n) ? static_cast<double>(doc_.int_bits(n))
                                           : static_cast<double>(doc_.int_signed(n));
        default: invalid_type(n, "f64");
    }
}

float Reader::read_f32(NodeId n) {
    spend();
    switch (doc_.kind(n)) {
        case Kind::Float: return static_cast<float>(doc_.float_value(n));  // nearest, sign kept
        case Kind::Int:
            return doc_.int_is_unsigned(n) ? static_cast<float>(doc_.int_bits(n))
                                           : static_cast<float>(doc_.int_signed(n));
        default: invalid_type(n, "f32");
    }
}

bool Reader::read_bool(NodeId n) {
    spend();
    if (doc_.kind(n) != Kind::Bool) invalid_type(n, "a boolean");
    return doc_.boolean(n);
}

std::uint64_t Reader::read_unsigned(NodeId n, std::uint64_t max, std::string_view expected) {
    spend();
    if (doc_.kind(n) != Kind::Int) invalid_type(n, expected);
    const bool negative = !doc_.int_is_unsigned(n) && doc_.int_signed(n) < 0;
    if (negative || doc_.int_bits(n) > max) invalid_value(unexpected(n), expected);
    return doc_.int_bits(n);
}

std::int64_t Reader::read_signed(NodeId n, std::int64_t min, std::int64_t max, std::string_view expected) {
    spend();
    if (doc_.kind(n) != Kind::Int) invalid_type(n, expected);
    if (doc_.int_is_unsigned(n) || doc_.int_signed(n) < min || doc_.int_signed(n) > max)
        invalid_value(unexpected(n), expected);
    return doc_.int_signed(n);
}

Document::Cursor Reader::sequence(NodeId n, std::string_view expected) {
    spend();
    switch (doc_.kind(n)) {
        case Kind::List:
        case Kind::Tuple:
        case Kind::Set:
        case Kind::FrozenSet: return doc_.items(n);
        default: invalid_type(n, expected);
    }
}

void Reader::read_record(NodeId n, std::string_view name, std::span<const FieldSlot<Reader>> fields) {
    spend();
    const Kind kind = doc_.kind(n);
    if (kind == Kind::Dict) {
        std::uint64_t seen = 0;  // records have at most 64 fields
        for (auto c = doc_.items(n); !c.done();) {
            const NodeId key = c.next();
            const NodeId value = c.next();
            spend();
            const Kind kk = doc_.kind(key);
            if (kk != Kind::Str && kk != Kind::Bytes) invalid_type(key, "field identifier");
            const std::string_view text = doc_.text(key);
            std::size_t i = 0;
            while (i < fields.size() && fields[i].name != text) ++i;
            if (i == fields.size()) continue;  // not a field of this record: skipped unread
            if (seen & (std::uint64_t{1} << i))
                decoding_error("duplicate field `" + std::string(fields[i].name) + "`");
            seen |= std::uint64_t{1} << i;
            fields[i].read(*this, value, fields[i].target);
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (seen & (std::uint64_t{1} << i)) continue;
            if (!fields[i].absent) decoding_error("missing field `" + std::string(fields[i].name) + "`");
            fields[i].absent(fields[i].target);
        }
        return;
    }
    if (kind == Kind::List || kind == Kind::Tuple || kind == Kind::Set || kind == Kind::FrozenSet) {
        auto c = doc_.items(n);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (c.done())
                invalid_length(i, "struct " + std::string(name) + " with " + std::to_string(fields.size()) +
                                      " elements");
            fields[i].read(*this, c.next(), fields[i].target);
        }
        return;
    }
    invalid_type(n, "struct " + std::string(name));
}

}  // namespace quorix::pickle
