#include "SceneRepaint.h"

#include "Settings.h"
#include "SkyloomDoc.h"
#include "UndoStep.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../effects/ProgressMeter.h"
#include "../effects/Random.h"

#include <algorithm>

QList<QPair<QString, QString>> DefaultValueTexts(CEffect& tool)
{
    QList<QPair<QString, QString>> texts;
    const CEffectValues values = tool.GetValues();
    ResetEffectValues(values);
    for (const CEffectValue& value : values)
        texts.append({QString::fromLatin1(value.szName), EffectValueText(value)});
    return texts;
}

bool SetToolFromStep(CEffect& tool, const CRecipeStep& step, QString& why)
{
    const QList<QPair<QString, QString>> defaults = DefaultValueTexts(tool);
    const CEffectValues table = tool.GetValues();
    QList<QPair<QString, QString>> values, options;
    for (const auto& value : step.values) {
        if (FindEffectValue(table, value.first)) {
            if (!defaults.contains(value))
                values.append(value);
        } else {
            options.append(value);
        }
    }
    if (!tool.SetValues(values, why))
        return false;
    for (const auto& option : options) {
        if (!tool.SetOption(option.first, option.second, why))
            return false;
    }
    return true;
}

CRect ScaledRect(const CRect& rect, double dScale)
{
    const auto scaled = [dScale](int n) { return int(std::lround(n * dScale)); };
    return CRect(scaled(rect.left), scaled(rect.top), scaled(rect.right), scaled(rect.bottom));
}

QString SceneStepName(const CRecipeStep& step)
{
    if (!step.strEdit.isEmpty())
        return step.strEdit;
    const CToolInfo* pInfo = GetToolInfo(FindToolBySection(step.strEffect));
    return pInfo ? QString::fromLatin1(pInfo->szName) : step.strEffect;
}

namespace {

using AreaHook = std::function<bool(const CRect&)>;

// Keeps the pixels of rect (top-down, any extent) that lie in the picture in the step.
bool KeepBefore(const CDib& picture, CRect rect, CSceneStep& step, const AreaHook& pfnArea)
{
    picture.FlipRect(rect);
    picture.ClipRect(rect);
    step.pBefore.reset();
    step.rectRows.SetRectEmpty();
    if (rect.IsRectEmpty())
        return true;
    if (pfnArea && !pfnArea(rect))
        return false;
    step.pBefore.reset(picture.Extract(rect));
    step.rectRows = rect;
    return step.pBefore != nullptr;
}

// The light of the lit effects as a step had it, for the length of its render.
class CStepLight
{
public:
    explicit CStepLight(const CRecipeStep& step)
        : m_nOrient(g_nLightOrient), m_nInten(g_nLightInten), m_nElevation(g_nLightElevation)
    {
        if (!step.bHasLight)
            return;
        g_nLightOrient = step.nLightOrient;
        g_nLightInten = step.nLightInten;
        g_nLightElevation = step.nLightElevation;
    }
    ~CStepLight()
    {
        g_nLightOrient = m_nOrient;
        g_nLightInten = m_nInten;
        g_nLightElevation = m_nElevation;
    }
    CStepLight(const CStepLight&) = delete;
    CStepLight& operator=(const CStepLight&) = delete;

private:
    int m_nOrient, m_nInten, m_nElevation;
};

EStepPaint PaintEffect(CDib& picture, CSceneStep& step, const CPictureKind& kind,
                       const AreaHook& pfnArea)
{
    const CRecipeStep& recipe = step.recipe;
    const int nTool = FindToolBySection(recipe.strEffect);
    const std::unique_ptr<CEffect> tool = nTool > 0 ? CreateToolAsTheViewDoes(nTool) : nullptr;
    QString why;
    if (!tool || tool->m_strSection.isEmpty() || !SetToolFromStep(*tool, recipe, why))
        return STEP_FAILED;
    // A drag's own gate: a rectangle that is empty or misses the picture paints nothing.
    CRect rect = recipe.rect, visible;
    rect.NormalizeRect();
    if (rect.IsRectEmpty() ||
        !visible.IntersectRect(rect, CRect(0, 0, picture.m_nWidth, picture.m_nHeight)))
        return STEP_PAINTED;
    const CRect area = StepArea(*tool, rect, picture.GetSize(), kind);
    if (!KeepBefore(picture, area, step, pfnArea))
        return STEP_FAILED;
    const CStepLight light(recipe);
    SetRandomSeed(recipe.nSeed);
    if (!PaintStep(*tool, picture, rect, step.pBefore.get(), kind, recipe.nSeed, TRUE))
        return STEP_FAILED;
    return g_bCancelRender ? STEP_CANCELLED : STEP_PAINTED;
}

}

EStepPaint PaintSceneStep(CDib& picture, CSceneStep& step, const CPictureKind& kind,
                          const AreaHook& pfnArea)
{
    step.pBefore.reset();
    step.rectRows.SetRectEmpty();
    const CRecipeStep& recipe = step.recipe;
    if (recipe.bHidden)
        return STEP_PAINTED;
    if (recipe.strEdit.isEmpty())
        return PaintEffect(picture, step, kind, pfnArea);
    if (step.pPasted) {
        if (!KeepBefore(picture, recipe.rect, step, pfnArea))
            return STEP_FAILED;
        CRect rows = recipe.rect;
        picture.FlipRect(rows);
        picture.Paste(*step.pPasted, rows, step.bOpaque, step.key, step.tolerance);
        return STEP_PAINTED;
    }
    bool ok = false;
    const uint colour =
        recipe.values.isEmpty() ? 0 : recipe.values.first().second.toUInt(&ok, 16);
    if (recipe.strEdit != QLatin1String("Clear") || !ok ||
        !KeepBefore(picture, recipe.rect, step, pfnArea))
        return STEP_FAILED;
    if (!step.rectRows.IsRectEmpty())
        picture.FillRect(colour, step.rectRows);
    return STEP_PAINTED;
}

namespace {

// One bar for a repaint of many steps: each step's render fills its share of it, and the
// frame stays disabled from the first step to the last.
class CStagedProgress : public CProgressDisplay
{
public:
    explicit CStagedProgress(int nStages)
        : m_pOuter(GetProgressDisplay()), m_nStages(std::max(nStages, 1))
    {
        SetProgressDisplay(this);
        EnableFrame(FALSE);
    }
    ~CStagedProgress() override
    {
        SetProgressDisplay(m_pOuter);
        if (m_bBar)
            m_pOuter->DestroyBar();
        if (m_bFrameDisabled)
            m_pOuter->EnableFrame(TRUE);
    }
    CStagedProgress(const CStagedProgress&) = delete;
    CStagedProgress& operator=(const CStagedProgress&) = delete;

    void SetStage(int nStage)
    {
        m_nStage = nStage;
        SetBarPosition(0);
    }

    BOOL CreateBar() override
    {
        if (m_pOuter && !m_bBar)
            m_bBar = m_pOuter->CreateBar() != FALSE;
        return m_bBar;
    }
    void SetBarPosition(int nPercent) override
    {
        if (m_bBar)
            m_pOuter->SetBarPosition((m_nStage * 100 + std::clamp(nPercent, 0, 100)) / m_nStages);
    }
    void DestroyBar() override {}
    void EnableFrame(BOOL bEnable) override
    {
        if (!bEnable && m_pOuter && !m_bFrameDisabled) {
            m_pOuter->EnableFrame(FALSE);
            m_bFrameDisabled = true;
        }
    }
    void ShowPainted(const CRect& rectRows) override
    {
        if (m_pOuter)
            m_pOuter->ShowPainted(rectRows);
    }

private:
    CProgressDisplay* m_pOuter;
    int m_nStages;
    int m_nStage = 0;
    bool m_bBar = false;
    bool m_bFrameDisabled = false;
};

// The picture as it was over a rectangle that grows to take in every part a repaint is
// about to change. Everything changed so far lies inside it, so the picture outside still
// holds what was there, and growing copies that part in.
class CGrowingCopy
{
public:
    explicit CGrowingCopy(const CDib& picture) : m_picture(picture) {}

    bool Take(const CRect& rows)
    {
        CRect grown;
        grown.UnionRect(m_rect, rows);
        if (grown == m_rect)
            return true;
        std::unique_ptr<CDib> pGrown(m_picture.Extract(grown));
        if (!pGrown)
            return false;
        if (m_pPixels)
            pGrown->CopyRect(m_rect.left - grown.left, m_rect.top - grown.top, m_rect.Width(),
                             m_rect.Height(), *m_pPixels, 0, 0);
        m_pPixels = std::move(pGrown);
        m_rect = grown;
        return true;
    }
    // Puts the pixels back into picture.
    void Restore(CDib& picture) const
    {
        if (m_pPixels)
            picture.CopyRect(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(),
                             *m_pPixels, 0, 0);
    }
    const CRect& Rect() const { return m_rect; }
    std::unique_ptr<CDib> TakePixels() { return std::move(m_pPixels); }

private:
    const CDib& m_picture;
    CRect m_rect;
    std::unique_ptr<CDib> m_pPixels;
};

// The steps from nFrom on, to be painted again in their place.
CSceneSteps UnpaintedTail(const CSkyloomDoc& doc, int nFrom)
{
    CSceneSteps steps;
    for (int i = nFrom; i < doc.GetStepCount(); ++i)
        steps.append(doc.GetStep(i).Unpainted());
    return steps;
}

}

ERenderOutcome CSkyloomDoc::RepaintScene(int nFrom, const CSceneSteps& steps,
                                         const QString& strName)
{
    if (IsRendering() || m_pUndo)
        return RENDER_BUSY;
    if (!CanRepaintFrom(nFrom))
        return RENDER_NO_UNDO;
    const CRenderingGuard guard;
    // The picture as it is over what the repaint changes: what Escape puts back, and what
    // the history entry keeps for Undo.
    CGrowingCopy before(m_dib);
    CRect oldRows;
    for (int i = nFrom; i < int(m_scene.size()); ++i)
        oldRows.UnionRect(CRect(oldRows), m_scene[i]->rectRows);
    if (!oldRows.IsRectEmpty() && !before.Take(oldRows)) {
        emit undoRefused();
        return RENDER_NO_UNDO;
    }
    // The picture before step nFrom: each later step's pixels back, the newest first.
    for (int i = int(m_scene.size()) - 1; i >= nFrom; --i) {
        const CSceneStep& step = *m_scene[i];
        const CRect& r = step.rectRows;
        if (!r.IsRectEmpty())
            m_dib.CopyRect(r.left, r.top, r.Width(), r.Height(), *step.pBefore, 0, 0);
    }
    // The canvas shows the picture before the step, then the steps as they are painted.
    CRect changed = before.Rect();
    m_dib.FlipRect(changed);
    emit pixelsChanged(changed);
    EStepPaint result = STEP_PAINTED;
    {
        CStagedProgress progress(int(steps.size()));
        g_bCancelRender = 0;
        const auto take = [&before](const CRect& rows) { return before.Take(rows); };
        for (int i = 0; i < steps.size() && result == STEP_PAINTED; ++i) {
            progress.SetStage(i);
            result = PaintSceneStep(m_dib, *steps[i], m_recipe.Kind(), take);
        }
    }
    changed = before.Rect();
    m_dib.FlipRect(changed);
    if (result != STEP_PAINTED) {
        // Byte for byte as it was, the history and the steps with it.
        before.Restore(m_dib);
        g_bCancelRender = 0;
        emit pixelsChanged(changed);
        if (result == STEP_FAILED)
            emit undoRefused();
        return result == STEP_CANCELLED ? RENDER_CANCELLED : RENDER_NO_UNDO;
    }
    const CSceneSteps oldSteps = m_scene.mid(nFrom);
    SetSceneTail(nFrom, steps);
    // Pushed done: the stack's redo() of a new entry finds the change made.
    m_history.push(new CSceneEdit(*this, strName, nFrom, oldSteps, steps, before.Rect(),
                                  before.TakePixels()));
    MakeRoom(0, 1);
    emit pixelsChanged(changed);
    return RENDER_DONE;
}

ERenderOutcome CSkyloomDoc::PaintAgainAtSize(double dScale)
{
    if (IsRendering() || m_pUndo)
        return RENDER_BUSY;
    if (m_recipe.m_start != CRecipe::NewPicture)
        return RENDER_NOTHING;
    const CSize size(int(std::lround(m_recipe.m_size.cx * dScale)),
                     int(std::lround(m_recipe.m_size.cy * dScale)));
    if (size.cx < 1 || size.cy < 1 || !DibSizeAllowed(size.cx, size.cy))
        return RENDER_NOTHING;
    // Every step must be one the recipe can paint: a paste whose pixels went is not.
    for (const auto& pStep : m_scene) {
        if (pStep->recipe.strEdit == QLatin1String("Paste") && !pStep->pPasted)
            return RENDER_NOTHING;
    }
    const CRenderingGuard guard;
    // Painted aside: Escape, or too little memory, leaves the picture as it is.
    CDib picture;
    if (!picture.Create(size.cx, size.cy)) {
        emit undoRefused();
        return RENDER_NO_UNDO;
    }
    picture.Fill(m_recipe.m_nBackground);
    CSceneSteps steps;
    EStepPaint result = STEP_PAINTED;
    {
        CStagedProgress progress(int(m_scene.size()));
        g_bCancelRender = 0;
        for (int i = 0; i < m_scene.size() && result == STEP_PAINTED; ++i) {
            progress.SetStage(i);
            auto pStep = m_scene[i]->Unpainted();
            CRect& rect = pStep->recipe.rect;
            // A paste keeps its pixels, at its place scaled.
            rect = pStep->pPasted ? CRect(ScaledRect(rect, dScale).TopLeft(),
                                          CSize(pStep->pPasted->m_nWidth,
                                                pStep->pPasted->m_nHeight))
                                  : ScaledRect(rect, dScale);
            result = PaintSceneStep(picture, *pStep, m_recipe.Kind());
            steps.append(pStep);
        }
    }
    g_bCancelRender = 0;
    if (result != STEP_PAINTED) {
        if (result == STEP_FAILED)
            emit undoRefused();
        return result == STEP_CANCELLED ? RENDER_CANCELLED : RENDER_NO_UNDO;
    }
    CRecipe recipe = CRecipe::ForNewPicture(size, m_recipe.m_nBackground);
    recipe.m_bWrapAround = m_recipe.m_bWrapAround;
    recipe.m_bSkySphere = m_recipe.m_bSkySphere && size.cx == 2 * size.cy;
    m_dib.Swap(picture);
    m_recipe = recipe;
    m_scene.clear();
    SetSceneTail(0, steps);
    m_strPathName.clear();
    PictureReplaced(QStringLiteral("Painted again at %1 x %2").arg(size.cx).arg(size.cy));
    SetModifiedFlag(TRUE);
    return RENDER_DONE;
}

ERenderOutcome EditSceneStep(CSkyloomDoc& doc, int nStep, const CRecipeStep& recipe)
{
    if (nStep < 0 || nStep >= doc.GetStepCount())
        return RENDER_NOTHING;
    CSceneSteps steps = UnpaintedTail(doc, nStep);
    steps.first()->recipe = recipe;
    return doc.RepaintScene(nStep, steps,
                            QStringLiteral("Edit %1").arg(steps.first()->strName));
}

ERenderOutcome SetSceneStepHidden(CSkyloomDoc& doc, int nStep, bool bHidden)
{
    if (nStep < 0 || nStep >= doc.GetStepCount() ||
        doc.GetStep(nStep).recipe.bHidden == bHidden)
        return RENDER_NOTHING;
    CSceneSteps steps = UnpaintedTail(doc, nStep);
    steps.first()->recipe.bHidden = bHidden;
    return doc.RepaintScene(nStep, steps,
                            QString::fromLatin1(bHidden ? "Hide %1" : "Show %1")
                                .arg(steps.first()->strName));
}

ERenderOutcome RemoveSceneStep(CSkyloomDoc& doc, int nStep)
{
    if (nStep < 0 || nStep >= doc.GetStepCount())
        return RENDER_NOTHING;
    CSceneSteps steps = UnpaintedTail(doc, nStep);
    const QString name = steps.takeFirst()->strName;
    return doc.RepaintScene(nStep, steps, QStringLiteral("Remove %1").arg(name));
}

ERenderOutcome MoveSceneStep(CSkyloomDoc& doc, int nStep, int nDelta)
{
    const int nOther = nStep + nDelta;
    if (nStep < 0 || nStep >= doc.GetStepCount() || nOther < 0 ||
        nOther >= doc.GetStepCount() || (nDelta != 1 && nDelta != -1))
        return RENDER_NOTHING;
    const int nFrom = std::min(nStep, nOther);
    CSceneSteps steps = UnpaintedTail(doc, nFrom);
    steps.swapItemsAt(0, 1);
    const QString name = doc.GetStep(nStep).strName;
    return doc.RepaintScene(nFrom, steps,
                            QString::fromLatin1(nDelta < 0 ? "Move %1 Up" : "Move %1 Down")
                                .arg(name));
}
