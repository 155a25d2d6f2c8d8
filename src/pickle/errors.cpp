#include "pickle/errors.hpp"

#include <memory>
#include <string>

#include "pickle/pickle.hpp"
#include "pickle/text_forms.hpp"

namespace quorix::pickle {

DecodeError::DecodeError(std::string_view message)
    : message_(std::make_shared<const std::string>(text_forms::replace_invalid_utf8(message))) {}

void eval_error(std::size_t offset, std::string_view message) {
    throw DecodeError("eval error at offset " + std::to_string(offset) + ": " + std::string(message));
}

void decoding_error(std::string_view message) { throw DecodeError("decoding error: " + std::string(message)); }

}  // namespace quorix::pickle
