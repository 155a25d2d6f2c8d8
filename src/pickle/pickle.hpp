// Pickle protocol 3 states of fixed-size float values: the entry points the algebra classes use.
//
// A state is PROTO 3, MARK, one BINFLOAT per value, TUPLE, STOP. Reading accepts any pickle of a
// tuple or list whose first n items are numbers, as written by Python's own pickle module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <exception>
#include <string>
#include <string_view>

namespace quorix::pickle {

// Byte length of the state of n floats.
constexpr std::size_t float_tuple_size(std::size_t n) { return 5 + 9 * n; }

// Writes exactly float_tuple_size(values.size()) bytes to out: 0x80 0x03 '(' then 'G' and the
// big-endian IEEE double per value, then 't' '.'.
void write_float_tuple(std::span<const double> values, std::uint8_t* out);

// A refused stream. message() is the text shown after "pickle decode failed: ", for example
// "decoding error: invalid length 2, expected a sequence of 3 f64 values" or
// "eval error at offset 32: trailing bytes found"; what() is the same text as a C string, which
// stops at the first NUL byte the message quotes from the stream.
// The message is always valid UTF-8: bytes of the stream it quotes that are not (a FLOAT line of
// 0xFF, say) are each replaced as Python's "replace" error handler does, by U+FFFD per maximal
// ill-formed subsequence.
class DecodeError : public std::exception {
public:
    explicit DecodeError(std::string_view message);
    std::string_view message() const noexcept { return *message_; }
    const char* what() const noexcept override { return message_->c_str(); }

private:
    std::shared_ptr<const std::string> message_;  // shared, so that copies cannot throw
};

// Reads one pickled tuple or list whose first out.size() items are numbers (floats, or integers
// converted to double); later items are ignored. `expected` names the wanted value in the
// messages ("a sequence of 3 f64 values"). Throws DecodeError.
void read_float_sequence(std::span<const std::uint8_t> bytes, std::span<double> out, std::string_view expected);

}  // namespace quorix::pickle
