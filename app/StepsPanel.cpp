#include "StepsPanel.h"

#include "Artwork.h"
#include "Commands.h"
#include "../document/SceneRepaint.h"
#include "../document/SkyloomDoc.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../view/PreviewHostDlg.h"
#include "../view/SkyloomView.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace {

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

CStepsPanel::CStepsPanel(CSkyloomDoc& doc, CSkyloomView& view, QWidget* pParent)
    : QWidget(pParent), m_doc(doc), m_view(view)
{
    setObjectName(QStringLiteral("StepsPanel"));
    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QStringLiteral("Step"), QStringLiteral("Rectangle")});
    m_pList->setRootIsDecorated(false);
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
    m_pHide = button("hideStep", "&Hide", "Hide the step, or show it again");
    m_pRemove = button("removeStep", "Re&move", "Remove the step from the picture");
    m_pUp = button("stepUp", "&Up", "Paint the step one step earlier");
    m_pDown = button("stepDown", "&Down", "Paint the step one step later");
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pList);
    pLayout->addLayout(pButtons);

    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CStepsPanel::UpdateButtons);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* pItem) {
        const int nStep = m_pList->indexOfTopLevelItem(pItem) - 1;
        if (nStep >= 0)
            OpenStepEditor(nStep);
    });
    connect(m_pEdit, &QPushButton::clicked, this, [this] { OpenStepEditor(SelectedStep()); });
    connect(m_pHide, &QPushButton::clicked, this, [this] {
        const int nStep = SelectedStep();
        if (nStep >= 0)
            SetStepHidden(nStep, !m_doc.GetStep(nStep).recipe.bHidden);
    });
    connect(m_pRemove, &QPushButton::clicked, this, [this] { RemoveStep(SelectedStep()); });
    connect(m_pUp, &QPushButton::clicked, this, [this] { MoveStep(SelectedStep(), -1); });
    connect(m_pDown, &QPushButton::clicked, this, [this] { MoveStep(SelectedStep(), 1); });
    connect(&m_doc, &CSkyloomDoc::stateChanged, this, &CStepsPanel::Refresh);
    connect(&m_doc, &CSkyloomDoc::pictureReplaced, this, &CStepsPanel::Refresh);
    Refresh();
}

int CStepsPanel::SelectedStep() const
{
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? -1 : m_pList->indexOfTopLevelItem(selected.first()) - 1;
}

void CStepsPanel::SelectStep(int nStep)
{
    QTreeWidgetItem* pItem = m_pList->topLevelItem(nStep + 1);
    m_pList->setCurrentItem(pItem);
    if (pItem)
        m_pList->scrollToItem(pItem);
}

void CStepsPanel::Refresh()
{
    const int nSelected = SelectedStep();
    m_pList->clear();
    auto* pOrigin = new QTreeWidgetItem(m_pList, {m_doc.GetHistoryOrigin()});
    pOrigin->setFlags(Qt::ItemIsEnabled);
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
        if (!step.IsKept())
            pItem->setToolTip(0, QStringLiteral("Painted before its pixels were kept: it can "
                                                "no longer be changed in place"));
    }
    SelectStep(std::min(nSelected, m_doc.GetStepCount() - 1));
    UpdateButtons();
}

void CStepsPanel::UpdateButtons()
{
    const int nStep = SelectedStep();
    const bool bIdle = !IsRendering();
    const bool bCan = bIdle && nStep >= 0 && m_doc.CanRepaintFrom(nStep);
    const bool bEffect = bCan && m_doc.GetStep(nStep).recipe.strEdit.isEmpty();
    m_pEdit->setEnabled(bEffect);
    m_pHide->setEnabled(bCan);
    m_pHide->setText(bCan && m_doc.GetStep(nStep).recipe.bHidden ? QStringLiteral("&Show")
                                                                 : QStringLiteral("&Hide"));
    m_pRemove->setEnabled(bCan);
    m_pUp->setEnabled(bIdle && nStep > 0 && m_doc.CanRepaintFrom(nStep - 1));
    m_pDown->setEnabled(bCan && nStep + 1 < m_doc.GetStepCount());
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

ERenderOutcome CStepsPanel::SetStepHidden(int nStep, bool bHidden)
{
    const ERenderOutcome outcome =
        Change([&] { return SetSceneStepHidden(m_doc, nStep, bHidden); });
    SelectStep(nStep);
    return outcome;
}

ERenderOutcome CStepsPanel::RemoveStep(int nStep)
{
    return Change([&] { return RemoveSceneStep(m_doc, nStep); });
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
    if (pDialog->layout())
        pDialog->layout()->addWidget(pNewSeed);
    // The rectangle: shown on the canvas while the dialog is open, and changed here.
    const std::function<CRect()> shownRect =
        AddStepRectRow(*pDialog, m_view, this, step.rect, m_doc.GetImageRect().Size());
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
    m_view.BeginStepRect(shownRect());
    QEventLoop loop;
    connect(pHost, &QDialog::finished, &loop, &QEventLoop::quit);
    pDialog->show();
    loop.exec();
    const bool bAccepted = pDialog->result() == QDialog::Accepted;
    m_view.EndStepRect();
    if (!bAccepted || !pTool->FromDialog(pDialog.get()))
        return RENDER_NOTHING;
    CRecipeStep edited = RecipeStepFor(*pTool, shownRect(), pDialog->property(kHeldSeed).toUInt());
    edited.bHasLight = step.bHasLight;
    edited.nLightOrient = step.nLightOrient;
    edited.nLightInten = step.nLightInten;
    edited.nLightElevation = step.nLightElevation;
    edited.bHidden = step.bHidden;
    return EditStep(nStep, edited);
}
