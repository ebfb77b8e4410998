#include "RenderJob.h"

#include "Settings.h"
#include "SkyloomDoc.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../effects/Random.h"
#include "../effects/ProgressMeter.h"

namespace {

BOOL s_bRendering = FALSE;

}

CRecipeStep RecipeStepFor(CEffect& tool, const CRect& rect, DWORD nSeed)
{
    CRecipeStep step;
    step.strEffect = tool.m_strSection;
    step.rect = rect;
    step.nSeed = nSeed;
    for (const CEffectValue& value : tool.GetValues())
        step.values.append({QString::fromLatin1(value.szName), EffectValueText(value)});
    for (const CEffectOption& option : tool.GetOptions()) {
        const QString name = QString::fromLatin1(option.szName);
        step.values.append({name, tool.GetOption(name)});
    }
    if (tool.UsesOpenGL()) {
        step.bHasLight = true;
        step.nLightOrient = g_nLightOrient;
        step.nLightInten = g_nLightInten;
        step.nLightElevation = g_nLightElevation;
    }
    return step;
}

namespace {

// The name of a render's step in the history: the tool's, as the Design menu gives it.
QString StepName(const CEffect& tool)
{
    const CToolInfo* pInfo = GetToolInfo(FindToolBySection(tool.m_strSection));
    return pInfo ? QString::fromLatin1(pInfo->szName) : tool.m_strSection;
}

// Saves area for undo, renders and rolls back when cancelled; a finished render becomes the
// newest step of the document's history, with its entry in the recipe.
CRenderJobResult Run(CEffect& tool, CSkyloomDoc& doc, const CRect& rect, CRect area,
                     BOOL bPrepare)
{
    CRenderJobResult result;
    if (!doc.SaveUndo(area)) {
        // Without the copy a cancel could not be undone, the render could not be a step
        // of the history, and the lit effects would draw over black instead of the picture.
        result.outcome = RENDER_NO_UNDO;
        return result;
    }
    // A cancel left over from an earlier render (or a stray Escape) must not stop this
    // one; renders without a progress bar (the galaxy) never clear it themselves.
    g_bCancelRender = 0;
    if (bPrepare)
        SetRandomSeed(g_nEffectSeed);
    // The generator's state as the render starts: a drag's seed, or where a click goes on.
    const DWORD nSeed = GetRandomSeed();
    if (bPrepare)
        tool.PrepareRender();
    tool.Render(doc.GetImage(), rect, doc.GetUndoImage(), TRUE);
    if (g_bCancelRender) {
        // The picture and the history as they were, the modified flag with them.
        doc.RestoreUndo();
        result.outcome = RENDER_CANCELLED;
        g_bCancelRender = 0;
    } else {
        doc.CommitUndo(StepName(tool), RecipeStepFor(tool, rect, nSeed));
        result.outcome = RENDER_DONE;
    }
    result.rectRepaint = area;
    return result;
}

}

BOOL IsRendering()
{
    return s_bRendering;
}

CRenderingGuard::CRenderingGuard()
{
    s_bRendering = TRUE;
}

CRenderingGuard::~CRenderingGuard()
{
    s_bRendering = FALSE;
}

namespace {

// The gate and the steps both gestures share: a target that is empty or misses the
// picture renders nothing; the dialog's values must pass.
CRenderJobResult RunGesture(CEffect& tool, CSkyloomDoc& doc, const CRect& target,
                            CPreviewHostDlg* pDialog, BOOL bPrepare)
{
    CRenderJobResult result;
    if (s_bRendering) {
        result.outcome = RENDER_BUSY;
        return result;
    }
    CRect visible;
    if (target.IsRectEmpty() || !visible.IntersectRect(target, doc.GetImageRect()))
        return result;
    const CRenderingGuard guard;
    if (pDialog && !tool.FromDialog(pDialog)) {
        result.outcome = RENDER_INVALID_VALUES;
        return result;
    }
    CRect area = target;
    tool.GetAffectedRect(area);
    return Run(tool, doc, target, area, bPrepare);
}

}

CRenderJobResult RenderDrag(CEffect& tool, CSkyloomDoc& doc, CRect rect, CPreviewHostDlg* pDialog)
{
    rect.NormalizeRect();
    CRenderJobResult result = RunGesture(tool, doc, rect, pDialog, TRUE);
    // One pixel more wipes the rubber band drawn along the rectangle's edge.
    if (!result.rectRepaint.IsRectEmpty())
        result.rectRepaint.InflateRect(1, 1);
    return result;
}

CRenderJobResult RenderClick(CEffect& tool, CSkyloomDoc& doc, const CRect& target,
                             CPreviewHostDlg* pDialog)
{
    // The Star Field's click goes on from the generator's present state.
    return RunGesture(tool, doc, target, pDialog, FALSE);
}
