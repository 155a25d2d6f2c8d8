// Making room ahead of a change. Every growing operation of trelk's containers first makes room for
// all it adds, then moves the new entries in, which cannot fail: an allocation that fails leaves
// the container exactly as it was (only capacities may have grown).
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace trelk {

// Capacity for at least `size` elements, at least doubling the old capacity when it must grow, so
// that growing one element at a time costs amortised constant time, as push_back does.
template <class T>
void make_room(std::vector<T>& v, std::size_t size) {
    if (size <= v.capacity()) return;
    v.reserve(std::max(size, std::min(2 * v.capacity(), v.max_size())));
}

}  // namespace trelk
