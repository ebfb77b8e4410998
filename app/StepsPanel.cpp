#include "StepsPanel.h"

#include "Artwork.h"
#include "Commands.h"
#include "../document/SceneRepaint.h"
#include "../document/SkyloomDoc.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../view/PreviewHostDlg.h"
#include "../view/SkyloomView.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QMenu>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// The present tool's own properties window steps aside while a step's is open, so that
// only the step's values are on the screen, and comes back after.
class CToolDialogAside
{
public:
    CToolDialogAside() : m_pDialog(g_pPropertiesDialog)
    {
        m_bShown = m_pDialog && m_pDialog->isVisible();
        if (m_bShown)
            m_pDialog->hide();
    }
    ~CToolDialogAside()
    {
        if (m_bShown && m_pDialog)
            m_pDialog->show();
    }
    CToolDialogAside(const CToolDialogAside&) = delete;
    CToolDialogAside& operator=(const CToolDialogAside&) = delete;

private:
    QPointer<CPreviewHostDlg> m_pDialog;
    bool m_bShown = false;
};

// The step editor's row of the rectangle: four fields, whose rectangle is shown on the canvas
// while the dialog is open, and which show a drag on the canvas. Returns what they hold.
std::function<CRect()> AddStepRectRow(QDialog& dialog, CSkyloomView& view, QObject* pContext,
                                      const CRect& rect, const CSize& size)
{
    auto* pRectRow = new QWidget(&dialog);
    auto* pRectLayout = new QHBoxLayout(pRectRow);
    pRectLayout->setContentsMargins(0, 0, 0, 0);
    pRectLayout->addWidget(new QLabel(QStringLiteral("Rectangle:"), pRectRow));
    const int sides[4] = {rect.left, rect.top, rect.right, rect.bottom};
    static const char* const kSideNames[4] = {"stepLeft", "stepTop", "stepRight", "stepBottom"};
    static const char* const kSideTips[4] = {"Left", "Top", "Right (exclusive)",
                                             "Bottom (exclusive)"};
    QSpinBox* pSides[4];
    for (int i = 0; i < 4; ++i) {
        pSides[i] = new QSpinBox(pRectRow);
        pSides[i]->setObjectName(QLatin1String(kSideNames[i]));
        pSides[i]->setToolTip(QLatin1String(kSideTips[i]));
        // As far past the picture as a drag can reach.
        const int nExtent = i % 2 == 0 ? size.cx : size.cy;
        pSides[i]->setRange(-nExtent, 2 * nExtent);
        pSides[i]->setValue(sides[i]);
        pRectLayout->addWidget(pSides[i]);
    }
    const auto shownRect = [pSides] {
        CRect shown(pSides[0]->value(), pSides[1]->value(), pSides[2]->value(),
                    pSides[3]->value());
        shown.NormalizeRect();
        return shown;
    };
    for (QSpinBox* pSide : pSides)
        QObject::connect(pSide, &QSpinBox::valueChanged, pContext, [&view, shownRect] {
            view.SetStepRect(shownRect());
        });
    // A drag on the canvas shows in the fields.
    QObject::connect(&view, &CSkyloomView::stepRectChanged, pRectRow, [pSides](const CRect& r) {
        const int values[4] = {r.left, r.top, r.right, r.bottom};
        for (int i = 0; i < 4; ++i) {
            const QSignalBlocker block(pSides[i]);
            pSides[i]->setValue(values[i]);
        }
    });
    if (dialog.layout())
        dialog.layout()->addWidget(pRectRow);
    return shownRect;
}

QIcon StepIcon(const CRecipeStep& step)
{
    if (step.strEdit == QLatin1String("Clear"))
        return CommandIcon(ID_EDIT_CLEAR);
    if (!step.strEdit.isEmpty())
        return CommandIcon(ID_EDIT_PASTE);
    const CToolInfo* pInfo = GetToolInfo(FindToolBySection(step.strEffect));
    return pInfo ? CommandIcon(pInfo->nCommandId) : QIcon();
}

QString RectText(const CRect& rect)
{
    return QStringLiteral("%1, %2 to %3, %4")
        .arg(rect.left)
        .arg(rect.top)
        .arg(rect.right)
        .arg(rect.bottom);
}

// The dialog's preview and the step keep this seed until "New Seed" rolls another.
const char* const kHeldSeed = "heldSeed";

}

CStepsPanel::CStepsPanel(CSkyloomDoc& doc, CSkyloomView& view, QAction* pUndo,
                         QAction* pRedo, QWidget* pParent)
    : QWidget(pParent), m_doc(doc), m_view(view)
{
    setObjectName(QStringLiteral("StepsPanel"));
    // Undo and Redo, named after the entry they take back ("Undo Edit Nebula"); their
    // menus reach every entry, which the list of steps alone does not show.
    auto* pHistory = new QHBoxLayout;
    const auto historyButton = [&](const char* szName, QAction* pAction, bool bUndo) {
        auto* pButton = new QToolButton(this);
        pButton->setObjectName(QLatin1String(szName));
        pButton->setDefaultAction(pAction);
        pButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        pButton->setPopupMode(QToolButton::MenuButtonPopup);
        auto* pMenu = new QMenu(pButton);
        connect(pMenu, &QMenu::aboutToShow, this, [this, bUndo] { FillHistoryMenu(bUndo); });
        pButton->setMenu(pMenu);
        pHistory->addWidget(pButton);
        return pButton;
    };
    m_pUndo = historyButton("undoButton", pUndo, true);
    m_pRedo = historyButton("redoButton", pRedo, false);
    pHistory->addStretch();
    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QStringLiteral("Step"), QStringLiteral("Rectangle")});
    m_pList->setRootIsDecorated(false);
    // Ctrl and Shift pick several steps: to hide, remove or export as layers together.
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* pButtons = new QHBoxLayout;
    const auto button = [&](const char* szName, const char* szText, const char* szTip) {
        auto* pButton = new QPushButton(QString::fromLatin1(szText), this);
        pButton->setObjectName(QLatin1String(szName));
        pButton->setToolTip(QString::fromLatin1(szTip));
        pButton->setAutoDefault(false);
        pButtons->addWidget(pButton);
        return pButton;
    };
    m_pEdit = button("editStep", "&Edit Step...",
                     "Change the step's values, seed, light and rectangle");
    m_pHide = button("hideStep", "&Hide", "Hide the steps selected, or show them again");
    m_pRemove = button("removeStep", "Re&move", "Remove the steps selected from the picture");
    m_pUp = button("stepUp", "&Up", "Paint the step one step earlier");
    m_pDown = button("stepDown", "&Down", "Paint the step one step later");
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addLayout(pHistory);
    pLayout->addWidget(m_pList);
    pLayout->addLayout(pButtons);

    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CStepsPanel::UpdateButtons);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* pItem) {
        const int nStep = m_pList->indexOfTopLevelItem(pItem) - 1;
        if (nStep >= 0)
            OpenStepEditor(nStep);
    });
    connect(m_pEdit, &QPushButton::clicked, this, [this] { OpenStepEditor(SelectedStep()); });
    // Hide while any step selected shows; Show when all are hidden.
    connect(m_pHide, &QPushButton::clicked, this, [this] {
        const QList<int> nSteps = SelectedSteps();
        SetStepsHidden(nSteps, std::any_of(nSteps.begin(), nSteps.end(), [this](int n) {
                           return !m_doc.GetStep(n).recipe.bHidden;
                       }));
    });
    connect(m_pRemove, &QPushButton::clicked, this, [this] { RemoveSteps(SelectedSteps()); });
    connect(m_pUp, &QPushButton::clicked, this, [this] { MoveStep(SelectedStep(), -1); });
    connect(m_pDown, &QPushButton::clicked, this, [this] { MoveStep(SelectedStep(), 1); });
    connect(&m_doc, &CSkyloomDoc::stateChanged, this, &CStepsPanel::Refresh);
    connect(&m_doc, &CSkyloomDoc::pictureReplaced, this, &CStepsPanel::Refresh);
    Refresh();
}

QList<int> CStepsPanel::SelectedSteps() const
{
    QList<int> nSteps;
    for (QTreeWidgetItem* pItem : m_pList->selectedItems())
        nSteps.append(m_pList->indexOfTopLevelItem(pItem) - 1);
    nSteps.removeAll(-1);
    std::sort(nSteps.begin(), nSteps.end());
    return nSteps;
}

int CStepsPanel::SelectedStep() const
{
    const QList<int> nSteps = SelectedSteps();
    return nSteps.size() == 1 ? nSteps.first() : -1;
}

void CStepsPanel::SelectStep(int nStep)
{
    QTreeWidgetItem* pItem = nStep >= 0 ? m_pList->topLevelItem(nStep + 1) : nullptr;
    if (!pItem) {
        m_pList->clearSelection();
        return;
    }
    m_pList->setCurrentItem(pItem);
    m_pList->scrollToItem(pItem);
}

void CStepsPanel::Refresh()
{
    QList<int> selected = SelectedSteps();
    const int nCurrent = m_pList->currentItem()
                             ? m_pList->indexOfTopLevelItem(m_pList->currentItem()) - 1
                             : -1;
    const QSignalBlocker block(m_pList);
    m_pList->clear();
    // The picture the steps start from; how many steps the undo memory dropped is the
    // Undo menu's to say, as those steps are listed here.
    auto* pOrigin = new QTreeWidgetItem(m_pList, {m_doc.GetPictureOrigin()});
    pOrigin->setFlags(Qt::ItemIsEnabled);
    QFont bold = pOrigin->font(0);
    bold.setBold(true);
    pOrigin->setFont(0, bold);
    const CSize size = m_doc.GetImageRect().Size();
    pOrigin->setText(1, QStringLiteral("%1 x %2").arg(size.cx).arg(size.cy));
    for (int i = 0; i < m_doc.GetStepCount(); ++i) {
        const CSceneStep& step = m_doc.GetStep(i);
        const CRecipeStep& recipe = step.recipe;
        QString name = step.strName;
        if (recipe.bHidden)
            name += QStringLiteral(" (hidden)");
        auto* pItem = new QTreeWidgetItem(
            m_pList, {name, recipe.rect.IsRectEmpty() ? QString() : RectText(recipe.rect)});
        pItem->setIcon(0, StepIcon(recipe));
        if (recipe.bHidden) {
            for (int c = 0; c < 2; ++c)
                pItem->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        if (!step.IsKept()) {
            QFont font = pItem->font(0);
            font.setItalic(true);
            pItem->setFont(0, font);
            pItem->setToolTip(0, QStringLiteral("Painted before its pixels were kept: it can "
                                                "no longer be changed in place"));
        }
    }
    // The selection stays on the same steps; when they all went (undone, removed), on the
    // last step.
    const int nCount = m_doc.GetStepCount();
    const bool bHadSelection = !selected.isEmpty();
    selected.removeIf([nCount](int n) { return n >= nCount; });
    if (bHadSelection && selected.isEmpty() && nCount > 0)
        selected = {nCount - 1};
    if (!selected.contains(nCurrent) && !selected.isEmpty())
        SelectStep(selected.last());
    else if (nCurrent >= 0 && nCurrent < nCount)
        m_pList->setCurrentItem(m_pList->topLevelItem(nCurrent + 1), 0,
                                QItemSelectionModel::NoUpdate);
    for (int n : selected)
        m_pList->topLevelItem(n + 1)->setSelected(true);
    UpdateButtons();
}

void CStepsPanel::UpdateButtons()
{
    const bool bIdle = !IsRendering();
    // Hide, Show and Remove take every step selected; Edit Step, Up and Down one.
    const QList<int> nSteps = SelectedSteps();
    const bool bCanAll = bIdle && !nSteps.isEmpty() && m_doc.CanRepaintFrom(nSteps.first());
    const bool bAllHidden = std::all_of(nSteps.begin(), nSteps.end(), [this](int n) {
        return m_doc.GetStep(n).recipe.bHidden;
    });
    m_pHide->setEnabled(bCanAll);
    m_pHide->setText(bCanAll && bAllHidden ? QStringLiteral("&Show") : QStringLiteral("&Hide"));
    m_pRemove->setEnabled(bCanAll);
    const int nStep = SelectedStep();
    const bool bCan = bCanAll && nStep >= 0;
    m_pEdit->setEnabled(bCan && m_doc.GetStep(nStep).recipe.strEdit.isEmpty());
    m_pUp->setEnabled(bIdle && nStep > 0 && m_doc.CanRepaintFrom(nStep - 1));
    m_pDown->setEnabled(bCan && nStep + 1 < m_doc.GetStepCount());
}

void CStepsPanel::FillHistoryMenu(bool bUndo)
{
    QMenu* pMenu = (bUndo ? m_pUndo : m_pRedo)->menu();
    pMenu->clear();
    const QUndoStack& history = m_doc.GetHistory();
    const QIcon saved = style()->standardIcon(QStyle::SP_DialogSaveButton);
    // Undo: the entries done, the newest first, going through entry i leaving i done;
    // Redo: those undone, the oldest first, going through entry i leaving i + 1 done.
    const int nIndex = history.index();
    const int nDirection = bUndo ? -1 : 1;
    const int nEnd = bUndo ? -1 : history.count();
    for (int i = bUndo ? nIndex - 1 : nIndex; i != nEnd; i += nDirection) {
        const int nTarget = bUndo ? i : i + 1;
        QAction* pAction = pMenu->addAction(history.text(i));
        // The picture last saved.
        if (nTarget == history.cleanIndex())
            pAction->setIcon(saved);
        connect(pAction, &QAction::triggered, this, [this, nTarget] {
            // Not while a change is in progress: its step would go under it.
            if (!IsRendering() && !m_doc.GetUndoImage())
                m_doc.GetHistory().setIndex(nTarget);
        });
    }
    const QString origin = m_doc.GetHistoryOrigin();
    if (bUndo && origin != m_doc.GetPictureOrigin())
        pMenu->addAction(origin)->setEnabled(false);
}

ERenderOutcome CStepsPanel::Change(const std::function<ERenderOutcome()>& change)
{
    if (IsRendering())
        return RENDER_BUSY;
    const ERenderOutcome outcome = m_view.RepaintScene(change);
    // The list was refilled while the repaint ran, its buttons all off then.
    UpdateButtons();
    return outcome;
}

ERenderOutcome CStepsPanel::EditStep(int nStep, const CRecipeStep& recipe)
{
    const ERenderOutcome outcome =
        Change([&] { return EditSceneStep(m_doc, nStep, recipe); });
    SelectStep(nStep);
    return outcome;
}

ERenderOutcome CStepsPanel::SetStepsHidden(const QList<int>& nSteps, bool bHidden)
{
    return Change([&] { return SetSceneStepsHidden(m_doc, nSteps, bHidden); });
}

ERenderOutcome CStepsPanel::RemoveSteps(const QList<int>& nSteps)
{
    const ERenderOutcome outcome = Change([&] { return RemoveSceneSteps(m_doc, nSteps); });
    // The step that took the first one's place, for the next removal.
    if (outcome == RENDER_DONE && !nSteps.isEmpty())
        SelectStep(std::min(*std::min_element(nSteps.begin(), nSteps.end()),
                            m_doc.GetStepCount() - 1));
    return outcome;
}

ERenderOutcome CStepsPanel::MoveStep(int nStep, int nDelta)
{
    const ERenderOutcome outcome =
        Change([&] { return MoveSceneStep(m_doc, nStep, nDelta); });
    if (outcome == RENDER_DONE)
        SelectStep(nStep + nDelta);
    return outcome;
}

ERenderOutcome CStepsPanel::OpenStepEditor(int nStep)
{
    if (nStep < 0 || nStep >= m_doc.GetStepCount() || !m_doc.CanRepaintFrom(nStep) ||
        IsRendering())
        return RENDER_NOTHING;
    const CRecipeStep step = m_doc.GetStep(nStep).recipe;
    const std::unique_ptr<CEffect> pTool =
        CreateToolAsTheViewDoes(FindToolBySection(step.strEffect));
    QString why;
    if (!pTool || pTool->m_strSection.isEmpty() || !SetToolFromStep(*pTool, step, why))
        return RENDER_NOTHING;
    const std::unique_ptr<CPreviewHostDlg> pDialog(pTool->CreatePropertiesDialog(window()));
    if (!pDialog)
        return RENDER_NOTHING;
    pDialog->setWindowTitle(QStringLiteral("Edit Step %1: %2")
                                .arg(nStep + 1)
                                .arg(m_doc.GetStep(nStep).strName));
    pDialog->setProperty(kHeldSeed, uint(step.nSeed));
    auto* pNewSeed = new QPushButton(QStringLiteral("New &Seed"), pDialog.get());
    pNewSeed->setObjectName(QStringLiteral("newSeed"));
    pNewSeed->setAutoDefault(false);
    pNewSeed->setToolTip(QStringLiteral("Paint the step from another seed"));
    // The rectangle: shown on the canvas while the dialog is open, and changed here.
    const std::function<CRect()> shownRect =
        AddStepRectRow(*pDialog, m_view, this, step.rect, m_doc.GetImageRect().Size());
    // A tool's own dialog closes by Enter alone; the step's shows how it is applied.
    auto* pButtons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, pDialog.get());
    pButtons->addButton(pNewSeed, QDialogButtonBox::ActionRole);
    for (QAbstractButton* pButton : pButtons->buttons()) {
        if (auto* pPush = qobject_cast<QPushButton*>(pButton))
            pPush->setAutoDefault(false);
    }
    connect(pButtons, &QDialogButtonBox::accepted, pDialog.get(), &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, pDialog.get(), &QDialog::reject);
    if (pDialog->layout())
        pDialog->layout()->addWidget(pButtons);
    // The dialog grows to take in the rows added to it.
    if (pDialog->layout())
        pDialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
    CPreviewHostDlg* pHost = pDialog.get();
    connect(pNewSeed, &QPushButton::clicked, pHost, [pHost] {
        pHost->setProperty(kHeldSeed, QRandomGenerator::global()->generate());
        pHost->RefreshPreview();
    });
    pDialog->RefreshPreview();
    // Not modal: the canvas takes drags of the rectangle meanwhile, and the frame waits.
    const CToolDialogAside aside;
    m_view.BeginStepRect(shownRect());
    // A value the step cannot take is said, and the dialog stays open to put it right.
    bool bAccepted = false;
    do {
        QEventLoop loop;
        connect(pHost, &QDialog::finished, &loop, &QEventLoop::quit);
        pDialog->show();
        loop.exec();
        bAccepted = pDialog->result() == QDialog::Accepted;
    } while (bAccepted && !pTool->FromDialog(pDialog.get()));
    m_view.EndStepRect();
    if (!bAccepted)
        return RENDER_NOTHING;
    CRecipeStep edited = RecipeStepFor(*pTool, shownRect(), pDialog->property(kHeldSeed).toUInt());
    edited.bHasLight = step.bHasLight;
    edited.nLightOrient = step.nLightOrient;
    edited.nLightInten = step.nLightInten;
    edited.nLightElevation = step.nLightElevation;
    edited.bHidden = step.bHidden;
    return EditStep(nStep, edited);
}
