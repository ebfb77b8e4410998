// Wrap-around pictures: every effect painted past an edge comes back in at the opposite one
// exactly as on a picture repeated in both directions, a whole-picture star field has no
// star cut at a seam, a full scene shows no seam, undo takes back every copy and the
// setting travels with the recipe.
#include "EffectTestSupport.h"
#include "SceneTestSupport.h"

#include "cli/RecipeReplay.h"
#include "cli/RenderCommand.h"
#include "document/Recipe.h"
#include "document/RenderJob.h"
#include "document/SkyloomDoc.h"
#include "document/WrapAround.h"
#include "effects/Effect.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kW = 64;
constexpr int kH = 48;
constexpr DWORD kSeed = kSceneSeed;

// A background that differs in every channel from pixel to pixel and repeats with period
// (w, h) in rows, so a picture of any multiple of that size is the tile repeated.
void FillTilePattern(CDib& dib, int w, int h)
{
    for (int y = 0; y < dib.m_nHeight; ++y)
        for (int x = 0; x < dib.m_nWidth; ++x) {
            const int tx = x % w, ty = y % h;
            dib.SetPixel(x, y, DWORD((tx * 5) & 0x7F) << 16 | DWORD((ty * 7) & 0x7F) << 8 |
                                   DWORD(0x20 + ((tx + ty) & 0x1F)));
        }
}

// tile repeated nx x ny times.
std::unique_ptr<CDib> Repeated(const CDib& tile, int nx, int ny)
{
    auto pOut = std::make_unique<CDib>();
    CDib& out = *pOut;
    out.Create(tile.m_nWidth * nx, tile.m_nHeight * ny);
    for (int y = 0; y < out.m_nHeight; ++y)
        for (int x = 0; x < out.m_nWidth; ++x)
            out.SetPixel(x, y, tile.GetPixel(x % tile.m_nWidth, y % tile.m_nHeight));
    return pOut;
}

// A document without history on a w x h pattern of period (kW, kH).
void NewPatternDoc(CSkyloomDoc& doc, int w, int h, bool bWrap)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(w, h));
    FillTilePattern(dib, kW, kH);
    doc.SetKeepHistory(FALSE);
    doc.SetPicture(dib);
    doc.SetRecipe(CRecipe::ForNewPicture(CSize(w, h), 0));
    doc.SetWrapAround(bWrap);
}

struct CEdgeCase
{
    const char* szEdge;
    CRect rect; // top-down, on the kW x kH tile
    // Where the single painting goes on the 2kW x 2kH picture: the place of the copy whose
    // noise every copy shares (the one furthest right and up), moved one tile down when it
    // lies in the top row of tiles, so that it counts its rows from the same bottom edge.
    CPoint plainOffset;
};

const CEdgeCase kEdges[] = {
    {"right", CRect(38, 8, 78, 38), CPoint(0, kH)},
    {"bottom", CRect(10, 26, 50, 66), CPoint(0, 0)},
    {"corner", CRect(36, 24, 76, 64), CPoint(0, 0)},
};

class WrapAroundEffect : public ::testing::TestWithParam<const char*>
{
};

}

// Laid out 2 x 2, a wrapped tile is the picture twice as large with the effect painted on
// it once: no pixel of a copy is lost, doubled or painted differently.
TEST_P(WrapAroundEffect, CopiesPastEachEdgeTileAsOnePaintingOnATwiceLargerPicture)
{
    const QString effect = QString::fromLatin1(GetParam());
    PrepareLitScenes();
    for (const CEdgeCase& edge : kEdges) {
        SCOPED_TRACE(edge.szEdge);
        CSkyloomDoc wrapped, plain;
        NewPatternDoc(wrapped, kW, kH, true);
        NewPatternDoc(plain, 2 * kW, 2 * kH, false);
        ASSERT_EQ(Paint(wrapped, effect, edge.rect), RENDER_DONE);
        CRect once = edge.rect;
        once.OffsetRect(edge.plainOffset.x, edge.plainOffset.y);
        ASSERT_EQ(Paint(plain, effect, once), RENDER_DONE);
        // Compared where the painting lies (with the reach of a large star), which no other
        // copy of the repeated tile reaches.
        CRect rows = once;
        rows.InflateRect(2, 2);
        plain.GetImage().FlipRect(rows);
        const auto pTiled = Repeated(wrapped.GetImage(), 2, 2);
        const std::unique_ptr<CDib> pExpected(plain.GetImage().Extract(rows));
        const std::unique_ptr<CDib> pGot(pTiled->Extract(rows));
        EXPECT_TRUE(SamePicture(*pExpected, *pGot));
        // Something was painted past the edge and came back in.
        CDib pattern;
        pattern.Create(kW, kH);
        FillTilePattern(pattern, kW, kH);
        EXPECT_FALSE(SamePicture(pattern, wrapped.GetImage()));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEffect, WrapAroundEffect,
                         ::testing::Values("StarField", "Cluster", "Nebula", "Star", "Gas",
                                           "Vortex", "Galaxy", "Lens Flare", "Venus", "Moon",
                                           "Earth"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                             return name;
                         });

// Every star of a whole-picture star field lands whole: the wrapped tile is what the same
// stars, drawn on black with room around them, give when folded back into the tile (light
// adds, so folding adds). Without wrapping the stars at the edges are cut.
TEST(WrapAround, WholePictureStarFieldCutsNoStarAtASeam)
{
    const QList<QPair<QString, QString>> values = {
        {QStringLiteral("LargeStars"), QStringLiteral("1")},
        {QStringLiteral("Density"), QStringLiteral("0.03")}};
    auto starField = [&](int w, int h, const CRect& rect, bool bWrap) {
        CSkyloomDoc doc;
        CDib black;
        black.Create(w, h);
        black.Fill(0);
        doc.SetKeepHistory(FALSE);
        doc.SetPicture(black);
        doc.SetWrapAround(bWrap);
        SetRandomSeed(kInitialRandomSeed);
        const std::unique_ptr<CEffect> tool =
            CreateTool(FindToolBySection(QStringLiteral("StarField")));
        QString why;
        tool->SetValues(values, why);
        SetRandomSeed(kSeed);
        EXPECT_EQ(RenderClick(*tool, doc, rect, nullptr).outcome, RENDER_DONE);
        return Copy(doc.GetImage());
    };
    const auto wrapped = starField(kW, kH, CRect(0, 0, kW, kH), true);
    const auto unwrapped = starField(kW, kH, CRect(0, 0, kW, kH), false);
    // The same rectangle's stars two pixels in from every edge of a larger picture.
    const auto pRoomy = starField(kW + 4, kH + 4, CRect(2, 2, kW + 2, kH + 2), false);
    const CDib& roomy = *pRoomy;
    CDib folded;
    folded.Create(kW, kH);
    folded.Fill(0);
    for (int y = 0; y < roomy.m_nHeight; ++y)
        for (int x = 0; x < roomy.m_nWidth; ++x)
            folded.AddPixel(WrapCoordinate(x - 2, kW), WrapCoordinate(y - 2, kH),
                            roomy.GetPixel(x, y));
    EXPECT_TRUE(SamePicture(folded, *wrapped));
    EXPECT_FALSE(SamePicture(folded, *unwrapped)) << "no star reached an edge: a weak test";
}

namespace {

// Mean absolute difference per channel between columns a and b (or rows, when bRows).
double MeanStep(const CDib& dib, int a, int b, bool bRows)
{
    double sum = 0;
    const int n = bRows ? dib.m_nWidth : dib.m_nHeight;
    for (int i = 0; i < n; ++i) {
        const DWORD p = bRows ? dib.GetPixel(i, a) : dib.GetPixel(a, i);
        const DWORD q = bRows ? dib.GetPixel(i, b) : dib.GetPixel(b, i);
        for (int c = 0; c < 24; c += 8)
            sum += std::abs(int((p >> c) & 0xFF) - int((q >> c) & 0xFF));
    }
    return sum / (3.0 * n);
}

// The mean step across the pairs of neighbouring interior columns (rows) within nBand of
// the seam on either side: the same effects cross them, so the picture changes there as
// much as a seamless tile changes across its seam. (Steps of single columns vary with the
// stars they happen to hold.)
double InteriorStep(const CDib& dib, bool bRows, int nBand)
{
    const int n = bRows ? dib.m_nHeight : dib.m_nWidth;
    double sum = 0;
    for (int i = 0; i < nBand; ++i)
        sum += MeanStep(dib, i, i + 1, bRows) + MeanStep(dib, n - 2 - i, n - 1 - i, bRows);
    return sum / (2 * nBand);
}

// A scene over every seam: stars everywhere, a nebula past the right edge, gas past the
// bottom, a galaxy across the bottom-right corner and a moon across the left edge.
std::unique_ptr<CDib> Scene(bool bWrap)
{
    PrepareLitScenes();
    CSkyloomDoc doc;
    CDib dib;
    dib.Create(256, 192);
    dib.Fill(0x000010);
    doc.SetKeepHistory(FALSE);
    doc.SetPicture(dib);
    doc.SetWrapAround(bWrap);
    Paint(doc, QStringLiteral("StarField"), CRect(0, 0, 256, 192));
    Paint(doc, QStringLiteral("Nebula"), CRect(150, 20, 330, 170));
    Paint(doc, QStringLiteral("Gas"), CRect(40, 120, 200, 250));
    Paint(doc, QStringLiteral("Galaxy"), CRect(190, 130, 310, 250));
    Paint(doc, QStringLiteral("Moon"), CRect(-60, 40, 60, 160));
    return Copy(doc.GetImage());
}

}

// Across each seam of the tiled picture the picture changes as much as it does between
// neighbouring columns and rows inside it near the seam; unwrapped, the cut effects show as
// seams.
TEST(WrapAround, FullSceneChangesAcrossItsSeamsAsInside)
{
    const auto pWrapped = Scene(true);
    const auto pUnwrapped = Scene(false);
    const CDib& wrapped = *pWrapped;
    const CDib& unwrapped = *pUnwrapped;
    for (const bool bRows : {false, true}) {
        SCOPED_TRACE(bRows ? "rows" : "columns");
        const int last = (bRows ? wrapped.m_nHeight : wrapped.m_nWidth) - 1;
        const double inside = InteriorStep(wrapped, bRows, 4);
        const double seam = MeanStep(wrapped, last, 0, bRows);
        EXPECT_NEAR(seam, inside, 0.1 * inside);
        EXPECT_GT(MeanStep(unwrapped, last, 0, bRows), 2 * InteriorStep(unwrapped, bRows, 4));
    }
}

// Undo of a wrapped render puts back every copy, redo paints them all again.
TEST(WrapAround, UndoOfAWrappedStepRestoresEveryCopy)
{
    CSkyloomDoc doc;
    CDib dib;
    ASSERT_TRUE(dib.Create(kW, kH));
    FillTilePattern(dib, kW, kH);
    doc.SetPicture(dib);
    doc.SetWrapAround(true);
    const auto pBefore = Copy(doc.GetImage());
    const CDib& before = *pBefore;
    ASSERT_EQ(Paint(doc, QStringLiteral("Nebula"), kEdges[2].rect), RENDER_DONE);
    const auto pAfter = Copy(doc.GetImage());
    const CDib& after = *pAfter;
    // All four corners were painted.
    for (const CPoint& corner : {CPoint(0, 0), CPoint(kW - 1, 0), CPoint(0, kH - 1),
                                 CPoint(kW - 1, kH - 1)})
        EXPECT_NE(after.GetPixel(corner.x, corner.y), before.GetPixel(corner.x, corner.y));
    doc.Undo();
    EXPECT_TRUE(SamePicture(before, doc.GetImage()));
    doc.Redo();
    EXPECT_TRUE(SamePicture(after, doc.GetImage()));
}

namespace {
int RunRender(const QStringList& args)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int n = RunRenderCommand(args, o, e, false);
    e.flush();
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    return n;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

// The setting is part of the picture: a wrapped PNG replays to the same bytes, and a recipe
// from before the setting existed reads as unwrapped and is written back unchanged.
TEST(WrapAround, RecipeKeepsTheSettingAndOldRecipesStayUnwrapped)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("wrapped.png"));
    const QString again = dir.filePath(QStringLiteral("again.png"));
    const QStringList scene = QStringLiteral("--size 96x64 --wrap --effect Nebula --rect "
                                             "60,30,130,90 --seed 3 --effect Galaxy --rect "
                                             "-30,-20,40,40 --seed 4 -o")
                                  .split(QLatin1Char(' '));
    ASSERT_EQ(RunRender(scene + QStringList{first}), RENDER_OK);
    ASSERT_EQ(RunRender({QStringLiteral("--replay"), first, QStringLiteral("-o"), again}),
              RENDER_OK);
    EXPECT_EQ(Contents(first), Contents(again));
    QString text;
    CDib dib;
    ASSERT_TRUE(dib.Load(QFile::encodeName(first).constData(), &text));
    CRecipe recipe;
    QString error;
    ASSERT_TRUE(CRecipe::FromText(text, recipe, error));
    EXPECT_TRUE(recipe.m_bWrapAround);

    const QString old = QStringLiteral(
        "{\"background\":\"000010\",\"size\":[40,30],\"skyloom-recipe\":1,\"start\":\"new\","
        "\"steps\":[{\"effect\":\"Star\",\"rect\":[30,20,60,50],\"seed\":5,\"values\":[]}]}");
    CRecipe unwrapped;
    ASSERT_TRUE(CRecipe::FromText(old, unwrapped, error));
    EXPECT_FALSE(unwrapped.m_bWrapAround);
    EXPECT_EQ(unwrapped.ToText(), old);
    QStringList args, warnings;
    ASSERT_TRUE(RecipeToRenderArguments(unwrapped, args, warnings, error));
    EXPECT_FALSE(args.contains(QStringLiteral("--wrap")));
    // A wrap setting that is not true or false is damage, not a guess.
    QString damaged = old;
    damaged.replace(QStringLiteral("\"start\""), QStringLiteral("\"wrap\":1,\"start\""));
    EXPECT_FALSE(CRecipe::FromText(damaged, unwrapped, error));
}

TEST(WrapAround, OffsetsAndBoundsCoverEveryCopyInsideThePicture)
{
    const CSize picture(100, 50);
    // Inside: one copy, itself.
    EXPECT_EQ(WrapOffsets(CRect(10, 10, 20, 20), picture), std::vector<CPoint>{CPoint(0, 0)});
    EXPECT_EQ(WrappedBounds(CRect(10, 10, 20, 20), picture), CRect(10, 10, 20, 20));
    // Past the right and the top: four copies, their parts in the four corners.
    EXPECT_EQ(WrapOffsets(CRect(90, -5, 110, 5), picture).size(), 4u);
    EXPECT_EQ(WrappedBounds(CRect(90, -5, 110, 5), picture), CRect(0, 0, 100, 50));
    // Wholly outside, far to the left: brought in by whole picture widths.
    EXPECT_EQ(WrapOffsets(CRect(-250, 10, -240, 20), picture),
              std::vector<CPoint>{CPoint(300, 0)});
    // Wider than the picture: every column is covered.
    EXPECT_EQ(WrappedBounds(CRect(-10, 0, 130, 10), picture), CRect(0, 0, 100, 10));
}
