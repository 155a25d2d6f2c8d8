#include <gtest/gtest.h>

#include "algebra/vec2_ops.hpp"
#include "algebra/vec3_ops.hpp"
#include "algebra/vec_elementwise.hpp"
#include "algebra/vec_geometry.hpp"

using namespace quorix;

TEST(VecGeometry, Smoke) {
    EXPECT_EQ(dot(DVec3{{1, 2, 3}}, DVec3{{4, 5, 6}}), 32.0);
    EXPECT_EQ(cross(DVec3{{1, 0, 0}}, DVec3{{0, 1, 0}}), (DVec3{{0, 0, 1}}));
    EXPECT_EQ(length(DVec2{{3, 4}}), 5.0);
    EXPECT_EQ(min_position(DVec4{{3, 1, 2, 0}}), 3u);
    (void)rotate_towards(DVec2{{1, 0}}, DVec2{{0, 1}}, 0.5);
    (void)rotate_towards(DVec3{{1, 0, 0}}, DVec3{{0, 1, 0}}, 0.5);
    (void)slerp(DVec3{{1, 0, 0}}, DVec3{{0, 1, 0}}, 0.5);
    (void)sin_cos(DVec4{});
    (void)clamp(DVec4{}, DVec4{}, DVec4{});
    (void)saturate(DVec2{});
    (void)mul_add(DVec2{}, DVec2{}, DVec2{});
    (void)any_orthonormal_pair(DVec3{{0,0,1}});
    (void)truncate(DVec4{});
    (void)extend(DVec2{}, 1.0);
    (void)vec_constants<3>();
}
