// Every built-in effect, through the tool table: a stored picture at an awkward size, and
// awkward pictures and rectangles that must not fault.
#include "EffectTestSupport.h"

#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"

#include <QDir>
#include <QImage>

#include <map>
#include <string>

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
// 20261207, the effect's built-in defaults, no progress.
const std::map<std::string, uint64_t> s_goldenHashes = {
    {"StarField", 6559548798668393102ull},
    {"Cluster", 8654493304941033007ull},
    {"Galaxy", 12242244942861593070ull},
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
