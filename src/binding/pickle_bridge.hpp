// The pickle codec's interface as the binding layer uses it. Until the codec is part of the
// tree, a minimal stand-in (pickle_stub.cpp) provides the same functions.
#pragma once

#if __has_include("pickle/pickle.hpp")
#include "pickle/pickle.hpp"
#else
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

namespace quorix::pickle {

constexpr std::size_t float_tuple_size(std::size_t n) { return 5 + 9 * n; }
void write_float_tuple(std::span<const double> values, std::uint8_t* out);

struct DecodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
void read_float_sequence(std::span<const std::uint8_t> bytes, std::span<double> out, std::string_view expected);

}  // namespace quorix::pickle
#endif
