// The Select tool: its rubber band, drawn with the dashed pen, sets the selection.
#pragma once

#include "Effect.h"

class CSelectTool : public CEffect
{
public:
    CSelectTool();
};
