// BMP files: a reader of our own for the variants programs write today, the 24-bit writer
// and the 256-colour writer.
#include "ByteOrder.h"
#include "ImageFile.h"
#include "OctreePalette.h"
#include "SafeFile.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
// A BMP file larger than this cannot hold a picture we accept: the largest is 32-bit rows of
// kMaxDibBytes worth of 24-bit ones, plus headers and a colour table.
constexpr size_t kMaxBmpFileBytes = size_t(kMaxDibBytes) / 3 * 4 + (1 << 20);
constexpr DWORD kBiAlphaBitFields = 6;

// Expands run-length rows (bottom-up, as the file stores them) into zero-initialised
// index rows of 4 or 8 bits. Pixels past the end of a row are dropped: common writers code
// the row padding as pixels. False for a damaged stream: pixels or a move past the last row,
// or data that ends before the last row.
bool DecodeRle(const BYTE* src, size_t size, int width, int height, int bitCount, BYTE* out,
               size_t stride)
{
    auto put = [&](int x, int y, unsigned index) {
        if (x >= width)
            return;
        BYTE* p = out + static_cast<size_t>(y) * stride;
        if (bitCount == 8) {
            p[x] = static_cast<BYTE>(index);
        } else if (x & 1) {
            p[x >> 1] = static_cast<BYTE>((p[x >> 1] & 0xF0) | (index & 0x0F));
        } else {
            p[x >> 1] = static_cast<BYTE>((p[x >> 1] & 0x0F) | (index << 4));
        }
    };
    int x = 0, y = 0;
    size_t i = 0;
    for (;;) {
        if (size - i < 2)
            return y >= height; // a stream may stop after its last row without an end mark
        const unsigned count = src[i], code = src[i + 1];
        i += 2;
        if (count > 0) {
            if (y >= height)
                return false;
            for (unsigned k = 0; k < count; ++k) {
                const unsigned index =
                    bitCount == 8 ? code : ((k & 1) ? (code & 0x0F) : (code >> 4));
                put(x + static_cast<int>(k), y, index);
            }
            x = std::min(x + static_cast<int>(count), width);
        } else if (code == 0) { // end of line
            x = 0;
            y = std::min(y + 1, height);
        } else if (code == 1) { // end of picture
            return true;
        } else if (code == 2) { // move right and up
            if (size - i < 2)
                return false;
            x = std::min(x + src[i], width);
            y = std::min(y + src[i + 1], height + 1);
            i += 2;
            if (y > height || (y == height && x > 0))
                return false;
        } else { // 'code' pixels stored as they are, padded to a 16-bit boundary
            const size_t bytes = bitCount == 8 ? code : (code + 1) / 2;
            if (size - i < bytes || y >= height)
                return false;
            for (unsigned k = 0; k < code; ++k) {
                const unsigned index = bitCount == 8
                                           ? src[i + k]
                                           : ((k & 1) ? (src[i + k / 2] & 0x0F)
                                                      : (src[i + k / 2] >> 4));
                put(x + static_cast<int>(k), y, index);
            }
            x = std::min(x + static_cast<int>(code), width);
            i += std::min(size - i, (bytes + 1) & ~size_t(1));
        }
    }
}

// The value of one masked channel scaled to 0..255.
struct ChannelScale
{
    int shift = 0;
    uint64_t max = 0; // the channel's largest value once shifted down; 0 reads as black

    explicit ChannelScale(DWORD mask)
    {
        if (!mask)
            return;
        while (!((mask >> shift) & 1))
            ++shift;
        max = mask >> shift;
    }
    BYTE operator()(DWORD pixel, DWORD mask) const
    {
        if (!max)
            return 0;
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<BYTE>((v * 255 + max / 2) / max);
    }
};

// The bytes of a file header and an info header.
void PutHeaders(BYTE* p, DWORD fileSize, DWORD pixelOffset, const BITMAPINFOHEADER& bmih)
{
    p = PutLE16(p, 0x4D42); // "BM"
    p = PutLE32(p, fileSize);
    p = PutLE32(p, 0);      // two reserved words
    p = PutLE32(p, pixelOffset);
    p = PutLE32(p, bmih.biSize);
    p = PutLE32(p, static_cast<DWORD>(bmih.biWidth));
    p = PutLE32(p, static_cast<DWORD>(bmih.biHeight));
    p = PutLE16(p, bmih.biPlanes);
    p = PutLE16(p, bmih.biBitCount);
    p = PutLE32(p, bmih.biCompression);
    p = PutLE32(p, bmih.biSizeImage);
    p = PutLE32(p, static_cast<DWORD>(bmih.biXPelsPerMeter));
    p = PutLE32(p, static_cast<DWORD>(bmih.biYPelsPerMeter));
    p = PutLE32(p, bmih.biClrUsed);
    PutLE32(p, bmih.biClrImportant);
}

}

namespace {

const char* CompressionName(DWORD compression)
{
    switch (compression) {
    case BI_RGB:
        return "no compression";
    case BI_RLE8:
        return "8-bit run-length coding";
    case BI_RLE4:
        return "4-bit run-length coding";
    case BI_BITFIELDS:
        return "bit-field masks";
    default:
        return "an unknown compression";
    }
}

// What the headers of a BMP file say, read step by step. Each step returns false with why
// the file is refused.
struct CBmpReader
{
    const BYTE* p;
    size_t size;
    CBitmapSection& section;
    QString why;

    DWORD offBits = 0;
    DWORD headerSize = 0;
    bool core = false; // the old OS/2 header: 16-bit sizes, 3-byte colours
    int64_t width = 0, height = 0, rows = 0;
    bool topDown = false;
    int bitCount = 0;
    DWORD compression = BI_RGB, colorsUsed = 0;
    size_t pos = 0;    // the next byte after what has been read
    size_t pixels = 0; // where the pixel data starts

    bool Refuse(const QString& reason)
    {
        why = reason;
        return false;
    }

    // The file header and the size of the info header after it.
    bool ReadFileHeader()
    {
        if (size < kFileHeaderSize + 12 || p[0] != 'B' || p[1] != 'M')
            return Refuse(QStringLiteral("it is not a BMP file (it does not begin with \"BM\")"));
        offBits = GetLE32(p + 10);
        headerSize = GetLE32(p + 14);
        if (headerSize > size - kFileHeaderSize)
            return Refuse(QStringLiteral("its %1-byte header runs past the end of the file")
                              .arg(headerSize));
        pos = kFileHeaderSize + headerSize;
        return true;
    }

    // Size, depth and compression from the info header, with the masks that may follow it.
    bool ReadInfoHeader()
    {
        const BYTE* h = p + kFileHeaderSize;
        core = headerSize == 12;
        if (core) {
            width = GetLE16(h + 4);
            height = GetLE16(h + 6);
            bitCount = GetLE16(h + 10);
            return true;
        }
        if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
            headerSize != 108 && headerSize != 124)
            return Refuse(QStringLiteral("its header of %1 bytes is of no BMP version we read")
                              .arg(headerSize));
        width = static_cast<LONG>(GetLE32(h + 4));
        height = static_cast<LONG>(GetLE32(h + 8));
        bitCount = GetLE16(h + 14);
        compression = GetLE32(h + 16);
        colorsUsed = GetLE32(h + 32);
        if (headerSize == 64 && compression > BI_RLE4)
            return Refuse(QStringLiteral("it uses OS/2 Huffman or 24-bit run-length coding"));
        if (compression != BI_BITFIELDS && compression != kBiAlphaBitFields)
            return true;
        compression = BI_BITFIELDS;
        const BYTE* m = h + 40;
        if (headerSize == 40) { // the masks follow the header
            const size_t maskBytes = GetLE32(h + 16) == kBiAlphaBitFields ? 16 : 12;
            if (size - pos < maskBytes)
                return Refuse(QStringLiteral("its colour masks run past the end of the file"));
            m = p + pos;
            pos += maskBytes;
        }
        for (int i = 0; i < 3; ++i)
            section.masks[i] = GetLE32(m + 4 * i);
        return true;
    }

    // A size we may allocate and a depth that goes with the compression.
    bool CheckFormat()
    {
        topDown = height < 0;
        rows = topDown ? -height : height;
        if (!DibSizeAllowed(width, rows))
            return Refuse(QStringLiteral("its size of %1 x %2 pixels is no picture size we open")
                              .arg(width)
                              .arg(rows));
        bool fits = false;
        switch (compression) {
        case BI_RGB:
            fits = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                   bitCount == 24 || bitCount == 32;
            break;
        case BI_RLE8:
        case BI_RLE4:
            if (topDown)
                return Refuse(QStringLiteral("it stores run-length coded rows top-down"));
            fits = bitCount == (compression == BI_RLE8 ? 8 : 4);
            break;
        case BI_BITFIELDS:
            fits = bitCount == 16 || bitCount == 32;
            break;
        default:
            break;
        }
        if (!fits)
            return Refuse(QStringLiteral("it has %1 bits per pixel with %2")
                              .arg(bitCount)
                              .arg(QLatin1String(CompressionName(compression))));
        return true;
    }

    // The colour table of 1- to 8-bit pictures.
    bool ReadColors()
    {
        if (bitCount > 8)
            return true;
        const size_t entrySize = core ? 3 : 4;
        size_t nColors = size_t(1) << bitCount;
        if (colorsUsed != 0 && colorsUsed < nColors)
            nColors = colorsUsed;
        if (core && offBits > pos && (offBits - pos) / entrySize < nColors)
            nColors = (offBits - pos) / entrySize; // old files often store a short table
        if (size - pos < nColors * entrySize)
            return Refuse(
                QStringLiteral("its colour table of %1 colours runs past the end of the file")
                    .arg(nColors));
        section.colors.resize(nColors);
        for (size_t i = 0; i < nColors; ++i, pos += entrySize)
            section.colors[i] = RGBQUAD{p[pos], p[pos + 1], p[pos + 2], 0};
        return true;
    }

    // The stated pixel offset wins; a zero one means right after the colour table.
    bool FindPixels()
    {
        pixels = pos;
        if (offBits == 0)
            return true;
        if (offBits < kFileHeaderSize + headerSize || offBits >= size)
            return Refuse(QStringLiteral("its pixel data is said to start at byte %1, inside "
                                         "its header or past the end of its %2 bytes")
                              .arg(offBits)
                              .arg(size));
        pixels = offBits;
        return true;
    }
};

} // namespace

HBITMAP ReadBmpSection(std::vector<BYTE>&& file)
{
    auto section = std::make_unique<CBitmapSection>();
    CBmpReader reader{file.data(), file.size(), *section, QString()};
    if (!reader.ReadFileHeader() || !reader.ReadInfoHeader() || !reader.CheckFormat() ||
        !reader.ReadColors() || !reader.FindPixels()) {
        SetImageReadError(reader.why);
        return nullptr;
    }

    const int width = static_cast<int>(reader.width);
    const int rows = static_cast<int>(reader.rows);
    const int bitCount = reader.bitCount;
    const size_t pixels = reader.pixels;
    const size_t stride = static_cast<size_t>(DibStride(width, bitCount));
    const size_t imageSize = stride * static_cast<size_t>(rows);
    BITMAPINFOHEADER& bmih = section->bmih;
    FillBitmapInfoHeader(bmih, width, static_cast<int>(reader.height), bitCount,
                         static_cast<DWORD>(section->colors.size()));
    bmih.biSizeImage = static_cast<DWORD>(imageSize);
    if (reader.compression == BI_RLE8 || reader.compression == BI_RLE4) {
        std::vector<BYTE> expanded(imageSize, 0);
        if (!DecodeRle(file.data() + pixels, file.size() - pixels, width, rows, bitCount,
                       expanded.data(), stride)) {
            SetImageReadError(
                QStringLiteral("its run-length coded pixels are damaged or stop early"));
            return nullptr;
        }
        section->m_storage.swap(expanded);
        section->pBits = section->m_storage.data();
        return section;
    }
    if (file.size() - pixels < imageSize) {
        SetImageReadError(QStringLiteral("its pixel data stops after %1 of %2 bytes")
                              .arg(file.size() - pixels)
                              .arg(imageSize));
        return nullptr;
    }
    bmih.biCompression = reader.compression;
    // The usual 32-bit layout needs no masks; it then reads like an uncompressed one.
    if (reader.compression == BI_BITFIELDS && bitCount == 32 && section->masks[0] == 0xFF0000 &&
        section->masks[1] == 0xFF00 && section->masks[2] == 0xFF)
        bmih.biCompression = BI_RGB;
    section->m_storage.swap(file);
    section->pBits = section->m_storage.data() + pixels;
    return section;
}

BOOL CDib::FromBitmapHandle(HBITMAP hBitmap)
{
    if (!hBitmap || !hBitmap->pBits)
        return FALSE;
    const BITMAPINFOHEADER& bmih = hBitmap->bmih;
    const bool masked = bmih.biBitCount == 16 ||
                        (bmih.biBitCount == 32 && bmih.biCompression == BI_BITFIELDS);
    if (!masked) {
        CDib dib;
        if (!dib.FromPackedBits(&bmih, hBitmap->pBits,
                                hBitmap->colors.empty() ? nullptr : hBitmap->colors.data()))
            return FALSE;
        Swap(dib);
        return TRUE;
    }
    // 16-bit pixels (5-5-5 unless masks say otherwise) and 32-bit ones with masks: each
    // channel is scaled to the full 0..255, so 5-bit 31 reads as 255.
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bmih.biCompression == BI_BITFIELDS)
        std::copy(hBitmap->masks, hBitmap->masks + 3, masks);
    const ChannelScale red(masks[0]), green(masks[1]), blue(masks[2]);
    const bool topDown = bmih.biHeight < 0;
    const int64_t rows = topDown ? -int64_t(bmih.biHeight) : bmih.biHeight;
    if (!DibSizeAllowed(bmih.biWidth, rows))
        return FALSE;
    CDib dib;
    if (!dib.Create(bmih.biWidth, static_cast<int>(rows)))
        return FALSE;
    const size_t srcStride = static_cast<size_t>(DibStride(bmih.biWidth, bmih.biBitCount));
    const int bytes = bmih.biBitCount / 8;
    for (int y = 0; y < dib.m_nHeight; ++y) {
        const BYTE* src = hBitmap->pBits + y * srcStride;
        BYTE* dst = dib.PixelAddress(0, topDown ? dib.m_nHeight - 1 - y : y);
        for (int x = 0; x < dib.m_nWidth; ++x, src += bytes, dst += 3) {
            const DWORD v = bytes == 2 ? GetLE16(src) : GetLE32(src);
            dst[0] = blue(v, masks[2]);
            dst[1] = green(v, masks[1]);
            dst[2] = red(v, masks[0]);
        }
    }
    Swap(dib);
    return TRUE;
}

BOOL CDib::LoadBMP(const char* pszFileName)
{
    SetImageReadError(QString());
    if (!pszFileName)
        return FALSE;
    std::vector<BYTE> file;
    if (!ReadWholeFile(pszFileName, file, kMaxBmpFileBytes))
        return FALSE;
    return FromBitmapHandle(ReadBmpSection(std::move(file)));
}

BOOL CDib::LoadResource(UINT nResourceId)
{
    std::vector<BYTE> file;
    if (!ReadWholeFile(BitmapResourcePath(nResourceId), file, kMaxBmpFileBytes))
        return FALSE;
    return FromBitmapHandle(ReadBmpSection(std::move(file)));
}

BOOL CDib::SaveBMP(const char* pszFileName) const
{
    if (!m_pBits)
        return FALSE;
    CSafeFileWriter file(pszFileName);
    if (!file.IsOpen())
        return FALSE;
    const DWORD imageSize = static_cast<DWORD>(m_nStride) * static_cast<DWORD>(m_nHeight);
    BITMAPINFOHEADER bmih = m_dibSection.dsBmih;
    bmih.biBitCount = 24;
    bmih.biSizeImage = imageSize;
    BYTE headers[kFileHeaderSize + kInfoHeaderSize];
    PutHeaders(headers, sizeof headers + imageSize, sizeof headers, bmih);
    file.Write(headers, sizeof headers);
    file.Write(m_pBits, imageSize);
    return file.Commit();
}

BOOL CDib::Save256ColorBMP(const char* pszFileName) const
{
    if (!m_pBits)
        return FALSE;
    CSafeFileWriter file(pszFileName);
    if (!file.IsOpen())
        return FALSE;
    CBitmapSection section;
    section.bmih = m_dibSection.dsBmih;
    section.pBits = m_pBits;
    const std::unique_ptr<CLogPalette> pPalette = BuildOctreePalette(section, 256, 8);
    if (!pPalette || pPalette->entries.empty())
        return FALSE;
    const std::vector<PALETTEENTRY>& entries = pPalette->entries;
    const DWORD nColors = static_cast<DWORD>(entries.size());
    const size_t rowLength = static_cast<size_t>(DibStride(m_nWidth, 8));
    const DWORD imageSize = static_cast<DWORD>(rowLength * static_cast<size_t>(m_nHeight));
    const DWORD pixelOffset = static_cast<DWORD>(kFileHeaderSize + kInfoHeaderSize) + 4 * nColors;

    BITMAPINFOHEADER bmih;
    FillBitmapInfoHeader(bmih, m_nWidth, m_nHeight, 8, nColors);
    bmih.biSizeImage = imageSize;
    std::vector<BYTE> head(pixelOffset, 0);
    PutHeaders(head.data(), pixelOffset + imageSize, pixelOffset, bmih);
    for (DWORD i = 0; i < nColors; ++i) {
        BYTE* q = head.data() + kFileHeaderSize + kInfoHeaderSize + 4 * i;
        q[0] = entries[i].peBlue;
        q[1] = entries[i].peGreen;
        q[2] = entries[i].peRed;
    }
    file.Write(head.data(), head.size());

    CNearestPaletteIndex nearest(entries);
    std::vector<BYTE> row(rowLength, 0);
    for (int y = 0; y < m_nHeight; ++y) {
        const BYTE* src = PixelAddress(0, y);
        for (int x = 0; x < m_nWidth; ++x, src += 3)
            row[x] = static_cast<BYTE>(
                nearest.Find(src[0] | (DWORD(src[1]) << 8) | (DWORD(src[2]) << 16)));
        if (!file.Write(row.data(), rowLength))
            break;
    }
    return file.Commit();
}
