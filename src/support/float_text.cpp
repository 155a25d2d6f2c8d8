#include "support/float_text.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace quorix {
namespace {

// Shortest round-trip digits and decimal exponent: value = 0.d1d2...dn * 10^point.
struct Digits {
    char d[32];
    int n = 0;
    int point = 0;  // position of the decimal point relative to the first digit
};

template <class F>
Digits shortest_digits(F v) {
    // Scientific form of to_chars gives the shortest digits without the fixed form's exact integers.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    Digits out;
    const char* p = buf;
    const char* end = res.ptr;
    if (*p == '-') ++p;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') out.d[out.n++] = *p;
    int exp10 = 0;
    std::from_chars(p + 1 + (p[1] == '+'), end, exp10);
    while (out.n > 1 && out.d[out.n - 1] == '0') --out.n;
    out.point = exp10 + 1;
    return out;
}

bool append_special(std::string& out, double v) {
    if (std::isnan(v)) { out += "NaN"; return true; }
    if (std::isinf(v)) { out += v < 0 ? "-inf" : "inf"; return true; }
    return false;
}

void append_positional(std::string& out, const Digits& g, bool zero, bool min_one_fraction) {
    if (zero) {
        out += min_one_fraction ? "0.0" : "0";
        return;
    }
    if (g.point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-g.point), '0');
        out.append(g.d, g.n);
    } else if (g.point >= g.n) {
        out.append(g.d, g.n);
        out.append(static_cast<std::size_t>(g.point - g.n), '0');
        if (min_one_fraction) out += ".0";
    } else {
        out.append(g.d, g.point);
        out += '.';
        out.append(g.d + g.point, g.n - g.point);
    }
}

template <class F>
void plain(std::string& out, F v) {
    if (append_special(out, v)) return;
    if (std::signbit(v)) out += '-';
    append_positional(out, shortest_digits(v), v == 0, false);
}

template <class F>
void debug(std::string& out, F v) {
    if (append_special(out, v)) return;
    if (std::signbit(v)) out += '-';
    F a = std::fabs(v);
    if (a == 0 || (a >= F(1e-4) && a < F(1e16))) {
        append_positional(out, shortest_digits(v), v == 0, true);
        return;
    }
    Digits g = shortest_digits(v);
    out += g.d[0];
    if (g.n > 1) {
        out += '.';
        out.append(g.d + 1, g.n - 1);
    }
    out += 'e';
    char buf[8];
    auto r = std::to_chars(buf, buf + sizeof buf, g.point - 1);
    out.append(buf, r.ptr);
}

}  // namespace

void append_plain(std::string& out, double v) { plain(out, v); }
void append_plain(std::string& out, float v) { plain(out, v); }
void append_debug(std::string& out, double v) { debug(out, v); }
void append_debug(std::string& out, float v) { debug(out, v); }

}  // namespace quorix
