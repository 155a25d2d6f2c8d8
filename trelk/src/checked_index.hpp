// Indexing that stops with the index fault instead of reading outside a list. Lists that come from
// stored records may disagree in length (a polygon's edge tables against its vertices): code that
// walks one list by another's positions goes through here.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>

#include "support/fault.hpp"

namespace trelk {

[[noreturn]] inline void fail_index(std::size_t len, std::size_t index) {
    throw quorix::Fault("index out of bounds: the len is " + std::to_string(len) + " but the index is " +
                        std::to_string(index));
}

// list[index] of a vector, array or span.
template <class List>
decltype(auto) checked_at(List& list, std::size_t index) {
    if (index >= std::size(list)) fail_index(std::size(list), index);
    return list[index];
}

}  // namespace trelk
