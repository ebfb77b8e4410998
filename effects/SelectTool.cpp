#include "SelectTool.h"

CSelectTool::CSelectTool()
{
    m_nCursorId = 135;
    m_bSelectionTool = 1;
}
