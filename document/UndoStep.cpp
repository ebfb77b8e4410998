#include "UndoStep.h"

#include "SkyloomDoc.h"

#include <algorithm>

namespace {
// What a step holds besides its pixels: the command, its recipe entry (a few dozen values
// by name) and its row in the History panel.
constexpr qint64 kStepOverheadBytes = 4096;

qint64 PastedBytes(const CSceneStep& step)
{
    return step.pPasted ? qint64(step.pPasted->m_nStride) * step.pPasted->m_nHeight : 0;
}
}

qint64 UndoStepBytes(const CRect& rectRows)
{
    return qint64(DibStride(rectRows.Width(), 24)) * rectRows.Height() + kStepOverheadBytes;
}

void ExchangeRows(CDib& picture, CDib* pKept, const CRect& rectRows)
{
    // A step belongs to the picture it was made on (New and Open empty the history); the
    // check keeps a picture of another size from being written past its end all the same.
    if (!pKept || !picture.m_pBits || rectRows.IsRectEmpty() || rectRows.left < 0 ||
        rectRows.top < 0 || rectRows.right > picture.m_nWidth ||
        rectRows.bottom > picture.m_nHeight)
        return;
    const size_t nBytes = size_t(rectRows.Width()) * 3;
    for (int i = 0; i < rectRows.Height(); ++i) {
        BYTE* pPicture = picture.PixelAddress(rectRows.left, rectRows.top + i);
        BYTE* pOther = pKept->PixelAddress(0, i);
        std::swap_ranges(pPicture, pPicture + nBytes, pOther);
    }
}

bool CHistoryEntry::IsRebuilding() const
{
    return m_doc.m_bRebuildingHistory;
}

CUndoStep::CUndoStep(CSkyloomDoc& doc, std::shared_ptr<CSceneStep> pStep)
    : CHistoryEntry(doc, pStep->strName), m_pStep(std::move(pStep))
{
}

qint64 CUndoStep::Bytes() const
{
    return UndoStepBytes(m_pStep->rectRows) + PastedBytes(*m_pStep);
}

std::unique_ptr<CHistoryEntry> CUndoStep::TakeOver()
{
    auto pEntry = std::make_unique<CUndoStep>(m_doc, std::move(m_pStep));
    pEntry->m_bDone = m_bDone;
    return pEntry;
}

void CUndoStep::Forget()
{
    if (m_bDone)
        m_pStep->pBefore.reset();
}

void CUndoStep::undo()
{
    if (!m_bDone || IsRebuilding())
        return;
    ExchangeRows(m_doc.m_dib, m_pStep->pBefore.get(), m_pStep->rectRows);
    m_doc.SetSceneTail(m_doc.GetStepCount() - 1, {});
    m_bDone = false;
    m_doc.StepMoved(m_pStep->rectRows);
}

void CUndoStep::redo()
{
    if (m_bDone || IsRebuilding())
        return;
    ExchangeRows(m_doc.m_dib, m_pStep->pBefore.get(), m_pStep->rectRows);
    m_doc.SetSceneTail(m_doc.GetStepCount(), {m_pStep});
    m_bDone = true;
    m_doc.StepMoved(m_pStep->rectRows);
}

CSceneEdit::CSceneEdit(CSkyloomDoc& doc, const QString& strName, int nFrom,
                       CSceneSteps oldSteps, CSceneSteps newSteps, const CRect& rectRows,
                       std::unique_ptr<CDib> pPixels)
    : CHistoryEntry(doc, strName), m_nFrom(nFrom), m_oldSteps(std::move(oldSteps)),
      m_newSteps(std::move(newSteps)), m_rectRows(rectRows), m_pPixels(std::move(pPixels))
{
}

qint64 CSceneEdit::Bytes() const
{
    qint64 nBytes = UndoStepBytes(m_rectRows);
    for (const auto& pStep : m_newSteps)
        nBytes += UndoStepBytes(pStep->rectRows);
    return nBytes;
}

std::unique_ptr<CHistoryEntry> CSceneEdit::TakeOver()
{
    auto pEntry = std::make_unique<CSceneEdit>(m_doc, text(), m_nFrom, std::move(m_oldSteps),
                                               std::move(m_newSteps), m_rectRows,
                                               std::move(m_pPixels));
    pEntry->m_bDone = m_bDone;
    return pEntry;
}

void CSceneEdit::Forget()
{
    for (const auto& pStep : m_newSteps)
        pStep->pBefore.reset();
}

void CSceneEdit::undo()
{
    if (!m_bDone || IsRebuilding())
        return;
    Exchange(m_oldSteps);
    m_bDone = false;
}

void CSceneEdit::redo()
{
    if (m_bDone || IsRebuilding())
        return;
    Exchange(m_newSteps);
    m_bDone = true;
}

void CSceneEdit::Exchange(const CSceneSteps& steps)
{
    ExchangeRows(m_doc.m_dib, m_pPixels.get(), m_rectRows);
    m_doc.SetSceneTail(m_nFrom, steps);
    m_doc.StepMoved(m_rectRows);
}

CRecipeChange::CRecipeChange(CSkyloomDoc& doc, const QString& strName,
                             std::unique_ptr<CDib> pPixels, const CRect& rectRows,
                             const CRecipe& otherRecipe)
    : CHistoryEntry(doc, strName), m_pPixels(std::move(pPixels)), m_rectRows(rectRows),
      m_otherRecipe(otherRecipe)
{
}

void CRecipeChange::undo()
{
    if (!m_bDone || IsRebuilding())
        return;
    Exchange();
    m_bDone = false;
}

// Pushed done: the stack's first redo finds the change made.
void CRecipeChange::redo()
{
    if (m_bDone || IsRebuilding())
        return;
    Exchange();
    m_bDone = true;
}

void CRecipeChange::Exchange()
{
    ExchangeRows(m_doc.m_dib, m_pPixels.get(), m_rectRows);
    std::swap(m_otherRecipe, m_doc.m_recipe);
    m_doc.SceneFromRecipe();
    m_doc.StepMoved(m_rectRows);
}

std::unique_ptr<CHistoryEntry> CRecipeChange::TakeOver()
{
    auto pEntry = std::make_unique<CRecipeChange>(m_doc, text(), std::move(m_pPixels),
                                                  m_rectRows, m_otherRecipe);
    pEntry->m_bDone = m_bDone;
    return pEntry;
}
