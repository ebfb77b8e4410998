#include "Settings.h"

#include "SettingsStore.h"

#include <algorithm>
#include <limits>

#include <unistd.h>

COLORREF g_crCustomColors[16] = {
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
COLORREF g_crTransColor = 0;
DWORD g_dwTolerance = 0;
COLORREF g_crBkgndColor = 0;
int g_nPreviewDelay = 1;
QString g_strPasteFilePath;
int g_nLightOrient = 225;
int g_nLightInten = 50;
int g_nLightElevation = 50;
int g_nFOV = 30;
float g_fGalaxyGasScale = 6.5f;
int g_nUndoMemory = DefaultUndoMemory();

namespace {
const QString kColors = QStringLiteral("Colors");
const QString kPaste = QStringLiteral("Paste");
const QString kOptions = QStringLiteral("Options");

QString CustomName(int i)
{
    return QStringLiteral("Custom%1").arg(i);
}
}

int MachineMemoryMiB()
{
    const long nPages = sysconf(_SC_PHYS_PAGES);
    const long nPageSize = sysconf(_SC_PAGESIZE);
    if (nPages <= 0 || nPageSize <= 0)
        return 4096;
    const qint64 nMiB = qint64(nPages) * nPageSize >> 20;
    return int(std::clamp<qint64>(nMiB, 1, std::numeric_limits<int>::max()));
}

int DefaultUndoMemory()
{
    return std::max(1, std::min(1024, MachineMemoryMiB() / 4));
}

void ResetSettings()
{
    for (COLORREF& c : g_crCustomColors)
        c = 0xFFFFFF;
    g_crTransColor = 0;
    g_dwTolerance = 0;
    g_crBkgndColor = 0;
    g_nPreviewDelay = 1;
    g_strPasteFilePath.clear();
    g_nLightOrient = 225;
    g_nLightInten = 50;
    g_nLightElevation = 50;
    g_nFOV = 30;
    g_fGalaxyGasScale = 6.5f;
    g_nUndoMemory = DefaultUndoMemory();
}

namespace {
// A colour (or the packed tolerance) keeps its 24 bits: a damaged value with higher bits
// set would otherwise reach the colour choosers and the pictures.
COLORREF StoredColor(const CSettingsStore& store, const QString& section, const QString& name,
                     COLORREF crDefault)
{
    return static_cast<COLORREF>(store.GetInt(section, name, int(crDefault))) & 0xFFFFFF;
}
}

void LoadSettings(const CSettingsStore& store)
{
    for (int i = 0; i < 16; ++i)
        g_crCustomColors[i] = StoredColor(store, kColors, CustomName(i), 0xFFFFFF);
    g_crTransColor = StoredColor(store, kPaste, QStringLiteral("TransColor"), 0);
    g_dwTolerance = StoredColor(store, kPaste, QStringLiteral("Tolerance"), 0);
    g_crBkgndColor = StoredColor(store, kOptions, QStringLiteral("BkgndColor"), 0);
    // Held to what the Options and Lighting dialogs can set: a damaged file must not give
    // a timer of years or a light of a thousand percent. Any delay of 0 or less is manual.
    g_nPreviewDelay = std::clamp(store.GetInt(kOptions, QStringLiteral("PreviewDelay"), 1), 0, 10);
    g_strPasteFilePath = store.GetString(kOptions, QStringLiteral("PasteFilePath"), QString());
    g_nLightOrient = std::clamp(store.GetInt(kOptions, QStringLiteral("LightOrient"), 225), 0, 359);
    g_nLightInten = std::clamp(store.GetInt(kOptions, QStringLiteral("LightInten"), 50), 0, 100);
    g_nLightElevation =
        std::clamp(store.GetInt(kOptions, QStringLiteral("LightElevation"), 50), 0, 100);
    // The planet renderer's usable perspectives.
    g_nFOV = std::clamp(store.GetInt(kOptions, QStringLiteral("FOV"), 30), 1, 179);
    // The galaxies' own range of gas scales; clamped as a double, since converting a double
    // beyond a float's range is undefined.
    g_fGalaxyGasScale = static_cast<float>(
        std::clamp(store.GetReal(kOptions, QStringLiteral("GalaxyGasScale"), "6.5"), 0.0, 10.0));
    // No more than the machine has: a value from a larger machine, or a damaged one, would
    // let the history take memory the picture and the renders need.
    g_nUndoMemory = std::clamp(store.GetInt(kOptions, QStringLiteral("UndoMemory"),
                                            DefaultUndoMemory()),
                               1, MachineMemoryMiB());
}

void SaveSettings(CSettingsStore& store)
{
    for (int i = 0; i < 16; ++i)
        store.WriteInt(kColors, CustomName(i), static_cast<int>(g_crCustomColors[i]));
    store.WriteInt(kPaste, QStringLiteral("TransColor"), static_cast<int>(g_crTransColor));
    store.WriteInt(kPaste, QStringLiteral("Tolerance"), static_cast<int>(g_dwTolerance));
    store.WriteInt(kOptions, QStringLiteral("BkgndColor"), static_cast<int>(g_crBkgndColor));
    store.WriteInt(kOptions, QStringLiteral("PreviewDelay"), g_nPreviewDelay);
    store.WriteString(kOptions, QStringLiteral("PasteFilePath"), g_strPasteFilePath);
    store.WriteInt(kOptions, QStringLiteral("LightOrient"), g_nLightOrient);
    store.WriteInt(kOptions, QStringLiteral("LightInten"), g_nLightInten);
    store.WriteInt(kOptions, QStringLiteral("LightElevation"), g_nLightElevation);
    store.WriteInt(kOptions, QStringLiteral("UndoMemory"), g_nUndoMemory);
}
