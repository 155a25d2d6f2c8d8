// Float buffer storage across the size where blocks leave the heap for pages of their own: contents
// and alignment survive growing into, within and out of that range, copies and shrinking.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "aligned_buffer.hpp"

namespace {

bool aligned(const trelk::AlignedBuffer& b) { return reinterpret_cast<std::uintptr_t>(b.data()) % 32 == 0; }

// Every entry i holds float(i).
bool counts_up(const trelk::AlignedBuffer& b) {
    for (std::size_t i = 0; i < b.size(); ++i)
        if (b[i] != float(i)) return false;
    return true;
}

TEST(AlignedBuffer, LargeBlocksKeepContentsThroughGrowthCopyAndShrink) {
    constexpr std::size_t kLarge = 3 << 20;  // floats: well beyond a heap block
    trelk::AlignedBuffer b;
    for (std::size_t step : {std::size_t{1}, std::size_t{1000}, std::size_t{1} << 18}) {
        while (b.size() < kLarge) {
            float* run = b.extend(step);
            for (std::size_t j = 0; j < step; ++j) run[j] = float(&run[j] - b.data());
        }
        ASSERT_TRUE(aligned(b));
        ASSERT_TRUE(counts_up(b));
        b.clear();
    }
    for (std::size_t i = 0; i < kLarge + 5; ++i) b.push_back(float(i));
    b.shrink_to_fit();
    EXPECT_EQ(b.capacity(), kLarge + 5);
    EXPECT_TRUE(aligned(b) && counts_up(b));

    trelk::AlignedBuffer copy = b;
    copy[7] = -1.0f;
    EXPECT_EQ(b[7], 7.0f);
    EXPECT_TRUE(aligned(copy));

    // Back below the large size: the first entries stay.
    trelk::AlignedBuffer small;
    small.reserve(kLarge);
    for (std::size_t i = 0; i < 100; ++i) small.push_back(float(i));
    small.shrink_to_fit();
    EXPECT_EQ(small.capacity(), 100u);
    EXPECT_TRUE(aligned(small) && counts_up(small));

    trelk::AlignedBuffer moved = std::move(b);
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(moved.size(), kLarge + 5);
    b = std::move(moved);
    EXPECT_TRUE(counts_up(b));
    small.clear();
    small.shrink_to_fit();
    EXPECT_EQ(small.data(), nullptr);
}

}  // namespace
