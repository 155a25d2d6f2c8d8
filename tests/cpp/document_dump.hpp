// Decoded pickle Documents shown as Python-like text, for the C++ tests of the codec.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "pickle/document.hpp"

namespace document_dump {

namespace qp = quorix::pickle;

inline std::span<const std::uint8_t> as_bytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// A 32-bit count or index as a stream writes it, little-endian.
inline std::string le32(std::uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
    return out;
}

inline std::string escaped(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 32 && c < 127 && c != '\\' && c != '\'') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out;
}

// A Python-like text of the decoded tree, to compare with what Python itself decoded.
inline std::string dump(const qp::Document& d, qp::NodeId n) {
    auto items = [&](const char* open, const char* close, const char* sep) {
        std::string s = open;
        bool first = true;
        for (auto c = d.items(n); !c.done(); first = false) {
            if (!first) s += ", ";
            s += dump(d, c.next());
            if (sep) s += sep + dump(d, c.next());
        }
        return s + close;
    };
    switch (d.kind(n)) {
        case qp::Kind::None: return "None";
        case qp::Kind::Bool: return d.boolean(n) ? "True" : "False";
        case qp::Kind::Int:
            return d.int_is_unsigned(n) ? std::to_string(d.int_bits(n)) : std::to_string(d.int_signed(n));
        case qp::Kind::BigInt: return d.bigint_negative(n) ? "big-" : "big+";
        case qp::Kind::Float: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", d.float_value(n));
            return buf;
        }
        case qp::Kind::Str: return "s'" + escaped(d.text(n)) + "'";
        case qp::Kind::Bytes: return "b'" + escaped(d.text(n)) + "'";
        case qp::Kind::List: return items("[", "]", nullptr);
        case qp::Kind::Tuple: return items("(", ")", nullptr);
        case qp::Kind::Dict: return items("{", "}", ": ");
        case qp::Kind::Set: return items("set{", "}", nullptr);
        case qp::Kind::FrozenSet: return items("frozenset{", "}", nullptr);
        case qp::Kind::Global: return "global";
    }
    return "?";
}

}  // namespace document_dump
