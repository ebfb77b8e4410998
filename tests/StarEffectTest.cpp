// The star: its opaque or see-through core, the corona without dropoff, a core reaching
// the rim, and what a drag that is no rectangle paints.
#include "PixelEffectTestUtil.h"

#include "effects/StarEffect.h"

namespace {
constexpr DWORD kBackground = 0x405060;
constexpr DWORD kWhite = 0xFFFFFF;
}

TEST(StarEffect, CoreColourOrSeeThroughCore)
{
    for (const char* transparent : {"0", "1"}) {
        CStarEffect star;
        SetValues(star, {{"TransparentInterior", transparent}});
        auto dib = FilledDib(101, 81, kBackground);
        const CRect rect(3, 4, 98, 77);
        star.Render(*dib, rect, nullptr, FALSE);
        const CRect r = Rows(*dib, rect);
        int core = 0;
        for (int y = 0; y < dib->m_nHeight; ++y)
            for (int x = 0; x < dib->m_nWidth; ++x) {
                const double d = EllipseDistance(r, x, y);
                if (d >= 1 || (d < 0.175 && *transparent == '1')) {
                    ASSERT_TRUE(PixelIs(*dib, x, y, kBackground)) << "d " << d;
                } else if (d < 0.175) {
                    ASSERT_TRUE(PixelIs(*dib, x, y, kWhite)) << "d " << d;
                    ++core;
                }
            }
        EXPECT_TRUE(*transparent == '1' || core > 100);
    }
}

TEST(StarEffect, NoDropoffIsOpaqueToTheRim)
{
    CStarEffect star;
    SetValues(star, {{"Dropoff", "0"}});
    auto dib = FilledDib(60, 40, kBackground);
    const CRect rect(0, 0, 60, 40);
    star.Render(*dib, rect, nullptr, FALSE);
    const CRect r = Rows(*dib, rect);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_TRUE(PixelIs(*dib, x, y, EllipseDistance(r, x, y) < 1 ? kWhite : kBackground));
}

TEST(StarEffect, CoreReachingTheRimStaysBetweenTheColours)
{
    // A radius within 0.025 of 1: the edge band ramps from the core toward the corona's
    // value at the rim. Every pixel stays between the background and the core colour.
    for (const char* radius : {"0.976", "0.99", "1"}) {
        for (const char* dropoff : {"0", "1", "10"}) {
            CStarEffect star;
            SetValues(star, {{"Radius", radius}, {"Dropoff", dropoff}});
            auto dib = FilledDib(50, 50, kBackground);
            star.Render(*dib, CRect(0, 0, 50, 50), nullptr, FALSE);
            for (int y = 0; y < 50; ++y)
                for (int x = 0; x < 50; ++x) {
                    const DWORD p = dib->GetPixel(x, y);
                    ASSERT_GE(p & 0xFF, 0x60u) << radius << " " << dropoff;
                    ASSERT_GE((p >> 16) & 0xFF, 0x40u) << radius << " " << dropoff;
                }
            // The centre is core.
            EXPECT_TRUE(PixelIs(*dib, 25, 25, kWhite));
        }
    }
}

TEST(StarEffect, EmptyRectanglePaintsNothing)
{
    CStarEffect star;
    auto dib = FilledDib(20, 20, kBackground);
    star.Render(*dib, CRect(5, 5, 5, 15), nullptr, FALSE);
    star.Render(*dib, CRect(5, 5, 15, 5), nullptr, FALSE);
    star.Render(*dib, CRect(30, 30, 60, 60), nullptr, FALSE);
    EXPECT_TRUE(SamePicture(*dib, *FilledDib(20, 20, kBackground)));
}
