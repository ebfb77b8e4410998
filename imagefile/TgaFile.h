// Truevision TGA files: true-colour pictures, uncompressed or run-length, 24 or 32 bits.
#pragma once

#include "document/WinTypes.h"

#include <QStringList>

#include <cstdio>
#include <memory>

struct TgaInfo
{
    // The 18-byte header.
    BYTE idLength = 0;
    BYTE colorMapType = 0;
    BYTE imageType = 0; // 2 uncompressed, 10 run-length true colour
    WORD colorMapFirst = 0;
    WORD colorMapLength = 0;
    BYTE colorMapEntrySize = 0; // bits
    WORD xOrigin = 0, yOrigin = 0;
    WORD width = 0, height = 0;
    BYTE pixelDepth = 0;
    BYTE imageDescriptor = 0; // bit 5: the first row in the file is the top one
    char imageId[256] = {};
    long pixelDataOffset = 0;

    // The footer of a TGA 2.0 file; both offsets 0 for a TGA 1.0 file.
    DWORD extensionOffset = 0;
    DWORD developerOffset = 0;
    char signature[18] = {};

    // The extension area. Text fields keep the format's terminating zero.
    WORD extensionSize = 0;
    char authorName[41] = {};
    char authorComments[4][81] = {};
    WORD dateTime[6] = {};
    char jobName[41] = {};
    WORD jobTime[3] = {};
    char softwareId[41] = {};
    WORD softwareVersion = 0;
    BYTE softwareLetter = 0;
    DWORD keyColor = 0;
    WORD pixelAspect[2] = {};
    WORD gamma[2] = {};
    DWORD colorCorrectionOffset = 0;
    DWORD postageStampOffset = 0;
    DWORD scanLineOffset = 0;
    BYTE attributesType = 0;

    // Tables reached from the extension area; freed before ReadTgaInfo returns.
    std::unique_ptr<WORD[]> pColorCorrection; // 256 x alpha, red, green, blue
    BYTE stampWidth = 0, stampHeight = 0;
    std::unique_ptr<DWORD[]> pScanLines; // one offset per line
    WORD developerTags = 0;

    // What the header reading found amiss, one note each ("the file should be 30 bytes
    // long"); a read that then fails gives them with its reason.
    QStringList notes;
};

// Run-length decoding state: what is left of the packet last read.
struct TgaRleState
{
    int runLeft = 0;
    BYTE runPixel[4] = {};
    int rawLeft = 0; // pixels
    int rawPos = 0;  // bytes into rawPixels
    BYTE rawPixels[128 * 4] = {};
};

// Reads the header, footer and extension area, printing what is amiss to standard output.
// False only when the file cannot be opened or its size found.
BOOL ReadTgaInfo(const char* pszFileName, TgaInfo& info);

// Reads the rows in file order into picture rows 0, 1, 2, ... from pOut, skipping nRowSkip
// bytes after each row; the alpha byte of 32-bit pixels is dropped.
BOOL ReadTgaPixels(const char* pszFileName, const TgaInfo& info, BYTE* pOut, int nRowSkip);

// Fills nBytes of output with run-length pixels of nPixelBytes each; packets may run on
// into the next call. 0, or -1 when the file ends inside a packet.
int DecodeTgaRle(BYTE* pOut, int nBytes, int nPixelBytes, std::FILE* file, TgaRleState& state);
