// The vortex: its empty core with the soft edge, and an inner radius reaching the rim.
#include "PixelEffectTestUtil.h"

#include "effects/VortexEffect.h"

namespace {
constexpr DWORD kBackground = 0x102030;
constexpr DWORD kInner = 0xF80C2F;
}

TEST(VortexEffect, TransparentCoreWithARampToTheCloud)
{
    // Intensity 5 keeps |noise + intensity| above 1, so the opacity is the shape alone;
    // dropoff 0 makes it 1 from the edge of the core out to the rim.
    CVortexEffect vortex;
    SetValues(vortex,
              {{"Dropoff", "0"}, {"Frequency", "0"}, {"Rotation", "0"}, {"InnerRadius", "0.3"}});
    vortex.m_dIntensity = 5; // beyond what a user may give

    auto dib = FilledDib(130, 110, kBackground);
    const CRect rect(5, 5, 125, 105);
    RenderSeeded(vortex, *dib, rect, 31);

    const CRect r = Rows(*dib, rect);
    int ramp = 0;
    for (int y = 0; y < dib->m_nHeight; ++y) {
        for (int x = 0; x < dib->m_nWidth; ++x) {
            const double d = EllipseDistance(r, x, y);
            if (d >= 1 || d <= 0.3 - 0.025) {
                ASSERT_TRUE(PixelIs(*dib, x, y, kBackground)) << "d " << d;
            } else if (d >= 0.3 + 0.025) {
                ASSERT_TRUE(PixelIs(*dib, x, y, kInner)) << "d " << d;
            } else {
                // Across the band the red channel climbs from the background's 0x10 to
                // the cloud's 0xF8 in proportion to (d - 0.275) / 0.05.
                const int red = (dib->GetPixel(x, y) >> 16) & 0xFF;
                const double expected = 0x10 + (0xF8 - 0x10) * (d - 0.275) / 0.05;
                EXPECT_NEAR(red, expected, 1.01) << "d " << d;
                ++ramp;
            }
        }
    }
    EXPECT_GT(ramp, 20);
}

TEST(VortexEffect, InnerRadiusAtTheRimStaysWithinTheColours)
{
    // An inner radius within 0.025 of 1 puts the core's edge band across the rim: the
    // ramp then rises toward the fall-off's value at the rim (0 for a positive dropoff,
    // 1 for none), never past it.
    for (const char* radius : {"0.98", "0.99", "1"}) {
        CVortexEffect vortex;
        SetValues(vortex, {{"InnerRadius", radius}, {"Frequency", "0"}, {"Itensity", "5"}});
        auto dib = FilledDib(80, 60, kBackground);
        RenderSeeded(vortex, *dib, CRect(0, 0, 80, 60), 5);
        EXPECT_TRUE(SamePicture(*dib, *FilledDib(80, 60, kBackground))) << radius;

        SetValues(vortex, {{"InnerRadius", radius}, {"Frequency", "0"}, {"Itensity", "5"},
                           {"Dropoff", "0"}});
        RenderSeeded(vortex, *dib, CRect(0, 0, 80, 60), 5);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                const DWORD p = dib->GetPixel(x, y);
                // Between the background and the inner colour, channel by channel.
                ASSERT_GE((p >> 16) & 0xFF, 0x10u);
                ASSERT_LE((p >> 16) & 0xFF, 0xF8u);
                ASSERT_LE((p >> 8) & 0xFF, 0x20u);
                ASSERT_GE((p >> 8) & 0xFF, 0x0Cu);
            }
    }
}
