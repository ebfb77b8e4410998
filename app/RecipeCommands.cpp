#include "RecipeCommands.h"

#include "DocumentUi.h"
#include "../cli/RecipeReplay.h"
#include "../document/QuotedName.h"
#include "../document/Recipe.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

// arg as a POSIX shell reads it back: bare when it holds only safe characters, else in
// single quotes (a quote inside closes, escapes and reopens them).
QString ShellQuoted(const QString& arg)
{
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (safe.match(arg).hasMatch())
        return arg;
    QString quoted = arg;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}

bool ExportRecipe(QWidget* pParent, CDocumentUi& ui, const CRecipe& recipe,
                  const QString& strTitle)
{
    const QString path = ui.AskRecipePath(pParent, QFileInfo(strTitle).completeBaseName() +
                                                       QStringLiteral(".json"));
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(recipe.ToText().toUtf8());
        file.write("\n");
        if (file.commit())
            return true;
    }
    ui.ShowError(pParent, QStringLiteral("Cannot write the recipe to %1: %2")
                              .arg(QuotedName(path), file.errorString()));
    return false;
}

QString RenderCommandLine(const CRecipe& recipe, const QString& strOutput, QStringList& notes,
                          QString& error)
{
    QStringList args;
    if (!RecipeToRenderArguments(recipe, args, notes, error))
        return QString();
    args << QStringLiteral("-o") << strOutput;
    QString line = QStringLiteral("skyloom-render");
    for (const QString& arg : args)
        line += QLatin1Char(' ') + ShellQuoted(arg);
    return line;
}
