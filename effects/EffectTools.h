// The canvas tools in toolbar order: the view's tool index is the position in this table.
// The command-line renderer finds effects by their store section ("StarField", "Cluster").
#pragma once

#include "Effect.h"

#include <memory>

struct CToolInfo
{
    int nIndex;
    const char* szName;
    // Section of the tool's defaults in the settings store; empty for the Select tool.
    const char* szSection;
    // Creates the tool with its built-in defaults; null while the tool is not built in.
    std::unique_ptr<CEffect> (*pfnCreate)();
};

enum { TOOL_COUNT = 12 };

// The tool at index (0 to TOOL_COUNT - 1), or null.
const CToolInfo* GetToolInfo(int nIndex);
// The index of the tool whose section is szSection (case-sensitive), or -1.
int FindToolBySection(const QString& section);
// A new tool with its built-in defaults (the user's settings untouched), or null when the
// index is out of range or the tool is not available in this build.
std::unique_ptr<CEffect> CreateTool(int nIndex);
