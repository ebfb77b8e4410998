// The picture's steps in the History panel, the picture they start from first: each row
// the step's icon, name and rectangle, hidden steps greyed. A step can be edited in its
// properties dialog (double-click or Edit Step), hidden and shown, removed, or moved up or
// down; each change repaints from the first step it changes, as one entry of the history.
#pragma once

#include "../document/RenderJob.h"

#include <QWidget>

#include <functional>

class CSkyloomDoc;
class CSkyloomView;
class QPushButton;
class QTreeWidget;

class CStepsPanel : public QWidget
{
    Q_OBJECT
public:
    CStepsPanel(CSkyloomDoc& doc, CSkyloomView& view, QWidget* pParent);

    // The changes, by step (0 the first painted). Each is refused (RENDER_BUSY) while a
    // render runs, and otherwise as the document's RepaintScene says.
    ERenderOutcome EditStep(int nStep, const CRecipeStep& recipe);
    ERenderOutcome SetStepHidden(int nStep, bool bHidden);
    ERenderOutcome RemoveStep(int nStep);
    ERenderOutcome MoveStep(int nStep, int nDelta);
    // Opens step nStep's properties dialog holding its values, seed and light; OK paints
    // the step again with what the dialog holds.
    ERenderOutcome OpenStepEditor(int nStep);

    // The step of the selected row; -1 for none (or the first picture's row).
    int SelectedStep() const;
    void SelectStep(int nStep);
    QTreeWidget* List() const { return m_pList; }

    // Refills the list from the document and enables the buttons that apply.
    void Refresh();

private:
    ERenderOutcome Change(const std::function<ERenderOutcome()>& change);
    void UpdateButtons();

    CSkyloomDoc& m_doc;
    CSkyloomView& m_view;
    QTreeWidget* m_pList;
    QPushButton* m_pEdit;
    QPushButton* m_pHide;
    QPushButton* m_pRemove;
    QPushButton* m_pUp;
    QPushButton* m_pDown;
};
