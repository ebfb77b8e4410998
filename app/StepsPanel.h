// The History panel: the picture's steps, the picture they start from first, each row the
// step's icon, name and rectangle, hidden steps greyed. A step can be edited in its
// properties dialog (double-click or Edit Step), moved up or down; the steps selected can be
// hidden and shown, or removed; each change repaints from the first step it changes, as one
// entry of the history. Undo and Redo above the list name the entry they take back or put
// back, and their menus go back or forward several entries at once.
#pragma once

#include "../document/RenderJob.h"

#include <QList>
#include <QWidget>

#include <functional>

class CSkyloomDoc;
class CSkyloomView;
class QAction;
class QPushButton;
class QToolButton;
class QTreeWidget;

class CStepsPanel : public QWidget
{
    Q_OBJECT
public:
    // pUndo and pRedo: the window's Undo and Redo, which the panel's buttons show.
    CStepsPanel(CSkyloomDoc& doc, CSkyloomView& view, QAction* pUndo, QAction* pRedo,
                QWidget* pParent);

    // The changes, by step (0 the first painted). Each is refused (RENDER_BUSY) while a
    // render runs, and otherwise as the document's RepaintScene says.
    ERenderOutcome EditStep(int nStep, const CRecipeStep& recipe);
    ERenderOutcome SetStepsHidden(const QList<int>& nSteps, bool bHidden);
    ERenderOutcome RemoveSteps(const QList<int>& nSteps);
    ERenderOutcome MoveStep(int nStep, int nDelta);
    // Opens step nStep's properties dialog holding its values, seed and light; OK paints
    // the step again with what the dialog holds.
    ERenderOutcome OpenStepEditor(int nStep);

    // The steps of the selected rows, the first painted first (the first picture's row is
    // never one of them).
    QList<int> SelectedSteps() const;
    // The one step selected; -1 for none or several.
    int SelectedStep() const;
    // Selects step nStep alone (-1: none).
    void SelectStep(int nStep);
    QTreeWidget* List() const { return m_pList; }
    // The buttons above the list whose menus list the entries to undo, or to redo.
    QToolButton* UndoButton() const { return m_pUndo; }
    QToolButton* RedoButton() const { return m_pRedo; }

    // Refills the list from the document and enables the buttons that apply.
    void Refresh();

private:
    ERenderOutcome Change(const std::function<ERenderOutcome()>& change);
    void UpdateButtons();
    // Fills the Undo (or Redo) button's menu with the entries it can take back (put back),
    // the nearest first; choosing one goes through it.
    void FillHistoryMenu(bool bUndo);

    CSkyloomDoc& m_doc;
    CSkyloomView& m_view;
    QTreeWidget* m_pList;
    QToolButton* m_pUndo;
    QToolButton* m_pRedo;
    QPushButton* m_pEdit;
    QPushButton* m_pHide;
    QPushButton* m_pRemove;
    QPushButton* m_pUp;
    QPushButton* m_pDown;
};
