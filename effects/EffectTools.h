// The canvas tools in toolbar order: the view's tool index is the position in this table.
// Each tool is described here once: its section, cursor, command, toolbar image and how it
// is made (which gives its value table). The command-line renderer finds effects by their
// store section ("StarField", "Cluster"); the main window, the artwork and the dialogs take
// the rest from here.
#pragma once

#include "Effect.h"

#include <memory>

enum ETool {
    TOOL_SELECT,
    TOOL_STARFIELD,
    TOOL_CLUSTER,
    TOOL_NEBULA,
    TOOL_STAR,
    TOOL_GAS,
    TOOL_VORTEX,
    TOOL_GALAXY,
    TOOL_LENSFLARE,
    TOOL_VENUS,
    TOOL_MOON,
    TOOL_EARTH,
    TOOL_COUNT
};

struct CToolInfo
{
    int nIndex;
    const char* szName;
    // Section of the tool's defaults in the settings store; empty for the Select tool.
    const char* szSection;
    // The tool's cursor (32512: the system arrow, which the planets keep).
    int nCursorId;
    // The command that picks the tool (ToolCommands.h) and the name of its toolbar image.
    int nCommandId;
    const char* szImage;
    // Creates the tool with its built-in defaults; null while the tool is not built in.
    std::unique_ptr<CEffect> (*pfnCreate)();
    // The Design menu's text (with its mnemonic) and the one key that picks the tool: the
    // mnemonic letter.
    const char* szMenuText;
    const char* szKey;
    // The status bar's prompt, then after a line break the tooltip's name.
    const char* szPrompt;
    // Whether a separator follows the tool in the Design menu and the toolbar.
    bool bSeparatorAfter;
};

// The tool at index (0 to TOOL_COUNT - 1), or null.
const CToolInfo* GetToolInfo(int nIndex);
// The tool picked by command nCommandId, or -1.
int FindToolByCommand(int nCommandId);
// The index of the tool whose section is szSection (case-sensitive), or -1.
int FindToolBySection(const QString& section);
// A new tool with its built-in defaults (the user's settings untouched), or null when the
// index is out of range or the tool is not available in this build.
std::unique_ptr<CEffect> CreateTool(int nIndex);
// The tool as the canvas has it. The view makes every tool in table order when it starts,
// from the generator's initial state, and a tool may draw tables then that its renders keep
// (the Earth's cloud distortion); made the same way, a seed gives the canvas's picture
// whatever ran before.
std::unique_ptr<CEffect> CreateToolAsTheViewDoes(int nTool);
