// Three-component vector operations against values computed independently from the formulas
// (plain double arithmetic in the same order, the same C library sine, cosine and arc cosine),
// compared bit for bit.
#include <gtest/gtest.h>

#include <string>

#include "algebra/vec3_ops.hpp"
#include "support/fault.hpp"
#include "vec_test_support.hpp"

using namespace quorix;
using namespace vec_test;

namespace {

const Row<DVec2> kRows2[] = {
    {"truncate", truncate(DVec3{{1.0, 2.0, -0.0}}), {{1.0, 2.0}}},
};

const Row<DVec3> kRows3[] = {
    {"cross", cross(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), {{-0x1.77ae147ae147bp+1, -0x1.88f5c28f5c28fp+3, -0x1.b947ae147ae13p+2}}},
    {"cross of axes", cross(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 1.0, 0.0}}), {{0.0, 0.0, 1.0}}},
    {"cross with itself", cross(DVec3{{0.3, -1.7, 2.9}}, DVec3{{0.3, -1.7, 2.9}}), {{0.0, 0.0, 0.0}}},
    {"rotate_x quarter", rotate_x(DVec3{{0.0, 1.0, 0.0}}, kPi / 2), {{0.0, 0x1.1a62633145c07p-54, 1.0}}},
    {"rotate_y quarter", rotate_y(DVec3{{0.0, 0.0, 1.0}}, kPi / 2), {{1.0, 0.0, 0x1.1a62633145c07p-54}}},
    {"rotate_z quarter", rotate_z(DVec3{{1.0, 0.0, 0.0}}, kPi / 2), {{0x1.1a62633145c07p-54, 1.0, 0.0}}},
    {"rotate_x", rotate_x(DVec3{{0.3, -1.7, 2.9}}, 0.7), {{0x1.3333333333333p-2, -0x1.9590322a3759ep+1, 0x1.1f748eb1f0e9fp+0}}},
    {"rotate_y", rotate_y(DVec3{{0.3, -1.7, 2.9}}, -2.1), {{-0x1.53cf3551625acp+1, -0x1.b333333333333p+0, -0x1.3480d6379fb65p+0}}},
    {"rotate_z", rotate_z(DVec3{{0.3, -1.7, 2.9}}, 3.3), {{-0x1.20fa8f0598270p-1, 0x1.a1a2e64c0b97cp+0, 0x1.7333333333333p+1}}},
    {"rotate_axis unit", rotate_axis(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 0.0, 1.0}}, kPi / 2), {{0x1.0000000000000p-52, 1.0, 0.0}}},
    {"rotate_axis non-unit axis", rotate_axis(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 0.0, 2.0}}, kPi / 2), {{-0x1.7fffffffffffep+0, 2.0, 0.0}}},
    {"rotate_axis", rotate_axis(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-0.9516245192244814, 0.058025885318565944, 0.3017346036565429}}, 1.1), {{0x1.f3a5ce2835f82p-2, 0x1.c8db6bde2895ep+0, 0x1.694b4860e414dp+1}}},
    {"quat_rotate", quat_rotate(DVec3{{-4.1, 0.25, 1.3}}, 0.6, DVec3{{0.3, -1.7, 2.9}}), {{-0x1.34820c49ba5e4p+4, 0x1.75e6e978d4fdfp+5, -0x1.381d2f1a9fbe8p+5}}},
    {"slerp general", slerp(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}, 0.3), {{-0x1.2e76db009065ep+0, -0x1.796f1bf7f503fp+0, 0x1.907af0a31938ap+1}}},
    {"slerp perpendicular", slerp(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 2.0, 0.0}}, 0.5), {{0x1.0f876ccdf6cd9p+0, 0x1.0f876ccdf6cd9p+0, 0.0}}},
    {"slerp parallel lerps", slerp(DVec3{{1.0, 0.0, 0.0}}, DVec3{{2.0, 0.0, 0.0}}, 0.5), {{0x1.8000000000000p+0, 0.0, 0.0}}},
    {"slerp from zero lerps", slerp(DVec3{{0.0, 0.0, 0.0}}, DVec3{{1.0, 0.0, 0.0}}, 0.5), {{0x1.0000000000000p-1, 0.0, 0.0}}},
    {"slerp opposite", slerp(DVec3{{1.0, 0.0, 0.0}}, DVec3{{-1.0, 0.0, 0.0}}, 0.5), {{0x1.0000000000000p-52, 1.0, 0.0}}},
    {"slerp opposite longer", slerp(DVec3{{1.0, 0.0, 0.0}}, DVec3{{-2.0, 0.0, 0.0}}, 1.0), {{-2.0, 0x1.1a62633145c07p-52, 0.0}}},
    {"slerp extrapolates", slerp(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}, 1.5), {{-0x1.09fddd882ee25p+2, 0x1.d353f83fce670p+0, -0x1.7b69798dd8ac2p+0}}},
    {"slerp nearly parallel", slerp(DVec3{{1.0, 0.0, 0.0}}, DVec3{{1.0, 0.0001, 0.0}}, 0.25), {{1.0, 0x1.a36e2eb1c432dp-16, 0.0}}},
    {"rotate_towards zero step", rotate_towards(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 1.0, 0.0}}, 0.0), {{1.0, 0.0, 0.0}}},
    {"rotate_towards stops at target", rotate_towards(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 1.0, 0.0}}, 10.0), {{0x1.0000000000000p-52, 1.0, 0.0}}},
    {"rotate_towards away", rotate_towards(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 1.0, 0.0}}, -10.0), {{0x1.0000000000000p-52, -1.0, 0.0}}},
    {"rotate_towards opposite", rotate_towards(DVec3{{1.0, 0.0, 0.0}}, DVec3{{-1.0, 0.0, 0.0}}, kPi / 2), {{0x1.0000000000000p-52, 1.0, 0.0}}},
    {"rotate_towards partial", rotate_towards(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}, 0.4), {{-0x1.014606d468972p+0, -0x1.64327754894b9p+0, 0x1.73f359e546146p+1}}},
    {"rotate_towards NaN step", rotate_towards(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}, kNaN), {{kAnyNaN, kAnyNaN, kAnyNaN}}},
    {"any_orthogonal_vector", any_orthogonal_vector(DVec3{{1.0, 2.0, 3.0}}), {{0.0, 3.0, -2.0}}},
    {"any_orthogonal_vector", any_orthogonal_vector(DVec3{{3.0, 1.0, 2.0}}), {{-2.0, 0.0, 3.0}}},
    {"any_orthogonal_vector", any_orthogonal_vector(DVec3{{1.0, 1.0, 0.0}}), {{0.0, 0.0, -1.0}}},
    {"any_orthogonal_vector", any_orthogonal_vector(DVec3{{-1.0, 1.0, 5.0}}), {{0.0, 5.0, -1.0}}},
    {"any_orthogonal_vector", any_orthogonal_vector(DVec3{{kNaN, 1.0, 2.0}}), {{0.0, 2.0, -1.0}}},
    {"any_orthonormal_vector", any_orthonormal_vector(DVec3{{0.0, 0.0, 1.0}}), {{-0.0, 1.0, -0.0}}},
    {"any_orthonormal_vector", any_orthonormal_vector(DVec3{{0.0, 0.0, -1.0}}), {{0.0, -1.0, -0.0}}},
    {"any_orthonormal_vector", any_orthonormal_vector(DVec3{{0.0, 0.0, 0.0}}), {{-0.0, 1.0, -0.0}}},
    {"any_orthonormal_vector", any_orthonormal_vector(DVec3{{0.0, 0.0, -0.0}}), {{0.0, -1.0, -0.0}}},
    {"any_orthonormal_vector", any_orthonormal_vector(DVec3{{0.08889132764189396, -0.5037175233040657, 0.8592828338716416}}), {{0x1.8a913125c4de5p-6, 0x1.ba20f4a14fce0p-1, 0x1.01e7436206b27p-1}}},
    {"any_orthonormal_vector", any_orthonormal_vector(DVec3{{-0.9516245192244814, 0.058025885318565944, 0.3017346036565429}}), {{0x1.5b800463a29c8p-5, 0x1.feacf9bd47616p-1, -0x1.db5919f878517p-5}}},
    {"from_homogeneous", from_homogeneous(DVec4{{2.0, 4.0, 6.0, 2.0}}), {{1.0, 2.0, 3.0}}},
    {"from_homogeneous zero w", from_homogeneous(DVec4{{1.0, 0.0, -1.0, 0.0}}), {{kInf, kAnyNaN, -kInf}}},
    {"from_homogeneous", from_homogeneous(DVec4{{0.3, -1.7, 2.9, 0.7}}), {{0x1.b6db6db6db6dcp-2, -0x1.36db6db6db6dcp+1, 0x1.0924924924925p+2}}},
};

const Row<DVec4> kRows4[] = {
    {"to_homogeneous", to_homogeneous(DVec3{{1.0, 2.0, 3.0}}), {{1.0, 2.0, 3.0, 1.0}}},
    {"extend", extend(DVec3{{1.0, 2.0, 3.0}}, -0.0), {{1.0, 2.0, 3.0, -0.0}}},
};

const Row<double> kAngles[] = {
    {"angle_between perpendicular", angle_between(DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 1.0, 0.0}}), 0x1.921fb54442d18p+0},
    {"angle_between parallel", angle_between(DVec3{{1.0, 0.0, 0.0}}, DVec3{{2.0, 0.0, 0.0}}), 0.0},
    {"angle_between opposite", angle_between(DVec3{{1.0, 0.0, 0.0}}, DVec3{{-1.0, 0.0, 0.0}}), 0x1.921fb54442d18p+1},
    {"angle_between zero", angle_between(DVec3{{0.0, 0.0, 0.0}}, DVec3{{1.0, 0.0, 0.0}}), kAnyNaN},
    {"angle_between", angle_between(DVec3{{0.3, -1.7, 2.9}}, DVec3{{-4.1, 0.25, 1.3}}), 0x1.6cc1320e45916p+0},
    {"angle_between cosine above one", angle_between(DVec3{{-2.4529208149693886, -0.9555567869746664, 0.6649652285557455}}, DVec3{{-15.784058736221077, -6.148818322776167, 4.278919303475169}}), 0.0},
    {"angle_between cosine below minus one", angle_between(DVec3{{-2.4529208149693886, -0.9555567869746664, 0.6649652285557455}}, DVec3{{15.784058736221077, 6.148818322776167, -4.278919303475169}}), 0x1.921fb54442d18p+1},
};

struct PairRow { DVec3 v; DVec3 first; DVec3 second; };
const PairRow kPairs[] = {
    {DVec3{{0.0, 0.0, 1.0}}, {{1.0, -0.0, -0.0}}, {{-0.0, 1.0, -0.0}}},
    {DVec3{{0.0, 0.0, -1.0}}, {{1.0, -0.0, 0.0}}, {{0.0, -1.0, -0.0}}},
    {DVec3{{0.08889132764189396, -0.5037175233040657, 0.8592828338716416}}, {{0x1.fdd2f6c9ac8fbp-1, 0x1.8a913125c4de5p-6, -0x1.6c195011eb565p-4}}, {{0x1.8a913125c4de5p-6, 0x1.ba20f4a14fce0p-1, 0x1.01e7436206b27p-1}}},
    {DVec3{{-0.9516245192244814, 0.058025885318565944, 0.3017346036565429}}, {{0x1.379ff7008c3f4p-2, 0x1.5b800463a29c8p-5, 0x1.e73b543848204p-1}}, {{0x1.5b800463a29c8p-5, 0x1.feacf9bd47616p-1, -0x1.db5919f878517p-5}}},
};


}  // namespace

TEST(Vec3Ops, ThreeComponentResults) { check_rows(kRows3); }
TEST(Vec3Ops, ConversionsToOtherSizes) {
    check_rows(kRows2);
    check_rows(kRows4);
}
TEST(Vec3Ops, Angles) { check_rows(kAngles); }

TEST(Vec3Ops, OrthonormalPair) {
    for (const auto& row : kPairs) {
        const auto [first, second] = any_orthonormal_pair(row.v);
        EXPECT_TRUE(same_bits(first, row.first));
        EXPECT_TRUE(same_bits(second, row.second));
        EXPECT_TRUE(same_bits(second, any_orthonormal_vector(row.v)));
    }
}

TEST(Vec3Ops, RotateTowardsFaultsOnUndefinedAngle) {
    struct { DVec3 v, rhs; } const cases[] = {
        {DVec3{{0.0, 0.0, 0.0}}, DVec3{{1.0, 0.0, 0.0}}},
        {DVec3{{1.0, 0.0, 0.0}}, DVec3{{0.0, 0.0, 0.0}}},
        {DVec3{{1.0, kNaN, 0.0}}, DVec3{{1.0, 0.0, 0.0}}},
        {DVec3{{kInf, 0.0, 0.0}}, DVec3{{1.0, 0.0, 0.0}}},
    };
    for (const auto& c : cases) {
        try {
            (void)rotate_towards(c.v, c.rhs, 0.1);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& f) {
            EXPECT_EQ(std::string(f.what()), "min > max, or either was NaN. min = NaN, max = NaN");
        }
    }
}
