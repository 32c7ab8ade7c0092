// Curve keywords and curve tables of the timed actions.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scene/curve.h"

namespace {

using scene::CurveShape;

// A keyword whose value (first byte + byte sum) is `value`: "A" then 'A'..'Z'
// letters making up the rest. Any spelling with the value selects the curve.
std::string KeywordOf(int value) {
    std::string s = "AA";
    int rest = value - 3 * 'A';
    while (rest > 0) {
        int add = rest > 'Z' ? 'Z' : rest;
        if (rest - add > 0 && rest - add < 'A') add = rest - 'A';
        s.push_back(static_cast<char>(add));
        rest -= add;
    }
    return s;
}

struct ValueCase {
    int value;
    CurveShape shape;
};

class CurveByValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(CurveByValue, BareAndQuotedSpellingsSelectTheSameCurve) {
    const ValueCase& c = GetParam();
    std::string bare = KeywordOf(c.value);
    ASSERT_EQ(scene::CurveKeywordValue(bare.c_str()), c.value) << bare;
    EXPECT_EQ(scene::CurveFromArgument(bare.c_str()), c.shape) << bare;
    std::string quoted = "\"" + bare + "\"";
    EXPECT_EQ(scene::CurveKeywordValue(quoted.c_str()), c.value + 68);
    EXPECT_EQ(scene::CurveFromArgument(quoted.c_str()), c.shape) << quoted;
}

INSTANTIATE_TEST_SUITE_P(
    Values, CurveByValue,
    ::testing::Values(ValueCase{407, scene::kCurveSquare}, ValueCase{408, scene::kCurveCube},
                      ValueCase{409, scene::kCurveQuartic}, ValueCase{413, scene::kCurveOutSquare},
                      ValueCase{414, scene::kCurveOutCube}, ValueCase{415, scene::kCurveOutQuartic},
                      ValueCase{767, scene::kCurveSineIn}, ValueCase{773, scene::kCurveSineOut},
                      ValueCase{654, scene::kCurveSineInOut}, ValueCase{657, scene::kCurveArcCos},
                      ValueCase{410, scene::kCurveLinear}));

TEST(Curve, NullEmptyAndUnknownTextsAreLinear) {
    for (const char* text : {"NULL", "null", "NuLl", "", "Linear", "\"NULL\""})
        EXPECT_EQ(scene::CurveFromArgument(text), scene::kCurveLinear) << text;
    EXPECT_EQ(scene::CurveFromArgument(nullptr), scene::kCurveLinear);
    EXPECT_EQ(scene::CurveFromArgument("ACCEL"), scene::kCurveQuartic);  // 'A' + sum = 409
    // Only the value counts: a bare text worth the quoted value selects too.
    EXPECT_EQ(scene::CurveFromArgument(KeywordOf(475).c_str()), scene::kCurveSquare);
}

struct ShapeCase {
    CurveShape shape;
    double quarter, half;  // f(0.25), f(0.5)
};

class CurveShapes : public ::testing::TestWithParam<ShapeCase> {};

// Tables of 4 steps over a distance of 1000: ends at 0 and 1000, the chosen
// steps follow the shape, and the room past the end is pre-filled with -1.
TEST_P(CurveShapes, TableFollowsTheShape) {
    const ShapeCase& c = GetParam();
    double* t = scene::BuildCurveTable(c.shape, 4, 1000.0);
    ASSERT_NE(t, nullptr);
    EXPECT_NEAR(t[0], 0.0, 1e-9);
    EXPECT_NEAR(t[1], 1000.0 * c.quarter, 1e-6);
    EXPECT_NEAR(t[2], 1000.0 * c.half, 1e-6);
    EXPECT_NEAR(t[4], 1000.0, 1e-6);
    EXPECT_EQ(t[5], -1.0);
    EXPECT_EQ(t[7], -1.0);
    scene::FreeCurveTable(t);
}

const double kPi = 3.14159265358979323846;
INSTANTIATE_TEST_SUITE_P(
    Shapes, CurveShapes,
    ::testing::Values(ShapeCase{scene::kCurveLinear, 0.25, 0.5},
                      ShapeCase{scene::kCurveSquare, 0.0625, 0.25},
                      ShapeCase{scene::kCurveCube, 0.015625, 0.125},
                      ShapeCase{scene::kCurveQuartic, 0.00390625, 0.0625},
                      ShapeCase{scene::kCurveOutSquare, 0.4375, 0.75},
                      ShapeCase{scene::kCurveOutCube, 1 - 0.421875, 0.875},
                      ShapeCase{scene::kCurveOutQuartic, 1 - 0.31640625, 0.9375},
                      ShapeCase{scene::kCurveSineIn, 1 - std::cos(kPi / 8), 1 - std::cos(kPi / 4)},
                      ShapeCase{scene::kCurveSineOut, std::sin(kPi / 8), std::sin(kPi / 4)},
                      ShapeCase{scene::kCurveSineInOut, 0.5 - 0.5 * std::cos(kPi / 4), 0.5},
                      ShapeCase{scene::kCurveArcCos, std::acos(0.5) / kPi, 0.5}));

TEST(Curve, ArcCosStaysDefinedWhenTheAccumulatedStepOvershoots) {
    // 1/N summed N times may pass 1 by a rounding step.
    double* t = scene::BuildCurveTable(scene::kCurveArcCos, 49, 100.0);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(std::isnan(t[49]));
    EXPECT_NEAR(t[49], 100.0, 1e-6);
    scene::FreeCurveTable(t);
}

}  // namespace
