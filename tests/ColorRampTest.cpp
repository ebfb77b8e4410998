#include "gl/ColorRamp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

::testing::AssertionResult IsColour(const CColor& c, int r, int g, int b)
{
    if (c.Red() == r && c.Green() == g && c.Blue() == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << c.Red() << ", " << c.Green() << ", "
                                         << c.Blue() << "), want (" << r << ", " << g << ", "
                                         << b << ")";
}

}

TEST(ColorRamp, EarthRampPassesThroughItsInnerControls)
{
    const CColorRamp ramp = CColorRamp::Earth();
    ASSERT_EQ(ramp.GetCount(), 15);
    // Segment starts hit controls 1..12; the curve never reaches control 0.
    const int inner[12][3] = {{215, 198, 176}, {180, 128, 7},  {216, 179, 120}, {125, 89, 6},
                              {116, 111, 50},  {98, 99, 41},   {69, 80, 39},    {60, 100, 60},
                              {80, 126, 80},   {75, 106, 118}, {97, 129, 115},  {210, 210, 255}};
    for (int j = 0; j < 12; ++j)
        EXPECT_TRUE(IsColour(ramp.Evaluate(j / 12.0), inner[j][0], inner[j][1], inner[j][2]))
            << "control " << j + 1;
    EXPECT_TRUE(IsColour(ramp.Evaluate(1.0), 255, 255, 255));
}

TEST(ColorRamp, InterpolatesClampsAndSaturates)
{
    const CColorRamp ramp = CColorRamp::Earth();
    // Mid-segment values of the Catmull-Rom cubic, truncated: (200.25, 165.625, 91.06).
    EXPECT_TRUE(IsColour(ramp.Evaluate(0.5 / 12), 200, 165, 91));
    EXPECT_TRUE(IsColour(ramp.Evaluate(10.5 / 12), 152, 168, 184));
    // The spline overshoots blue to 263.75 before the white end: held at 255.
    EXPECT_TRUE(IsColour(ramp.Evaluate(11.5 / 12), 239, 237, 255));
    // Outside [0, 1] and NaN take the ends.
    EXPECT_EQ(ramp.Evaluate(-3), ramp.Evaluate(0));
    EXPECT_EQ(ramp.Evaluate(7), ramp.Evaluate(1));
    EXPECT_EQ(ramp.Evaluate(std::numeric_limits<double>::quiet_NaN()), ramp.Evaluate(0));
    EXPECT_EQ(ramp.Evaluate(std::numeric_limits<double>::infinity()), ramp.Evaluate(1));
}
