#pragma once
#include <QCursor>
#include <QIcon>
QIcon CommandIcon(int nCommandId);
const QCursor* LoadToolCursor(int nCursorId);
QIcon AppIcon();
