#include "QuotedName.h"

#include <QList>

namespace {

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}

QString EscapeControls(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const QList<uint> ucs4 = text.toUcs4();
    for (const char32_t c : ucs4) {
        if (!IsControl(c)) {
            out.append(QString::fromUcs4(&c, 1));
            continue;
        }
        switch (c) {
        case U'\n':
            out += QLatin1String("\\n");
            break;
        case U'\r':
            out += QLatin1String("\\r");
            break;
        case U'\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += c <= 0xFF ? QString::asprintf("\\x%02X", static_cast<unsigned>(c))
                             : QString::asprintf("\\u{%04X}", static_cast<unsigned>(c));
        }
    }
    return out;
}

QString CutName(const QString& name)
{
    // Counted in characters, so that no pair of UTF-16 units is split.
    if (name.size() <= kMaxShownNameLength)
        return name;
    const QList<uint> ucs4 = name.toUcs4();
    if (ucs4.size() <= kMaxShownNameLength)
        return name;
    constexpr int kTail = kMaxShownNameLength / 3;
    constexpr int kHead = kMaxShownNameLength - kTail - 1;
    const auto text = [&](qsizetype from, qsizetype count) {
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(ucs4.constData() + from),
                                 count);
    };
    return text(0, kHead) + QChar(0x2026) + text(ucs4.size() - kTail, kTail);
}

QString QuotedName(const QString& name)
{
    return QLatin1Char('"') + EscapeControls(CutName(name)) + QLatin1Char('"');
}
