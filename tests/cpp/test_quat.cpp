#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "algebra/affine3.hpp"
#include "algebra/mat3.hpp"
#include "algebra/mat4.hpp"
#include "algebra/quat.hpp"
#include "algebra_expect.hpp"

using namespace quorix;
using quorix::testing::all_near;
using quorix::testing::all_same;
using quorix::testing::arr;
using quorix::testing::kInf;
using quorix::testing::kNaN;

namespace {

const double pi = std::acos(-1.0);

DVec3 v3(double x, double y, double z) { return {{x, y, z}}; }
DQuat quat(double x, double y, double z, double w) { return {x, y, z, w}; }

}  // namespace

TEST(Quat, ExactResultsOfBasicMethods) {
    struct Case { const char* what; std::array<double, 4> got, want; };
    const Case cases[] = {
        {"identity conjugate", DQuat::identity().conjugate().to_array(), {-0.0, -0.0, -0.0, 1.0}},
        {"inverse is the conjugate", quat(0, 0, 0, 2).inverse().to_array(), {-0.0, -0.0, -0.0, 2.0}},
        {"zero normalised", quat(0, 0, 0, 0).normalize().to_array(), {kNaN, kNaN, kNaN, kNaN}},
        {"Hamilton product", (quat(1, 2, 3, 4) * quat(5, 6, 7, 8)).to_array(), {24, 48, 48, -6}},
        {"negation flips zeros", (-quat(0, -0.0, 1, 2)).to_array(), {-0.0, 0.0, -1, -2}},
        {"scalar product", (2.0 * quat(1, 2, 3, 4)).to_array(), {2, 4, 6, 8}},
        {"true division", (quat(1, 2, 3, 4) / 0.0).to_array(), {kInf, kInf, kInf, kInf}},
        {"half turn about z", DQuat::from_rotation_z(pi).to_array(), {0, 0, 1, 6.123233995736766e-17}},
        {"x rotation keeps +0.0", DQuat::from_rotation_x(-1.0).to_array(),
         {std::sin(-0.5), 0.0, 0.0, std::cos(-0.5)}},
        {"zero scaled axis", DQuat::from_scaled_axis(v3(0, 0, 0)).to_array(), {0, 0, 0, 1}},
        {"axis not normalised", DQuat::from_axis_angle(v3(0, 0, 2), pi).to_array(), {0, 0, 2, 6.123233995736766e-17}},
    };
    for (const Case& c : cases) EXPECT_TRUE(all_same(c.got, c.want)) << c.what;

    EXPECT_EQ(quat(1, 2, 3, 4).length(), std::sqrt(30.0));
    EXPECT_EQ(quat(0, 0, 0, 0).length_recip(), kInf);
    EXPECT_EQ(DQuat::identity().conjugate(), DQuat::identity());
    EXPECT_FALSE(DQuat::nan() == DQuat::nan());
    EXPECT_TRUE(all_same(arr(quat(0, 0, 0, 2).mul_vec3(v3(1, -2, 3))), {4, -8, 12}));
}

TEST(Quat, PredicatesAtTheirBoundaries) {
    struct Case { DQuat q; bool normalized, near_identity, finite, nan; };
    const Case cases[] = {
        {{0, 0, 0, 1.0001}, false, true, true, false},
        {{0, 0, 0, 1.00009}, true, true, true, false},
        {{0, 0, 0, -1}, true, true, true, false},    // only |w| is read
        {{5, 5, 5, 1}, false, true, true, false},    // the vector part is ignored
        {{0, 0, 0.001, 0.9999995}, true, false, true, false},
        {{kInf, 0, 0, 1}, false, true, false, false},
        {{0, 0, 0, kNaN}, false, false, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.q.is_normalized(), c.normalized) << c.q.w;
        EXPECT_EQ(c.q.is_near_identity(), c.near_identity) << c.q.z << " " << c.q.w;
        EXPECT_EQ(c.q.is_finite(), c.finite);
        EXPECT_EQ(c.q.is_nan(), c.nan);
    }
    EXPECT_TRUE(quat(1, 2, 3, 4).abs_diff_eq(quat(1.5, 2, 3, 4), 0.5));
    EXPECT_FALSE(quat(1, 2, 3, 4).abs_diff_eq(quat(1.5, 2, 3, 4), 0.49));
    EXPECT_FALSE(DQuat::nan().abs_diff_eq(DQuat::nan(), kInf));
}

TEST(Quat, AxisAngleForms) {
    struct Case { DQuat q; std::array<double, 3> axis; double angle; };
    const Case cases[] = {
        {DQuat::identity(), {1, 0, 0}, 0.0},
        {{0, 0, 0, 0}, {1, 0, 0}, 0.0},
        {DQuat::nan(), {1, 0, 0}, 0.0},
        {{1, 0, 0, 0}, {1, 0, 0}, pi},
        {{0, 0.6, 0, 0.8}, {0, 1, 0}, 2 * std::atan2(0.6, 0.8)},
    };
    for (const Case& c : cases) {
        auto [axis, angle] = c.q.to_axis_angle();
        EXPECT_TRUE(all_same(arr(axis), c.axis));
        EXPECT_EQ(angle, c.angle);
    }
    EXPECT_GT(quat(0, 0, 0.1, -0.99).to_axis_angle().second, pi);  // no wrapping into [-pi, pi]
    EXPECT_TRUE(all_same(arr(DQuat::identity().to_scaled_axis()), {0, 0, 0}));

    const DVec3 axis = normalize(v3(1, -2, 2));
    const DQuat q = DQuat::from_axis_angle(axis, 1.25);
    EXPECT_TRUE(all_near(arr(q.to_scaled_axis()), arr(axis * 1.25), 1e-15));
    EXPECT_TRUE(all_near(DQuat::from_scaled_axis(axis * 1.25).to_array(), q.to_array(), 1e-16));
    // Rotating agrees with the axis-angle matrix.
    EXPECT_TRUE(all_near(arr(q * v3(3, 1, -2)), arr(DMat3::from_axis_angle(axis, 1.25) * v3(3, 1, -2)), 1e-15));
}

TEST(Quat, Interpolation) {
    const DQuat a = DQuat::from_rotation_z(0.2);
    const DQuat b = DQuat::from_rotation_z(1.4);
    EXPECT_TRUE(all_near(a.slerp(b, 0.5).to_array(), DQuat::from_rotation_z(0.8).to_array(), 1e-15));
    EXPECT_TRUE(all_near(a.slerp(b, 0.25).to_array(), DQuat::from_rotation_z(0.5).to_array(), 1e-15));
    EXPECT_EQ(a.slerp(-b, 0.3), a.slerp(b, 0.3));  // the shorter arc is taken
    EXPECT_EQ(a.lerp(-b, 0.3), a.lerp(b, 0.3));
    EXPECT_TRUE(all_near(a.lerp(b, 0.5).to_array(), DQuat::from_rotation_z(0.8).to_array(), 1e-15));
    EXPECT_EQ(a.slerp(a, 0.5), a.normalize());  // parallel: the normalised linear branch
    EXPECT_TRUE(quat(0, 0, 0, 0).lerp(quat(0, 0, 0, 0), 0.5).is_nan());
    EXPECT_TRUE(std::isnan(a.angle_between(DQuat::nan())));
    EXPECT_NEAR(a.angle_between(b), 1.2, 1e-15);
}

TEST(Quat, RotateTowards) {
    const DQuat a = DQuat::from_rotation_z(0.2);
    const DQuat b = DQuat::from_rotation_z(1.4);
    struct Case { double max_angle; double want_z_angle; };
    const Case cases[] = {{0.25, 0.45}, {-0.25, -0.05}, {5.0, 1.4}, {0.0, 0.2}};
    for (const Case& c : cases)
        EXPECT_TRUE(all_near(a.rotate_towards(b, c.max_angle).to_array(),
                             DQuat::from_rotation_z(c.want_z_angle).to_array(), 1e-15))
            << c.max_angle;
    // Within 1e-4 of the target the target itself comes back, whatever the step.
    const DQuat near = DQuat::from_rotation_z(0.2 + 9e-5);
    EXPECT_TRUE(all_same(a.rotate_towards(near, -3.0).to_array(), near.to_array()));
}

TEST(Quat, RotationAxesConversionTakesEachBranch) {
    // Each rotation makes a different one of the four candidates the largest.
    const DQuat rotations[] = {
        DQuat::from_axis_angle(normalize(v3(1, 0.1, 0.2)), 3.0),   // m22 <= 0, d <= 0
        DQuat::from_axis_angle(normalize(v3(0.1, 1, 0.2)), 3.0),   // m22 <= 0, d > 0
        DQuat::from_axis_angle(normalize(v3(0.1, 0.2, 1)), 3.0),   // m22 > 0, e <= 0
        DQuat::from_axis_angle(normalize(v3(0.3, -0.2, 0.5)), 0.7),  // m22 > 0, e > 0
    };
    for (const DQuat& q : rotations) {
        const DMat3 m = DMat3::from_quat(q);
        EXPECT_TRUE(all_near(DQuat::from_mat3(m).to_array(), q.to_array(), 1e-15));
        EXPECT_EQ(DQuat::from_mat4(DMat4::from_mat3_translation(m, v3(7, 8, 9))), DQuat::from_mat3(m));
        EXPECT_EQ(DQuat::from_affine3(DAffine3::from_mat3_translation(m, v3(7, 8, 9))), DQuat::from_mat3(m));
    }
    const DMat3 half_turn_x = DMat3::from_cols(v3(1, 0, 0), v3(0, -1, 0), v3(0, 0, -1));
    EXPECT_TRUE(all_same(DQuat::from_mat3(half_turn_x).to_array(), {1, 0, 0, 0}));
    EXPECT_TRUE(all_same(DQuat::from_mat3(DMat3::zero()).to_array(), {0.5, 0, 0, 0}));
    EXPECT_TRUE(all_same(DQuat::from_rotation_axes(v3(1, 0, 0), v3(0, 1, 0), v3(0, 0, 1)).to_array(), {0, 0, 0, 1}));
}

TEST(Quat, RotationArcs) {
    constexpr double w_half_turn = 6.123233995736766e-17;
    struct Case { const char* what; DQuat got; std::array<double, 4> want; };
    const Case exact[] = {
        {"same", DQuat::from_rotation_arc(v3(1, 0, 0), v3(1, 0, 0)), {0, 0, 0, 1}},
        {"opposite x", DQuat::from_rotation_arc(v3(1, 0, 0), v3(-1, 0, 0)), {-0.0, 1.0, -0.0, w_half_turn}},
        {"opposite -z", DQuat::from_rotation_arc(v3(0, 0, -1), v3(0, 0, 1)), {0.0, -1.0, -0.0, w_half_turn}},
        {"lengths kept", DQuat::from_rotation_arc(v3(2, 0, 0), v3(0, 2, 0)),
         {0, 0, 4 / std::sqrt(17.0), 1 / std::sqrt(17.0)}},
        {"colinear opposite", DQuat::from_rotation_arc_colinear(v3(1, 0, 0), v3(-1, 0, 0)), {0, 0, 0, 1}},
        {"2d opposite", DQuat::from_rotation_arc_2d(DVec2{{1, 0}}, DVec2{{-1, 0}}), {0, 0, 1, 0.0}},
        {"2d same", DQuat::from_rotation_arc_2d(DVec2{{0, 1}}, DVec2{{0, 1}}), {0, 0, 0, 1}},
    };
    for (const Case& c : exact) EXPECT_TRUE(all_same(c.got.to_array(), c.want)) << c.what;

    const DVec3 from = normalize(v3(1, 2, -1)), to = normalize(v3(-2, 0.5, 1));
    EXPECT_TRUE(all_near(arr(DQuat::from_rotation_arc(from, to) * from), arr(to), 1e-15));
    EXPECT_TRUE(all_near(arr(DQuat::from_rotation_arc_colinear(from, to) * from), arr(-to), 1e-15));
    const DVec2 f2 = normalize(DVec2{{3, 4}}), t2 = normalize(DVec2{{-1, 2}});
    const DVec3 turned = DQuat::from_rotation_arc_2d(f2, t2) * extend(f2, 0.0);
    EXPECT_TRUE(all_near(arr(turned), arr(extend(t2, 0.0)), 1e-15));
}

TEST(Quat, LookRotations) {
    EXPECT_TRUE(all_near(DQuat::look_to_rh(v3(0, 0, -1), v3(0, 1, 0)).to_array(), {0, 0, 0, 1}, 0));
    EXPECT_TRUE(all_near(DQuat::look_to_lh(v3(0, 0, 1), v3(0, 1, 0)).to_array(), {0, 0, 0, 1}, 0));
    const DVec3 eye = v3(1, 2, 3), center = v3(-2, 4, 0), up = v3(0, 1, 0);
    const DVec3 dir = normalize(center - eye);
    // The view rotation turns the viewing direction into -Z (right-handed) or +Z (left-handed).
    EXPECT_TRUE(all_near(arr(DQuat::look_at_rh(eye, center, up) * dir), {0, 0, -1}, 1e-15));
    EXPECT_TRUE(all_near(arr(DQuat::look_at_lh(eye, center, up) * dir), {0, 0, 1}, 1e-15));
    EXPECT_TRUE(all_near(DQuat::look_to_rh(dir, up).to_array(), DQuat::look_at_rh(eye, center, up).to_array(), 0));
    EXPECT_TRUE(DQuat::look_at_rh(eye, eye, up).is_nan());
    EXPECT_TRUE(DQuat::look_to_rh(up, up).is_nan());
}
