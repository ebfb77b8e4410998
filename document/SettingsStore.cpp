#include "SettingsStore.h"

#include <QSettings>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {
QString Key(const QString& section, const QString& name)
{
    return section + QLatin1Char('/') + name;
}
}

CSettingsStore::CSettingsStore()
    : m_pSettings(std::make_unique<QSettings>(QStringLiteral("Vantrel Inc."),
                                              QStringLiteral("Skyloom")))
{
}

CSettingsStore::CSettingsStore(const QString& iniFilePath)
    : m_pSettings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
}

CSettingsStore::~CSettingsStore()
{
    m_pSettings->sync();
}

int CSettingsStore::GetInt(const QString& section, const QString& name, int nDefault) const
{
    const QVariant v = m_pSettings->value(Key(section, name));
    if (!v.isValid())
        return nDefault;
    bool ok = false;
    // Decimal, or hexadecimal with "0x" (handy for hand-edited colours); a leading zero
    // does not make it octal. Up to a DWORD's range, kept as its low 32 bits.
    const QString text = v.toString().trimmed();
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const qlonglong n = hex ? text.mid(2).toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
    if (!ok || n < -2147483648LL || n > 4294967295LL)
        return nDefault;
    return static_cast<int>(static_cast<uint32_t>(n));
}

double CSettingsStore::GetWholeNumber(const QString& section, const QString& name,
                                     double dDefault) const
{
    const QVariant v = m_pSettings->value(Key(section, name));
    if (!v.isValid())
        return dDefault;
    // The view must not outlive the string it looks at.
    const QString stored = v.toString();
    QStringView text = QStringView(stored).trimmed();
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative || text.startsWith(QLatin1Char('+')))
        text = text.mid(1);
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    if (hex)
        text = text.mid(2);
    if (text.isEmpty())
        return dDefault;
    // Held far past any range once it is that large: digits beyond change nothing.
    constexpr double kHuge = 1e300;
    double value = 0.0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (hex && u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (hex && u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0)
            return dDefault;
        value = std::min(value * (hex ? 16 : 10) + digit, kHuge);
    }
    return negative ? -value : value;
}

void CSettingsStore::WriteInt(const QString& section, const QString& name, int nValue)
{
    m_pSettings->setValue(Key(section, name), nValue);
}

QString CSettingsStore::GetString(const QString& section, const QString& name,
                                  const QString& strDefault) const
{
    const QVariant v = m_pSettings->value(Key(section, name));
    if (!v.isValid())
        return strDefault;
    // The INI reader turns a value with commas into a list; give it back as written.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void CSettingsStore::WriteString(const QString& section, const QString& name,
                                 const QString& strValue)
{
    m_pSettings->setValue(Key(section, name), strValue);
}

double CSettingsStore::GetReal(const QString& section, const QString& name,
                               const char* szDefault) const
{
    double value = 0.0;
    if (HasValue(section, name) && ReadDecimalText(GetString(section, name, QString()), value))
        return value;
    return DecimalTextToReal(QString::fromLatin1(szDefault));
}

void CSettingsStore::WriteReal(const QString& section, const QString& name, double dValue)
{
    WriteString(section, name, RealToDecimalText(dValue));
}

BOOL CSettingsStore::HasValue(const QString& section, const QString& name) const
{
    return m_pSettings->contains(Key(section, name));
}

BOOL CSettingsStore::Sync()
{
    m_pSettings->sync();
    return m_pSettings->status() == QSettings::NoError;
}

double DecimalTextToReal(const QString& text)
{
    double value = 0.0;
    return ReadDecimalText(text, value) ? value : 0.0;
}

bool ReadDecimalText(const QString& text, double& dValue)
{
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars takes no sign of its own here, so "+-1" and "--1" stay non-numbers.
    if (p == end || *p == '+' || *p == '-')
        return false;
    double value = 0.0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to represent (a negative exponent) reads as 0; too large is no usable
        // number.
        const char* pExponent = std::find_if(p, result.ptr, [](char c) {
            return c == 'e' || c == 'E';
        });
        if (pExponent + 1 >= result.ptr || pExponent[1] != '-')
            return false;
        dValue = 0.0;
        return true;
    }
    if (result.ec != std::errc() || !std::isfinite(value))
        return false;
    dValue = negative ? -value : value;
    return true;
}

QString RealToDecimalText(double dValue)
{
    // QString::asprintf formats in the C locale.
    return QString::asprintf("%lf", dValue);
}
