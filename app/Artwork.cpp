#include "Artwork.h"
QIcon CommandIcon(int) { return QIcon(); }
const QCursor* LoadToolCursor(int) { return nullptr; }
QIcon AppIcon() { return QIcon(); }
