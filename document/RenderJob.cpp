#include "RenderJob.h"

#include "Settings.h"
#include "SkyloomDoc.h"
#include "WrapAround.h"
#include "SkyPatch.h"
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
void PaintWrappedCopies(CEffect& tool, CDib& picture, const CRect& rect, CDib* pBefore,
                        DWORD nSeed, BOOL bPrepare)
{
    CRect area = rect;
    tool.GetAffectedRect(area);
    const std::vector<CPoint> offsets = WrapOffsets(area, picture.GetSize());
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
        tool.Render(picture, copy, pBefore, TRUE);
    }
    tool.m_ptNoiseShift = CPoint();
}

// The plane a tool paints a patch of sky in, with whatever the tool reaches past the patch.
CRect PatchArea(CEffect& tool, const CSkyPatch& patch)
{
    CRect plane = patch.PlaneRect();
    tool.GetAffectedRect(plane);
    return plane;
}

}

CRect StepArea(CEffect& tool, const CRect& rect, CSize picture, const CPictureKind& kind)
{
    if (kind.bSkySphere && !tool.PaintsOnSkyItself()) {
        const CSkyPatch patch = CSkyPatch::FromRect(rect, picture);
        return patch.SphereRows(PatchArea(tool, patch));
    }
    CRect area = rect;
    tool.GetAffectedRect(area);
    if (kind.bSkySphere) {
        // Its longitudes wrap around the sky.
        area.left = 0;
        area.right = picture.cx;
    } else if (kind.bWrapAround) {
        area = WrappedBounds(area, picture);
    }
    return area;
}

bool PaintStep(CEffect& tool, CDib& picture, const CRect& rect, CDib* pBefore,
               const CPictureKind& kind, DWORD nSeed, BOOL bPrepare)
{
    if (kind.bSkySphere && !tool.PaintsOnSkyItself()) {
        const CSkyPatch patch = CSkyPatch::FromRect(rect, picture.GetSize());
        if (bPrepare)
            tool.PrepareRender();
        return patch.Paint(picture, PatchArea(tool, patch),
                           [&tool](CDib& plane, CDib& before, const CRect& r) {
                               tool.Render(plane, r, &before, TRUE);
                           });
    }
    if (kind.bWrapAround && !kind.bSkySphere && !tool.WrapsItself()) {
        PaintWrappedCopies(tool, picture, rect, pBefore, nSeed, bPrepare);
        return true;
    }
    tool.m_bWrapAround = kind.bWrapAround && !kind.bSkySphere;
    tool.SetOnSky(kind.bSkySphere);
    if (bPrepare)
        tool.PrepareRender();
    tool.Render(picture, rect, pBefore, TRUE);
    tool.m_bWrapAround = false;
    tool.SetOnSky(false);
    return true;
}

namespace {

// Saves the step's area for undo, renders and rolls back when cancelled; a finished render
// becomes the newest step of the document's history, with its entry in the recipe.
CRenderJobResult Run(CEffect& tool, CSkyloomDoc& doc, const CRect& rect, BOOL bPrepare)
{
    CRenderJobResult result;
    const CPictureKind kind = doc.GetRecipe().Kind();
    const CRect area = StepArea(tool, rect, doc.GetImage().GetSize(), kind);
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
    const bool bPainted =
        PaintStep(tool, doc.GetImage(), rect, doc.GetUndoImage(), kind, nSeed, bPrepare);
    if (!bPainted || g_bCancelRender) {
        // The picture and the history as they were, the modified flag with them.
        doc.RestoreUndo();
        result.outcome = bPainted ? RENDER_CANCELLED : RENDER_NO_UNDO;
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
    return Run(tool, doc, target, bPrepare);
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
