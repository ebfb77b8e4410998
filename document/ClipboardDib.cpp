#include "ClipboardDib.h"

#include "../imagefile/ImageFile.h"

#include <QImage>

#include <cstring>

namespace {

void AppendDword(QByteArray& bytes, quint32 v)
{
    for (int b = 0; b < 4; ++b)
        bytes.append(char((v >> (8 * b)) & 0xFF));
}

quint32 ReadDword(const QByteArray& bytes, int offset)
{
    quint32 v = 0;
    for (int b = 3; b >= 0; --b)
        v = (v << 8) | quint8(bytes[offset + b]);
    return v;
}

QByteArray FileHeader(quint32 fileSize, quint32 offset)
{
    QByteArray header("BM", 2);
    AppendDword(header, fileSize);
    AppendDword(header, 0);
    AppendDword(header, offset);
    return header;
}

}

QByteArray BmpFileFromPackedDib(const CGlobalBlock& block)
{
    if (!block.pData || block.nSize < sizeof(BITMAPINFOHEADER) + 4)
        return QByteArray();
    const QByteArray dib(reinterpret_cast<const char*>(block.pData.get()),
                         int(block.nSize) - 4);
    return FileHeader(quint32(14 + dib.size()), 14 + block.Header()->biSize) + dib;
}

std::unique_ptr<CDib> DibFromBmpFile(const QByteArray& file)
{
    std::vector<BYTE> bytes(file.begin(), file.end());
    HBITMAP section = ReadBmpSection(std::move(bytes));
    if (!section)
        return nullptr;
    auto pDib = std::make_unique<CDib>();
    if (!pDib->FromBitmapHandle(std::move(section)))
        return nullptr;
    return pDib;
}

std::unique_ptr<CDib> DibFromPackedBitmap(const QByteArray& block)
{
    // The rows start after the header, the bit-field masks of a 40-byte header and the
    // colour table; the BMP reader then checks every size against the bytes it has.
    if (block.size() < 40)
        return nullptr;
    const quint32 headerSize = ReadDword(block, 0);
    if (headerSize < 40 || headerSize > quint32(block.size()))
        return nullptr;
    const int bitCount = quint8(block[14]) | (quint8(block[15]) << 8);
    const quint32 compression = ReadDword(block, 16);
    const quint32 colorsUsed = ReadDword(block, 32);
    quint64 offset = headerSize;
    if (headerSize == 40 && (compression == 3 || compression == 6))
        offset += compression == 3 ? 12 : 16;
    quint64 colors = colorsUsed;
    if (colors == 0 && bitCount <= 8)
        colors = quint64(1) << bitCount;
    offset += 4 * colors;
    if (offset > quint64(block.size()))
        return nullptr;
    return DibFromBmpFile(FileHeader(quint32(14 + block.size()), quint32(14 + offset)) + block);
}

std::unique_ptr<CDib> DibFromImage(const QImage& image)
{
    if (image.isNull() || !DibSizeAllowed(image.width(), image.height()))
        return nullptr;
    const QImage rgb = image.convertToFormat(QImage::Format_BGR888);
    if (rgb.isNull())
        return nullptr;
    auto pDib = std::make_unique<CDib>();
    if (!pDib->Create(rgb.width(), rgb.height()))
        return nullptr;
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(pDib->PixelAddress(0, rgb.height() - 1 - y), rgb.constScanLine(y),
                    size_t(rgb.width()) * 3);
    return pDib;
}
