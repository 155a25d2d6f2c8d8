#include "pickle/text_forms.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace quorix::pickle::text_forms {

namespace {

void append_utf8(std::vector<char>& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One step through UTF-8 text at s[i]: a well-formed sequence (Unicode's table 3-7: no overlong
// forms, no surrogates, nothing above U+10FFFF), or the maximal ill-formed subsequence there, at
// least one byte long: the longest start of a well-formed sequence.
struct Utf8Step {
    std::size_t length;
    bool valid;
};

Utf8Step utf8_step(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return {1, true};
    // The sequence length a lead byte starts, and the range its second byte must lie in.
    std::size_t length = 4;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) lo = 0xA0;  // overlong below
        if (c == 0xED) hi = 0x9F;  // surrogates above
    } else if (c >= 0xF0 && c <= 0xF4) {
        if (c == 0xF0) lo = 0x90;  // overlong below
        if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF above
    } else {
        return {1, false};
    }
    std::size_t k = i + 1;
    if (k < s.size() && byte(k) >= lo && byte(k) <= hi) {
        ++k;
        while (k < s.size() && k - i < length && byte(k) >= 0x80 && byte(k) <= 0xBF) ++k;
    }
    return {k - i, k - i == length};
}

}  // namespace

bool valid_utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const Utf8Step step = utf8_step(s, i);
        if (!step.valid) return false;
        i += step.length;
    }
    return true;
}

std::string replace_invalid_utf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const Utf8Step step = utf8_step(s, i);
        if (step.valid)
            out.append(s.substr(i, step.length));
        else
            out.append("\xEF\xBF\xBD");  // U+FFFD
        i += step.length;
    }
    return out;
}

std::string_view trim(std::string_view s) {
    constexpr std::string_view blanks = " \t\r\n\v\f";
    const auto b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

const char* decode_quoted(std::string_view s, std::vector<char>& out) {
    if (s.size() < 2 || (s.front() != '\'' && s.front() != '"') || s.back() != s.front())
        return "the STRING opcode argument must be quoted";
    s = s.substr(1, s.size() - 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out.push_back(s[i]);
            continue;
        }
        const char c = s[++i];
        switch (c) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'a': out.push_back('\a'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'v': out.push_back('\v'); break;
            case '\\':
            case '\'':
            case '"': out.push_back(c); break;
            case 'x': {
                const int h1 = i + 1 < s.size() ? hex_digit(s[i + 1]) : -1;
                const int h2 = i + 2 < s.size() ? hex_digit(s[i + 2]) : -1;
                if (h1 < 0 || h2 < 0) return "invalid \\x escape in STRING";
                out.push_back(static_cast<char>(h1 * 16 + h2));
                i += 2;
                break;
            }
            default:
                if (c >= '0' && c <= '7') {
                    int v = c - '0';
                    for (int k = 0; k < 2 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7'; ++k)
                        v = v * 8 + (s[++i] - '0');
                    out.push_back(static_cast<char>(v & 0xFF));
                } else {  // unknown escapes stay as written
                    out.push_back('\\');
                    out.push_back(c);
                }
        }
    }
    return nullptr;
}

// Only an odd run of backslashes starts an escape.
const char* decode_raw_unicode(std::string_view s, std::vector<char>& out) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c != '\\') {
            append_utf8(out, c);
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i + run < s.size() && s[i + run] == '\\') ++run;
        const std::size_t after = i + run;
        const bool escape = (run % 2 == 1) && after < s.size() && (s[after] == 'u' || s[after] == 'U');
        out.insert(out.end(), escape ? run - 1 : run, '\\');
        i = after;
        if (!escape) continue;
        const std::size_t digits = s[after] == 'u' ? 4 : 8;
        if (s.size() - after - 1 < digits) return "truncated \\uXXXX escape";
        std::uint32_t cp = 0;
        for (std::size_t k = 0; k < digits; ++k) {
            const int h = hex_digit(s[after + 1 + k]);
            if (h < 0) return "truncated \\uXXXX escape";
            cp = (cp << 4) | static_cast<std::uint32_t>(h);
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return "string is not UTF-8 encoded";
        append_utf8(out, cp);
        i = after + 1 + digits;
    }
    return nullptr;
}

const char* encode_latin1(std::string_view utf8, std::vector<char>& out) {
    const std::size_t start = out.size();
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out.push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F)));
            i += 2;
        } else {
            out.resize(start);
            return "'latin-1' codec can't encode character";
        }
    }
    return nullptr;
}

TextInt parse_int(std::string_view s) {
    TextInt r;
    s = trim(s);
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        r.negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return r;
    std::uint64_t mag = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return r;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (mag > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) r.big = true;
        if (!r.big) mag = mag * 10 + digit;
    }
    r.valid = true;
    constexpr std::uint64_t i64_limit = std::uint64_t{1} << 63;
    if (r.negative && mag > i64_limit) r.big = true;
    if (r.big) return r;
    r.bits = r.negative ? ~mag + 1 : mag;
    r.above_signed = !r.negative && mag >= i64_limit;
    return r;
}

bool parse_float(std::string_view s, double& value) {
    s = trim(s);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ptr != s.data() + s.size() || (r.ec != std::errc{} && r.ec != std::errc::result_out_of_range))
        return false;
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value untouched here: give what Python's float() gives.
        const auto e = s.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && s.find('-', e) != std::string_view::npos;
        const bool negative = s[0] == '-';
        value = tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return true;
}

}  // namespace quorix::pickle::text_forms
