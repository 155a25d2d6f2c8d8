#include "pickle/errors.hpp"

#include <memory>
#include <string>
#include <utility>

#include "pickle/pickle.hpp"
#include "pickle/text_forms.hpp"

namespace quorix::pickle {

DecodeError::DecodeError(std::string_view message)
    : DecodeError(std::make_shared<const std::string>(text_forms::replace_invalid_utf8(message))) {}

DecodeError::DecodeError(std::shared_ptr<const std::string> message)
    : std::runtime_error(*message), message_(std::move(message)) {}

void eval_error(std::size_t offset, std::string_view message) {
    throw DecodeError("eval error at offset " + std::to_string(offset) + ": " + std::string(message));
}

void decoding_error(std::string_view message) { throw DecodeError("decoding error: " + std::string(message)); }

}  // namespace quorix::pickle
