// Message builders shared by the decoder and the typed readers; each throws DecodeError.
#pragma once

#include <cstddef>
#include <string_view>

namespace quorix::pickle {

// "eval error at offset {offset}: {message}": the byte stream itself is malformed.
[[noreturn]] void eval_error(std::size_t offset, std::string_view message);

// "decoding error: {message}": the stream is sound but its value does not fit the wanted type.
[[noreturn]] void decoding_error(std::string_view message);

}  // namespace quorix::pickle
