// What stored records share.
//
// Refusal of a stored record whose values cannot form a sound value (wrong table sizes, broken
// padding, unusable lane counts). It is an invalid_argument so that the codec reports it like any
// other record that does not fit its type; what() is the bare reason, without a prefix.
#pragma once

#include <concepts>
#include <stdexcept>

namespace trelk {

struct StoredFormError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// A record kept in two forms with the same fields under the same keys, as read (owning lists) and
// as written (views of a value's own tables): one visit_fields serves both.
template <class R, class Read, class Written>
concept ReadOrWritten = std::same_as<R, Read> || std::same_as<R, Written>;

}  // namespace trelk
