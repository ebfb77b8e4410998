// Helpers shared by the file readers and writers.
#pragma once

#include "document/Dib.h"

#include <QString>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

enum class EImageFileType { Bmp, Jpeg, Tga, Png, Unknown };

// The type named by a file name's extension: the text from the last "." of the whole path,
// any case (".jpg" and ".jpeg" are both JPEG). No "." at all means BMP; a "." in a folder
// name of a file without extension gives Unknown.
EImageFileType ImageFileTypeFromName(const char* pszFileName);

// The type a file's first bytes show: "BM" is BMP, FF D8 is JPEG, the eight-byte PNG
// signature is PNG. TGA has no signature: Unknown for it and for anything else.
EImageFileType ImageFileTypeFromSignature(const BYTE* pData, size_t nBytes);

// The reader for a file (or a compiled-in resource): its signature decides, so a picture
// under a wrong name still opens; TGA only when no signature matches and the name says
// ".tga". Unknown when nothing fits or the file cannot be read.
EImageFileType ImageFileTypeOfFile(const char* pszFileName);

// Where our bitmap resource of the given id lives in the compiled-in resources:
// ":/res/bitmap/<id>.bmp".
QString BitmapResourcePath(UINT nResourceId);

struct CFileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using CFilePtr = std::unique_ptr<std::FILE, CFileCloser>;

// Opens a file for reading in binary, but only a regular file: a FIFO would block the
// reader for ever and a device may never end. Null for anything else or when it cannot be
// opened. The name is used as the bytes given.
CFilePtr OpenRegularFile(const char* pszFileName);

// True when the name is free or names a regular file (directly or through links): what a
// save may replace by renaming a new file over it. A device, FIFO, socket or folder must
// never be replaced by a plain file.
bool IsRegularFileOrFree(const char* pszFileName);

// True when a file exists there (directly or through links) that the user may not write:
// the system says so, or no write permission bit is set at all (root may write anything,
// but a file made read-only is not to be replaced behind its owner's back).
bool IsReadOnlyFile(const char* pszFileName);

// Whether a name is one of the program's compiled-in resources: ":/..." as Qt has them.
// CDib::Load reads BMP and JPEG resources as it reads files.
inline bool IsResourceName(const char* pszFileName)
{
    return pszFileName && pszFileName[0] == ':' && pszFileName[1] == '/';
}
// Our resources are small pictures; this bounds what reading one may take.
constexpr size_t kMaxResourceBytes = size_t(64) << 20;

// Reads a whole regular file (or a compiled-in resource, ":/...") into memory; false when
// it is not one, cannot be read, or is larger than nMaxBytes.
bool ReadWholeFile(const char* pszFileName, std::vector<BYTE>& data, size_t nMaxBytes);
bool ReadWholeFile(const QString& resourcePath, std::vector<BYTE>& data, size_t nMaxBytes);

// Why the last read of a picture on this thread failed, as the readers say it ("its pixel
// data stops after 10 of 300 bytes"); empty when a reader had nothing more to say than that
// it failed. CDib::Load clears it first.
QString ImageReadError();
void SetImageReadError(const QString& why);
// The reason to show after "cannot read NAME: ": the reader's own, or a general one.
QString ImageReadFailure();

// Why the last save on this thread failed, in words for "cannot write NAME: ": the
// system's reason (the disk is full, the file system is read-only, ...). Empty before any
// failure.
QString ImageWriteError();
void SetImageWriteError(const QString& why);
// The reason to show after "cannot write NAME: ": the writer's own, or a general one.
QString ImageWriteFailure();

// Parses a BMP file held in memory into a section, which takes the bytes over; null (with
// the reason in ImageReadError) when the file is not one we read or is damaged. Run-length rows are
// expanded; every other depth stays as stored.
HBITMAP ReadBmpSection(std::vector<BYTE>&& file);
