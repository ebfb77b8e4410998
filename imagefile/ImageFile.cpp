#include "ImageFile.h"

#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

EImageFileType ImageFileTypeFromName(const char* pszFileName)
{
    if (!pszFileName)
        return EImageFileType::Unknown;
    const char* pDot = std::strrchr(pszFileName, '.');
    if (!pDot || strcasecmp(pDot, ".bmp") == 0)
        return EImageFileType::Bmp;
    if (strcasecmp(pDot, ".jpg") == 0 || strcasecmp(pDot, ".jpeg") == 0)
        return EImageFileType::Jpeg;
    if (strcasecmp(pDot, ".tga") == 0)
        return EImageFileType::Tga;
    if (strcasecmp(pDot, ".png") == 0)
        return EImageFileType::Png;
    return EImageFileType::Unknown;
}

EImageFileType ImageFileTypeFromSignature(const BYTE* pData, size_t nBytes)
{
    static const BYTE kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (nBytes >= 2 && pData[0] == 'B' && pData[1] == 'M')
        return EImageFileType::Bmp;
    if (nBytes >= 2 && pData[0] == 0xFF && pData[1] == 0xD8) // the start-of-image marker
        return EImageFileType::Jpeg;
    if (nBytes >= sizeof kPng && std::memcmp(pData, kPng, sizeof kPng) == 0)
        return EImageFileType::Png;
    return EImageFileType::Unknown;
}

EImageFileType ImageFileTypeOfFile(const char* pszFileName)
{
    BYTE head[8];
    size_t nRead = 0;
    if (IsResourceName(pszFileName)) {
        QFile file(QString::fromUtf8(pszFileName));
        if (!file.open(QIODevice::ReadOnly))
            return EImageFileType::Unknown;
        nRead = static_cast<size_t>(
            std::max<qint64>(0, file.read(reinterpret_cast<char*>(head), sizeof head)));
    } else {
        const CFilePtr file = OpenRegularFile(pszFileName);
        if (!file)
            return EImageFileType::Unknown;
        nRead = std::fread(head, 1, sizeof head, file.get());
    }
    const EImageFileType type = ImageFileTypeFromSignature(head, nRead);
    // No valid TGA header starts like a signature (its second byte, the colour-map type,
    // is 0 or 1), so the name is asked only when the bytes say nothing.
    if (type == EImageFileType::Unknown &&
        ImageFileTypeFromName(pszFileName) == EImageFileType::Tga)
        return EImageFileType::Tga;
    return type;
}

QString BitmapResourcePath(UINT nResourceId)
{
    return QStringLiteral(":/res/bitmap/%1.bmp").arg(nResourceId);
}

CFilePtr OpenRegularFile(const char* pszFileName)
{
    if (!pszFileName || !*pszFileName)
        return nullptr;
    // Opened without waiting (a FIFO with no writer would block here) and checked on the
    // open descriptor, so nothing can be swapped in between the check and the read.
    const int fd = ::open(pszFileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return CFilePtr(file);
}

bool IsRegularFileOrFree(const char* pszFileName)
{
    if (!pszFileName || !*pszFileName)
        return false;
    struct stat st;
    if (::stat(pszFileName, &st) == 0)
        return S_ISREG(st.st_mode);
    return errno == ENOENT;
}

bool IsReadOnlyFile(const char* pszFileName)
{
    struct stat st;
    if (!pszFileName || ::stat(pszFileName, &st) != 0)
        return false;
    return (st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, pszFileName, W_OK, AT_EACCESS) != 0;
}

bool ReadWholeFile(const char* pszFileName, std::vector<BYTE>& data, size_t nMaxBytes)
{
    if (IsResourceName(pszFileName))
        return ReadWholeFile(QString::fromUtf8(pszFileName), data, nMaxBytes);
    const CFilePtr file = OpenRegularFile(pszFileName);
    if (!file) {
        SetImageReadError(QStringLiteral("it is missing, unreadable or not a regular file"));
        return false;
    }
    struct stat st;
    if (::fstat(::fileno(file.get()), &st) != 0 || st.st_size < 0 ||
        static_cast<uint64_t>(st.st_size) > nMaxBytes) {
        SetImageReadError(QStringLiteral("it is larger than any picture we open"));
        return false;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    data.resize(size);
    return size == 0 || std::fread(data.data(), 1, size, file.get()) == size;
}

bool ReadWholeFile(const QString& resourcePath, std::vector<BYTE>& data, size_t nMaxBytes)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < 0 || static_cast<uint64_t>(size) > nMaxBytes)
        return false;
    data.resize(static_cast<size_t>(size));
    return size == 0 || file.read(reinterpret_cast<char*>(data.data()), size) == size;
}

namespace {
thread_local QString t_readError;
thread_local QString t_writeError;
}

QString ImageWriteError()
{
    return t_writeError;
}

void SetImageWriteError(const QString& why)
{
    t_writeError = why;
}

QString ImageWriteFailure()
{
    return t_writeError.isEmpty() ? QStringLiteral("it could not be written") : t_writeError;
}

QString ImageReadError()
{
    return t_readError;
}

void SetImageReadError(const QString& why)
{
    t_readError = why;
}

QString ImageReadFailure()
{
    return t_readError.isEmpty()
               ? QStringLiteral("it is missing, unreadable, not a regular file or not a BMP, "
                                "JPEG, TGA or PNG picture")
               : t_readError;
}

BOOL CDib::Load(const char* pszFileName, QString* pRecipe)
{
    t_readError.clear();
    if (pRecipe)
        pRecipe->clear();
    switch (ImageFileTypeOfFile(pszFileName)) {
    case EImageFileType::Bmp:
        return LoadBMP(pszFileName);
    case EImageFileType::Jpeg:
        return LoadJPEG(pszFileName);
    case EImageFileType::Tga:
        return LoadTGA(pszFileName);
    case EImageFileType::Png:
        return LoadPNG(pszFileName, pRecipe);
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
    case EImageFileType::Png:
        return SavePNG(pszFileName);
    case EImageFileType::Tga: // there is no TGA writer
    case EImageFileType::Unknown:
        break;
    }
    return FALSE;
}
