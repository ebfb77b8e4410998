// Renders shared out over threads: every thread count gives the same bytes, progress runs to
// its end, and a cancel from another thread stops the render and the canvas undoes it.
#include "EffectTestSupport.h"
#include "GLTestSupport.h"
#include "PixelEffectTestUtil.h"

#include "document/SkyloomDoc.h"
#include "effects/EffectTools.h"
#include "effects/RenderThreads.h"
#include "gl/GLLight.h"
#include "document/RenderJob.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

const char* const kPixelEffects[] = {"Nebula", "Vortex", "Star", "Gas", "Lens Flare"};
const char* const kPlanets[] = {"Venus", "Moon", "Earth"};

std::unique_ptr<CEffect> Create(const char* section)
{
    return CreateTool(FindToolBySection(QString::fromLatin1(section)));
}

// Odd rectangles inside a picture of width x height and hanging off each edge and all of
// them, top-down.
std::vector<CRect> AwkwardRects(int width, int height)
{
    return {
        CRect(3, 2, width - 4, height - 3),
        CRect(-width / 3, 1, width / 2 + 1, height - 2),
        CRect(2, -height / 3, width - 5, height / 2 + 1),
        CRect(width / 2 - 1, 3, width + width / 3, height - 1),
        CRect(1, height / 2 - 1, width - 2, height + height / 3),
        CRect(-7, -5, width + 9, height + 11),
    };
}

// Patterned, so that a pixel left alone is told from one painted.
std::unique_ptr<CDib> Pattern(int width, int height)
{
    auto dib = FilledDib(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            dib->SetPixel(x, y, 0x101820 + ((x * 5 + y * 3) & 31) * 0x010101);
    return dib;
}

// Renders as a drag does (seed, PrepareRender, the saved area as the second picture) on
// the given number of threads.
std::unique_ptr<CDib> Render(CEffect& effect, int threads, int width, int height,
                             const CRect& rect, BOOL bProgress)
{
    const CRenderThreadsScope scope(threads);
    auto dib = Pattern(width, height);
    CRect area = rect;
    effect.GetAffectedRect(area);
    dib->FlipRect(area);
    std::unique_ptr<CDib> undo(dib->Extract(area));
    SetRandomSeed(77);
    effect.PrepareRender();
    effect.Render(*dib, rect, undo.get(), bProgress);
    return dib;
}

// Every rectangle on one thread, then on 2 and 7 with and without progress: the same bytes.
void ExpectSameOnEveryThreadCount(const char* section, int width, int height)
{
    auto effect = Create(section);
    ASSERT_TRUE(effect);
    for (const CRect& rect : AwkwardRects(width, height)) {
        SCOPED_TRACE(testing::Message() << section << " " << width << " x " << height << " rect "
                                        << rect.left << "," << rect.top << "," << rect.right
                                        << "," << rect.bottom);
        const auto one = Render(*effect, 1, width, height, rect, FALSE);
        EXPECT_FALSE(SamePicture(*one, *Pattern(width, height))) << "nothing was painted";
        for (int threads : {2, 7})
            for (BOOL bProgress : {FALSE, TRUE})
                EXPECT_TRUE(SamePicture(*one, *Render(*effect, threads, width, height, rect,
                                                      bProgress)))
                    << threads << " threads, progress " << bProgress;
    }
}

class ParallelPlanetTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        g_bCancelRender = 0;
        if (g_lightList.empty())
            CreateDefaultLight();
    }
};

// Sets g_bCancelRender from a thread of its own at the first step of the bar, and waits
// until it is set: a cancel that comes from elsewhere while the render runs.
class CCancellingDisplay : public CRecordingDisplay
{
public:
    void SetBarPosition(int nPercent) override
    {
        CRecordingDisplay::SetBarPosition(nPercent);
        if (m_positions.size() == 1)
            std::thread([] { g_bCancelRender = 1; }).join();
    }
};

// A cancelled drag on the canvas leaves the picture exactly as it was.
void ExpectCancelledDragRestores(const char* section, int width, int height, const CRect& rect)
{
    const CRenderThreadsScope threads(2);
    auto effect = Create(section);
    CCancellingDisplay display;
    SetProgressDisplay(&display);
    auto picture = Pattern(width, height);
    CSkyloomDoc doc;
    doc.SetPicture(*picture);
    const uint64_t before = ImageHash(doc.GetImage());
    g_nEffectSeed = 5;
    const CRenderJobResult result = RenderDrag(*effect, doc, rect, nullptr);
    SetProgressDisplay(nullptr);
    EXPECT_EQ(result.outcome, RENDER_CANCELLED) << section;
    EXPECT_EQ(ImageHash(doc.GetImage()), before) << section;
    EXPECT_EQ(display.m_positions.size(), 1u) << section << ": the render went on";
    EXPECT_FALSE(doc.IsModified());
    g_bCancelRender = 0;
}

}

TEST(ParallelRender, PixelEffectsGiveTheSameBytesOnAnyNumberOfThreads)
{
    for (const char* section : kPixelEffects) {
        ExpectSameOnEveryThreadCount(section, 37, 23);
        ExpectSameOnEveryThreadCount(section, 131, 97);
    }
}

TEST_F(ParallelPlanetTest, PlanetsGiveTheSameBytesOnAnyNumberOfThreads)
{
    for (const char* section : kPlanets)
        ExpectSameOnEveryThreadCount(section, 97, 71);
}

// The galaxy's stars come from one generator sequence however many threads turn them into
// points: a spiral with twice as many core stars as arm stars, large enough that each cloud
// spans several batches, and an elliptical past the picture's edges.
TEST_F(ParallelPlanetTest, TheGalaxyGivesTheSameBytesOnAnyNumberOfThreads)
{
    auto galaxy = Create("Galaxy");
    QString why;
    const struct
    {
        const char* szType;
        CRect rect;
    } cases[] = {{"Sa", CRect(0, 0, 700, 560)}, {"E3", CRect(-200, -100, 400, 700)}};
    for (const auto& c : cases) {
        ASSERT_TRUE(galaxy->SetOption(QStringLiteral("Type"), QString::fromLatin1(c.szType), why));
        const auto one = Render(*galaxy, 1, 700, 560, c.rect, FALSE);
        EXPECT_FALSE(SamePicture(*one, *Pattern(700, 560))) << "nothing was painted";
        for (int threads : {2, 7})
            EXPECT_TRUE(SamePicture(*one, *Render(*galaxy, threads, 700, 560, c.rect, TRUE)))
                << c.szType << ", " << threads << " threads";
    }
}

TEST(ParallelRender, ProgressRunsToItsEndOnSeveralThreads)
{
    const CRenderThreadsScope threads(3);
    for (const char* section : {"Nebula", "Vortex", "Star", "Gas", "Lens Flare", "StarField",
                                "Cluster"}) {
        CInstalledDisplay display;
        auto effect = Create(section);
        auto dib = FilledDib(301, 203, 0x102030);
        effect->PrepareRender();
        effect->Render(*dib, CRect(-20, -10, 290, 230), nullptr, TRUE);
        const std::vector<int>& positions = display->m_positions;
        ASSERT_FALSE(positions.empty()) << section;
        EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << section;
        EXPECT_EQ(positions.back(), 100) << section;
        EXPECT_EQ(display->m_nDestroyed, 1) << section;
    }
}

TEST_F(ParallelPlanetTest, ProgressRunsToItsEndOnSeveralThreads)
{
    const CRenderThreadsScope threads(3);
    CInstalledDisplay display;
    auto effect = Create("Earth");
    Render(*effect, 3, 150, 120, CRect(-10, -10, 140, 110), TRUE);
    ASSERT_FALSE(display->m_positions.empty());
    EXPECT_TRUE(std::is_sorted(display->m_positions.begin(), display->m_positions.end()));
    EXPECT_EQ(display->m_positions.back(), 100);
}

TEST(ParallelRender, ACancelFromAnotherThreadStopsTheWorkers)
{
    // No progress: the whole picture is one share-out, so the workers themselves must see
    // the flag. The row three quarters up (rows go from the bottom) is far from done when the
    // cancel comes.
    const CRenderThreadsScope threads(2);
    auto effect = Create("Gas");
    auto dib = FilledDib(2048, 2048, 0x000000);
    g_bCancelRender = 0;
    effect->PrepareRender();
    std::thread canceller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        g_bCancelRender = 1;
    });
    effect->Render(*dib, CRect(0, 0, 2048, 2048), nullptr, FALSE);
    canceller.join();
    EXPECT_EQ(g_bCancelRender, 1);
    EXPECT_EQ(dib->GetPixel(1024, 1536), 0u) << "the render ran to its end";
    g_bCancelRender = 0;
}

TEST(ParallelRender, ACancelledDragOnTheCanvasRestoresThePicture)
{
    for (const char* section : kPixelEffects)
        ExpectCancelledDragRestores(section, 500, 300, CRect(-40, 20, 470, 330));
}

TEST_F(ParallelPlanetTest, ACancelledDragOnTheCanvasRestoresThePicture)
{
    for (const char* section : kPlanets)
        ExpectCancelledDragRestores(section, 300, 260, CRect(-30, 10, 280, 290));
}
