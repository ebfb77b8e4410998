// What the window tests share: a scripted stand-in for the file dialogs and a fixture that
// starts the real application on a settings file of its own, with mouse helpers for the
// canvas.
#pragma once

#include "PictureAssertions.h"

#include "app/Commands.h"
#include "app/DocumentUi.h"
#include "app/MainFrame.h"
#include "document/SettingsStore.h"
#include "app/SkyloomApp.h"
#include "document/SkyloomDoc.h"
#include "view/ExportSkyboxDlg.h"
#include "view/SkyloomView.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>


// Scripted answers to the file commands' questions, and a record of what was asked.
class CScriptedUi : public CDocumentUi
{
public:
    std::deque<CSize> sizes;        // empty: the size dialog is cancelled
    std::deque<QString> openPaths;  // empty: File Open is cancelled
    std::deque<std::pair<QString, int>> savePaths;
    std::deque<ESaveChanges> saveAnswers;
    std::deque<QString> pastePaths; // empty: Paste File is cancelled
    QStringList pasteFolders;       // where each Paste File dialog started
    std::deque<QString> texturePaths; // empty: "Browse..." is cancelled
    std::deque<QString> recipePaths;  // empty: Export Recipe is cancelled
    QString layersFolder;             // empty: Export Layers is cancelled
    CSkyboxChoice skybox;             // empty folder: Export Skybox is cancelled
    int nOfferedFaceSize = 0;         // the face size Export Skybox offered
    double scale = 0;                 // 0: Paint Again at Size is cancelled
    QStringList textureFolders;
    QString proposedName;
    int nProposedFilter = -1;
    QStringList errors;
    bool bNewWrapAround = false; // the New dialog's Wrap Around box
    bool bNewSky = false;        // the New dialog's Sky sphere box
    int nSaveQuestions = 0;

    BOOL AskImageSize(QWidget*, CSize& size, bool& bWrap, bool& bSky) override
    {
        if (sizes.empty())
            return FALSE;
        size = sizes.front();
        sizes.pop_front();
        bWrap = bNewWrapAround;
        bSky = bNewSky;
        return TRUE;
    }
    QString AskOpenPath(QWidget*) override
    {
        if (openPaths.empty())
            return QString();
        const QString path = openPaths.front();
        openPaths.pop_front();
        return path;
    }
    BOOL AskSavePath(QWidget*, QString& name, int& nFilter) override
    {
        proposedName = name;
        nProposedFilter = nFilter;
        if (savePaths.empty())
            return FALSE;
        name = savePaths.front().first;
        nFilter = savePaths.front().second;
        savePaths.pop_front();
        return TRUE;
    }
    QString AskPasteFilePath(QWidget*, const QString& folder) override
    {
        pasteFolders << folder;
        if (pastePaths.empty())
            return QString();
        const QString path = pastePaths.front();
        pastePaths.pop_front();
        return path;
    }
    QString AskLayersFolder(QWidget*) override { return layersFolder; }
    BOOL AskSkybox(QWidget*, CSkyboxChoice& choice) override
    {
        nOfferedFaceSize = choice.nFaceSize;
        if (skybox.strFolder.isEmpty())
            return FALSE;
        choice = skybox;
        return TRUE;
    }
    BOOL AskScale(QWidget*, double& dScale) override
    {
        dScale = scale;
        return scale > 0;
    }
    QString AskRecipePath(QWidget*, const QString&) override
    {
        if (recipePaths.empty())
            return QString();
        const QString path = recipePaths.front();
        recipePaths.pop_front();
        return path;
    }
    QString AskTexturePath(QWidget*, const QString& folder) override
    {
        textureFolders << folder;
        if (texturePaths.empty())
            return QString();
        const QString path = texturePaths.front();
        texturePaths.pop_front();
        return path;
    }
    ESaveChanges AskSaveChanges(QWidget*, const QString&) override
    {
        ++nSaveQuestions;
        if (saveAnswers.empty())
            return SAVE_NO;
        const ESaveChanges answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void ShowError(QWidget*, const QString& text) override { errors << text; }
};

// Answers every message box with OK and keeps its text.
class CMessageCatcher
{
public:
    CMessageCatcher()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << pBox->text();
                pBox->done(QMessageBox::Ok);
            }
        });
        m_timer.start();
    }
    QStringList texts;

private:
    QTimer m_timer;
};

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef SKYLOOM_RENDER_PROGRAM
// skyloom-render run with args: its exit status (-1 when it did not end), standard error in
// err.
inline int RunRenderProgram(const QStringList& args, QString& err)
{
    QProcess process;
    process.start(QStringLiteral(SKYLOOM_RENDER_PROGRAM), args);
    if (!process.waitForFinished(300000))
        return -1;
    err = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
#endif

inline bool SameBytes(const CDib& a, const CDib& b)
{
    return a.GetSize() == b.GetSize() &&
           std::equal(a.m_pBits, a.m_pBits + size_t(a.m_nStride) * a.m_nHeight, b.m_pBits);
}

// The application as the window tests run it: its colour chooser can be scripted.
class CTestApp : public CSkyloomApp
{
public:
    using CSkyloomApp::CSkyloomApp;
    // Runs in place of the chooser's exec and returns its result code; empty: the chooser
    // runs as in the program.
    std::function<int(QColorDialog& dlg)> colorChooser;
    int RunColorChooser(QColorDialog& dlg) override
    {
        return colorChooser ? colorChooser(dlg) : CSkyloomApp::RunColorChooser(dlg);
    }
};

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        StartApp();
    }
    void TearDown() override { StopApp(); }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    void StartApp(const QStringList& args = {QStringLiteral("skyloom")})
    {
        m_pApp =
            std::make_unique<CTestApp>(std::make_unique<CSettingsStore>(Path("settings.ini")));
        auto pUi = std::make_unique<CScriptedUi>();
        m_pUi = pUi.get();
        m_pApp->SetDocumentUi(std::move(pUi));
        ASSERT_TRUE(m_pApp->InitInstance(args));
        Frame()->resize(900, 700);
        QApplication::processEvents();
    }
    void StopApp()
    {
        if (!m_pApp)
            return;
        m_pApp->ExitInstance();
        m_pApp.reset();
    }

    CMainFrame* Frame() { return m_pApp->GetMainFrame(); }
    CSkyloomView* View() { return Frame()->GetView(); }
    CSkyloomDoc& Doc() { return m_pApp->GetDocument(); }
    CDib& Picture() { return Doc().GetImage(); }
    // The picture's bytes in short, to tell pictures apart.
    QByteArray Hash()
    {
        const CDib& dib = Picture();
        return QCryptographicHash::hash(
            QByteArrayView(dib.m_pBits, qsizetype(dib.m_nStride) * dib.m_nHeight),
            QCryptographicHash::Sha1);
    }
    const QUndoStack& History() { return Doc().GetHistory(); }
    void Command(int nId) { Frame()->GetAction(nId)->trigger(); }

    // Where the picture's top-left corner sits in the viewport when it is not scrolled: a
    // picture smaller than the viewport is centred in it.
    QPoint CanvasMargin()
    {
        const CPoint scroll = View()->GetScrollPosition();
        return View()->ViewportFromLogical(CRect(0, 0, 1, 1)).topLeft() +
               QPoint(scroll.x, scroll.y);
    }
    // The mouse on the canvas at pt, measured from the unscrolled picture's top-left corner.
    void Mouse(QEvent::Type type, QPoint pt, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* pViewport = View()->viewport();
        pt += CanvasMargin();
        QMouseEvent event(type, pt, pViewport->mapToGlobal(pt),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          modifiers);
        QApplication::sendEvent(pViewport, &event);
    }
    void Press(QPoint pt) { Mouse(QEvent::MouseButtonPress, pt, Qt::LeftButton); }
    void Move(QPoint pt, bool bDown = true)
    {
        Mouse(QEvent::MouseMove, pt, bDown ? Qt::LeftButton : Qt::NoButton);
    }
    void Release(QPoint pt) { Mouse(QEvent::MouseButtonRelease, pt, Qt::NoButton); }
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        Move((from + to) / 2);
        Move(to);
        Release(to);
    }

#ifdef SKYLOOM_RENDER_PROGRAM
    // The picture saved as NAME.png by File > Save As and painted again from that file by
    // skyloom-render --replay (with the extra arguments): null, with the test failed, when
    // either goes wrong. Standard error of the run in *pErr when asked for.
    std::unique_ptr<CDib> SaveAndReplay(const char* szName, const QStringList& extra = {},
                                        QString* pErr = nullptr)
    {
        const QString saved = Path(szName) + QStringLiteral(".png");
        m_pUi->savePaths = {{Path(szName), SAVE_PNG}};
        Command(ID_FILE_SAVE_AS);
        EXPECT_EQ(Doc().GetPathName(), saved);
        QString err;
        const QStringList args = QStringList{QStringLiteral("--replay"), saved,
                                             QStringLiteral("-o"), Path("again.bmp")} +
                                 extra;
        const int nExit = RunRenderProgram(args, err);
        if (pErr)
            *pErr = err;
        auto pAgain = std::make_unique<CDib>();
        if (nExit != 0 || !pAgain->Load(QFile::encodeName(Path("again.bmp")).constData())) {
            ADD_FAILURE() << "skyloom-render --replay exited " << nExit << ": "
                          << err.toStdString();
            return nullptr;
        }
        return pAgain;
    }
#endif

    QTemporaryDir m_dir;
    std::unique_ptr<CTestApp> m_pApp;
    CScriptedUi* m_pUi = nullptr;
};
