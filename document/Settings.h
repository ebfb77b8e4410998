// The program-wide preferences, loaded once at start and written back at exit.
#pragma once

#include "WinTypes.h"

#include <QString>

class CSettingsStore;

// The 16 custom colours shared by every colour chooser.
extern COLORREF g_crCustomColors[16];
// Key colour of a transparent paste.
extern COLORREF g_crTransColor;
// Per-channel tolerance of a transparent paste: red in bits 0-7, green 8-15, blue 16-23.
extern DWORD g_dwTolerance;
// Colour of a new picture, of Clear and of the 2D previews' background.
extern COLORREF g_crBkgndColor;
// Seconds before an automatic preview; 0 or less means manual previews.
extern int g_nPreviewDelay;
// Folder last used by Paste File; empty means the program's "Library" folder.
extern QString g_strPasteFilePath;
// Light of the lit 3D scenes: orientation angle, intensity in percent, elevation.
extern int g_nLightOrient;
extern int g_nLightInten;
extern int g_nLightElevation;
// Field of view of the planet renderer in degrees (read, never written).
extern int g_nFOV;
// Scale of the galaxy gas texture (read, never written).
extern float g_fGalaxyGasScale;
// Memory the undo history may hold, in MiB: the oldest steps go when a new one needs room.
extern int g_nUndoMemory;

// A whole-number setting's built-in default and the range that loading, the dialogs, the
// command line and recipes hold it to. The settings table states each one here, once.
struct CIntSettingRange
{
    int nDefault;
    int nMin;
    int nMax;
    constexpr bool Contains(long long n) const { return n >= nMin && n <= nMax; }
};
// Degrees, 0 to 359.
constexpr CIntSettingRange kLightOrientRange{225, 0, 359};
// Percent.
constexpr CIntSettingRange kLightIntenRange{50, 0, 100};
// 0 (high) to 100 (low); 50 is level.
constexpr CIntSettingRange kLightElevationRange{50, 0, 100};
// Seconds; any delay of 0 or less means manual previews, so an automatic one is at least 1.
constexpr CIntSettingRange kPreviewDelayRange{1, 0, 10};
// Degrees: the planet renderer's usable perspectives.
constexpr CIntSettingRange kFOVRange{30, 1, 179};

// The machine's memory in MiB (4096 when it cannot be found out).
int MachineMemoryMiB();
// The built-in undo memory: the smaller of 1 GiB and a quarter of the machine's memory.
int DefaultUndoMemory();
// The undo memory a user may choose, in MiB: no more than the machine has.
CIntSettingRange UndoMemoryRange();

// Sets every variable above to its built-in default.
void ResetSettings();
// Reads every variable above; missing values take their defaults.
void LoadSettings(const CSettingsStore& store);
// Writes them back, except FOV and GalaxyGasScale.
void SaveSettings(CSettingsStore& store);
