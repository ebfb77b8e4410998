// skyloom [file]: the painter's window, with the named picture or a new one.
#include "SkyloomApp.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vantrel Inc."));
    QApplication::setApplicationName(QStringLiteral("Skyloom"));

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
