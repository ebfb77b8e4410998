#include "SelectTool.h"


CSelectTool::CSelectTool()
{
    m_nCursorId = kCursorId;
    m_bSelectionTool = 1;
}
