// The picture as a scene through the real window: any step edited, hidden, shown, removed
// or moved repaints to what skyloom-render paints from the changed recipe; Undo and Redo
// take each change back and forth at once; Escape during a repaint changes nothing; a Clear
// and a paste stay through a change of an earlier step.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "app/StepsPanel.h"
#include "document/ClipboardDib.h"
#include "document/QuotedName.h"
#include "document/Recipe.h"
#include "document/RenderJob.h"
#include "document/SceneRepaint.h"
#include "document/Settings.h"
#include "effects/Random.h"
#include "gl/GalaxyDlg.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QTest>
#include <QTimer>

namespace {

class SceneTest : public WindowTest
{
protected:
    CStepsPanel* Steps() { return Frame()->GetStepsPanel(); }

    void PaintStep(int nCommand, DWORD nSeed, QPoint from, QPoint to)
    {
        Command(nCommand);
        g_nEffectSeed = nSeed;
        Drag(from, to);
    }

    // The six steps: stars over the whole picture, a nebula, a star, a vortex, gas and a
    // lens flare, some reaching past the edges.
    void PaintSixSteps()
    {
        m_pUi->sizes = {CSize(320, 240)};
        Command(ID_FILE_NEW);
        Command(ID_TOOL_STARFIELD);
        Press(QPoint(5, 5));
        Release(QPoint(5, 5));
        PaintStep(ID_TOOL_NEBULA, 11, QPoint(20, 10), QPoint(200, 150));
        PaintStep(ID_TOOL_STAR, 12, QPoint(150, 100), QPoint(230, 180));
        PaintStep(ID_TOOL_VORTEX, 13, QPoint(-20, 120), QPoint(120, 260));
        PaintStep(ID_TOOL_GAS, 14, QPoint(100, 30), QPoint(340, 200));
        PaintStep(ID_TOOL_LENSFLARE, 15, QPoint(240, 20), QPoint(300, 80));
        ASSERT_EQ(Doc().GetStepCount(), 6);
    }

    // What skyloom-render paints from the document's recipe, exported as a file.
    std::unique_ptr<CDib> Replay()
    {
        const QString recipe = Path("recipe.json");
        m_pUi->recipePaths = {recipe};
        Command(ID_FILE_EXPORT_RECIPE);
        QString err;
        EXPECT_EQ(RunRenderProgram(
                      {QStringLiteral("--replay"), recipe, QStringLiteral("-o"), Path("again.bmp")},
                      err),
                  0)
            << err.toStdString();
        auto pAgain = std::make_unique<CDib>();
        EXPECT_TRUE(pAgain->Load(QFile::encodeName(Path("again.bmp")).constData()));
        return pAgain;
    }
    void ExpectReplayed(const char* szWhat)
    {
        const auto pAgain = Replay();
        EXPECT_TRUE(SamePicture(Picture(), *pAgain)) << szWhat;
    }
};

TEST_F(SceneTest, EditHideShowRemoveAndMoveRepaintAsTheRecipeReplays)
{
    PaintSixSteps();
    const QByteArray painted = Hash();
    const QString paintedRecipe = Doc().GetRecipe().ToText();

    // Step 2 edited: another colour and another rectangle.
    CRecipeStep nebula = Doc().GetStep(1).recipe;
    for (auto& value : nebula.values) {
        if (value.first == QLatin1String("ColorHigh"))
            value.second = QStringLiteral("FF4020");
    }
    nebula.rect = CRect(60, 40, 300, 230);
    ASSERT_EQ(Steps()->EditStep(1, nebula), RENDER_DONE);
    const QByteArray edited = Hash();
    EXPECT_NE(edited, painted);
    EXPECT_EQ(History().count(), 7);
    EXPECT_EQ(History().text(6), QStringLiteral("Edit Nebula"));
    EXPECT_EQ(Doc().GetStep(1).recipe.rect, nebula.rect);
    ExpectReplayed("edit");
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), painted);
    EXPECT_EQ(Doc().GetRecipe().ToText(), paintedRecipe);
    Command(ID_EDIT_REDO);
    EXPECT_EQ(Hash(), edited);

    // Hidden, the step is kept in the recipe but not painted; shown, it is back.
    ASSERT_EQ(Steps()->SetStepsHidden({3}, true), RENDER_DONE);
    EXPECT_TRUE(Doc().GetRecipe().m_steps[3].bHidden);
    EXPECT_EQ(Doc().GetStepCount(), 6);
    ExpectReplayed("hide");
    ASSERT_EQ(Steps()->SetStepsHidden({3}, false), RENDER_DONE);
    EXPECT_EQ(Hash(), edited);

    ASSERT_EQ(Steps()->RemoveSteps({2}), RENDER_DONE);
    EXPECT_EQ(Doc().GetStepCount(), 5);
    const QByteArray removed = Hash();
    ExpectReplayed("remove");
    ASSERT_EQ(Steps()->MoveStep(0, 1), RENDER_DONE);
    EXPECT_EQ(Doc().GetStep(0).strName, QStringLiteral("Nebula"));
    EXPECT_EQ(History().undoText(), QStringLiteral("Move Star Field Down"));
    ExpectReplayed("move");
    const QByteArray moved = Hash();

    // The list: the new picture first, then each step with its rectangle. A double-click
    // opens the step's dialog holding its values, its rectangle outlined on the canvas;
    // a narrower rectangle, "New Seed" and OK paint it again so and nothing else changed.
    Command(ID_VIEW_HISTORY);
    QTreeWidget* pList = Steps()->List();
    ASSERT_EQ(pList->topLevelItemCount(), 6);
    EXPECT_EQ(pList->topLevelItem(0)->text(0), QStringLiteral("New Picture"));
    EXPECT_EQ(pList->topLevelItem(1)->text(0), QStringLiteral("Nebula"));
    EXPECT_EQ(pList->topLevelItem(1)->text(1), QStringLiteral("60, 40 to 300, 230"));
    const CRecipeStep before = Doc().GetStep(0).recipe;
    QTimer poll;
    poll.callOnTimeout([&] {
        QDialog* pDialog = nullptr;
        for (QDialog* pFound : Frame()->findChildren<QDialog*>()) {
            if (pFound->isVisible() && pFound->windowTitle().startsWith(QLatin1String("Edit")))
                pDialog = pFound;
        }
        if (!pDialog)
            return;
        poll.stop();
        EXPECT_EQ(View()->GetStepRect(), before.rect);
        // The right edge dragged in, then the whole rectangle moved, on the canvas; a
        // field typed in.
        Drag(QPoint(300, 130), QPoint(250, 130));
        EXPECT_EQ(pDialog->findChild<QSpinBox*>(QStringLiteral("stepRight"))->value(), 250);
        Drag(QPoint(150, 130), QPoint(160, 140));
        pDialog->findChild<QSpinBox*>(QStringLiteral("stepBottom"))->setValue(235);
        EXPECT_EQ(View()->GetStepRect(), CRect(70, 50, 260, 235));
        pDialog->findChild<QPushButton*>(QStringLiteral("newSeed"))->click();
        QMetaObject::invokeMethod(pDialog, "accept", Qt::QueuedConnection);
    });
    poll.start(10);
    QApplication::processEvents();
    ASSERT_TRUE(pList->isVisible());
    const QRect row = pList->visualItemRect(pList->topLevelItem(1));
    ASSERT_FALSE(row.isEmpty());
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, row.center());
    const CRecipeStep& after = Doc().GetStep(0).recipe;
    EXPECT_NE(after.nSeed, before.nSeed);
    EXPECT_EQ(after.values, before.values);
    EXPECT_EQ(after.rect, CRect(70, 50, 260, 235));
    EXPECT_TRUE(View()->GetStepRect().IsRectEmpty());
    EXPECT_EQ(History().undoText(), QStringLiteral("Edit Nebula"));
    EXPECT_TRUE(Steps()->findChild<QPushButton*>(QStringLiteral("editStep"))->isEnabled());
    ExpectReplayed("new seed");
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), moved);

    // Escape during a repaint: the picture, the steps and the history as they were.
    const int nEntries = History().count();
    const QString recipe = Doc().GetRecipe().ToText();
    QTimer::singleShot(0, View(), [&] { QTest::keyClick(View(), Qt::Key_Escape); });
    EXPECT_EQ(Steps()->EditStep(0, Doc().GetStep(0).recipe), RENDER_CANCELLED);
    EXPECT_FALSE(IsRendering());
    EXPECT_EQ(Hash(), moved);
    EXPECT_EQ(History().count(), nEntries);
    EXPECT_EQ(Doc().GetRecipe().ToText(), recipe);

    // Each change is one entry: four undos go back to the edited scene, byte for byte.
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), removed);
    for (int n = 0; n < 3; ++n)
        Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), edited);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), painted);
    for (int n = 0; n < 5; ++n)
        Command(ID_EDIT_REDO);
    EXPECT_EQ(Hash(), moved);

    // The command line on the clipboard, run by a shell, paints the same picture.
    Command(ID_EDIT_COPY_COMMAND);
    QString line = QApplication::clipboard()->text();
    ASSERT_TRUE(line.startsWith(QStringLiteral("skyloom-render --size 320x240 ")));
    line.replace(0, 14, QStringLiteral(SKYLOOM_RENDER_PROGRAM));
    QProcess shell;
    shell.setWorkingDirectory(m_dir.path());
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
    ASSERT_TRUE(shell.waitForFinished(120000));
    ASSERT_EQ(shell.exitCode(), 0) << line.toStdString();
    CDib fromShell;
    ASSERT_TRUE(fromShell.Load(QFile::encodeName(Path("untitled.png")).constData()));
    EXPECT_TRUE(SamePicture(Picture(), fromShell)) << line.toStdString();
}

// The layers written into folder: layers.json's entries by their file, the files' bytes.
QJsonArray ReadLayers(const QString& folder)
{
    QFile json(folder + QStringLiteral("/layers.json"));
    EXPECT_TRUE(json.open(QIODevice::ReadOnly)) << folder.toStdString();
    return QJsonDocument::fromJson(json.readAll())
        .object()
        .value(QLatin1String("layers"))
        .toArray();
}

// Two of six steps picked with Ctrl in the History: Export Layers writes those two alone,
// each as the export of every step writes it, hidden ones too; Hide and Remove take both
// at once, each one entry, and the picture is what the changed recipe replays to.
TEST_F(SceneTest, StepsSelectedInTheHistoryAreExportedHiddenAndRemovedTogether)
{
    PaintSixSteps();
    const QByteArray painted = Hash();
    Command(ID_VIEW_HISTORY);
    QApplication::processEvents();
    m_pUi->layersFolder = Path("all");
    Command(ID_FILE_EXPORT_LAYERS);
    const QJsonArray all = ReadLayers(Path("all"));
    ASSERT_EQ(all.size(), 6);

    QTreeWidget* pList = Steps()->List();
    const auto click = [pList](int nRow, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, modifiers,
                          pList->visualItemRect(pList->topLevelItem(nRow)).center());
    };
    click(2, Qt::NoModifier);
    click(5, Qt::ControlModifier);
    ASSERT_EQ(Steps()->SelectedSteps(), (QList<int>{1, 4}));
    const auto button = [this](const char* szName) {
        return Steps()->findChild<QPushButton*>(QLatin1String(szName));
    };
    EXPECT_FALSE(button("editStep")->isEnabled());
    EXPECT_FALSE(button("stepUp")->isEnabled());
    EXPECT_TRUE(button("hideStep")->isEnabled());

    const auto expectChosenLayers = [&](const char* szFolder, bool bHidden) {
        m_pUi->layersFolder = Path(szFolder);
        Command(ID_FILE_EXPORT_LAYERS);
        EXPECT_EQ(Frame()->GetPaneText(0),
                  QStringLiteral("The layers of the 2 steps selected are in %1.")
                      .arg(QuotedName(Path(szFolder))));
        EXPECT_EQ(QDir(Path(szFolder)).entryList(QDir::Files).size(), 3);
        const QJsonArray chosen = ReadLayers(Path(szFolder));
        ASSERT_EQ(chosen.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QJsonObject layer = chosen[i].toObject();
            QJsonObject whole = all[i == 0 ? 1 : 4].toObject();
            EXPECT_EQ(ReadFile(Path(szFolder) + QLatin1Char('/') +
                               layer.value(QLatin1String("file")).toString()),
                      ReadFile(Path("all/") + whole.value(QLatin1String("file")).toString()));
            EXPECT_EQ(layer.take(QLatin1String("hidden")).toBool(), bHidden);
            layer.remove(QLatin1String("file"));
            whole.remove(QLatin1String("file"));
            EXPECT_EQ(layer, whole);
        }
    };
    expectChosenLayers("chosen", false);

    QTest::mouseClick(button("hideStep"), Qt::LeftButton);
    EXPECT_EQ(History().undoText(), QStringLiteral("Hide 2 Steps"));
    EXPECT_TRUE(Doc().GetStep(1).recipe.bHidden && Doc().GetStep(4).recipe.bHidden);
    EXPECT_EQ(button("hideStep")->text(), QStringLiteral("&Show"));
    ExpectReplayed("two hidden");
    expectChosenLayers("hidden", true);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), painted);

    ASSERT_EQ(Steps()->SelectedSteps(), (QList<int>{1, 4}));
    QTest::mouseClick(button("removeStep"), Qt::LeftButton);
    EXPECT_EQ(History().undoText(), QStringLiteral("Remove 2 Steps"));
    EXPECT_EQ(Doc().GetStepCount(), 4);
    ExpectReplayed("two removed");
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), painted);
}

// A scene with an Earth and a galaxy, painted with OpenGL: the galaxy edited in its own
// dialog (another spin typed in, its rectangle moved) and the Earth hidden each give what
// skyloom-render paints from the changed recipe, byte for byte; Undo gives the scene back.
TEST_F(SceneTest, PlanetAndGalaxyStepsEditedAndHiddenRepaintAsTheRecipeReplays)
{
    m_pUi->sizes = {CSize(320, 240)};
    Command(ID_FILE_NEW);
    PaintStep(ID_TOOL_NEBULA, 41, QPoint(0, 0), QPoint(320, 240));
    PaintStep(ID_TOOL_EARTH, 42, QPoint(-40, 120), QPoint(140, 300));
    PaintStep(ID_TOOL_GALAXY, 43, QPoint(120, 20), QPoint(300, 160));
    PaintStep(ID_TOOL_STAR, 44, QPoint(150, 100), QPoint(230, 180));
    ASSERT_EQ(Doc().GetStepCount(), 4);
    const QByteArray painted = Hash();

    // A spin past a full turn first: OK says so and the dialog stays, holding it.
    CMessageCatcher messages;
    int nShown = 0;
    QTimer poll;
    poll.callOnTimeout([&] {
        CGalaxyDlg* pDialog = nullptr;
        for (auto* pFound : Frame()->findChildren<CGalaxyDlg*>()) {
            if (pFound->isVisible() &&
                pFound->windowTitle() == QLatin1String("Edit Step 3: Galaxy"))
                pDialog = pFound;
        }
        if (!pDialog || QApplication::activeModalWidget())
            return;
        auto* pSpin = pDialog->findChild<QLineEdit*>(QStringLiteral("editSpin"));
        ASSERT_TRUE(pSpin);
        if (++nShown == 2) {
            poll.stop();
            EXPECT_EQ(messages.texts.size(), 1);
            EXPECT_EQ(pSpin->text(), QStringLiteral("999"));
            pDialog->findChild<QSpinBox*>(QStringLiteral("stepLeft"))->setValue(100);
            pDialog->findChild<QSpinBox*>(QStringLiteral("stepTop"))->setValue(40);
        }
        pSpin->selectAll();
        QTest::keyClicks(pSpin, QLatin1String(nShown == 1 ? "999" : "33"));
        pDialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    poll.start(10);
    ASSERT_EQ(Steps()->OpenStepEditor(2), RENDER_DONE);
    const CRecipeStep& galaxy = Doc().GetStep(2).recipe;
    EXPECT_EQ(galaxy.strEffect, QStringLiteral("Galaxy"));
    EXPECT_TRUE(galaxy.values.contains({QStringLiteral("Spin"), QStringLiteral("33")}));
    EXPECT_EQ(galaxy.rect, CRect(100, 40, 300, 160));
    EXPECT_EQ(galaxy.nSeed, 43u);
    EXPECT_EQ(History().undoText(), QStringLiteral("Edit Galaxy"));
    const QByteArray edited = Hash();
    EXPECT_NE(edited, painted);
    ExpectReplayed("galaxy edited");

    ASSERT_EQ(Steps()->SetStepsHidden({1}, true), RENDER_DONE);
    EXPECT_NE(Hash(), edited);
    ExpectReplayed("earth hidden");
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), edited);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), painted);
}

// Image > Paint Again at Size: the scene twice as large is what skyloom-render paints from
// the recipe with --scale 2, and its steps can be changed in turn.
TEST_F(SceneTest, PaintAgainAtSizeScalesEveryStepAndKeepsThemChangeable)
{
    PaintSixSteps();
    m_pUi->recipePaths = {Path("small.json")};
    Command(ID_FILE_EXPORT_RECIPE);
    const CRect nebula = Doc().GetStep(1).recipe.rect;
    m_pUi->scale = 2;
    Command(ID_IMAGE_PAINT_AGAIN);
    ASSERT_EQ(Picture().GetSize(), CSize(640, 480));
    EXPECT_EQ(Doc().GetStep(1).recipe.rect,
              CRect(2 * nebula.left, 2 * nebula.top, 2 * nebula.right, 2 * nebula.bottom));
    EXPECT_EQ(History().count(), 0);
    EXPECT_TRUE(Doc().IsModified());
    QString err;
    ASSERT_EQ(RunRenderProgram({QStringLiteral("--replay"), Path("small.json"),
                                QStringLiteral("--scale"), QStringLiteral("2"),
                                QStringLiteral("-o"), Path("large.bmp")},
                               err),
              0)
        << err.toStdString();
    CDib large;
    ASSERT_TRUE(large.Load(QFile::encodeName(Path("large.bmp")).constData()));
    EXPECT_TRUE(SamePicture(Picture(), large));

    EXPECT_EQ(Steps()->RemoveSteps({1}), RENDER_DONE);
    ExpectReplayed("a step removed from the larger scene");
}

// A Clear and an opaque paste after two steps: editing the first step repaints it and the
// second, clears the same rectangle in the same colour and places the same pixels again.
TEST_F(SceneTest, ClearAndPasteStayThroughAnEditOfAnEarlierStep)
{
    m_pUi->sizes = {CSize(320, 240)};
    Command(ID_FILE_NEW);
    PaintStep(ID_TOOL_NEBULA, 21, QPoint(0, 0), QPoint(320, 240));
    PaintStep(ID_TOOL_STAR, 22, QPoint(100, 60), QPoint(220, 180));
    View()->SetSelection(CRect(120, 80, 200, 160));
    Command(ID_EDIT_COPY);
    g_crBkgndColor = RGB(0, 0, 90);
    View()->SetSelection(CRect(10, 10, 90, 70));
    Command(ID_EDIT_CLEAR);
    g_crBkgndColor = 0;
    ASSERT_TRUE(View()->BeginPastePlacement(DibFromBmpFile(
        QApplication::clipboard()->mimeData()->data(QStringLiteral("image/bmp")))));
    Move(QPoint(60, 170), false);
    Press(QPoint(60, 170));
    Release(QPoint(60, 170));
    ASSERT_EQ(Doc().GetStepCount(), 4);
    const CRect cleared = Doc().GetStep(2).recipe.rect;
    const CRect pasted = Doc().GetStep(3).recipe.rect;
    std::unique_ptr<CDib> pSource(Doc().GetImage().Extract([&] {
        CRect rows = pasted;
        Picture().FlipRect(rows);
        return rows;
    }()));

    CRecipeStep nebula = Doc().GetStep(0).recipe;
    nebula.nSeed = 99;
    ASSERT_EQ(Steps()->EditStep(0, nebula), RENDER_DONE);
    EXPECT_EQ(Doc().GetStep(2).recipe.strEdit, QStringLiteral("Clear"));
    EXPECT_EQ(Doc().GetStep(3).recipe.strEdit, QStringLiteral("Paste"));

    // skyloom-render paints the two effects; the Clear and the paste go over them here.
    const auto pExpected = Replay();
    CRect rows = cleared;
    pExpected->FlipRect(rows);
    pExpected->FillRect(0x00005A, rows);
    rows = pasted;
    pExpected->FlipRect(rows);
    pExpected->CopyRect(rows.left, rows.top, rows.Width(), rows.Height(), *pSource, 0, 0);
    EXPECT_TRUE(SamePicture(Picture(), *pExpected));

    // As layers: the two effects, the Clear as its colour and the paste as its pixels,
    // each opaque, at their rectangles.
    m_pUi->layersFolder = Path("layers");
    Command(ID_FILE_EXPORT_LAYERS);
    QFile json(Path("layers/layers.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonArray layers =
        QJsonDocument::fromJson(json.readAll()).object().value(QLatin1String("layers")).toArray();
    ASSERT_EQ(layers.size(), 4);
    const QJsonObject clear = layers[2].toObject();
    EXPECT_EQ(clear.value(QLatin1String("rect")).toArray(),
              (QJsonArray{cleared.left, cleared.top, cleared.right, cleared.bottom}));
    const QImage clearLayer(Path("layers/") + clear.value(QLatin1String("file")).toString());
    EXPECT_EQ(clearLayer.pixel(5, 5), qRgba(0, 0, 90, 255));
    const QJsonObject paste = layers[3].toObject();
    const QImage pasteLayer(Path("layers/") + paste.value(QLatin1String("file")).toString());
    ASSERT_EQ(pasteLayer.size(), QSize(pasted.Width(), pasted.Height()));
    const BYTE* pPixel = pSource->PixelAddress(7, pSource->m_nHeight - 1 - 9);
    EXPECT_EQ(pasteLayer.pixel(7, 9), qRgba(pPixel[2], pPixel[1], pPixel[0], 255));
}

}
