// One change of the picture in the document's history: a render, Clear, Cut or a paste.
#pragma once

#include "Dib.h"
#include "Recipe.h"

#include <QUndoCommand>

#include <memory>
#include <optional>

class CSkyloomDoc;

// What a step of rectRows holds, in bytes: its pixels and an estimate of the rest.
qint64 UndoStepBytes(const CRect& rectRows);

// A step keeps the pixels of the rectangle its change touched: the picture before the
// change while the step is done, and after it once the step is undone. Undo and redo are
// therefore the same exchange of those pixels with the picture's, and a step costs the
// memory of its rectangle once, either way.
class CUndoStep : public QUndoCommand
{
public:
    // pBefore holds rectRows (row coordinates of the picture, inside it) as it was before
    // the change, which has been made; recipeStep is the entry the change added to the
    // recipe, if any.
    CUndoStep(CSkyloomDoc& doc, const QString& strName, std::unique_ptr<CDib> pBefore,
              const CRect& rectRows, std::optional<CRecipeStep> recipeStep);
    // A change of the whole recipe (Make Seamless): recipeBefore is the document's recipe
    // as it was, exchanged with the present one on undo and redo, as the pixels are.
    CUndoStep(CSkyloomDoc& doc, const QString& strName, std::unique_ptr<CDib> pBefore,
              const CRect& rectRows, const CRecipe& recipeBefore);
    // Takes over other's pixels and state, leaving it empty: how the history is rebuilt
    // without its oldest steps.
    CUndoStep(CSkyloomDoc& doc, CUndoStep&& other);

    void undo() override;
    void redo() override;

    qint64 Bytes() const;
    bool IsDone() const { return m_bDone; }

private:
    void Exchange();

    CSkyloomDoc& m_doc;
    std::unique_ptr<CDib> m_pPixels;
    CRect m_rectRows;
    std::optional<CRecipeStep> m_recipeStep;
    std::optional<CRecipe> m_otherRecipe;
    // The change is in the picture. A new step is pushed done: the stack's first redo()
    // finds the change already made and does nothing.
    bool m_bDone = true;
};
