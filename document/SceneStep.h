// One step of the picture as a scene: its recipe entry with what the window needs to paint
// it again in place, and the pixels it painted over.
#pragma once

#include "Dib.h"
#include "Recipe.h"

#include <memory>

struct CSceneStep
{
    CRecipeStep recipe;
    // Its name in the history and the step list: the tool's ("Nebula"), "Clear", "Paste".
    QString strName;
    // The rows (bottom-up picture coordinates) painting it changed; empty when it changed
    // nothing (hidden, or outside the picture).
    CRect rectRows;
    // The pixels of rectRows as they were before the step, while the step is in the
    // picture; null when they are no longer kept (dropped from the undo memory, or the
    // step came from a file's recipe).
    std::unique_ptr<CDib> pBefore;
    // A paste: its pixels and how they went in, so that it can be placed again.
    std::shared_ptr<const CDib> pPasted;
    BOOL bOpaque = TRUE;
    COLORREF key = 0;
    DWORD tolerance = 0;

    // Whether the picture before this step can be had back from it.
    bool IsKept() const { return rectRows.IsRectEmpty() || pBefore != nullptr; }
    // A step to paint in its place: the same recipe and paste, no pixels yet.
    std::shared_ptr<CSceneStep> Unpainted() const
    {
        auto pStep = std::make_shared<CSceneStep>();
        pStep->recipe = recipe;
        pStep->strName = strName;
        pStep->pPasted = pPasted;
        pStep->bOpaque = bOpaque;
        pStep->key = key;
        pStep->tolerance = tolerance;
        return pStep;
    }
};
