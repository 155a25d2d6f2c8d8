// Decoding of the textual argument forms of pickle opcodes (protocol 0 lines, UTF-8 checks,
// Latin-1 bytes). Each decoder appends to `out` and returns null, or returns the error message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorix::pickle::text_forms {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool valid_utf8(std::string_view s);

// The text with every maximal ill-formed subsequence replaced by U+FFFD, as Python's
// bytes.decode("utf-8", "replace") and Rust's String::from_utf8_lossy do; valid text is unchanged.
std::string replace_invalid_utf8(std::string_view s);

std::string_view trim(std::string_view s);

// STRING: a quoted Python literal with backslash escapes, decoded to bytes.
const char* decode_quoted(std::string_view line, std::vector<char>& out);
// UNICODE: raw-unicode-escape (Latin-1 bytes, \uXXXX and \UXXXXXXXX), decoded to UTF-8.
const char* decode_raw_unicode(std::string_view line, std::vector<char>& out);
// The bytes of a UTF-8 text whose characters all lie below U+0100.
const char* encode_latin1(std::string_view utf8, std::vector<char>& out);

// INT and LONG lines: an optionally signed decimal.
struct TextInt {
    bool valid = false;
    bool big = false;       // beyond 64 bits
    bool negative = false;
    bool above_signed = false;  // in 2^63 .. 2^64-1
    std::uint64_t bits = 0;
};
TextInt parse_int(std::string_view text);

// FLOAT lines, as Python's float() reads them; false for a malformed line.
bool parse_float(std::string_view text, double& value);

}  // namespace quorix::pickle::text_forms
