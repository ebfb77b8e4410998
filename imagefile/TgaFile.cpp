#include "TgaFile.h"

#include "ByteOrder.h"
#include "ImageFile.h"

#include "document/Dib.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char kTgaSignature[] = "TRUEVISION-XFILE.";
constexpr long kFooterSize = 26;

// Readers of little-endian fields; a short read leaves the field as it was.
void ReadField(std::FILE* f, BYTE& v)
{
    BYTE b;
    if (std::fread(&b, 1, 1, f) == 1)
        v = b;
}

void ReadField(std::FILE* f, WORD& v)
{
    BYTE b[2];
    if (std::fread(b, 1, 2, f) == 2)
        v = GetLE16(b);
}

void ReadField(std::FILE* f, DWORD& v)
{
    BYTE b[4];
    if (std::fread(b, 1, 4, f) == 4)
        v = GetLE32(b);
}

// A text field, whole, its last byte the terminating zero the format reserves.
template <size_t N>
void ReadField(std::FILE* f, char (&text)[N])
{
    const size_t n = std::fread(text, 1, N, f);
    std::memset(text + n, 0, N - n);
    text[N - 1] = 0;
}

// Seeks to an offset the file gave; notes "cannot seek to <what> at offset ..." when that
// fails.
bool SeekOrNote(std::FILE* f, DWORD offset, const char* what, TgaInfo& info)
{
    if (std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0)
        return true;
    info.notes << QStringLiteral("cannot seek to the %1 at offset 0x%2")
                      .arg(QLatin1String(what))
                      .arg(offset, 8, 16, QLatin1Char('0'));
    return false;
}

void ReadExtensionArea(std::FILE* f, TgaInfo& info)
{
    if (!SeekOrNote(f, info.extensionOffset, "extension area", info))
        return;
    ReadField(f, info.extensionSize);
    ReadField(f, info.authorName);
    for (auto& line : info.authorComments)
        ReadField(f, line);
    for (WORD& v : info.dateTime)
        ReadField(f, v);
    ReadField(f, info.jobName);
    for (WORD& v : info.jobTime)
        ReadField(f, v);
    ReadField(f, info.softwareId);
    ReadField(f, info.softwareVersion);
    ReadField(f, info.softwareLetter);
    ReadField(f, info.keyColor);
    ReadField(f, info.pixelAspect[0]);
    ReadField(f, info.pixelAspect[1]);
    ReadField(f, info.gamma[0]);
    ReadField(f, info.gamma[1]);
    ReadField(f, info.colorCorrectionOffset);
    ReadField(f, info.postageStampOffset);
    ReadField(f, info.scanLineOffset);
    ReadField(f, info.attributesType);

    if (info.colorCorrectionOffset != 0 &&
        SeekOrNote(f, info.colorCorrectionOffset, "colour correction table", info)) {
        info.pColorCorrection.reset(new (std::nothrow) WORD[1024]());
        if (!info.pColorCorrection)
            info.notes << QStringLiteral("no memory for the colour correction table");
        else
            for (int i = 0; i < 1024; ++i)
                ReadField(f, info.pColorCorrection[i]);
    }
    if (info.postageStampOffset != 0 &&
        SeekOrNote(f, info.postageStampOffset, "postage stamp", info)) {
        ReadField(f, info.stampWidth);
        ReadField(f, info.stampHeight);
    }
    if (info.scanLineOffset != 0 && SeekOrNote(f, info.scanLineOffset, "scan line table", info)) {
        info.pScanLines.reset(new (std::nothrow) DWORD[info.height + 1]());
        if (!info.pScanLines)
            info.notes << QStringLiteral("no memory for the scan line table");
        else
            for (int i = 0; i < info.height; ++i)
                ReadField(f, info.pScanLines[i]);
    }
}

}

BOOL ReadTgaInfo(const char* pszFileName, TgaInfo& info)
{
    if (!pszFileName)
        return FALSE;
    CFilePtr file = OpenRegularFile(pszFileName);
    if (!file)
        return FALSE;
    std::FILE* f = file.get();
    if (std::fseek(f, 0, SEEK_END) != 0)
        return FALSE;
    const long fileSize = std::ftell(f);
    if (fileSize < 0 || std::fseek(f, 0, SEEK_SET) != 0)
        return FALSE;

    ReadField(f, info.idLength);
    ReadField(f, info.colorMapType);
    ReadField(f, info.imageType);
    ReadField(f, info.colorMapFirst);
    ReadField(f, info.colorMapLength);
    ReadField(f, info.colorMapEntrySize);
    ReadField(f, info.xOrigin);
    ReadField(f, info.yOrigin);
    ReadField(f, info.width);
    ReadField(f, info.height);
    ReadField(f, info.pixelDepth);
    ReadField(f, info.imageDescriptor);
    std::memset(info.imageId, 0, sizeof info.imageId);
    const size_t idRead = std::fread(info.imageId, 1, info.idLength, f);
    (void)idRead; // a short id shows up as short pixel data later

    // 15-bit entries take 2 bytes.
    const long entryBytes = info.colorMapEntrySize / 8 + (info.colorMapEntrySize & 1);
    info.pixelDataOffset = 18 + info.idLength + long(info.colorMapLength) * entryBytes;

    if (std::fseek(f, fileSize - kFooterSize, SEEK_SET) != 0) {
        info.notes << QStringLiteral("it is too short for a TGA 2.0 footer");
    } else {
        ReadField(f, info.extensionOffset);
        ReadField(f, info.developerOffset);
        const size_t n = std::fread(info.signature, 1, 17, f);
        info.signature[n] = 0;
        const bool tga2 = std::strcmp(info.signature, kTgaSignature) == 0;
        if (!tga2) {
            info.extensionOffset = 0;
            info.developerOffset = 0;
            if (info.imageType >= 1 && info.imageType <= 3) {
                const long expected =
                    18 + info.idLength +
                    long(info.colorMapLength) * ((info.colorMapEntrySize + 7) / 8) +
                    long(info.width) * info.height * ((info.pixelDepth + 7) / 8);
                if (expected != fileSize)
                    info.notes << QStringLiteral("its header gives an uncompressed file of %1 "
                                                 "bytes, not %2")
                                      .arg(expected)
                                      .arg(fileSize);
            }
        } else {
            if (info.extensionOffset != 0)
                ReadExtensionArea(f, info);
            if (info.developerOffset != 0) {
                info.notes << QStringLiteral("it has a developer area");
                if (std::fseek(f, static_cast<long>(info.developerOffset), SEEK_SET) == 0)
                    ReadField(f, info.developerTags);
            }
        }
    }
    info.pColorCorrection.reset();
    info.pScanLines.reset();
    return TRUE;
}

int DecodeTgaRle(BYTE* pOut, int nBytes, int nPixelBytes, std::FILE* file, TgaRleState& state)
{
    const int b = nPixelBytes;
    while (nBytes > 0) {
        if (state.runLeft > 0) {
            const int n = std::min(state.runLeft, nBytes / b);
            for (int i = 0; i < n; ++i, pOut += b)
                std::memcpy(pOut, state.runPixel, static_cast<size_t>(b));
            state.runLeft -= n;
            nBytes -= n * b;
            if (n == 0)
                return 0; // less than a pixel asked for: nothing can fit
        } else if (state.rawLeft > 0) {
            const int n = std::min(state.rawLeft * b, nBytes);
            std::memcpy(pOut, state.rawPixels + state.rawPos, static_cast<size_t>(n));
            pOut += n;
            nBytes -= n;
            state.rawPos += n;
            state.rawLeft -= n / b;
        } else {
            BYTE header;
            if (std::fread(&header, 1, 1, file) != 1)
                return -1;
            const int count = (header & 0x7F) + 1;
            if (header & 0x80) {
                if (std::fread(state.runPixel, 1, static_cast<size_t>(b), file) !=
                    static_cast<size_t>(b))
                    return -1;
                state.runLeft = count;
            } else {
                const size_t bytes = static_cast<size_t>(count * b);
                if (std::fread(state.rawPixels, 1, bytes, file) != bytes)
                    return -1;
                state.rawLeft = count;
                state.rawPos = 0;
            }
        }
    }
    return 0;
}

BOOL ReadTgaPixels(const char* pszFileName, const TgaInfo& info, BYTE* pOut, int nRowSkip)
{
    TgaRleState state;
    CFilePtr file = OpenRegularFile(pszFileName);
    if (!file || std::fseek(file.get(), info.pixelDataOffset, SEEK_SET) != 0)
        return FALSE;
    if (info.imageType != 2 && info.imageType != 10)
        return FALSE;
    const int b = (info.pixelDepth + 7) / 8;
    if (b != 3 && b != 4)
        return FALSE;
    const size_t rowBytes = size_t(info.width) * b;
    std::vector<BYTE> row(b == 4 ? rowBytes : 0);
    for (int y = 0; y < info.height; ++y) {
        // 24-bit rows go straight into the picture; 32-bit ones lose their alpha bytes.
        BYTE* target = b == 3 ? pOut : row.data();
        if (info.imageType == 2) {
            if (std::fread(target, 1, rowBytes, file.get()) != rowBytes)
                return FALSE;
        } else if (DecodeTgaRle(target, static_cast<int>(rowBytes), b, file.get(), state) != 0) {
            return FALSE;
        }
        if (b == 4)
            for (int x = 0; x < info.width; ++x)
                std::memcpy(pOut + 3 * x, target + 4 * x, 3);
        pOut += 3 * size_t(info.width) + nRowSkip;
    }
    return TRUE;
}

namespace {

// Refuses the file: why, followed by what the header reading noted.
BOOL Refuse(const TgaInfo& info, const QString& why)
{
    QStringList all{why};
    all << info.notes;
    SetImageReadError(all.join(QStringLiteral("; ")));
    return FALSE;
}

}

BOOL CDib::LoadTGA(const char* pszFileName)
{
    SetImageReadError(QString());
    TgaInfo info;
    if (!ReadTgaInfo(pszFileName, info))
        return FALSE;
    if (info.pixelDepth != 24 && info.pixelDepth != 32)
        return Refuse(info, QStringLiteral("it has %1 bits per pixel; TGA files open with 24 or 32")
                                .arg(info.pixelDepth));
    if (info.imageType != 2 && info.imageType != 10)
        return Refuse(info, QStringLiteral("it is of TGA image type %1; only true-colour pictures "
                                           "(types 2 and 10) open")
                                .arg(info.imageType));
    // Refuse a header whose picture the file cannot hold before making room for it: every
    // pixel costs its bytes uncompressed, and a packet of at most 128 pixels at least a
    // header byte and one pixel run-length coded.
    CFilePtr file = OpenRegularFile(pszFileName);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return FALSE;
    const long fileSize = std::ftell(file.get());
    file.reset();
    const int b = info.pixelDepth / 8;
    const int64_t pixels = int64_t(info.width) * info.height;
    const int64_t minimum = info.imageType == 2 ? pixels * b : (pixels + 127) / 128 * (1 + b);
    if (fileSize < info.pixelDataOffset || fileSize - info.pixelDataOffset < minimum)
        return Refuse(info, QStringLiteral("its pixel data of %1 bytes is too short for %2 x %3 "
                                           "pixels, which take at least %4")
                                .arg(std::max(0L, fileSize - info.pixelDataOffset))
                                .arg(info.width)
                                .arg(info.height)
                                .arg(minimum));
    CDib dib;
    if (!dib.Create(info.width, info.height))
        return Refuse(info, QStringLiteral("its size of %1 x %2 pixels is no picture size we open")
                                .arg(info.width)
                                .arg(info.height));
    if (!ReadTgaPixels(pszFileName, info, dib.m_pBits, dib.m_nStride - 3 * dib.m_nWidth))
        return Refuse(info,
                      QStringLiteral("its run-length coded pixels are damaged or stop early"));
    // Files whose first row is the top one come out upside down without this.
    if (info.imageDescriptor & 0x20) {
        std::vector<BYTE> tmp(static_cast<size_t>(dib.m_nStride));
        for (int y = 0, z = dib.m_nHeight - 1; y < z; ++y, --z) {
            std::memcpy(tmp.data(), dib.PixelAddress(0, y), tmp.size());
            std::memcpy(dib.PixelAddress(0, y), dib.PixelAddress(0, z), tmp.size());
            std::memcpy(dib.PixelAddress(0, z), tmp.data(), tmp.size());
        }
    }
    Swap(dib);
    return TRUE;
}
