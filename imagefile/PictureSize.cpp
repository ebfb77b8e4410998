#include "PictureSize.h"

#include "ByteOrder.h"
#include "ImageFile.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>

namespace {

bool Read(QFile& file, qint64 offset, uchar* p, qint64 n)
{
    return file.seek(offset) && file.read(reinterpret_cast<char*>(p), n) == n;
}

bool BmpSize(QFile& file, qint64& w, qint64& h)
{
    uchar b[26];
    if (!Read(file, 0, b, sizeof b) ||
        ImageFileTypeFromSignature(b, sizeof b) != EImageFileType::Bmp)
        return false;
    if (GetLE32(b + 14) == 12) { // the OS/2 core header: 16-bit sizes
        w = GetLE16(b + 18);
        h = GetLE16(b + 20);
        return true;
    }
    w = static_cast<qint32>(GetLE32(b + 18));
    h = static_cast<qint32>(GetLE32(b + 22));
    h = std::abs(h); // negative: rows top-down
    return true;
}

bool PngSize(QFile& file, qint64& w, qint64& h)
{
    uchar b[24];
    if (!Read(file, 0, b, sizeof b) ||
        ImageFileTypeFromSignature(b, sizeof b) != EImageFileType::Png ||
        !std::equal(b + 12, b + 16, reinterpret_cast<const uchar*>("IHDR")))
        return false;
    w = GetBE32(b + 16);
    h = GetBE32(b + 20);
    return true;
}

// The frame header (SOFn) after the markers before it; each marker's length skips it.
bool JpegSize(QFile& file, qint64& w, qint64& h)
{
    uchar b[9];
    if (!Read(file, 0, b, 2) || ImageFileTypeFromSignature(b, 2) != EImageFileType::Jpeg)
        return false;
    qint64 pos = 2;
    for (;;) {
        if (!Read(file, pos, b, 2) || b[0] != 0xFF)
            return false;
        const uchar marker = b[1];
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // no length
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // the end, or data before any frame
            return false;
        if (!Read(file, pos + 2, b, 2))
            return false;
        const qint64 length = GetBE16(b);
        if (length < 2)
            return false;
        const bool bFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                            marker != 0xC8 && marker != 0xCC;
        if (bFrame) {
            if (length < 7 || !Read(file, pos + 4, b, 5))
                return false;
            h = GetBE16(b + 1);
            w = GetBE16(b + 3);
            return true;
        }
        pos += 2 + length;
    }
}

bool TgaSize(QFile& file, qint64& w, qint64& h)
{
    uchar b[18];
    if (!Read(file, 0, b, sizeof b))
        return false;
    w = GetLE16(b + 12);
    h = GetLE16(b + 14);
    return true;
}

bool SizeAs(QFile& file, EImageFileType type, qint64& w, qint64& h)
{
    switch (type) {
    case EImageFileType::Bmp:
        return BmpSize(file, w, h);
    case EImageFileType::Jpeg:
        return JpegSize(file, w, h);
    case EImageFileType::Png:
        return PngSize(file, w, h);
    case EImageFileType::Tga:
        return TgaSize(file, w, h);
    case EImageFileType::Unknown:
        break;
    }
    return false;
}

}

bool ReadStatedPictureSize(const char* pszFileName, CSize& size)
{
    QFile file;
    CFilePtr handle;
    if (IsResourceName(pszFileName)) {
        file.setFileName(QString::fromUtf8(pszFileName));
        if (!file.open(QIODevice::ReadOnly))
            return false;
    } else {
        handle = OpenRegularFile(pszFileName);
        if (!handle || !file.open(handle.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return false;
    }
    qint64 maxW = 0, maxH = 0;
    bool bFound = false;
    const EImageFileType byName = ImageFileTypeFromName(pszFileName);
    for (EImageFileType type : {byName, EImageFileType::Bmp, EImageFileType::Jpeg,
                                EImageFileType::Png}) {
        qint64 w = 0, h = 0;
        // Signatures are checked by each reader; TGA only when the name says so.
        if (!SizeAs(file, type, w, h))
            continue;
        if (w <= 0 || h <= 0)
            return false;
        maxW = std::max(maxW, w);
        maxH = std::max(maxH, h);
        bFound = true;
    }
    if (!bFound)
        return false;
    size = CSize(static_cast<LONG>(std::min<qint64>(maxW, 0x7FFFFFFF)),
                 static_cast<LONG>(std::min<qint64>(maxH, 0x7FFFFFFF)));
    return true;
}
