#include <gtest/gtest.h>

namespace trelk { extern int trelk_anchor; }

TEST(Build, LibraryLinks) { EXPECT_EQ(trelk::trelk_anchor, 0); }
