// The stored parameters of an effect, described once: the value name in the effect's
// section, its kind, the field it lives in, its default, the range a user may give, the
// dialog control that shows it and its meaning. LoadDefaults, SaveDefaults and
// ResetDefaults walk the table, the properties dialogs show and validate their controls
// through it, and the command-line renderer takes its --set names, ranges and --help text
// from it, so none of them can disagree.
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
    // The range a user may give a Real or Integer, in stored units: the dialog, --set and
    // a recipe refuse values outside it, and a stored value outside it loads as the nearest
    // end, so a damaged setting cannot feed an absurd parameter to a render. The default
    // itself is always taken as it is (the galaxy's -1 stands for a setting).
    double dMin;
    double dMax;
    // One line for the command-line help.
    const char* szMeaning;
    // The dialog control that shows the value (0: none) and the spin beside its edit.
    int nControl = 0;
    int nSpin = 0;
    // The spin's top in the units the dialog shows; its bottom is 0.
    double dSpinMax = 0;
    // A dialog shows pfnToShown(value) and stores pfnToStored(shown); null: as stored.
    double (*pfnToShown)(double) = nullptr;
    double (*pfnToStored)(double) = nullptr;
    // The plain spelling of a name the store spells otherwise; --set takes either.
    const char* szPlainName = nullptr;

    // Shown in edit nEdit with spin nSpinId, whose top is dSpinTop (shown units).
    CEffectValue ShownIn(int nEdit, int nSpinId, double dSpinTop) const;
    // Shown by a check box, colour button or drop-down.
    CEffectValue ShownBy(int nId) const;
    // Shown through a mapping (e.g. density x 5), each way.
    CEffectValue Mapped(double (*toShown)(double), double (*toStored)(double)) const;
    CEffectValue AlsoNamed(const char* szPlain) const;
    double ToShown(double d) const { return pfnToShown ? pfnToShown(d) : d; }
    double ToStored(double d) const { return pfnToStored ? pfnToStored(d) : d; }
    // Whether d (stored units) lies in the range a user may give.
    bool InRange(double d) const { return d >= dMin && d <= dMax; }
};

using CEffectValues = std::vector<CEffectValue>;

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

// Reads every value from section; missing values and values that are not numbers take
// their defaults, and each is then brought into its range.
void LoadEffectValues(const CSettingsStore& store, const QString& section,
                      const CEffectValues& values);
// Writes every value in table order.
void SaveEffectValues(CSettingsStore& store, const QString& section,
                      const CEffectValues& values);
// The range of a Real or Integer as --help and the messages give it: "0 to 10".
QString EffectRangeText(const CEffectValue& value);
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
// The value name's entry (by its stored or its plain spelling), or null.
const CEffectValue* FindEffectValue(const CEffectValues& values, const QString& name);
// The entry shown by dialog control nId, or null.
const CEffectValue* FindEffectValueShownBy(const CEffectValues& values, int nId);
