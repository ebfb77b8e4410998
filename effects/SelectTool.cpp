#include "SelectTool.h"

#include "EffectTools.h"

CSelectTool::CSelectTool()
{
    m_nCursorId = GetToolInfo(TOOL_SELECT)->nCursorId;
    m_bSelectionTool = 1;
}
