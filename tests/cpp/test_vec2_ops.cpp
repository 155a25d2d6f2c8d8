// Two-component vector operations against values computed independently from the formulas
// (plain double arithmetic in the same order, the same C library sine, cosine and arc cosine),
// compared bit for bit.
#include <gtest/gtest.h>

#include <string>

#include "algebra/vec2_ops.hpp"
#include "support/fault.hpp"
#include "vec_test_support.hpp"

using namespace quorix;
using namespace vec_test;

namespace {

const Row<DVec2> kRows2[] = {
    {"perp", perp(DVec2{{0.3, -1.7}}), {{0x1.b333333333333p+0, 0x1.3333333333333p-2}}},
    {"perp of zero", perp(DVec2{{0.0, 0.0}}), {{-0.0, 0.0}}},
    {"rotate", rotate(DVec2{{0.3, -1.7}}, DVec2{{-4.1, 0.25}}), {{-0x1.9c28f5c28f5c0p-1, 0x1.c2e147ae147adp+2}}},
    {"rotate scales", rotate(DVec2{{1.0, 0.0}}, DVec2{{0.0, 2.0}}), {{0.0, 2.0}}},
    {"rotate_towards partial", rotate_towards(DVec2{{1.0, 0.0}}, DVec2{{0.0, 1.0}}, 0.5), {{0x1.c1528065b7d50p-1, 0x1.eaee8744b05f0p-2}}},
    {"rotate_towards stops at target", rotate_towards(DVec2{{1.0, 0.0}}, DVec2{{0.0, 1.0}}, 10.0), {{0x1.1a62633145c07p-54, 1.0}}},
    {"rotate_towards away", rotate_towards(DVec2{{1.0, 0.0}}, DVec2{{0.0, 1.0}}, -10.0), {{0x1.1a62633145c07p-54, -1.0}}},
    {"rotate_towards clockwise", rotate_towards(DVec2{{0.3, -1.7}}, DVec2{{-4.1, 0.25}}, 0.4), {{-0x1.8af313479346ep-2, -0x1.aec0c9691257ap+0}}},
    {"rotate_towards counter-clockwise", rotate_towards(DVec2{{-4.1, 0.25}}, DVec2{{0.3, -1.7}}, 0.4), {{-0x1.efd58de8a7bdfp+1, -0x1.5dc91c5376f3bp+0}}},
    {"rotate_towards NaN step", rotate_towards(DVec2{{0.3, -1.7}}, DVec2{{-4.1, 0.25}}, kNaN), {{kAnyNaN, kAnyNaN}}},
};

const Row<DVec3> kRows3[] = {
    {"extend", extend(DVec2{{1.0, 2.0}}, 3.0), {{1.0, 2.0, 3.0}}},
};

const Row<double> kScalars[] = {
    {"perp_dot", perp_dot(DVec2{{0.3, -1.7}}, DVec2{{-4.1, 0.25}}), -0x1.b947ae147ae13p+2},
    {"perp_dot of axes", perp_dot(DVec2{{1.0, 0.0}}, DVec2{{0.0, 1.0}}), 1.0},
    {"angle_to quarter", angle_to(DVec2{{1.0, 0.0}}, DVec2{{0.0, 1.0}}), 0x1.921fb54442d18p+0},
    {"angle_to negative quarter", angle_to(DVec2{{0.0, 1.0}}, DVec2{{1.0, 0.0}}), -0x1.921fb54442d18p+0},
    {"angle_to opposite, +0 perp_dot", angle_to(DVec2{{1.0, 0.0}}, DVec2{{-1.0, 0.0}}), 0x1.921fb54442d18p+1},
    {"angle_to opposite, -0 perp_dot", angle_to(DVec2{{1.0, -0.0}}, DVec2{{-1.0, -0.0}}), -0x1.921fb54442d18p+1},
    {"angle_to zero", angle_to(DVec2{{0.0, 0.0}}, DVec2{{1.0, 0.0}}), kAnyNaN},
    {"angle_to infinite", angle_to(DVec2{{kInf, 0.0}}, DVec2{{1.0, 0.0}}), kAnyNaN},
    {"angle_to", angle_to(DVec2{{0.3, -1.7}}, DVec2{{-4.1, 0.25}}), -0x1.ce6e2e6d6535ap+0},
    {"angle_to reversed", angle_to(DVec2{{-4.1, 0.25}}, DVec2{{0.3, -1.7}}), 0x1.ce6e2e6d6535ap+0},
};


}  // namespace

TEST(Vec2Ops, VectorResults) {
    check_rows(kRows2);
    check_rows(kRows3);
}
TEST(Vec2Ops, Scalars) { check_rows(kScalars); }

TEST(Vec2Ops, RotateTowardsFaultsOnUndefinedAngle) {
    struct { DVec2 v, rhs; } const cases[] = {
        {DVec2{{0.0, 0.0}}, DVec2{{1.0, 0.0}}},
        {DVec2{{1.0, 0.0}}, DVec2{{0.0, 0.0}}},
        {DVec2{{kNaN, 1.0}}, DVec2{{1.0, 0.0}}},
        {DVec2{{1.0, 0.0}}, DVec2{{-kInf, 0.0}}},
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
