// The recipe outside the picture: File > Export Recipe writes it as a .json file (the text
// a PNG carries), and Edit > Copy as Command Line puts the skyloom-render command that
// paints the picture on the clipboard.
#pragma once

#include <QString>
#include <QStringList>

class CDocumentUi;
class CRecipe;
class QWidget;

// Asks for a file name and writes recipe's text there. False when cancelled or the file
// could not be written (the user is told why; any existing file is left as it was).
bool ExportRecipe(QWidget* pParent, CDocumentUi& ui, const CRecipe& recipe,
                  const QString& strTitle);

// The skyloom-render command line that paints recipe into strOutput, each argument quoted
// for a POSIX shell where it needs it. Empty, with error, for a recipe that cannot be
// replayed (it began as a file); notes says what it cannot repeat.
QString RenderCommandLine(const CRecipe& recipe, const QString& strOutput, QStringList& notes,
                          QString& error);
