#include "Settings.h"

#include "SettingsStore.h"

#include <algorithm>
#include <limits>
#include <vector>

#include <unistd.h>

COLORREF g_crCustomColors[16];
COLORREF g_crTransColor;
DWORD g_dwTolerance;
COLORREF g_crBkgndColor;
int g_nPreviewDelay;
QString g_strPasteFilePath;
int g_nLightOrient;
int g_nLightInten;
int g_nLightElevation;
int g_nFOV;
float g_fGalaxyGasScale;
int g_nUndoMemory;

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

CIntSettingRange UndoMemoryRange()
{
    return {DefaultUndoMemory(), 1, MachineMemoryMiB()};
}

namespace {

// One global setting: where it is stored, its default and the range a load holds it to.
struct CSetting
{
    enum EKind {
        Color,  // COLORREF (or the packed tolerance): its 24 bits are kept
        Int,    // int, held to [dMin, dMax]
        Real,   // float stored as text, held to [dMin, dMax]
        String, // QString
    };
    const char* szSection;
    QString name;
    EKind kind;
    void* pField;
    double dDefault;
    // Held to what the Options and Lighting dialogs can set, so a damaged file cannot give
    // a timer of years or a light of a thousand percent.
    double dMin = 0;
    double dMax = 0;
    // Read only: the program never changes it, so it is not written back.
    bool bReadOnly = false;
};

CSetting IntSetting(const char* szName, int* pField, CIntSettingRange range,
                    bool bReadOnly = false)
{
    return {"Options", QLatin1String(szName), CSetting::Int, pField, double(range.nDefault),
            double(range.nMin), double(range.nMax), bReadOnly};
}

const std::vector<CSetting>& Settings()
{
    static const std::vector<CSetting> settings = [] {
        std::vector<CSetting> list;
        for (int i = 0; i < 16; ++i)
            list.push_back({"Colors", QStringLiteral("Custom%1").arg(i), CSetting::Color,
                            &g_crCustomColors[i], 0xFFFFFF});
        list.insert(list.end(), {
            {"Paste", QStringLiteral("TransColor"), CSetting::Color, &g_crTransColor, 0},
            {"Paste", QStringLiteral("Tolerance"), CSetting::Color, &g_dwTolerance, 0},
            {"Options", QStringLiteral("BkgndColor"), CSetting::Color, &g_crBkgndColor, 0},
            IntSetting("PreviewDelay", &g_nPreviewDelay, kPreviewDelayRange),
            {"Options", QStringLiteral("PasteFilePath"), CSetting::String, &g_strPasteFilePath, 0},
            IntSetting("LightOrient", &g_nLightOrient, kLightOrientRange),
            IntSetting("LightInten", &g_nLightInten, kLightIntenRange),
            IntSetting("LightElevation", &g_nLightElevation, kLightElevationRange),
            IntSetting("FOV", &g_nFOV, kFOVRange, true),
            // The galaxies' own range of gas scales.
            {"Options", QStringLiteral("GalaxyGasScale"), CSetting::Real, &g_fGalaxyGasScale, 6.5,
             0, 10, true},
            // No more than the machine has: a value from a larger machine, or a damaged one,
            // would let the history take memory the picture and the renders need.
            IntSetting("UndoMemory", &g_nUndoMemory, UndoMemoryRange()),
        });
        return list;
    }();
    return settings;
}

void Set(const CSetting& setting, double d)
{
    switch (setting.kind) {
    case CSetting::Color:
        *static_cast<COLORREF*>(setting.pField) = static_cast<COLORREF>(d);
        break;
    case CSetting::Int:
        *static_cast<int*>(setting.pField) = static_cast<int>(d);
        break;
    case CSetting::Real:
        *static_cast<float*>(setting.pField) = static_cast<float>(d);
        break;
    case CSetting::String:
        break;
    }
}

// Brings every setting to its default before anything reads them.
const bool s_bDefaultsSet = (ResetSettings(), true);

} // namespace

void ResetSettings()
{
    for (const CSetting& setting : Settings()) {
        if (setting.kind == CSetting::String)
            static_cast<QString*>(setting.pField)->clear();
        else
            Set(setting, setting.dDefault);
    }
}

void LoadSettings(const CSettingsStore& store)
{
    for (const CSetting& setting : Settings()) {
        const QString section = QLatin1String(setting.szSection);
        switch (setting.kind) {
        case CSetting::Color:
            // A damaged value with higher bits set would otherwise reach the colour
            // choosers and the pictures.
            Set(setting, static_cast<COLORREF>(store.GetInt(section, setting.name,
                                                            int(setting.dDefault))) &
                             0xFFFFFF);
            break;
        case CSetting::Int:
            Set(setting, std::clamp(store.GetWholeNumber(section, setting.name, setting.dDefault),
                                    setting.dMin, setting.dMax));
            break;
        case CSetting::Real: {
            // Clamped as a double: converting a double beyond a float's range is undefined.
            const QByteArray def = QByteArray::number(setting.dDefault);
            Set(setting, std::clamp(store.GetReal(section, setting.name, def.constData()),
                                    setting.dMin, setting.dMax));
            break;
        }
        case CSetting::String:
            *static_cast<QString*>(setting.pField) =
                store.GetString(section, setting.name, QString());
            break;
        }
    }
}

void SaveSettings(CSettingsStore& store)
{
    for (const CSetting& setting : Settings()) {
        if (setting.bReadOnly)
            continue;
        const QString section = QLatin1String(setting.szSection);
        switch (setting.kind) {
        case CSetting::Color:
            store.WriteInt(section, setting.name,
                           static_cast<int>(*static_cast<const COLORREF*>(setting.pField)));
            break;
        case CSetting::Int:
            store.WriteInt(section, setting.name, *static_cast<const int*>(setting.pField));
            break;
        case CSetting::Real:
            store.WriteReal(section, setting.name, *static_cast<const float*>(setting.pField));
            break;
        case CSetting::String:
            store.WriteString(section, setting.name, *static_cast<const QString*>(setting.pField));
            break;
        }
    }
}
