#include "ImageFile.h"

#include <QFile>

#include <cstring>
#include <strings.h>

EImageFileType ImageFileTypeFromName(const char* pszFileName)
{
    if (!pszFileName)
        return EImageFileType::Unknown;
    const char* pDot = std::strrchr(pszFileName, '.');
    if (!pDot || strcasecmp(pDot, ".bmp") == 0)
        return EImageFileType::Bmp;
    if (strcasecmp(pDot, ".jpg") == 0)
        return EImageFileType::Jpeg;
    if (strcasecmp(pDot, ".tga") == 0)
        return EImageFileType::Tga;
    return EImageFileType::Unknown;
}

QString BitmapResourcePath(UINT nResourceId)
{
    return QStringLiteral(":/res/bitmap/%1.bmp").arg(nResourceId);
}

bool ReadWholeFile(const QString& path, std::vector<BYTE>& data, size_t nMaxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < 0 || static_cast<uint64_t>(size) > nMaxBytes)
        return false;
    data.resize(static_cast<size_t>(size));
    return size == 0 || file.read(reinterpret_cast<char*>(data.data()), size) == size;
}

BOOL CDib::Load(const char* pszFileName)
{
    switch (ImageFileTypeFromName(pszFileName)) {
    case EImageFileType::Bmp:
        return LoadBMP(pszFileName);
    case EImageFileType::Jpeg:
        return LoadJPEG(pszFileName);
    case EImageFileType::Tga:
        return LoadTGA(pszFileName);
    case EImageFileType::Unknown:
        break;
    }
    return FALSE;
}

BOOL CDib::Save(const char* pszFileName) const
{
    switch (ImageFileTypeFromName(pszFileName)) {
    case EImageFileType::Bmp:
        return SaveBMP(pszFileName);
    case EImageFileType::Jpeg:
        return SaveJPEG(pszFileName);
    case EImageFileType::Tga: // there is no TGA writer
    case EImageFileType::Unknown:
        break;
    }
    return FALSE;
}
