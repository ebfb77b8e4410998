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
#include "PngChunks.h"
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
// No chunk that libpng reads for us needs more (a palette, a transparency table); text
// chunks are left to the chunk walk and the rows are bounded by the size check.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(1) << 20;

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
    std::FILE* pFile = nullptr;
    int64_t nRead = 0;  // bytes of the file read so far
    bool bRows = false; // libpng is reading the rows
    bool bInterlaced = false;
    png_uint_32 nHeight = 0;
    // Every row is decoded and libpng asked for more: whatever follows (compressed data
    // past the last row, a checksum) is left unread.
    bool bStopped = false;
    QString why; // libpng's own message, when it refused the file
    CDib dib;
    std::vector<BYTE> row; // a row of a pass with alpha, before it is laid over the background
    // Where that row goes: its first pixel, its pixels and the step between them.
    struct
    {
        BYTE* pOut;
        int count;
        int step;
    } pendingRow = {};
};

// The message a read past the file's end gives.
constexpr char kFileEnds[] = "the file ends early";

void OnPngReadError(png_structp png, png_const_charp szMessage)
{
    static_cast<CPngLoad*>(png_get_error_ptr(png))->why = QString::fromLatin1(szMessage);
    png_longjmp(png, 1);
}

void ReadFromFile(png_structp png, png_bytep pData, size_t nBytes)
{
    auto& load = *static_cast<CPngLoad*>(png_get_io_ptr(png));
    // After the last row of the last pass libpng would inflate whatever data is left, to the
    // end of a stream of any length: the picture is whole, so reading stops here.
    if (load.bRows && (load.bInterlaced ? png_get_current_pass_number(png) >= 7
                                        : png_get_current_row_number(png) >= load.nHeight)) {
        load.bStopped = true;
        png_longjmp(png, 1);
    }
    if (std::fread(pData, 1, nBytes, load.pFile) != nBytes)
        png_error(png, kFileEnds);
    load.nRead += int64_t(nBytes);
}

// Lays count pixels of blue, green, red and alpha over the background colour into the
// picture's row, every step-th pixel from pOut on.
void OverBackground(const BYTE* pIn, BYTE* pOut, int count, int step)
{
    const int bgRed = GetRValue(g_crBkgndColor), bgGreen = GetGValue(g_crBkgndColor),
              bgBlue = GetBValue(g_crBkgndColor);
    for (int i = 0; i < count; ++i, pIn += 4, pOut += 3 * step) {
        pOut[0] = Over(pIn[0], bgBlue, pIn[3]);
        pOut[1] = Over(pIn[1], bgGreen, pIn[3]);
        pOut[2] = Over(pIn[2], bgRed, pIn[3]);
    }
}

void LayPendingRow(CPngLoad& load)
{
    if (load.pendingRow.pOut)
        OverBackground(load.row.data(), load.pendingRow.pOut, load.pendingRow.count,
                       load.pendingRow.step);
    load.pendingRow = {};
}

// Rows with alpha, one row of one pass at a time, each pixel laid over the background where
// it belongs: no buffer larger than a row however the file is interlaced.
void ReadRowsWithAlpha(png_structp png, CPngLoad& load, bool bInterlaced)
{
    CDib& dib = load.dib;
    const int w = dib.m_nWidth, h = dib.m_nHeight;
    load.row.resize(size_t(w) * 4);
    for (int pass = 0; pass < (bInterlaced ? 7 : 1); ++pass) {
        const int cols = bInterlaced ? int(PNG_PASS_COLS(png_uint_32(w), pass)) : w;
        const int rows = bInterlaced ? int(PNG_PASS_ROWS(png_uint_32(h), pass)) : h;
        if (cols == 0 || rows == 0)
            continue; // libpng skips an empty pass
        const int x0 = bInterlaced ? int(PNG_PASS_START_COL(pass)) : 0;
        const int y0 = bInterlaced ? int(PNG_PASS_START_ROW(pass)) : 0;
        const int dx = bInterlaced ? 1 << PNG_PASS_COL_SHIFT(pass) : 1;
        const int dy = bInterlaced ? 1 << PNG_PASS_ROW_SHIFT(pass) : 1;
        for (int r = 0; r < rows; ++r) {
            // Kept for the last row, which ReadPng lays down when libpng stops after it.
            load.pendingRow = {dib.PixelAddress(x0, h - 1 - (y0 + r * dy)), cols, dx};
            png_read_row(png, load.row.data(), nullptr);
            LayPendingRow(load);
        }
    }
}

// Reads the file into load.dib. Returns false for anything libpng refuses (its message in
// load.why) and for a size past the picture limit, which is checked from the header before
// anything is decoded.
bool ReadPng(png_structp png, png_infop info, CPngLoad& load)
{
    if (setjmp(png_jmpbuf(png))) {
        if (!load.bStopped)
            return false;
        LayPendingRow(load);
        return true;
    }
    png_set_read_fn(png, &load, ReadFromFile);
    png_set_user_limits(png, kMaxDibDimension, kMaxDibDimension);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Only the chunks a picture needs: every text and other ancillary chunk is skipped
    // unread (the recipe is read by the chunk walk) and none is kept.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_cache_max(png, 1);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!DibSizeAllowed(width, height))
        return false;
    const bool bAlpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
                        png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool bInterlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    // Palette and low-depth grey to 8 bits, transparency to alpha, 16 bits rounded to 8,
    // grey to three channels, in our byte order.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    // Without alpha the passes of an interlaced file fill the picture's rows in place;
    // with it each pass comes as its own small rows.
    const int passes = bAlpha ? 1 : png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    if (channels != (bAlpha ? 4 : 3) || png_get_bit_depth(png, info) != 8 ||
        !load.dib.Create(static_cast<int>(width), static_cast<int>(height)))
        return false;
    load.bInterlaced = bInterlaced;
    load.nHeight = height;
    load.bRows = true;
    const int h = static_cast<int>(height);
    if (bAlpha) {
        ReadRowsWithAlpha(png, load, bInterlaced);
    } else {
        // Straight into the picture's rows, top-down into our bottom-up rows.
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < h; ++y)
                png_read_row(png, load.dib.PixelAddress(0, h - 1 - y), nullptr);
    }
    // Whatever follows the last row is not needed: text is the chunk walk's.
    return true;
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
        // libpng copies the language fields of an international text as it does the text:
        // they must be strings, empty ones when there is nothing to say.
        text.lang = const_cast<char*>("");
        text.lang_key = const_cast<char*>("");
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

namespace {

// Why libpng, or the checks around it, refused the file.
QString PngReadFailure(const CPngLoad& load, const CPngChunkScan& scan)
{
    if (load.why.isEmpty())
        return load.dib.m_pBits || scan.width == 0
                   ? QStringLiteral("it is of a kind of PNG Skyloom does not read")
                   : QStringLiteral("there is not enough memory for its %1 x %2 pixels")
                         .arg(scan.width)
                         .arg(scan.height);
    if (load.why == QLatin1String(kFileEnds))
        return QStringLiteral("its data stops early");
    if (load.why == QLatin1String("Not a PNG file"))
        return QStringLiteral("it is not a PNG file (it does not begin with the PNG signature)");
    return QStringLiteral("it is damaged (libpng: %1)").arg(load.why);
}

}

BOOL CDib::LoadPNG(const char* pszFileName, QString* pRecipe, QString* pRecipeError)
{
    SetImageReadError(QString());
    const CFilePtr file = OpenRegularFile(pszFileName);
    if (!file) {
        SetImageReadError(QStringLiteral("it is missing, unreadable or not a regular file"));
        return FALSE;
    }
    // The chunks are walked first: what the file cannot hold is refused before anything is
    // allocated for it, and the recipe is read within its own bound.
    QFile device;
    CPngChunkScan scan;
    QString why;
    if (!device.open(file.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return FALSE;
    if (!ScanPngChunks(device, scan, why)) {
        SetImageReadError(why);
        return FALSE;
    }
    std::rewind(file.get());
    CPngReadStruct png;
    if (!png.m_info)
        return FALSE;
    CPngLoad load;
    load.pFile = file.get();
    png_set_error_fn(png.m_png, &load, OnPngReadError, OnPngWarning);
    if (!ReadPng(png.m_png, png.m_info, load)) {
        SetImageReadError(PngReadFailure(load, scan));
        return FALSE;
    }
    // Stopped after the last row, libpng did not finish the checksum of the chunk it was in.
    if (load.bStopped && !PngChunkChecksumHolds(device, load.nRead)) {
        SetImageReadError(QStringLiteral("it is damaged (its picture data's checksum is wrong)"));
        return FALSE;
    }
    if (pRecipe)
        *pRecipe = scan.bRecipeUtf8 ? QString::fromUtf8(scan.recipe)
                                    : QString::fromLatin1(scan.recipe);
    if (pRecipeError)
        *pRecipeError = scan.recipeError;
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
