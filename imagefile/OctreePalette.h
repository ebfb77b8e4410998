// Colour reduction: an octree palette of a section and the nearest entry of a palette.
#pragma once

#include "document/Dib.h"

#include <cstdint>
#include <memory>
#include <vector>

struct PALETTEENTRY
{
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// A logical palette as the system keeps one.
struct CLogPalette
{
    WORD palVersion = 0x300;
    std::vector<PALETTEENTRY> entries;
};

// Reduces the colours of a 16-, 24- or 32-bit section to at most nMaxColors entries by
// octree quantisation with nColorBits bits of each channel (at most 8). Entries come in
// depth-first order of the tree, each the average of the pixels its leaf gathered. Null for
// another depth, more than 8 colour bits or no memory.
std::unique_ptr<CLogPalette> BuildOctreePalette(const CBitmapSection& section, UINT nMaxColors,
                                                UINT nColorBits);

// Finds the palette entry nearest to a colour: smallest Euclidean distance in red, green and
// blue, the lowest index winning ties. Remembers recent answers, so pictures with few
// colours cost little.
class CNearestPaletteIndex
{
public:
    explicit CNearestPaletteIndex(const std::vector<PALETTEENTRY>& palette);
    // Colour as packed 0x00RRGGBB.
    int Find(DWORD color);

private:
    struct Entry
    {
        int r, g, b, index;
    };
    std::vector<Entry> m_sorted; // by red, then index
    std::vector<uint32_t> m_cacheKeys; // colour + 1; 0 is empty
    std::vector<uint16_t> m_cacheValues;
};
