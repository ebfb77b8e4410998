#include "EffectValue.h"

#include "../document/SettingsStore.h"

#include <cmath>

namespace {

int DefaultInt(const CEffectValue& value)
{
    return static_cast<int>(QByteArray(value.szDefault).toLongLong());
}

QString NumberText(double d)
{
    return QString::number(d, 'g', 10);
}

double DefaultValue(const CEffectValue& value)
{
    return value.kind == CEffectValue::Real
               ? DecimalTextToReal(QString::fromLatin1(value.szDefault))
               : DefaultInt(value);
}

// Stores d as it is: callers have brought it into range, or it is the default.
void StoreEffectValue(const CEffectValue& value, double d)
{
    switch (value.kind) {
    case CEffectValue::Real:
        *static_cast<double*>(value.pField) = d;
        break;
    case CEffectValue::Integer:
    case CEffectValue::Switch:
        *static_cast<int*>(value.pField) = static_cast<int>(d);
        break;
    case CEffectValue::Color:
        *static_cast<COLORREF*>(value.pField) = static_cast<COLORREF>(d);
        break;
    }
}

}

CEffectValue CEffectValue::ShownIn(int nEdit, int nSpinId, double dSpinTop) const
{
    CEffectValue v = *this;
    v.nControl = nEdit;
    v.nSpin = nSpinId;
    v.dSpinMax = dSpinTop;
    return v;
}

CEffectValue CEffectValue::ShownBy(int nId) const
{
    CEffectValue v = *this;
    v.nControl = nId;
    return v;
}

CEffectValue CEffectValue::Mapped(double (*toShown)(double), double (*toStored)(double)) const
{
    CEffectValue v = *this;
    v.pfnToShown = toShown;
    v.pfnToStored = toStored;
    return v;
}

CEffectValue CEffectValue::AlsoNamed(const char* szPlain) const
{
    CEffectValue v = *this;
    v.szPlainName = szPlain;
    return v;
}

void SetEffectValue(const CEffectValue& value, double d)
{
    StoreEffectValue(value, ClampEffectValue(value, d));
}

double ClampEffectValue(const CEffectValue& value, double d)
{
    if (!std::isfinite(d))
        d = 0.0;
    switch (value.kind) {
    case CEffectValue::Switch:
        return d != 0 ? 1 : 0;
    case CEffectValue::Color:
        // A COLORREF's top byte carries nothing here.
        return static_cast<double>(
            static_cast<uint32_t>(static_cast<int64_t>(std::fabs(d) < 4294967296.0 ? d : 0)) &
            0xFFFFFFu);
    case CEffectValue::Real:
    case CEffectValue::Integer:
        break;
    }
    if (d < value.dMin)
        d = value.dMin;
    if (d > value.dMax)
        d = value.dMax;
    return value.kind == CEffectValue::Integer ? std::trunc(d) : d;
}

void LoadEffectValues(const CSettingsStore& store, const QString& section,
                      const CEffectValues& values)
{
    for (const CEffectValue& value : values) {
        const QString name = QString::fromLatin1(value.szName);
        // Whole numbers as numbers, held to the range by SetEffectValue; a colour as its bits.
        const double d = value.kind == CEffectValue::Real
                             ? store.GetReal(section, name, value.szDefault)
                         : value.kind == CEffectValue::Integer
                             ? store.GetWholeNumber(section, name, DefaultInt(value))
                             : store.GetInt(section, name, DefaultInt(value));
        if (d == DefaultValue(value))
            StoreEffectValue(value, d);
        else
            SetEffectValue(value, d);
    }
}

void SaveEffectValues(CSettingsStore& store, const QString& section,
                      const CEffectValues& values)
{
    for (const CEffectValue& value : values) {
        const QString name = QString::fromLatin1(value.szName);
        switch (value.kind) {
        case CEffectValue::Real:
            store.WriteReal(section, name, *static_cast<const double*>(value.pField));
            break;
        case CEffectValue::Integer:
        case CEffectValue::Switch:
            store.WriteInt(section, name, *static_cast<const int*>(value.pField));
            break;
        case CEffectValue::Color:
            store.WriteInt(section, name,
                           static_cast<int>(*static_cast<const COLORREF*>(value.pField)));
            break;
        }
    }
}

void ResetEffectValues(const CEffectValues& values)
{
    for (const CEffectValue& value : values)
        StoreEffectValue(value, DefaultValue(value));
}

const CEffectValue* FindEffectValue(const CEffectValues& values, const QString& name)
{
    for (const CEffectValue& value : values) {
        if (name == QLatin1String(value.szName) ||
            (value.szPlainName && name == QLatin1String(value.szPlainName)))
            return &value;
    }
    return nullptr;
}

const CEffectValue* FindEffectValueShownBy(const CEffectValues& values, int nId)
{
    for (const CEffectValue& value : values) {
        if (nId != 0 && value.nControl == nId)
            return &value;
    }
    return nullptr;
}

QString EffectRangeText(const CEffectValue& value)
{
    return QStringLiteral("%1 to %2").arg(NumberText(value.dMin), NumberText(value.dMax));
}

QString EffectValueText(const CEffectValue& value)
{
    switch (value.kind) {
    case CEffectValue::Real:
        return QString::number(*static_cast<const double*>(value.pField), 'g', 17);
    case CEffectValue::Integer:
    case CEffectValue::Switch:
        return QString::number(*static_cast<const int*>(value.pField));
    case CEffectValue::Color: {
        const COLORREF c = *static_cast<const COLORREF*>(value.pField);
        return QString::asprintf("%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    }
    }
    return QString();
}

bool ParseEffectValue(const CEffectValue& value, const QString& text, double& d, QString& why)
{
    const QString trimmed = text.trimmed();
    switch (value.kind) {
    case CEffectValue::Real: {
        bool ok = false;
        d = trimmed.toDouble(&ok);
        if (!ok || !std::isfinite(d) || DecimalTextToReal(trimmed) != d) {
            why = QStringLiteral("is not a number");
            return false;
        }
        if (!value.InRange(d)) {
            why = QStringLiteral("is outside ") + EffectRangeText(value);
            return false;
        }
        return true;
    }
    case CEffectValue::Integer:
    case CEffectValue::Switch: {
        bool ok = false;
        const qlonglong n = trimmed.toLongLong(&ok, 10);
        if (!ok || !value.InRange(static_cast<double>(n))) {
            why = value.kind == CEffectValue::Switch
                      ? QStringLiteral("must be 0 or 1")
                      : QStringLiteral("is not a whole number from ") + EffectRangeText(value);
            return false;
        }
        d = static_cast<double>(n);
        return true;
    }
    case CEffectValue::Color: {
        QString hex = trimmed;
        if (hex.startsWith(QLatin1Char('#')))
            hex.remove(0, 1);
        bool ok = hex.size() == 6;
        const uint v = ok ? hex.toUInt(&ok, 16) : 0;
        if (!ok) {
            why = QStringLiteral("is not a colour RRGGBB in hexadecimal");
            return false;
        }
        d = static_cast<double>(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
        return true;
    }
    }
    return false;
}
