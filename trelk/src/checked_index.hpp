// Element access that stops with the index fault instead of reading past a list. Polygon views
// read several lists by one index; a stored value whose lists disagree in length must fail cleanly.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "support/fault.hpp"

namespace trelk {

[[noreturn]] inline void fail_index(std::size_t index, std::size_t len) {
    throw quorix::Fault("index out of bounds: the len is " + std::to_string(len) + " but the index is " +
                        std::to_string(index));
}

template <class T>
const T& at_or_fault(std::span<const T> list, std::size_t i) {
    if (i >= list.size()) fail_index(i, list.size());
    return list[i];
}

}  // namespace trelk
