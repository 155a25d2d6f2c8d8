// Reader of one flat JSON array of numbers. It stops where serde_json's reader stops and reports
// the same message and position: a column is the count of bytes on the line up to the stop point.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

#include "json/json.hpp"
#include "support/debug_string.hpp"

namespace quorix::json {

namespace {

bool is_digit(int c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    void read_array(std::span<double> out, std::string_view expected) {
        const int p = peek_whitespace();
        if (p < 0) peek_fail("EOF while parsing a value");
        if (p != '[') invalid_type(expected);
        ++i_;
        std::optional<std::size_t> short_count;
        bool first = true;
        for (std::size_t k = 0; k < out.size(); ++k) {
            if (!has_next_element(first)) {
                short_count = k;
                break;
            }
            out[k] = read_f64();
        }
        // The closing bracket is looked for even after a short array: the message of a short
        // array carries the position after it.
        end_array(short_count.has_value());
        if (short_count)
            fail_at(i_, "invalid length " + std::to_string(*short_count) + ", expected " + std::string(expected));
        if (peek_whitespace() >= 0) peek_fail("trailing characters");
    }

private:
    [[noreturn]] void fail_at(std::size_t index, const std::string& message) const {
        std::size_t start_of_line = 0;
        std::size_t line = 1;
        for (std::size_t k = 0; k < index; ++k) {
            if (s_[k] == '\n') {
                ++line;
                start_of_line = k + 1;
            }
        }
        throw JsonError(message + " at line " + std::to_string(line) + " column " +
                        std::to_string(index - start_of_line));
    }
    [[noreturn]] void fail(const std::string& message) const { fail_at(i_, message); }
    [[noreturn]] void peek_fail(const std::string& message) const {
        fail_at(std::min(s_.size(), i_ + 1), message);
    }

    int peek() const { return i_ < s_.size() ? static_cast<unsigned char>(s_[i_]) : -1; }
    int next() { return i_ < s_.size() ? static_cast<unsigned char>(s_[i_++]) : -1; }
    int peek_whitespace() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
        return peek();
    }

    bool has_next_element(bool& first) {
        int p = peek_whitespace();
        if (p == ']') return false;
        if (p == ',' && !first) {
            ++i_;
            p = peek_whitespace();
        } else if (p >= 0) {
            if (!first) peek_fail("expected `,` or `]`");
            first = false;
        } else {
            peek_fail("EOF while parsing a list");
        }
        if (p == ']') peek_fail("trailing comma");
        if (p < 0) peek_fail("EOF while parsing a value");
        return true;
    }

    // After the wanted count: the array must close here. A short array has no error of its own
    // from this step.
    void end_array(bool short_array) {
        const int p = peek_whitespace();
        if (p == ']') {
            ++i_;
            return;
        }
        if (short_array) return;
        if (p == ',') {
            ++i_;
            peek_fail(peek_whitespace() == ']' ? "trailing comma" : "trailing characters");
        }
        if (p >= 0) peek_fail("trailing characters");
        peek_fail("EOF while parsing a list");
    }

    double read_f64() {
        const int p = peek_whitespace();
        if (p < 0) peek_fail("EOF while parsing a value");
        if (p != '-' && !is_digit(p)) invalid_type("f64");
        return scan_number().value;
    }

    struct Number {
        double value;
        std::string unexpected;  // how a message names it
    };

    // A number starting at the current position ('-' or a digit), by the JSON grammar.
    Number scan_number() {
        const std::size_t start = i_;
        const bool negative = peek() == '-';
        if (negative) ++i_;
        const int c = next();
        if (c < 0) fail("EOF while parsing a value");
        if (c == '0') {
            if (is_digit(peek())) peek_fail("invalid number");
        } else if (is_digit(c)) {
            while (is_digit(peek())) ++i_;
        } else {
            fail("invalid number");
        }
        bool integral = true;
        if (peek() == '.') {
            ++i_;
            integral = false;
            if (!is_digit(peek())) peek_fail(peek() < 0 ? "EOF while parsing a value" : "invalid number");
            while (is_digit(peek())) ++i_;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++i_;
            integral = false;
            if (peek() == '+' || peek() == '-') ++i_;
            const int d = next();
            if (d < 0) fail("EOF while parsing a value");
            if (!is_digit(d)) fail("invalid number");
            while (is_digit(peek())) ++i_;
        }
        const std::string_view text = s_.substr(start, i_ - start);

        if (integral) {  // integers that fit 64 bits are integers in messages
            const std::string_view digits = negative ? text.substr(1) : text;
            std::uint64_t mag = 0;
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), mag);
            if (r.ec == std::errc{}) {
                if (!negative) return {static_cast<double>(mag), "integer `" + std::string(text) + "`"};
                if (mag != 0 && mag <= (std::uint64_t{1} << 63))
                    return {-static_cast<double>(mag), "integer `" + std::string(text) + "`"};
            }
        }
        double v = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
        if (r.ec == std::errc::result_out_of_range) {
            if (!underflows(text)) fail("number out of range");
            v = negative ? -0.0 : 0.0;
        }
        std::string name = "floating point `";
        append_number(name, v);
        return {v, name + "`"};
    }

    // Whether an out-of-range decimal is tiny (rounds to zero) rather than huge.
    static bool underflows(std::string_view text) {
        const std::size_t e = text.find_first_of("eE");
        const std::string_view mantissa = text.substr(0, e);
        long long exponent = 0;
        if (e != std::string_view::npos) {
            std::string_view ex = text.substr(e + 1);
            const bool neg = !ex.empty() && ex[0] == '-';
            if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) ex.remove_prefix(1);
            if (std::from_chars(ex.data(), ex.data() + ex.size(), exponent).ec != std::errc{})
                exponent = 1'000'000'000;  // beyond any double either way
            if (neg) exponent = -exponent;
        }
        // Decimal exponent of the first significant digit.
        const std::size_t point = mantissa.find('.');
        const std::size_t int_end = point == std::string_view::npos ? mantissa.size() : point;
        const std::size_t first = mantissa.find_first_of("123456789");
        if (first == std::string_view::npos) return true;
        const long long lead = first < int_end ? static_cast<long long>(int_end - first) - 1
                                               : -static_cast<long long>(first - int_end);
        return lead + exponent < 0;
    }

    // What serde_json reads to name a value of the wrong kind, and the error it then gives.
    [[noreturn]] void invalid_type(std::string_view expected) {
        std::string found;
        switch (peek()) {
            case 'n':
                ++i_;
                ident("ull");
                found = "null";
                break;
            case 't':
                ++i_;
                ident("rue");
                found = "boolean `true`";
                break;
            case 'f':
                ++i_;
                ident("alse");
                found = "boolean `false`";
                break;
            case '"':
                ++i_;
                found = "string " + debug_quoted(string_body());
                break;
            case '[': found = "sequence"; break;
            case '{': found = "map"; break;
            default:
                if (peek() == '-' || is_digit(peek())) {
                    found = scan_number().unexpected;
                    break;
                }
                peek_fail("expected value");
        }
        fail("invalid type: " + found + ", expected " + std::string(expected));
    }

    void ident(std::string_view rest) {
        for (char want : rest) {
            const int c = next();
            if (c < 0) fail("EOF while parsing a value");
            if (c != want) fail("expected ident");
        }
    }

    std::uint32_t hex_escape() {
        if (s_.size() - i_ < 4) {
            i_ = s_.size();
            fail("EOF while parsing a string");
        }
        std::uint32_t v = 0;
        bool ok = true;
        for (int k = 0; k < 4; ++k) {
            const int h = hex_value(s_[i_ + static_cast<std::size_t>(k)]);
            ok = ok && h >= 0;
            v = (v << 4) | static_cast<std::uint32_t>(h < 0 ? 0 : h);
        }
        i_ += 4;
        if (!ok) fail("invalid escape");
        return v;
    }

    // The rest of a string after its opening quote, decoded.
    std::string string_body() {
        std::string out;
        for (;;) {
            if (i_ == s_.size()) fail("EOF while parsing a string");
            const auto c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return out;
            if (c < 0x20) fail("control character (\\u0000-\\u001F) found while parsing a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            const int e = next();
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    std::uint32_t cp = hex_escape();
                    if (cp >= 0xDC00 && cp <= 0xDFFF) fail("lone leading surrogate in hex escape");
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        if (next() != '\\' || next() != 'u') fail("unexpected end of hex escape");
                        const std::uint32_t low = hex_escape();
                        if (low < 0xDC00 || low > 0xDFFF) fail("lone leading surrogate in hex escape");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    append_utf8(out, cp);
                    break;
                }
                case -1: fail("EOF while parsing a string");
                default: fail("invalid escape");
            }
        }
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

}  // namespace

void read_json_array(std::string_view text, std::span<double> out, std::string_view expected) {
    Parser(text).read_array(out, expected);
}

}  // namespace quorix::json
