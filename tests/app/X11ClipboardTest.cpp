// The clipboard of a real X display, shared with another program (xclip): what Skyloom
// copies pastes elsewhere, and what another program copies pastes into Skyloom. Needs a
// display (the test command runs under xvfb-run); skipped without one or without xclip.
#include "PictureAssertions.h"

#include "app/Commands.h"
#include "app/MainFrame.h"
#include "document/SettingsStore.h"
#include "app/SkyloomApp.h"
#include "document/SkyloomDoc.h"
#include "view/SkyloomView.h"

#include <QAction>
#include "gl/GLContext.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

bool HaveDisplay()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Runs a program while the event loop keeps serving the clipboard (xclip asks us for it).
QByteArray RunServing(const QStringList& args, int& exitCode)
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    process.start(QStringLiteral("xclip"), args);
    loop.exec();
    exitCode = process.state() == QProcess::NotRunning ? process.exitCode() : -1;
    if (process.state() != QProcess::NotRunning)
        process.kill();
    process.waitForFinished(1000);
    return process.readAllStandardOutput();
}

class X11ClipboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveDisplay())
            GTEST_SKIP() << "no X display";
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            GTEST_SKIP() << "xclip is not installed";
        ASSERT_TRUE(m_dir.isValid());
        m_pApp = std::make_unique<CSkyloomApp>(
            std::make_unique<CSettingsStore>(m_dir.filePath(QStringLiteral("settings.ini"))));
        ASSERT_TRUE(m_pApp->InitInstance({QStringLiteral("skyloom")}));
    }
    void TearDown() override
    {
        if (m_pApp)
            m_pApp->ExitInstance();
    }
    CDib& Picture() { return m_pApp->GetDocument().GetImage(); }

    QTemporaryDir m_dir;
    std::unique_ptr<CSkyloomApp> m_pApp;
};

TEST_F(X11ClipboardTest, CopyReachesAnotherProgram)
{
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            Picture().SetPixel(x, y,
                               DWORD((x * 7) & 0xFF) << 16 | DWORD((y * 3) & 0xFF) << 8 | 0x40);
    CSkyloomView* pView = m_pApp->GetMainFrame()->GetView();
    pView->SetSelection(CRect(100, 50, 164, 98));
    m_pApp->GetMainFrame()->GetAction(ID_EDIT_COPY)->trigger();
    int exitCode = 0;
    const QByteArray png = RunServing(
        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
         QStringLiteral("image/png"), QStringLiteral("-o")},
        exitCode);
    ASSERT_EQ(exitCode, 0);
    const QImage image = QImage::fromData(png, "PNG");
    ASSERT_EQ(image.size(), QSize(64, 48));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const DWORD want = Picture().GetPixel(100 + x, 479 - (50 + y));
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, want) << x << ", " << y;
        }
}

TEST_F(X11ClipboardTest, AnotherProgramsPicturePastes)
{
    QImage image(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, qRgb(x * 6, y * 8, 200));
    const QString path = m_dir.filePath(QStringLiteral("outside.png"));
    ASSERT_TRUE(image.save(path, "PNG"));
    // Nothing of ours on the clipboard (an earlier copy), so that the wait below sees xclip's.
    QApplication::clipboard()->clear();
    QDeadlineTimer cleared(5000);
    while (CSkyloomView::ClipboardHasImage() && !cleared.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_FALSE(CSkyloomView::ClipboardHasImage());
    // xclip stays behind to serve the selection; its first process returns at once.
    int exitCode = 0;
    RunServing({QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                QStringLiteral("image/png"), QStringLiteral("-i"), path},
               exitCode);
    ASSERT_EQ(exitCode, 0);
    QDeadlineTimer deadline(10000);
    while (!CSkyloomView::ClipboardHasImage() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(CSkyloomView::ClipboardHasImage());

    CSkyloomView* pView = m_pApp->GetMainFrame()->GetView();
    pView->OnEditPaste();
    ASSERT_TRUE(pView->IsPasting());
    EXPECT_EQ(pView->GetPasteRect().Size(), CSize(40, 30));
    // Place it with its top-left corner at the picture's.
    QWidget* pViewport = pView->viewport();
    const QPoint centre(20, 15);
    QMouseEvent move(QEvent::MouseMove, centre, pViewport->mapToGlobal(centre), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(pViewport, &move);
    QMouseEvent press(QEvent::MouseButtonPress, centre, pViewport->mapToGlobal(centre),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pViewport, &press);
    ASSERT_FALSE(pView->IsPasting());
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(Picture().GetPixel(x, 479 - y), image.pixel(x, y) & 0xFFFFFF)
                << x << ", " << y;
}

}

int main(int argc, char** argv)
{
    // The real X display when there is one; otherwise the tests skip themselves.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    // One OpenGL library for the whole run: each window started here finds it loaded and
    // leaves it loaded, so no test unloads it (Mesa's driver leaks a little when it does).
    LoadGLEntryPoints(TRUE);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
