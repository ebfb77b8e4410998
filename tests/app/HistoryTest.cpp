// The undo history through the real window: Undo and Redo over many steps, the History
// panel, the modified flag and the recipe following the history, the undo memory, and a
// render cancelled with Escape.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "app/StepsPanel.h"
#include "document/Settings.h"
#include "app/StringTable.h"
#include "document/ClipboardDib.h"
#include "document/Recipe.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "document/RenderJob.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <vector>

namespace {

class HistoryTest : public WindowTest
{
protected:
    QString UndoText() { return Frame()->GetAction(ID_EDIT_UNDO)->text(); }
    QString RedoText() { return Frame()->GetAction(ID_EDIT_REDO)->text(); }

    // Render n of a mixed sequence: every two-dimensional effect in turn, Star Field clicks
    // among them, rectangles of many sizes, some reaching past the picture's edges.
    void Paint(int n)
    {
        static const int tools[] = {1, 3, 4, 2, 6, 8, 5};
        const int nTool = tools[n % 7];
        Command(GetToolInfo(nTool)->nCommandId);
        g_nEffectSeed = 1000 + n;
        if (nTool == 1) {
            Press(QPoint(5, 5));
            Release(QPoint(5, 5));
            return;
        }
        const QPoint from((n * 37) % 260 - 20, (n * 23) % 190 - 10);
        Drag(from, from + QPoint(40 + (n * 13) % 90, 30 + (n * 7) % 70));
    }

    // The menu of the History panel's Undo (or Redo) button as it opens.
    QMenu* HistoryMenu(bool bUndo)
    {
        CStepsPanel* pPanel = Frame()->GetStepsPanel();
        EXPECT_TRUE(pPanel->isVisible());
        QToolButton* pButton = bUndo ? pPanel->UndoButton() : pPanel->RedoButton();
        QMenu* pMenu = pButton->menu();
        pMenu->popup(pButton->mapToGlobal(QPoint(0, pButton->height())));
        return pMenu;
    }
    // Goes to where nDone entries of the history are done (0: the picture the steps start
    // from) by the entry picked in the Undo or Redo menu.
    void PickInHistoryMenu(int nDone)
    {
        const int nNow = History().index();
        QMenu* pMenu = HistoryMenu(nDone < nNow);
        const QList<QAction*> items = pMenu->actions();
        const int nItem = nDone < nNow ? nNow - 1 - nDone : nDone - 1 - nNow;
        ASSERT_LT(nItem, items.size());
        EXPECT_EQ(items[nItem]->text(), History().text(nDone < nNow ? nDone : nDone - 1));
        items[nItem]->trigger();
        pMenu->hide();
    }
    QString FirstRow()
    {
        return Frame()->GetStepsPanel()->List()->topLevelItem(0)->text(0);
    }

    // The recipe, saved in a PNG and painted again by skyloom-render, gives the canvas.
    void ExpectRecipeReplaysToTheCanvas(const char* szName)
    {
        const std::unique_ptr<CDib> pAgain = SaveAndReplay(szName);
        ASSERT_TRUE(pAgain);
        EXPECT_TRUE(SamePicture(Picture(), *pAgain));
    }
};

// Thirty mixed renders undone one by one give back every picture between them byte for
// byte, and redone give each again; the History panel jumps several steps both ways; a
// render after two undos drops the two steps that could have been redone; the recipe
// follows, and replays to the canvas.
TEST_F(HistoryTest, UndoRedoAndTheHistoryPanelGiveBackEveryPicture)
{
    m_pUi->sizes = {CSize(320, 240)};
    Command(ID_FILE_NEW);
    EXPECT_EQ(UndoText(), QStringLiteral("&Undo"));
    EXPECT_FALSE(Frame()->GetAction(ID_EDIT_UNDO)->isEnabled());
    std::vector<QByteArray> hashes = {Hash()};
    for (int n = 1; n <= 30; ++n) {
        Paint(n);
        hashes.push_back(Hash());
        ASSERT_NE(hashes[n], hashes[n - 1]) << "render " << n << " painted nothing";
        ASSERT_EQ(History().count(), n);
    }
    EXPECT_EQ(Doc().GetRecipe().m_steps.size(), 30);
    EXPECT_EQ(UndoText(), QStringLiteral("&Undo Star")); // render 30: tools[30 % 7]
    EXPECT_EQ(Frame()->GetAction(ID_EDIT_UNDO)->toolTip(), QStringLiteral("Undo Star"));
    EXPECT_FALSE(Frame()->GetAction(ID_EDIT_REDO)->isEnabled());

    for (int n = 30; n >= 1; --n) {
        Command(ID_EDIT_UNDO);
        ASSERT_EQ(Hash(), hashes[n - 1]) << "undo to " << n - 1;
        ASSERT_EQ(Doc().GetRecipe().m_steps.size(), n - 1);
    }
    EXPECT_FALSE(Frame()->GetAction(ID_EDIT_UNDO)->isEnabled());
    EXPECT_FALSE(Doc().IsModified()); // the new picture again
    EXPECT_EQ(RedoText(), QStringLiteral("&Redo Nebula")); // render 1
    for (int n = 1; n <= 30; ++n) {
        Command(ID_EDIT_REDO);
        ASSERT_EQ(Hash(), hashes[n]) << "redo to " << n;
    }
    EXPECT_EQ(Doc().GetRecipe().m_steps.size(), 30);
    EXPECT_TRUE(Doc().IsModified());

    // The History: the new picture on top, then a row per step; the Undo and Redo menus
    // jump both ways, the steps following.
    Command(ID_VIEW_HISTORY);
    EXPECT_TRUE(Frame()->GetAction(ID_VIEW_HISTORY)->isChecked());
    const QTreeWidget* pSteps = Frame()->GetStepsPanel()->List();
    EXPECT_EQ(pSteps->topLevelItemCount(), 31);
    EXPECT_EQ(FirstRow(), QStringLiteral("New Picture"));
    EXPECT_EQ(pSteps->topLevelItem(7)->text(0), QStringLiteral("Star Field"));
    for (int nDone : {20, 27, 0, 12, 30}) {
        PickInHistoryMenu(nDone);
        ASSERT_EQ(History().index(), nDone);
        ASSERT_EQ(Hash(), hashes[nDone]) << "history entry " << nDone;
        ASSERT_EQ(Doc().GetRecipe().m_steps.size(), nDone);
        ASSERT_EQ(pSteps->topLevelItemCount(), nDone + 1);
    }

    // Two undos, then a new render: the two steps that could be redone are gone.
    Command(ID_EDIT_UNDO);
    Command(ID_EDIT_UNDO);
    EXPECT_TRUE(Frame()->GetAction(ID_EDIT_REDO)->isEnabled());
    Paint(31);
    hashes.resize(29);
    hashes.push_back(Hash());
    EXPECT_EQ(History().count(), 29);
    EXPECT_FALSE(Frame()->GetAction(ID_EDIT_REDO)->isEnabled());
    EXPECT_EQ(Doc().GetRecipe().m_steps.size(), 29);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), hashes[28]);
    Command(ID_EDIT_REDO);
    EXPECT_EQ(Hash(), hashes[29]);

    // The recipe of a picture reached by undo and redo paints that very picture.
    for (int i = 0; i < 4; ++i)
        Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), hashes[25]);
    ExpectRecipeReplaysToTheCanvas("undone");
}

// The modified flag follows the history and the saved step; Clear, Cut, Paste and
// transparent paste are steps too; New and Open empty the history.
TEST_F(HistoryTest, ModifiedFlagFollowsTheSavedStepAndEditsAreSteps)
{
    Paint(1);
    Paint(2);
    m_pUi->savePaths = {{Path("saved"), SAVE_PNG}};
    Command(ID_FILE_SAVE_AS);
    const QByteArray saved = Hash();
    EXPECT_FALSE(Doc().IsModified());
    // Saving keeps the history.
    EXPECT_EQ(History().count(), 2);
    EXPECT_EQ(History().cleanIndex(), 2);

    Paint(3);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_TRUE(Frame()->isWindowModified());
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), saved);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(Frame()->isWindowModified());
    Command(ID_EDIT_UNDO);
    EXPECT_TRUE(Doc().IsModified());
    // Redo by both of the keys users know (on the canvas: no tool's dialog is in front).
    Command(ID_TOOL_SELECT);
    QApplication::setActiveWindow(Frame());
    View()->setFocus();
    QTest::keySequence(View(), QKeySequence(QStringLiteral("Ctrl+Y")));
    EXPECT_FALSE(Doc().IsModified());
    QTest::keySequence(View(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(History().index(), 3);

    // Cut (with a selection), Clear and a transparent paste (black left out), each undone
    // and redone.
    const QByteArray painted = Hash();
    g_crBkgndColor = RGB(0, 0, 90);
    View()->SetSelection(CRect(10, 10, 220, 190));
    Command(ID_EDIT_CUT);
    const QByteArray cut = Hash();
    EXPECT_EQ(UndoText(), QStringLiteral("&Undo Cut"));
    Command(ID_EDIT_CLEAR);
    const QByteArray cleared = Hash();
    EXPECT_EQ(UndoText(), QStringLiteral("&Undo Clear"));
    g_crTransColor = RGB(0, 0, 0);
    ASSERT_TRUE(View()->BeginPastePlacement(
        DibFromBmpFile(QApplication::clipboard()->mimeData()->data(QStringLiteral("image/bmp")))));
    Move(QPoint(400, 300), false);
    Mouse(QEvent::MouseButtonPress, QPoint(400, 300), Qt::LeftButton, Qt::ShiftModifier);
    Release(QPoint(400, 300));
    EXPECT_EQ(UndoText(), QStringLiteral("&Undo Transparent Paste"));
    EXPECT_EQ(Doc().GetRecipe().m_steps.last().strEdit, QStringLiteral("Paste"));
    const QByteArray pasted = Hash();
    EXPECT_NE(pasted, cleared);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), cleared);
    EXPECT_EQ(RedoText(), QStringLiteral("&Redo Transparent Paste"));
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), cut);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), painted);
    for (const QByteArray& expected : {cut, cleared, pasted}) {
        Command(ID_EDIT_REDO);
        EXPECT_EQ(Hash(), expected);
    }
    g_crBkgndColor = 0;

    // The Undo menu marks the entry that goes back to the picture saved.
    Command(ID_VIEW_HISTORY);
    QMenu* pUndoMenu = HistoryMenu(true);
    const QList<QAction*> undoItems = pUndoMenu->actions();
    ASSERT_EQ(undoItems.size(), 6);
    EXPECT_EQ(undoItems[0]->text(), QStringLiteral("Transparent Paste"));
    EXPECT_TRUE(undoItems[0]->icon().isNull());
    EXPECT_FALSE(undoItems[3]->icon().isNull()) << "undone through it, the saved picture";
    pUndoMenu->hide();

    // New and Open start an empty history, clean, named after the picture.
    m_pUi->sizes = {CSize(100, 80)};
    Command(ID_FILE_NEW);
    EXPECT_EQ(History().count(), 0);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(FirstRow(), QStringLiteral("New Picture"));
    m_pUi->openPaths = {Path("saved.png")};
    Command(ID_FILE_OPEN);
    EXPECT_EQ(Hash(), saved);
    EXPECT_EQ(History().count(), 0);
    EXPECT_FALSE(Frame()->GetAction(ID_EDIT_UNDO)->isEnabled());
    EXPECT_EQ(FirstRow(), QStringLiteral("Opened saved.png"));
}

// Under a small undo memory the oldest steps go and the newest stay, the status bar says
// so, and a change whose step alone is too large is not made. Escape during a render
// leaves the picture and the whole history, redo steps included, as they were.
TEST_F(HistoryTest, UndoMemoryDropsTheOldestAndEscapeLeavesTheHistory)
{
    // 1 MiB holds three steps of 300 x 300 pixels (270,000 bytes each), not four.
    g_nUndoMemory = 1;
    std::vector<QByteArray> hashes = {Hash()};
    Command(ID_TOOL_STAR); // unturned: its step is the dragged rectangle
    for (int n = 1; n <= 5; ++n) {
        g_nEffectSeed = 50 + n;
        Drag(QPoint(20 * n, 10 * n), QPoint(20 * n + 300, 10 * n + 300));
        hashes.push_back(Hash());
        EXPECT_LE(Doc().GetHistoryBytes(), CSkyloomDoc::GetUndoBudget());
        if (n == 3)
            Doc().SetModifiedFlag(FALSE); // what a save does
    }
    EXPECT_EQ(History().count(), 3);
    // The saved step stays the saved one as the steps below it go.
    EXPECT_EQ(History().cleanIndex(), 1);
    EXPECT_EQ(Frame()->GetPaneText(0), LoadString(IDS_HISTORY_TRIMMED_ONE));
    // The steps dropped are still listed, after the new picture; the Undo menu ends where
    // the history does.
    Command(ID_VIEW_HISTORY);
    EXPECT_EQ(FirstRow(), QStringLiteral("New Picture"));
    EXPECT_EQ(Frame()->GetStepsPanel()->List()->topLevelItemCount(), 6);
    QMenu* pUndoMenu = HistoryMenu(true);
    const QList<QAction*> undoItems = pUndoMenu->actions();
    ASSERT_EQ(undoItems.size(), 4);
    EXPECT_EQ(undoItems[3]->text(), QStringLiteral("New Picture, then 2 steps no longer kept"));
    EXPECT_FALSE(undoItems[3]->isEnabled());
    pUndoMenu->hide();
    for (int n = 5; n >= 3; --n) {
        Command(ID_EDIT_UNDO);
        EXPECT_EQ(Hash(), hashes[n - 1]);
        EXPECT_EQ(Doc().IsModified(), n - 1 != 3);
    }
    EXPECT_FALSE(Frame()->GetAction(ID_EDIT_UNDO)->isEnabled());
    for (int n = 3; n <= 5; ++n)
        Command(ID_EDIT_REDO);
    EXPECT_EQ(Hash(), hashes[5]);

    // A whole-picture step takes what the three held; the newest alone is kept.
    Command(ID_TOOL_STARFIELD);
    Press(QPoint(5, 5));
    Release(QPoint(5, 5));
    EXPECT_EQ(History().count(), 1);
    EXPECT_EQ(Frame()->GetPaneText(0), LoadString(IDS_HISTORY_TRIMMED).arg(3));
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), hashes[5]);
    Command(ID_EDIT_REDO);

    // A picture whose whole is more than 1 MiB: the Star Field click does not start.
    m_pUi->sizes = {CSize(800, 600)};
    Command(ID_FILE_NEW);
    const QByteArray blank = Hash();
    Press(QPoint(5, 5));
    Release(QPoint(5, 5));
    EXPECT_EQ(Hash(), blank);
    EXPECT_EQ(History().count(), 0);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Frame()->GetPaneText(0), LoadString(IDS_UNDO_REFUSED));

    // Escape: with room enough, three steps of which one is undone.
    g_nUndoMemory = 64;
    for (int n = 1; n <= 3; ++n)
        Paint(n);
    Command(ID_EDIT_UNDO);
    const QByteArray before = Hash();
    const QString recipe = Doc().GetRecipe().ToText();
    const QString redo = RedoText();
    Command(ID_TOOL_GAS);
    QTimer::singleShot(0, View(), [&] { QTest::keyClick(View(), Qt::Key_Escape); });
    Drag(QPoint(0, 0), QPoint(800, 600));
    EXPECT_FALSE(IsRendering());
    EXPECT_EQ(Hash(), before);
    EXPECT_EQ(History().count(), 3);
    EXPECT_EQ(History().index(), 2);
    EXPECT_EQ(Doc().GetRecipe().ToText(), recipe);
    EXPECT_EQ(RedoText(), redo);
    EXPECT_TRUE(Doc().IsModified());
    Command(ID_EDIT_REDO);
    Command(ID_EDIT_UNDO);
    Command(ID_EDIT_UNDO);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(Hash(), blank);
    EXPECT_FALSE(Doc().IsModified());

    // A smaller undo memory set in Options applies at once, the newest step kept even
    // when it alone is larger.
    Command(ID_TOOL_STARFIELD);
    for (int n = 0; n < 3; ++n) {
        Press(QPoint(5, 5));
        Release(QPoint(5, 5));
    }
    const QByteArray stars = Hash();
    ASSERT_EQ(History().count(), 3);
    QTimer::singleShot(0, [] {
        QWidget* pSheet = QApplication::activeModalWidget();
        ASSERT_TRUE(pSheet);
        pSheet->findChild<QLineEdit*>(QStringLiteral("undoMemory"))->setText(QStringLiteral("1"));
        QMetaObject::invokeMethod(pSheet, "accept");
    });
    Command(ID_EDIT_OPTIONS);
    EXPECT_EQ(g_nUndoMemory, 1);
    EXPECT_EQ(History().count(), 1);
    EXPECT_EQ(Frame()->GetPaneText(0), LoadString(IDS_HISTORY_TRIMMED).arg(2));
    EXPECT_EQ(Hash(), stars);
}

}
