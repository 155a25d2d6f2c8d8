// Temporary stand-in for the pickle codec: the algebra tuple writer and a reader of the plain
// sequences the algebra classes store. Replaced by src/pickle/ when that lands.
#include "binding/pickle_bridge.hpp"

#if !__has_include("pickle/pickle.hpp")
#include <cstring>
#include <string>
#include <vector>

namespace quorix::pickle {

void write_float_tuple(std::span<const double> values, std::uint8_t* out) {
    *out++ = 0x80;
    *out++ = 0x03;
    *out++ = '(';
    for (double v : values) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        *out++ = 'G';
        for (int b = 7; b >= 0; --b) *out++ = static_cast<std::uint8_t>(bits >> (8 * b));
    }
    *out++ = 't';
    *out++ = '.';
}

namespace {
struct Value {
    enum Kind { number, sequence, other } kind = other;
    double number_value = 0;
    std::vector<Value> items;
};

[[noreturn]] void eval_error(std::size_t at, const std::string& what) {
    throw DecodeError("eval error at offset " + std::to_string(at) + ": " + what);
}
}  // namespace

void read_float_sequence(std::span<const std::uint8_t> bytes, std::span<double> out, std::string_view expected) {
    std::vector<Value> stack;
    std::vector<std::size_t> marks;
    std::vector<Value> memo;
    std::size_t i = 0;
    auto need = [&](std::size_t n) {
        if (bytes.size() - i < n) eval_error(bytes.size(), "unexpected end of stream");
    };
    auto be = [&](std::size_t n) {
        need(n);
        std::uint64_t v = 0;
        for (std::size_t k = 0; k < n; ++k) v = (v << 8) | bytes[i + k];
        i += n;
        return v;
    };
    auto le = [&](std::size_t n) {
        need(n);
        std::uint64_t v = 0;
        for (std::size_t k = 0; k < n; ++k) v |= std::uint64_t(bytes[i + k]) << (8 * k);
        i += n;
        return v;
    };
    auto pop_mark = [&](std::size_t at) {
        if (marks.empty()) eval_error(at, "no mark");
        std::size_t m = marks.back();
        marks.pop_back();
        Value seq{Value::sequence, 0, std::vector<Value>(stack.begin() + m, stack.end())};
        stack.resize(m);
        return seq;
    };
    auto pop = [&](std::size_t at) {
        if (stack.empty()) eval_error(at, "stack underflow");
        Value v = stack.back();
        stack.pop_back();
        return v;
    };
    for (;;) {
        need(1);
        std::size_t at = i;
        std::uint8_t op = bytes[i++];
        switch (op) {
            case 0x80: le(1); break;
            case 0x95: le(8); break;
            case '(': marks.push_back(stack.size()); break;
            case 't': case 'l': stack.push_back(pop_mark(at)); break;
            case ')': case ']': stack.push_back(Value{Value::sequence, 0, {}}); break;
            case 0x85: case 0x86: case 0x87: {
                std::size_t n = op - 0x84;
                if (stack.size() < n) eval_error(at, "stack underflow");
                Value seq{Value::sequence, 0, std::vector<Value>(stack.end() - n, stack.end())};
                stack.resize(stack.size() - n);
                stack.push_back(seq);
                break;
            }
            case 'e': {
                Value items = pop_mark(at);
                if (stack.empty()) eval_error(at, "stack underflow");
                for (auto& v : items.items) stack.back().items.push_back(v);
                break;
            }
            case 'a': {
                Value v = pop(at);
                if (stack.empty()) eval_error(at, "stack underflow");
                stack.back().items.push_back(v);
                break;
            }
            case 'G': {
                std::uint64_t bits = be(8);
                double d;
                std::memcpy(&d, &bits, 8);
                stack.push_back(Value{Value::number, d, {}});
                break;
            }
            case 'J': stack.push_back(Value{Value::number, double(std::int32_t(le(4))), {}}); break;
            case 'K': stack.push_back(Value{Value::number, double(le(1)), {}}); break;
            case 'M': stack.push_back(Value{Value::number, double(le(2)), {}}); break;
            case 0x94: if (stack.empty()) eval_error(at, "stack underflow"); memo.push_back(stack.back()); break;
            case 'q': le(1); break;
            case 'r': le(4); break;
            case 'N': case 0x88: case 0x89: stack.push_back(Value{}); break;
            case '.': {
                Value v = pop(at);
                if (i != bytes.size()) eval_error(i, "trailing bytes found");
                if (v.kind != Value::sequence) throw DecodeError("decoding error: invalid type: value, expected " + std::string(expected));
                if (v.items.size() < out.size())
                    throw DecodeError("decoding error: invalid length " + std::to_string(v.items.size()) +
                                      ", expected " + std::string(expected));
                for (std::size_t k = 0; k < out.size(); ++k) {
                    if (v.items[k].kind != Value::number) throw DecodeError("decoding error: invalid type: value, expected f64");
                    out[k] = v.items[k].number_value;
                }
                return;
            }
            default: eval_error(at, "unsupported opcode");
        }
    }
}

}  // namespace quorix::pickle
#endif
