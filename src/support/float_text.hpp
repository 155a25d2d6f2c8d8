// Decimal texts of floats: shortest digits that read back to the same value.
#pragma once

#include <string>

namespace quorix {

// Plain positional form, no exponent, no trailing ".0": 1.0 -> "1", 1e20 -> "100000000000000000000",
// 1e-7 -> "0.0000001", -0.0 -> "-0"; "NaN", "inf", "-inf".
void append_plain(std::string& out, double v);
void append_plain(std::string& out, float v);

// Debug form: positional with at least one fractional digit for 1e-4 <= |x| < 1e16 and for 0
// ("1.0", "0.0001"), exponent form otherwise ("1e-5", "1.5e16"); "NaN", "inf", "-inf".
void append_debug(std::string& out, double v);
void append_debug(std::string& out, float v);

inline std::string plain_text(double v) { std::string s; append_plain(s, v); return s; }
inline std::string debug_text(double v) { std::string s; append_debug(s, v); return s; }
inline std::string debug_text(float v) { std::string s; append_debug(s, v); return s; }

}  // namespace quorix
