// JPEG glue: the library decodes into and encodes from the picture's own rows, in the
// picture's blue-green-red byte order, so nothing is copied or swapped on the way.
#include "ImageFile.h"
#include "SafeFile.h"

#include "document/Dib.h"

#include <QFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr int kJpegQuality = 85;
constexpr int kRowsPerCall = 16;
constexpr size_t kOutputBufferBytes = 64 * 1024;
// Hostile files must not cost gigabytes or minutes. A multi-scan (progressive) file keeps
// every coefficient of the picture, about 3 bytes a pixel (6 without colour subsampling):
// 512 MiB opens such files up to about 13000 x 13000 pixels (9000 x 9000). Real files have
// a handful of scans; a file with hundreds is an attack on our time.
constexpr long kMaxLibraryMemory = 512L << 20;
constexpr int kMaxScans = 500;

// The library's standard error manager with a way back to the caller: errors jump to the
// recovery point instead of ending the process; warnings keep the standard handling.
struct JumpErrorManager
{
    jpeg_error_mgr pub;
    jmp_buf recovery;
    char szMessage[JMSG_LENGTH_MAX]; // the library's reason, when it gave one
};

[[noreturn]] void JumpErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JumpErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->szMessage);
    longjmp(err->recovery, 1);
}

void LimitScans(j_common_ptr cinfo)
{
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<JumpErrorManager*>(cinfo->err);
        std::snprintf(err->szMessage, sizeof err->szMessage,
                      "it has more than %d scans, more than any real picture", kMaxScans);
        longjmp(err->recovery, 1);
    }
}

// Functions that call setjmp hold no C++ objects with destructors: a jump must not skip one.
// The pictures and files they fill are owned by their callers.

// Why a decode failed goes to why (a plain character array: a jump skips no destructor).
bool DecodeJpeg(FILE* file, CDib* pDib, char (&why)[JMSG_LENGTH_MAX + 32])
{
    jpeg_decompress_struct cinfo;
    JumpErrorManager jerr;
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = JumpErrorExit;
    jerr.szMessage[0] = 0;
    if (setjmp(jerr.recovery)) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(why, sizeof why, "it is damaged (libjpeg: %s)", jerr.szMessage);
        return false;
    }
    jpeg_progress_mgr progress{};
    progress.progress_monitor = LimitScans;
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    cinfo.progress = &progress;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if (!DibSizeAllowed(cinfo.image_width, cinfo.image_height)) {
        std::snprintf(why, sizeof why, "its size of %u x %u pixels is no picture size we open",
                      cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Colour files decode to RGB and grayscale ones to gray by default; both come out as
    // blue-green-red here (gray in all three). Anything else (CMYK) is refused.
    if (cinfo.out_color_space != JCS_RGB && cinfo.out_color_space != JCS_GRAYSCALE) {
        std::snprintf(why, sizeof why, "its colours are CMYK or YCCK, which Skyloom does not read");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3 || !pDib->Create(static_cast<int>(cinfo.output_width),
                                                      static_cast<int>(cinfo.output_height))) {
        std::snprintf(why, sizeof why,
                      cinfo.output_components != 3
                          ? "it is of a kind of JPEG Skyloom does not read"
                          : "there is not enough memory for its %u x %u pixels",
                      cinfo.output_width, cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // The file's first line is the picture's top line, the last row of the bottom-up rows.
    JSAMPROW rows[kRowsPerCall];
    const int height = pDib->m_nHeight;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int first = static_cast<int>(cinfo.output_scanline);
        const int count = std::min(kRowsPerCall, height - first);
        for (int i = 0; i < count; ++i)
            rows[i] = pDib->PixelAddress(0, height - 1 - first - i);
        jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// A destination that writes through the safe writer in large blocks.
struct SafeDestination
{
    jpeg_destination_mgr pub;
    CSafeFileWriter* pFile;
    JOCTET* pBuffer;
};

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<SafeDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->pBuffer;
    dest->pub.free_in_buffer = kOutputBufferBytes;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<SafeDestination*>(cinfo->dest);
    if (!dest->pFile->Write(dest->pBuffer, kOutputBufferBytes))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->pBuffer;
    dest->pub.free_in_buffer = kOutputBufferBytes;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<SafeDestination*>(cinfo->dest);
    const size_t used = kOutputBufferBytes - dest->pub.free_in_buffer;
    if (used > 0 && !dest->pFile->Write(dest->pBuffer, used))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

bool EncodeJpeg(const CDib* pDib, SafeDestination* pDest)
{
    jpeg_compress_struct cinfo;
    JumpErrorManager jerr;
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = JumpErrorExit;
    if (setjmp(jerr.recovery)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    pDest->pub.init_destination = InitDestination;
    pDest->pub.empty_output_buffer = EmptyOutputBuffer;
    pDest->pub.term_destination = TermDestination;
    cinfo.dest = &pDest->pub;
    cinfo.image_width = static_cast<JDIMENSION>(pDib->m_nWidth);
    cinfo.image_height = static_cast<JDIMENSION>(pDib->m_nHeight);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kJpegQuality, TRUE); // baseline-compatible tables
    jpeg_start_compress(&cinfo, TRUE);
    // Top line first: the picture's rows run bottom-up. The library only reads the rows.
    JSAMPROW rows[kRowsPerCall];
    const int height = pDib->m_nHeight;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int first = static_cast<int>(cinfo.next_scanline);
        const int count = std::min(kRowsPerCall, height - first);
        for (int i = 0; i < count; ++i)
            rows[i] = const_cast<BYTE*>(pDib->PixelAddress(0, height - 1 - first - i));
        jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}

BOOL CDib::LoadJPEG(const char* pszFileName)
{
    SetImageReadError(QString());
    if (!pszFileName)
        return FALSE;
    // A compiled-in resource is decoded from memory; the bytes outlive the stream on them.
    std::vector<BYTE> resource;
    CFilePtr file;
    if (IsResourceName(pszFileName)) {
        if (!ReadWholeFile(QString::fromUtf8(pszFileName), resource, kMaxResourceBytes) ||
            resource.empty())
            return FALSE;
        file.reset(fmemopen(resource.data(), resource.size(), "rb"));
    } else {
        file = OpenRegularFile(pszFileName);
    }
    if (!file) {
        SetImageReadError(QStringLiteral("it is missing, unreadable or not a regular file"));
        return FALSE;
    }
    CDib dib;
    char why[JMSG_LENGTH_MAX + 32] = {};
    if (!DecodeJpeg(file.get(), &dib, why)) {
        SetImageReadError(QString::fromLocal8Bit(why));
        return FALSE;
    }
    Swap(dib);
    return TRUE;
}

BOOL CDib::SaveJPEG(const char* pszFileName) const
{
    if (!m_pBits)
        return FALSE;
    CSafeFileWriter file(pszFileName);
    if (!file.IsOpen())
        return FALSE;
    std::vector<JOCTET> buffer(kOutputBufferBytes);
    SafeDestination dest{};
    dest.pFile = &file;
    dest.pBuffer = buffer.data();
    if (!EncodeJpeg(this, &dest))
        return FALSE; // the writer removes the partial file
    return file.Commit();
}
