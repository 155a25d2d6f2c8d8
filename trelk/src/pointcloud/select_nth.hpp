// Nth-element selection for the tree build: introselect (median of three moved to the front, Hoare
// partition, heap selection when the depth limit runs out, insertion sort below four elements).
//
// The arrangement it leaves decides which points fall on which side of a split and the order in
// which candidates reach the runs, so it is one fixed algorithm, the classic one that GCC's standard
// library uses too: trees built with either have the same tables. What differs is the partition
// step: it finds the elements to swap a block at a time, without a branch per comparison (random
// coordinates mispredict half of them), and swaps exactly the pairs the one-at-a-time loop swaps.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace trelk::pointcloud::select {

// Offsets of the elements of a block that stop a scan (a left scan stops at an element not below
// the pivot, a right scan at one the pivot is not below), in scan order.
struct Stops {
    static constexpr std::ptrdiff_t block = 64;
    std::uint8_t at[block];
    std::ptrdiff_t next = 0, count = 0;

    template <class IsStop>
    void scan(std::ptrdiff_t size, IsStop is_stop) {
        next = 0;
        count = 0;
        for (std::ptrdiff_t i = 0; i < size; ++i) {
            at[count] = std::uint8_t(i);
            count += is_stop(i) ? 1 : 0;
        }
    }
};

// Hoare partition of [first, last) around *pivot, with the result of
//     while (true) {
//         while (less(*first, *pivot)) ++first;
//         --last;
//         while (less(*pivot, *last)) --last;
//         if (!(first < last)) return first;
//         swap(*first, *last);
//         ++first;
//     }
// The loop swaps the k-th left stop with the k-th right stop while they have not crossed. Blocks of
// stops are collected from both ends and paired in order; when less than two blocks are left, the
// loop above takes over where it would be at that point, so the crossing is handled as it does.
template <class T, class Less>
T* hoare_partition(T* first, T* last, const T* pivot, Less less) {
    constexpr std::ptrdiff_t kBlock = Stops::block;
    Stops left, right;  // of the blocks [first, first + size) and [last - size, last)
    auto scan_left = [&](std::ptrdiff_t size) {
        left.scan(size, [&](std::ptrdiff_t i) { return !less(first[i], *pivot); });
    };
    auto scan_right = [&](std::ptrdiff_t size) {
        right.scan(size, [&](std::ptrdiff_t i) { return !less(*pivot, last[-1 - i]); });
    };
    // Swaps the stops both blocks still hold, in order; an exhausted block is passed.
    auto swap_pairs = [&](std::ptrdiff_t size_left, std::ptrdiff_t size_right) {
        const std::ptrdiff_t n = std::min(left.count - left.next, right.count - right.next);
        for (std::ptrdiff_t j = 0; j < n; ++j)
            std::swap(first[left.at[left.next + j]], last[-1 - right.at[right.next + j]]);
        left.next += n;
        right.next += n;
        if (left.next == left.count) first += size_left;
        if (right.next == right.count) last -= size_right;
    };
    auto exhausted = [](const Stops& s) { return s.next == s.count; };

    while (last - first >= 2 * kBlock) {
        if (exhausted(left)) scan_left(kBlock);
        if (exhausted(right)) scan_right(kBlock);
        swap_pairs(kBlock, kBlock);
    }
    // The rest is split between the sides: a block with stops left keeps its size.
    const std::ptrdiff_t rest = last - first;
    std::ptrdiff_t size_left = rest / 2, size_right = rest - rest / 2;
    if (!exhausted(left)) {
        size_left = kBlock;
        size_right = rest - kBlock;
    } else if (!exhausted(right)) {
        size_right = kBlock;
        size_left = rest - kBlock;
    }
    if (exhausted(left)) scan_left(size_left);
    if (exhausted(right)) scan_right(size_right);
    swap_pairs(size_left, size_right);

    // Resume the loop: a side with a stop pending sits on it.
    if (!exhausted(left)) first += left.at[left.next];
    if (!exhausted(right)) last -= right.at[right.next];
    while (true) {
        while (less(*first, *pivot)) ++first;
        --last;
        while (less(*pivot, *last)) --last;
        if (!(first < last)) return first;
        std::swap(*first, *last);
        ++first;
    }
}

template <class T, class Less>
void move_median_to_first(T* result, T* a, T* b, T* c, Less less) {
    if (less(*a, *b)) {
        if (less(*b, *c)) std::swap(*result, *b);
        else if (less(*a, *c)) std::swap(*result, *c);
        else std::swap(*result, *a);
    } else if (less(*a, *c)) {
        std::swap(*result, *a);
    } else if (less(*b, *c)) {
        std::swap(*result, *c);
    } else {
        std::swap(*result, *b);
    }
}

// Max-heap primitives: sift `value` up from `hole` towards `top`; move the hole at `hole` down to a
// leaf along the larger children, then sift `value` up from there.
template <class T, class Less>
void push_heap(T* first, std::ptrdiff_t hole, std::ptrdiff_t top, T value, Less less) {
    std::ptrdiff_t parent = (hole - 1) / 2;
    while (hole > top && less(first[parent], value)) {
        first[hole] = first[parent];
        hole = parent;
        parent = (hole - 1) / 2;
    }
    first[hole] = value;
}

template <class T, class Less>
void adjust_heap(T* first, std::ptrdiff_t hole, std::ptrdiff_t len, T value, Less less) {
    const std::ptrdiff_t top = hole;
    std::ptrdiff_t child = hole;
    while (child < (len - 1) / 2) {
        child = 2 * (child + 1);
        if (less(first[child], first[child - 1])) --child;
        first[hole] = first[child];
        hole = child;
    }
    if ((len & 1) == 0 && child == (len - 2) / 2) {
        child = 2 * (child + 1);
        first[hole] = first[child - 1];
        hole = child - 1;
    }
    push_heap(first, hole, top, value, less);
}

// Leaves the smallest middle - first elements in [first, middle) as a heap with the largest on top.
template <class T, class Less>
void heap_select(T* first, T* middle, T* last, Less less) {
    const std::ptrdiff_t len = middle - first;
    if (len >= 2)
        for (std::ptrdiff_t parent = (len - 2) / 2;; --parent) {
            adjust_heap(first, parent, len, first[parent], less);
            if (parent == 0) break;
        }
    for (T* i = middle; i < last; ++i)
        if (less(*i, *first)) {
            const T value = *i;
            *i = *first;
            adjust_heap(first, std::ptrdiff_t{0}, len, value, less);
        }
}

template <class T, class Less>
void insertion_sort(T* first, T* last, Less less) {
    if (first == last) return;
    for (T* i = first + 1; i != last; ++i) {
        const T value = *i;
        if (less(value, *first)) {
            std::move_backward(first, i, i + 1);
            *first = value;
        } else {
            T* hole = i;
            for (T* before = i - 1; less(value, *before); --before) {
                *hole = *before;
                hole = before;
            }
            *hole = value;
        }
    }
}

// Reorders [first, last) so that *nth is the element of its rank under `less`, none before it is
// above it and none after it below it. `partition(first, last, pivot, less)` is the Hoare partition.
template <class T, class Less, class Partition>
void introselect(T* first, T* nth, T* last, Less less, Partition partition) {
    if (first == last || nth == last) return;
    std::ptrdiff_t depth_limit = 2 * (std::bit_width(std::size_t(last - first)) - 1);
    while (last - first > 3) {
        if (depth_limit == 0) {
            heap_select(first, nth + 1, last, less);
            std::swap(*first, *nth);
            return;
        }
        --depth_limit;
        T* mid = first + (last - first) / 2;
        move_median_to_first(first, first + 1, mid, last - 1, less);
        T* cut = partition(first + 1, last, first, less);
        if (cut <= nth) first = cut;
        else last = cut;
    }
    insertion_sort(first, last, less);
}

template <class T, class Less>
void nth_element(T* first, T* nth, T* last, Less less) {
    introselect(first, nth, last, less,
                [](T* f, T* l, const T* pivot, Less ls) { return hoare_partition(f, l, pivot, ls); });
}

}  // namespace trelk::pointcloud::select
