// A walk over a PNG file's chunks before libpng decodes it: what the file can hold is known
// before anything is allocated for it, and the recipe is read here, within its own bound, so
// that libpng can leave every text chunk unread.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

class QIODevice;

// A recipe that inflates past this is refused, whatever the file holds besides.
constexpr int64_t kMaxPngRecipeBytes = int64_t(16) << 20;

struct CPngChunkScan
{
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool bInterlaced = false;
    // The bytes of every image data chunk together.
    int64_t nDataBytes = 0;
    // The first recipe text chunk: found, and its text when it could be read (UTF-8 for an
    // international text chunk, Latin-1 otherwise).
    bool bHasRecipe = false;
    bool bRecipeUtf8 = false;
    QByteArray recipe;
    // Why a recipe that is there could not be read; empty when it was, or there is none.
    QString recipeError;
};

// Walks the chunks from the device's start to the end chunk or the file's end, and leaves
// the device at its start. False, with why, when a chunk states more bytes than the file
// holds, the header chunk is missing, or the image data is too short to hold the rows the
// header states (deflate inflates no byte to more than 1032).
bool ScanPngChunks(QIODevice& device, CPngChunkScan& scan, QString& why);

// Whether the chunk that holds the byte at offset (counted from the file's start) has the
// checksum its bytes give. Leaves the device at its start.
bool PngChunkChecksumHolds(QIODevice& device, int64_t offset);
