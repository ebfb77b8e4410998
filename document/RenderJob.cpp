#include "RenderJob.h"

#include "Settings.h"
#include "SkyloomDoc.h"
#include "WrapAround.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../effects/Random.h"
#include "../effects/ProgressMeter.h"

#include <algorithm>
#include <climits>
#include <vector>

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

// A tool that cannot wrap by itself, on a wrap-around picture: painted once for every copy
// of its rectangle (moved by the picture's width and height) that meets the picture, each
// from the same generator state, so the copies are one painting. Copies no larger than the
// picture paint disjoint pixels, so each reads the picture as it was. All copies sample the
// noise fixed to the picture where the copy furthest right and up (in rows) does.
void PaintWrappedCopies(CEffect& tool, CSkyloomDoc& doc, const CRect& rect, DWORD nSeed,
                        BOOL bPrepare)
{
    CRect area = rect;
    tool.GetAffectedRect(area);
    const std::vector<CPoint> offsets = WrapOffsets(area, doc.GetImage().GetSize());
    // Top-down: the reference copy has the largest x and the smallest y.
    CPoint reference(INT_MIN, INT_MAX);
    for (const CPoint& offset : offsets) {
        reference.x = std::max(reference.x, offset.x);
        reference.y = std::min(reference.y, offset.y);
    }
    for (const CPoint& offset : offsets) {
        if (g_bCancelRender)
            break;
        SetRandomSeed(nSeed);
        if (bPrepare)
            tool.PrepareRender();
        // In rows, where the noise lives, y grows the other way.
        tool.m_ptNoiseShift = CPoint(reference.x - offset.x, offset.y - reference.y);
        CRect copy = rect;
        copy.OffsetRect(offset.x, offset.y);
        tool.Render(doc.GetImage(), copy, doc.GetUndoImage(), TRUE);
    }
    tool.m_ptNoiseShift = CPoint();
}

// Saves area for undo, renders and rolls back when cancelled; a finished render becomes the
// newest step of the document's history, with its entry in the recipe.
CRenderJobResult Run(CEffect& tool, CSkyloomDoc& doc, const CRect& rect, CRect area,
                     BOOL bPrepare)
{
    CRenderJobResult result;
    const CSize picture = doc.GetImage().GetSize();
    const bool bWrap = doc.IsWrapAround();
    if (bWrap)
        area = WrappedBounds(area, picture);
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
    if (bWrap && !tool.WrapsItself())
        PaintWrappedCopies(tool, doc, rect, nSeed, bPrepare);
    else {
        tool.m_bWrapAround = bWrap;
        if (bPrepare)
            tool.PrepareRender();
        tool.Render(doc.GetImage(), rect, doc.GetUndoImage(), TRUE);
        tool.m_bWrapAround = false;
    }
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

QString RenderRectProblem(const CRect& rect, CSize picture)
{
    auto within = [](int v) { return v >= -kMaxRenderCoordinate && v <= kMaxRenderCoordinate; };
    const QString corners = QStringLiteral("the rectangle %1,%2,%3,%4")
                                .arg(rect.left)
                                .arg(rect.top)
                                .arg(rect.right)
                                .arg(rect.bottom);
    if (!within(rect.left) || !within(rect.top) || !within(rect.right) || !within(rect.bottom))
        return QStringLiteral("%1 reaches past %2 pixels from the picture's corner")
            .arg(corners)
            .arg(kMaxRenderCoordinate);
    const long long area = static_cast<long long>(rect.right - rect.left) *
                           static_cast<long long>(rect.bottom - rect.top);
    const long long limit = std::max(kMaxRenderRectPixels,
                                     static_cast<long long>(picture.cx) * picture.cy);
    if (area > limit)
        return QStringLiteral("%1 covers %2 x %3 pixels; a rectangle may cover at most %4 "
                              "pixels (16384 x 16384, or the picture's own size if larger)")
            .arg(corners)
            .arg(rect.right - rect.left)
            .arg(rect.bottom - rect.top)
            .arg(limit);
    return QString();
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
    result.strProblem = RenderRectProblem(target, doc.GetImage().GetSize());
    if (!result.strProblem.isEmpty()) {
        result.outcome = RENDER_REFUSED;
        return result;
    }
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
