// A sky sphere through the real window: File > New makes one, the tiling commands step
// aside, a sky saved replays and exports as the window does, the Sky Preview looks around
// it the right way up and follows the picture, and File > Export Skybox writes the six faces
// the export function writes.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "document/SkyPatch.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "imagefile/Skybox.h"
#include "view/SkyPreviewWnd.h"

#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <QWheelEvent>

namespace {

class SkyWindowTest : public WindowTest
{
protected:
    bool Enabled(int nId) { return Frame()->GetAction(nId)->isEnabled(); }

    // Each pixel says where it is: red the column, green the row, out of 255.
    void FillWithCoordinates()
    {
        CDib& sky = Picture();
        for (int y = 0; y < sky.m_nHeight; ++y)
            for (int x = 0; x < sky.m_nWidth; ++x)
                sky.SetPixel(x, sky.m_nHeight - 1 - y,
                             DWORD((2 * x + 1) * 255 / (2 * sky.m_nWidth)) << 16 |
                                 DWORD((2 * y + 1) * 255 / (2 * sky.m_nHeight)) << 8);
        Doc().UpdateRect(Doc().GetImageRect());
    }
};

// The preview's pixel at (x, y) from the top, as red and green.
std::pair<int, int> RedGreen(const CDib& image, int x, int y)
{
    const DWORD c = image.GetPixel(x, image.m_nHeight - 1 - y);
    return {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF)};
}

TEST_F(SkyWindowTest, NewSkyIsPreviewedTheRightWayUpAndExportsItsSixFaces)
{
    EXPECT_FALSE(Enabled(ID_FILE_EXPORT_SKYBOX));
    EXPECT_FALSE(Enabled(ID_VIEW_SKY_PREVIEW));
    EXPECT_TRUE(Enabled(ID_IMAGE_WRAP_AROUND));

    // Wrap Around asked for with a sky is not taken: a sphere closes on itself.
    m_pUi->sizes = {CSize(256, 128)};
    m_pUi->bNewSky = true;
    m_pUi->bNewWrapAround = true;
    Command(ID_FILE_NEW);
    ASSERT_TRUE(Doc().IsSkySphere());
    EXPECT_FALSE(Doc().IsWrapAround());
    EXPECT_FALSE(Enabled(ID_IMAGE_WRAP_AROUND));
    EXPECT_FALSE(Frame()->GetAction(ID_IMAGE_WRAP_AROUND)->isChecked());
    EXPECT_FALSE(Enabled(ID_IMAGE_MAKE_SEAMLESS));
    EXPECT_TRUE(Enabled(ID_FILE_EXPORT_SKYBOX));
    EXPECT_TRUE(Frame()->windowTitle().contains(QStringLiteral("sky sphere")));

    // A nebula across the left and right edges is one step of the sky.
    Command(ID_TOOL_NEBULA);
    g_nEffectSeed = 7;
    Drag(QPoint(-30, 30), QPoint(40, 90));
    ASSERT_EQ(Doc().GetStepCount(), 1);
    // With a moon high up, the sky saved as PNG is painted again by skyloom-render to the
    // same pixels, and the faces it exports from there are the window's, byte for byte.
    Command(ID_TOOL_MOON);
    g_nEffectSeed = 9;
    Drag(QPoint(100, 2), QPoint(220, 24));
    ASSERT_EQ(Doc().GetStepCount(), 2);
    m_pUi->skybox = {Path("window"), 24, ESkyboxNaming::Axes, QStringLiteral("png")};
    Command(ID_FILE_EXPORT_SKYBOX);
    const std::unique_ptr<CDib> pAgain =
        SaveAndReplay("sky", {QStringLiteral("--skybox"), Path("cli"),
                              QStringLiteral("--face-size"), QStringLiteral("24")});
    ASSERT_TRUE(pAgain);
    EXPECT_TRUE(SamePicture(Picture(), *pAgain));
    for (const char* name : {"px", "nx", "py", "ny", "pz", "nz"}) {
        const QString file = QString::fromLatin1(name) + QStringLiteral(".png");
        const QByteArray bytes = ReadFile(QDir(Path("window")).filePath(file));
        EXPECT_FALSE(bytes.isEmpty()) << name;
        EXPECT_EQ(bytes, ReadFile(QDir(Path("cli")).filePath(file))) << name;
    }

    Command(ID_VIEW_SKY_PREVIEW);
    auto* pPreview = Frame()->findChild<CSkyPreviewWnd*>();
    ASSERT_NE(pPreview, nullptr);
    EXPECT_TRUE(pPreview->isVisible());
    pPreview->resize(200, 100);
    // Looking at longitude 90, latitude 30: right of the middle lies a larger longitude
    // (more red), above it a higher latitude (less green).
    FillWithCoordinates();
    pPreview->Scene().SetView(90, 30, 60);
    if (AreGLEntryPointsLoaded() && pPreview->Redraw()) {
        const CDib& image = pPreview->GetImage();
        ASSERT_EQ(image.GetSize(), CSize(200, 100));
        const auto [red, green] = RedGreen(image, 100, 50);
        EXPECT_NEAR(red, 90 * 255 / 360, 3);
        EXPECT_NEAR(green, 60 * 255 / 180, 3);
        EXPECT_GT(RedGreen(image, 140, 50).first, red + 5);
        EXPECT_LT(RedGreen(image, 100, 20).second, green - 5);
        // A change of the picture shows at the next draw.
        Picture().Fill(0x3060C8);
        Doc().UpdateRect(Doc().GetImageRect());
        ASSERT_TRUE(pPreview->Redraw());
        EXPECT_EQ(pPreview->GetImage().GetPixel(100, 50), DWORD(0x3060C8));
    }
    // A drag turns the view with the pointer, held at the pole; the wheel narrows it.
    pPreview->TurnBy(-20, 0);
    EXPECT_GT(pPreview->Scene().Yaw(), 90);
    pPreview->TurnBy(0, 10000);
    EXPECT_EQ(pPreview->Scene().Pitch(), 90);
    QWheelEvent wheel(QPointF(50, 50), pPreview->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, 120 * 50), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(pPreview, &wheel);
    EXPECT_EQ(pPreview->Scene().FieldOfView(), CSkyPreviewScene::kMinFieldOfView);

    // The faces go into a folder that is made, with the names and format chosen, and are
    // what the export function writes.
    const QString folder = Path("sky/box");
    m_pUi->skybox = {folder, 24, ESkyboxNaming::Sides, QStringLiteral("png")};
    Command(ID_FILE_EXPORT_SKYBOX);
    EXPECT_EQ(m_pUi->nOfferedFaceSize, 64);
    EXPECT_TRUE(m_pUi->errors.isEmpty()) << m_pUi->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Frame()->GetPaneText(0).contains(QStringLiteral("sky/box")));
    QString error;
    ASSERT_TRUE(QDir().mkpath(Path("direct")));
    ASSERT_TRUE(ExportSkybox(Picture(), Path("direct"), 24, ESkyboxNaming::Sides,
                             QStringLiteral("png"), error));
    for (const char* name : {"right", "left", "top", "bottom", "front", "back"}) {
        const QString file = QString::fromLatin1(name) + QStringLiteral(".png");
        const QByteArray bytes = ReadFile(QDir(folder).filePath(file));
        EXPECT_FALSE(bytes.isEmpty()) << name;
        EXPECT_EQ(bytes, ReadFile(QDir(Path("direct")).filePath(file))) << name;
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 6);

    // A folder that cannot be made is reported, and nothing is written.
    QFile plain(Path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    m_pUi->skybox.strFolder = Path("plain/box");
    Command(ID_FILE_EXPORT_SKYBOX);
    ASSERT_EQ(m_pUi->errors.size(), 1);
    EXPECT_TRUE(m_pUi->errors[0].startsWith(QStringLiteral("Cannot export the skybox")));

    // A flat picture again: the preview goes and the sky's commands with it.
    m_pUi->sizes = {CSize(64, 32)};
    m_pUi->bNewSky = false;
    Command(ID_FILE_NEW);
    EXPECT_FALSE(Doc().IsSkySphere());
    EXPECT_FALSE(pPreview->isVisible());
    EXPECT_FALSE(Enabled(ID_VIEW_SKY_PREVIEW));
    EXPECT_FALSE(Enabled(ID_FILE_EXPORT_SKYBOX));
    EXPECT_TRUE(Enabled(ID_IMAGE_WRAP_AROUND));
}

// While a drag is made on a sky the canvas outlines the patch where it lands on the
// panorama, not the dragged rectangle.
TEST_F(SkyWindowTest, DragOnASkyOutlinesThePatch)
{
    m_pUi->sizes = {CSize(400, 200)};
    m_pUi->bNewSky = true;
    Command(ID_FILE_NEW);
    ASSERT_TRUE(Doc().IsSkySphere());
    View()->ZoomActualSize();
    Command(ID_TOOL_NEBULA);
    const CRect rect(100, 20, 200, 80);
    Press(QPoint(rect.left, rect.top));
    Move(QPoint(150, 50));
    Move(QPoint(rect.right, rect.bottom));
    const QImage canvas = View()->viewport()->grab().toImage();
    Release(QPoint(rect.right, rect.bottom));
    const auto bright = [&](double x, double y) {
        const QPoint at = View()->ViewportFromLogical(CRect(int(x), int(y), int(x) + 1,
                                                             int(y) + 1)).topLeft();
        return qGray(canvas.pixel(at)) > 128;
    };
    const CSkyPatch patch = CSkyPatch::FromRect(rect, CSize(400, 200));
    const QList<QPolygonF> outline = patch.OutlineOnPanorama(
        QPolygonF(QRectF(0, 0, patch.m_nPlaneWidth, patch.m_nPlaneHeight)));
    ASSERT_FALSE(outline.isEmpty());
    // The patch widens towards the equator: its lower corners lie outside the rectangle.
    const QRectF bounds = outline[0].boundingRect();
    ASSERT_LT(bounds.left(), rect.left - 5);
    int nOn = 0, nPoints = 0;
    for (const QPointF& p : outline[0]) {
        // A point of a line drawn one screen pixel wide lies on it or next to it.
        bool bNear = false;
        for (const double dx : {-0.5, 0.0, 0.5})
            for (const double dy : {-0.5, 0.0, 0.5})
                bNear |= bright(p.x() + dx, p.y() + dy);
        nOn += bNear ? 1 : 0;
        ++nPoints;
    }
    EXPECT_GE(nOn, nPoints * 9 / 10);
}

// A sky wider than the preview's texture is shown reduced, still the right way round.
TEST_F(SkyWindowTest, ALargeSkyIsPreviewedReduced)
{
    m_pUi->sizes = {CSize(4400, 2200)};
    m_pUi->bNewSky = true;
    Command(ID_FILE_NEW);
    ASSERT_TRUE(Doc().IsSkySphere());
    FillWithCoordinates();
    Command(ID_VIEW_SKY_PREVIEW);
    auto* pPreview = Frame()->findChild<CSkyPreviewWnd*>();
    ASSERT_NE(pPreview, nullptr);
    pPreview->resize(200, 100);
    pPreview->Scene().SetView(270, -45, 30);
    if (!AreGLEntryPointsLoaded() || !pPreview->Redraw())
        GTEST_SKIP() << "no OpenGL";
    const auto [red, green] = RedGreen(pPreview->GetImage(), 100, 50);
    EXPECT_NEAR(red, 270 * 255 / 360, 3);
    EXPECT_NEAR(green, 135 * 255 / 180, 3);
}

} // namespace
