#include "OptionsSheet.h"
BOOL RunOptionsSheet(QWidget*) { return FALSE; }
