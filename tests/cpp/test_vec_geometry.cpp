#include <gtest/gtest.h>

#include "algebra/vec3_ops.hpp"
#include "algebra/vec_geometry.hpp"

using namespace quorix;

TEST(VecGeometry, Smoke) {
    EXPECT_EQ(dot(DVec3{{1, 2, 3}}, DVec3{{4, 5, 6}}), 32.0);
    EXPECT_EQ(cross(DVec3{{1, 0, 0}}, DVec3{{0, 1, 0}}), (DVec3{{0, 0, 1}}));
    EXPECT_EQ(length(DVec2{{3, 4}}), 5.0);
}
