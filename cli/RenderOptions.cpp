#include "RenderOptions.h"

#include "../document/Dib.h"
#include "../document/QuotedName.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../imagefile/ImageFile.h"
#include "../document/RenderJob.h"

#include <QFile>
#include <QSet>
#include <QTextStream>

#include <iterator>

namespace {

// Rectangle coordinates beyond this are no rectangle at all: the render rule's own bound.
constexpr int kMaxCoordinate = kMaxRenderCoordinate;

// More threads than this would only share the same cores.
constexpr int kMaxThreads = 256;

bool ParseInt(const QString& text, int nMin, int nMax, int& value)
{
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok, 10);
    if (!ok || n < nMin || n > nMax)
        return false;
    value = static_cast<int>(n);
    return true;
}

// One number of --light, within the range the setting it stands for has.
bool ParseLightPart(const QString& text, CIntSettingRange range, int& value)
{
    return ParseInt(text.trimmed(), range.nMin, range.nMax, value);
}

// RRGGBB in hexadecimal (a leading '#' allowed) to its red, green and blue.
bool ParseRgb(QString text, int& red, int& green, int& blue)
{
    if (text.startsWith(QLatin1Char('#')))
        text.remove(0, 1);
    if (text.size() != 6)
        return false;
    bool ok = false;
    const uint v = text.toUInt(&ok, 16);
    if (!ok)
        return false;
    red = (v >> 16) & 0xFF;
    green = (v >> 8) & 0xFF;
    blue = v & 0xFF;
    return true;
}

QString Describe(const CEffectValue& value)
{
    switch (value.kind) {
    case CEffectValue::Real:
        return QStringLiteral("number ") + EffectRangeText(value);
    case CEffectValue::Integer:
        return QStringLiteral("whole number ") + EffectRangeText(value);
    case CEffectValue::Switch:
        return QStringLiteral("0 or 1");
    case CEffectValue::Color:
        return QStringLiteral("RRGGBB");
    }
    return QString();
}

QString EffectNames()
{
    QStringList names;
    for (int i = 0; i < TOOL_COUNT; ++i) {
        const CToolInfo* pInfo = GetToolInfo(i);
        if (pInfo && pInfo->pfnCreate && *pInfo->szSection)
            names << QStringLiteral("\"%1\"").arg(QLatin1String(pInfo->szSection));
    }
    return names.join(QStringLiteral(", "));
}

// The arguments one at a time, with the option each value belongs to for messages.
class CArgReader
{
public:
    explicit CArgReader(const QList<QByteArray>& args) : m_raw(args)
    {
        for (const QByteArray& arg : args)
            m_args.append(QFile::decodeName(arg));
    }
    bool AtEnd() const { return m_nNext >= m_args.size(); }
    QString Next() { return m_args[m_nNext++]; }
    // The bytes of the argument read last, as the command line gave them.
    const QByteArray& LastBytes() const { return m_raw[m_nNext - 1]; }
    bool Value(const QString& option, QString& value, QString& error)
    {
        if (AtEnd()) {
            error = QStringLiteral("%1 needs a value").arg(option);
            return false;
        }
        value = Next();
        return true;
    }

private:
    const QList<QByteArray>& m_raw;
    QStringList m_args;
    int m_nNext = 0;
};

bool ParseStepValue(CRenderStep& step, const QString& text, QString& error)
{
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        error = QStringLiteral("--set %1: expected VALUE=TEXT").arg(text);
        return false;
    }
    const QString name = text.left(eq);
    const auto effect = CreateTool(step.nTool);
    const CEffectValues values = effect->GetValues();
    const CEffectValue* pValue = FindEffectValue(values, name);
    if (!pValue) {
        // Not stored: set it on this probe to check the text; the step sets it again.
        const std::vector<CEffectOption> options = effect->GetOptions();
        for (const CEffectOption& option : options) {
            if (name != QLatin1String(option.szName))
                continue;
            QString why;
            if (!effect->SetOption(name, text.mid(eq + 1), why)) {
                error = QStringLiteral("--set %1: %2 %3")
                            .arg(text, step.strEffect + QLatin1Char(' ') + name, why);
                return false;
            }
            step.options.append({name, text.mid(eq + 1)});
            return true;
        }
        QStringList known;
        for (const CEffectValue& v : values)
            known << QLatin1String(v.szName);
        for (const CEffectOption& option : options)
            known << QLatin1String(option.szName);
        error = known.isEmpty()
                    ? QStringLiteral("%1 has no values to set").arg(step.strEffect)
                    : QStringLiteral("%1 has no value \"%2\" (it has %3)")
                          .arg(step.strEffect, name, known.join(QStringLiteral(", ")));
        return false;
    }
    double d = 0;
    QString why;
    if (!ParseEffectValue(*pValue, text.mid(eq + 1), d, why)) {
        error = QStringLiteral("--set %1: %2 %3")
                    .arg(text, step.strEffect + QLatin1Char(' ') + name, why);
        return false;
    }
    step.values.append({name, text.mid(eq + 1)});
    return true;
}

bool ParseRect(const QString& text, CRect& rect)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        if (!ParseInt(parts[i].trimmed(), -kMaxCoordinate, kMaxCoordinate, v[i]))
            return false;
    }
    rect = CRect(v[0], v[1], v[2], v[3]);
    // A drag upward or to the left gives the same rectangle.
    rect.NormalizeRect();
    return true;
}

// What an option's handler reads and fills: the options so far, the step begun by the last
// --effect (none before it), and the value's bytes as the command line gave them.
struct CParseState
{
    CRenderOptions& options;
    CRenderStep* pStep;
    const QByteArray& bytes;
};

// One option of the command line: the parser and --help both read this, so they cannot
// disagree.
struct CRenderOption
{
    const char* szName;
    const char* szShort;  // another spelling, shown before the name; or nullptr
    const char* szArg;    // the value it takes; nullptr for none
    const char* szHelp;   // its --help text, lines apart by '\n'
    bool bStep;           // belongs to the step begun by the last --effect
    bool bOnce;           // may be given once (in each step, for a step's option)
    bool (*pfnRead)(CParseState& state, const QString& value, QString& error);
};

// A file name: kept as the command line's bytes, and never empty.
bool ReadFileName(const char* szOption, const CParseState& state, const QString& value,
                  QString& name, QByteArray& bytes, QString& error)
{
    if (value.isEmpty()) {
        error = QStringLiteral("%1 needs a file name").arg(QLatin1String(szOption));
        return false;
    }
    name = value;
    bytes = state.bytes;
    return true;
}

const CRenderOption kOptions[] = {
    {"--size", nullptr, "WxH", "a new picture (default 640x480)", false, true,
     [](CParseState& s, const QString& value, QString& error) {
         const QStringList wh = value.split(QLatin1Char('x'));
         if (wh.size() != 2 || !ParseInt(wh[0], 1, kMaxDibDimension, s.options.nWidth) ||
             !ParseInt(wh[1], 1, kMaxDibDimension, s.options.nHeight)) {
             error = QStringLiteral("--size %1: expected WxH, each 1 to %2")
                         .arg(value)
                         .arg(kMaxDibDimension);
             return false;
         }
         s.options.bHasSize = true;
         return true;
     }},
    {"--background", nullptr, "RRGGBB", "its colour in hexadecimal (default 000000)", false,
     true,
     [](CParseState& s, const QString& value, QString& error) {
         int r = 0, g = 0, b = 0;
         if (!ParseRgb(value, r, g, b)) {
             error = QStringLiteral("--background %1: expected RRGGBB in hexadecimal").arg(value);
             return false;
         }
         s.options.nBackground = DWORD(r) << 16 | DWORD(g) << 8 | DWORD(b);
         s.options.bHasBackground = true;
         return true;
     }},
    {"--wrap", nullptr, nullptr,
     "make the picture wrap around: what an effect paints past one\n"
     "edge comes back in at the opposite one, so the picture tiles",
     false, true,
     [](CParseState& s, const QString&, QString&) {
         s.options.bWrapAround = true;
         return true;
     }},
    {"--sky", nullptr, "HEIGHT",
     "a new sky sphere instead: a 2:1 panorama of 2 x HEIGHT by\n"
     "HEIGHT pixels (longitude 0 to 360, latitude +90 to -90) on\n"
     "which each step paints a patch of sky",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         if (!ParseInt(value, 1, kMaxDibDimension / 2, s.options.nHeight)) {
             error = QStringLiteral("--sky %1: expected a height of 1 to %2")
                         .arg(value)
                         .arg(kMaxDibDimension / 2);
             return false;
         }
         s.options.nWidth = 2 * s.options.nHeight;
         s.options.bSkySphere = true;
         return true;
     }},
    {"--skybox", nullptr, "DIR",
     "write the sky's six cube faces into DIR, oriented as OpenGL\n"
     "cube maps take them (with --sky, --replay or --input; -o may\n"
     "then be left out)",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         QByteArray bytes;
         return ReadFileName("--skybox", s, value, s.options.strSkybox, bytes, error);
     }},
    {"--face-size", nullptr, "N",
     "the faces' side in pixels (default half the sky's height)", false, true,
     [](CParseState& s, const QString& value, QString& error) {
         if (!ParseInt(value, 1, kMaxSkyboxFaceSize, s.options.nFaceSize)) {
             error = QStringLiteral("--face-size %1: expected 1 to %2")
                         .arg(value)
                         .arg(kMaxSkyboxFaceSize);
             return false;
         }
         return true;
     }},
    {"--face-names", nullptr, "NAMES",
     "the faces' names: axes (px nx py ny pz nz, the default) or\n"
     "sides (right left top bottom front back)",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         if (value == QLatin1String("axes") || value == QLatin1String("sides")) {
             s.options.faceNaming = value == QLatin1String("axes") ? ESkyboxNaming::Axes
                                                                    : ESkyboxNaming::Sides;
             return true;
         }
         error = QStringLiteral("--face-names %1: expected axes or sides").arg(value);
         return false;
     }},
    {"--face-format", nullptr, "F",
     "the faces' files: png (the default), jpg or bmp", false, true,
     [](CParseState& s, const QString& value, QString& error) {
         if (value == QLatin1String("png") || value == QLatin1String("jpg") ||
             value == QLatin1String("bmp")) {
             s.options.strFaceFormat = value;
             return true;
         }
         error = QStringLiteral("--face-format %1: expected png, jpg or bmp").arg(value);
         return false;
     }},
    {"--input", nullptr, "FILE",
     "start from a picture file (BMP, JPEG, PNG, known by their\n"
     "content whatever the name, or a .tga) instead",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         return ReadFileName("--input", s, value, s.options.strInput, s.options.input, error);
     }},
    {"--effect", nullptr, "NAME", "an effect, by its settings section; effects run in order",
     false, false,
     [](CParseState& s, const QString& value, QString& error) {
         CRenderStep step;
         step.strEffect = value;
         step.nTool = FindToolBySection(value);
         const CToolInfo* pInfo = GetToolInfo(step.nTool);
         if (step.nTool <= 0 || !pInfo || !pInfo->pfnCreate) {
             error =
                 QStringLiteral("unknown effect \"%1\" (effects: %2)").arg(value, EffectNames());
             return false;
         }
         s.options.steps.append(step);
         return true;
     }},
    {"--rect", nullptr, "L,T,R,B",
     "where it goes, in picture pixels from the top left, right and\n"
     "bottom exclusive (default the whole picture); a rectangle that\n"
     "is empty or misses the picture paints nothing. It may reach\n"
     "far past the picture (a planet's horizon): it may cover up to\n"
     "16384 x 16384 pixels, or the picture's own size if larger",
     true, true,
     [](CParseState& s, const QString& value, QString& error) {
         if (!ParseRect(value, s.pStep->rect)) {
             error = QStringLiteral("--rect %1: expected L,T,R,B, whole numbers within %2")
                         .arg(value)
                         .arg(kMaxCoordinate);
             return false;
         }
         s.pStep->bHasRect = true;
         return true;
     }},
    {"--seed", nullptr, "N",
     "the random generator's state before the effect (0 to\n"
     "4294967295); without it one is taken from the clock and printed",
     true, true,
     [](CParseState& s, const QString& value, QString& error) {
         bool ok = false;
         const qulonglong seed = value.toULongLong(&ok, 10);
         if (!ok || seed > 0xFFFFFFFFull) {
             error = QStringLiteral("--seed %1: expected a whole number from 0 to 4294967295")
                         .arg(value);
             return false;
         }
         s.pStep->nSeed = static_cast<DWORD>(seed);
         s.pStep->bHasSeed = true;
         return true;
     }},
    {"--set", nullptr, "VALUE=TEXT",
     "a parameter by its value name; the others keep the\n"
     "effect's built-in defaults (your settings are not used)",
     true, false,
     [](CParseState& s, const QString& value, QString& error) {
         return ParseStepValue(*s.pStep, value, error);
     }},
    {"--light", nullptr, "O,I,E",
     "the light of the planets: orientation {LightOrient} degrees,\n"
     "intensity {LightInten} percent, elevation {LightElevation} (50 level)\n"
     "(default {LightDefault})",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         CRenderOptions& o = s.options;
         const QStringList parts = value.split(QLatin1Char(','));
         if (parts.size() != 3 || !ParseLightPart(parts[0], kLightOrientRange, o.nLightOrient) ||
             !ParseLightPart(parts[1], kLightIntenRange, o.nLightInten) ||
             !ParseLightPart(parts[2], kLightElevationRange, o.nLightElevation)) {
             error = QStringLiteral("--light %1: expected ORIENT,INTENSITY,ELEVATION: %2 to %3, "
                                    "%4 to %5 and %6 to %7")
                         .arg(value)
                         .arg(kLightOrientRange.nMin)
                         .arg(kLightOrientRange.nMax)
                         .arg(kLightIntenRange.nMin)
                         .arg(kLightIntenRange.nMax)
                         .arg(kLightElevationRange.nMin)
                         .arg(kLightElevationRange.nMax);
             return false;
         }
         o.bHasLight = true;
         return true;
     }},
    {"--threads", nullptr, "N",
     "threads the effects render on, 1 to 256 (default one per\n"
     "core); every number of threads gives the same picture",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         if (!ParseInt(value, 1, kMaxThreads, s.options.nThreads)) {
             error = QStringLiteral("--threads %1: expected a whole number from 1 to %2")
                         .arg(value)
                         .arg(kMaxThreads);
             return false;
         }
         return true;
     }},
    {"--max-work", nullptr, "N",
     "the most pixels the steps may paint, every step's rectangle\n"
     "summed (default 10000000000): a larger run is refused before\n"
     "it starts, with what it would paint",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         bool ok = false;
         const qulonglong n = value.toULongLong(&ok, 10);
         if (!ok || n == 0) {
             error = QStringLiteral("--max-work %1: expected a whole number of pixels from 1")
                         .arg(value);
             return false;
         }
         s.options.dMaxWork = double(n);
         return true;
     }},
    {"--format", nullptr, "F",
     "jpeg (JPEG Image), bmp24 (24-bit Bitmap), bmp256 (256 Color\n"
     "Bitmap) or png (PNG Image). OUTPUT's extension decides\n"
     "(.bmp, .jpg, .jpeg, .png, any case): F may only choose\n"
     "between bmp24 and bmp256 for .bmp, or give the format of\n"
     "a name without extension (default bmp24)",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         static const char* const kNames[] = {"jpeg", "bmp24", "bmp256", "png"};
         static const CRenderOptions::EFormat kFormats[] = {
             CRenderOptions::Jpeg, CRenderOptions::Bmp24, CRenderOptions::Bmp256,
             CRenderOptions::Png};
         for (size_t i = 0; i < std::size(kNames); ++i) {
             if (value == QLatin1String(kNames[i])) {
                 s.options.format = kFormats[i];
                 return true;
             }
         }
         error = QStringLiteral("--format %1: expected jpeg, bmp24, bmp256 or png").arg(value);
         return false;
     }},
    {"--replay", nullptr, "PICTURE",
     "paint again the recipe a PNG saved by Skyloom carries (or a\n"
     "recipe file from Export Recipe, .json): its new picture and\n"
     "every step, with their rectangles, seeds and values",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         return ReadFileName("--replay", s, value, s.options.strReplay, s.options.replay, error);
     }},
    {"--layers", nullptr, "DIR",
     "also write each step as a layer into DIR: a PNG with\n"
     "transparency of the part it paints, and layers.json with\n"
     "its rectangle and blend (normal or add)",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         QByteArray bytes;
         return ReadFileName("--layers", s, value, s.options.strLayers, bytes, error);
     }},
    {"--scale", nullptr, "F",
     "paint the picture F times as large (1/16 to 16): its size and\n"
     "every rectangle scaled, every value as it is",
     false, true,
     [](CParseState& s, const QString& value, QString& error) {
         bool ok = false;
         const double d = value.toDouble(&ok);
         if (!ok || !(d >= 1.0 / 16 && d <= 16)) {
             error = QStringLiteral("--scale %1: expected a number from 0.0625 to 16").arg(value);
             return false;
         }
         s.options.dScale = d;
         return true;
     }},
    {"--output", "-o", "OUTPUT", "the file to write; a failed run leaves it as it was", false,
     true,
     [](CParseState& s, const QString& value, QString& error) {
         return ReadFileName("-o", s, value, s.options.strOutput, s.options.output, error);
     }},
    // Taken before anything else is read (see IsHelpRequest): it wins over the rest.
    {"--help", "-h", nullptr, "this text", false, false,
     [](CParseState& s, const QString&, QString&) {
         s.options.bHelp = true;
         return true;
     }},
};

const CRenderOption* FindOption(const QString& arg)
{
    for (const CRenderOption& option : kOptions) {
        if (arg == QLatin1String(option.szName) ||
            (option.szShort && arg == QLatin1String(option.szShort)))
            return &option;
    }
    return nullptr;
}

// Whether --help (or -h) stands where an option is expected, before or after anything
// wrong: help is given whatever else the line says. As the value of an option it is only
// a value ("--input -h" names a file "-h").
bool IsHelpRequest(const QList<QByteArray>& args)
{
    const CRenderOption* pHelp = FindOption(QStringLiteral("--help"));
    for (int i = 0; i < args.size(); ++i) {
        const CRenderOption* pOption = FindOption(QFile::decodeName(args[i]));
        if (pOption == pHelp)
            return true;
        if (pOption && pOption->szArg)
            ++i;
    }
    return false;
}

// A help text with the settings' ranges and defaults put in for their {names}.
QString WithSettingRanges(QString text)
{
    const auto range = [](CIntSettingRange r) {
        return QStringLiteral("%1 to %2").arg(r.nMin).arg(r.nMax);
    };
    return text.replace(QLatin1String("{LightOrient}"), range(kLightOrientRange))
        .replace(QLatin1String("{LightInten}"), range(kLightIntenRange))
        .replace(QLatin1String("{LightElevation}"), range(kLightElevationRange))
        .replace(QLatin1String("{LightDefault}"), QStringLiteral("%1,%2,%3")
                                                      .arg(kLightOrientRange.nDefault)
                                                      .arg(kLightIntenRange.nDefault)
                                                      .arg(kLightElevationRange.nDefault));
}

// The options' lines of --help: the name and its value, then the help text in a column.
void WriteOptionsHelp(QTextStream& s)
{
    constexpr int kColumn = 22;
    for (const CRenderOption& option : kOptions) {
        QString head = QStringLiteral("  ");
        if (option.szShort)
            head += QLatin1String(option.szShort) + QStringLiteral(", ");
        head += QLatin1String(option.szName);
        if (option.szArg)
            head += QLatin1Char(' ') + QLatin1String(option.szArg);
        // A name too long for two spaces before its column goes on a line of its own (two
        // spaces part an option from its text for help2man).
        s << (head.size() <= kColumn - 2
                  ? head.leftJustified(kColumn)
                  : head + QLatin1Char('\n') + QString(kColumn, QLatin1Char(' ')));
        s << WithSettingRanges(QString::fromUtf8(option.szHelp))
                 .replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(kColumn, QLatin1Char(' ')))
          << "\n";
    }
}

}

bool ParseRenderArguments(const QStringList& args, CRenderOptions& options, QString& error)
{
    QList<QByteArray> bytes;
    for (const QString& arg : args)
        bytes.append(QFile::encodeName(arg));
    return ParseRenderArguments(bytes, options, error);
}

namespace {

// The bytes of the output match its name: an extension a writer has decides the format,
// --format only refines it (bmp24 or bmp256 for ".bmp") or, for a name without one, gives
// it (24-bit BMP by default). Sets options.format; false with the usage error for any
// other extension, or a --format the name contradicts.
bool ResolveOutputFormat(CRenderOptions& options, QString& error)
{
    const QByteArray& name = options.output;
    const bool bHasExtension = name.indexOf('.', name.lastIndexOf('/') + 1) >= 0;
    const EImageFileType named =
        bHasExtension ? ImageFileTypeFromName(name.constData()) : EImageFileType::Bmp;
    CRenderOptions::EFormat natural;
    switch (named) {
    case EImageFileType::Bmp:
        natural = options.format == CRenderOptions::Bmp256 ? CRenderOptions::Bmp256
                                                           : CRenderOptions::Bmp24;
        break;
    case EImageFileType::Jpeg:
        natural = CRenderOptions::Jpeg;
        break;
    case EImageFileType::Png:
        natural = CRenderOptions::Png;
        break;
    default:
        error = QStringLiteral("cannot write %1: name it .bmp, .jpg, .jpeg or .png")
                    .arg(QuotedName(options.strOutput));
        return false;
    }
    if (!bHasExtension && options.format != CRenderOptions::ByExtension)
        natural = options.format;
    if (options.format != CRenderOptions::ByExtension && options.format != natural) {
        static const char* const kNames[] = {"", "jpeg", "bmp24", "bmp256", "png"};
        static const char* const kExtensions[] = {"", ".jpg", ".bmp", ".bmp", ".png"};
        error = QStringLiteral("--format %1 does not match the name %2: name it %3, or "
                               "leave --format out")
                    .arg(QLatin1String(kNames[options.format]), QuotedName(options.strOutput),
                         QLatin1String(kExtensions[options.format]));
        return false;
    }
    options.format = natural;
    return true;
}

}

bool ParseRenderArguments(const QList<QByteArray>& args, CRenderOptions& options,
                          QString& error)
{
    options = CRenderOptions();
    if (IsHelpRequest(args)) {
        options.bHelp = true;
        return true;
    }
    CArgReader reader(args);
    // The options given so far, by their step (0 for the whole run) and table entry.
    QSet<QPair<int, const CRenderOption*>> given;
    while (!reader.AtEnd()) {
        const QString arg = reader.Next();
        const CRenderOption* pOption = FindOption(arg);
        if (!pOption) {
            error = arg.startsWith(QLatin1Char('-'))
                        ? QStringLiteral("unknown option %1").arg(CutName(arg))
                        : QStringLiteral("unexpected argument \"%1\"").arg(CutName(arg));
            return false;
        }
        CRenderStep* pStep = options.steps.isEmpty() ? nullptr : &options.steps.last();
        if (pOption->bStep && !pStep) {
            error = QStringLiteral("%1 must follow --effect NAME").arg(arg);
            return false;
        }
        const QPair<int, const CRenderOption*> key(pOption->bStep ? options.steps.size() : 0,
                                                   pOption);
        if (pOption->bOnce && given.contains(key)) {
            error = QStringLiteral("%1 is given twice").arg(arg);
            return false;
        }
        given.insert(key);
        QString value;
        if (pOption->szArg && !reader.Value(arg, value, error))
            return false;
        CParseState state{options, pStep, reader.LastBytes()};
        if (!pOption->pfnRead(state, value, error)) {
            // A value of megabytes (a recipe's) is shown cut, as names are.
            if (value.size() > kMaxShownNameLength)
                error.replace(value, CutName(value));
            return false;
        }
    }
    if (options.bHasSize && !options.strInput.isEmpty()) {
        error = QStringLiteral("--size and --input exclude each other");
        return false;
    }
    if (options.bSkySphere && (options.bHasSize || !options.strInput.isEmpty())) {
        error = QStringLiteral("--sky makes a new picture; it does not go with --size or --input");
        return false;
    }
    if (options.bSkySphere && options.bWrapAround) {
        error = QStringLiteral("--sky wraps around by itself; it does not go with --wrap");
        return false;
    }
    if (options.bHasBackground && !options.strInput.isEmpty()) {
        error = QStringLiteral("--background colours a new picture; it does not go with --input");
        return false;
    }
    if (options.dScale != 1.0 && !options.strInput.isEmpty()) {
        error = QStringLiteral("--scale makes a new picture larger; it does not go with --input");
        return false;
    }
    if (!options.strReplay.isEmpty() &&
        (options.bHasSize || !options.strInput.isEmpty() || options.bHasBackground ||
         options.bHasLight || options.bWrapAround || options.bSkySphere ||
         !options.steps.isEmpty())) {
        error = QStringLiteral("--replay takes its picture, steps and light from the recipe; "
                               "give it with -o, --format, --scale, --layers and the "
                               "--skybox options only");
        return false;
    }
    if (options.strOutput.isEmpty()) {
        if (!options.strSkybox.isEmpty())
            return true; // the faces are the output
        error = QStringLiteral("no output: give -o OUTPUT");
        return false;
    }
    return ResolveOutputFormat(options, error);
}

QString RenderCommandHelp()
{
    QString text;
    QTextStream s(&text);
    s << "Usage: skyloom-render [OPTION]... [STEP]... -o OUTPUT\n"
         "   or: skyloom-render --replay PICTURE.png [--threads N] [--format F] -o OUTPUT\n"
         "   or: skyloom-render --sky HEIGHT [STEP]... --skybox DIR [--face-size N]\n"
         "   or: skyloom-render --version\n"
         "\n"
         "Paints effects into a picture as a drag on the canvas does, and writes it.\n"
         "Each STEP is --effect NAME [--rect L,T,R,B] [--seed N] [--set VALUE=TEXT]...\n"
         "\n";
    WriteOptionsHelp(s);
    s << "\n"
         "With no STEP the input is converted: skyloom-render --input a.tga -o a.bmp\n"
         "A PNG output carries the recipe of the picture: how it began and every step.\n"
         "Exit status: 0 done, 1 a file could not be read or written, 2 wrong usage,\n"
         "3 an effect could not render (no OpenGL context could be made, or no memory).\n"
         "\n"
         "Effects and their values (default in brackets):\n";
    for (int i = 0; i < TOOL_COUNT; ++i) {
        const auto effect = CreateTool(i);
        if (!effect || effect->m_strSection.isEmpty())
            continue;
        s << "\n  " << (effect->m_strSection.contains(QLatin1Char(' '))
                            ? QLatin1Char('"') + effect->m_strSection + QLatin1Char('"')
                            : effect->m_strSection)
          << "\n";
        const CEffectValues values = effect->GetValues();
        const std::vector<CEffectOption> options = effect->GetOptions();
        if (values.empty() && options.empty())
            s << "    (no values to set here)\n";
        for (const CEffectValue& value : values) {
            QString def = QLatin1String(value.szDefault);
            if (value.kind == CEffectValue::Color) {
                const COLORREF c = static_cast<COLORREF>(def.toUInt());
                def = QString::asprintf("%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
            }
            s << "    " << QString(QLatin1String(value.szName)).leftJustified(20) << " "
              << QStringLiteral("%1 [%2]: ").arg(Describe(value), def)
              << QLatin1String(value.szMeaning);
            if (value.szPlainName)
                s << " (also --set " << QLatin1String(value.szPlainName) << "=...)";
            s << "\n";
        }
        for (const CEffectOption& option : options)
            s << "    " << QString(QLatin1String(option.szName)).leftJustified(20)
              << " text: " << QLatin1String(option.szMeaning) << "\n";
    }
    s.flush();
    return text;
}
