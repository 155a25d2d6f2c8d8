// Refusal of a stored record whose values cannot form a sound value (wrong table sizes, broken
// padding, unusable lane counts). It is an invalid_argument so that the codec reports it like any
// other record that does not fit its type; what() is the bare reason, without a prefix.
#pragma once

#include <stdexcept>

namespace trelk {

struct StoredFormError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

}  // namespace trelk
