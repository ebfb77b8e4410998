// Every built-in effect, through the tool table: a stored picture at an awkward size, and
// awkward pictures and rectangles that must not fault.
#include "EffectTestSupport.h"

#include "app/Settings.h"
#include "app/SettingsStore.h"
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

// Hashes of each effect's picture: 37 x 23 pattern, rectangle (-4, 3, 30, 29), seed
// 20261207, the effect's built-in defaults, no progress. The galaxy's default gas texture
// is compiled in, so it is drawn here too, with no folder beside the test program.
const std::map<std::string, uint64_t> s_goldenHashes = {
    {"StarField", 6559548798668393102ull},
    {"Cluster", 8654493304941033007ull},
    // The built-in "Loose spiral.jpg", compiled in, gives the gas disc its texture.
    {"Galaxy", 6888614428078532264ull},
    {"Nebula", 7569610063817776799ull},
    {"Star", 7863903382620696945ull},
    {"Gas", 11835236741006419091ull},
    {"Vortex", 903977182127975337ull},
    {"Lens Flare", 6545833443777349488ull},
    {"Venus", 4742217978000524655ull},
    {"Moon", 7648076578454298786ull},
    {"Earth", 5370673694691100478ull},
};
}

TEST(EffectRender, StoredPictures)
{
    // The galaxy and the planets draw with OpenGL.
    PrepareScenes();
    for (int i = 1; i < TOOL_COUNT; ++i) {
        auto pEffect = CreateTool(i);
        if (!pEffect)
            continue;
        const std::string section = pEffect->m_strSection.toStdString();
        CDib dib;
        ASSERT_TRUE(dib.Create(37, 23));
        FillPattern(dib);
        CRect rect(-4, 3, 30, 29);
        SetRandomSeed(20261207);
        const std::unique_ptr<CDib> pSaved = SavedCopy(dib, *pEffect, rect);
        pEffect->PrepareRender();
        pEffect->Render(dib, rect, pSaved.get(), FALSE);
        const auto it = s_goldenHashes.find(section);
        ASSERT_NE(it, s_goldenHashes.end()) << section << " has no stored picture";
        EXPECT_EQ(ImageHash(dib), it->second)
            << section << " differs; picture written to "
            << SaveForInspection(dib, QString::fromStdString("golden-" + section)).toStdString();
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
        EXPECT_TRUE(g_nPreviewDelay >= 0 && g_nPreviewDelay <= 10) << what << ": " << g_nPreviewDelay;
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
