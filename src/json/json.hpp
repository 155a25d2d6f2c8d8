// Flat JSON arrays of floats: the text form of the algebra values.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorix::json {

// A refused text. what() is the whole message, "{} at line {} column {}".
struct JsonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Appends one number: shortest round-trip digits, positional for decimal exponents -5..15 (an
// integral value ends in ".0"), otherwise d[.ddd]e+X / e-X; NaN and infinities as "null".
void append_number(std::string& out, double value);

// "[" numbers joined by "," "]", no blanks.
std::string write_json_array(std::span<const double> values);

// Reads a JSON array of exactly out.size() numbers, whitespace allowed around tokens and nothing
// but whitespace after it. `expected` names the wanted value in the messages ("a sequence of 3
// f64 values"). Throws JsonError with the reader's message and the 1-based line and the column
// where reading stopped.
void read_json_array(std::string_view text, std::span<double> out, std::string_view expected);

}  // namespace quorix::json
