// The render job: what a drag on the canvas, a Star Field click and a step of the
// command-line renderer all do to paint a tool into the document. One path, so the window
// and the command line give the same pixels for the same rectangle, seed and values.
#pragma once

#include "Recipe.h"
#include "WinTypes.h"

#include <QString>

class CDib;
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
    // The rectangle would cost more than a render may (RenderRectProblem); nothing was
    // saved or painted, and strProblem says why.
    RENDER_REFUSED,
};

struct CRenderJobResult
{
    ERenderOutcome outcome = RENDER_NOTHING;
    QString strProblem;
    // Top-down picture area to repaint (empty when nothing changed).
    CRect rectRepaint;
};

// What a rectangle may cost. The effects' work that follows the whole rectangle rather than
// its part in the picture (the stars a star field, cluster or galaxy draws from the
// generator, the grid points a planet walks) is bounded by its area; the memory follows the
// part in the picture. Coordinates stay far from where the effects' integer geometry could
// overflow.
constexpr long long kMaxRenderRectPixels = 1LL << 28; // 16384 x 16384
constexpr int kMaxRenderCoordinate = 1 << 20;

// Why a render into rect (top-down, normalised) of a picture of size picture is refused,
// empty when it may run: a rectangle may cover kMaxRenderRectPixels, or the picture's own
// area where that is more, and each coordinate lies within kMaxRenderCoordinate. The one
// rule of the canvas and skyloom-render, with the one message.
QString RenderRectProblem(const CRect& rect, CSize picture);

// A drag render: the dragged rectangle rect (top-down, any corner order) renders when it
// is not empty and meets the picture. The tool takes the dialog's values (when pDialog is
// set), a rectangle RenderRectProblem refuses is refused, the affected area is saved for
// undo, the generator is set to g_nEffectSeed and the tool renders with progress; a
// cancelled render is undone.
CRenderJobResult RenderDrag(CEffect& tool, CSkyloomDoc& doc, CRect rect,
                            CPreviewHostDlg* pDialog);

// The Star Field's click: renders into target (the selection or the whole picture) from the
// generator's present state, without PrepareRender.
CRenderJobResult RenderClick(CEffect& tool, CSkyloomDoc& doc, const CRect& target,
                             CPreviewHostDlg* pDialog);

// What the recipe keeps of a render of tool into rect from nSeed: every value and option,
// and the light of the lit effects; enough for skyloom-render to paint it again.
CRecipeStep RecipeStepFor(CEffect& tool, const CRect& rect, DWORD nSeed);

// The rectangle (top-down picture pixels, clipped later) a render of tool in rect may change
// on a picture of the given kind and size: what must be kept to undo it.
CRect StepArea(CEffect& tool, const CRect& rect, CSize picture, const CPictureKind& kind);

// Paints tool in rect as a picture of that kind needs it: once; once for each copy that wraps
// around; or on a sky, through the patch of sky rect means (the star field places its stars
// on the sphere itself). The generator stands at the step's seed nSeed (set again for each
// wrapped copy) and bPrepare prepares the tool first. pBefore is the picture's copy of
// StepArea (may be null). False when the sky's plane cannot be made (no memory).
bool PaintStep(CEffect& tool, CDib& picture, const CRect& rect, CDib* pBefore,
               const CPictureKind& kind, DWORD nSeed, BOOL bPrepare);

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
