// skyloom-render's command line: the option table, its parsing and the --help text. The
// parser and the help read the same table, so they cannot disagree.
#pragma once

#include "../document/Settings.h"
#include "../document/WinTypes.h"
#include "../imagefile/Skybox.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The work a run may ask for unless --max-work says otherwise, in pixels painted (every
// step's rectangle, summed): forty whole-picture steps at 16384 x 16384, six hundred at
// 4096 x 4096.
constexpr double kDefaultMaxWork = 1e10;

struct CRenderStep
{
    QString strEffect;  // the effect's settings section, as given
    int nTool = -1;     // its index in the tool table
    bool bHasRect = false;
    CRect rect;         // picture pixels, top-down, right and bottom exclusive
    bool bHasSeed = false;
    DWORD nSeed = 0;
    // --set NAME=TEXT, checked against the effect's value table, in the order given.
    QList<QPair<QString, QString>> values;
    // --set NAME=TEXT for the effect's parameters that are not stored (GetOptions), checked
    // and applied after the stored values, in the order given.
    QList<QPair<QString, QString>> options;
};

struct CRenderOptions
{
    enum EFormat { ByExtension, Jpeg, Bmp24, Bmp256, Png };

    bool bHelp = false;
    bool bHasSize = false;
    int nWidth = 640;
    int nHeight = 480;
    QString strInput;    // for messages
    QByteArray input;    // the file name as given: bytes, which need not be UTF-8
    bool bHasBackground = false;
    DWORD nBackground = 0; // packed 0x00RRGGBB
    // --light: the light of the lit effects (planets), as the Lighting dialog sets it.
    bool bHasLight = false;
    int nLightOrient = kLightOrientRange.nDefault;
    int nLightInten = kLightIntenRange.nDefault;
    int nLightElevation = kLightElevationRange.nDefault;
    // --wrap: the picture wraps around its edges.
    bool bWrapAround = false;
    // --sky: a new sky sphere of nHeight rows and twice as many columns.
    bool bSkySphere = false;
    // --skybox: a folder for the six cube faces of the sky, as Export Skybox writes them,
    // of nFaceSize pixels (0: half the sky's height), named and written as asked.
    QString strSkybox;
    int nFaceSize = 0;
    ESkyboxNaming faceNaming = ESkyboxNaming::Axes;
    QString strFaceFormat = QStringLiteral("png");
    // --threads: the render threads (0: one per core).
    int nThreads = 0;
    // --max-work: the most pixels the steps may paint together.
    double dMaxWork = kDefaultMaxWork;
    QList<CRenderStep> steps;
    // --replay: a PNG whose recipe gives the picture, its steps and the light.
    // --layers: a folder for each step as a layer (PNGs and layers.json).
    QString strLayers;
    // --scale: the picture and every rectangle this many times larger (values unchanged).
    double dScale = 1.0;
    QString strReplay;
    QByteArray replay;
    EFormat format = ByExtension;
    QString strOutput;
    QByteArray output;
};

// Reads the arguments (without the program name). On a usage error returns false with one
// line in error; every parameter name and value is checked here, before anything renders.
// args are the bytes of the command line (file names are kept as given); the QStringList
// form is for callers whose file names are text.
bool ParseRenderArguments(const QList<QByteArray>& args, CRenderOptions& options,
                          QString& error);
bool ParseRenderArguments(const QStringList& args, CRenderOptions& options, QString& error);

// The --help text: every option, effect and value name.
QString RenderCommandHelp();
