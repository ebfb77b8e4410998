// The effects' properties dialogs in the running program: spin-edit pairs, reading and
// refusing values, positions, previews and their seed, "Default properties", closing.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "cli/RecipeReplay.h"
#include "cli/RenderCommand.h"
#include "document/Settings.h"
#include "document/SettingsStore.h"
#include "document/Recipe.h"
#include "effects/ClusterEffect.h"
#include "effects/EffectDlg.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "effects/StarEffect.h"
#include "effects/StarFieldDlg.h"
#include "gl/LightingDlg.h"
#include "gl/PreviewWnd.h"
#include "view/PickColor.h"
#include "effects/ProgressMeter.h"
#include "document/RenderJob.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <climits>

namespace {

class EffectDialogsTest : public WindowTest
{
protected:
    void TearDown() override
    {
        if (m_pApp)
            m_pApp->colorChooser = {};
        WindowTest::TearDown();
    }

    CEffectDlg* Dialog() { return dynamic_cast<CEffectDlg*>(g_pPropertiesDialog); }
    QLineEdit* Edit(int nId) { return qobject_cast<QLineEdit*>(Dialog()->Control(nId)); }
    CUpDown* Spin(int nId) { return qobject_cast<CUpDown*>(Dialog()->Control(nId)); }
    void Click(int nId) { QTest::mouseClick(Dialog()->Control(nId), Qt::LeftButton); }
    void Type(int nId, const QString& text)
    {
        Edit(nId)->selectAll();
        QTest::keyClicks(Edit(nId), text);
    }
    const CDib& Preview() { return Dialog()->GetPreview()->GetImage(); }
    bool HasUndo() { return Frame()->GetAction(ID_EDIT_UNDO)->isEnabled(); }
};

// One up arrow on the nebula's dropoff raises it by a step and writes "%5.2f"; typing moves
// the spin and leaves the text alone; text no number can hold never breaks the spin.
TEST_F(EffectDialogsTest, SpinEditPairs)
{
    Command(ID_TOOL_NEBULA);
    ASSERT_TRUE(Dialog());
    CSpinEditPair* pDropoff = Dialog()->Pair(1002);
    EXPECT_EQ(pDropoff->GetCount(), 100);
    EXPECT_EQ(Edit(1002)->text(), QStringLiteral("0.5"));
    EXPECT_EQ(Spin(1012)->GetPos(), 95);
    QTest::mouseClick(Spin(1012)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(Edit(1002)->text(), QStringLiteral(" 0.60"));
    EXPECT_EQ(Spin(1012)->GetPos(), 94);
    EXPECT_TRUE(Dialog()->IsTimerRunning());
    QTest::keyClick(Edit(1002), Qt::Key_Down);
    EXPECT_EQ(Edit(1002)->text(), QStringLiteral(" 0.50"));

    Type(1002, QStringLiteral("3.5"));
    EXPECT_EQ(Edit(1002)->text(), QStringLiteral("3.5"));
    EXPECT_EQ(Spin(1012)->GetPos(), 65);
    // Rotation: 359 positions of one degree; colour frequency: steps of 0.08.
    EXPECT_EQ(Spin(1013)->GetPos(), 359 - 45);
    EXPECT_EQ(Dialog()->Pair(1018)->GetCount(), 359);
    QTest::mouseClick(Spin(1030)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(Edit(1029)->text(), QStringLiteral(" 2.08"));

    for (const char* szText : {"1e308", "-1e308", "nan", "inf", "", "  7x"}) {
        Edit(1002)->setText(QString::fromLatin1(szText));
        EXPECT_GE(Spin(1012)->GetPos(), 0) << szText;
        EXPECT_LE(Spin(1012)->GetPos(), 100) << szText;
    }
    Edit(1002)->setText(QStringLiteral("1e308"));
    EXPECT_EQ(Spin(1012)->GetPos(), 0);
    QTest::mouseClick(Spin(1012)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(Edit(1002)->text(), QStringLiteral("10.00"));
}

// A refused value stops the reading at the first failing control with the range's
// message and the focus there; nothing renders, nothing is saved for undo, and the tool
// keeps its parameters. A preview of the same text refuses silently.
TEST_F(EffectDialogsTest, RefusedValuesRenderNothing)
{
    CMessageCatcher messages;
    Command(ID_TOOL_STAR);
    auto* pStar = dynamic_cast<CStarEffect*>(View()->GetToolObject(4));
    ASSERT_TRUE(pStar);
    CDib black;
    black.Create(640, 480);

    Type(1002, QStringLiteral("20"));
    Type(1003, QStringLiteral("abc"));
    Drag(QPoint(100, 100), QPoint(300, 300));
    EXPECT_EQ(messages.texts,
              QStringList{QStringLiteral("Please enter a number between 0 and 10.")});
    EXPECT_EQ(Dialog()->focusWidget(), Edit(1002));
    EXPECT_TRUE(SameBytes(black, Picture()));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(HasUndo());

    Type(1002, QStringLiteral("2"));
    Drag(QPoint(100, 100), QPoint(300, 300));
    EXPECT_EQ(messages.texts.value(1), QStringLiteral("Please enter a number."));
    EXPECT_EQ(Dialog()->focusWidget(), Edit(1003));
    EXPECT_EQ(pStar->m_dDropoff, 1.0);
    EXPECT_EQ(pStar->m_dRadius, 0.2);
    EXPECT_TRUE(SameBytes(black, Picture()));

    CDib before;
    before.Create(Preview().m_nWidth, Preview().m_nHeight);
    before.Paste(Preview(), CRect(0, 0, before.m_nWidth, before.m_nHeight), TRUE, 0, 0);
    const DWORD seed = g_nEffectSeed;
    Dialog()->RefreshPreview();
    EXPECT_EQ(messages.texts.size(), 2);
    EXPECT_EQ(g_nEffectSeed, seed);
    EXPECT_TRUE(SameBytes(before, Preview()));

    Type(1003, QStringLiteral("0.3"));
    Drag(QPoint(100, 100), QPoint(300, 300));
    EXPECT_EQ(pStar->m_dDropoff, 2.0);
    EXPECT_EQ(pStar->m_dRadius, 0.3);
    EXPECT_TRUE(Doc().IsModified());

    // A density typed as 1e9 would draw billions of stars.
    Command(ID_TOOL_STARFIELD);
    Type(1000, QStringLiteral("1e9"));
    Command(ID_EDIT_UNDO);
    Press(QPoint(10, 10));
    Release(QPoint(10, 10));
    EXPECT_EQ(messages.texts.value(2), QStringLiteral("Please enter a number between 0 and 1."));
    EXPECT_EQ(dynamic_cast<CStarFieldEffect*>(View()->GetToolObject(1))->m_dDensity, 0.02);

    Command(ID_TOOL_LENSFLARE);
    Type(1003, QStringLiteral("4.5"));
    Drag(QPoint(100, 100), QPoint(300, 300));
    EXPECT_EQ(messages.texts.value(3), QStringLiteral("Please enter an integer."));
    Type(1003, QStringLiteral("101"));
    Drag(QPoint(100, 100), QPoint(300, 300));
    EXPECT_EQ(messages.texts.value(4),
              QStringLiteral("Please enter an integer between 0 and 100."));
}

// Each caption keeps its own place; a place on no screen puts the dialog beside the window.
TEST_F(EffectDialogsTest, PositionsPerCaption)
{
    Command(ID_TOOL_STARFIELD);
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("Starfield Properties"));
    EXPECT_FALSE(Dialog()->Control(1018)->isVisibleTo(Dialog()));
    Dialog()->move(200, 150);
    Command(ID_TOOL_CLUSTER);
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("Globular Cluster Properties"));
    EXPECT_TRUE(Dialog()->Control(1018)->isVisibleTo(Dialog()));
    Dialog()->move(300, 250);
    Command(ID_TOOL_STARFIELD);
    EXPECT_EQ(Dialog()->pos(), QPoint(200, 150));
    Command(ID_TOOL_CLUSTER);
    EXPECT_EQ(Dialog()->pos(), QPoint(300, 250));
    EXPECT_EQ(
        m_pApp->GetStore().GetInt(QStringLiteral("Starfield Properties"), QStringLiteral("x"), 0),
        200);

    Command(ID_TOOL_SELECT);
    m_pApp->GetStore().WriteInt(QStringLiteral("Globular Cluster Properties"), QStringLiteral("x"),
                                -9000);
    Command(ID_TOOL_CLUSTER);
    bool bOnScreen = false;
    for (const QScreen* pScreen : QGuiApplication::screens())
        bOnScreen |= pScreen->availableGeometry().contains(Dialog()->pos());
    EXPECT_TRUE(bOnScreen) << Dialog()->pos().x() << ", " << Dialog()->pos().y();
}

// Manual previews start no timer and refresh on a click in the preview; the Options sheet's
// new delay reaches the open dialog; the delay is held to a sane range.
TEST_F(EffectDialogsTest, PreviewDelay)
{
    g_nPreviewDelay = 0;
    Command(ID_TOOL_GAS);
    QLabel* pHint = nullptr;
    for (auto* pLabel : Dialog()->findChildren<QLabel*>())
        if (pLabel->text() == QStringLiteral("Click in the preview window to update"))
            pHint = pLabel;
    ASSERT_TRUE(pHint);
    EXPECT_TRUE(pHint->isVisibleTo(Dialog()));
    Type(1018, QStringLiteral("0.9"));
    Click(1028);
    QApplication::processEvents();
    EXPECT_FALSE(Dialog()->IsTimerRunning());
    const DWORD seed = g_nEffectSeed;
    g_nEffectSeed = seed + 1;
    QTest::mouseClick(Dialog()->GetPreview(), Qt::LeftButton, {}, QPoint(60, 60));
    EXPECT_NE(g_nEffectSeed, seed + 1);

    QTimer::singleShot(0, [] {
        QWidget* pSheet = QApplication::activeModalWidget();
        ASSERT_TRUE(pSheet);
        for (auto* pRadio : pSheet->findChildren<QRadioButton*>())
            if (pRadio->text() == QStringLiteral("&Automatic"))
                pRadio->click();
        static_cast<QDialog*>(pSheet)->accept();
    });
    Command(ID_EDIT_OPTIONS);
    EXPECT_EQ(g_nPreviewDelay, 1);
    EXPECT_EQ(Dialog()->GetPreviewDelay(), 1);
    Type(1018, QStringLiteral("0.8"));
    EXPECT_TRUE(Dialog()->IsTimerRunning());
    EXPECT_FALSE(pHint->isVisibleTo(Dialog()));

    for (int nDelay : {INT_MAX, -7}) {
        g_nPreviewDelay = nDelay;
        Command(ID_TOOL_VORTEX);
        EXPECT_EQ(Dialog()->GetPreviewDelay(), nDelay > 0 ? CPreviewHostDlg::kMaxPreviewDelay : 0);
        Command(ID_TOOL_SELECT);
    }
}

// "Default properties" shows the defaults in the dialog; the tool takes them at its next
// render. The cluster keeps its chosen colour, the star field goes back to grey. The colour
// buttons go through the program's chooser, and a cancelled choice changes nothing.
TEST_F(EffectDialogsTest, DefaultPropertiesAndColours)
{
    Command(ID_TOOL_CLUSTER);
    auto* pCluster = dynamic_cast<CClusterEffect*>(View()->GetToolObject(2));
    m_pApp->colorChooser = [](QColorDialog& dlg) {
        dlg.setCurrentColor(QColor(10, 20, 30));
        dlg.accept();
        return dlg.result();
    };
    Click(1017);
    Type(1000, QStringLiteral("0.9"));
    Drag(QPoint(100, 100), QPoint(300, 300));
    EXPECT_DOUBLE_EQ(pCluster->m_dDensity, 0.18);
    EXPECT_EQ(pCluster->m_crColor, RGB(10, 20, 30));

    Click(1052);
    EXPECT_EQ(Edit(1000)->text(), QStringLiteral("0.5"));
    EXPECT_EQ(Edit(1001)->text(), QStringLiteral("0.4"));
    EXPECT_EQ(Edit(1004)->text(), QStringLiteral("0.08"));
    EXPECT_EQ(Spin(1009)->GetPos(), 50);
    EXPECT_DOUBLE_EQ(pCluster->m_dDensity, 0.18);
    Drag(QPoint(100, 100), QPoint(300, 300));
    EXPECT_DOUBLE_EQ(pCluster->m_dDensity, 0.1);
    EXPECT_EQ(pCluster->m_crColor, RGB(10, 20, 30));

    Command(ID_TOOL_STARFIELD);
    Click(1017);
    auto* pDialog = dynamic_cast<CStarFieldDlg*>(Dialog());
    EXPECT_EQ(pDialog->ShownColor(StarFieldIds::Color), RGB(10, 20, 30));
    m_pApp->colorChooser = [](QColorDialog& dlg) {
        dlg.setCurrentColor(QColor(200, 0, 0));
        dlg.reject();
        return dlg.result();
    };
    g_nEffectSeed = 1;
    Click(1017);
    QApplication::processEvents();
    EXPECT_EQ(pDialog->ShownColor(StarFieldIds::Color), RGB(10, 20, 30));
    EXPECT_NE(g_nEffectSeed, 1u) << "a cancelled choice still refreshes";
    Click(1052);
    EXPECT_EQ(pDialog->ShownColor(StarFieldIds::Color), 0xC0C0C0u);
}

// What a render used is what is stored at exit; a change never rendered is not.
TEST_F(EffectDialogsTest, StoredValuesFollowRenders)
{
    const QString section = QStringLiteral("Nebula");
    Command(ID_TOOL_NEBULA);
    Type(1002, QStringLiteral("3"));
    Drag(QPoint(100, 100), QPoint(200, 200));
    StopApp();
    EXPECT_EQ(
        CSettingsStore(Path("settings.ini")).GetString(section, QStringLiteral("Dropoff"), {}),
        QStringLiteral("3.000000"));
    StartApp();
    Command(ID_TOOL_NEBULA);
    EXPECT_EQ(Edit(1002)->text(), QStringLiteral("3"));
    Type(1002, QStringLiteral("7"));
    StopApp();
    EXPECT_EQ(
        CSettingsStore(Path("settings.ini")).GetString(section, QStringLiteral("Dropoff"), {}),
        QStringLiteral("3.000000"));
}

// Every way of closing returns to the Select tool; a dialog replaced by another tool's does
// not take the new one with it when it is finally deleted.
TEST_F(EffectDialogsTest, ClosingReturnsToSelect)
{
    const std::function<void(QDialog*)> closes[] = {
        [](QDialog* p) { QTest::keyClick(p, Qt::Key_Escape); },
        [](QDialog* p) { QTest::keyClick(p, Qt::Key_Return); },
        [](QDialog* p) { p->close(); },
    };
    for (const auto& close : closes) {
        Command(ID_TOOL_VORTEX);
        QPointer<QDialog> pDialog(Dialog());
        close(pDialog);
        EXPECT_EQ(View()->GetTool(), 0);
        EXPECT_EQ(g_pPropertiesDialog, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(pDialog.isNull());
    }

    Command(ID_TOOL_NEBULA);
    QPointer<QDialog> pOld(Dialog());
    Command(ID_TOOL_STAR);
    CPreviewHostDlg* pNew = g_pPropertiesDialog;
    EXPECT_NE(pNew, pOld.data());
    // An Escape that reached the old dialog before its deletion closes only the old one.
    ASSERT_FALSE(pOld.isNull());
    pOld->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pOld.isNull());
    EXPECT_EQ(g_pPropertiesDialog, pNew);
    EXPECT_EQ(View()->GetTool(), 4);
}

// A refresh keeps the keyboard focus where the user is typing.
TEST_F(EffectDialogsTest, PreviewKeepsTheFocus)
{
    Command(ID_TOOL_NEBULA);
    QApplication::setActiveWindow(Dialog());
    Edit(1014)->setFocus();
    Edit(1014)->clear();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0."));
    Dialog()->RefreshPreview();
    EXPECT_TRUE(Dialog()->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), Edit(1014));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("7"));
    EXPECT_EQ(Edit(1014)->text(), QStringLiteral("0.7"));
}

// A refresh due during a canvas render waits for its end, so the canvas keeps the sequence
// its seed gives; Escape still cancels that render, from the canvas or from the dialog; a
// cancel left over from it does not stop the next preview.
TEST_F(EffectDialogsTest, PreviewsWaitForCanvasRenders)
{
    Command(ID_TOOL_NEBULA);
    g_nEffectSeed = 4242;
    DWORD seedDuringRender = 0;
    QTimer::singleShot(0, Dialog(), [&] {
        Dialog()->RefreshPreview();
        QTest::mouseClick(Dialog()->GetPreview(), Qt::LeftButton, {}, QPoint(5, 5));
        seedDuringRender = g_nEffectSeed;
    });
    Drag(QPoint(300, 200), QPoint(100, 50));
    EXPECT_EQ(seedDuringRender, 4242u);
    EXPECT_NE(g_nEffectSeed, 4242u) << "the waiting refresh ran after the render";
    auto pNebula = CreateTool(3);
    CDib expected;
    expected.Create(640, 480);
    SetRandomSeed(4242);
    pNebula->PrepareRender();
    pNebula->Render(expected, CRect(100, 50, 300, 200), nullptr, FALSE);
    EXPECT_TRUE(SamePicture(expected, Picture()));

    Doc().SetModifiedFlag(FALSE);
    CDib before;
    before.Create(640, 480);
    before.Paste(Picture(), CRect(0, 0, 640, 480), TRUE, 0, 0);
    for (QWidget* pTarget : {static_cast<QWidget*>(View()), static_cast<QWidget*>(Dialog())}) {
        QTimer::singleShot(0, Dialog(), [&] {
            Dialog()->RefreshPreview();
            QTest::keyClick(pTarget, Qt::Key_Escape);
        });
        Drag(QPoint(20, 20), QPoint(620, 460));
        EXPECT_TRUE(SameBytes(before, Picture()));
        EXPECT_FALSE(Doc().IsModified());
        ASSERT_TRUE(Dialog()) << "Escape during a render cancels it and keeps the dialog";
    }

    g_bCancelRender = 1;
    Dialog()->RefreshPreview();
    int lit = 0;
    for (int y = 0; y < Preview().m_nHeight; ++y)
        for (int x = 0; x < Preview().m_nWidth; ++x)
            lit += Preview().GetPixel(x, y) != 0;
    EXPECT_GT(lit, 1000);
}

// What a field of the value table holds, as a double.
double FieldValue(const CEffectValue& value)
{
    if (value.kind == CEffectValue::Real)
        return *static_cast<const double*>(value.pField);
    return *static_cast<const int*>(value.pField);
}

// Whether skyloom-render takes NAME=TEXT for the effect in section, given on its command
// line (bRecipe false) or in the recipe of a picture it replays (true).
bool RenderTakes(const QString& section, const QString& name, const QString& text, bool bRecipe)
{
    QStringList args;
    if (bRecipe) {
        CRecipe recipe = CRecipe::ForNewPicture(CSize(64, 64), 0);
        CRecipeStep step;
        step.strEffect = section;
        step.rect = CRect(0, 0, 64, 64);
        step.nSeed = 1;
        step.values = {{name, text}};
        recipe.m_steps << step;
        CRecipe read;
        QString error;
        QStringList warnings;
        if (!CRecipe::FromText(recipe.ToText(), read, error) ||
            !RecipeToRenderArguments(read, args, warnings, error))
            return false;
    } else {
        args << QStringLiteral("--effect") << section << QStringLiteral("--set")
             << name + QLatin1Char('=') + text;
    }
    args << QStringLiteral("-o") << QStringLiteral("out.png");
    CRenderOptions options;
    QString error;
    return ParseRenderArguments(args, options, error);
}

// Every value typed into a dialog: the dialog, --set, a recipe and a settings load agree
// on both ends of its range; one spin step past an end is refused by the first three and
// loads as the end. Text no value can hold, in every field of every dialog, gives the
// range's message with the focus on the field, renders nothing and keeps the undo step.
TEST_F(EffectDialogsTest, OneRangeForDialogsCommandLineRecipesAndSettings)
{
    CMessageCatcher messages;
    CSettingsStore store(Path("ranges.ini"));
    const QPoint from(10, 10), to(50, 50);
    for (int nTool = 1; nTool < TOOL_COUNT; ++nTool) {
        Command(GetToolInfo(nTool)->nCommandId);
        CEffectDlg* pDialog = Dialog();
        ASSERT_TRUE(pDialog) << nTool;
        CEffect& tool = *View()->GetToolObject(nTool);
        const QString section = tool.m_strSection;
        std::vector<QLineEdit*> edits;
        for (const CEffectValue& value : tool.GetValues()) {
            auto* pEdit = qobject_cast<QLineEdit*>(pDialog->Control(value.nControl));
            if (!pEdit)
                continue; // check boxes, colour buttons and drop-downs hold no text
            edits.push_back(pEdit);
            const QString name = QString::fromLatin1(value.szName);
            const bool bInteger = value.kind == CEffectValue::Integer;
            const double dStep =
                bInteger ? 1 : value.dSpinMax / pDialog->Pair(value.nControl)->GetCount();
            for (const double dEnd : {value.dMin, value.dMax}) {
                const std::string where = (section + QLatin1Char(' ') + name).toStdString() +
                                          (dEnd == value.dMin ? " low" : " high");
                const double dShown = value.ToShown(dEnd);
                const double dShownPast = dShown + (dEnd == value.dMin ? -dStep : dStep);
                const double dPast = value.ToStored(dShownPast);

                pEdit->setText(QString::number(dShown, 'g', 15));
                const qsizetype nMessages = messages.texts.size();
                ASSERT_TRUE(tool.FromDialog(pDialog)) << where;
                EXPECT_EQ(FieldValue(value), dEnd) << where;
                pEdit->setText(QString::number(dShownPast, 'g', 15));
                EXPECT_FALSE(tool.FromDialog(pDialog)) << where;
                ASSERT_EQ(messages.texts.size(), nMessages + 1) << where;
                EXPECT_TRUE(messages.texts.last().startsWith(
                    bInteger ? QLatin1String("Please enter an integer between ")
                             : QLatin1String("Please enter a number between ")))
                    << where;
                EXPECT_EQ(FieldValue(value), dEnd) << where;
                pEdit->setText(QString::number(dShown, 'g', 15));

                const QString endText = QString::number(dEnd, 'g', 17);
                const QString pastText = QString::number(dPast, 'g', 17);
                for (const bool bRecipe : {false, true}) {
                    EXPECT_TRUE(RenderTakes(section, name, endText, bRecipe)) << where << bRecipe;
                    EXPECT_FALSE(RenderTakes(section, name, pastText, bRecipe)) << where << bRecipe;
                }

                // A negative gas scale stored for the galaxy stands for a setting.
                const bool bSentinel =
                    dEnd == value.dMin && QByteArray(value.szDefault).toDouble() < value.dMin;
                store.WriteString(section, name, pastText);
                const auto pLoaded = CreateTool(nTool);
                pLoaded->LoadDefaults(store);
                const CEffectValues loaded = pLoaded->GetValues();
                const CEffectValue* pLoadedValue = FindEffectValue(loaded, name);
                if (!bSentinel) {
                    EXPECT_EQ(FieldValue(*pLoadedValue), dEnd) << where;
                }
            }
        }
        ASSERT_FALSE(edits.empty()) << nTool;

        // One render to keep for undo, then nothing renders past a refused field.
        CDib before;
        before.Create(Picture().m_nWidth, Picture().m_nHeight);
        before.Paste(Picture(), CRect(0, 0, before.m_nWidth, before.m_nHeight), TRUE, 0, 0);
        Drag(from, to);
        ASSERT_TRUE(HasUndo()) << nTool;
        CDib rendered;
        rendered.Create(Picture().m_nWidth, Picture().m_nHeight);
        rendered.Paste(Picture(), CRect(0, 0, before.m_nWidth, before.m_nHeight), TRUE, 0, 0);
        for (QLineEdit* pEdit : edits) {
            const QString good = pEdit->text();
            for (const char* szBad : {"1e308", "nan", "-inf", "", "abc"}) {
                pEdit->setText(QString::fromLatin1(szBad));
                const qsizetype nMessages = messages.texts.size();
                Drag(from, to);
                ASSERT_EQ(messages.texts.size(), nMessages + 1) << nTool << " " << szBad;
                EXPECT_TRUE(messages.texts.last().startsWith(QLatin1String("Please enter a")));
                if (pEdit->isVisible()) { // the star field's rotation is hidden
                    EXPECT_EQ(pDialog->focusWidget(), pEdit) << nTool << " " << szBad;
                }
                EXPECT_TRUE(SameBytes(rendered, Picture())) << nTool << " " << szBad;
            }
            pEdit->setText(good);
        }
        Command(ID_EDIT_UNDO);
        EXPECT_TRUE(SameBytes(before, Picture())) << nTool;
    }
}

// Whether a recipe with one Moon step lit by light reads and turns into arguments
// skyloom-render takes.
bool RecipeLightTaken(const int light[3])
{
    CRecipe recipe = CRecipe::ForNewPicture(CSize(64, 64), 0);
    CRecipeStep step;
    step.strEffect = QStringLiteral("Moon");
    step.rect = CRect(0, 0, 64, 64);
    step.bHasLight = true;
    step.nLightOrient = light[0];
    step.nLightInten = light[1];
    step.nLightElevation = light[2];
    recipe.m_steps << step;
    CRecipe read;
    QString error;
    QStringList args, warnings;
    CRenderOptions options;
    return CRecipe::FromText(recipe.ToText(), read, error) &&
           RecipeToRenderArguments(read, args, warnings, error) &&
           ParseRenderArguments(args << QStringLiteral("-o") << QStringLiteral("out.png"),
                                options, error);
}

// The light's three numbers: the Lighting dialog's sliders, --light, a recipe and a
// settings load agree on both ends of each range, refuse (or, loading, hold) one past it,
// and start from one default.
TEST_F(EffectDialogsTest, OneLightRangeForDialogCommandLineRecipesAndSettings)
{
    const struct {
        const char* szName;
        int nSlider;
        CIntSettingRange range;
        int* pSetting;
    } kLight[] = {
        {"LightOrient", 1045, kLightOrientRange, &g_nLightOrient},
        {"LightInten", 1043, kLightIntenRange, &g_nLightInten},
        {"LightElevation", 1048, kLightElevationRange, &g_nLightElevation},
    };
    CLightingDlg dialog(nullptr, nullptr);
    CSettingsStore store(Path("light.ini"));
    ResetSettings();
    CRenderOptions defaults;
    EXPECT_EQ(defaults.nLightOrient, g_nLightOrient);
    EXPECT_EQ(defaults.nLightInten, g_nLightInten);
    EXPECT_EQ(defaults.nLightElevation, g_nLightElevation);
    for (int i = 0; i < 3; ++i) {
        const CIntSettingRange range = kLight[i].range;
        EXPECT_EQ(dialog.Slider(kLight[i].nSlider)->minimum(), range.nMin) << kLight[i].szName;
        EXPECT_EQ(dialog.Slider(kLight[i].nSlider)->maximum(), range.nMax) << kLight[i].szName;
        for (const int nEnd : {range.nMin, range.nMax}) {
            const int nPast = nEnd == range.nMin ? nEnd - 1 : nEnd + 1;
            for (const auto& [nValue, bTaken] : {std::pair{nEnd, true}, std::pair{nPast, false}}) {
                int light[3] = {kLightOrientRange.nDefault, kLightIntenRange.nDefault,
                                kLightElevationRange.nDefault};
                light[i] = nValue;
                const QString text =
                    QStringLiteral("%1,%2,%3").arg(light[0]).arg(light[1]).arg(light[2]);
                CRenderOptions options;
                QString error;
                EXPECT_EQ(ParseRenderArguments({QStringLiteral("--light"), text,
                                                QStringLiteral("-o"), QStringLiteral("o.png")},
                                               options, error),
                          bTaken)
                    << kLight[i].szName << " " << nValue;
                EXPECT_EQ(RecipeLightTaken(light), bTaken) << kLight[i].szName << " " << nValue;
                store.WriteInt(QStringLiteral("Options"), QLatin1String(kLight[i].szName), nValue);
                LoadSettings(store);
                EXPECT_EQ(*kLight[i].pSetting, nEnd) << kLight[i].szName << " " << nValue;
            }
        }
    }
    ResetSettings();
}

// A drag of the preview's size on the same picture rows, right after a preview, repeats
// the preview's variation pixel for pixel.
struct CRepeatCase
{
    int nCommand;
    const char* szName;
};

void PrintTo(const CRepeatCase& c, std::ostream* os)
{
    *os << c.szName;
}

class DragRepeatsPreview : public EffectDialogsTest,
                           public ::testing::WithParamInterface<CRepeatCase>
{
};

TEST_P(DragRepeatsPreview, SamePixels)
{
    Command(GetParam().nCommand);
    Dialog()->RefreshPreview();
    const CDib& preview = Preview();
    ASSERT_EQ(preview.GetSize(), CSize(124, 138));
    // The preview's rows 0..137 are the picture's bottom rows: the noise lies on the picture's
    // row coordinates.
    Drag(QPoint(0, 480 - 138), QPoint(124, 480));
    int lit = 0;
    for (int y = 0; y < 138; ++y)
        for (int x = 0; x < 124; ++x) {
            ASSERT_EQ(Picture().GetPixel(x, y), preview.GetPixel(x, y)) << x << ", " << y;
            lit += preview.GetPixel(x, y) != 0;
        }
    EXPECT_GT(lit, 100);
}

INSTANTIATE_TEST_SUITE_P(Effects, DragRepeatsPreview,
                         ::testing::Values(CRepeatCase{ID_TOOL_NEBULA, "Nebula"},
                                           CRepeatCase{ID_TOOL_VORTEX, "Vortex"},
                                           CRepeatCase{ID_TOOL_GAS, "Gas"},
                                           CRepeatCase{ID_TOOL_CLUSTER, "Cluster"}),
                         [](const ::testing::TestParamInfo<CRepeatCase>& info) {
                             return std::string(info.param.szName);
                         });

} // namespace
