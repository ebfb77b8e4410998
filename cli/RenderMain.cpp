// skyloom-render: the command-line renderer. Everything but the terminal check lives in
// RenderCommand, where the tests reach it.
#include "RenderCommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include <clocale>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Qt adopts the user's locale; numbers in files and settings stay in the C form.
    std::setlocale(LC_NUMERIC, "C");
    // The arguments' own bytes: a file name need not be valid in any encoding, and Qt's
    // decoding of the command line would replace what is not UTF-8.
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() == 1 && args[0] == "--version") {
        out << "skyloom-render " << SKYLOOM_VERSION << Qt::endl;
        return 0;
    }
    return RunRenderCommand(args, out, err, isatty(STDERR_FILENO) != 0);
}
