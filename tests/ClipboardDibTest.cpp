// Packed bitmaps and images from other programs' clipboard data: sound ones arrive whole,
// hostile ones are refused without reading past their bytes.
#include "document/ClipboardDib.h"
#include "PictureAssertions.h"

#include <QImage>

#include <cstring>

namespace {

QByteArray PackedHeader(int width, int height, int bitCount, quint32 colorsUsed = 0)
{
    BITMAPINFOHEADER bmih{};
    bmih.biSize = 40;
    bmih.biWidth = width;
    bmih.biHeight = height;
    bmih.biPlanes = 1;
    bmih.biBitCount = static_cast<WORD>(bitCount);
    bmih.biClrUsed = colorsUsed;
    return QByteArray(reinterpret_cast<const char*>(&bmih), sizeof bmih);
}

}

TEST(ClipboardDib, SoundBitmapsArriveWhole)
{
    // 2 x 2, 8 bits, two colours, top-down.
    QByteArray block = PackedHeader(2, -2, 8, 2);
    block.append("\x00\x00\xFF\x00" "\xFF\x00\x00\x00", 8); // red, blue
    block.append("\x00\x01\x00\x00" "\x01\x01\x00\x00", 8);
    const auto pDib = DibFromPackedBitmap(block);
    ASSERT_TRUE(pDib);
    EXPECT_TRUE(PixelIs(*pDib, 0, 1, 0xFF0000)); // top row, from the top-down source
    EXPECT_TRUE(PixelIs(*pDib, 1, 1, 0x0000FF));
    EXPECT_TRUE(PixelIs(*pDib, 0, 0, 0x0000FF));

    // Our own copy comes back byte for byte; an image converts to 24 bits.
    CDib dib;
    dib.Create(5, 3);
    dib.SetPixel(4, 2, 0x123456);
    const auto pBlock = dib.CopyToGlobal();
    const auto pBack = DibFromBmpFile(BmpFileFromPackedDib(*pBlock));
    ASSERT_TRUE(pBack);
    EXPECT_TRUE(SamePicture(dib, *pBack));
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30, 128));
    image.setPixel(0, 0, qRgba(200, 100, 50, 255));
    const auto pFromImage = DibFromImage(image);
    ASSERT_TRUE(pFromImage);
    EXPECT_TRUE(PixelIs(*pFromImage, 0, 1, 0xC86432));
    EXPECT_TRUE(PixelIs(*pFromImage, 2, 0, 0x0A141E));
}

TEST(ClipboardDib, HostileBlocksAreRefused)
{
    // A header claiming 10000 x 10000 over 100 bytes.
    QByteArray big = PackedHeader(10000, 10000, 24);
    big.append(QByteArray(60, '\x7F'));
    EXPECT_FALSE(DibFromPackedBitmap(big));
    // Heights past the picture limit either way, and the most negative one.
    for (int height : {-70000, INT_MIN, 70000}) {
        QByteArray block = PackedHeader(2, height, 24);
        block.append(QByteArray(64, '\0'));
        EXPECT_FALSE(DibFromPackedBitmap(block)) << height;
    }
    // A colour table running past the end, and a header size past the block.
    QByteArray table = PackedHeader(2, 2, 8, 200);
    table.append(QByteArray(40, '\0'));
    EXPECT_FALSE(DibFromPackedBitmap(table));
    QByteArray header = PackedHeader(2, 2, 24);
    header[0] = char(0xF0);
    EXPECT_FALSE(DibFromPackedBitmap(header));
    EXPECT_FALSE(DibFromPackedBitmap(QByteArray(12, '\0')));
    EXPECT_FALSE(DibFromBmpFile(QByteArray("BM\xff\xff\xff\x7f", 6)));
    EXPECT_FALSE(DibFromImage(QImage()));
}
