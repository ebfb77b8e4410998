// End-to-end flows through the real main window: start-up and settings, gestures on the
// canvas, cancel and undo, the file commands, and the window against skyloom-render.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "app/DocumentUi.h"
#include "app/MainFrame.h"
#include "document/Settings.h"
#include "document/SettingsStore.h"
#include "app/SkyloomApp.h"
#include "document/ClipboardDib.h"
#include "document/Recipe.h"
#include "document/SkyloomDoc.h"
#include "effects/Effect.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "effects/StarFieldEffect.h"
#include "effects/ProgressMeter.h"
#include "document/RenderJob.h"
#include "view/SkyloomView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QMimeData>
#include <QFile>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <clocale>
#include <deque>
#include <string>
#include <memory>

namespace {

using MainWindowTest = WindowTest;

// Start-up with no settings, settings kept across a restart, a damaged settings file.
TEST_F(MainWindowTest, StartsWithDefaultsAndKeepsSettingsAcrossARestart)
{
    EXPECT_EQ(Picture().GetSize(), CSize(640, 480));
    EXPECT_EQ(Frame()->GetPaneText(3), QStringLiteral("640x480"));
    EXPECT_EQ(Frame()->GetPaneText(0), QStringLiteral("Ready"));
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 7)
            ASSERT_TRUE(PixelIs(Picture(), x, y, 0));
    EXPECT_EQ(g_crBkgndColor, 0u);
    EXPECT_EQ(g_nPreviewDelay, 1);
    EXPECT_EQ(g_crTransColor, 0u);
    EXPECT_EQ(g_dwTolerance, 0u);
    EXPECT_EQ(g_nLightOrient, 225);
    EXPECT_EQ(g_nLightInten, 50);
    EXPECT_EQ(g_nLightElevation, 50);
    EXPECT_EQ(g_nUndoMemory, DefaultUndoMemory());
    for (COLORREF c : g_crCustomColors)
        EXPECT_EQ(c, 0xFFFFFFu);
    EXPECT_FALSE(Doc().IsModified());

    g_crBkgndColor = RGB(0, 0, 80);
    g_nPreviewDelay = 0;
    g_nUndoMemory = 7;
    StopApp();
    StartApp();
    EXPECT_EQ(g_crBkgndColor, RGB(0, 0, 80));
    EXPECT_EQ(g_nPreviewDelay, 0);
    EXPECT_EQ(g_nUndoMemory, 7);
    // The start-up picture takes the background colour.
    EXPECT_TRUE(PixelIs(Picture(), 10, 10, 0x000050));
    StopApp();

    QFile damaged(Path("settings.ini"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(
        "[Options]\nBkgndColor=4294967295\nPreviewDelay=-7\nLightOrient=1e308\n"
        "GalaxyGasScale=nan\nFOV=junk\nUndoMemory=2147483647\n[Colors]\nCustom3=\xff\xfe\n"
        "[StarField]\nDensity=1e308\n[Nebula]\nItensity=-1e308\n");
    damaged.close();
    StartApp();
    EXPECT_EQ(Picture().GetSize(), CSize(640, 480));
    EXPECT_LE(g_crBkgndColor, 0xFFFFFFu);
    EXPECT_GE(g_nFOV, 1);
    EXPECT_LE(g_nFOV, 179);
    EXPECT_LE(g_nUndoMemory, MachineMemoryMiB());
}

// Reals are stored as "%lf" text with a '.', and read back the same, under a comma-decimal
// locale too (the application takes the user's locale for the C library at start-up).
TEST_F(MainWindowTest, RealsKeepTheirValueUnderACommaDecimalLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_EQ(QString::asprintf("%.1f", 0.5), QStringLiteral("0.5"));
    static_cast<CStarFieldEffect*>(View()->GetToolObject(1))->m_dDensity = 0.05;
    StopApp();
    const QByteArray ini = ReadFile(Path("settings.ini"));
    StartApp();
    const double density = static_cast<CStarFieldEffect*>(View()->GetToolObject(1))->m_dDensity;
    std::setlocale(LC_ALL, previous.c_str());
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(ini.contains("Density=0.050000")) << ini.constData();
    EXPECT_EQ(density, 0.05);
}

// A drag renders into the dragged rectangle; the panes follow the mouse and the band.
TEST_F(MainWindowTest, NebulaDragRendersIntoTheDraggedRectangle)
{
    Command(ID_TOOL_NEBULA);
    EXPECT_EQ(View()->GetTool(), 3);
    EXPECT_TRUE(Frame()->GetAction(ID_TOOL_NEBULA)->isChecked());
    g_nEffectSeed = 4242;

    Move(QPoint(12, 34), false);
    EXPECT_EQ(Frame()->GetPaneText(1), QStringLiteral("12, 34"));
    Press(QPoint(300, 200));
    Move(QPoint(200, 120));
    EXPECT_EQ(Frame()->GetPaneText(1), QStringLiteral("200, 120"));
    EXPECT_EQ(Frame()->GetPaneText(2), QStringLiteral("(200, 120) - (300, 200) = (100, 80)"));
    Move(QPoint(100, 50));
    EXPECT_EQ(Frame()->GetPaneText(2), QStringLiteral("(100, 50) - (300, 200) = (200, 150)"));
    Release(QPoint(100, 50));
    EXPECT_EQ(Frame()->GetPaneText(2), QString());
    EXPECT_TRUE(Doc().IsModified());

    // The same render straight from the engine, into (100, 50, 300, 200) only.
    auto pNebula = CreateTool(3);
    CDib expected;
    expected.Create(640, 480);
    SetRandomSeed(4242);
    pNebula->PrepareRender();
    pNebula->Render(expected, CRect(100, 50, 300, 200), nullptr, FALSE);
    EXPECT_TRUE(SamePicture(expected, Picture()));
    EXPECT_TRUE(PixelIs(Picture(), 0, 0, 0));
}

// The Star Field fills the selection, or the whole picture without one; the Select tool's
// drag keeps the part past the edge and a click empties the selection.
TEST_F(MainWindowTest, StarFieldClickAndSelection)
{
    Command(ID_TOOL_SELECT);
    Drag(QPoint(600, 400), QPoint(700, 500));
    EXPECT_EQ(View()->GetSelection(), CRect(600, 400, 700, 500));
    Press(QPoint(50, 50));
    Release(QPoint(50, 50));
    EXPECT_TRUE(View()->GetSelection().IsRectEmpty());

    Drag(QPoint(100, 100), QPoint(200, 150));
    ASSERT_EQ(View()->GetSelection(), CRect(100, 100, 200, 150));
    Command(ID_TOOL_STARFIELD);
    Press(QPoint(10, 10));
    Release(QPoint(10, 10));
    // The selection stays, and stars land only in it (and within a large star's reach).
    EXPECT_EQ(View()->GetSelection(), CRect(100, 100, 200, 150));
    int inside = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const bool bNear = x >= 98 && x < 202 && y >= 98 && y < 152;
            const DWORD c = Picture().GetPixel(x, 479 - y);
            if (!bNear)
                ASSERT_EQ(c, 0u) << x << ", " << y;
            else
                inside += c != 0;
        }
    EXPECT_GT(inside, 50);
    // Undo takes back every star, large ones reaching past the selection included.
    Command(ID_EDIT_UNDO);
    CDib black;
    black.Create(640, 480);
    EXPECT_TRUE(SamePicture(black, Picture()));

    // A double-click renders once: the second press adds nothing.
    Command(ID_TOOL_SELECT);
    Press(QPoint(5, 5));
    Release(QPoint(5, 5));
    Command(ID_TOOL_STARFIELD);
    SetRandomSeed(99);
    Press(QPoint(10, 10));
    Release(QPoint(10, 10));
    Mouse(QEvent::MouseButtonDblClick, QPoint(10, 10), Qt::LeftButton);
    Release(QPoint(10, 10));
    CDib once;
    once.Create(640, 480);
    auto pStars = CreateTool(1);
    SetRandomSeed(99);
    pStars->Render(once, CRect(0, 0, 640, 480), nullptr, FALSE);
    EXPECT_TRUE(SamePicture(once, Picture()));
}

// Escape stops a render and restores the picture byte for byte with the modified flag as
// it was; Undo after a render restores the turned bounding box too.
TEST_F(MainWindowTest, EscapeCancelsAndUndoRestores)
{
    // Something to restore: a star field over everything, then saved as unmodified.
    Command(ID_TOOL_STARFIELD);
    Press(QPoint(10, 10));
    Release(QPoint(10, 10));
    Doc().SetModifiedFlag(FALSE);
    CDib before;
    before.Create(640, 480);
    before.Paste(Picture(), CRect(0, 0, 640, 480), TRUE, 0, 0);

    // A stray Escape before the render must not cancel it.
    QTest::keyClick(View(), Qt::Key_Escape);
    EXPECT_TRUE(SamePicture(before, Picture())) << "after stray";
    Command(ID_TOOL_VORTEX);
    // Escape arrives at the canvas through the render's own event pump.
    bool bSawRendering = false;
    QTimer::singleShot(0, View(), [&] {
        bSawRendering = IsRendering() && !Frame()->menuBar()->isEnabled();
        QTest::keyClick(View(), Qt::Key_Escape);
    });
    Drag(QPoint(20, 20), QPoint(620, 460));
    EXPECT_TRUE(bSawRendering);
    EXPECT_TRUE(SamePicture(before, Picture()));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_TRUE(Frame()->menuBar()->isEnabled());
    EXPECT_FALSE(IsRendering());

    // A finished render, turned by 45 degrees, then Undo.
    View()->GetToolObject(6)->m_dRotation = 45;
    Command(ID_TOOL_VORTEX);
    Drag(QPoint(200, 150), QPoint(400, 250));
    EXPECT_FALSE(SameBytes(before, Picture()));
    CRect affected(200, 150, 400, 250);
    View()->GetToolObject(6)->GetAffectedRect(affected);
    EXPECT_LT(affected.top, 150);
    Command(ID_EDIT_UNDO);
    EXPECT_TRUE(SameBytes(before, Picture()));
    // Back at the picture marked saved; the star field under it can still be undone.
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_TRUE(Frame()->GetAction(ID_EDIT_UNDO)->isEnabled());

    // Hanging past the bottom edge, turned or drawn with OpenGL: Undo restores it all too.
    for (int nTool : {ID_TOOL_VORTEX, ID_TOOL_VENUS}) {
        Command(nTool);
        Drag(QPoint(200, 400), QPoint(400, 560));
        EXPECT_FALSE(SameBytes(before, Picture())) << nTool;
        Command(ID_EDIT_UNDO);
        EXPECT_TRUE(SameBytes(before, Picture())) << nTool;
    }
}

// Closing the window during a render cancels it first and asks to save afterwards.
TEST_F(MainWindowTest, CloseDuringARenderCancelsItThenAsks)
{
    Doc().SetModifiedFlag(TRUE);
    m_pUi->saveAnswers = {CDocumentUi::SAVE_CANCEL};
    Command(ID_TOOL_GAS);
    int nQuestionsDuringRender = -1;
    QTimer::singleShot(0, View(), [&] {
        Frame()->close();
        nQuestionsDuringRender = m_pUi->nSaveQuestions;
    });
    Drag(QPoint(20, 20), QPoint(620, 460));
    EXPECT_EQ(nQuestionsDuringRender, 0);
    QApplication::processEvents();
    EXPECT_EQ(m_pUi->nSaveQuestions, 1);
    // Cancelled at the question: the window stays and the program is not closing.
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_FALSE(CMainFrame::IsClosing());
}

// New, Cancel in the size dialog; Save As by file type; Open; failures keep things.
TEST_F(MainWindowTest, FileCommands)
{
    // New with a size: an untitled, unmodified picture of that size in the background
    // colour, without the old picture's history. Cancel in the size dialog changes nothing.
    Picture().Fill(0x123456);
    ASSERT_TRUE(Doc().ClearRect(CRect(0, 0, 10, 10), QStringLiteral("Clear")));
    EXPECT_TRUE(Doc().IsModified());
    m_pUi->sizes = {CSize(320, 200)};
    Command(ID_FILE_NEW);
    EXPECT_EQ(Picture().GetSize(), CSize(320, 200));
    EXPECT_EQ(Frame()->GetPaneText(3), QStringLiteral("320x200"));
    EXPECT_TRUE(PixelIs(Picture(), 5, 5, 0));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(Doc().HasUndo());
    EXPECT_TRUE(Doc().GetPathName().isEmpty());
    Picture().Fill(0x123456);
    Command(ID_FILE_NEW);
    EXPECT_EQ(Picture().GetSize(), CSize(320, 200));
    EXPECT_TRUE(PixelIs(Picture(), 5, 5, 0x123456));

    // Save As of an untitled picture proposes "Untitled" as PNG, which keeps the recipe;
    // "256 Color Bitmap" appends .bmp.
    EXPECT_TRUE(Frame()->windowTitle().startsWith(QStringLiteral("Untitled")));
    m_pUi->savePaths = {{Path("small"), 2}};
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(m_pUi->proposedName, QStringLiteral("Untitled"));
    EXPECT_EQ(m_pUi->nProposedFilter, int(SAVE_PNG));
    QByteArray bytes = ReadFile(Path("small.bmp"));
    ASSERT_GT(bytes.size(), 30);
    EXPECT_EQ(bytes[28], 8); // 8 bits a pixel
    EXPECT_EQ(Doc().GetPathName(), Path("small.bmp"));

    // "24-bit Bitmap" under a .jpg name writes JPEG: the name decides ...
    m_pUi->savePaths = {{Path("photo.jpg"), 1}};
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(m_pUi->nProposedFilter, 1); // the present name ends in .bmp
    EXPECT_TRUE(ReadFile(Path("photo.jpg")).startsWith("\xFF\xD8"));
    // ... and a picture opened afterwards saves in its own format.
    CDib f;
    f.Create(6, 5);
    f.Fill(0x00FF00);
    ASSERT_TRUE(f.Save(QFile::encodeName(Path("green.bmp")).constData()));
    m_pUi->openPaths = {Path("green.bmp")};
    Command(ID_FILE_OPEN);
    EXPECT_EQ(Picture().GetSize(), CSize(6, 5));
    EXPECT_EQ(Frame()->GetPaneText(3), QStringLiteral("6x5"));
    Doc().SetModifiedFlag(TRUE);
    Command(ID_FILE_SAVE);
    EXPECT_TRUE(ReadFile(Path("green.bmp")).startsWith("BM"));
    EXPECT_FALSE(Doc().IsModified());

    // A JPEG and a TGA open too.
    m_pUi->openPaths = {Path("photo.jpg")};
    Command(ID_FILE_OPEN);
    EXPECT_EQ(Picture().GetSize(), CSize(320, 200));
    EXPECT_EQ(Doc().GetPathName(), Path("photo.jpg"));
    QByteArray tga(18, '\0');
    tga[2] = 2;
    tga[12] = 2; // 2 x 1 pixels, 24 bits
    tga[14] = 1;
    tga[16] = 24;
    tga.append("\x00\x00\xFF\x00\xFF\x00", 6);
    QFile tgaFile(Path("two.tga"));
    ASSERT_TRUE(tgaFile.open(QIODevice::WriteOnly));
    tgaFile.write(tga);
    tgaFile.close();
    m_pUi->openPaths = {Path("two.tga")};
    Command(ID_FILE_OPEN);
    EXPECT_EQ(Picture().GetSize(), CSize(2, 1));
    EXPECT_TRUE(PixelIs(Picture(), 0, 0, 0xFF0000));

    // A failed open keeps the picture, its path and its modified flag.
    Doc().SetModifiedFlag(TRUE);
    QFile junk(Path("junk.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    m_pUi->errors.clear();
    m_pUi->saveAnswers = {CDocumentUi::SAVE_NO};
    m_pUi->openPaths = {Path("junk.bmp")};
    Command(ID_FILE_OPEN);
    EXPECT_EQ(m_pUi->errors.size(), 1);
    EXPECT_EQ(Picture().GetSize(), CSize(2, 1));
    EXPECT_EQ(Doc().GetPathName(), Path("two.tga"));
    EXPECT_TRUE(Doc().IsModified());

    // Save As of "photo.tga" (no writer) keeps the file; so does a save into no folder.
    const QByteArray tgaBefore = ReadFile(Path("two.tga"));
    m_pUi->errors.clear();
    m_pUi->savePaths = {{Path("two.tga"), 1}, {Path("missing/x.bmp"), 1}};
    Command(ID_FILE_SAVE_AS);
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(m_pUi->errors.size(), 2);
    EXPECT_EQ(ReadFile(Path("two.tga")), tgaBefore);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Doc().GetPathName(), Path("two.tga"));
    // A plain Save of it goes through Save As, which proposes a name a writer has.
    Command(ID_FILE_SAVE);
    EXPECT_EQ(m_pUi->proposedName, Path("two.bmp"));
    EXPECT_EQ(m_pUi->errors.size(), 2);
    EXPECT_EQ(ReadFile(Path("two.tga")), tgaBefore);
    EXPECT_TRUE(Doc().IsModified());

    // A file named on the command line that cannot be opened: the error, then a new picture.
    StopApp();
    StartApp({QStringLiteral("skyloom"), Path("junk.bmp")});
    EXPECT_EQ(m_pUi->errors.size(), 1);
    EXPECT_EQ(Picture().GetSize(), CSize(640, 480));
}

// Save As for every file type and name: an extension Skyloom writes decides the bytes, the
// type only refines ".bmp" to 256 colours or gives a bare name its extension; any other
// extension is refused with a message naming the types, before anything is written (the
// old file kept, the picture still modified). A plain Save afterwards writes alike.
TEST_F(MainWindowTest, SaveAsLetsTheNameDecideAndTheTypeRefine)
{
    // What a file must hold: J JPEG, B 24-bit BMP, 8 256-colour BMP, P PNG, - refused.
    const struct
    {
        const char* szTyped;
        const char* szSaved; // where it lands
        const char* szByType; // for JPEG Image, 24-bit Bitmap, 256 Color Bitmap, PNG Image
    } rows[] = {
        {"a.bmp", "a.bmp", "BB8B"},   {"b.BMP", "b.BMP", "BB8B"}, {"c.jpg", "c.jpg", "JJJJ"},
        {"d.Jpeg", "d.Jpeg", "JJJJ"}, {"e.png", "e.png", "PPPP"}, {"f.PNG", "f.PNG", "PPPP"},
        {"g", "g.jpg", "J---"},       {"g", "g.bmp", "-B8-"},     {"g", "g.png", "---P"},
        {"h.tga", "h.tga", "----"},   {"i.gif", "i.gif", "----"}, {"j.", "j.", "----"},
    };
    const auto kindOf = [](const QByteArray& bytes) {
        if (bytes.startsWith("\xFF\xD8\xFF"))
            return 'J';
        if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
            return 'P';
        if (bytes.startsWith("BM") && bytes.size() > 28)
            return bytes.at(28) == 8 ? '8' : bytes.at(28) == 24 ? 'B' : '?';
        return '?';
    };
    const QByteArray precious("precious");
    int nCase = 0;
    for (const auto& row : rows) {
        for (int nType = 0; nType < 4; ++nType) {
            const char expected = row.szByType[nType];
            if (QByteArray(row.szTyped) == "g" && expected == '-')
                continue; // a bare name saves under the type's own extension: another row
            const QString folder = Path("case") + QString::number(++nCase);
            ASSERT_TRUE(QDir().mkpath(folder));
            const QString saved = folder + QLatin1Char('/') + QLatin1String(row.szSaved);
            QFile old(saved);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write(precious);
            old.close();
            const QString trace =
                QStringLiteral("%1 as type %2").arg(QLatin1String(row.szTyped)).arg(nType);
            SCOPED_TRACE(trace.toStdString());
            const QString before = Doc().GetPathName();
            Doc().SetModifiedFlag(TRUE);
            m_pUi->errors.clear();
            m_pUi->savePaths = {{folder + QLatin1Char('/') + QLatin1String(row.szTyped), nType}};
            Command(ID_FILE_SAVE_AS);
            if (expected == '-') {
                ASSERT_EQ(m_pUi->errors.size(), 1);
                for (const char* type : {".bmp", ".jpg", ".jpeg", ".png"})
                    EXPECT_TRUE(m_pUi->errors[0].contains(QLatin1String(type)))
                        << m_pUi->errors[0].toStdString();
                EXPECT_EQ(ReadFile(saved), precious);
                EXPECT_TRUE(Doc().IsModified());
                EXPECT_EQ(Doc().GetPathName(), before);
                EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 1);
                continue;
            }
            EXPECT_TRUE(m_pUi->errors.isEmpty()) << m_pUi->errors.join(' ').toStdString();
            EXPECT_EQ(kindOf(ReadFile(saved)), expected);
            EXPECT_FALSE(Doc().IsModified());
            EXPECT_EQ(Doc().GetPathName(), saved);
            // A plain Save keeps the kind; the file can be opened again.
            ASSERT_TRUE(QFile::remove(saved));
            Doc().SetModifiedFlag(TRUE);
            Command(ID_FILE_SAVE);
            EXPECT_EQ(kindOf(ReadFile(saved)), expected);
            EXPECT_FALSE(Doc().IsModified());
            CDib back;
            EXPECT_TRUE(back.Load(QFile::encodeName(saved).constData()));
        }
    }

    // A file made read-only is not saved over, by Save As or Save, by root either.
    const QString locked = Path("locked.bmp");
    m_pUi->savePaths = {{locked, 1}};
    Command(ID_FILE_SAVE_AS);
    const QByteArray lockedBytes = ReadFile(locked);
    ASSERT_TRUE(lockedBytes.startsWith("BM"));
    ASSERT_TRUE(
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    Picture().Fill(0x808080);
    for (const int nCommand : {ID_FILE_SAVE, ID_FILE_SAVE_AS}) {
        m_pUi->errors.clear();
        Doc().SetModifiedFlag(TRUE);
        m_pUi->savePaths = {{locked, 2}};
        Command(nCommand);
        ASSERT_EQ(m_pUi->errors.size(), 1) << nCommand;
        EXPECT_TRUE(m_pUi->errors[0].contains(QLatin1String("read-only")))
            << m_pUi->errors[0].toStdString();
        EXPECT_EQ(ReadFile(locked), lockedBytes);
        EXPECT_TRUE(Doc().IsModified());
    }
}

// Pictures open by their content: a JPEG named .bmp, a PNG named .jpg (with its recipe)
// and a BMP named .png, as files saved under a wrong name by an older version would be.
TEST_F(MainWindowTest, OpensPicturesSavedUnderAWrongName)
{
    CDib picture;
    ASSERT_TRUE(picture.Create(9, 7));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            picture.SetPixel(x, y, x < 3 ? 0xFF0000 : (y < 3 ? 0x00FF00 : 0x0000FF));
    CRecipe recipe = CRecipe::ForNewPicture(CSize(9, 7), 0);
    CRecipeStep step;
    step.strEdit = QStringLiteral("Paste");
    recipe.m_steps.append(step);
    ASSERT_TRUE(picture.SaveJPEG(QFile::encodeName(Path("jpeg.bmp")).constData()));
    ASSERT_TRUE(picture.SavePNG(QFile::encodeName(Path("png.jpg")).constData(), recipe.ToText()));
    ASSERT_TRUE(picture.SaveBMP(QFile::encodeName(Path("bmp.png")).constData()));
    CDib jpegPixels;
    ASSERT_TRUE(jpegPixels.LoadJPEG(QFile::encodeName(Path("jpeg.bmp")).constData()));
    const struct
    {
        const char* szName;
        const CDib& expected;
        int nSteps;
    } cases[] = {{"jpeg.bmp", jpegPixels, 0}, {"png.jpg", picture, 1}, {"bmp.png", picture, 0}};
    for (const auto& c : cases) {
        m_pUi->openPaths = {Path(c.szName)};
        Command(ID_FILE_OPEN);
        EXPECT_TRUE(m_pUi->errors.isEmpty())
            << c.szName << ": " << m_pUi->errors.join(' ').toStdString();
        EXPECT_EQ(Doc().GetPathName(), Path(c.szName));
        EXPECT_TRUE(SamePicture(c.expected, Picture())) << c.szName;
        EXPECT_EQ(Doc().GetRecipe().m_steps.size(), c.nSteps) << c.szName;
    }
}

// The window and skyloom-render give the same pixels for the same rectangle, seed and
// values: a per-pixel effect, the star field, a planet and a galaxy.
struct CCliCase
{
    int nTool;
    const char* szEffect;
    QPoint from, to;
};

void PrintTo(const CCliCase& c, std::ostream* os)
{
    *os << c.szEffect;
}

class WindowMatchesRenderer : public MainWindowTest,
                              public ::testing::WithParamInterface<CCliCase>
{
};

TEST_P(WindowMatchesRenderer, SamePixels)
{
    const CCliCase c = GetParam();
    Command(GetToolInfo(c.nTool)->nCommandId);
    const DWORD seed = 777;
    QStringList args = {QStringLiteral("--size"), QStringLiteral("640x480"),
                        QStringLiteral("--effect"), QString::fromLatin1(c.szEffect),
                        QStringLiteral("--seed"), QString::number(seed)};
    if (c.nTool == 1) {
        // The Star Field's click goes on from the generator's present state.
        SetRandomSeed(seed);
        Press(c.from);
        Release(c.from);
    } else {
        g_nEffectSeed = seed;
        Drag(c.from, c.to);
        args << QStringLiteral("--rect")
             << QStringLiteral("%1,%2,%3,%4")
                    .arg(std::min(c.from.x(), c.to.x()))
                    .arg(std::min(c.from.y(), c.to.y()))
                    .arg(std::max(c.from.x(), c.to.x()))
                    .arg(std::max(c.from.y(), c.to.y()));
    }
    args << QStringLiteral("-o") << Path("cli.bmp");
    QString err;
    ASSERT_EQ(RunRenderProgram(args, err), 0) << err.toStdString();
    CDib cli;
    ASSERT_TRUE(cli.Load(QFile::encodeName(Path("cli.bmp")).constData()));
    EXPECT_TRUE(SamePicture(cli, Picture()));
    CDib black;
    black.Create(640, 480);
    EXPECT_FALSE(SameBytes(black, Picture())) << "nothing was painted";
}

INSTANTIATE_TEST_SUITE_P(
    Families, WindowMatchesRenderer,
    ::testing::Values(CCliCase{3, "Nebula", QPoint(300, 200), QPoint(100, 50)},
                      CCliCase{1, "StarField", QPoint(10, 10), QPoint(10, 10)},
                      CCliCase{11, "Earth", QPoint(150, 60), QPoint(450, 400)},
                      CCliCase{7, "Galaxy", QPoint(500, 30), QPoint(120, 420)}),
    [](const ::testing::TestParamInfo<CCliCase>& info) {
        return std::string(info.param.szEffect);
    });

}

// A scene painted in the window with six effects (values changed from their defaults, a
// render undone and one cancelled on the way), saved as PNG, is painted again by
// skyloom-render --replay to the same pixels; opened again, the PNG keeps its recipe.
TEST_F(MainWindowTest, SceneSavedAsPngIsPaintedAgainFromItsRecipe)
{
    const COLORREF oldBackground = g_crBkgndColor;
    g_crBkgndColor = RGB(0, 0, 24);
    m_pUi->sizes = {CSize(360, 240)};
    Command(ID_FILE_NEW);
    g_crBkgndColor = oldBackground;

    Command(ID_TOOL_STARFIELD);
    SetRandomSeed(4711);
    Press(QPoint(5, 5));
    Release(QPoint(5, 5));
    // A value no six-decimal text could hold: the recipe must keep every digit.
    CEffect* pNebula = View()->GetToolObject(3);
    *static_cast<double*>(
        FindEffectValue(pNebula->GetValues(), QStringLiteral("Itensity"))->pField) =
        0.123456789012345;
    const struct
    {
        int nTool;
        QPoint from, to;
    } drags[] = {
        {3, QPoint(20, 20), QPoint(200, 150)},  // Nebula
        {4, QPoint(250, 30), QPoint(330, 110)}, // Star
        {2, QPoint(40, 150), QPoint(140, 230)}, // Cluster, undone below
        {6, QPoint(150, 100), QPoint(300, 220)}, // Vortex, turned
        {8, QPoint(260, 140), QPoint(350, 230)}, // Lens Flare
        {7, QPoint(30, 130), QPoint(180, 235)}, // Galaxy with the built-in gas texture
    };
    View()->GetToolObject(6)->m_dRotation = 30;
    QString why;
    ASSERT_TRUE(View()->GetToolObject(7)->SetOption(QStringLiteral("GasTexture"),
                                                    QStringLiteral("Loose spiral.jpg"), why));
    DWORD seed = 100;
    for (const auto& d : drags) {
        Command(GetToolInfo(d.nTool)->nCommandId);
        g_nEffectSeed = ++seed;
        Drag(d.from, d.to);
        if (d.nTool == 2) {
            Command(ID_EDIT_UNDO);
            // A cancelled render is no step either.
            Command(ID_TOOL_GAS);
            QTimer::singleShot(0, View(), [&] { QTest::keyClick(View(), Qt::Key_Escape); });
            Drag(QPoint(0, 0), QPoint(360, 240));
        }
    }
    const CRecipe recipe = Doc().GetRecipe();
    ASSERT_EQ(recipe.m_steps.size(), 6);
    EXPECT_EQ(recipe.m_start, CRecipe::NewPicture);
    EXPECT_EQ(recipe.m_nBackground, 0x000018u);
    EXPECT_EQ(recipe.m_steps[1].strEffect, QStringLiteral("Nebula"));
    EXPECT_EQ(recipe.m_steps[4].strEffect, QStringLiteral("Lens Flare"));

    QString err;
    const std::unique_ptr<CDib> pAgain = SaveAndReplay("scene", {}, &err);
    ASSERT_TRUE(pAgain);
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_TRUE(SamePicture(Picture(), *pAgain));

    // Opened again, the picture goes on with the recipe it carries.
    CDib painted;
    painted.Create(360, 240);
    painted.Paste(Picture(), CRect(0, 0, 360, 240), TRUE, 0, 0);
    m_pUi->sizes = {CSize(10, 10)};
    Command(ID_FILE_NEW);
    EXPECT_TRUE(Doc().GetRecipe().m_steps.isEmpty());
    m_pUi->openPaths = {Path("scene.png")};
    Command(ID_FILE_OPEN);
    EXPECT_TRUE(SamePicture(painted, Picture()));
    EXPECT_EQ(Doc().GetRecipe().ToText(), recipe.ToText());

    // A recipe of days of work opens as the picture it came with, the recipe kept and
    // nothing painted from it.
    CRecipe days = CRecipe::ForNewPicture(CSize(16384, 16384), 0);
    CRecipeStep step;
    step.strEffect = QStringLiteral("Nebula");
    step.rect = CRect(0, 0, 16384, 16384);
    for (step.nSeed = 0; step.nSeed < 2000; ++step.nSeed)
        days.m_steps.append(step);
    CDib small;
    small.Create(8, 8);
    small.Fill(0x102030);
    ASSERT_TRUE(small.SavePNG(QFile::encodeName(Path("days.png")).constData(), days.ToText()));
    m_pUi->openPaths = {Path("days.png")};
    Command(ID_FILE_OPEN);
    EXPECT_TRUE(SamePicture(small, Picture()));
    EXPECT_EQ(Doc().GetRecipe().m_steps.size(), 2000);
}

namespace {

// A picture of the given size filled with one packed colour.
std::unique_ptr<CDib> Filled(int width, int height, DWORD color)
{
    auto pDib = std::make_unique<CDib>();
    pDib->Create(width, height);
    pDib->Fill(color);
    return pDib;
}

}

// Copy, Cut and Undo through the clipboard; paste placement, sizes and transparency.
TEST_F(MainWindowTest, ClipboardCommandsAndPastePlacement)
{
    // Copy with no selection: a 24-bit BMP of the whole picture.
    Picture().SetPixel(3, 479, 0x112233);
    Command(ID_EDIT_COPY);
    const QMimeData* pData = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(pData && pData->hasFormat(QStringLiteral("image/bmp")));
    const QByteArray bmp = pData->data(QStringLiteral("image/bmp"));
    ASSERT_GT(bmp.size(), 54);
    EXPECT_EQ(bmp[28], 24);
    const auto pCopy = DibFromBmpFile(bmp);
    ASSERT_TRUE(pCopy);
    EXPECT_TRUE(SameBytes(Picture(), *pCopy));
    EXPECT_TRUE(Frame()->GetAction(ID_EDIT_PASTE)->isEnabled());

    // Cut with a selection clears it to the background colour; Undo restores it.
    g_crBkgndColor = RGB(0, 0, 200);
    View()->SetSelection(CRect(10, 10, 30, 20));
    CDib before;
    before.Create(640, 480);
    before.Paste(Picture(), CRect(0, 0, 640, 480), TRUE, 0, 0);
    Command(ID_EDIT_CUT);
    EXPECT_TRUE(PixelIs(Picture(), 10, 479 - 10, 0x0000C8));
    EXPECT_TRUE(PixelIs(Picture(), 29, 479 - 19, 0x0000C8));
    EXPECT_TRUE(PixelIs(Picture(), 30, 479 - 19, 0));
    EXPECT_EQ(DibFromBmpFile(QApplication::clipboard()->mimeData()->data(
                                 QStringLiteral("image/bmp")))
                  ->GetSize(),
              CSize(20, 10));
    Command(ID_EDIT_UNDO);
    EXPECT_TRUE(SameBytes(before, Picture()));

    // A 64 x 64 picture: a larger image is refused with the message, one its size pastes.
    m_pUi->sizes = {CSize(64, 64)};
    Command(ID_FILE_NEW);
    Picture().Fill(0x203040);
    m_pUi->errors.clear();
    EXPECT_FALSE(View()->BeginPastePlacement(Filled(100, 100, 0xFFFFFF)));
    EXPECT_EQ(m_pUi->errors, QStringList{QStringLiteral(
                                 "The source image is larger than the current image.")});
    EXPECT_FALSE(View()->IsPasting());

    // Shift-click with key black and tolerance 10: the dark pixels stay out.
    g_crTransColor = RGB(0, 0, 0);
    g_dwTolerance = 10 | (10 << 8) | (10 << 16);
    auto pImage = Filled(64, 64, 0x0A0A0A);
    pImage->SetPixel(1, 63, 0x0B0000); // (11, 0, 0) at the top-left
    pImage->SetPixel(2, 63, 0x050505);
    ASSERT_TRUE(View()->BeginPastePlacement(std::move(pImage)));
    EXPECT_EQ(Frame()->GetPaneText(0),
              QStringLiteral("Hold down SHIFT when clicking left mouse button for a transparent "
                             "paste."));
    EXPECT_FALSE(Frame()->GetAction(ID_EDIT_PASTEFILE)->isEnabled());
    Mouse(QEvent::MouseButtonPress, QPoint(32, 32), Qt::LeftButton, Qt::ShiftModifier);
    Release(QPoint(32, 32));
    EXPECT_FALSE(View()->IsPasting());
    EXPECT_TRUE(PixelIs(Picture(), 1, 63, 0x0B0000));
    EXPECT_TRUE(PixelIs(Picture(), 2, 63, 0x203040));
    EXPECT_TRUE(PixelIs(Picture(), 40, 20, 0x203040));
    EXPECT_EQ(Frame()->GetPaneText(0), QStringLiteral("Ready"));

    // A frame half outside pastes the inside half; Undo restores exactly that half.
    Picture().Fill(0x203040);
    ASSERT_TRUE(View()->BeginPastePlacement(Filled(64, 64, 0xFFFFFF)));
    Move(QPoint(64, 32), false);
    Press(QPoint(64, 32));
    Release(QPoint(64, 32));
    EXPECT_TRUE(PixelIs(Picture(), 31, 10, 0x203040));
    EXPECT_TRUE(PixelIs(Picture(), 32, 10, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(Picture(), 63, 63, 0xFFFFFF));
    Command(ID_EDIT_UNDO);
    EXPECT_TRUE(SameBytes(*Filled(64, 64, 0x203040), Picture()));

    // Escape ends a placement without a change; a frame wholly outside changes nothing.
    ASSERT_TRUE(View()->BeginPastePlacement(Filled(8, 8, 0xFFFFFF)));
    QTest::keyClick(View(), Qt::Key_Escape);
    EXPECT_FALSE(View()->IsPasting());
    ASSERT_TRUE(View()->BeginPastePlacement(Filled(8, 8, 0xFFFFFF)));
    Move(QPoint(300, 300), false);
    Press(QPoint(300, 300));
    EXPECT_TRUE(SameBytes(*Filled(64, 64, 0x203040), Picture()));
}

// Paste File starts in the Library folder, then where the last file came from; the folder
// is kept at exit; a file that cannot be read starts no placement.
TEST_F(MainWindowTest, PasteFileRemembersItsFolder)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("pics")));
    const QString picture = Path("pics/dot.bmp");
    ASSERT_TRUE(Filled(4, 3, 0xFF0000)->Save(QFile::encodeName(picture).constData()));
    m_pUi->pastePaths = {picture};
    Command(ID_EDIT_PASTEFILE);
    ASSERT_EQ(m_pUi->pasteFolders.size(), 1);
    EXPECT_TRUE(m_pUi->pasteFolders[0].endsWith(QStringLiteral("/Library")));
    ASSERT_TRUE(View()->IsPasting());
    EXPECT_EQ(View()->GetPasteRect().Size(), CSize(4, 3));
    QTest::keyClick(View(), Qt::Key_Escape);

    m_pUi->pastePaths = {Path("pics/missing.bmp")};
    m_pUi->errors.clear();
    Command(ID_EDIT_PASTEFILE);
    EXPECT_EQ(m_pUi->pasteFolders.value(1), Path("pics"));
    EXPECT_EQ(m_pUi->errors.size(), 1);
    EXPECT_FALSE(View()->IsPasting());
    StopApp();
    EXPECT_TRUE(ReadFile(Path("settings.ini")).contains(QFile::encodeName(Path("pics"))));
}
