// Selection of the tree build: the block partition leaves exactly the arrangement of the classic
// one-swap-at-a-time loop, through every path of the selection (ties, sorted and organ-pipe runs
// that exhaust the depth limit, tiny ranges), and that arrangement is a valid selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "pointcloud/select_nth.hpp"

namespace {

using Item = std::array<float, 3>;  // key, original index, filler
using trelk::pointcloud::select::introselect;

auto by_key = [](const Item& a, const Item& b) { return a[0] < b[0]; };

Item* plain_hoare(Item* first, Item* last, const Item* pivot, decltype(by_key) less) {
    while (true) {
        while (less(*first, *pivot)) ++first;
        --last;
        while (less(*pivot, *last)) --last;
        if (!(first < last)) return first;
        std::swap(*first, *last);
        ++first;
    }
}

std::vector<Item> keys(std::size_t n, int pattern, std::mt19937& rng) {
    std::vector<Item> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float x = float(i), m = float(n);
        const float key = pattern == 0   ? float(rng() % 100000)
                          : pattern == 1 ? float(rng() % 3)                  // heavy ties
                          : pattern == 2 ? x                                 // sorted
                          : pattern == 3 ? m - x                             // reversed
                          : pattern == 4 ? (i < n / 2 ? x : m - x)           // organ pipe
                          : pattern == 5 ? float(i % 2 ? i : n - i)          // interleaved ends
                                         : 1.0f;                             // all equal
        v[i] = {key, x, 0.0f};
    }
    return v;
}

TEST(SelectNth, BlockPartitionLeavesTheClassicArrangement) {
    std::mt19937 rng(5);
    for (int pattern = 0; pattern < 7; ++pattern)
        for (std::size_t n = 1; n < 420; n += (n < 160 ? 1 : 37))
            for (std::size_t nth : {std::size_t{0}, n / 3, n / 2, n - 1}) {
                std::vector<Item> fast = keys(n, pattern, rng), classic = fast;
                introselect(fast.data(), fast.data() + nth, fast.data() + n, by_key,
                            [](Item* f, Item* l, const Item* p, decltype(by_key) less) {
                                return trelk::pointcloud::select::hoare_partition(f, l, p, less);
                            });
                introselect(classic.data(), classic.data() + nth, classic.data() + n, by_key, plain_hoare);
                ASSERT_EQ(fast, classic) << "pattern " << pattern << ", n " << n << ", nth " << nth;
                for (std::size_t i = 0; i < n; ++i)
                    ASSERT_TRUE(i < nth ? !(fast[nth][0] < fast[i][0]) : !(fast[i][0] < fast[nth][0]));
            }
}

TEST(SelectNth, LargeRangesMatchTheClassicArrangement) {
    std::mt19937 rng(9);
    for (int pattern : {0, 1, 4})
        for (std::size_t n : {1000u, 65537u}) {
            const std::vector<Item> input = keys(n, pattern, rng);
            std::vector<Item> fast = input, classic = input;
            trelk::pointcloud::select::nth_element(fast.data(), fast.data() + n / 2, fast.data() + n, by_key);
            introselect(classic.data(), classic.data() + n / 2, classic.data() + n, by_key, plain_hoare);
            ASSERT_EQ(fast, classic) << "pattern " << pattern << ", n " << n;
#if defined(__GLIBCXX__)
            // GCC's library selects with this same algorithm, so trees keep the tables they had.
            std::vector<Item> standard = input;
            std::nth_element(standard.begin(), standard.begin() + std::ptrdiff_t(n / 2), standard.end(), by_key);
            ASSERT_EQ(fast, standard) << "pattern " << pattern << ", n " << n;
#endif
        }
}

}  // namespace
