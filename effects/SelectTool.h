// The Select tool: its rubber band, drawn with the dashed pen, sets the selection.
#pragma once

#include "Effect.h"

class CSelectTool : public CEffect
{
public:
    // The tool's cursor, which the tool table takes from here.
    static constexpr int kCursorId = 135;

    CSelectTool();
};
