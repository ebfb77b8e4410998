#include "RecipeReplay.h"

#include "../document/Recipe.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../gl/GalaxyEffect.h"
#include "../document/QuotedName.h"
#include "../document/SceneRepaint.h"

#include <memory>

namespace {

// What a step may name: one of the effects, never text that a command line would read as
// an option (a recipe's "--help" must not show the help), and only that effect's values;
// of files only the gas textures the program ships with, never a path to one of the
// user's own files.
// probe is the step's effect as CreateTool made it (null for no effect).
bool CheckStepNames(const CRecipeStep& step, int nStep, CEffect* probe, QString& error)
{
    if (!probe || probe->m_strSection.isEmpty()) {
        error = QStringLiteral("step %1 names no effect of Skyloom: %2")
                    .arg(nStep)
                    .arg(QuotedName(step.strEffect));
        return false;
    }
    // Every value by a name of the effect's own: "--set NAME=TEXT" must not split
    // elsewhere than the recipe meant.
    QStringList names;
    for (const CEffectValue& value : probe->GetValues())
        names << QLatin1String(value.szName);
    for (const CEffectOption& option : probe->GetOptions())
        names << QLatin1String(option.szName);
    for (const auto& value : step.values) {
        if (!names.contains(value.first)) {
            error = QStringLiteral("step %1: %2 has no value %3")
                        .arg(nStep)
                        .arg(step.strEffect, QuotedName(value.first));
            return false;
        }
        if (value.first == QLatin1String("GasTexture") && !IsShippedGasTexture(value.second)) {
            error = QStringLiteral("step %1 names the gas texture %2; a recipe may name only "
                                   "the textures Skyloom comes with")
                        .arg(nStep)
                        .arg(QuotedName(value.second));
            return false;
        }
    }
    return true;
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
        error = QStringLiteral("the picture began as the file %1, which the recipe does not "
                               "hold; only a picture that began as a new one can be painted again")
                    .arg(QuotedName(recipe.m_strOpened));
        return false;
    case CRecipe::Unknown:
        error = QStringLiteral("the recipe does not say how its picture began");
        return false;
    }
    if (recipe.m_bSkySphere)
        args << QStringLiteral("--sky") << QString::number(recipe.m_size.cy);
    else
        args << QStringLiteral("--size")
             << QStringLiteral("%1x%2").arg(recipe.m_size.cx).arg(recipe.m_size.cy);
    args << QStringLiteral("--background")
         << QString::asprintf("%06X", static_cast<unsigned>(recipe.m_nBackground));
    if (recipe.m_bWrapAround)
        args << QStringLiteral("--wrap");
    const CRecipeStep* pLit = nullptr;
    int nPainted = 0;
    for (const CRecipeStep& step : recipe.m_steps) {
        if (step.bHidden)
            continue;
        if (!step.strEdit.isEmpty()) {
            warnings << QStringLiteral("after %1 steps the picture was changed by hand (%2), "
                                       "which a replay cannot repeat")
                            .arg(nPainted)
                            .arg(QuotedName(step.strEdit));
            continue;
        }
        ++nPainted;
        const std::unique_ptr<CEffect> probe = CreateTool(FindToolBySection(step.strEffect));
        if (!CheckStepNames(step, nPainted, probe.get(), error))
            return false;
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
        const QList<QPair<QString, QString>> defaults = DefaultValueTexts(*probe);
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

QList<QByteArray> ReplayArguments(const QStringList& recipeArgs,
                                  const QList<QByteArray>& commandArgs)
{
    QList<QByteArray> args;
    for (const QString& arg : recipeArgs)
        args.append(arg.toUtf8());
    for (int i = 0; i < commandArgs.size(); ++i) {
        if (commandArgs[i] == "--replay")
            ++i;
        else
            args.append(commandArgs[i]);
    }
    return args;
}
