#include "RecipeRepaint.h"

#include "RecipeReplay.h"
#include "RenderCommand.h"
#include "../document/QuotedName.h"
#include "../document/Recipe.h"
#include "../document/RenderJob.h"
#include "../document/Settings.h"
#include "../document/SkyloomDoc.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../effects/Random.h"
#include "../gl/GLContext.h"
#include "../gl/GLLight.h"

#include <algorithm>
#include <iterator>

namespace {

// The settings that change pixels, at their built-in defaults as a replay has them, and
// the program's own back afterwards.
class CReplaySettings
{
public:
    CReplaySettings()
        : m_nLightOrient(g_nLightOrient), m_nLightInten(g_nLightInten),
          m_nLightElevation(g_nLightElevation), m_nFOV(g_nFOV),
          m_fGalaxyGasScale(g_fGalaxyGasScale), m_crBkgndColor(g_crBkgndColor),
          m_crTransColor(g_crTransColor), m_dwTolerance(g_dwTolerance),
          m_nPreviewDelay(g_nPreviewDelay), m_strPasteFilePath(g_strPasteFilePath),
          m_nUndoMemory(g_nUndoMemory)
    {
        std::copy(std::begin(g_crCustomColors), std::end(g_crCustomColors), m_crCustomColors);
        ResetSettings();
    }
    ~CReplaySettings()
    {
        g_nLightOrient = m_nLightOrient;
        g_nLightInten = m_nLightInten;
        g_nLightElevation = m_nLightElevation;
        g_nFOV = m_nFOV;
        g_fGalaxyGasScale = m_fGalaxyGasScale;
        g_crBkgndColor = m_crBkgndColor;
        g_crTransColor = m_crTransColor;
        g_dwTolerance = m_dwTolerance;
        g_nPreviewDelay = m_nPreviewDelay;
        g_strPasteFilePath = m_strPasteFilePath;
        g_nUndoMemory = m_nUndoMemory;
        std::copy(std::begin(m_crCustomColors), std::end(m_crCustomColors), g_crCustomColors);
    }
    CReplaySettings(const CReplaySettings&) = delete;
    CReplaySettings& operator=(const CReplaySettings&) = delete;

private:
    int m_nLightOrient, m_nLightInten, m_nLightElevation, m_nFOV;
    float m_fGalaxyGasScale;
    COLORREF m_crBkgndColor, m_crTransColor;
    DWORD m_dwTolerance;
    int m_nPreviewDelay;
    QString m_strPasteFilePath;
    int m_nUndoMemory;
    COLORREF m_crCustomColors[16];
};

}

bool RepaintRecipe(const CRecipe& recipe, CDib& picture, QString& why)
{
    // The replay's own checks: how the picture began, effect, value and texture names.
    QStringList args, warnings;
    if (!RecipeToRenderArguments(recipe, args, warnings, why))
        return false;
    for (const CRecipeStep& step : recipe.m_steps) {
        if (!step.strEdit.isEmpty()) {
            why = QStringLiteral("the picture was changed by hand (%1), which cannot be "
                                 "painted again")
                      .arg(QuotedName(step.strEdit));
            return false;
        }
    }
    CRenderOptions options;
    if (!ParseRenderArguments(args << QStringLiteral("-o") << QStringLiteral("repaint.png"),
                              options, why))
        return false;
    CDib fresh;
    if (!fresh.Create(recipe.m_size.cx, recipe.m_size.cy)) {
        why = QStringLiteral("there is not enough memory for a second picture of its size");
        return false;
    }
    fresh.Fill(recipe.m_nBackground);

    const CReplaySettings settings;
    if (options.bHasLight) {
        g_nLightOrient = options.nLightOrient;
        g_nLightInten = options.nLightInten;
        g_nLightElevation = options.nLightElevation;
    }
    if (!options.steps.isEmpty())
        LoadGLEntryPoints(TRUE);
    CSkyloomDoc painter;
    painter.SetKeepHistory(FALSE);
    painter.SetPicture(fresh);
    painter.SetWrapAround(recipe.m_bWrapAround);
    painter.SetSkySphere(recipe.m_bSkySphere);
    for (const CRenderStep& step : options.steps) {
        const auto effect = CreateToolAsTheViewDoes(step.nTool);
        // Checked when the arguments were read: these cannot fail.
        effect->SetValues(step.values, why);
        for (const auto& option : step.options)
            effect->SetOption(option.first, option.second, why);
        g_nEffectSeed = step.nSeed;
        const CRenderJobResult result = RenderDrag(
            *effect, painter, step.bHasRect ? step.rect : painter.GetImageRect(), nullptr);
        if (result.outcome == RENDER_CANCELLED) {
            why = QStringLiteral("it was stopped");
            return false;
        }
        if (result.outcome == RENDER_NO_UNDO || result.outcome == RENDER_BUSY) {
            why = QStringLiteral("there is not enough memory to paint it");
            return false;
        }
    }
    picture.Swap(painter.GetImage());
    why.clear();
    return true;
}

bool MakeSeamless(CSkyloomDoc& doc, QString& why)
{
    CRecipe recipe = doc.GetRecipe();
    recipe.m_bWrapAround = true;
    CDib painted;
    if (!RepaintRecipe(recipe, painted, why))
        return false;
    const CRect whole = doc.GetImageRect();
    if (painted.GetSize() != doc.GetImage().GetSize()) {
        why = QStringLiteral("its recipe is of a picture of another size");
        return false;
    }
    if (!doc.SaveUndo(whole)) {
        why = QStringLiteral("the undo memory cannot hold the picture as it is");
        return false;
    }
    doc.GetImage().CopyRect(0, 0, whole.Width(), whole.Height(), painted, 0, 0);
    doc.CommitRecipeChange(QStringLiteral("Make Seamless"), recipe);
    doc.UpdateRect(whole);
    return true;
}
