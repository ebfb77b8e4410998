// The stored parameters of an effect, described once: the value name in the effect's
// section, its kind, the field it lives in, its default and the range the program accepts.
// LoadDefaults, SaveDefaults and ResetDefaults walk the table, and the command-line
// renderer takes its --set names and --help text from it, so all of them stay in step.
#pragma once

#include "../document/WinTypes.h"

#include <QString>

#include <vector>

class CSettingsStore;

struct CEffectValue
{
    enum EKind {
        Real,    // double, stored as "%lf" text
        Integer, // int
        Switch,  // int, 0 or 1
        Color,   // COLORREF, stored as an integer
    };

    const char* szName;
    EKind kind;
    // double* for Real, int* for Integer and Switch, COLORREF* for Color.
    void* pField;
    // The default as the store read is given it: "0.5", "4", "3083512".
    const char* szDefault;
    // Accepted range of a Real or Integer; stored values outside it are brought inside on
    // loading, so a damaged setting cannot feed an absurd parameter to a render.
    double dMin;
    double dMax;
    // One line for the command-line help.
    const char* szMeaning;
};

using CEffectValues = std::vector<CEffectValue>;

// A bound for parameters the dialogs pass through unchecked: wide enough for anything a
// user types, small enough that the renders' arithmetic stays finite.
constexpr double kUncheckedLimit = 1e6;

inline CEffectValue RealValue(const char* szName, double* pField, const char* szDefault,
                              double dMin, double dMax, const char* szMeaning)
{
    return {szName, CEffectValue::Real, pField, szDefault, dMin, dMax, szMeaning};
}
inline CEffectValue IntegerValue(const char* szName, int* pField, const char* szDefault,
                                 int nMin, int nMax, const char* szMeaning)
{
    return {szName, CEffectValue::Integer, pField, szDefault, double(nMin), double(nMax),
            szMeaning};
}
inline CEffectValue SwitchValue(const char* szName, int* pField, const char* szDefault,
                                const char* szMeaning)
{
    return {szName, CEffectValue::Switch, pField, szDefault, 0, 1, szMeaning};
}
inline CEffectValue ColorValue(const char* szName, COLORREF* pField, const char* szDefault,
                               const char* szMeaning)
{
    return {szName, CEffectValue::Color, pField, szDefault, 0, 0xFFFFFF, szMeaning};
}

// Reads every value from section; missing values take their defaults, unreadable reals
// read as 0.0, and each is then brought into its range.
void LoadEffectValues(const CSettingsStore& store, const QString& section,
                      const CEffectValues& values);
// Writes every value in table order.
void SaveEffectValues(CSettingsStore& store, const QString& section,
                      const CEffectValues& values);
// Sets every field to its default.
void ResetEffectValues(const CEffectValues& values);
// Brings a value into the range of its entry: reals and integers clamped, switches to 0 or
// 1, colours to 24 bits.
double ClampEffectValue(const CEffectValue& value, double d);
// The field's present value as skyloom-render's --set takes it: reals with every digit
// (read back they are the same double), integers and switches in decimal, colours RRGGBB.
QString EffectValueText(const CEffectValue& value);
// Reads text for value as a user gives it: a real in decimal (read exactly as the store
// reads it), a whole number, 0 or 1 for a switch, RRGGBB in hexadecimal (a leading '#'
// allowed) for a colour. False, with why saying what is wrong ("is not a number"), when the
// text does not fit or lies outside the value's range.
bool ParseEffectValue(const CEffectValue& value, const QString& text, double& d, QString& why);
// Sets the value's field to d, brought into its range as a load from the store would.
void SetEffectValue(const CEffectValue& value, double d);
// The value name's entry, or null.
const CEffectValue* FindEffectValue(const CEffectValues& values, const QString& name);
