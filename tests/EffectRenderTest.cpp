// Every built-in effect, through the tool table: a stored picture at an awkward size, and
// awkward pictures and rectangles that must not fault.
#include "EffectTestSupport.h"

#include "document/Settings.h"
#include "document/SettingsStore.h"
#include "effects/EffectTools.h"
#include "effects/EffectValue.h"
#include "gl/GalaxyEffect.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <sys/stat.h>

namespace {
// A background with light in every channel, so adding and overwriting differ.
void FillPattern(CDib& dib)
{
    for (int y = 0; y < dib.m_nHeight; ++y)
        for (int x = 0; x < dib.m_nWidth; ++x)
            dib.SetPixel(x, y, DWORD((x * 7) & 0x7F) << 16 | DWORD((y * 11) & 0x7F) << 8 | 0x20);
}

// What the canvas hands a render as its second image: the saved copy of the affected
// area, clipped to the picture (null when nothing of it is inside).
std::unique_ptr<CDib> SavedCopy(const CDib& dib, const CEffect& effect, const CRect& rect)
{
    CRect rows = rect;
    const_cast<CEffect&>(effect).GetAffectedRect(rows);
    dib.FlipRect(rows);
    return std::unique_ptr<CDib>(dib.m_pBits ? dib.Extract(rows) : nullptr);
}

// The planets draw with OpenGL under the application's light.
void PrepareScenes()
{
    ASSERT_TRUE(LoadGLEntryPoints(TRUE));
    if (g_lightList.empty())
        CreateDefaultLight();
}

QString SaveForInspection(const CDib& dib, const QString& name)
{
    QImage image(dib.m_nWidth, dib.m_nHeight, QImage::Format_RGB32);
    for (int y = 0; y < dib.m_nHeight; ++y)
        for (int x = 0; x < dib.m_nWidth; ++x)
            image.setPixel(x, dib.m_nHeight - 1 - y, dib.GetPixel(x, y));
    const QString path = QDir::temp().filePath(name + ".png");
    image.save(path);
    return path;
}

// Hashes of each effect's picture: 37 x 23 pattern, seed 20261207 (set before the tool is
// made, as a surface draws tables then, and again before the render), the effect's
// built-in defaults, no progress; first for the rectangle (-4, 3, 30, 29), which hangs past
// the left and the bottom edge, then for (-4, -3, 30, 20), past the left and the top edge.
// The galaxy's default gas texture is compiled in, so it is drawn here too, with no folder
// beside the test program.
const CRect s_goldenRects[2] = {CRect(-4, 3, 30, 29), CRect(-4, -3, 30, 20)};
const std::map<std::string, std::array<uint64_t, 2>> s_goldenHashes = {
    {"StarField", {18133312325563529060ull, 12939177076329305739ull}},
    {"Cluster", {9479698063825077298ull, 15469148991989467035ull}},
    // The built-in "Loose spiral.jpg", compiled in, gives the gas disc its texture.
    {"Galaxy", {2518880437392366139ull, 5350395451279184644ull}},
    {"Nebula", {11067597707472277283ull, 7346587230756482700ull}},
    {"Star", {10291105824289241380ull, 18417163814444616073ull}},
    {"Gas", {15838329641133906900ull, 3250942374542996973ull}},
    {"Vortex", {17475204406344807482ull, 84142231972218582ull}},
    {"Lens Flare", {3158612442907751040ull, 1037089565828433173ull}},
    {"Venus", {6537369167578230176ull, 3438165089224844265ull}},
    {"Moon", {16973865356094083336ull, 11673173335198308424ull}},
    {"Earth", {12273802969106597059ull, 16343949119226034058ull}},
};
}

TEST(EffectRender, StoredPictures)
{
    // The galaxy and the planets draw with OpenGL.
    PrepareScenes();
    for (int i = 1; i < TOOL_COUNT; ++i) {
        for (int n = 0; n < 2; ++n) {
            SetRandomSeed(20261207);
            auto pEffect = CreateTool(i);
            if (!pEffect)
                continue;
            const std::string section = pEffect->m_strSection.toStdString();
            CDib dib;
            ASSERT_TRUE(dib.Create(37, 23));
            FillPattern(dib);
            const CRect rect = s_goldenRects[n];
            SetRandomSeed(20261207);
            const std::unique_ptr<CDib> pSaved = SavedCopy(dib, *pEffect, rect);
            pEffect->PrepareRender();
            pEffect->Render(dib, rect, pSaved.get(), FALSE);
            const auto it = s_goldenHashes.find(section);
            ASSERT_NE(it, s_goldenHashes.end()) << section << " has no stored picture";
            const QString name =
                QStringLiteral("golden-%1-%2").arg(QString::fromStdString(section)).arg(n);
            EXPECT_EQ(ImageHash(dib), it->second[n])
                << section << " differs; picture written to "
                << SaveForInspection(dib, name).toStdString();
        }
    }
}

TEST(EffectRender, AwkwardPicturesAndRectangles)
{
    CInstalledDisplay display;
    PrepareScenes();
    const CSize sizes[] = {CSize(0, 0), CSize(1, 1), CSize(2, 2), CSize(2, 1), CSize(1, 3),
                           CSize(37, 23)};
    for (int i = 0; i < TOOL_COUNT; ++i) {
        auto pEffect = CreateTool(i);
        if (!pEffect)
            continue;
        for (const CSize& size : sizes) {
            const int w = size.cx, h = size.cy;
            const CRect rects[] = {
                CRect(0, 0, w, h),          CRect(-5, -5, 3, 3),
                CRect(w - 1, h - 1, w + 9, h + 9), CRect(-40, -30, w + 40, h + 30),
                CRect(3, 3, 3, 3),          CRect(-20, -20, -10, -10),
                CRect(w + 5, h + 5, w + 6, h + 20),
            };
            for (const CRect& rect : rects) {
                for (BOOL bProgress : {FALSE, TRUE}) {
                    CDib dib;
                    if (w > 0) {
                        ASSERT_TRUE(dib.Create(w, h));
                    }
                    SetRandomSeed(5);
                    pEffect->PrepareRender();
                    CRect affected = rect;
                    pEffect->GetAffectedRect(affected);
                    const std::unique_ptr<CDib> pSaved = SavedCopy(dib, *pEffect, rect);
                    pEffect->Render(dib, rect, pSaved.get(), bProgress);
                    EXPECT_FALSE(display->m_bBar) << pEffect->m_strSection.toStdString();
                    EXPECT_TRUE(display->m_bFrameEnabled);
                }
            }
        }
    }
}

// A settings file full of damage: every value of every section (the preferences too) set
// to text that is no number, overflows a double or an int, is binary junk, or names a
// FIFO. Loading must bring every value into its range and every effect must still render
// a small picture (a star density of 1e308 once ran for ever).
TEST(EffectRender, DamagedSettingsLoadIntoRange)
{
    PrepareScenes();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo.jpg"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const QByteArray damages[] = {
        "not a number", "1e308", "-1e308", "nan", "-inf", "2147483648", "-2147483649",
        "4294967296", "99999999999999999999999", "0x7fffffffffffffff",
        QByteArray("\x01\xff\xfe\x80junk", 9), fifo, QFile::encodeName(dir.path()),
    };
    for (const QByteArray& damage : damages) {
        QByteArray text = "[Options]\n";
        for (const char* name : {"PreviewDelay", "LightOrient", "LightInten", "LightElevation",
                                 "FOV", "GalaxyGasScale", "BkgndColor", "Tolerance"})
            text += QByteArray(name) + "=" + damage + "\n";
        for (int i = 0; i < TOOL_COUNT; ++i) {
            auto pEffect = CreateTool(i);
            if (!pEffect || pEffect->m_strSection.isEmpty())
                continue;
            text += "[" + pEffect->m_strSection.toLatin1() + "]\nGasTexture=" + damage + "\n";
            for (const CEffectValue& value : pEffect->GetValues())
                text += QByteArray(value.szName) + "=" + damage + "\n";
        }
        const QString path = dir.filePath("damaged.ini");
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text);
        }
        const std::string what = "damage \"" + damage.toStdString() + "\"";
        const CSettingsStore store(path);
        LoadSettings(store);
        EXPECT_TRUE(g_nPreviewDelay >= 0 && g_nPreviewDelay <= 10)
            << what << ": " << g_nPreviewDelay;
        EXPECT_TRUE(g_nLightOrient >= 0 && g_nLightOrient <= 359) << what;
        EXPECT_TRUE(g_nLightInten >= 0 && g_nLightInten <= 100) << what;
        EXPECT_TRUE(g_nLightElevation >= 0 && g_nLightElevation <= 100) << what;
        EXPECT_TRUE(g_fGalaxyGasScale >= 0 && g_fGalaxyGasScale <= 10) << what;
        if (damage == "not a number") {
            EXPECT_EQ(g_fGalaxyGasScale, 6.5f);
        }
        for (int i = 0; i < TOOL_COUNT; ++i) {
            auto pEffect = CreateTool(i);
            if (!pEffect || pEffect->m_strSection.isEmpty())
                continue;
            const std::string section = pEffect->m_strSection.toStdString();
            pEffect->LoadDefaults(store);
            for (const CEffectValue& value : pEffect->GetValues()) {
                double d = 0;
                if (value.kind == CEffectValue::Real)
                    d = *static_cast<const double*>(value.pField);
                else if (value.kind == CEffectValue::Color)
                    d = *static_cast<const COLORREF*>(value.pField);
                else
                    d = *static_cast<const int*>(value.pField);
                const double lo = value.kind == CEffectValue::Color ? 0 : value.dMin;
                const double hi = value.kind == CEffectValue::Color ? 0xFFFFFF : value.dMax;
                ASSERT_TRUE(d >= lo && d <= hi)
                    << section << " " << value.szName << " = " << d << " after " << what;
            }
            // Text with no number in it loads as the value's built-in default: what a store
            // without the value gives.
            if (damage == "not a number") {
                const CSettingsStore empty(dir.filePath("empty.ini"));
                const auto pReference = CreateTool(i);
                pReference->LoadDefaults(empty);
                const CEffectValues loaded = pEffect->GetValues();
                const CEffectValues reference = pReference->GetValues();
                for (size_t v = 0; v < loaded.size(); ++v)
                    EXPECT_EQ(EffectValueText(loaded[v]), EffectValueText(reference[v]))
                        << section << " " << loaded[v].szName;
            }
            if (auto* pGalaxy = dynamic_cast<CGalaxyEffect*>(pEffect.get())) {
                EXPECT_TRUE(pGalaxy->m_strGasTexture.isEmpty()) << what;
            }
            CDib dib;
            ASSERT_TRUE(dib.Create(24, 16));
            FillPattern(dib);
            const CRect rect(-3, -2, 20, 19);
            SetRandomSeed(9);
            const std::unique_ptr<CDib> pSaved = SavedCopy(dib, *pEffect, rect);
            pEffect->PrepareRender();
            pEffect->Render(dib, rect, pSaved.get(), FALSE);
        }
    }
    ResetSettings();
}

namespace {
// The pattern of FillPattern laid from the top line down (fromTop) or from the bottom line
// up, so that a picture taller at the bottom or at the top holds the same pixels in its
// other rows.
std::unique_ptr<CDib> EdgePattern(int width, int height, bool fromTop)
{
    auto dib = std::make_unique<CDib>();
    EXPECT_TRUE(dib->Create(width, height));
    for (int y = 0; y < height; ++y) {
        const int v = fromTop ? height - 1 - y : y;
        for (int x = 0; x < width; ++x)
            dib->SetPixel(x, y, DWORD((x * 7) & 0x7F) << 16 | DWORD((v * 11) & 0x7F) << 8 | 0x20);
    }
    return dib;
}

// Renders section's effect with its built-in defaults into rect (top-down) of the picture,
// as a drag on the canvas does. The seed comes first: a surface draws tables when it is
// made.
void RenderDrag(const char* section, CDib& dib, const CRect& rect)
{
    SetRandomSeed(20261207);
    auto pEffect = CreateTool(FindToolBySection(QString::fromLatin1(section)));
    ASSERT_TRUE(pEffect) << section;
    SetRandomSeed(20261207);
    const std::unique_ptr<CDib> pSaved = SavedCopy(dib, *pEffect, rect);
    pEffect->PrepareRender();
    pEffect->Render(dib, rect, pSaved.get(), FALSE);
}

// Whether every row y of part equals row y + fromRow of whole.
::testing::AssertionResult SameRows(const CDib& whole, int fromRow, const CDib& part)
{
    for (int y = 0; y < part.m_nHeight; ++y)
        for (int x = 0; x < part.m_nWidth; ++x)
            if (part.GetPixel(x, y) != whole.GetPixel(x, y + fromRow))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << part.m_nHeight - 1 - y << ") from the top is "
                       << Hex(part.GetPixel(x, y)) << ", expected "
                       << Hex(whole.GetPixel(x, y + fromRow));
    return ::testing::AssertionSuccess();
}

std::string SectionName(const ::testing::TestParamInfo<const char*>& info)
{
    std::string name = info.param;
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name;
}

class EdgeDragTest : public ::testing::TestWithParam<const char*>
{
protected:
    static void SetUpTestSuite() { PrepareScenes(); }
};
}

// A drag hanging past the bottom or the top edge paints what the same drag paints into a
// picture taller by the overhang, cut by the edge: the effect keeps its size and place.
TEST_P(EdgeDragTest, HangingPastAnEdgeCutsTheWholeEffect)
{
    const char* section = GetParam();
    constexpr int kWidth = 72, kHeight = 48, kOverhang = 31;
    // Rows -31 to 28: the centre lies below the bottom line, half a pixel off a row.
    const CRect below(9, 20, 63, kHeight + kOverhang);
    auto cut = EdgePattern(kWidth, kHeight, true);
    auto whole = EdgePattern(kWidth, kHeight + kOverhang, true);
    RenderDrag(section, *cut, below);
    RenderDrag(section, *whole, below);
    EXPECT_FALSE(SamePicture(*EdgePattern(kWidth, kHeight, true), *cut)) << "nothing painted";
    EXPECT_TRUE(SameRows(*whole, kOverhang, *cut)) << section << " past the bottom edge";

    const CRect above(9, -kOverhang, 63, kHeight - 20);
    CRect lower = above;
    lower.OffsetRect(0, kOverhang);
    cut = EdgePattern(kWidth, kHeight, false);
    whole = EdgePattern(kWidth, kHeight + kOverhang, false);
    RenderDrag(section, *cut, above);
    RenderDrag(section, *whole, lower);
    EXPECT_TRUE(SameRows(*whole, 0, *cut)) << section << " past the top edge";
}

INSTANTIATE_TEST_SUITE_P(Effects, EdgeDragTest,
                         ::testing::Values("Star", "Lens Flare", "StarField", "Galaxy", "Venus",
                                           "Moon", "Earth"),
                         SectionName);

namespace {
class EdgeCloudTest : public ::testing::TestWithParam<const char*>
{
};
}

// A cloud centred on the bottom line keeps the whole disc of its square drag, cut by the
// edge: nothing outside the disc, and the disc's upper half painted down to the bottom row.
// (The noise lies on the picture's rows, so only the outline can be compared.)
TEST_P(EdgeCloudTest, HangingPastTheBottomEdgeCutsTheWholeOutline)
{
    const char* section = GetParam();
    constexpr DWORD kGrey = 0x808080;
    auto dib = std::make_unique<CDib>();
    ASSERT_TRUE(dib->Create(80, 48));
    dib->Fill(kGrey);
    // Rows -30 to 30 and columns 10 to 70: a disc of radius 30 around (40, row 0).
    RenderDrag(section, *dib, CRect(10, 18, 70, 78));
    int outside = 0, band = 0, bandPainted = 0;
    for (int y = 0; y < dib->m_nHeight; ++y)
        for (int x = 0; x < dib->m_nWidth; ++x) {
            const double d = std::hypot(x - 40, y) / 30;
            const bool painted = dib->GetPixel(x, y) != kGrey;
            if (d >= 1)
                outside += painted;
            else if (d > 0.3 && d < 0.8) {
                ++band;
                bandPainted += painted;
            }
        }
    EXPECT_EQ(outside, 0) << section << ": pixels painted outside the disc";
    EXPECT_GT(bandPainted, band * 9 / 10) << section << ": of " << band << " pixels in the disc";
}

INSTANTIATE_TEST_SUITE_P(Effects, EdgeCloudTest, ::testing::Values("Nebula", "Vortex", "Gas"),
                         SectionName);
