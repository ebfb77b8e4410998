// The colour chooser every dialog of the program uses. Its 16 custom colours are the
// program's own (g_crCustomColors), so a colour kept in one chooser shows in all of them and
// is saved at exit.
#pragma once

#include "../document/WinTypes.h"

#include <functional>

class QColorDialog;
class QWidget;

// Opens the chooser on color. TRUE and the chosen colour in color when the user presses OK;
// FALSE and color unchanged otherwise.
BOOL PickColor(QWidget* pParent, COLORREF& color);

// Runs the chooser in place of QDialog::exec and returns its result code, so that tests can
// drive it without a nested event loop. An empty hook restores exec.
using PickColorHook = std::function<int(QColorDialog& dlg)>;
void SetPickColorHook(PickColorHook hook);
