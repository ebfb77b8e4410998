#include "UndoStep.h"

#include "SkyloomDoc.h"

#include <algorithm>

namespace {
// What a step holds besides its pixels: the command, its recipe entry (a few dozen values
// by name) and its row in the History panel.
constexpr qint64 kStepOverheadBytes = 4096;
}

qint64 UndoStepBytes(const CRect& rectRows)
{
    return qint64(DibStride(rectRows.Width(), 24)) * rectRows.Height() + kStepOverheadBytes;
}

CUndoStep::CUndoStep(CSkyloomDoc& doc, const QString& strName, std::unique_ptr<CDib> pBefore,
                     const CRect& rectRows, std::optional<CRecipeStep> recipeStep)
    : QUndoCommand(strName), m_doc(doc), m_pPixels(std::move(pBefore)), m_rectRows(rectRows),
      m_recipeStep(std::move(recipeStep))
{
}

CUndoStep::CUndoStep(CSkyloomDoc& doc, const QString& strName, std::unique_ptr<CDib> pBefore,
                     const CRect& rectRows, const CRecipe& recipeBefore)
    : QUndoCommand(strName), m_doc(doc), m_pPixels(std::move(pBefore)), m_rectRows(rectRows),
      m_otherRecipe(recipeBefore)
{
}

CUndoStep::CUndoStep(CSkyloomDoc& doc, CUndoStep&& other)
    : QUndoCommand(other.text()), m_doc(doc), m_pPixels(std::move(other.m_pPixels)),
      m_rectRows(other.m_rectRows), m_recipeStep(std::move(other.m_recipeStep)),
      m_otherRecipe(std::move(other.m_otherRecipe)), m_bDone(other.m_bDone)
{
}

qint64 CUndoStep::Bytes() const
{
    return UndoStepBytes(m_rectRows);
}

void CUndoStep::undo()
{
    // While the history is rebuilt the stack walks its index over steps whose pixels are
    // already where they belong.
    if (!m_bDone || m_doc.m_bRebuildingHistory)
        return;
    Exchange();
    if (m_recipeStep && !m_doc.m_recipe.m_steps.isEmpty())
        m_doc.m_recipe.m_steps.removeLast();
    m_bDone = false;
    m_doc.StepMoved(m_rectRows);
}

void CUndoStep::redo()
{
    if (m_bDone || m_doc.m_bRebuildingHistory)
        return;
    Exchange();
    if (m_recipeStep)
        m_doc.m_recipe.m_steps.append(*m_recipeStep);
    m_bDone = true;
    m_doc.StepMoved(m_rectRows);
}

void CUndoStep::Exchange()
{
    CDib& picture = m_doc.m_dib;
    // A step belongs to the picture it was made on (New and Open empty the history); the
    // check keeps a picture of another size from being written past its end all the same.
    if (!m_pPixels || !picture.m_pBits || m_rectRows.right > picture.m_nWidth ||
        m_rectRows.bottom > picture.m_nHeight)
        return;
    if (m_otherRecipe)
        std::swap(*m_otherRecipe, m_doc.m_recipe);
    const size_t nBytes = size_t(m_rectRows.Width()) * 3;
    for (int i = 0; i < m_rectRows.Height(); ++i) {
        BYTE* pPicture = picture.PixelAddress(m_rectRows.left, m_rectRows.top + i);
        BYTE* pKept = m_pPixels->PixelAddress(0, i);
        std::swap_ranges(pPicture, pPicture + nBytes, pKept);
    }
}
