// Star Field: star count, draw order, star shape, saturation, cancel and defaults.
#include "EffectTestSupport.h"

#include "document/SettingsStore.h"
#include "effects/Random.h"
#include "effects/StarFieldEffect.h"

#include <QSettings>
#include <QTemporaryDir>

#include <cmath>

namespace {
// Grey stars of full-range lightness: a channel is trunc(lightness * 255).
void MakeGrey(CStarFieldEffect& effect, double dBrightness, double dLargeStars)
{
    effect.m_crColor = RGB(255, 255, 255);
    effect.m_dBrightness = dBrightness;
    effect.m_dLargeStars = dLargeStars;
}

int GreyLevel(double dSample, double dBrightness, double dScale = 1.0)
{
    const double e = std::min(std::fabs(dSample), 1.0);
    return static_cast<int>(std::pow(e, 1 / dBrightness) * dScale * 255);
}

DWORD Grey(int n)
{
    return DWORD(n) * 0x010101;
}
}

TEST(StarFieldEffect, CountFollowsTheWholeRectangle)
{
    CInstalledDisplay display;
    CDib dib;
    ASSERT_TRUE(dib.Create(120, 110));
    CStarFieldEffect effect;
    SetRandomSeed(99);
    effect.Render(dib, CRect(10, 5, 110, 105), nullptr, TRUE);
    // floor(100 * (100 * 0.02)) stars, one step each, the bar full after the last.
    ASSERT_EQ(display->m_positions.size(), 200u);
    EXPECT_EQ(display->m_positions.front(), 0);
    EXPECT_EQ(display->m_positions.back(), 100);
    EXPECT_EQ(display->m_nCreated, 1);
    EXPECT_EQ(display->m_nDestroyed, 1);
    EXPECT_TRUE(display->m_bFrameEnabled);
    // Nothing outside the rectangle (rows 5..104 from the bottom; large stars reach one
    // pixel left, two right and two rows up).
    for (int y = 0; y < dib.m_nHeight; ++y) {
        for (int x = 0; x < dib.m_nWidth; ++x) {
            if (x < 9 || x > 111 || y < 5 || y > 106) {
                ASSERT_EQ(dib.GetPixel(x, y), 0u) << x << ", " << y;
            }
        }
    }

    // Density 0, a zero-area rectangle and a star count that truncates to 0 draw nothing.
    display->m_positions.clear();
    effect.m_dDensity = 0;
    effect.Render(dib, CRect(0, 0, 120, 110), nullptr, TRUE);
    effect.m_dDensity = 0.02;
    effect.Render(dib, CRect(50, 50, 50, 90), nullptr, TRUE);
    effect.Render(dib, CRect(0, 0, 7, 7), nullptr, TRUE); // 49 * 0.02 < 1
    EXPECT_TRUE(display->m_positions.empty());
    EXPECT_EQ(display->m_nCreated, 4);
    EXPECT_EQ(display->m_nDestroyed, 4);
}

TEST(StarFieldEffect, PositionXIsDrawnBeforeY)
{
    // A 4 x 5 rectangle at density 0.05 holds exactly one star.
    bool orderMattered = false;
    for (DWORD seed = 1; seed <= 12; ++seed) {
        CDib dib;
        ASSERT_TRUE(dib.Create(40, 30));
        CStarFieldEffect effect;
        MakeGrey(effect, 1.0, 0.0);
        effect.m_dDensity = 0.05;

        SetRandomSeed(seed);
        const int x = RandomInt(4) + 10;
        const int y = RandomInt(5) + 5; // view rows 20..24 are rows 9..5 from the bottom
        CGaussianRandom sampler(0.19, 0.27);
        const int level = GreyLevel(sampler.Sample(), 1.0);
        SetRandomSeed(seed);
        const int swappedY = RandomInt(5) + 5;
        const int swappedX = RandomInt(4) + 10;
        orderMattered |= swappedX != x || swappedY != y;

        SetRandomSeed(seed);
        effect.Render(dib, CRect(10, 20, 14, 25), nullptr, FALSE);
        EXPECT_LE(CountLitPixels(dib), 1) << "seed " << seed;
        EXPECT_EQ(dib.GetPixel(x, y), Grey(level)) << "seed " << seed;
    }
    EXPECT_TRUE(orderMattered);
}

TEST(StarFieldEffect, LightnessFollowsTheBrightnessExponent)
{
    for (double b : {1.0, 0.5, 0.25}) {
        for (DWORD seed = 7; seed < 17; ++seed) {
            CDib dib;
            ASSERT_TRUE(dib.Create(1, 1));
            CStarFieldEffect effect;
            MakeGrey(effect, b, 0.0);
            effect.m_dDensity = 1;
            SetRandomSeed(seed);
            RandomInt(1);
            RandomInt(1);
            CGaussianRandom sampler(0.19, 0.27);
            const double sample = sampler.Sample();
            SetRandomSeed(seed);
            effect.Render(dib, CRect(0, 0, 1, 1), nullptr, FALSE);
            // Brightness 1: |sample| clamped to 1; 0.5: its square.
            EXPECT_EQ(dib.GetPixel(0, 0), Grey(GreyLevel(sample, b))) << b << " " << seed;
        }
    }
}

TEST(StarFieldEffect, SameGeneratorStateSamePicture)
{
    CStarFieldEffect effect;
    effect.m_crColor = RGB(255, 200, 120);
    effect.m_dLargeStars = 0.3;
    CDib a, b, c;
    ASSERT_TRUE(a.Create(64, 48));
    ASSERT_TRUE(b.Create(64, 48));
    ASSERT_TRUE(c.Create(64, 48));
    SetRandomSeed(424242);
    effect.Render(a, CRect(-5, 3, 60, 52), nullptr, FALSE);
    const DWORD after = GetRandomSeed();
    SetRandomSeed(424242);
    effect.Render(b, CRect(-5, 3, 60, 52), nullptr, TRUE);
    EXPECT_EQ(GetRandomSeed(), after);
    EXPECT_TRUE(SamePicture(a, b));
    SetRandomSeed(424243);
    effect.Render(c, CRect(-5, 3, 60, 52), nullptr, FALSE);
    EXPECT_FALSE(SamePicture(a, c));
}

TEST(StarFieldEffect, LargeStarShapeAndClippedCorners)
{
    CStarFieldEffect effect;
    MakeGrey(effect, 1.0, 1.0);
    effect.m_dDensity = 1;
    SetRandomSeed(5);
    RandomInt(1);
    RandomInt(1);
    CGaussianRandom sampler(0.19, 0.27);
    const double sample = sampler.Sample();
    const DWORD core = Grey(GreyLevel(sample, 1.0));
    const DWORD halo = Grey(GreyLevel(sample, 1.0, 0.5));
    ASSERT_NE(core, 0u);

    // Bottom-left corner: the diamond's left tip is cut off, the rest is whole.
    CDib dib;
    ASSERT_TRUE(dib.Create(6, 5));
    SetRandomSeed(5);
    effect.Render(dib, CRect(0, 4, 1, 5), nullptr, FALSE);
    const DWORD expected[3][4] = {
        {halo, halo, 0, 0},    // row 0: the star's own row
        {core, core, halo, 0}, // row 1: core pixels, right tip
        {halo, halo, 0, 0},    // row 2
    };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dib.GetPixel(x, y), expected[y][x]) << x << ", " << y;
    EXPECT_EQ(CountLitPixels(dib), 7);

    // Top-right corner: only the star's own pixel is inside.
    CDib corner;
    ASSERT_TRUE(corner.Create(6, 5));
    SetRandomSeed(5);
    effect.Render(corner, CRect(5, 0, 6, 1), nullptr, TRUE);
    EXPECT_EQ(corner.GetPixel(5, 4), halo);
    EXPECT_EQ(CountLitPixels(corner), 1);
}

TEST(StarFieldEffect, StarsSaturateInsteadOfWrapping)
{
    CStarFieldEffect effect;
    MakeGrey(effect, 1.0, 0.5);
    effect.m_crColor = RGB(255, 128, 40);
    effect.m_dDensity = 200;
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 3));
    SetRandomSeed(77);
    effect.Render(dib, CRect(0, 0, 3, 3), nullptr, FALSE);
    // Hundreds of stars per pixel: every channel the colour has reaches the top.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(dib.GetPixel(x, y), 0xFFFFFFu) << x << ", " << y;
}

TEST(StarFieldEffect, CancelStopsAtTheNextStar)
{
    CInstalledDisplay display;
    display->m_nCancelAtStep = 5;
    CStarFieldEffect effect;
    CDib dib;
    ASSERT_TRUE(dib.Create(100, 100));
    g_bCancelRender = 1; // left over from an earlier render: Begin clears it
    SetRandomSeed(3);
    effect.Render(dib, CRect(0, 0, 100, 100), nullptr, TRUE);
    EXPECT_EQ(display->m_positions.size(), 5u);
    EXPECT_EQ(g_bCancelRender, 1);
    EXPECT_EQ(display->m_nDestroyed, 1);
    EXPECT_TRUE(display->m_bFrameEnabled);

    // A render without progress does not clear the flag and so paints nothing.
    CDib preview;
    ASSERT_TRUE(preview.Create(50, 50));
    effect.Render(preview, CRect(0, 0, 50, 50), nullptr, FALSE);
    EXPECT_EQ(CountLitPixels(preview), 0);
}

TEST(StarFieldEffect, DefaultsInTheStore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    CStarFieldEffect effect;
    EXPECT_EQ(effect.m_strSection, "StarField");
    EXPECT_EQ(effect.m_nCursorId, 131);
    EXPECT_FALSE(effect.ClearsSelectionOnClick());
    {
        CSettingsStore store(path);
        effect.LoadDefaults(store); // first run: the built-in column
        EXPECT_EQ(effect.m_dDensity, 0.02);
        EXPECT_EQ(effect.m_dBrightness, 0.5);
        EXPECT_EQ(effect.m_dLargeStars, 0.05);
        EXPECT_EQ(effect.m_dRotation, 0.0);
        EXPECT_EQ(effect.m_crColor, 0xC0C0C0u);
        effect.m_dBrightness = 0.75;
        effect.m_crColor = RGB(1, 2, 3);
        effect.SaveDefaults(store);
    }
    QSettings raw(path, QSettings::IniFormat);
    EXPECT_EQ(raw.value("StarField/Density").toString(), "0.020000");
    EXPECT_EQ(raw.value("StarField/Brightness").toString(), "0.750000");
    EXPECT_EQ(raw.value("StarField/LargeStars").toString(), "0.050000");
    EXPECT_EQ(raw.value("StarField/Rotation").toString(), "0.000000");
    EXPECT_EQ(raw.value("StarField/Color").toInt(), int(RGB(1, 2, 3)));
    raw.setValue("StarField/Density", "lots");
    raw.remove("StarField/LargeStars");
    raw.sync();

    CStarFieldEffect loaded;
    CSettingsStore store(path);
    loaded.LoadDefaults(store);
    EXPECT_EQ(loaded.m_dDensity, 0.02) << "not a number: the default";
    EXPECT_EQ(loaded.m_dBrightness, 0.75);
    EXPECT_EQ(loaded.m_dLargeStars, 0.05);
    EXPECT_EQ(loaded.m_crColor, RGB(1, 2, 3));

    // Default properties: everything back, the colour too, the rotation untouched.
    loaded.m_dRotation = 12;
    loaded.ResetDefaults();
    EXPECT_EQ(loaded.m_dDensity, 0.02);
    EXPECT_EQ(loaded.m_dBrightness, 0.5);
    EXPECT_EQ(loaded.m_crColor, 0xC0C0C0u);
    EXPECT_EQ(loaded.m_dRotation, 12.0);
}
