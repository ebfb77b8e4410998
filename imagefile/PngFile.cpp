// PNG through libpng, a row at a time both ways: a save converts no copy of the picture and
// holds no file in memory, a load decodes straight into the new picture's rows. Every depth
// and colour type a PNG may have opens as our 24 bits; pictures save as 8-bit RGB (8-bit
// grey when every pixel is grey) with an optional text chunk.
//
// libpng reports errors by longjmp to the frame that called setjmp: the functions that do
// so below hold no object with a destructor, and whatever must be freed lives in their
// callers.
#include "ImageFile.h"
#include "PictureSize.h"
#include "PngRows.h"
#include "SafeFile.h"

#include "document/Settings.h"
#include "document/Dib.h"

#include <png.h>
#include <zlib.h>

#include <QByteArray>
#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The compression, chosen from measured 4096 x 4096 saves against ImageMagick's defaults
// (bench/ImageFileBench.cpp: BM_PngCompression, BM_ImageMagickPng4096). On a scene and on
// a smooth sky zlib level 3 with the "up" filter stays within 7 % of ImageMagick's size in
// a quarter of its time or less; levels 1 and 2 are faster but up to 15 % larger, level 6
// and adaptive filtering cost two to four times the time for a few percent. Grey star
// fields shrink most by run-length coding over adaptive filters, below ImageMagick's size.
constexpr int kColourLevel = 3;
constexpr int kColourFilters = PNG_FILTER_UP;
constexpr int kColourStrategy = Z_DEFAULT_STRATEGY;
constexpr int kGreyLevel = 1;
constexpr int kGreyFilters = PNG_ALL_FILTERS;
constexpr int kGreyStrategy = Z_RLE;
// zlib's output goes to the file in pieces of this size.
constexpr size_t kCompressionBufferBytes = size_t(128) << 10;
// Text and other chunks besides the picture's own data may take this much (the
// picture's rows are bounded by the size check).
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(64) << 20;

void OnPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Alpha over the background, channel by channel, rounded.
inline BYTE Over(int channel, int background, int alpha)
{
    return static_cast<BYTE>((channel * alpha + background * (255 - alpha) + 127) / 255);
}

// libpng's read structures for one load.
class CPngReadStruct
{
public:
    CPngReadStruct()
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
    }
    ~CPngReadStruct() { png_destroy_read_struct(&m_png, &m_info, nullptr); }
    CPngReadStruct(const CPngReadStruct&) = delete;
    CPngReadStruct& operator=(const CPngReadStruct&) = delete;

    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// What a load fills in, kept outside the frame that libpng may jump back to.
struct CPngLoad
{
    CDib dib;
    std::vector<BYTE> rows; // decoded rows with alpha, before they are laid over the background
};

// Lays a top-down row of blue, green, red and alpha over the background colour into the
// picture's row.
void OverBackground(const BYTE* pIn, BYTE* pOut, int width)
{
    const int bgRed = GetRValue(g_crBkgndColor), bgGreen = GetGValue(g_crBkgndColor),
              bgBlue = GetBValue(g_crBkgndColor);
    for (int x = 0; x < width; ++x, pIn += 4, pOut += 3) {
        pOut[0] = Over(pIn[0], bgBlue, pIn[3]);
        pOut[1] = Over(pIn[1], bgGreen, pIn[3]);
        pOut[2] = Over(pIn[2], bgRed, pIn[3]);
    }
}

// Reads the file into load.dib. Returns false for anything libpng refuses and for a size
// past the picture limit, which is checked from the header before anything is decoded.
bool ReadPng(std::FILE* pFile, png_structp png, png_infop info, CPngLoad& load)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, pFile);
    png_set_user_limits(png, kMaxDibDimension, kMaxDibDimension);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!DibSizeAllowed(width, height))
        return false;
    // Palette and low-depth grey to 8 bits, transparency to alpha, 16 bits rounded to 8,
    // grey to three channels, in our byte order.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    if ((channels != 3 && channels != 4) || png_get_bit_depth(png, info) != 8 ||
        !load.dib.Create(static_cast<int>(width), static_cast<int>(height)))
        return false;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (channels == 3) {
        // Straight into the picture's rows, top-down into our bottom-up rows; the passes
        // of an interlaced file fill them in place.
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < h; ++y)
                png_read_row(png, load.dib.PixelAddress(0, h - 1 - y), nullptr);
    } else {
        // Alpha needs rows of four channels: one row, or all of them when interlaced.
        const size_t rowBytes = size_t(w) * 4;
        load.rows.resize(passes > 1 ? rowBytes * size_t(h) : rowBytes);
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < h; ++y) {
                BYTE* pRow = load.rows.data() + (passes > 1 ? rowBytes * size_t(y) : 0);
                png_read_row(png, pRow, nullptr);
                if (pass == passes - 1)
                    OverBackground(pRow, load.dib.PixelAddress(0, h - 1 - y), w);
            }
    }
    // Text chunks may follow the picture's data.
    png_read_end(png, info);
    return true;
}

// The recipe text chunk, or an empty text.
QString RecipeText(png_structp png, png_infop info)
{
    png_textp pText = nullptr;
    int nText = 0;
    png_get_text(png, info, &pText, &nText);
    for (int i = 0; i < nText; ++i) {
        if (std::strcmp(pText[i].key, kPngRecipeKey) != 0)
            continue;
        // International text is UTF-8; plain and compressed text is Latin-1.
        if (pText[i].compression >= PNG_ITXT_COMPRESSION_NONE)
            return QString::fromUtf8(pText[i].text, static_cast<qsizetype>(pText[i].itxt_length));
        return QString::fromLatin1(pText[i].text, static_cast<qsizetype>(pText[i].text_length));
    }
    return QString();
}

// libpng's write structures for one save.
class CPngWriteStruct
{
public:
    CPngWriteStruct()
    {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
    }
    ~CPngWriteStruct() { png_destroy_write_struct(&m_png, &m_info); }
    CPngWriteStruct(const CPngWriteStruct&) = delete;
    CPngWriteStruct& operator=(const CPngWriteStruct&) = delete;

    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

void WriteToFile(png_structp png, png_bytep pData, size_t nBytes)
{
    if (!static_cast<CSafeFileWriter*>(png_get_io_ptr(png))->Write(pData, nBytes))
        png_error(png, "write failed");
}

void FlushNothing(png_structp) {}

// Whether every pixel has equal red, green and blue: such a picture saves as grey, a third
// of the data, and opens again as the same pixels.
bool IsGrey(const CDib& dib)
{
    for (int y = 0; y < dib.m_nHeight; ++y) {
        const BYTE* p = dib.PixelAddress(0, y);
        for (int x = 0; x < dib.m_nWidth; ++x, p += 3)
            if (p[0] != p[1] || p[1] != p[2])
                return false;
    }
    return true;
}

// Writes the picture row by row through file; pGreyRow, when not null, has room for a row
// of grey bytes and makes the file grey. pRecipe (UTF-8) may be null.
bool WritePng(const CDib& dib, CSafeFileWriter& file, png_structp png, png_infop info,
              BYTE* pGreyRow, const char* pRecipe)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &file, WriteToFile, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(dib.m_nWidth),
                 static_cast<png_uint_32>(dib.m_nHeight), 8,
                 pGreyRow ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, pGreyRow ? kGreyLevel : kColourLevel);
    png_set_compression_strategy(png, pGreyRow ? kGreyStrategy : kColourStrategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, pGreyRow ? kGreyFilters : kColourFilters);
    png_set_compression_buffer_size(png, kCompressionBufferBytes);
    if (pRecipe) {
        png_text text = {};
        text.compression = PNG_ITXT_COMPRESSION_zTXt;
        text.key = const_cast<char*>(kPngRecipeKey);
        text.text = const_cast<char*>(pRecipe);
        text.itxt_length = std::strlen(pRecipe);
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    WritePngRows(png, dib, pGreyRow);
    return true;
}

}

void WritePngRows(png_structp png, const CDib& dib, BYTE* pGreyRow)
{
    png_set_bgr(png);
    for (int y = dib.m_nHeight - 1; y >= 0; --y) {
        const BYTE* pRow = dib.PixelAddress(0, y);
        if (pGreyRow) {
            for (int x = 0; x < dib.m_nWidth; ++x)
                pGreyRow[x] = pRow[3 * x];
            pRow = pGreyRow;
        }
        png_write_row(png, pRow);
    }
    png_write_end(png, nullptr);
}

const char* const kPngRecipeKey = "Skyloom recipe";

BOOL CDib::LoadPNG(const char* pszFileName, QString* pRecipe)
{
    SetImageReadError(QString());
    const CFilePtr file = OpenRegularFile(pszFileName);
    if (!file)
        return FALSE;
    // A chunk that states more bytes than the file holds would have libpng allocate them
    // before it finds the file short: refuse it first.
    {
        QFile device;
        if (!device.open(file.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) ||
            !PngChunksWithinFile(device))
            return FALSE;
    }
    std::rewind(file.get());
    CPngReadStruct png;
    if (!png.m_info)
        return FALSE;
    CPngLoad load;
    if (!ReadPng(file.get(), png.m_png, png.m_info, load))
        return FALSE;
    if (pRecipe)
        *pRecipe = RecipeText(png.m_png, png.m_info);
    Swap(load.dib);
    return TRUE;
}

BOOL CDib::SavePNG(const char* pszFileName, const QString& recipe) const
{
    if (!m_pBits)
        return FALSE;
    CSafeFileWriter file(pszFileName);
    if (!file.IsOpen())
        return FALSE;
    CPngWriteStruct png;
    if (!png.m_info)
        return FALSE;
    std::vector<BYTE> greyRow;
    if (IsGrey(*this))
        greyRow.resize(static_cast<size_t>(m_nWidth));
    const QByteArray text = recipe.toUtf8();
    return WritePng(*this, file, png.m_png, png.m_info, greyRow.empty() ? nullptr : greyRow.data(),
                    recipe.isEmpty() ? nullptr : text.constData()) &&
           file.Commit();
}
