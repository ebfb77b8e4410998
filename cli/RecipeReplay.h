// Turns a picture's recipe back into skyloom-render's own arguments, so that a replay is
// checked and painted exactly as a command line typed by hand would be.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class CRecipe;

// The arguments that paint recipe again from its new picture: --size, --background,
// --wrap, --light and every step (values equal to an effect's built-in default are left
// to it).
// What they cannot repeat (changes by hand, a light that changed between steps) is
// described in warnings, one line each. False, with error, when the recipe did not begin
// as a new picture: its first picture is not in it.
bool RecipeToRenderArguments(const CRecipe& recipe, QStringList& args, QStringList& warnings,
                             QString& error);

// A replay's whole command line: the recipe's arguments, then the command's own (output,
// format, threads) without its --replay FILE.
QList<QByteArray> ReplayArguments(const QStringList& recipeArgs,
                                  const QList<QByteArray>& commandArgs);
