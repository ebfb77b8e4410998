// skyloom-render: makes pictures from the command line with the same effect objects and the
// same path as a drag on the canvas (parameters, affected area, seed, PrepareRender,
// Render). Parameters start from the effects' built-in defaults and are set in memory; the
// user's own settings are never read or written.
#pragma once

#include "../document/Settings.h"
#include "../document/WinTypes.h"
#include "RenderWork.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QTextStream;

// Exit codes.
enum {
    RENDER_OK = 0,
    RENDER_FILE_ERROR = 1,  // a file could not be read or written
    RENDER_USAGE_ERROR = 2, // the command line is wrong
    RENDER_EFFECT_ERROR = 3, // an effect could not render: no OpenGL context, or no memory
};

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
    // --threads: the render threads (0: one per core).
    int nThreads = 0;
    // --max-work: the most pixels the steps may paint together (RenderWork.h).
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

// Runs a whole command: the help, or the picture, its steps and the output file. Seeds taken
// from the clock are printed to out; errors, one line each, to err. With bTerminalProgress
// a progress bar is drawn on standard error while each effect renders.
int RunRenderCommand(const QList<QByteArray>& args, QTextStream& out, QTextStream& err,
                     bool bTerminalProgress);
int RunRenderCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                     bool bTerminalProgress);
