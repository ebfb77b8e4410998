// The application's artwork: toolbar images, tool cursors and the application icon, all
// compiled into the program from res/skyloom.qrc (drawn by tools/MakeArtwork.cpp).
#pragma once

#include <QIcon>
#include <QPixmap>

class QCursor;

// Registers the artwork's resources. The functions below call it themselves; it is public
// for code that reads the ":/res/..." files directly. Calling it again does nothing.
void InitArtworkResources();

// The toolbar image of a command (ids of app/Commands.h) with its 16 x 15 and 32 x 30
// pixmaps and a greyed, embossed look for the disabled state; a null icon for a command
// without an image.
QIcon CommandIcon(int nCommandId);

// The cursor of a tool by cursor id (ToolCursorLoader of effects/Effect.h): a cross-hair
// with the tool's emblem for the effect tools, the plain cross-hair for Select and the
// arrow for the system arrow id 32512 that the planets keep. The cursors live until the
// program ends. Null for any other id.
const QCursor* LoadToolCursor(int nCursorId);

// The program's icon at 16, 32, 48, 64, 128 and 256 pixels.
QIcon AppIcon();

// A bitmap resource of the dialogs by id (161: the backdrop of the Lighting dialog's polar
// view); a null pixmap for any other id.
QPixmap BitmapResource(int nBitmapId);
