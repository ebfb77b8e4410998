#include "document/Dib.h"
#include "PictureAssertions.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(Dib, CreateLayoutAndStride)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(1, 1));
    EXPECT_EQ(dib.m_nStride, 4);
    ASSERT_TRUE(dib.Create(5, 1));
    EXPECT_EQ(dib.m_nStride, 16);
    ASSERT_TRUE(dib.Create(7, 3));
    EXPECT_EQ(dib.m_nStride, 24);
    EXPECT_EQ(dib.GetSize(), CSize(7, 3));
    for (int i = 0; i < dib.m_nStride * 3; ++i)
        ASSERT_EQ(dib.m_pBits[i], 0) << "new pictures are black, padding included";
    const BITMAPINFOHEADER& h = dib.m_dibSection.dsBmih;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 7);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biPlanes, 1);

    dib.SetPixel(2, 1, 0x00112233);
    const BYTE* p = dib.m_pBits + 1 * 24 + 6;
    EXPECT_EQ(p[0], 0x33); // blue first
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x11);

    EXPECT_FALSE(dib.Create(0, 10));
    EXPECT_EQ(dib.m_pBits, nullptr);
    EXPECT_FALSE(dib.Create(-3, 10));
    EXPECT_FALSE(dib.Create(100000, 100000)) << "absurd sizes are refused, not allocated";
    dib.Destroy();
    dib.Destroy();
    EXPECT_EQ(dib.GetSize(), CSize(0, 0));
}

TEST(Dib, PixelAccessClampsAndSaturates)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 3));
    dib.SetPixel(0, 2, 0x00ABCDEF); // top-left: row 2 is the top line
    EXPECT_TRUE(PixelIs(dib, -5, 3 + 3, 0x00ABCDEF));
    dib.SetPixel(3, 0, 0x00010203);
    EXPECT_TRUE(PixelIs(dib, 99, -1, 0x00010203));
    dib.SetPixel(4, 0, 0x00FFFFFF); // outside: ignored
    dib.SetPixel(-1, 0, 0x00FFFFFF);
    EXPECT_TRUE(PixelIs(dib, 3, 0, 0x00010203));

    dib.SetPixel(1, 1, 0x00C80A64); // red 200, green 10, blue 100
    dib.AddPixel(1, 1, 0x00808080);
    EXPECT_TRUE(PixelIs(dib, 1, 1, 0x00FF8AE4)); // 255, 138, 228
    dib.AddPixel(1, 1, 0x00FFFFFF);
    EXPECT_TRUE(PixelIs(dib, 1, 1, 0x00FFFFFF));
    dib.AddPixel(7, 7, 0x00FFFFFF); // outside: ignored
    EXPECT_FALSE(dib.IsInside(4, 0));
    EXPECT_TRUE(dib.IsInside(3, 2));
}

TEST(Dib, RectangleOperations)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(30, 100));
    CRect r(0, 0, 30, 100);
    dib.FlipRect(r);
    EXPECT_EQ(r, CRect(0, 0, 30, 100));
    r = CRect(10, 0, 20, 5);
    dib.FlipRect(r);
    EXPECT_EQ(r, CRect(10, 95, 20, 100));
    r = CRect(0, -10, 5, 120);
    dib.FlipRect(r);
    EXPECT_EQ(r, CRect(0, -20, 5, 110)) << "rows below the picture stay negative, nothing is cut";

    r = CRect(-1, -2, 31, 101);
    EXPECT_EQ(dib.ClipRect(r), 1 | 2 | 4 | 8);
    EXPECT_EQ(r, CRect(0, 0, 30, 100));
    r = CRect(0, 0, 31, 50);
    EXPECT_EQ(dib.ClipRect(r), 4);
    r = CRect(2, 3, 4, 5);
    EXPECT_EQ(dib.ClipRect(r), 0);

    dib.FillRect(0x00FF0000, CRect(-5, -5, 2, 3));
    EXPECT_TRUE(PixelIs(dib, 0, 0, 0x00FF0000));
    EXPECT_TRUE(PixelIs(dib, 1, 2, 0x00FF0000));
    EXPECT_TRUE(PixelIs(dib, 2, 2, 0));
    EXPECT_TRUE(PixelIs(dib, 1, 3, 0));
    dib.Fill(0x00010203);
    EXPECT_TRUE(PixelIs(dib, 29, 99, 0x00010203));
}

TEST(Dib, ExtractAndCopyRect)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(6, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            dib.SetPixel(x, y, DWORD(x * 16 + y));
    std::unique_ptr<CDib> part(dib.Extract(CRect(4, 3, 9, 9)));
    ASSERT_TRUE(part);
    EXPECT_EQ(part->GetSize(), CSize(2, 2));
    EXPECT_TRUE(PixelIs(*part, 0, 0, 4 * 16 + 3));
    EXPECT_TRUE(PixelIs(*part, 1, 1, 5 * 16 + 4));
    EXPECT_EQ(dib.Extract(CRect(7, 0, 9, 2)), nullptr) << "nothing inside";

    // Overlapping move within one picture.
    dib.CopyRect(1, 0, 4, 1, dib, 0, 0);
    EXPECT_TRUE(PixelIs(dib, 1, 0, 0));
    EXPECT_TRUE(PixelIs(dib, 4, 0, 3 * 16));
}

TEST(Dib, PasteOpaqueAndTransparent)
{
    CDib src;
    ASSERT_TRUE(src.Create(3, 2));
    src.SetPixel(0, 0, 0x00000000); // pure black: the key
    src.SetPixel(1, 0, 0x00000001); // blue 1: just outside a zero tolerance
    src.SetPixel(2, 0, 0x00102030);
    src.SetPixel(0, 1, 0x00A0A0A0);
    src.SetPixel(1, 1, 0x00B0B0B0);
    src.SetPixel(2, 1, 0x00C0C0C0);

    CDib dst;
    ASSERT_TRUE(dst.Create(5, 5));
    dst.Fill(0x00777777);
    dst.Paste(src, CRect(1, 1, 4, 3), FALSE, 0, 0);
    EXPECT_TRUE(PixelIs(dst, 1, 1, 0x00777777)) << "black left out";
    EXPECT_TRUE(PixelIs(dst, 2, 1, 0x00000001));
    EXPECT_TRUE(PixelIs(dst, 3, 1, 0x00102030));
    EXPECT_TRUE(PixelIs(dst, 1, 2, 0x00A0A0A0));

    // Tolerance per channel: red within 0x10, green within 0x20, blue within 0x30 of key.
    dst.Fill(0x00777777);
    const COLORREF key = RGB(0x10, 0x20, 0x30); // matches (2, 0) exactly
    dst.Paste(src, CRect(0, 0, 3, 2), FALSE, RGB(0x20, 0x30, 0x00), 0x00301010);
    EXPECT_TRUE(PixelIs(dst, 2, 0, 0x00777777)) << "within tolerance: left out";
    dst.Fill(0x00777777);
    dst.Paste(src, CRect(0, 0, 3, 2), FALSE, RGB(0x20, 0x30, 0x00), 0x002F1010);
    EXPECT_TRUE(PixelIs(dst, 2, 0, 0x00102030)) << "blue one past tolerance: written";
    (void)key;

    // Opaque, cut at the left and at the bottom edge: skipped columns and rows.
    dst.Fill(0x00777777);
    dst.Paste(src, CRect(-1, 0, 2, 1), TRUE, 0, 0);
    EXPECT_TRUE(PixelIs(dst, 0, 0, 0x00B0B0B0)) << "source row 1, column 1";
    EXPECT_TRUE(PixelIs(dst, 1, 0, 0x00C0C0C0));
    EXPECT_TRUE(PixelIs(dst, 2, 0, 0x00777777));

    // Past the right and top edges: pixels outside are skipped without fault.
    dst.Fill(0x00777777);
    dst.Paste(src, CRect(4, 4, 7, 6), TRUE, 0, 0);
    EXPECT_TRUE(PixelIs(dst, 4, 4, 0x00000000));
}

TEST(Dib, CopyToGlobalIsAPackedDib)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(5, 4));
    dib.SetPixel(1, 2, 0x00123456);
    auto block = dib.CopyToGlobal(CRect(1, 1, 4, 3));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->nSize, 40u + 2 * 12 + 4);
    const BITMAPINFOHEADER* h = block->Header();
    EXPECT_EQ(h->biWidth, 3);
    EXPECT_EQ(h->biHeight, 2);
    EXPECT_EQ(h->biBitCount, 24);
    const BYTE* rows = block->pData.get() + 40;
    EXPECT_EQ(rows[12 + 0], 0x56); // row 2 of the picture is the block's second row
    EXPECT_EQ(rows[12 + 2], 0x12);
    for (size_t i = block->nSize - 4; i < block->nSize; ++i)
        EXPECT_EQ(block->pData[i], 0);

    auto whole = dib.CopyToGlobal(CRect(-3, -3, 50, 50));
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->nSize, 40u + 4 * 16 + 4);

    CDib back;
    ASSERT_TRUE(back.FromPackedBits(whole->Header(), whole->pData.get() + 40, nullptr));
    EXPECT_TRUE(PixelIs(back, 1, 2, 0x00123456));
}

TEST(Dib, FromPackedBitsEachDepth)
{
    RGBQUAD table[16] = {};
    for (int i = 0; i < 16; ++i)
        table[i] = RGBQUAD{BYTE(i), BYTE(i * 2), BYTE(i * 3), 0};
    BITMAPINFOHEADER h;
    CDib dib;

    // 1 bit, 10 pixels wide: two bytes a row, padded to four; most significant bit first.
    FillBitmapInfoHeader(h, 10, 2, 1, 2);
    const BYTE bits1[8] = {0x80, 0x40, 0, 0, 0x01, 0x00, 0, 0};
    ASSERT_TRUE(dib.FromPackedBits(&h, bits1, table));
    EXPECT_TRUE(PixelIs(dib, 0, 0, 0x00030201));
    EXPECT_TRUE(PixelIs(dib, 1, 0, 0));
    EXPECT_TRUE(PixelIs(dib, 9, 0, 0x00030201));
    EXPECT_TRUE(PixelIs(dib, 7, 1, 0x00030201));

    // 4 bits, high nibble first.
    FillBitmapInfoHeader(h, 3, 1, 4, 16);
    const BYTE bits4[4] = {0x5A, 0xF0, 0, 0};
    ASSERT_TRUE(dib.FromPackedBits(&h, bits4, table));
    EXPECT_TRUE(PixelIs(dib, 0, 0, 0x000F0A05));
    EXPECT_TRUE(PixelIs(dib, 1, 0, 0x001E140A));
    EXPECT_TRUE(PixelIs(dib, 2, 0, 0x002D1E0F));

    // 8 bits, with colours-used 4: an index past the table stays black.
    FillBitmapInfoHeader(h, 2, 1, 8, 4);
    const BYTE bits8[4] = {3, 200, 0, 0};
    ASSERT_TRUE(dib.FromPackedBits(&h, bits8, table));
    EXPECT_TRUE(PixelIs(dib, 0, 0, 0x00090603));
    EXPECT_TRUE(PixelIs(dib, 1, 0, 0));

    // 24 and 32 bits, two rows: rows keep their order (bottom-up stays upright).
    FillBitmapInfoHeader(h, 1, 2, 24, 0);
    const BYTE bits24[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    ASSERT_TRUE(dib.FromPackedBits(&h, bits24, nullptr));
    EXPECT_TRUE(PixelIs(dib, 0, 0, 0x00030201));
    EXPECT_TRUE(PixelIs(dib, 0, 1, 0x00060504));
    FillBitmapInfoHeader(h, 2, 1, 32, 0);
    const BYTE bits32[8] = {1, 2, 3, 99, 4, 5, 6, 99};
    ASSERT_TRUE(dib.FromPackedBits(&h, bits32, nullptr));
    EXPECT_TRUE(PixelIs(dib, 1, 0, 0x00060504));

    // A top-down source is turned over.
    FillBitmapInfoHeader(h, 1, -2, 24, 0);
    ASSERT_TRUE(dib.FromPackedBits(&h, bits24, nullptr));
    EXPECT_EQ(dib.GetSize(), CSize(1, 2));
    EXPECT_TRUE(PixelIs(dib, 0, 1, 0x00030201)) << "first source row is the top line";
    EXPECT_TRUE(PixelIs(dib, 0, 0, 0x00060504));

    // 16 bits: black at the source's size.
    FillBitmapInfoHeader(h, 3, 2, 16, 0);
    const BYTE bits16[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0,
                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    ASSERT_TRUE(dib.FromPackedBits(&h, bits16, nullptr));
    EXPECT_EQ(dib.GetSize(), CSize(3, 2));
    EXPECT_TRUE(PixelIs(dib, 2, 1, 0));

    EXPECT_EQ(ColorTableLength(h), 0u);
    FillBitmapInfoHeader(h, 3, 2, 4, 0);
    EXPECT_EQ(ColorTableLength(h), 16u);
}

TEST(Dib, DrawPutsTheTopLineOnTop)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 3));
    dib.FillRect(0x00FF0000, CRect(0, 2, 4, 3)); // top line red
    dib.FillRect(0x000000FF, CRect(0, 0, 4, 1)); // bottom line blue
    QImage out(8, 6, QImage::Format_RGB32);
    out.fill(Qt::black);
    {
        QPainter painter(&out);
        const CRect whole(0, 0, 8, 6);
        const CRect src(0, 0, 4, 3);
        ASSERT_TRUE(dib.Draw(&painter, &whole, &src));
    }
    EXPECT_EQ(out.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(6, 5), qRgb(0, 0, 255));

    // A source rectangle counted from the top line: only the lowest row.
    out.fill(Qt::black);
    {
        QPainter painter(&out);
        const CRect dst(0, 0, 4, 1);
        const CRect src(0, 2, 4, 3);
        dib.Draw(&painter, &dst, &src);
    }
    EXPECT_EQ(out.pixel(0, 0), qRgb(0, 0, 255));
}
