#include <charconv>
#include <cmath>

#include "json/json.hpp"

namespace quorix::json {

void append_number(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    // Shortest digits in scientific form: d[.ddd]e±XX.
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
    const std::size_t e_pos = sci.find('e');
    std::string_view mantissa = sci.substr(0, e_pos);
    int exponent = 0;
    std::from_chars(sci.data() + e_pos + (sci[e_pos + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
    if (mantissa.front() == '-') {
        out += '-';
        mantissa.remove_prefix(1);
    }
    std::string digits(1, mantissa[0]);
    if (mantissa.size() > 2) digits.append(mantissa.substr(2));
    const int n = static_cast<int>(digits.size());

    if (exponent < -5 || exponent > 15) {
        out += digits[0];
        if (n > 1) out.append(".").append(digits, 1);
        out += exponent < 0 ? "e-" : "e+";
        out += std::to_string(exponent < 0 ? -exponent : exponent);
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else if (n <= exponent + 1) {
        out += digits;
        out.append(static_cast<std::size_t>(exponent + 1 - n), '0');
        out += ".0";
    } else {
        out.append(digits, 0, static_cast<std::size_t>(exponent + 1));
        out += '.';
        out.append(digits, static_cast<std::size_t>(exponent + 1));
    }
}

std::string write_json_array(std::span<const double> values) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        append_number(out, values[i]);
    }
    out += ']';
    return out;
}

}  // namespace quorix::json
