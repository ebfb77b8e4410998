#include "PngChunks.h"

#include "ByteOrder.h"
#include "ImageFile.h"

#include "document/Dib.h"

#include <QIODevice>

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

// A keyword is at most 79 bytes and its terminating zero.
constexpr int kKeywordBytes = 80;
// The most that deflate can make of one byte.
constexpr int64_t kMaxInflateRatio = 1032;

bool IsType(const uchar* header, const char* type)
{
    return std::memcmp(header + 4, type, 4) == 0;
}

bool ReadAt(QIODevice& device, int64_t offset, char* p, int64_t n)
{
    return device.seek(offset) && device.read(p, n) == n;
}

// Inflates a zlib stream; false when it is damaged, or would pass kMaxPngRecipeBytes (then
// bTooLarge is set).
bool InflateBounded(const char* p, size_t n, QByteArray& out, bool& bTooLarge)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p));
    z.avail_in = static_cast<uInt>(n);
    out.clear();
    char buffer[64 * 1024];
    int ret = Z_OK;
    while (ret == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        ret = inflate(&z, Z_NO_FLUSH);
        const qsizetype produced = qsizetype(sizeof buffer - z.avail_out);
        if (out.size() + produced > kMaxPngRecipeBytes) {
            bTooLarge = true;
            break;
        }
        out.append(buffer, produced);
        if (ret == Z_BUF_ERROR && z.avail_in == 0)
            break; // the stream stops early
    }
    inflateEnd(&z);
    return ret == Z_STREAM_END && !bTooLarge;
}

QString TooLargeRecipe()
{
    return QStringLiteral("its recipe is larger than the %1 MiB Skyloom reads")
        .arg(kMaxPngRecipeBytes >> 20);
}

// The text of a recipe chunk's data (its keyword already known to be ours).
void ReadRecipe(const QByteArray& data, bool bInternational, bool bCompressed,
                CPngChunkScan& scan)
{
    int pos = int(std::strlen(kPngRecipeKey)) + 1; // past the keyword's zero
    if (bInternational) {
        // Compression flag and method, then language and translated keyword, each ended
        // by a zero.
        pos += 2;
        for (int i = 0; i < 2 && pos >= 0; ++i) {
            const int zero = data.indexOf('\0', pos);
            pos = zero < 0 ? -1 : zero + 1;
        }
    } else if (bCompressed) {
        ++pos; // the method
    }
    scan.bRecipeUtf8 = bInternational;
    if (pos < 0 || pos > data.size()) {
        scan.recipeError = QStringLiteral("its recipe chunk is damaged");
        return;
    }
    if (!bCompressed) {
        scan.recipe = data.mid(pos);
        return;
    }
    bool bTooLarge = false;
    if (!InflateBounded(data.constData() + pos, size_t(data.size() - pos), scan.recipe,
                        bTooLarge)) {
        scan.recipe.clear();
        scan.recipeError = bTooLarge
                               ? TooLargeRecipe()
                               : QStringLiteral("its recipe's compressed text is damaged");
    }
}

// A text chunk at offset with the given data length: when it is the first with our keyword,
// its recipe (or why it cannot be read) goes into scan.
void ReadTextChunk(QIODevice& device, int64_t offset, int64_t length, const uchar* header,
                   CPngChunkScan& scan)
{
    char keyword[kKeywordBytes + 1] = {};
    const int64_t keywordEnd = int64_t(std::strlen(kPngRecipeKey)) + 1; // with its zero
    if (scan.bHasRecipe || length < keywordEnd ||
        !ReadAt(device, offset + 8, keyword, std::min<int64_t>(length, kKeywordBytes)) ||
        std::memcmp(keyword, kPngRecipeKey, size_t(keywordEnd)) != 0)
        return;
    scan.bHasRecipe = true;
    const bool bInternational = IsType(header, "iTXt");
    const bool bCompressed =
        IsType(header, "zTXt") || (bInternational && length > keywordEnd &&
                                   keyword[keywordEnd] != 0);
    // A compressed text no larger than the limit takes little more room than it.
    if (length > kMaxPngRecipeBytes + kKeywordBytes + 1024) {
        scan.recipeError = TooLargeRecipe();
        return;
    }
    QByteArray chunk(int(length) + 8, Qt::Uninitialized); // type, data and checksum
    if (!ReadAt(device, offset + 4, chunk.data(), chunk.size())) {
        scan.recipeError = QStringLiteral("its recipe chunk stops early");
        return;
    }
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.constData()),
                            static_cast<uInt>(length + 4));
    if (crc != GetBE32(reinterpret_cast<const uchar*>(chunk.constData()) + length + 4)) {
        scan.recipeError = QStringLiteral("its recipe chunk is damaged (its checksum is wrong)");
        return;
    }
    ReadRecipe(chunk.mid(4, int(length)), bInternational, bCompressed, scan);
}

// Samples a pixel has in each colour type.
int Samples(int colourType)
{
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

}

bool ScanPngChunks(QIODevice& device, CPngChunkScan& scan, QString& why)
{
    scan = CPngChunkScan();
    uchar signature[8];
    if (!ReadAt(device, 0, reinterpret_cast<char*>(signature), 8) ||
        ImageFileTypeFromSignature(signature, 8) != EImageFileType::Png) {
        why = QStringLiteral("it is not a PNG file (it does not begin with the PNG signature)");
        device.seek(0);
        return false;
    }
    const int64_t size = device.size();
    int64_t pos = 8; // the signature
    uchar header[8];
    bool bFits = true;
    // What the file holds ends the walk: its end chunk, or its last byte.
    while (ReadAt(device, pos, reinterpret_cast<char*>(header), 8)) {
        // Length, type, data, checksum.
        const int64_t length = GetBE32(header);
        const int64_t end = pos + 12 + length;
        if (end > size) {
            why = QStringLiteral("a chunk of it states %1 bytes, more than the file holds")
                      .arg(length);
            bFits = false;
            break;
        }
        if (IsType(header, "IEND"))
            break;
        if (pos == 8 && IsType(header, "IHDR") && length == 13) {
            uchar ihdr[13];
            if (ReadAt(device, pos + 8, reinterpret_cast<char*>(ihdr), 13)) {
                scan.width = GetBE32(ihdr);
                scan.height = GetBE32(ihdr + 4);
                scan.bitDepth = ihdr[8];
                scan.colourType = ihdr[9];
                scan.bInterlaced = ihdr[12] != 0;
            }
            if (!DibSizeAllowed(scan.width, scan.height)) {
                why = QStringLiteral("its size of %1 x %2 pixels is no picture size we open")
                          .arg(scan.width)
                          .arg(scan.height);
                device.seek(0);
                return false;
            }
        } else if (IsType(header, "IDAT")) {
            scan.nDataBytes += length;
        } else if (IsType(header, "tEXt") || IsType(header, "zTXt") || IsType(header, "iTXt")) {
            ReadTextChunk(device, pos, length, header, scan);
        }
        pos = end;
    }
    device.seek(0);
    if (!bFits)
        return false;
    // Every pixel's bits, less the filter bytes: what the data must at least inflate to.
    const int64_t nPixelBytes = int64_t(scan.width) * scan.height *
                                std::min(scan.bitDepth, 16) * Samples(scan.colourType) / 8;
    if (nPixelBytes / kMaxInflateRatio > scan.nDataBytes) {
        why = QStringLiteral("its picture data of %1 bytes stops early: it cannot hold the "
                             "%2 x %3 pixels its header states")
                  .arg(scan.nDataBytes)
                  .arg(scan.width)
                  .arg(scan.height);
        return false;
    }
    return true;
}

bool PngChunkChecksumHolds(QIODevice& device, int64_t offset)
{
    int64_t pos = 8;
    uchar header[8];
    bool bHolds = false;
    while (ReadAt(device, pos, reinterpret_cast<char*>(header), 8)) {
        const int64_t length = GetBE32(header);
        const int64_t end = pos + 12 + length;
        if (offset >= end) {
            pos = end;
            continue;
        }
        // The checksum covers the type and the data.
        uLong crc = crc32(0, header + 4, 4);
        char buffer[64 * 1024];
        if (!device.seek(pos + 8))
            break;
        for (int64_t left = length; left > 0;) {
            const int64_t n = device.read(buffer, std::min<int64_t>(left, sizeof buffer));
            if (n <= 0)
                break;
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(n));
            left -= n;
        }
        uchar stored[4];
        bHolds = ReadAt(device, pos + 8 + length, reinterpret_cast<char*>(stored), 4) &&
                 GetBE32(stored) == crc;
        break;
    }
    device.seek(0);
    return bHolds;
}
