#pragma once
#include "../document/WinTypes.h"
class QWidget;
BOOL RunOptionsSheet(QWidget* pParent);
