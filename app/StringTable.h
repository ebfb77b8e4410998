// The program's texts, keyed by string id: window and dialog titles, messages, and the
// commands' prompts ("status-bar prompt\ntooltip").
#pragma once

#include <QString>

enum EStringId {
    IDS_STARFIELD_TITLE = 0,
    IDS_CLUSTER_TITLE = 1,
    IDS_PASTE_PROMPT = 2,
    IDS_OPTIONS = 3,
    IDS_ABOUT_BUILD = 107,
    IDS_ABOUT_VERSION = 108,
    IDS_ABOUT_NAME = 109,
    IDS_SOURCE_TOO_LARGE = 1024,
    IDS_NO_LIGHTS = 1026,
    IDS_HISTORY_TRIMMED = 1220,
    IDS_HISTORY_TRIMMED_ONE = 1221,
    IDS_UNDO_REFUSED = 1222,
    IDS_APP_TITLE = 57344,
    IDS_READY = 57345,
    IDS_SAVE_AS = 61441,
};

// The text of string id, or an empty string when there is none.
QString LoadString(int id);
// The status-bar prompt of a command (its text before "\n"), or empty.
QString CommandPrompt(int id);
// The tooltip of a command (its text after "\n"), or empty.
QString CommandTip(int id);
