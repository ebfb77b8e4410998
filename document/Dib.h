// The one picture type: 24-bit blue-green-red pixels, rows bottom-up (row 0 is the bottom
// line), each row padded to a multiple of 4 bytes. New pictures are black.
#pragma once

#include "WinTypes.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

class QPainter;

// The keyword of the PNG text chunk that holds how a picture was made.
extern const char* const kPngRecipeKey;
class CGLOffscreenContext;

// Frees an off-screen context; defined with it, so that this header needs no GL.
struct CGLOffscreenContextDelete
{
    void operator()(CGLOffscreenContext* p) const;
};

// The part of the system's bitmap description the writers and drawing use.
struct DIBSECTION
{
    BITMAPINFOHEADER dsBmih;
};

// An owned packed device-independent bitmap: header, rows, then 4 zero bytes.
struct CGlobalBlock
{
    std::unique_ptr<BYTE[]> pData;
    size_t nSize = 0;
    const BITMAPINFOHEADER* Header() const
    {
        return reinterpret_cast<const BITMAPINFOHEADER*>(pData.get());
    }
};

// Fills a header as a new picture's: 40 bytes, positive height (bottom-up), one plane.
void FillBitmapInfoHeader(BITMAPINFOHEADER& bmih, int width, int height, int bitCount,
                          DWORD colorsUsed);

// The largest picture we make: 65535 pixels a side and 1 GiB of 24-bit rows (a 16384 x 16384
// picture fits with room to spare). Readers check a file's stated size against it before
// they allocate anything, so a hostile header cannot make us allocate gigabytes.
constexpr int kMaxDibDimension = 65535;
constexpr int64_t kMaxDibBytes = int64_t(1) << 30;
inline bool DibSizeAllowed(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxDibDimension && height <= kMaxDibDimension &&
           (width * 24 + 31) / 32 * 4 * height <= kMaxDibBytes;
}

// Bytes in one row of a picture of the given width and depth, padded to 4.
inline int DibStride(int width, int bitCount)
{
    return static_cast<int>((static_cast<int64_t>(width) * bitCount + 31) / 32 * 4);
}

// Entries in the colour table that follows a header.
DWORD ColorTableLength(const BITMAPINFOHEADER& bmih);

// A device-independent section: header, colour table and rows, as a system bitmap handle
// would describe it. There are no system bitmap handles here; the BMP reader produces one of
// these (always uncompressed, 1, 4, 8, 16, 24 or 32 bits a pixel) and CDib::FromBitmapHandle
// consumes it. The rows are either owned (m_storage) or borrowed from a picture.
struct CBitmapSection
{
    BITMAPINFOHEADER bmih{};
    // Red, green and blue masks; read only when bmih.biCompression is BI_BITFIELDS.
    DWORD masks[3]{};
    // Exactly ColorTableLength(bmih) entries for 1, 4 and 8 bits a pixel, else empty.
    std::vector<RGBQUAD> colors;
    std::vector<BYTE> m_storage;
    const BYTE* pBits = nullptr;
};
typedef std::unique_ptr<CBitmapSection> HBITMAP;

class CDib
{
public:
    CDib();
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    BOOL Create(int width, int height);
    // As Create, for a picture whose every pixel is written before it is read: only the
    // bytes that pad its rows are cleared, so that a large picture is not cleared twice.
    BOOL CreateUncleared(int width, int height);

private:
    BOOL Allocate(int width, int height, bool bClear);

public:
    // Makes this picture a view of rows (row coordinates, wholly inside) of picture: the
    // same memory, nothing copied, so what is drawn here lands there. It must not outlive
    // picture. FALSE, leaving this picture empty, when rows are empty or reach outside.
    BOOL CreateView(CDib& picture, const CRect& rows);
    void Destroy();
    // Exchanges the pixels and sizes of two pictures; readers and resizing build the new
    // picture aside and swap it in only once it is complete.
    void Swap(CDib& other) noexcept;

    CSize GetSize() const { return CSize(m_nWidth, m_nHeight); }
    BOOL IsInside(int x, int y) const
    {
        return x >= 0 && x < m_nWidth && y >= 0 && y < m_nHeight;
    }

    // Pixel colours are packed 0x00RRGGBB; y counts rows from the bottom.
    void SetPixel(int x, int y, DWORD color)
    {
        if (!IsInside(x, y))
            return;
        BYTE* p = PixelAddress(x, y);
        p[0] = static_cast<BYTE>(color);
        p[1] = static_cast<BYTE>(color >> 8);
        p[2] = static_cast<BYTE>(color >> 16);
    }
    // Out-of-range coordinates read the nearest edge pixel.
    DWORD GetPixel(int x, int y) const
    {
        x = x < 0 ? 0 : (x >= m_nWidth ? m_nWidth - 1 : x);
        y = y < 0 ? 0 : (y >= m_nHeight ? m_nHeight - 1 : y);
        const BYTE* p = PixelAddress(x, y);
        return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
               (static_cast<DWORD>(p[2]) << 16);
    }
    // Adds light channel by channel, saturating at 255.
    void AddPixel(int x, int y, DWORD color)
    {
        if (!IsInside(x, y))
            return;
        BYTE* p = PixelAddress(x, y);
        for (int i = 0; i < 3; ++i) {
            const unsigned v = p[i] + ((color >> (8 * i)) & 0xFF);
            p[i] = static_cast<BYTE>(v > 255 ? 255 : v);
        }
    }
    BYTE* PixelAddress(int x, int y)
    {
        return m_pBits + static_cast<ptrdiff_t>(y) * m_nStride + 3 * x;
    }
    const BYTE* PixelAddress(int x, int y) const
    {
        return m_pBits + static_cast<ptrdiff_t>(y) * m_nStride + 3 * x;
    }

    CRect FillRect(DWORD color, CRect rect);
    void Fill(DWORD color);

    // Top-down rows [t, b) to rows [height - b, height - t) counted from the bottom line;
    // nothing is clipped.
    void FlipRect(CRect& rect) const;
    int ClipRect(CRect& rect) const;

    void CopyRect(int dstX, int dstY, int width, int rows, const CDib& src, int srcX, int srcY);
    CDib* Extract(CRect rect) const;
    void Paste(const CDib& src, const CRect& rect, BOOL opaque, COLORREF key, DWORD tolerance);

    std::unique_ptr<CGlobalBlock> CopyToGlobal(CRect rect) const;
    std::unique_ptr<CGlobalBlock> CopyToGlobal() const;
    BOOL FromPackedBits(const BITMAPINFOHEADER* pHeader, const BYTE* pBits, const RGBQUAD* pColors);
    // Takes the section over (it is consumed whatever the result); FALSE for a null one.
    BOOL FromBitmapHandle(HBITMAP hBitmap);
    // Reads one of our own bitmap resources (BitmapResourcePath) through the BMP reader.
    BOOL LoadResource(UINT nResourceId);

    // Files. Load chooses the reader by the file's first bytes (BMP, JPEG, PNG; TGA, which
    // has none, by a ".tga" name), so a picture under a wrong name opens; pRecipe receives a
    // PNG's recipe text (empty for any other file). Save chooses the writer by the name's
    // extension: none or ".bmp" is BMP, ".jpg" or ".jpeg" is JPEG, ".png" is PNG; anything
    // else fails without touching the file.
    // A failed read leaves the picture as it was unless the file's own header was sound, in
    // which case the picture may come back re-created and partly filled. A failed save
    // leaves any existing file untouched: writers write beside it and link the new file in
    // at the end. A file the user may not write (IsReadOnlyFile) is never replaced.
    BOOL Load(const char* pszFileName, QString* pRecipe = nullptr);
    BOOL Save(const char* pszFileName) const;
    BOOL LoadBMP(const char* pszFileName);
    BOOL SaveBMP(const char* pszFileName) const;
    BOOL Save256ColorBMP(const char* pszFileName) const;
    BOOL LoadTGA(const char* pszFileName);
    BOOL LoadJPEG(const char* pszFileName);
    BOOL SaveJPEG(const char* pszFileName) const;
    // PNG of any depth and colour type opens as 24 bits, transparency laid over the
    // background colour setting; pRecipe, when given, receives the text chunk
    // kPngRecipeKey (empty without one) and pRecipeError why a recipe that is there could
    // not be read (empty when it was, or there is none). Saves write 8-bit RGB and, when
    // recipe is not empty, that chunk.
    BOOL LoadPNG(const char* pszFileName, QString* pRecipe = nullptr,
                 QString* pRecipeError = nullptr);
    BOOL SavePNG(const char* pszFileName, const QString& recipe = QString()) const;

    // Scales the picture with a two-pass Mitchell filter; FALSE leaves it as it was.
    BOOL Resize(int nNewWidth, int nNewHeight);

    // Paints the picture; both rectangles count rows from the top line. A null destination
    // is the picture's own size at (0, 0); a null source is the whole picture.
    BOOL Draw(QPainter* pPainter, const CRect* pDest = nullptr, const CRect* pSrc = nullptr) const;

    // Gives the picture an off-screen OpenGL context of its size (gl/GLContext.h). FALSE
    // when OpenGL is not available; the context lives until Destroy (or Create). Without
    // bDepthBuffer the framebuffer has no depth buffer (a third of its memory): for drawings
    // that never test depth, which look the same without one.
    BOOL CreateGLContext(BOOL bDepthBuffer = TRUE);
    CGLOffscreenContext* GetGLContext() const { return m_hGLRC.get(); }

    // The pixel memory, owned; m_pBits points into it (or into another picture's for a
    // view, which owns none).
    struct AlignedFree { void operator()(BYTE* p) const; };
    std::unique_ptr<BYTE[], AlignedFree> m_pixels;
    BYTE* m_pBits = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nStride = 0;
    DIBSECTION m_dibSection{};
    // The off-screen OpenGL context on these pixels, or null.
    std::unique_ptr<CGLOffscreenContext, CGLOffscreenContextDelete> m_hGLRC;
};
