// The galaxy's and the planets' dialogs in the running program: the galaxy's type, texture
// and drag-to-rotate reaching the canvas, the planets' value mappings, previews that the
// canvas repeats, the Lighting dialog and its polar view, their lifetimes, no OpenGL, and
// previews and canvas renders interleaved in every order.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "document/Settings.h"
#include "effects/Random.h"
#include "gl/EarthSurface.h"
#include "gl/GLContext.h"
#include "gl/GalaxyDlg.h"
#include "gl/GalaxyEffect.h"
#include "gl/GalaxyModel.h"
#include "gl/LightingDlg.h"
#include "gl/MoonSurface.h"
#include "gl/PlanetDlg.h"
#include "gl/PlanetEffect.h"
#include "gl/PreviewWnd.h"
#include "view/ColorSwatch.h"
#include "document/RenderJob.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

enum { TOOL_GALAXY = 7, TOOL_VENUS = 9, TOOL_MOON = 10, TOOL_EARTH = 11 };

// Pixels of rect (top-down picture coordinates) that are not black.
int LitPixels(const CDib& dib, const CRect& rect)
{
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            n += dib.GetPixel(x, dib.m_nHeight - 1 - y) != 0;
    return n;
}

int LitPixels(const CDib& dib)
{
    return LitPixels(dib, CRect(0, 0, dib.m_nWidth, dib.m_nHeight));
}

std::unique_ptr<CDib> CopyOf(const CDib& dib)
{
    auto pCopy = std::make_unique<CDib>();
    pCopy->Create(dib.m_nWidth, dib.m_nHeight);
    pCopy->Paste(dib, CRect(0, 0, dib.m_nWidth, dib.m_nHeight), TRUE, 0, 0);
    return pCopy;
}

QPoint Corner(const CPoint& pt)
{
    return QPoint(pt.x, pt.y);
}

bool SameRotation(const CMatrix4& a, const CMatrix4& b)
{
    return std::equal(a.Data(), a.Data() + 16, b.Data());
}

class LitDialogsTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_nFov = g_nFOV;
        m_nOrient = g_nLightOrient;
    }
    void TearDown() override
    {
        g_nFOV = m_nFov;
        g_nLightOrient = m_nOrient;
        WindowTest::TearDown();
        LoadGLEntryPoints(TRUE);
    }

    CEffectDlg* Dialog() { return dynamic_cast<CEffectDlg*>(g_pPropertiesDialog); }
    CGalaxyDlg* Galaxy() { return dynamic_cast<CGalaxyDlg*>(g_pPropertiesDialog); }
    CPlanetDlg* Planet() { return dynamic_cast<CPlanetDlg*>(g_pPropertiesDialog); }
    QLineEdit* Edit(int nId) { return qobject_cast<QLineEdit*>(Dialog()->Control(nId)); }
    void Type(int nId, const QString& text)
    {
        Edit(nId)->selectAll();
        QTest::keyClicks(Edit(nId), text);
    }
    void ChooseType(const char* szName)
    {
        auto* pCombo = qobject_cast<QComboBox*>(Dialog()->Control(1065));
        const int nIndex = pCombo->findText(QString::fromLatin1(szName));
        ASSERT_GE(nIndex, 0) << szName;
        pCombo->setCurrentIndex(nIndex);
        emit pCombo->activated(nIndex);
    }
    CGalaxyEffect& GalaxyTool()
    {
        return *dynamic_cast<CGalaxyEffect*>(View()->GetToolObject(TOOL_GALAXY));
    }
    CPlanetEffect& PlanetTool(int nTool)
    {
        return *dynamic_cast<CPlanetEffect*>(View()->GetToolObject(nTool));
    }
    // A left-button drag in the galaxy's preview.
    void DragPreview(QPoint from, QPoint to)
    {
        QWidget* pPreview = Galaxy()->GetPreview();
        QTest::mousePress(pPreview, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, pPreview->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pPreview, &move);
        QTest::mouseRelease(pPreview, Qt::LeftButton, {}, to);
    }

    int m_nFov = 30;
    int m_nOrient = 0;
};

// The type list sets the default density of its class and enables the gas only for the
// plain spirals; "Browse..." starts in the program's textures and a file that cannot be
// read, or that went away after it was chosen, leaves the built-in texture and is told once.
TEST_F(LitDialogsTest, GalaxyTypesAndTextures)
{
    Command(ID_TOOL_GALAXY);
    ASSERT_TRUE(Galaxy());
    EXPECT_EQ(Galaxy()->windowTitle(), QStringLiteral("Galaxy Properties"));
    EXPECT_EQ(qobject_cast<QComboBox*>(Dialog()->Control(1065))->count(), 16);
    EXPECT_EQ(qobject_cast<QComboBox*>(Dialog()->Control(1065))->currentText(),
              QStringLiteral("Spiral Sc"));
    EXPECT_EQ(Galaxy()->GetPreview()->toolTip(), QStringLiteral("Click and drag to rotate"));
    EXPECT_TRUE(Galaxy()->GasGroup()->isEnabled());

    const struct { const char* szType; const char* szDensity; bool bGas; } cases[] = {
        {"Elliptical E3", "0.50", false},
        {"Barred Spiral SBb", "0.30", false},
        {"Spiral Sa", "0.20", true},
    };
    for (const auto& c : cases) {
        ChooseType(c.szType);
        EXPECT_EQ(Edit(1000)->text(), QString::fromLatin1(c.szDensity)) << c.szType;
        EXPECT_EQ(Galaxy()->GasGroup()->isEnabled(), c.bGas) << c.szType;
        EXPECT_FALSE(Galaxy()->IsTimerRunning()) << "writing the density is no change by the user";
    }
    EXPECT_EQ(Galaxy()->GetModel()->m_nSubtype, 0);
    EXPECT_EQ(Dialog()->findChild<QLineEdit*>(QStringLiteral("edit1066"))->text(),
              QStringLiteral("Default"));

    // A good texture by its file name; then one that is no picture.
    const QString good = Path("swirl.bmp");
    CDib swirl;
    swirl.Create(64, 64);
    swirl.Fill(0x808080);
    ASSERT_TRUE(swirl.Save(QFile::encodeName(good).constData()));
    QFile junk(Path("junk.jpg"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture at all");
    junk.close();
    m_pUi->texturePaths = {good, Path("junk.jpg")};
    QTest::mouseClick(Dialog()->findChild<QPushButton*>(QStringLiteral("button1067")),
                      Qt::LeftButton);
    EXPECT_EQ(m_pUi->textureFolders.value(0),
              QApplication::applicationDirPath() + QStringLiteral("/Textures/Galaxy"));
    EXPECT_EQ(Dialog()->findChild<QLineEdit*>(QStringLiteral("edit1066"))->text(),
              QStringLiteral("swirl.bmp"));
    EXPECT_EQ(Galaxy()->GetModel()->m_strGasTexture, good);
    QTest::mouseClick(Dialog()->findChild<QPushButton*>(QStringLiteral("button1067")),
                      Qt::LeftButton);
    EXPECT_EQ(m_pUi->errors.size(), 1);
    EXPECT_EQ(Dialog()->findChild<QLineEdit*>(QStringLiteral("edit1066"))->text(),
              QStringLiteral("Default"));
    EXPECT_TRUE(Galaxy()->GetModel()->m_strGasTexture.isEmpty());

    // Chosen, then removed before the render: the render uses the built-in texture, and
    // says so once however often the dialog is read afterwards.
    m_pUi->texturePaths = {good};
    QTest::mouseClick(Dialog()->findChild<QPushButton*>(QStringLiteral("button1067")),
                      Qt::LeftButton);
    EXPECT_EQ(Dialog()->findChild<QLineEdit*>(QStringLiteral("edit1066"))->text(),
              QStringLiteral("swirl.bmp"));
    ASSERT_TRUE(QFile::remove(good));
    Drag(QPoint(100, 100), QPoint(400, 300));
    Drag(QPoint(300, 100), QPoint(600, 300));
    Galaxy()->RebuildModel();
    EXPECT_EQ(m_pUi->errors.size(), 2);
    EXPECT_TRUE(GalaxyTool().m_strGasTexture.isEmpty());
    EXPECT_GT(LitPixels(Picture(), CRect(100, 100, 400, 300)), 500);
}

// Dragging in the preview turns the galaxy by atan2(d, 50) degrees about (-dy, dx, 0) on the
// model's side; repaints without a drag keep the orientation; the canvas paints the galaxy
// turned as shown; "Default properties" brings back the face-on view; no seed is touched.
TEST_F(LitDialogsTest, GalaxyDragTurnsTheCanvasGalaxy)
{
    Command(ID_TOOL_GALAXY);
    ASSERT_TRUE(Galaxy());
    CGalaxyPreviewWnd* pPreview = Galaxy()->Preview();
    ASSERT_TRUE(pPreview->Scene().HasContext());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Galaxy()));
    g_nEffectSeed = 777;
    pPreview->repaint();
    const auto pFaceOn = CopyOf(pPreview->GetImage());
    EXPECT_GT(LitPixels(*pFaceOn), 300);
    EXPECT_TRUE(SameRotation(pPreview->Scene().GetRotation(), CGalaxyEffect::FaceOnRotation()));

    DragPreview(QPoint(40, 60), QPoint(70, 20));
    pPreview->repaint();
    const CMatrix4 expected =
        CGalaxyEffect::FaceOnRotation() *
        CMatrix4::Rotation(std::atan2(50.0, 50.0) * 180 / 3.14159265358979323846, 40.0 / 50,
                           30.0 / 50, 0);
    // Within the hundredths of a degree the angles it is made from are kept to.
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(pPreview->Scene().GetRotation().Data()[i], expected.Data()[i], 1e-3) << i;
    const auto pTurned = CopyOf(pPreview->GetImage());
    EXPECT_FALSE(SameBytes(*pTurned, *pFaceOn));
    pPreview->repaint();
    pPreview->repaint();
    EXPECT_TRUE(SameBytes(*pTurned, pPreview->GetImage()))
        << "two repaints show the same orientation";
    Galaxy()->RefreshPreview();
    QApplication::processEvents();
    EXPECT_EQ(g_nEffectSeed, 777u) << "galaxy previews do not touch the seed";

    // The canvas: the same galaxy as a fresh effect gives with the preview's rotation.
    const CRect rect(100, 80, 400, 330);
    Drag(Corner(rect.TopLeft()), Corner(rect.BottomRight()));
    EXPECT_TRUE(SameRotation(GalaxyTool().m_rotation, pPreview->Scene().GetRotation()));
    auto render = [&](const CMatrix4& rotation) {
        CGalaxyEffect effect;
        const CGalaxyEffect& tool = GalaxyTool();
        effect.m_nType = tool.m_nType;
        effect.m_crCore = tool.m_crCore;
        effect.m_crStars = tool.m_crStars;
        effect.m_crGas = tool.m_crGas;
        effect.m_dDensity = tool.m_dDensity;
        effect.m_dGasScale = tool.m_dGasScale;
        effect.m_strGasTexture = tool.m_strGasTexture;
        effect.m_rotation = rotation;
        auto pPicture = std::make_unique<CDib>();
        CDib background;
        pPicture->Create(640, 480);
        background.Create(rect.Width(), rect.Height());
        SetRandomSeed(777);
        effect.Render(*pPicture, rect, &background, TRUE);
        return pPicture;
    };
    EXPECT_TRUE(SamePicture(*render(pPreview->Scene().GetRotation()), Picture()));
    EXPECT_FALSE(SameBytes(*render(CGalaxyEffect::FaceOnRotation()), Picture()));

    QTest::mouseClick(Dialog()->Control(1052), Qt::LeftButton);
    EXPECT_TRUE(SameRotation(pPreview->Scene().GetRotation(), CGalaxyEffect::FaceOnRotation()));
    EXPECT_EQ(Dialog()->findChild<QLineEdit*>(QStringLiteral("edit1066"))->text(),
              QStringLiteral("Default"));
    EXPECT_EQ(Galaxy()->ShownColor(GalaxyIds::CoreColor), COLORREF(11468799));
}

// The planets' dialogs show and store their values through the mappings: the Earth's sea
// level 0.6 is the stored 0.16, the moon's maria amount 0.55 the stored 0.1. Each opens
// its Lighting dialog, which goes when the planet's dialog goes.
TEST_F(LitDialogsTest, PlanetDialogMappingsAndLighting)
{
    Command(ID_TOOL_EARTH);
    ASSERT_TRUE(Planet());
    EXPECT_EQ(Planet()->windowTitle(), QStringLiteral("Earth Properties"));
    EXPECT_EQ(Edit(1004)->text(), QStringLiteral("0.6"));
    Type(1004, QStringLiteral("0.6"));
    Type(1004, QStringLiteral("1"));
    Drag(QPoint(10, 10), QPoint(60, 60));
    EXPECT_DOUBLE_EQ(dynamic_cast<CEarthSurface&>(PlanetTool(TOOL_EARTH).GetSurface()).m_dSeaLevel,
                     0.8);
    Type(1004, QStringLiteral("0.6"));
    Drag(QPoint(10, 10), QPoint(60, 60));
    EXPECT_NEAR(dynamic_cast<CEarthSurface&>(PlanetTool(TOOL_EARTH).GetSurface()).m_dSeaLevel, 0.16,
                1e-12);
    QPointer<CLightingDlg> pEarthLighting(Planet()->GetLightingDlg());
    ASSERT_TRUE(pEarthLighting);
    EXPECT_TRUE(pEarthLighting->isVisible());

    Command(ID_TOOL_MOON);
    EXPECT_TRUE(pEarthLighting.isNull() || !pEarthLighting->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pEarthLighting.isNull());
    EXPECT_EQ(Edit(1003)->text(), QStringLiteral("0.55"));
    Type(1003, QStringLiteral("0.55"));
    Drag(QPoint(10, 10), QPoint(60, 60));
    EXPECT_NEAR(dynamic_cast<CMoonSurface&>(PlanetTool(TOOL_MOON).GetSurface()).m_dMaria, 0.1,
                1e-12);
    auto* pBump = qobject_cast<QComboBox*>(Dialog()->Control(1022));
    EXPECT_EQ(pBump->count(), 3);
    EXPECT_EQ(pBump->itemText(2), QStringLiteral("Periodic"));

    Command(ID_TOOL_VENUS);
    EXPECT_EQ(Planet()->windowTitle(), QStringLiteral("Venus Type Planet"));
    auto* pSwatch = Planet()->findChild<CColorSwatch*>(QStringLiteral("swatch1021"));
    ASSERT_TRUE(pSwatch);
    EXPECT_EQ(pSwatch->GetColor(), RGB(191, 63, 0));
    QPointer<CLightingDlg> pLighting(Planet()->GetLightingDlg());
    QTest::keyClick(Planet(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pLighting.isNull());

    StopApp();
    const CSettingsStore store(Path("settings.ini"));
    EXPECT_EQ(store.GetString(QStringLiteral("Earth"), QStringLiteral("SeaLevel"), {}),
              QStringLiteral("0.160000"));
    EXPECT_EQ(store.GetString(QStringLiteral("Moon"), QStringLiteral("Maria"), {}),
              QStringLiteral("0.100000"));
}

// A drag of the preview's size on the same rows, right after a planet's preview, with the
// preview's field of view, repeats the preview's planet pixel for pixel.
class PlanetDragRepeatsPreview : public LitDialogsTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(PlanetDragRepeatsPreview, SamePixels)
{
    g_nFOV = 45;
    Command(GetParam());
    ASSERT_TRUE(Planet());
    Planet()->RefreshPreview();
    const CDib& preview = Planet()->GetPreview()->GetImage();
    ASSERT_EQ(preview.GetSize(), CSize(124, 138));
    Drag(QPoint(0, 480 - 138), QPoint(124, 480));
    for (int y = 0; y < 138; ++y)
        for (int x = 0; x < 124; ++x)
            ASSERT_EQ(Picture().GetPixel(x, y), preview.GetPixel(x, y)) << x << ", " << y;
    EXPECT_GT(LitPixels(preview), 2000);
}

INSTANTIATE_TEST_SUITE_P(Planets, PlanetDragRepeatsPreview,
                         ::testing::Values(ID_TOOL_VENUS, ID_TOOL_MOON, ID_TOOL_EARTH));

// The polar view's geometry and marker, and the Lighting dialog's sliders changing the
// settings at once and restarting the planet dialog's refresh.
TEST_F(LitDialogsTest, PolarViewAndLightingSliders)
{
    CPolarView polar;
    polar.resize(109, 80);
    polar.SizeTo(109, 80);
    EXPECT_EQ(polar.GetRadius(), 36);
    const CPoint c = polar.GetCentre();
    polar.SetAngle(225);
    EXPECT_EQ(polar.GetMarkerCentre(), CPoint(c.x - 25, c.y + 25));

    Command(ID_TOOL_VENUS);
    CLightingDlg* pLighting = Planet()->GetLightingDlg();
    ASSERT_TRUE(pLighting);
    EXPECT_EQ(pLighting->windowTitle(), QStringLiteral("Lighting"));
    EXPECT_EQ(pLighting->Slider(1045)->maximum(), 359);
    EXPECT_EQ(pLighting->Slider(1045)->tickInterval(), 36);
    EXPECT_EQ(pLighting->Slider(1043)->tickInterval(), 10);
    EXPECT_EQ(pLighting->Slider(1048)->orientation(), Qt::Vertical);
    EXPECT_EQ(pLighting->Slider(1045)->value(), g_nLightOrient);
    EXPECT_FALSE(Planet()->IsTimerRunning());

    pLighting->Slider(1045)->setValue(90);
    CPolarView* pPolar = pLighting->GetPolarView();
    EXPECT_EQ(g_nLightOrient, 90);
    EXPECT_EQ(pPolar->GetMarkerCentre(), CPoint(pPolar->GetCentre().x, pPolar->GetCentre().y - 36));
    const QImage shown = pPolar->grab().toImage();
    const CPoint marker = pPolar->GetMarkerCentre();
    EXPECT_EQ(shown.pixelColor(marker.x, marker.y), QColor(Qt::white));
    EXPECT_NE(shown.pixelColor(pPolar->GetCentre().x + 5, pPolar->GetCentre().y + 3),
              QColor(Qt::black))
        << "the backdrop lies under the circle";
    QApplication::processEvents();
    EXPECT_TRUE(Planet()->IsTimerRunning());

    pLighting->Slider(1043)->setValue(35);
    pLighting->Slider(1048)->setValue(20);
    EXPECT_EQ(g_nLightInten, 35);
    EXPECT_EQ(g_nLightElevation, 20);
}

// Cancel in the Lighting dialog (after the intensity went to its maximum and the other two
// sliders moved) takes the light back to what it was when the dialog opened: the preview
// is dimmed again, the next render and the settings written at exit have the old light.
// A Lighting dialog closed along with its planet dialog keeps the light as set.
TEST_F(LitDialogsTest, LightingCancelTakesTheLightBack)
{
    const auto brightness = [](const CDib& dib) {
        long long sum = 0;
        for (int y = 0; y < dib.m_nHeight; ++y)
            for (int x = 0; x < dib.m_nWidth; ++x) {
                const DWORD c = dib.GetPixel(x, y);
                sum += (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF);
            }
        return sum;
    };
    // Closed with its planet dialog: the light stays.
    Command(ID_TOOL_MOON);
    ASSERT_TRUE(Planet());
    QTest::keyClick(Planet()->GetLightingDlg()->Slider(1045), Qt::Key_End);
    EXPECT_EQ(g_nLightOrient, 359);
    Command(ID_TOOL_SELECT);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g_nLightOrient, 359);
    g_nLightOrient = 200;
    g_nLightInten = 40;
    g_nLightElevation = 60;

    Command(ID_TOOL_VENUS);
    ASSERT_TRUE(Planet());
    QPointer<CLightingDlg> pLighting(Planet()->GetLightingDlg());
    ASSERT_TRUE(pLighting);
    const CDib& preview = Planet()->GetPreview()->GetImage();
    Planet()->RefreshPreview();
    const long long dim = brightness(preview);
    QTest::keyClick(pLighting->Slider(1043), Qt::Key_End);
    QTest::keyClick(pLighting->Slider(1045), Qt::Key_PageUp);
    QTest::keyClick(pLighting->Slider(1048), Qt::Key_PageUp);
    EXPECT_EQ(g_nLightInten, 100);
    EXPECT_NE(g_nLightOrient, 200);
    EXPECT_NE(g_nLightElevation, 60);
    Planet()->RefreshPreview();
    const long long bright = brightness(preview);
    EXPECT_GT(bright, dim * 5 / 4) << "intensity 100 lights the preview";

    auto* pButtons = pLighting->findChild<QDialogButtonBox*>();
    ASSERT_TRUE(pButtons);
    QTest::mouseClick(pButtons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    EXPECT_EQ(g_nLightOrient, 200);
    EXPECT_EQ(g_nLightInten, 40);
    EXPECT_EQ(g_nLightElevation, 60);
    QApplication::processEvents();
    const long long after = brightness(preview);
    EXPECT_LT(after, (dim + bright) / 2) << "the preview shows the old light again";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pLighting.isNull());

    Drag(QPoint(10, 10), QPoint(110, 110));
    ASSERT_FALSE(Doc().GetRecipe().m_steps.isEmpty());
    const CRecipeStep& step = Doc().GetRecipe().m_steps.last();
    EXPECT_TRUE(step.bHasLight);
    EXPECT_EQ(step.nLightOrient, 200);
    EXPECT_EQ(step.nLightInten, 40);
    EXPECT_EQ(step.nLightElevation, 60);

    StopApp();
    const CSettingsStore store(Path("settings.ini"));
    EXPECT_EQ(store.GetInt(QStringLiteral("Options"), QStringLiteral("LightOrient"), -1), 200);
    EXPECT_EQ(store.GetInt(QStringLiteral("Options"), QStringLiteral("LightInten"), -1), 40);
    EXPECT_EQ(store.GetInt(QStringLiteral("Options"), QStringLiteral("LightElevation"), -1), 60);
}

// The Lighting dialog closed by its own Cancel is not deleted again by its planet dialog;
// one whose planet dialog has gone notifies nobody; a close cancelled at the save question
// leaves the program not closing, and a planet dialog closed afterwards still takes its
// Lighting dialog along.
TEST_F(LitDialogsTest, LightingDialogLifetimes)
{
    Command(ID_TOOL_MOON);
    QPointer<CLightingDlg> pLighting(Planet()->GetLightingDlg());
    ASSERT_TRUE(pLighting);
    pLighting->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pLighting.isNull());
    EXPECT_EQ(Planet()->GetLightingDlg(), nullptr);
    Command(ID_TOOL_SELECT);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    auto pOrphan = std::make_unique<QPointer<CLightingDlg>>();
    {
        Command(ID_TOOL_EARTH);
        QPointer<CPreviewHostDlg> pDialog(Planet());
        auto* pStray = new CLightingDlg(Frame(), pDialog);
        *pOrphan = pStray;
        Command(ID_TOOL_SELECT);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(pDialog.isNull());
    }
    (*pOrphan)->Slider(1045)->setValue(123);
    QApplication::processEvents();
    EXPECT_EQ(g_nLightOrient, 123);
    delete pOrphan->data();

    Doc().SetModifiedFlag(TRUE);
    Command(ID_TOOL_VENUS);
    pLighting = Planet()->GetLightingDlg();
    m_pUi->saveAnswers = {CDocumentUi::SAVE_CANCEL};
    Frame()->close();
    EXPECT_FALSE(CMainFrame::IsClosing());
    ASSERT_TRUE(Planet());
    QTest::keyClick(Planet(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pLighting.isNull());
}

// Without an off-screen context the planet preview stays black and keeps the seed, the
// galaxy preview says its pixel format failed and stays black, and nothing crashes; the
// galaxy still turns.
TEST_F(LitDialogsTest, NoOffscreenContextGivesBlackPreviews)
{
    CMessageCatcher messages;
    FreeGLEntryPoints();
    ASSERT_FALSE(LoadGLEntryPoints(TRUE, "libskyloom-no-such-egl.so"));
    Command(ID_TOOL_EARTH);
    ASSERT_TRUE(Planet());
    g_nEffectSeed = 99;
    Planet()->RefreshPreview();
    EXPECT_EQ(LitPixels(Planet()->GetPreview()->GetImage()), 0);
    EXPECT_EQ(g_nEffectSeed, 99u);
    EXPECT_FALSE(static_cast<CPlanetPreviewWnd*>(Planet()->GetPreview())->HasRenderer());

    Command(ID_TOOL_GALAXY);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Galaxy()));
    EXPECT_TRUE(messages.texts.contains(QStringLiteral("ChoosePixelFormat failed")));
    Galaxy()->Preview()->repaint();
    EXPECT_EQ(LitPixels(Galaxy()->GetPreview()->GetImage()), 0);
    DragPreview(QPoint(40, 40), QPoint(60, 40));
    Galaxy()->Preview()->repaint();
    EXPECT_FALSE(
        SameRotation(Galaxy()->Preview()->Scene().GetRotation(), CGalaxyEffect::FaceOnRotation()));
    ChooseType("Spiral Sd");
    Command(ID_TOOL_SELECT);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QFile log(QDir::tempPath() + QStringLiteral("/pixformat_window.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Failure calling DescribePixelFormat"));
}

// The galaxy preview, a planet preview and a canvas planet render, in every order, all
// give pictures; and a galaxy repaint and a planet refresh falling due inside the canvas
// render cost the canvas planet nothing.
TEST_F(LitDialogsTest, PreviewsAndCanvasRendersInterleave)
{
    Command(ID_TOOL_EARTH);
    ASSERT_TRUE(Planet());
    CPlanetDlg* pPlanet = Planet();
    // A galaxy dialog of its own beside the current one.
    std::unique_ptr<CPreviewHostDlg> pGalaxyDlg(GalaxyTool().CreatePropertiesDialog(Frame()));
    auto* pGalaxy = dynamic_cast<CGalaxyDlg*>(pGalaxyDlg.get());
    ASSERT_TRUE(pGalaxy);
    pGalaxy->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pGalaxy));

    const CRect rect(200, 100, 420, 300);
    const std::function<void()> steps[] = {
        [&] {
            pGalaxy->Preview()->repaint();
            EXPECT_GT(LitPixels(pGalaxy->GetPreview()->GetImage()), 300);
        },
        [&] {
            pPlanet->RefreshPreview();
            EXPECT_GT(LitPixels(pPlanet->GetPreview()->GetImage()), 2000);
        },
        [&] {
            Command(ID_EDIT_UNDO);
            Drag(Corner(rect.TopLeft()), Corner(rect.BottomRight()));
            EXPECT_GT(LitPixels(Picture(), rect), 20000);
        },
    };
    int order[] = {0, 1, 2};
    do {
        for (int i : order) {
            SCOPED_TRACE(testing::Message()
                         << "order " << order[0] << order[1] << order[2] << ", step " << i);
            steps[i]();
        }
    } while (std::next_permutation(std::begin(order), std::end(order)));

    // Inside the canvas render: the galaxy repaints (taking the one GL context away) and
    // the planet's preview falls due; the canvas planet still comes out whole.
    Command(ID_EDIT_UNDO);
    const DWORD seed = g_nEffectSeed;
    int nNested = 0;
    QTimer::singleShot(0, pGalaxy, [&] {
        pGalaxy->Preview()->repaint();
        pPlanet->RefreshPreview();
        nNested = LitPixels(pGalaxy->GetPreview()->GetImage());
    });
    Drag(Corner(rect.TopLeft()), Corner(rect.BottomRight()));
    EXPECT_GT(nNested, 300);
    EXPECT_NE(g_nEffectSeed, seed) << "the waiting planet preview ran after the render";
    const auto pInterrupted = CopyOf(Picture());
    Command(ID_EDIT_UNDO);
    g_nEffectSeed = seed;
    const CRenderJobResult result = RenderDrag(PlanetTool(TOOL_EARTH), Doc(), rect, pPlanet);
    ASSERT_EQ(result.outcome, RENDER_DONE);
    EXPECT_TRUE(SamePicture(*pInterrupted, Picture()));
}

} // namespace
