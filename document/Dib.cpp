#include "Dib.h"

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>

void FillBitmapInfoHeader(BITMAPINFOHEADER& bmih, int width, int height, int bitCount,
                          DWORD colorsUsed)
{
    bmih = BITMAPINFOHEADER{};
    bmih.biSize = sizeof(BITMAPINFOHEADER);
    bmih.biWidth = width;
    bmih.biHeight = height;
    bmih.biPlanes = 1;
    bmih.biBitCount = static_cast<WORD>(bitCount);
    bmih.biCompression = BI_RGB;
    bmih.biClrUsed = colorsUsed;
}

DWORD ColorTableLength(const BITMAPINFOHEADER& bmih)
{
    if (bmih.biClrUsed != 0)
        return bmih.biClrUsed;
    if (bmih.biBitCount <= 8)
        return DWORD(1) << bmih.biBitCount;
    return 0;
}

void CDib::AlignedFree::operator()(BYTE* p) const
{
    std::free(p);
}

CDib::CDib() = default;

CDib::~CDib()
{
    Destroy();
}

BOOL CDib::Create(int width, int height)
{
    return Allocate(width, height, true);
}

BOOL CDib::CreateUncleared(int width, int height)
{
    return Allocate(width, height, false);
}

BOOL CDib::Allocate(int width, int height, bool bClear)
{
    Destroy();
    if (!DibSizeAllowed(width, height))
        return FALSE;
    const int stride = DibStride(width, 24);
    const int64_t bytes = int64_t(stride) * height;
    // calloc hands large pictures fresh zero pages from the system, so they are not cleared
    // twice; file readers that fill every row then pay for the memory only once.
    BYTE* p = static_cast<BYTE*>(bClear ? std::calloc(static_cast<size_t>(bytes), 1)
                                        : std::malloc(static_cast<size_t>(bytes)));
    if (!p)
        return FALSE;
    if (!bClear && stride > 3 * width)
        for (int y = 0; y < height; ++y)
            std::memset(p + int64_t(y) * stride + 3 * width, 0, size_t(stride - 3 * width));
    // Large pictures ask for 2 MiB pages: a 4096 x 4096 picture then costs 25 page faults
    // instead of 12,000, which is most of what a reader adds to decoding into it.
    {
        const uintptr_t huge = uintptr_t(2) << 20;
        const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + huge - 1) & ~(huge - 1);
        const uintptr_t last = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(huge - 1);
        if (last > first)
            madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
    m_pixels.reset(p);
    m_pBits = p;
    m_nWidth = width;
    m_nHeight = height;
    m_nStride = stride;
    FillBitmapInfoHeader(m_dibSection.dsBmih, width, height, 24, 0);
    return TRUE;
}

BOOL CDib::CreateView(CDib& picture, const CRect& rows)
{
    Destroy();
    if (rows.IsRectEmpty() || rows.left < 0 || rows.top < 0 || rows.right > picture.m_nWidth ||
        rows.bottom > picture.m_nHeight)
        return FALSE;
    m_pBits = picture.PixelAddress(rows.left, rows.top);
    m_nWidth = rows.Width();
    m_nHeight = rows.Height();
    m_nStride = picture.m_nStride;
    FillBitmapInfoHeader(m_dibSection.dsBmih, m_nWidth, m_nHeight, 24, 0);
    return TRUE;
}

void CDib::Destroy()
{
    m_hGLRC.reset(); // before the pixels it reads back into
    m_pixels.reset();
    m_pBits = nullptr;
    m_nWidth = m_nHeight = m_nStride = 0;
    m_dibSection = DIBSECTION{};
}

void CDib::Swap(CDib& other) noexcept
{
    // Each context is sized for and reads back into the pixels it was made on: new pixels
    // mean a re-created picture, which has no context until asked again.
    m_hGLRC.reset();
    other.m_hGLRC.reset();
    m_pixels.swap(other.m_pixels);
    std::swap(m_pBits, other.m_pBits);
    std::swap(m_nWidth, other.m_nWidth);
    std::swap(m_nHeight, other.m_nHeight);
    std::swap(m_nStride, other.m_nStride);
    std::swap(m_dibSection, other.m_dibSection);
}

CRect CDib::FillRect(DWORD color, CRect rect)
{
    CRect r;
    if (!r.IntersectRect(rect, CRect(0, 0, m_nWidth, m_nHeight)))
        return rect;
    const BYTE b = static_cast<BYTE>(color), g = static_cast<BYTE>(color >> 8),
               rd = static_cast<BYTE>(color >> 16);
    for (int y = r.top; y < r.bottom; ++y) {
        BYTE* p = PixelAddress(r.left, y);
        for (int x = r.left; x < r.right; ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = rd;
        }
    }
    return rect;
}

void CDib::Fill(DWORD color)
{
    if (!m_pBits)
        return;
    FillRect(color, CRect(0, 0, m_nWidth, m_nHeight));
}

void CDib::FlipRect(CRect& rect) const
{
    // Rows below the picture stay negative, as rows above it stay past the height, so an
    // effect hanging over either edge keeps its size; whoever saves or copies clips.
    rect.top = m_nHeight - rect.top;
    rect.bottom = m_nHeight - rect.bottom;
    rect.NormalizeRect();
}

int CDib::ClipRect(CRect& rect) const
{
    int flags = 0;
    if (rect.left < 0) { rect.left = 0; flags |= 1; }
    if (rect.top < 0) { rect.top = 0; flags |= 2; }
    if (rect.right > m_nWidth) { rect.right = m_nWidth; flags |= 4; }
    if (rect.bottom > m_nHeight) { rect.bottom = m_nHeight; flags |= 8; }
    return flags;
}

void CDib::CopyRect(int dstX, int dstY, int width, int rows, const CDib& src, int srcX, int srcY)
{
    for (int i = 0; i < rows; ++i)
        std::memmove(PixelAddress(dstX, dstY + i), src.PixelAddress(srcX, srcY + i),
                     static_cast<size_t>(width) * 3);
}

CDib* CDib::Extract(CRect rect) const
{
    ClipRect(rect);
    auto pDib = std::make_unique<CDib>();
    if (rect.IsRectEmpty() || !pDib->Create(rect.Width(), rect.Height()))
        return nullptr;
    pDib->CopyRect(0, 0, rect.Width(), rect.Height(), *this, rect.left, rect.top);
    return pDib.release();
}

void CDib::Paste(const CDib& src, const CRect& rect, BOOL opaque, COLORREF key, DWORD tolerance)
{
    if (!m_pBits || !src.m_pBits)
        return;
    // A rectangle cut off at the bottom edge skips the source's lowest rows.
    int srcRow = 0;
    if (rect.top == 0 && rect.Height() < src.m_nHeight)
        srcRow = src.m_nHeight - rect.bottom;
    const int srcCol0 = rect.left < 0 ? -rect.left : 0;
    // Opaque rows that lie inside both pictures are plain copies.
    const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, m_nWidth);
    const bool rowsInside = srcCol0 + (right - left) <= src.m_nWidth;
    const int keyR = GetRValue(key), keyG = GetGValue(key), keyB = GetBValue(key);
    const int tolR = tolerance & 0xFF, tolG = (tolerance >> 8) & 0xFF,
              tolB = (tolerance >> 16) & 0xFF;
    for (int y = rect.top; y < rect.bottom; ++y, ++srcRow) {
        if (y < 0 || y >= m_nHeight)
            continue;
        if (opaque && rowsInside && srcRow >= 0 && srcRow < src.m_nHeight) {
            if (right > left)
                CopyRect(left, y, right - left, 1, src, srcCol0, srcRow);
            continue;
        }
        int srcCol = srcCol0;
        for (int x = std::max<int>(rect.left, 0); x < rect.right && x < m_nWidth; ++x, ++srcCol) {
            const DWORD c = src.GetPixel(srcCol, srcRow);
            if (!opaque) {
                const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
                if (std::abs(keyR - r) <= tolR && std::abs(keyG - g) <= tolG &&
                    std::abs(keyB - b) <= tolB)
                    continue;
            }
            SetPixel(x, y, c);
        }
    }
}

std::unique_ptr<CGlobalBlock> CDib::CopyToGlobal(CRect rect) const
{
    ClipRect(rect);
    if (!m_pBits || rect.IsRectEmpty())
        return nullptr;
    const int width = rect.Width(), rows = rect.Height();
    const int s = DibStride(width, 24);
    auto block = std::make_unique<CGlobalBlock>();
    block->nSize = sizeof(BITMAPINFOHEADER) + static_cast<size_t>(rows) * s + 4;
    block->pData.reset(new (std::nothrow) BYTE[block->nSize]());
    if (!block->pData)
        return nullptr;
    BITMAPINFOHEADER bmih;
    FillBitmapInfoHeader(bmih, width, rows, 24, 0);
    std::memcpy(block->pData.get(), &bmih, sizeof bmih);
    BYTE* out = block->pData.get() + sizeof bmih;
    for (int i = 0; i < rows; ++i)
        std::memcpy(out + static_cast<size_t>(i) * s, PixelAddress(rect.left, rect.top + i),
                    static_cast<size_t>(width) * 3);
    return block;
}

std::unique_ptr<CGlobalBlock> CDib::CopyToGlobal() const
{
    return CopyToGlobal(CRect(0, 0, m_nWidth, m_nHeight));
}

BOOL CDib::FromPackedBits(const BITMAPINFOHEADER* pHeader, const BYTE* pBits,
                          const RGBQUAD* pColors)
{
    if (!pHeader || !pBits)
        return FALSE;
    const int width = pHeader->biWidth;
    const bool topDown = pHeader->biHeight < 0;
    const int64_t h64 = topDown ? -int64_t(pHeader->biHeight) : pHeader->biHeight;
    if (h64 > kMaxDibDimension || !Create(width, static_cast<int>(h64)))
        return FALSE;
    const int bitCount = pHeader->biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return TRUE; // other depths stay black
    const DWORD nColors = pColors ? ColorTableLength(*pHeader) : 0;
    const int srcStride = DibStride(width, bitCount);
    for (int y = 0; y < m_nHeight; ++y) {
        // A top-down source is turned over row by row so the picture stays upright.
        const BYTE* src = pBits + static_cast<size_t>(y) * srcStride;
        BYTE* dst = PixelAddress(0, topDown ? m_nHeight - 1 - y : y);
        if (bitCount == 24) {
            std::memcpy(dst, src, static_cast<size_t>(width) * 3);
            continue;
        }
        for (int x = 0; x < width; ++x, dst += 3) {
            unsigned index;
            switch (bitCount) {
            case 24:
                std::memcpy(dst, src + 3 * x, 3);
                continue;
            case 32:
                std::memcpy(dst, src + 4 * x, 3);
                continue;
            case 1:
                index = (src[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case 4:
                index = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
                break;
            default:
                index = src[x];
                break;
            }
            // Indices past the table are left black rather than read beyond it.
            if (index < nColors) {
                dst[0] = pColors[index].rgbBlue;
                dst[1] = pColors[index].rgbGreen;
                dst[2] = pColors[index].rgbRed;
            }
        }
    }
    return TRUE;
}

BOOL CDib::Draw(QPainter* pPainter, const CRect* pDest, const CRect* pSrc) const
{
    if (!pPainter || !m_pBits)
        return FALSE;
    const CRect src = pSrc ? *pSrc : CRect(0, 0, m_nWidth, m_nHeight);
    CRect dst = pDest ? *pDest : CRect(0, 0, m_nWidth, m_nHeight);
    if (src.IsRectEmpty() || dst.IsRectEmpty())
        return TRUE;
    // Wraps the rows without copying; memory row 0 is the bottom line, so the image is
    // painted upside down through a flipped transform.
    const QImage image(m_pBits, m_nWidth, m_nHeight, m_nStride, QImage::Format_BGR888);
    pPainter->save();
    pPainter->translate(dst.left, dst.bottom);
    pPainter->scale(double(dst.Width()) / src.Width(), -double(dst.Height()) / src.Height());
    pPainter->drawImage(QPointF(0, 0), image,
                        QRectF(src.left, m_nHeight - src.bottom, src.Width(), src.Height()));
    pPainter->restore();
    return TRUE;
}
