// The render job: what a drag on the canvas, a Star Field click and a step of the
// command-line renderer all do to paint a tool into the document. One path, so the window
// and the command line give the same pixels for the same rectangle, seed and values.
#pragma once

#include "Recipe.h"
#include "WinTypes.h"

class CEffect;
class CPreviewHostDlg;
class CSkyloomDoc;

enum ERenderOutcome {
    // Nothing was rendered: the rectangle was empty or missed the picture.
    RENDER_NOTHING,
    // The dialog's values failed validation; nothing was saved or painted.
    RENDER_INVALID_VALUES,
    // No undo copy could be kept (not within the undo memory, or no memory left); nothing
    // was painted.
    RENDER_NO_UNDO,
    // Escape stopped the render; the picture is as it was.
    RENDER_CANCELLED,
    RENDER_DONE,
    // Another render is running; this one did not start.
    RENDER_BUSY,
};

struct CRenderJobResult
{
    ERenderOutcome outcome = RENDER_NOTHING;
    // Top-down picture area to repaint (empty when nothing changed).
    CRect rectRepaint;
};

// A drag render: the dragged rectangle rect (top-down, any corner order) renders when it
// is not empty and meets the picture. The tool takes the dialog's values (when pDialog is
// set), the affected area is saved for undo, the generator is set to g_nEffectSeed and
// the tool renders with progress; a cancelled render is undone.
CRenderJobResult RenderDrag(CEffect& tool, CSkyloomDoc& doc, CRect rect,
                            CPreviewHostDlg* pDialog);

// The Star Field's click: renders into target (the selection or the whole picture) from the
// generator's present state, without PrepareRender.
CRenderJobResult RenderClick(CEffect& tool, CSkyloomDoc& doc, const CRect& target,
                             CPreviewHostDlg* pDialog);

// What the recipe keeps of a render of tool into rect from nSeed: every value and option,
// and the light of the lit effects; enough for skyloom-render to paint it again.
CRecipeStep RecipeStepFor(CEffect& tool, const CRect& rect, DWORD nSeed);

// TRUE while a render job runs. Commands that change the document, a second gesture,
// files opened from outside and preview refreshes wait while it is set; Escape cancels
// only while it is set.
BOOL IsRendering();

// Holds IsRendering() TRUE for its life: a render job, or steps painted again.
class CRenderingGuard
{
public:
    CRenderingGuard();
    ~CRenderingGuard();
    CRenderingGuard(const CRenderingGuard&) = delete;
    CRenderingGuard& operator=(const CRenderingGuard&) = delete;
};
