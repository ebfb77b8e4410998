// Command and indicator ids. Menus, the toolbar, the context menu, the accelerators and
// the status-bar prompts all key on these, so one command is one QAction everywhere.
#pragma once

#include "../effects/ToolCommands.h"

#include <vector>

enum ECommandId {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616, // and the three after it
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,

    ID_EDIT_CLEAR = 57632,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_EDIT_PASTEFILE = 32785,
    ID_EDIT_OPTIONS = 32787,
    ID_FILE_EXPORT_RECIPE = 32870,
    ID_EDIT_COPY_COMMAND = 32871,
    ID_FILE_EXPORT_LAYERS = 32872,
    ID_IMAGE_PAINT_AGAIN = 32873,

    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_ZOOM_IN = 32810,
    ID_VIEW_ZOOM_OUT = 32811,
    ID_VIEW_ZOOM_ACTUAL = 32812,
    ID_VIEW_ZOOM_FIT = 32813,
    ID_VIEW_HISTORY = 32860,
    ID_VIEW_SHOW_TILED = 32880,
    ID_IMAGE_WRAP_AROUND = 32881,
    ID_IMAGE_MAKE_SEAMLESS = 32882,
    ID_FILE_EXPORT_SKYBOX = 32883,
    ID_VIEW_SKY_PREVIEW = 32884,

    ID_HELP_CONTENTS = 32798,

    // Status-bar indicators: picture size, mouse position, drag rectangle.
    ID_INDICATOR_SIZE = 34000,
    ID_INDICATOR_POS = 34001,
    ID_INDICATOR_DRAG = 34002,
};

// The order of the toolbar's buttons, 0 standing for a separator: the file and edit
// commands, then every tool of the tool table in its order and with its separators.
std::vector<int> ToolbarButtons();
inline const std::vector<int> kToolbarButtons = ToolbarButtons();
