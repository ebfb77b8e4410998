// skyloom [file]: the painter's window, with the named picture or a new one.
#include "../document/DataFolders.h"
#include "SkyloomApp.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

// skyloom --help: what the command line takes, and where the manual is, so that an
// installation can be checked from a terminal.
void PrintUsage()
{
    const QString manual =
        ProgramDataFolder(QStringLiteral("help")) + QStringLiteral("/skyhelp.htm");
    QTextStream out(stdout);
    out << "Usage: skyloom [FILE]\n"
           "   or: skyloom --help | --version\n"
           "Opens FILE (a BMP, JPEG, TGA or PNG picture), or a new picture without one.\n"
           "skyloom-render paints pictures without the window (skyloom-render --help).\n"
        << "Manual: " << (QFileInfo(manual).isFile() ? manual : QStringLiteral("(not found)"))
        << Qt::endl;
}

// --help and --version answer without a display: only the core of Qt is started for them.
bool AnswersWithoutWindow(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h") {
            QCoreApplication core(argc, argv);
            PrintUsage();
            return true;
        }
        if (arg == "--version") {
            QTextStream(stdout) << "skyloom " << SKYLOOM_VERSION << Qt::endl;
            return true;
        }
    }
    return false;
}

}

int main(int argc, char* argv[])
{
    if (AnswersWithoutWindow(argc, argv))
        return 0;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vantrel Inc."));
    QApplication::setApplicationName(QStringLiteral("Skyloom"));
    QApplication::setApplicationVersion(QStringLiteral(SKYLOOM_VERSION));
    // Ties the windows to the installed desktop entry (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vantrel.Skyloom"));

    // File names are bytes on Linux: decoded as Qt encodes them, any name round-trips.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QFile::decodeName(argv[i]);

    CSkyloomApp app;
    if (!app.InitInstance(args))
        return 1;
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
