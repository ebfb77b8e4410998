// The lens flare: ring colour from the switches, the glow's colour, where the streaks fall,
// added light, and rectangles too small for a glow.
#include "PixelEffectTestUtil.h"

#include "effects/LensFlareEffect.h"

#include <QSettings>

namespace {
int Red(DWORD p) { return (p >> 16) & 0xFF; }
int Green(DWORD p) { return (p >> 8) & 0xFF; }
int Blue(DWORD p) { return p & 0xFF; }
}

TEST(LensFlareEffect, RingColourFollowsTheSwitches)
{
    QTemporaryDir dir;
    CSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    CLensFlareEffect flare;
    auto dib = FilledDib(8, 8, 0);
    struct { int red, green, blue; COLORREF ring; } cases[] = {
        {1, 0, 0, RGB(40, 10, 5)}, {0, 1, 0, RGB(5, 40, 5)},
        {0, 0, 1, RGB(5, 10, 40)}, {1, 1, 1, RGB(40, 40, 40)}, {0, 0, 0, RGB(5, 10, 5)},
    };
    for (const auto& c : cases) {
        flare.m_bRedOn = c.red;
        flare.m_bGreenOn = c.green;
        flare.m_bBlueOn = c.blue;
        flare.Render(*dib, CRect(0, 0, 8, 8), nullptr, FALSE);
        EXPECT_EQ(flare.m_crRing, c.ring);
        flare.SaveDefaults(store);
        EXPECT_EQ(store.GetInt(QStringLiteral("Lens Flare"), QStringLiteral("RingColor"), 0),
                  int(c.ring));
    }
}

TEST(LensFlareEffect, GlowColourLeansToTheComponentsOn)
{
    CLensFlareEffect flare;
    SetValues(flare, {{"PrimaryStreaks", "0"}, {"RingOn", "0"}});
    auto dib = FilledDib(101, 101, 0);
    flare.Render(*dib, CRect(0, 0, 101, 101), nullptr, FALSE);
    // Red alone: red falls off at 32, green and blue at 45 to 120.
    for (int k = 2; k < 40; k += 3) {
        const DWORD p = dib->GetPixel(50 + k, 50);
        EXPECT_GT(Red(p), Green(p)) << k;
        EXPECT_GT(Red(p), Blue(p)) << k;
    }
    // All three: white glow, and with streaks and ring still grey everywhere.
    CLensFlareEffect white;
    SetValues(white, {{"GreenOn", "1"}, {"BlueOn", "1"}});
    auto grey = FilledDib(101, 101, 0);
    white.Render(*grey, CRect(0, 0, 101, 101), nullptr, FALSE);
    for (int y = 0; y < 101; ++y)
        for (int x = 0; x < 101; ++x) {
            const DWORD p = grey->GetPixel(x, y);
            ASSERT_TRUE(Red(p) == Green(p) && Green(p) == Blue(p)) << x << ", " << y;
        }
    // The centre: glow 1 plus a secondary streak's 0.025, times 0.8 * 255.
    EXPECT_EQ(grey->GetPixel(50, 50), 0xD1D1D1u);
}

TEST(LensFlareEffect, PrimaryStreaksLieOnTheAxes)
{
    // Turned by 45 degrees, the four peaks of the triangle wave fall on the horizontal and
    // vertical axes. Past the glow (g > 1) only streaks remain.
    CLensFlareEffect flare;
    SetValues(flare, {{"Secondary", "0"}, {"RingOn", "0"}, {"PrimaryInten", "1"}});
    auto dib = FilledDib(201, 201, 0);
    flare.Render(*dib, CRect(50, 50, 151, 151), nullptr, FALSE);
    const int c = 100, k = 50; // a = 50: g = 1 at distance 50
    for (const auto& axis : {std::pair{k, 0}, {-k, 0}, {0, k}, {0, -k}}) {
        EXPECT_GT(Red(dib->GetPixel(c + axis.first, c + axis.second)), 0);
    }
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            EXPECT_EQ(dib->GetPixel(c + sx * 36, c + sy * 36), 0u) << sx << ", " << sy;
    // Nothing beyond the rectangle.
    EXPECT_EQ(dib->GetPixel(c + 51, c), 0u);
    EXPECT_EQ(dib->GetPixel(c, c + 52), 0u);
}

TEST(LensFlareEffect, LightIsAddedAndSaturates)
{
    CLensFlareEffect flare;
    auto dib = FilledDib(41, 41, 0x302010);
    flare.Render(*dib, CRect(0, 0, 41, 41), nullptr, FALSE);
    const DWORD once = dib->GetPixel(22, 20);
    flare.Render(*dib, CRect(0, 0, 41, 41), nullptr, FALSE);
    const DWORD twice = dib->GetPixel(22, 20);
    EXPECT_GT(Red(twice), Red(once));
    for (int i = 0; i < 5; ++i)
        flare.Render(*dib, CRect(0, 0, 41, 41), nullptr, FALSE);
    EXPECT_EQ(Red(dib->GetPixel(20, 20)), 255);
    // Never wrapped: no channel below the background's.
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x)
            ASSERT_GE(Red(dib->GetPixel(x, y)), 0x30);
}

TEST(LensFlareEffect, RectangleBelowTwoPixelsHasNoGlow)
{
    CLensFlareEffect flare;
    auto dib = FilledDib(20, 20, 0);
    flare.Render(*dib, CRect(5, 5, 6, 15), nullptr, FALSE);
    flare.Render(*dib, CRect(2, 9, 18, 10), nullptr, FALSE);
    flare.Render(*dib, CRect(3, 3, 4, 4), nullptr, FALSE);
    EXPECT_TRUE(SamePicture(*dib, *FilledDib(20, 20, 0)));
    // Two pixels each way already give a lit centre.
    flare.Render(*dib, CRect(10, 10, 12, 12), nullptr, FALSE);
    EXPECT_FALSE(SamePicture(*dib, *FilledDib(20, 20, 0)));
}
