#include "effects/Color.h"

#include <gtest/gtest.h>

TEST(Color, PackingsAndClamping)
{
    EXPECT_EQ(CColor(0x00C0C0C0, TRUE), CColor(0x00C0C0C0, FALSE));
    const CColor c(0x002F0CF8, TRUE);
    EXPECT_EQ(c.Red(), 248);
    EXPECT_EQ(c.Green(), 12);
    EXPECT_EQ(c.Blue(), 47);
    EXPECT_EQ(c.ToRGB(), 0x00F80C2Fu);
    EXPECT_EQ(c.ToColorRef(), 0x002F0CF8u);
    const CColor packed(0x00F80C2F, FALSE);
    EXPECT_EQ(packed, c);

    const CColor clamped(300, -5, 256);
    EXPECT_EQ(clamped.Red(), 255);
    EXPECT_EQ(clamped.Green(), 0);
    EXPECT_EQ(clamped.Blue(), 255);
    EXPECT_DOUBLE_EQ(CColor(255, 255, 0).Intensity(), 510.0 / 765.0);
    float f[4];
    CColor(255, 0, 51).ToUnit(f);
    EXPECT_FLOAT_EQ(f[2], 0.2f);
    EXPECT_FLOAT_EQ(f[3], 1.0f);
}

TEST(Color, HSLConversions)
{
    double h, s, l;
    CColor(255, 0, 0).ToHSL(h, s, l);
    EXPECT_DOUBLE_EQ(h, 0);
    EXPECT_DOUBLE_EQ(s, 1);
    EXPECT_DOUBLE_EQ(l, 0.5);
    CColor(0, 0, 255).ToHSL(h, s, l);
    EXPECT_DOUBLE_EQ(h, 240);
    CColor(255, 0, 128).ToHSL(h, s, l); // negative before the wrap
    EXPECT_NEAR(h, 360 - 60.0 * 128 / 255, 1e-12);
    CColor(255, 255, 0).ToHSL(h, s, l); // red wins the tie with green
    EXPECT_DOUBLE_EQ(h, 60);
    CColor(0, 200, 200).ToHSL(h, s, l); // green wins against blue
    EXPECT_DOUBLE_EQ(h, 180);
    CColor(100, 100, 100).ToHSL(h, s, l);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(s, 0);
    CColor(200, 100, 50).ToHSL(h, s, l); // dark: saturation over max + min
    EXPECT_NEAR(s, 150.0 / 250.0, 1e-12);
    CColor(250, 200, 150).ToHSL(h, s, l); // light: saturation over 2 - max - min
    EXPECT_NEAR(s, 100.0 / 110.0, 1e-12);

    CColor c;
    c.FromHSL(0, 0.999, 0);
    EXPECT_EQ(c, CColor(254, 254, 254)) << "achromatic lightness truncates";
    c.FromHSL(120, 0.5, 1);
    EXPECT_EQ(c, CColor(0, 255, 0));
    c.FromHSL(300, 0.25, 0.5);
    EXPECT_EQ(c, CColor(96, 32, 96)) << "rounded by adding one half";
    // Round trip of a few colours.
    for (const CColor in : {CColor(12, 200, 77), CColor(250, 3, 128), CColor(90, 90, 250)}) {
        in.ToHSL(h, s, l);
        CColor out;
        out.FromHSL(h, l, s);
        EXPECT_EQ(out, in);
    }
}

TEST(Color, BlendTruncatesAndSaturates)
{
    CColor a(10, 200, 100);
    a.Blend(CColor(20, 100, 255), 0.55);
    EXPECT_EQ(a, CColor(15, 145, 185)); // 5.5 -> 5, -55 -> -55, 85.25 -> 85
    CColor b(250, 0, 0);
    b.Blend(CColor(255, 0, 0), 3.0);
    EXPECT_EQ(b.Red(), 255) << "never wraps above 255";
    CColor c(5, 5, 5);
    c.Blend(CColor(255, 255, 255), 0.0);
    EXPECT_EQ(c, CColor(5, 5, 5));
    c.Blend(CColor(255, 0, 9), 1.0);
    EXPECT_EQ(c, CColor(255, 0, 9));
}
