// Helpers shared by the file readers and writers.
#pragma once

#include "document/Dib.h"

#include <QString>

#include <cstddef>
#include <vector>

enum class EImageFileType { Bmp, Jpeg, Tga, Unknown };

// The type named by a file name's extension: the text from the last "." of the whole path,
// any case. No "." at all means BMP; a "." in a folder name of a file without extension
// gives Unknown.
EImageFileType ImageFileTypeFromName(const char* pszFileName);

// Where our bitmap resource of the given id lives in the compiled-in resources:
// ":/res/bitmap/<id>.bmp".
QString BitmapResourcePath(UINT nResourceId);

// Reads a whole file into memory; false when it cannot be opened or read, or is larger
// than nMaxBytes.
bool ReadWholeFile(const QString& path, std::vector<BYTE>& data, size_t nMaxBytes);

// Parses a BMP file held in memory into a section, which takes the bytes over; null when the
// file is not one we read or is damaged. Run-length rows are expanded; every other depth
// stays as stored.
HBITMAP ReadBmpSection(std::vector<BYTE>&& file);
