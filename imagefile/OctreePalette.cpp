#include "OctreePalette.h"

#include <algorithm>
#include <new>

namespace {

struct OctreeNode
{
    bool bLeaf;
    DWORD nPixels;
    DWORD nRed, nGreen, nBlue;
    OctreeNode* pChild[8];
    OctreeNode* pNext; // the next node of its level's reducible list
};

const BYTE kLevelMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

void FreeTree(OctreeNode* pNode)
{
    if (!pNode)
        return;
    for (OctreeNode* pChild : pNode->pChild)
        FreeTree(pChild);
    delete pNode;
}

class COctree
{
public:
    COctree(UINT nMaxColors, UINT nColorBits) : m_nMaxColors(nMaxColors), m_nColorBits(nColorBits)
    {}
    ~COctree() { FreeTree(m_pRoot); }
    COctree(const COctree&) = delete;
    COctree& operator=(const COctree&) = delete;

    void Add(BYTE r, BYTE g, BYTE b)
    {
        Insert(r, g, b);
        while (m_nLeaves > m_nMaxColors && Reduce()) {
        }
    }

    void Collect(std::vector<PALETTEENTRY>& entries) const { Collect(m_pRoot, entries); }

private:
    OctreeNode* CreateNode(UINT level)
    {
        OctreeNode* pNode = new (std::nothrow) OctreeNode{};
        if (!pNode)
            return nullptr;
        if (level == m_nColorBits) {
            pNode->bLeaf = true;
            ++m_nLeaves;
        } else {
            pNode->pNext = m_pReducible[level];
            m_pReducible[level] = pNode;
        }
        return pNode;
    }

    void Insert(BYTE r, BYTE g, BYTE b)
    {
        OctreeNode** ppNode = &m_pRoot;
        for (UINT level = 0;; ++level) {
            if (!*ppNode && !(*ppNode = CreateNode(level)))
                return; // no memory: this colour is left out
            OctreeNode* pNode = *ppNode;
            if (pNode->bLeaf) {
                ++pNode->nPixels;
                pNode->nRed += r;
                pNode->nGreen += g;
                pNode->nBlue += b;
                return;
            }
            const BYTE mask = kLevelMask[level];
            const int index = ((r & mask) ? 4 : 0) | ((g & mask) ? 2 : 0) | ((b & mask) ? 1 : 0);
            ppNode = &pNode->pChild[index];
        }
    }

    // Folds the children of the most recently made node of the deepest reducible level into
    // it. False when nothing is left to fold.
    bool Reduce()
    {
        int level = static_cast<int>(m_nColorBits) - 1;
        while (level > 0 && !m_pReducible[level])
            --level;
        if (level < 0 || !m_pReducible[level])
            return false;
        OctreeNode* pNode = m_pReducible[level];
        m_pReducible[level] = pNode->pNext;
        UINT nChildren = 0;
        for (OctreeNode*& pChild : pNode->pChild) {
            if (!pChild)
                continue;
            pNode->nPixels += pChild->nPixels;
            pNode->nRed += pChild->nRed;
            pNode->nGreen += pChild->nGreen;
            pNode->nBlue += pChild->nBlue;
            FreeTree(pChild);
            pChild = nullptr;
            ++nChildren;
        }
        pNode->bLeaf = true;
        m_nLeaves = m_nLeaves - nChildren + 1;
        return true;
    }

    static void Collect(const OctreeNode* pNode, std::vector<PALETTEENTRY>& entries)
    {
        if (!pNode)
            return;
        if (pNode->bLeaf) {
            const DWORD n = pNode->nPixels ? pNode->nPixels : 1;
            entries.push_back({static_cast<BYTE>(pNode->nRed / n),
                               static_cast<BYTE>(pNode->nGreen / n),
                               static_cast<BYTE>(pNode->nBlue / n), 0});
            return;
        }
        for (const OctreeNode* pChild : pNode->pChild)
            Collect(pChild, entries);
    }

    UINT m_nMaxColors;
    UINT m_nColorBits;
    OctreeNode* m_pRoot = nullptr;
    UINT m_nLeaves = 0;
    OctreeNode* m_pReducible[9] = {};
};

// One channel of a masked pixel: (pixel AND mask) shifted down to its lowest set bit, then
// up so that its top bit lands on bit 7 (for 16-bit pixels), or left as is (32-bit).
// Channels wider than 8 bits keep their top 8.
struct MaskedChannel
{
    DWORD mask = 0;
    int shiftRight = 0;
    int shiftLeft = 0;

    MaskedChannel(DWORD m, bool widen) : mask(m)
    {
        if (!m)
            return;
        while (!((m >> shiftRight) & 1))
            ++shiftRight;
        int bits = 0;
        for (DWORD v = m; v; v &= v - 1)
            ++bits;
        if (widen && bits < 8)
            shiftLeft = 8 - bits;
        if (bits > 8) // keep the top 8 bits of a wide channel
            shiftRight += bits - 8;
    }
    BYTE operator()(DWORD pixel) const
    {
        return static_cast<BYTE>(((pixel & mask) >> shiftRight) << shiftLeft);
    }
};

}

std::unique_ptr<CLogPalette> BuildOctreePalette(const CBitmapSection& section, UINT nMaxColors,
                                                UINT nColorBits)
{
    if (nColorBits > 8 || !section.pBits)
        return nullptr;
    const BITMAPINFOHEADER& bmih = section.bmih;
    const int bitCount = bmih.biBitCount;
    if (bitCount != 16 && bitCount != 24 && bitCount != 32)
        return nullptr;
    const int width = bmih.biWidth;
    const int height = bmih.biHeight < 0 ? -bmih.biHeight : bmih.biHeight;
    if (width <= 0 || height <= 0)
        return nullptr;
    const bool bitFields = bmih.biCompression == BI_BITFIELDS;
    DWORD masks[3];
    if (bitFields) {
        std::copy(section.masks, section.masks + 3, masks);
    } else if (bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    const MaskedChannel red(masks[0], bitCount == 16), green(masks[1], bitCount == 16),
        blue(masks[2], bitCount == 16);

    COctree tree(nMaxColors, nColorBits);
    const size_t rowLength = static_cast<size_t>(DibStride(width, bitCount));
    for (int y = 0; y < height; ++y) {
        const BYTE* p = section.pBits + y * rowLength;
        for (int x = 0; x < width; ++x) {
            switch (bitCount) {
            case 16: {
                const DWORD v = p[0] | (p[1] << 8);
                tree.Add(red(v), green(v), blue(v));
                p += 2;
                break;
            }
            case 24:
                tree.Add(p[2], p[1], p[0]);
                p += 3;
                break;
            default: {
                const DWORD v = static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
                                (static_cast<DWORD>(p[2]) << 16) |
                                (static_cast<DWORD>(p[3]) << 24);
                tree.Add(red(v), green(v), blue(v));
                p += 4;
                break;
            }
            }
        }
    }
    auto pPalette = std::unique_ptr<CLogPalette>(new (std::nothrow) CLogPalette);
    if (!pPalette)
        return nullptr;
    tree.Collect(pPalette->entries);
    return pPalette;
}

CNearestPaletteIndex::CNearestPaletteIndex(const std::vector<PALETTEENTRY>& palette)
    : m_cacheKeys(1 << 16, 0), m_cacheValues(1 << 16, 0)
{
    m_sorted.reserve(palette.size());
    for (size_t i = 0; i < palette.size(); ++i)
        m_sorted.push_back({palette[i].peRed, palette[i].peGreen, palette[i].peBlue,
                            static_cast<int>(i)});
    std::sort(m_sorted.begin(), m_sorted.end(), [](const Entry& a, const Entry& b) {
        return a.r != b.r ? a.r < b.r : a.index < b.index;
    });
}

int CNearestPaletteIndex::Find(DWORD color)
{
    color &= 0xFFFFFF;
    const uint32_t slot = (color * 2654435761u) >> 16;
    if (m_cacheKeys[slot] == color + 1)
        return m_cacheValues[slot];
    const int r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    int best = -1, bestDistance = 0;
    auto consider = [&](const Entry& e) {
        const int d = (e.r - r) * (e.r - r) + (e.g - g) * (e.g - g) + (e.b - b) * (e.b - b);
        if (best < 0 || d < bestDistance || (d == bestDistance && e.index < best)) {
            best = e.index;
            bestDistance = d;
        }
    };
    // Walk outwards from the entries of the same red; once the red difference alone is
    // farther than the best so far, nothing beyond it can be nearer.
    const auto start = std::lower_bound(m_sorted.begin(), m_sorted.end(), r,
                                        [](const Entry& e, int red) { return e.r < red; });
    auto up = start;
    auto down = start;
    while (up != m_sorted.end() || down != m_sorted.begin()) {
        if (up != m_sorted.end()) {
            const int dr = up->r - r;
            if (best >= 0 && dr * dr > bestDistance)
                up = m_sorted.end();
            else
                consider(*up++);
        }
        if (down != m_sorted.begin()) {
            const int dr = r - (down - 1)->r;
            if (best >= 0 && dr * dr > bestDistance)
                down = m_sorted.begin();
            else
                consider(*--down);
        }
    }
    if (best < 0)
        best = 0;
    m_cacheKeys[slot] = color + 1;
    m_cacheValues[slot] = static_cast<uint16_t>(best);
    return best;
}
