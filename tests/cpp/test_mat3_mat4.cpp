#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "algebra/mat3.hpp"
#include "algebra/mat4.hpp"
#include "algebra_expect.hpp"
#include "support/fault.hpp"

using namespace quorix;
using quorix::testing::all_near;
using quorix::testing::all_same;
using quorix::testing::arr;
using quorix::testing::kInf;

namespace {

const double pi = std::acos(-1.0);
DVec2 v2(double x, double y) { return {{x, y}}; }
DVec3 v3(double x, double y, double z) { return {{x, y, z}}; }
DVec4 v4(double x, double y, double z, double w) { return {{x, y, z, w}}; }

}  // namespace

TEST(Mat3, DeterminantInverseAndRotations) {
    // Rows (2, -1, 0), (1, 3, 2), (0, 1, 4): determinant 24, adjugate known exactly.
    const DMat3 m = DMat3::from_cols(v3(2, -1, 0), v3(1, 3, 2), v3(0, 1, 4)).transpose();
    EXPECT_EQ(m.determinant(), 24.0);
    const DMat3 adjugate = DMat3::from_cols(v3(10, 4, -2), v3(-4, 8, -4), v3(1, -2, 7)).transpose();
    EXPECT_TRUE(all_near((m.inverse() * 24.0).to_array(), adjugate.to_array(), 1e-14));

    const DVec3 axis = normalize(v3(1, 2, 3));
    const DMat3 r = DMat3::from_axis_angle(axis, 0.9);
    EXPECT_TRUE(r.abs_diff_eq(DMat3::from_quat(DQuat::from_axis_angle(axis, 0.9)), 1e-15));
    EXPECT_TRUE(DMat3::from_rotation_y(0.4).abs_diff_eq(DMat3::from_axis_angle(v3(0, 1, 0), 0.4), 1e-16));
    EXPECT_TRUE((r.transpose() * r).abs_diff_eq(DMat3::identity(), 1e-15));
    EXPECT_TRUE(all_same(arr(DMat3::from_rotation_z(pi / 2) * v3(1, 0, 0)), {6.123233995736766e-17, 1, 0}));
    EXPECT_TRUE(all_same(DMat3::from_quat(DQuat{0, 0, 0, 0}).to_array(), DMat3::identity().to_array()));
}

TEST(Mat3, LookToAndMinors) {
    const DVec3 dir = normalize(v3(1, -2, 0.5)), up = v3(0, 1, 0);
    // Rows s, u, -dir: dir maps to -Z (right-handed), to +Z (left-handed).
    EXPECT_TRUE(all_near(arr(DMat3::look_to_rh(dir, up) * dir), {0, 0, -1}, 1e-15));
    EXPECT_TRUE(all_near(arr(DMat3::look_to_lh(dir, up) * dir), {0, 0, 1}, 1e-15));
    const DMat3 parallel = DMat3::look_to_rh(dir, dir);
    for (std::size_t r = 0; r < 2; ++r) EXPECT_TRUE(is_nan(parallel.row(r)));
    EXPECT_TRUE(all_same(arr(parallel.row(2)), arr(-dir)));

    DMat4 a{};
    for (std::size_t i = 0; i < 16; ++i) a.cols[i / 4].v[i % 4] = double(i);  // mCR = 4C + R
    EXPECT_EQ(DMat3::from_mat4_minor(DMat4::identity(), 3, 3), DMat3::identity());
    EXPECT_EQ(DMat3::from_mat4(a), DMat3::from_mat4_minor(a, 3, 3));
    EXPECT_TRUE(all_same(DMat3::from_mat4_minor(a, 0, 0).to_array(), {5, 6, 7, 9, 10, 11, 13, 14, 15}));
    EXPECT_TRUE(all_same(DMat3::from_mat4_minor(a, 1, 2).to_array(), {0, 1, 3, 8, 9, 11, 12, 13, 15}));
    for (auto [i, j] : {std::pair<std::size_t, std::size_t>{4, 0}, {0, 4}}) {
        try {
            DMat3::from_mat4_minor(a, i, j);
            ADD_FAILURE() << "no fault for " << i << ", " << j;
        } catch (const Fault& f) {
            EXPECT_STREQ(f.what(), "index out of bounds");
        }
    }
}

TEST(Mat3, TwoDimensionalTransforms) {
    const DMat3 t = DMat3::from_scale_angle_translation(v2(2, 3), pi / 2, v2(5, -1));
    EXPECT_TRUE(all_near(arr(t.transform_point2(v2(1, 1))), {5 - 3, -1 + 2}, 1e-15));
    EXPECT_TRUE(all_near(arr(t.transform_vector2(v2(1, 1))), {-3, 2}, 1e-15));
    EXPECT_TRUE(all_same(arr(t.row(2)), {0, 0, 1}));
    EXPECT_TRUE(all_same(arr(DMat3::from_translation(v2(4, 5)).transform_point2(v2(1, 2))), {5, 7}));
    EXPECT_TRUE(all_same(arr(DMat3::from_scale(v2(-2, 3)).diagonal()), {-2, 3, 1}));
    EXPECT_EQ(DMat3::from_angle(0.3), DMat3::from_rotation_z(0.3));
}

TEST(Mat4, DeterminantInverseAndDecomposition) {
    const DMat4 m = DMat4::from_cols(v4(1, 2, 3, 4), v4(5, 6, 7, 8), v4(2, 6, 4, 8), v4(3, 1, 1, 2)).transpose();
    EXPECT_EQ(m.determinant(), 72.0);
    const DMat4 adjugate = DMat4::from_cols(v4(-12, 4, -4, 24), v4(-60, 20, 16, -24), v4(12, 20, -20, -24),
                                            v4(42, -26, 8, 24)).transpose();
    EXPECT_TRUE(all_near((m.inverse() * 72.0).to_array(), adjugate.to_array(), 1e-13));

    const DQuat q = DQuat::from_axis_angle(normalize(v3(-1, 2, 1)), 2.2);
    const DMat4 srt = DMat4::from_scale_rotation_translation(v3(-2, 0.5, 3), q, v3(4, 5, 6));
    auto [scale, rotation, translation] = srt.to_scale_rotation_translation();
    EXPECT_TRUE(all_near(arr(scale), {-2, 0.5, 3}, 1e-14));
    EXPECT_TRUE(all_near(rotation.to_array(), q.to_array(), 1e-15));
    EXPECT_TRUE(all_same(arr(translation), {4, 5, 6}));
    auto [s1, r1, t1] = DMat4::identity().to_scale_rotation_translation();
    EXPECT_TRUE(all_same(arr(s1), {1, 1, 1}));
    EXPECT_TRUE(all_same(r1.to_array(), {0, 0, 0, 1}));

    // A scaled rotation column keeps the scale's sign in every component, its w included.
    const DMat4 flipped = DMat4::from_scale_rotation_translation(v3(-1, 1, 1), DQuat::identity(), v3(0, 0, 0));
    EXPECT_TRUE(all_same(arr(flipped.cols[0]), {-1, -0.0, -0.0, -0.0}));
    const DMat4 infinite = DMat4::from_scale_rotation_translation(v3(kInf, 1, 1), DQuat::identity(), v3(0, 0, 0));
    EXPECT_TRUE(std::isnan(infinite.cols[0].w()));
}

TEST(Mat4, PointTransforms) {
    DMat4 m = DMat4::from_rotation_translation(DQuat::from_rotation_z(pi / 2), v3(1, 2, 3));
    m.cols[0].v[3] = 7.0;  // the fourth row is ignored by the affine transforms
    EXPECT_TRUE(all_near(arr(m.transform_point3(v3(1, 0, 0))), {1, 3, 3}, 1e-15));
    EXPECT_TRUE(all_near(arr(m.transform_vector3(v3(1, 0, 0))), {0, 1, 0}, 1e-15));
    EXPECT_TRUE(all_near(arr(m.project_point3(v3(1, 0, 0))), {1.0 / 8, 3.0 / 8, 3.0 / 8}, 1e-15));
    EXPECT_EQ(DMat4::from_scale(v3(2, 3, 4)).mul_vec4(v4(1, 1, 1, 1)), v4(2, 3, 4, 1));
    EXPECT_EQ(DMat4::from_translation(v3(1, 2, 3)), DMat4::from_mat3_translation(DMat3::identity(), v3(1, 2, 3)));
    EXPECT_TRUE(DMat4::from_axis_angle(v3(1, 0, 0), 0.3).abs_diff_eq(DMat4::from_rotation_x(0.3), 1e-16));
}

TEST(Mat4, ProjectionsMapDepthRanges) {
    struct Case { const char* what; DMat4 m; double near_z, far_z, near_depth, far_depth; };
    const double n = 0.5, f = 40.0, fov = 1.1, a = 1.5;
    const Case cases[] = {
        {"perspective_lh", DMat4::perspective_lh(fov, a, n, f), n, f, 0, 1},
        {"perspective_rh", DMat4::perspective_rh(fov, a, n, f), -n, -f, 0, 1},
        {"perspective_rh_gl", DMat4::perspective_rh_gl(fov, a, n, f), -n, -f, -1, 1},
        {"perspective_infinite_lh", DMat4::perspective_infinite_lh(fov, a, n), n, 1e300, 0, 1},
        {"perspective_infinite_rh", DMat4::perspective_infinite_rh(fov, a, n), -n, -1e300, 0, 1},
        {"perspective_infinite_reverse_lh", DMat4::perspective_infinite_reverse_lh(fov, a, n), n, 1e300, 1, 0},
        {"perspective_infinite_reverse_rh", DMat4::perspective_infinite_reverse_rh(fov, a, n), -n, -1e300, 1, 0},
        {"orthographic_lh", DMat4::orthographic_lh(-2, 3, -1, 4, n, f), n, f, 0, 1},
        {"orthographic_rh", DMat4::orthographic_rh(-2, 3, -1, 4, n, f), -n, -f, 0, 1},
        {"orthographic_rh_gl", DMat4::orthographic_rh_gl(-2, 3, -1, 4, n, f), -n, -f, -1, 1},
        {"frustum_lh", DMat4::frustum_lh(-2, 3, -1, 4, n, f), n, f, 0, 1},
        {"frustum_rh", DMat4::frustum_rh(-2, 3, -1, 4, n, f), -n, -f, 0, 1},
        {"frustum_rh_gl", DMat4::frustum_rh_gl(-2, 3, -1, 4, n, f), -n, -f, -1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.m.project_point3(v3(0, 0, c.near_z)).z(), c.near_depth, 1e-14) << c.what;
        EXPECT_NEAR(c.m.project_point3(v3(0, 0, c.far_z)).z(), c.far_depth, 1e-14) << c.what;
    }
    // The frustum with the field of view's extents equals the perspective projection.
    const double t = n * std::tan(fov / 2);
    EXPECT_TRUE(DMat4::frustum_rh(-t * a, t * a, -t, t, n, f).abs_diff_eq(DMat4::perspective_rh(fov, a, n, f), 1e-14));
    // Off-centre frustum and orthographic boxes map their corners to the unit square.
    EXPECT_TRUE(all_near(arr(DMat4::orthographic_rh(-2, 3, -1, 4, n, f).project_point3(v3(3, -1, -n))), {1, -1, 0},
                         1e-15));
    EXPECT_TRUE(all_near(arr(DMat4::frustum_lh(-2, 3, -1, 4, n, f).project_point3(v3(-2, 4, n))), {-1, 1, 0}, 1e-15));
    EXPECT_TRUE(all_near(arr(DMat4::frustum_rh(-2, 3, -1, 4, n, f).project_point3(v3(3, -1, -n))), {1, -1, 0}, 1e-15));
    EXPECT_TRUE(
        all_near(arr(DMat4::frustum_rh_gl(-2, 3, -1, 4, n, f).project_point3(v3(-2, -1, -n))), {-1, -1, -1}, 1e-15));
}

TEST(Mat4, ProjectionExactEntries) {
    const DMat4 gl = DMat4::perspective_rh_gl(pi / 2, 1, 1, 3);
    EXPECT_NEAR(gl.cols[0].x(), 1.0, 1e-15);
    EXPECT_TRUE(all_same(arr(gl.cols[2]), {0, 0, -2, -1}));
    EXPECT_TRUE(all_same(arr(gl.cols[3]), {0, 0, -3, 0}));
    const DMat4 lh = DMat4::perspective_lh(1.0, 2.0, 0.1, 100), rh = DMat4::perspective_rh(1.0, 2.0, 0.1, 100);
    EXPECT_EQ(lh.cols[0], rh.cols[0]);
    EXPECT_EQ(lh.cols[2].z(), -rh.cols[2].z());
    EXPECT_TRUE(all_same(arr(DMat4::orthographic_rh(-1, 1, -1, 1, 0, 1).cols[3]), {-0.0, -0.0, -0.0, 1}));
    EXPECT_TRUE(all_same(arr(DMat4::orthographic_rh(-1, 1, -1, 1, 0, 1).cols[2]), {0, 0, -1, 0}));
    EXPECT_TRUE(all_same(arr(DMat4::orthographic_rh_gl(-1, 1, -1, 1, 0, 1).cols[3]), {-0.0, -0.0, -1, 1}));
    EXPECT_TRUE(all_same(arr(DMat4::orthographic_rh_gl(-1, 1, -1, 1, 0, 1).cols[2]), {0, 0, -2, 0}));
    const DMat4 flat = DMat4::frustum_lh(-1, 1, -1, 1, 1, 1);
    EXPECT_EQ(flat.cols[2].z(), kInf);
    EXPECT_EQ(flat.cols[3].z(), -kInf);
    EXPECT_TRUE(all_same(std::array{flat.cols[2].x(), flat.cols[2].y()}, {0.0, 0.0}));  // centred: +0.0
}

TEST(Mat4, ViewMatrices) {
    const DVec3 eye = v3(0, 0, 5), up = v3(0, 1, 0);
    const DMat4 at = DMat4::look_at_rh(eye, v3(0, 0, 0), up);
    EXPECT_EQ(at, DMat4::from_translation(v3(0, 0, -5)));
    EXPECT_EQ(DMat4::look_to_lh(eye, v3(0, 0, 1), up), at);
    EXPECT_EQ(DMat4::look_at_lh(eye, v3(0, 0, 10), up), at);

    const DVec3 e = v3(1, 2, 3), center = v3(-4, 0, 1);
    const double dist = length(center - e);
    // The eye goes to the origin and the centre onto the viewing axis.
    EXPECT_TRUE(all_near(arr(DMat4::look_at_rh(e, center, up).transform_point3(e)), {0, 0, 0}, 1e-15));
    EXPECT_TRUE(all_near(arr(DMat4::look_at_rh(e, center, up).transform_point3(center)), {0, 0, -dist}, 1e-14));
    EXPECT_TRUE(all_near(arr(DMat4::look_at_lh(e, center, up).transform_point3(center)), {0, 0, dist}, 1e-14));
    const DMat4 parallel = DMat4::look_at_rh(eye, v3(0, 5, 5), up);
    EXPECT_TRUE(is_nan(parallel.row(0)) && is_nan(parallel.row(1)));
    EXPECT_FALSE(is_nan(parallel.row(2)));
    EXPECT_TRUE(std::isnan(DMat4::look_at_rh(eye, eye, up).cols[0].x()));
    EXPECT_TRUE(std::isnan(DMat4::look_at_rh(eye, eye, up).cols[0].z()));
}
