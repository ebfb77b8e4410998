#include "ImageFile.h"

#include <QFile>

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
    if (strcasecmp(pDot, ".jpg") == 0)
        return EImageFileType::Jpeg;
    if (strcasecmp(pDot, ".tga") == 0)
        return EImageFileType::Tga;
    if (strcasecmp(pDot, ".png") == 0)
        return EImageFileType::Png;
    return EImageFileType::Unknown;
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

BOOL CDib::Load(const char* pszFileName)
{
    t_readError.clear();
    switch (ImageFileTypeFromName(pszFileName)) {
    case EImageFileType::Bmp:
        return LoadBMP(pszFileName);
    case EImageFileType::Jpeg:
        return LoadJPEG(pszFileName);
    case EImageFileType::Tga:
        return LoadTGA(pszFileName);
    case EImageFileType::Png:
        return LoadPNG(pszFileName);
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
