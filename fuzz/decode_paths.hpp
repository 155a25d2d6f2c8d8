// The two decoding paths must agree on every input: reading straight from the bytes (with its
// fallback) and reading through the Document alone give the same message for a refused stream and
// the same value, compared by the bytes it writes, for an accepted one. Every message is valid
// UTF-8. Shared by the fuzz bodies.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "pickle/record.hpp"
#include "pickle/text_forms.hpp"

namespace quorix_fuzz {

// The message of a refused stream, which must be valid UTF-8: Python shows it as text.
inline std::string refusal_message(const quorix::pickle::DecodeError& e) {
    if (!quorix::pickle::text_forms::valid_utf8(e.message())) {
        std::fprintf(stderr, "fuzz invariant broken: a refusal's message is not UTF-8\n");
        std::abort();
    }
    return std::string(e.message());
}

// The message of a refused stream, or the bytes the decoded value writes.
using DecodeOutcome = std::variant<std::string, std::vector<std::uint8_t>>;

template <class T, class Decode>
DecodeOutcome decode_outcome(std::span<const std::uint8_t> bytes, T& value, Decode decode) {
    try {
        decode(bytes, value);
    } catch (const quorix::pickle::DecodeError& e) {
        return refusal_message(e);
    }
    return quorix::pickle::encode_state(value);
}

// The outcome of the usual decoding (straight from the bytes, with its fallback) into `value`, and
// that of the Document path alone.
template <class T>
std::pair<DecodeOutcome, DecodeOutcome> decode_both_ways(std::span<const std::uint8_t> bytes, T& value) {
    DecodeOutcome usual = decode_outcome(bytes, value, [](auto b, T& v) { quorix::pickle::decode_state(b, v); });
    T through_document{};
    DecodeOutcome reference = decode_outcome(
        bytes, through_document, [](auto b, T& v) { quorix::pickle::decode_state_through_document(b, v); });
    return {std::move(usual), std::move(reference)};
}

inline std::string outcome_text(const DecodeOutcome& o) {
    return o.index() == 0 ? std::get<0>(o) : "a value of " + std::to_string(std::get<1>(o).size()) + " bytes";
}

// Decodes `bytes` into `value`; false when the stream is refused. Aborts when the two ways disagree.
template <class T>
bool decode_agreeing(std::span<const std::uint8_t> bytes, T& value) {
    const auto [usual, reference] = decode_both_ways(bytes, value);
    if (usual != reference) {
        std::fprintf(stderr, "fuzz invariant broken: decoding paths disagree: %s / %s\n", outcome_text(usual).c_str(),
                     outcome_text(reference).c_str());
        std::abort();
    }
    return usual.index() == 1;
}

}  // namespace quorix_fuzz
