// One change of the picture in the document's history: a render, Clear, Cut or a paste
// (a step added to the scene), or a change of steps already painted (edit, hide, show,
// remove, move).
#pragma once

#include "Dib.h"
#include "Recipe.h"
#include "SceneStep.h"

#include <QList>
#include <QUndoCommand>

#include <memory>

class CSkyloomDoc;

using CSceneSteps = QList<std::shared_ptr<CSceneStep>>;

// What a step of rectRows holds, in bytes: its pixels and an estimate of the rest.
qint64 UndoStepBytes(const CRect& rectRows);

// Exchanges the pixels of rectRows (row coordinates of picture) with kept's, which holds
// just that rectangle. Nothing when kept is null or rectRows is not inside picture.
void ExchangeRows(CDib& picture, CDib* pKept, const CRect& rectRows);

// What every entry of the history can do besides undo and redo.
class CHistoryEntry : public QUndoCommand
{
public:
    CHistoryEntry(CSkyloomDoc& doc, const QString& strName) : QUndoCommand(strName), m_doc(doc) {}

    virtual qint64 Bytes() const = 0;
    // A new entry with this one's pixels and state, leaving it empty: how the history is
    // rebuilt without its oldest entries.
    virtual std::unique_ptr<CHistoryEntry> TakeOver() = 0;
    // The entry leaves the history from its oldest end: the pixels of the steps it made
    // are no longer kept, and those steps can no longer be painted again in place.
    virtual void Forget() = 0;

protected:
    // Steps walk over the stack's index without touching the picture while it is rebuilt.
    bool IsRebuilding() const;

    CSkyloomDoc& m_doc;
};

// A step keeps the pixels of the rectangle its change touched: the picture before the
// change while the step is done, and after it once the step is undone. Undo and redo are
// therefore the same exchange of those pixels with the picture's, and a step costs the
// memory of its rectangle once, either way.
class CUndoStep : public CHistoryEntry
{
public:
    // pStep holds in pBefore its rectRows (inside the picture) as they were before the
    // change, which has been made and added to the scene.
    CUndoStep(CSkyloomDoc& doc, std::shared_ptr<CSceneStep> pStep);

    void undo() override;
    void redo() override;
    qint64 Bytes() const override;
    std::unique_ptr<CHistoryEntry> TakeOver() override;
    void Forget() override;

private:
    std::shared_ptr<CSceneStep> m_pStep;
    // The change is in the picture. A new step is pushed done: the stack's first redo()
    // finds the change already made and does nothing.
    bool m_bDone = true;
};

// The whole picture made anew from another recipe (Make Seamless): its pixels of rectRows
// and the recipe, each exchanged with the document's on undo and redo. The steps of the
// recipe put back are listed but kept no pixels of their own.
class CRecipeChange : public CHistoryEntry
{
public:
    CRecipeChange(CSkyloomDoc& doc, const QString& strName, std::unique_ptr<CDib> pPixels,
                  const CRect& rectRows, const CRecipe& otherRecipe);

    void undo() override;
    void redo() override;
    qint64 Bytes() const override { return UndoStepBytes(m_rectRows); }
    std::unique_ptr<CHistoryEntry> TakeOver() override;
    void Forget() override {}

private:
    void Exchange();

    std::unique_ptr<CDib> m_pPixels;
    CRect m_rectRows;
    CRecipe m_otherRecipe;
    bool m_bDone = true;
};

// Steps nFrom onward painted again: the steps that were there and those painted in their
// place, and the picture's pixels of rectRows the other way round (before the change while
// it is done, after it once undone).
class CSceneEdit : public CHistoryEntry
{
public:
    CSceneEdit(CSkyloomDoc& doc, const QString& strName, int nFrom, CSceneSteps oldSteps,
               CSceneSteps newSteps, const CRect& rectRows, std::unique_ptr<CDib> pPixels);

    void undo() override;
    void redo() override;
    qint64 Bytes() const override;
    std::unique_ptr<CHistoryEntry> TakeOver() override;
    void Forget() override;

private:
    void Exchange(const CSceneSteps& steps);

    int m_nFrom;
    CSceneSteps m_oldSteps;
    CSceneSteps m_newSteps;
    CRect m_rectRows;
    std::unique_ptr<CDib> m_pPixels;
    bool m_bDone = true;
};
