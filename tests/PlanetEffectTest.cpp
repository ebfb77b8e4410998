// Planets rendered through the off-screen context: where they draw, what they leave alone,
// and that a seed reproduces them.
#include "EffectTestSupport.h"
#include "GLTestSupport.h"

#include "document/Settings.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/EarthSurface.h"
#include "gl/GLLight.h"
#include "gl/MoonSurface.h"
#include "gl/PlanetEffect.h"

#include <QImage>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr DWORD kBackground = 0x203040;

// A picture with a little pattern, so that untouched pixels are told from a plain fill.
void FillPattern(CDib& dib)
{
    for (int y = 0; y < dib.m_nHeight; ++y)
        for (int x = 0; x < dib.m_nWidth; ++x)
            dib.SetPixel(x, y, kBackground + ((x * 7 + y * 3) & 15));
}

// Renders tool into rect of a fresh patterned picture of width x height, as the canvas
// does: the saved copy of rect is the second image; the seed is set before PrepareRender.
std::unique_ptr<CDib> RenderTool(int tool, int width, int height, const CRect& rect,
                                 DWORD seed = 4242, CEffect* pEffect = nullptr)
{
    auto dib = std::make_unique<CDib>();
    EXPECT_TRUE(dib->Create(width, height));
    FillPattern(*dib);
    std::unique_ptr<CEffect> owned;
    if (!pEffect) {
        owned = CreateTool(tool);
        pEffect = owned.get();
    }
    CRect rows = rect;
    dib->FlipRect(rows);
    std::unique_ptr<CDib> undo(dib->Extract(rows));
    SetRandomSeed(seed);
    pEffect->PrepareRender();
    pEffect->Render(*dib, rect, undo.get(), FALSE);
    if (const char* dir = std::getenv("SKYLOOM_PLANET_DUMP")) {
        QImage img(dib->m_pBits, dib->m_nWidth, dib->m_nHeight, dib->m_nStride,
                   QImage::Format_BGR888);
        img.mirrored().save(
            QString("%1/planet%2_%3x%4.png").arg(dir).arg(tool).arg(width).arg(height));
    }
    return dib;
}

int CountChanged(const CDib& dib, const CRect& rows)
{
    int changed = 0;
    for (int y = rows.top; y < rows.bottom; ++y)
        for (int x = rows.left; x < rows.right; ++x)
            changed += dib.GetPixel(x, y) != kBackground + ((x * 7 + y * 3) & 15);
    return changed;
}

class PlanetEffectTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ResetSettings();
        g_bCancelRender = 0;
        if (g_lightList.empty())
            CreateDefaultLight();
    }
};

}

TEST_F(PlanetEffectTest, DrawsInTheCentredSquareOnly)
{
    for (int tool : {9, 10, 11}) {
        // A 200 x 100 drag in a 240 x 140 picture: the planet goes into the centred
        // 100 x 100 square (x 70..170), the rest stays as it was.
        const CRect rect(20, 20, 220, 120);
        auto dib = RenderTool(tool, 240, 140, rect);
        EXPECT_EQ(CountChanged(*dib, CRect(0, 0, 240, 140)),
                  CountChanged(*dib, CRect(70, 20, 170, 120)))
            << "tool " << tool;
        const int changed = CountChanged(*dib, CRect(70, 20, 170, 120));
        // The disc of a unit sphere at distance 5 seen through 30 degrees.
        EXPECT_GT(changed, 3000) << "tool " << tool;
        EXPECT_LT(changed, 100 * 100 - 1000) << "tool " << tool;
        // Corners of the square are outside the disc and its fade band.
        for (CPoint p : {CPoint(70, 20), CPoint(169, 20), CPoint(70, 119), CPoint(169, 119)})
            EXPECT_EQ(dib->GetPixel(p.x, p.y), kBackground + ((p.x * 7 + p.y * 3) & 15));
    }
}

TEST_F(PlanetEffectTest, SameSeedSamePicture)
{
    for (int tool : {9, 10, 11}) {
        // One tool object, as the view keeps: the Earth's cloud distortion table is drawn
        // once, when the tool is made.
        auto effect = CreateTool(tool);
        const CRect rect(0, 0, 64, 64);
        auto a = RenderTool(tool, 64, 64, rect, 77, effect.get());
        auto b = RenderTool(tool, 64, 64, rect, 77, effect.get());
        auto c = RenderTool(tool, 64, 64, rect, 78, effect.get());
        EXPECT_EQ(std::memcmp(a->m_pBits, b->m_pBits, size_t(a->m_nStride) * 64), 0) << tool;
        EXPECT_NE(std::memcmp(a->m_pBits, c->m_pBits, size_t(a->m_nStride) * 64), 0);
    }
}

TEST_F(PlanetEffectTest, EarthHasAHaloTheMoonHasNot)
{
    // The ring just outside the disc: about 0.76 of the half side at distance 5 and 30
    // degrees. Sample a few pixels beyond the rim in each direction.
    auto countRing = [](int tool) {
        auto dib = RenderTool(tool, 160, 160, CRect(0, 0, 160, 160));
        const double rim = 80 * (1 / std::sqrt(24.0)) / std::tan(15 * 3.141592653589793 / 180);
        int lit = 0, total = 0;
        for (int a = 0; a < 360; a += 5) {
            const double t = a * 3.141592653589793 / 180;
            const int x = int(80 + (rim + 3) * std::cos(t)), y = int(80 + (rim + 3) * std::sin(t));
            lit += dib->GetPixel(x, y) != kBackground + ((x * 7 + y * 3) & 15);
            ++total;
        }
        return lit * 100 / total;
    };
    EXPECT_GT(countRing(11), 90);
    EXPECT_LT(countRing(10), 10);
}

TEST_F(PlanetEffectTest, NoSecondImageLeavesThePictureAndWarns)
{
    static int warnings;
    warnings = 0;
    auto pHost = std::make_unique<CWarningHost>([](const QString& text) {
        EXPECT_EQ(text, "Insufficent memory to render planet");
        ++warnings;
    });
    auto effect = CreateTool(10);
    CDib dib;
    ASSERT_TRUE(dib.Create(50, 40));
    FillPattern(dib);
    effect->Render(dib, CRect(0, 0, 50, 40), nullptr, TRUE);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(CountChanged(dib, CRect(0, 0, 50, 40)), 0);
    // An empty rectangle has nothing to draw into: no warning either.
    effect->Render(dib, CRect(10, 10, 10, 30), &dib, TRUE);
    EXPECT_EQ(warnings, 1);
    pHost.reset();
}

TEST_F(PlanetEffectTest, ATargetPastTheEdgesKeepsTheBackgroundInPlace)
{
    // The saved copy holds only the inside part of the target; the pixels around the disc
    // must come back where they were, not shifted by the part outside.
    for (int tool : {10, 11}) {
        auto dib = RenderTool(tool, 120, 100, CRect(-30, -20, 70, 80));
        // In rows: the square spans x -30..70, rows 20..120, centre (20, 70), disc radius
        // about 38 pixels and its fade band 6 more.
        int checked = 0, inside = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 120; ++x) {
                const double d = std::hypot(x + 0.5 - 20, y + 0.5 - 70);
                const bool untouched = dib->GetPixel(x, y) == kBackground + ((x * 7 + y * 3) & 15);
                if (d > 48) {
                    EXPECT_TRUE(untouched)
                        << "tool " << tool << " pixel (" << x << ", " << y << ")";
                    ++checked;
                } else if (d < 30) {
                    inside += !untouched;
                }
            }
        EXPECT_GT(checked, 5000);
        EXPECT_GT(inside, 1000);
    }
}

TEST_F(PlanetEffectTest, CancelKeepsTheRowsDrawnSoFar)
{
    CInstalledDisplay display;
    display->m_nCancelAtStep = 40;
    auto dib = RenderTool(10, 100, 100, CRect(0, 0, 100, 100));
    EXPECT_EQ(g_bCancelRender, 1);
    EXPECT_FALSE(display->m_bBar);
    EXPECT_TRUE(display->m_bFrameEnabled);
    EXPECT_EQ(static_cast<int>(display->m_positions.size()), 40);
    // The sphere is drawn from the bottom row up: 40 of 100 grid rows reach just below the
    // middle.
    EXPECT_GT(CountChanged(*dib, CRect(0, 0, 100, 45)), 500);
    EXPECT_EQ(CountChanged(*dib, CRect(0, 55, 100, 100)), 0);
}

namespace {

// Runs a second planet render from inside the first one's progress, as a preview pumped
// by the canvas render would.
class CNestingDisplay : public CProgressDisplay
{
public:
    BOOL CreateBar() override { return TRUE; }
    void SetBarPosition(int) override
    {
        if (++m_nSteps != 30 || !m_pNested)
            return;
        CDib other;
        other.Create(40, 40);
        other.Fill(0x123456);
        std::unique_ptr<CDib> saved(other.Extract(CRect(0, 0, 40, 40)));
        m_pNested->Render(other, CRect(0, 0, 40, 40), saved.get(), FALSE);
        m_nNestedChanged = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                m_nNestedChanged += other.GetPixel(x, y) != 0x123456;
    }
    void DestroyBar() override {}

    CEffect* m_pNested = nullptr;
    int m_nSteps = 0;
    int m_nNestedChanged = -1;
};

}

TEST_F(PlanetEffectTest, ADrawInsideADrawReturnsAtOnceAndTheOuterOneCompletes)
{
    auto earth = CreateTool(11);
    auto plain = RenderTool(11, 90, 90, CRect(0, 0, 90, 90), 31, earth.get());

    auto moon = CreateTool(10);
    CNestingDisplay display;
    display.m_pNested = moon.get();
    SetProgressDisplay(&display);
    auto nested = RenderTool(11, 90, 90, CRect(0, 0, 90, 90), 31, earth.get());
    SetProgressDisplay(nullptr);
    EXPECT_EQ(display.m_nNestedChanged, 0);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 90; ++x)
            EXPECT_TRUE(PixelIs(*nested, x, y, plain->GetPixel(x, y)));
}

TEST(PlanetEffect, ValuesSetByNameRebuildTheNoiseWhereADialogWould)
{
    auto tool = CreateTool(10);
    auto& moon = static_cast<CPlanetEffect&>(*tool);
    for (const CEffectValue& v : moon.GetValues())
        if (v.szName == std::string("Fractal"))
            *static_cast<double*>(v.pField) = 0.25;
    moon.ValuesChanged({QStringLiteral("MariaColor"), QStringLiteral("BumpMap")});
    EXPECT_EQ(moon.GetSurface().GetTerrainNoise().GetH(), 1.0);
    moon.ValuesChanged({QStringLiteral("Maria")});
    EXPECT_EQ(moon.GetSurface().GetTerrainNoise().GetH(), 0.25);
    // The tool's reset leaves the surface alone.
    moon.m_dRotation = 30;
    moon.ResetDefaults();
    EXPECT_EQ(moon.m_dRotation, 0.0);
    EXPECT_EQ(moon.GetSurface().GetFractal(), 0.25);
}

TEST_F(PlanetEffectTest, DamagedViewAndLightSettingsStillDrawInTheSquare)
{
    // A field of view of 0 or 180 degrees and beyond would make the projection singular;
    // they are held to 1..179. Absurd light settings only saturate the colours.
    const struct { int fov, orient, inten, elevation; } cases[] = {
        {0, 225, 50, 50}, {-40, 225, 50, 50}, {180, 225, 50, 50}, {100000, 225, 50, 50},
        {30, -99999, 2000000000, -2000000000},
    };
    for (const auto& c : cases) {
        g_nFOV = c.fov;
        g_nLightOrient = c.orient;
        g_nLightInten = c.inten;
        g_nLightElevation = c.elevation;
        auto dib = RenderTool(9, 90, 60, CRect(0, 0, 90, 60));
        EXPECT_EQ(CountChanged(*dib, CRect(0, 0, 90, 60)), CountChanged(*dib, CRect(15, 0, 75, 60)))
            << c.fov;
    }
}

namespace {

// A moon that counts the surface points it is asked to colour.
class CCountingMoon : public CMoonSurface
{
public:
    void ComputeColours(SurfacePoint* points, size_t n) const override
    {
        m_nPoints += static_cast<long>(n);
        CMoonSurface::ComputeColours(points, n);
    }
    // Counted from every render thread.
    mutable std::atomic<long> m_nPoints{0};
};

}

// A planet reaching past the picture by its width on both sides and its height above
// shows a third of its width and half its height: the points that cannot land in the
// picture are skipped, and the pixels are those of the same planet drawn whole into a
// picture that holds it.
TEST_F(PlanetEffectTest, PointsOutsideThePictureAreSkippedWithTheSamePixels)
{
    long counts[2] = {0, 0};
    std::unique_ptr<CDib> pictures[2];
    const CSize sizes[2] = {CSize(64, 48), CSize(192, 96)};
    const CRect rects[2] = {CRect(-64, -48, 128, 48), CRect(0, 0, 192, 96)};
    for (int i = 0; i < 2; ++i) {
        SetRandomSeed(1); // the surface draws tables of its own when it is made
        auto pMoon = std::make_unique<CCountingMoon>();
        CCountingMoon* pCounter = pMoon.get();
        CPlanetEffect effect(std::move(pMoon));
        // The pattern repeats every 16 pixels, so the middle of the large picture matches
        // the small one.
        pictures[i] = RenderTool(0, sizes[i].cx, sizes[i].cy, rects[i], 4242, &effect);
        counts[i] = pCounter->m_nPoints;
    }
    int differing = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            differing += pictures[0]->GetPixel(x, y) != pictures[1]->GetPixel(x + 64, y);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(CountChanged(*pictures[0], CRect(0, 0, 64, 48)), 2000);
    EXPECT_GT(counts[0], 0);
    EXPECT_LT(counts[0], counts[1] / 2)
        << "of " << counts[1] << " points, " << counts[0] << " were coloured";
}
