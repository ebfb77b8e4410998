// What is painted in the window is what skyloom-render paints again: every tool with the
// galaxy turned in its preview, another field of view and light; a horizon far larger than
// the picture; the planets' drag outline against the disc they draw.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "app/MainFrame.h"
#include "document/Recipe.h"
#include "document/RenderJob.h"
#include "document/Settings.h"
#include "document/SkyloomDoc.h"
#include "effects/Effect.h"
#include "effects/ControlIds.h"
#include "effects/EffectDlg.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GalaxyDlg.h"
#include "gl/GalaxyEffect.h"
#include "gl/GalaxyPreview.h"
#include "gl/PlanetEffect.h"
#include "gl/PreviewWnd.h"
#include "view/SkyloomView.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <array>
#include <utility>
#include <cmath>

namespace {

class ReplayTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_nFov = g_nFOV;
        m_light = {g_nLightOrient, g_nLightInten, g_nLightElevation};
    }
    void TearDown() override
    {
        g_nFOV = m_nFov;
        g_nLightOrient = m_light[0];
        g_nLightInten = m_light[1];
        g_nLightElevation = m_light[2];
        WindowTest::TearDown();
    }

    // The picture saved as PNG, replayed by skyloom-render, is the window's byte for byte.
    void ExpectReplaysAlike()
    {
        const std::unique_ptr<CDib> pAgain = SaveAndReplay("scene");
        ASSERT_TRUE(pAgain);
        EXPECT_TRUE(SameBytes(Picture(), *pAgain));
    }
    // A drag between two points given in zoomed pixels from the picture's corner where
    // it is shown now (however the view is scrolled).
    void DragShown(QPoint from, QPoint to)
    {
        const QPoint corner = View()->ViewportFromLogical(CRect(0, 0, 1, 1)).topLeft();
        QWidget* pViewport = View()->viewport();
        for (const auto& [type, pt] : {std::pair{QEvent::MouseButtonPress, corner + from},
                                       std::pair{QEvent::MouseMove, corner + to},
                                       std::pair{QEvent::MouseButtonRelease, corner + to}}) {
            QMouseEvent event(type, pt, pViewport->mapToGlobal(pt),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(pViewport, &event);
        }
    }

    int m_nFov = 30;
    std::array<int, 3> m_light{};
};

// Every tool, the galaxy turned by a drag in its preview (its fields follow the turn and
// come back when the dialog opens again), a field of view and a light of the user's own:
// the saved PNG replays to the same bytes.
TEST_F(ReplayTest, EveryToolTurnedGalaxyFieldOfViewAndLightReplayAlike)
{
    m_pUi->sizes = {CSize(480, 320)};
    Command(ID_FILE_NEW);
    g_nFOV = 44;
    g_nLightOrient = 100;
    g_nLightInten = 80;
    g_nLightElevation = 20;

    Command(ID_TOOL_STARFIELD);
    SetRandomSeed(31);
    Press(QPoint(5, 5));
    Release(QPoint(5, 5));
    const struct
    {
        int nCommand;
        QPoint from, to;
    } drags[] = {
        {ID_TOOL_CLUSTER, {10, 10}, {120, 100}},  {ID_TOOL_NEBULA, {100, 20}, {300, 180}},
        {ID_TOOL_STAR, {320, 20}, {400, 100}},    {ID_TOOL_GAS, {20, 150}, {200, 300}},
        {ID_TOOL_VORTEX, {200, 160}, {330, 300}}, {ID_TOOL_GALAXY, {250, 40}, {470, 230}},
        {ID_TOOL_LENSFLARE, {400, 200}, {470, 270}}, {ID_TOOL_VENUS, {-30, 200}, {90, 330}},
        {ID_TOOL_MOON, {330, 230}, {420, 320}},   {ID_TOOL_EARTH, {150, 220}, {290, 360}},
    };
    DWORD seed = 500;
    for (const auto& d : drags) {
        Command(d.nCommand);
        if (d.nCommand == ID_TOOL_GALAXY) {
            auto* pGalaxy = dynamic_cast<CGalaxyDlg*>(g_pPropertiesDialog);
            ASSERT_TRUE(pGalaxy);
            // A texture the program ships with, chosen in its folder: the recipe names it.
            const QString texture = GalaxyTextureFolder() + QStringLiteral("/Loose spiral.jpg");
            ASSERT_TRUE(QFileInfo(texture).isFile()) << texture.toStdString();
            m_pUi->texturePaths = {texture};
            QTest::mouseClick(pGalaxy->findChild<QPushButton*>(
                                  QStringLiteral("button%1").arg(GalaxyIds::Browse)),
                              Qt::LeftButton);
            ASSERT_EQ(pGalaxy->m_strTexture, texture);
            QWidget* pPreview = pGalaxy->GetPreview();
            QTest::mousePress(pPreview, Qt::LeftButton, {}, QPoint(40, 60));
            for (const QPoint& to : {QPoint(60, 40), QPoint(75, 10)}) {
                QMouseEvent move(QEvent::MouseMove, to, pPreview->mapToGlobal(to),
                                 Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(pPreview, &move);
            }
            QTest::mouseRelease(pPreview, Qt::LeftButton, {}, QPoint(75, 10));
            auto* pTilt = pGalaxy->findChild<QLineEdit*>(QStringLiteral("editTilt"));
            ASSERT_TRUE(pTilt);
            EXPECT_NE(pTilt->text(), QStringLiteral("90")) << "the fields follow the turn";
        }
        if (d.nCommand == ID_TOOL_MOON || d.nCommand == ID_TOOL_EARTH) {
            // A noise value typed in the dialog: the planet's noise is made anew.
            auto* pDialog = dynamic_cast<CEffectDlg*>(g_pPropertiesDialog);
            ASSERT_TRUE(pDialog);
            auto* pFractal = qobject_cast<QLineEdit*>(pDialog->Control(MoonIds::Fractal));
            ASSERT_TRUE(pFractal);
            pFractal->selectAll();
            QTest::keyClicks(pFractal, QStringLiteral("0.45"));
        }
        g_nEffectSeed = ++seed;
        Drag(d.from, d.to);
    }
    const CRecipe recipe = Doc().GetRecipe();
    ASSERT_EQ(recipe.m_steps.size(), 11);
    EXPECT_TRUE(recipe.m_steps[9].values.contains({QStringLiteral("Fractal"),
                                                   QStringLiteral("0.45000000000000001")}));
    EXPECT_TRUE(recipe.m_steps[9].values.contains({QStringLiteral("FOV"), QStringLiteral("44")}));
    ExpectReplaysAlike();

    // Opened again, the galaxy's dialog shows the orientation the canvas was painted in.
    const CGalaxyEffect& tool =
        *dynamic_cast<CGalaxyEffect*>(View()->GetToolObject(FindToolBySection("Galaxy")));
    Command(ID_TOOL_MOON);
    Command(ID_TOOL_GALAXY);
    auto* pGalaxy = dynamic_cast<CGalaxyDlg*>(g_pPropertiesDialog);
    ASSERT_TRUE(pGalaxy);
    EXPECT_EQ(pGalaxy->findChild<QLineEdit*>(QStringLiteral("editTilt"))->text().toDouble(),
              tool.m_dTilt);
    EXPECT_EQ(pGalaxy->Preview()->Scene().GetRotation().Data()[5], tool.m_rotation.Data()[5]);
    // Typing an angle turns the preview; the next canvas render paints it.
    auto* pSpin = pGalaxy->findChild<QLineEdit*>(QStringLiteral("editSpin"));
    pSpin->selectAll();
    QTest::keyClicks(pSpin, QStringLiteral("33"));
    EXPECT_EQ(pGalaxy->Preview()->Scene().Spin(), 33.0);
    g_nEffectSeed = 900;
    Drag(QPoint(20, 20), QPoint(200, 200));
    EXPECT_EQ(tool.m_dSpin, 33.0);
    ExpectReplaysAlike();
}

// The classic horizon: an Earth far larger than the picture paints in the window and
// replays to the same bytes; a rectangle past the work bound is refused by both with the
// one message, painting nothing and adding no step.
TEST_F(ReplayTest, HorizonPaintsAndReplaysAndTooLargeIsRefusedAlike)
{
    // At 1/2, scrolled as far as it goes: a drag past the viewport then scrolls nothing.
    m_pUi->sizes = {CSize(1920, 1080)};
    Command(ID_FILE_NEW);
    QApplication::processEvents(); // the new picture's own zoom first
    View()->SetZoom(1, 2, QPoint());
    QApplication::processEvents();
    View()->ScrollToPosition(CPoint(100000, 100000));
    QApplication::processEvents();
    Command(ID_TOOL_EARTH);
    g_nEffectSeed = 4242;
    DragShown(QPoint(-240 / 2, 702 / 2), QPoint(2160 / 2, 3102 / 2));
    ASSERT_EQ(Doc().GetRecipe().m_steps.size(), 1);
    EXPECT_EQ(Doc().GetRecipe().m_steps[0].rect, CRect(-240, 702, 2160, 3102));
    ExpectReplaysAlike();

    // Past the bound: at 1/16 a drag reaches 17000 pixels.
    View()->SetZoom(1, 16, QPoint());
    QApplication::processEvents();
    const CRect huge(-8000, -8000, 9008, 9008);
    const QString problem = RenderRectProblem(huge, CSize(1920, 1080));
    ASSERT_FALSE(problem.isEmpty());
    const QByteArray before = QByteArray(reinterpret_cast<const char*>(Picture().m_pBits),
                                         Picture().m_nStride * Picture().m_nHeight);
    m_pUi->errors.clear();
    DragShown(QPoint(huge.left / 16, huge.top / 16), QPoint(huge.right / 16, huge.bottom / 16));
    ASSERT_EQ(m_pUi->errors.size(), 1);
    EXPECT_TRUE(m_pUi->errors[0].contains(problem)) << m_pUi->errors[0].toStdString();
    EXPECT_EQ(Doc().GetRecipe().m_steps.size(), 1);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(Picture().m_pBits),
                         Picture().m_nStride * Picture().m_nHeight),
              before);
    QString err;
    EXPECT_EQ(RunRenderProgram({QStringLiteral("--size"), QStringLiteral("1920x1080"),
                      QStringLiteral("--effect"), QStringLiteral("Earth"),
                      QStringLiteral("--rect"), QStringLiteral("-8000,-8000,9008,9008"),
                      QStringLiteral("-o"), Path("no.bmp")},
                     err),
              2);
    EXPECT_TRUE(err.contains(problem)) << err.toStdString();
}

constexpr DWORD kBackground = 0x123456;

// The first and last pixel of row y that are not the background (-1 for none).
std::pair<int, int> LitSpan(const CDib& dib, int y)
{
    int first = -1, last = -1;
    for (int x = 0; x < dib.m_nWidth; ++x)
        if (dib.GetPixel(x, dib.m_nHeight - 1 - y) != kBackground) {
            if (first < 0)
                first = x;
            last = x;
        }
    return {first, last};
}

// While a planet is dragged its outline is the disc the render then covers, the Earth's
// halo included, at the field of view in use.
TEST_F(ReplayTest, PlanetOutlineIsTheDiscDrawn)
{
    for (const int fov : {30, 50}) {
        for (const int nCommand : {ID_TOOL_MOON, ID_TOOL_EARTH}) {
            g_nFOV = fov;
            m_pUi->sizes = {CSize(640, 480)};
            Command(ID_FILE_NEW);
            Picture().Fill(kBackground);
            Command(nCommand);
            const CRect rect(100, 40, 540, 440);
            Press(QPoint(rect.left, rect.top));
            Move(QPoint(rect.right, rect.bottom));
            const auto* pPlanet = dynamic_cast<const CPlanetEffect*>(
                View()->GetToolObject(FindToolBySection(nCommand == ID_TOOL_MOON ? "Moon"
                                                                                  : "Earth")));
            ASSERT_TRUE(pPlanet);
            const CRect disc = pPlanet->DiscRect(View()->GetDragRect());
            Release(QPoint(rect.right, rect.bottom));
            const int y = (disc.top + disc.bottom) / 2;
            const auto [left, right] = LitSpan(Picture(), y);
            EXPECT_NEAR(left, disc.left, 2) << nCommand << " fov " << fov;
            EXPECT_NEAR(right + 1, disc.right, 2) << nCommand << " fov " << fov;
            int top = -1, bottom = -1;
            for (int row = 0; row < Picture().m_nHeight; ++row)
                if (Picture().GetPixel((disc.left + disc.right) / 2,
                                       Picture().m_nHeight - 1 - row) != kBackground) {
                    top = top < 0 ? row : top;
                    bottom = row;
                }
            EXPECT_NEAR(top, disc.top, 2) << nCommand << " fov " << fov;
            EXPECT_NEAR(bottom + 1, disc.bottom, 2) << nCommand << " fov " << fov;
        }
    }
}

}
