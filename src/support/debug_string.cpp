#include "support/debug_string.hpp"

#include <charconv>
#include <cstdint>

namespace quorix {

namespace {

void append_hex(std::string& out, std::uint32_t v) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, 16);
    out.append("\\u{").append(buf, r.ptr).push_back('}');
}

}  // namespace

std::string debug_quoted(std::string_view s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '\0': out += "\\0"; continue;
            case '\t': out += "\\t"; continue;
            case '\r': out += "\\r"; continue;
            case '\n': out += "\\n"; continue;
            case '\\': out += "\\\\"; continue;
            case '"': out += "\\\""; continue;
            default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            append_hex(out, c);
        } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
            append_hex(out, static_cast<unsigned char>(s[i + 1]));  // C1 controls U+0080..U+009F
            ++i;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out += '"';
    return out;
}

}  // namespace quorix
