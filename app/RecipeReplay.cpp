#include "RecipeReplay.h"

#include "../document/Recipe.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"

#include <memory>

namespace {

// The built-in defaults of a tool's stored values as text, by name. A value left at its
// default is not set: the planets rebuild their noise for values that are set, and a
// canvas render at the defaults did not.
QList<QPair<QString, QString>> DefaultValueTexts(CEffect& tool)
{
    QList<QPair<QString, QString>> texts;
    const CEffectValues values = tool.GetValues();
    ResetEffectValues(values);
    for (const CEffectValue& value : values)
        texts.append({QString::fromLatin1(value.szName), EffectValueText(value)});
    return texts;
}

}

bool RecipeToRenderArguments(const CRecipe& recipe, QStringList& args, QStringList& warnings,
                             QString& error)
{
    args.clear();
    warnings.clear();
    switch (recipe.m_start) {
    case CRecipe::NewPicture:
        break;
    case CRecipe::OpenedFile:
        error = QStringLiteral("the picture began as the file \"%1\", which the recipe does not "
                               "hold; only a picture that began as a new one can be painted again")
                    .arg(recipe.m_strOpened);
        return false;
    case CRecipe::Unknown:
        error = QStringLiteral("the recipe does not say how its picture began");
        return false;
    }
    args << QStringLiteral("--size")
         << QStringLiteral("%1x%2").arg(recipe.m_size.cx).arg(recipe.m_size.cy)
         << QStringLiteral("--background")
         << QString::asprintf("%06X", static_cast<unsigned>(recipe.m_nBackground));
    const CRecipeStep* pLit = nullptr;
    int nPainted = 0;
    for (const CRecipeStep& step : recipe.m_steps) {
        if (!step.strEdit.isEmpty()) {
            warnings << QStringLiteral("after %1 steps the picture was changed by hand (%2), "
                                       "which a replay cannot repeat")
                            .arg(nPainted)
                            .arg(step.strEdit);
            continue;
        }
        ++nPainted;
        if (step.bHasLight) {
            if (!pLit)
                pLit = &step;
            else if (step.nLightOrient != pLit->nLightOrient ||
                     step.nLightInten != pLit->nLightInten ||
                     step.nLightElevation != pLit->nLightElevation)
                warnings << QStringLiteral("step %1 had another light than the first lit step; "
                                           "it is painted in the first one's")
                                .arg(nPainted);
        }
        args << QStringLiteral("--effect") << step.strEffect << QStringLiteral("--rect")
             << QStringLiteral("%1,%2,%3,%4")
                    .arg(step.rect.left)
                    .arg(step.rect.top)
                    .arg(step.rect.right)
                    .arg(step.rect.bottom)
             << QStringLiteral("--seed") << QString::number(step.nSeed);
        // An unknown effect is passed on as it is: the argument check names it.
        const std::unique_ptr<CEffect> probe = CreateTool(FindToolBySection(step.strEffect));
        const QList<QPair<QString, QString>> defaults =
            probe ? DefaultValueTexts(*probe) : QList<QPair<QString, QString>>();
        for (const auto& value : step.values) {
            if (defaults.contains(value))
                continue;
            args << QStringLiteral("--set") << value.first + QLatin1Char('=') + value.second;
        }
    }
    if (pLit)
        args << QStringLiteral("--light")
             << QStringLiteral("%1,%2,%3")
                    .arg(pLit->nLightOrient)
                    .arg(pLit->nLightInten)
                    .arg(pLit->nLightElevation);
    return true;
}
