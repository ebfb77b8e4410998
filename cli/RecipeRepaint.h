// Paints a picture again from its recipe inside a running program, as skyloom-render
// --replay would: what Image > Make Seamless does with the steps it knows.
#pragma once

#include <QString>

class CDib;
class CRecipe;
class CSkyloomDoc;

// Paints recipe's steps on a new picture of its size and background, wrapped when the
// recipe says so, and hands it over in picture. The effects take the same values,
// seeds, light and settings as a replay of the recipe, so the pixels are the replay's; the
// program's own settings are left as they were. False, with why (a sentence without its
// full stop), when the recipe cannot be painted again: it did not begin as a new picture,
// it holds changes made by hand or names what Skyloom does not have, or a step was
// stopped or found no memory; picture is then left as it was.
bool RepaintRecipe(const CRecipe& recipe, CDib& picture, QString& why);

// Image > Make Seamless: doc's picture painted again from its recipe, wrapped, as one step
// of the history (undo puts back the picture and the recipe). False, with why, as
// RepaintRecipe, or when the undo copy cannot be kept; the picture is then unchanged.
bool MakeSeamless(CSkyloomDoc& doc, QString& why);
