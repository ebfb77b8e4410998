#include "DataFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef SKYLOOM_DATA_FROM_BIN
#define SKYLOOM_DATA_FROM_BIN "../share/skyloom"
#endif

QString ProgramDataFolder(const QString& name)
{
    if (!QCoreApplication::instance())
        return QString();
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString beside = bin.filePath(name);
    if (QFileInfo(beside).isDir())
        return beside;
    const QString installed =
        QDir::cleanPath(bin.filePath(QStringLiteral(SKYLOOM_DATA_FROM_BIN "/") + name));
    return QFileInfo(installed).isDir() ? installed : beside;
}
