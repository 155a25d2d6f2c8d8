// Refusal of a stored record whose values cannot form a sound value (wrong table sizes, broken
// padding, unusable lane counts). The codec reports it like any other decoding problem; what() is the
// bare reason, without a prefix.
#pragma once

#include <stdexcept>

namespace trelk {

struct StoredFormError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace trelk
