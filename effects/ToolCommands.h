// The commands that pick the canvas tools, in the order of the Design menu and the tool
// table. The tool table names them; the main window's menus and toolbar key on them.
#pragma once

enum EToolCommandId {
    ID_TOOL_SELECT = 32777,
    ID_TOOL_STARFIELD = 32772,
    ID_TOOL_CLUSTER = 32773,
    ID_TOOL_NEBULA = 32774,
    ID_TOOL_STAR = 32781,
    ID_TOOL_GAS = 32786,
    ID_TOOL_VORTEX = 32788,
    ID_TOOL_GALAXY = 32799,
    ID_TOOL_LENSFLARE = 32791,
    ID_TOOL_VENUS = 32792,
    ID_TOOL_MOON = 32793,
    ID_TOOL_EARTH = 32794,
};
