#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "algebra/affine3.hpp"
#include "algebra_expect.hpp"

using namespace quorix;
using quorix::testing::all_near;
using quorix::testing::all_same;
using quorix::testing::arr;

namespace {

DVec3 v3(double x, double y, double z) { return {{x, y, z}}; }

}  // namespace

TEST(Affine3, CompositionAndInverse) {
    const DAffine3 t = DAffine3::from_translation(v3(1, 0, 0));
    const DAffine3 s = DAffine3::from_scale(v3(2, 2, 2));
    EXPECT_TRUE(all_same(arr((t * s).transform_point3(v3(1, 1, 1))), {3, 2, 2}));  // the right operand first
    EXPECT_TRUE(all_same(arr(DAffine3::from_translation(v3(1, 2, 3)).transform_vector3(v3(1, 1, 1))), {1, 1, 1}));
    EXPECT_EQ(DAffine3::from_scale(v3(2, 4, 8)).inverse(), DAffine3::from_scale(v3(0.5, 0.25, 0.125)));
    EXPECT_FALSE(DAffine3::zero().inverse().is_finite());

    const DAffine3 a = DAffine3::from_scale_rotation_translation(
        v3(1.5, -2, 0.5), DQuat::from_axis_angle(normalize(v3(1, 1, -2)), 0.8), v3(3, -4, 5));
    EXPECT_TRUE((a * a.inverse()).abs_diff_eq(DAffine3::identity(), 1e-15));
    EXPECT_TRUE((a.inverse() * a).abs_diff_eq(DAffine3::identity(), 1e-15));
    // Same transform as the 4x4 matrix built from the same parts.
    const DMat4 m = DMat4::from_mat3_translation(a.matrix3, a.translation);
    EXPECT_EQ(a.transform_point3(v3(0.3, 7, -2)), m.transform_point3(v3(0.3, 7, -2)));
    EXPECT_EQ(DAffine3::from_mat4(m), a);
    EXPECT_EQ(DAffine3::from_cols_array(a.to_cols_array()), a);
}

TEST(Affine3, Decomposition) {
    struct Case { DVec3 scale_in; std::array<double, 3> scale; std::array<double, 4> rotation; };
    const Case cases[] = {
        {v3(1, 1, 1), {1, 1, 1}, {0, 0, 0, 1}},
        {v3(-2, 3, 4), {-2, 3, 4}, {0, 0, -0.0, 1}},  // signed zeros as the conversion forms them
        {v3(2, -3, 4), {-2, 3, 4}, {0, 0, 1, -0.0}},  // the sign always goes to x: a half turn about z
    };
    for (const Case& c : cases) {
        auto [scale, rotation, translation] = DAffine3::from_scale(c.scale_in).to_scale_rotation_translation();
        EXPECT_TRUE(all_same(arr(scale), c.scale));
        EXPECT_TRUE(all_same(rotation.to_array(), c.rotation));
        EXPECT_TRUE(all_same(arr(translation), {0, 0, 0}));
    }
    const DQuat q = DQuat::from_axis_angle(normalize(v3(2, -1, 1)), 1.9);
    auto [scale, rotation, translation] =
        DAffine3::from_scale_rotation_translation(v3(3, 0.5, 2), q, v3(1, 2, 3)).to_scale_rotation_translation();
    EXPECT_TRUE(all_near(arr(scale), {3, 0.5, 2}, 1e-15));
    EXPECT_TRUE(all_near(rotation.to_array(), q.to_array(), 1e-15));
    EXPECT_TRUE(all_same(arr(translation), {1, 2, 3}));
}

TEST(Affine3, ViewTransformsNormaliseTheDirection) {
    const DVec3 eye = v3(1, 2, 3), center = v3(-4, 0, 1), up = v3(0, 1, 0);
    const double dist = length(center - eye);
    EXPECT_TRUE(all_near(arr(DAffine3::look_at_rh(eye, center, up).transform_point3(center)), {0, 0, -dist}, 1e-14));
    EXPECT_TRUE(all_near(arr(DAffine3::look_at_lh(eye, center, up).transform_point3(center)), {0, 0, dist}, 1e-14));
    EXPECT_EQ(DAffine3::look_to_rh(eye, (center - eye) * 7.0, up), DAffine3::look_at_rh(eye, center, up));
    EXPECT_EQ(DAffine3::from_mat4(DMat4::look_at_rh(eye, center, up)), DAffine3::look_at_rh(eye, center, up));
    EXPECT_TRUE(DAffine3::look_at_rh(eye, eye, up).is_nan());
}

TEST(Affine3, DebugText) {
    struct Case { DAffine3 a; const char* matrix; const char* translation; };
    const Case cases[] = {
        {DAffine3::identity(),
         "DMat3 { x_axis: DVec3(1.0, 0.0, 0.0), y_axis: DVec3(0.0, 1.0, 0.0), z_axis: DVec3(0.0, 0.0, 1.0) }",
         "DVec3(0.0, 0.0, 0.0)"},
        {DAffine3::from_mat3_translation(DMat3::nan(), v3(1e-5, 1e16, 0.1)),
         "DMat3 { x_axis: DVec3(NaN, NaN, NaN), y_axis: DVec3(NaN, NaN, NaN), z_axis: DVec3(NaN, NaN, NaN) }",
         "DVec3(1e-5, 1e16, 0.1)"},
        {DAffine3::from_translation(v3(-0.0, 1e15, -1.5e-7)), nullptr, "DVec3(-0.0, 1000000000000000.0, -1.5e-7)"},
    };
    for (const Case& c : cases) {
        std::string m, t;
        append_debug(m, c.a.matrix3);
        append_debug(t, c.a.translation);
        if (c.matrix) {
            EXPECT_EQ(m, c.matrix);
        }
        EXPECT_EQ(t, c.translation);
    }
}
