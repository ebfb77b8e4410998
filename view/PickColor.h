// The colour chooser every dialog of the program uses. Its 16 custom colours are the
// program's own (g_crCustomColors), so a colour kept in one chooser shows in all of them and
// is saved at exit.
#pragma once

#include "../document/WinTypes.h"

class QWidget;

// Opens the chooser on color (run by the window's host, which tests script). TRUE and the chosen
// colour in color when the user presses OK; FALSE and color unchanged otherwise.
BOOL PickColor(QWidget* pParent, COLORREF& color);
