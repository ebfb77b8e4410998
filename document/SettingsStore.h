// The per-user settings of the program: one group per section, values by name. Integers
// are kept as integers, reals as "%lf" text, strings as strings. A missing or unreadable
// value reads as the caller's default.
#pragma once

#include "WinTypes.h"

#include <QString>

#include <memory>

class QSettings;

class CSettingsStore
{
public:
    // The user's own store: organisation "Vantrel Inc.", application "Skyloom".
    CSettingsStore();
    // A store in an INI file of its own (tests and tools; never the user's settings).
    explicit CSettingsStore(const QString& iniFilePath);
    ~CSettingsStore();
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    // An integer kept as its low 32 bits (a colour's bit pattern); text that is not an
    // integer reads as the default.
    int GetInt(const QString& section, const QString& name, int nDefault) const;
    // A whole number as the number it is, whatever its size (decimal, or hexadecimal with
    // "0x", either with a sign): what a caller holds to a range then reads as the nearest end
    // of it. Text that is no whole number reads as dDefault.
    double GetWholeNumber(const QString& section, const QString& name, double dDefault) const;
    void WriteInt(const QString& section, const QString& name, int nValue);

    QString GetString(const QString& section, const QString& name,
                      const QString& strDefault) const;
    void WriteString(const QString& section, const QString& name, const QString& strValue);

    // A real kept as text: reads the string and converts it as decimal text; a value that is
    // missing or not a number (no number at its start, or one too large to hold) reads as
    // szDefault.
    double GetReal(const QString& section, const QString& name, const char* szDefault) const;
    // Writes the value formatted with "%lf" (0.02 becomes "0.020000").
    void WriteReal(const QString& section, const QString& name, double dValue);

    BOOL HasValue(const QString& section, const QString& name) const;
    // Writes pending changes to disk; FALSE when the store could not be written.
    BOOL Sync();

private:
    std::unique_ptr<QSettings> m_pSettings;
};

// Decimal text to a real in the manner of the C library's atof, independent of the locale:
// leading blanks and a sign are accepted, the longest numeric prefix is converted, and text
// with no such prefix gives 0.0. Infinities and NaNs give 0.0 too, so a damaged setting
// cannot feed a non-finite parameter to a render.
double DecimalTextToReal(const QString& text);
// The same, false (dValue untouched) for text that gives no number: no numeric prefix, an
// infinity, a NaN or a number too large to hold.
bool ReadDecimalText(const QString& text, double& dValue);
// "%lf" of a value, with a '.' whatever the locale.
QString RealToDecimalText(double dValue);
