// skyloom-render: makes pictures from the command line with the same effect objects and the
// same path as a drag on the canvas (parameters, affected area, seed, PrepareRender,
// Render). Parameters start from the effects' built-in defaults and are set in memory; the
// user's own settings are never read or written.
#pragma once

#include "RenderOptions.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

class QTextStream;

// Exit codes.
enum {
    RENDER_OK = 0,
    RENDER_FILE_ERROR = 1,  // a file could not be read or written
    RENDER_USAGE_ERROR = 2, // the command line is wrong
    RENDER_EFFECT_ERROR = 3, // an effect could not render: no OpenGL context, or no memory
};

// Runs a whole command: the help, or the picture, its steps and the output file. Seeds taken
// from the clock are printed to out; errors, one line each, to err. With bTerminalProgress
// a progress bar is drawn on standard error while each effect renders.
int RunRenderCommand(const QList<QByteArray>& args, QTextStream& out, QTextStream& err,
                     bool bTerminalProgress);
int RunRenderCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                     bool bTerminalProgress);
