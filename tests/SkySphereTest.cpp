#include "EffectTestSupport.h"
#include "PictureAssertions.h"
#include "SceneTestSupport.h"
#include "SkyTestSupport.h"
#include "document/Recipe.h"
#include "document/SceneRepaint.h"
#include "document/SkyPatch.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

// A new sky sphere of height h (width 2h) in colour, with or without history.
void NewSky(CSkyloomDoc& doc, int h, DWORD colour, bool bHistory = false)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(2 * h, h));
    dib.Fill(colour);
    doc.SetKeepHistory(bHistory);
    doc.SetPicture(dib);
    doc.SetRecipe(CRecipe::ForNewSky(h, colour));
    ASSERT_TRUE(doc.IsSkySphere());
}

// The rectangle a drag makes for a patch of side rows centred at (x, latitude), as wide in
// columns as it must be to span the same angle there: a square patch of sky.
CRect SquarePatch(double x, double lat, int side, int h)
{
    const double y = (90.0 - lat) / 180.0 * h;
    const int width = int(std::lround(side / std::cos(lat * kPi / 180)));
    return CRect(int(x) - width / 2, int(y) - side / 2, int(x) + width / 2, int(y) + side / 2);
}

// A pixel the planet covers on a blue sky: the lit side is grey, the dark side black.
bool OffTheSky(DWORD pixel)
{
    return ChannelDifference(pixel, 0x0000FF) > 64;
}

} // namespace

// A real planet painted on the sky at the equator, high up, over the pole and across the
// panorama's left and right edges is round where a camera (a cube face turned to it) looks
// at it; a galaxy across the edges is one galaxy, with no step where they meet.
TEST(SkySphere, PlanetsStayRoundAndAGalaxyCrossesTheSeamWhole)
{
    PrepareLitScenes();
    const int h = 2048, w = 2 * h;
    const struct
    {
        double x;
        double lat;
    } kPlaces[] = {{1024, 0}, {2400, 60}, {600, 85}, {0, 10}};
    for (const auto& place : kPlaces) {
        SCOPED_TRACE(place.lat);
        CSkyloomDoc doc;
        NewSky(doc, h, 0x0000FF);
        const CRect rect = SquarePatch(place.x, place.lat, 320, h);
        ASSERT_EQ(Paint(doc, QStringLiteral("Moon"), rect), RENDER_DONE);
        CDib view;
        LookAt(doc.GetImage(), CSkyPatch::FromRect(rect, CSize(w, h)), view);
        const auto [shortest, longest] = ChordRange(view, OffTheSky);
        EXPECT_GT(shortest, 160);
        EXPECT_LE(longest / shortest, 1.02) << shortest << " " << longest;
    }

    CSkyloomDoc doc;
    NewSky(doc, 256, 0x000000);
    ASSERT_EQ(Paint(doc, QStringLiteral("Galaxy"), CRect(-100, 28, 100, 228)), RENDER_DONE);
    const CDib& sky = doc.GetImage();
    // Across the edge against across the neighbouring columns on either side, over the
    // rows the galaxy fills.
    double seam = 0, inside = 0;
    for (int y = 78; y < 178; ++y) {
        const auto step = [&](int a, int b) {
            return double(ChannelDifference(sky.GetPixel(a, y), sky.GetPixel(b, y)));
        };
        seam += step(sky.m_nWidth - 1, 0);
        inside += (step(0, 1) + step(1, 2) + step(sky.m_nWidth - 2, sky.m_nWidth - 1) +
                   step(sky.m_nWidth - 3, sky.m_nWidth - 2)) / 4;
    }
    EXPECT_GT(inside, 0);
    EXPECT_LE(seam, 1.5 * inside + 100);
}

// Stars fall evenly over the sky: counted in eight bands of latitude of equal area they
// agree within chance (chi-square, 7 degrees of freedom, 1 %). The same field painted on a
// flat picture of the same size crowds the bands near the poles far past that.
TEST(SkySphere, StarsFallEvenlyBySolidAngle)
{
    const int h = 512;
    const auto chiSquare = [h](bool bSky) {
        CSkyloomDoc doc;
        NewSky(doc, h, 0x000000);
        if (!bSky)
            doc.SetSkySphere(false);
        EXPECT_EQ(Paint(doc, QStringLiteral("StarField"), CRect(0, 0, 2 * h, h),
                        {{QStringLiteral("Density"), QStringLiteral("0.004")},
                         {QStringLiteral("LargeStars"), QStringLiteral("0")}}),
                  RENDER_DONE);
        std::array<int, 8> bands{};
        int total = 0;
        const CDib& sky = doc.GetImage();
        for (int y = 0; y < h; ++y) {
            const double lat = 90.0 - (y + 0.5) / h * 180.0;
            const int band =
                std::clamp(int((std::sin(lat * kPi / 180) + 1) / 2 * 8), 0, 7);
            for (int x = 0; x < 2 * h; ++x)
                if (sky.GetPixel(x, h - 1 - y) != 0) {
                    ++bands[band];
                    ++total;
                }
        }
        EXPECT_GT(total, 1000);
        double chi = 0;
        for (const int n : bands)
            chi += (n - total / 8.0) * (n - total / 8.0) / (total / 8.0);
        return chi;
    };
    EXPECT_LT(chiSquare(true), 18.475);
    EXPECT_GT(chiSquare(false), 100);
}

// A whole sky scene: its cube faces meet without seams, an edit of an early step repaints
// the sky exactly as the edited steps paint it afresh, and Undo puts it back byte for byte.
TEST(SkySphere, AScenesFacesMeetAndAnEditRepaintsTheSkyExactly)
{
    PrepareLitScenes();
    const int h = 256, w = 2 * h;
    const CRect nebula(300, 60, 420, 150), moved(20, 10, 140, 100);
    const auto paintScene = [&](CSkyloomDoc& doc, const CRect& nebulaRect) {
        EXPECT_EQ(Paint(doc, QStringLiteral("StarField"), CRect(0, 0, w, h)), RENDER_DONE);
        EXPECT_EQ(Paint(doc, QStringLiteral("Nebula"), nebulaRect), RENDER_DONE);
        EXPECT_EQ(Paint(doc, QStringLiteral("Gas"), CRect(80, 150, 260, 250)), RENDER_DONE);
        EXPECT_EQ(Paint(doc, QStringLiteral("Galaxy"), CRect(-60, 100, 60, 180)), RENDER_DONE);
        EXPECT_EQ(Paint(doc, QStringLiteral("Moon"), SquarePatch(150, 80, 50, h)), RENDER_DONE);
    };
    CSkyloomDoc doc;
    NewSky(doc, h, 0x000008, true);
    paintScene(doc, nebula);
    const auto pScene = Copy(doc.GetImage());

    CDib faces[CubeFaceCount];
    ASSERT_TRUE(MakeCubeFaces(doc.GetImage(), h / 2, faces));
    const auto [seam, inside] = CubeEdgeSteps(faces);
    EXPECT_LE(seam, 2.0) << "inside " << inside;

    CRecipeStep edited = doc.GetStep(1).recipe;
    ASSERT_EQ(edited.strEffect, QStringLiteral("Nebula"));
    edited.rect = moved;
    ASSERT_EQ(EditSceneStep(doc, 1, edited), RENDER_DONE);
    CSkyloomDoc fresh;
    NewSky(fresh, h, 0x000008);
    paintScene(fresh, moved);
    EXPECT_TRUE(SamePicture(fresh.GetImage(), doc.GetImage()));
    doc.Undo();
    EXPECT_TRUE(SamePicture(*pScene, doc.GetImage()));
}

// Escape during a render on a sky puts the panorama back byte for byte, for an effect painted
// pixel by pixel and for one drawn with OpenGL, near the seam and high up.
TEST(SkySphere, EscapeDuringARenderOnASkyRestoresItExactly)
{
    PrepareLitScenes();
    const int h = 512;
    CSkyloomDoc doc;
    NewSky(doc, h, 0x000008, true);
    ASSERT_EQ(Paint(doc, QStringLiteral("StarField"), CRect(0, 0, 2 * h, h)), RENDER_DONE);
    const auto pBefore = Copy(doc.GetImage());
    for (const char* szEffect : {"Nebula", "Moon"}) {
        SCOPED_TRACE(szEffect);
        CInstalledDisplay display;
        display->m_nCancelAtStep = 3;
        EXPECT_EQ(Paint(doc, QString::fromLatin1(szEffect), CRect(-150, 20, 250, 300)),
                  RENDER_CANCELLED);
        EXPECT_TRUE(SamePicture(*pBefore, doc.GetImage()));
        EXPECT_EQ(doc.GetStepCount(), 1);
    }
}
