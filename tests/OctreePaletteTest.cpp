#include "imagefile/OctreePalette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

// A borrowed 24-bit section of a picture.
CBitmapSection SectionOf(const CDib& dib)
{
    CBitmapSection s;
    s.bmih = dib.m_dibSection.dsBmih;
    s.pBits = dib.m_pBits;
    return s;
}

DWORD Packed(const PALETTEENTRY& e)
{
    return (DWORD(e.peRed) << 16) | (DWORD(e.peGreen) << 8) | e.peBlue;
}

// The path of a colour down the tree: at each level red, green and blue bits of that level.
DWORD OctreeKey(DWORD c)
{
    DWORD key = 0;
    for (int bit = 7; bit >= 0; --bit)
        key = (key << 3) | (((c >> (16 + bit)) & 1) << 2) | (((c >> (8 + bit)) & 1) << 1) |
              ((c >> bit) & 1);
    return key;
}

}

TEST(OctreePalette, FewColoursComeOutExactlyInTreeOrder)
{
    const DWORD colours[10] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFEDCBA,
                               0x808080, 0x7F7F7F, 0x000000, 0xFFFFFF, 0x010203};
    CDib dib;
    ASSERT_TRUE(dib.Create(7, 9));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 7; ++x)
            dib.SetPixel(x, y, colours[(x * 3 + y * 5) % 10]);
    const auto pPalette = BuildOctreePalette(SectionOf(dib), 256, 8);
    ASSERT_TRUE(pPalette);
    EXPECT_EQ(pPalette->palVersion, 0x300);
    ASSERT_EQ(pPalette->entries.size(), 10u);
    std::vector<DWORD> got;
    for (const PALETTEENTRY& e : pPalette->entries) {
        got.push_back(Packed(e));
        EXPECT_EQ(e.peFlags, 0);
    }
    std::vector<DWORD> want(colours, colours + 10);
    std::sort(want.begin(), want.end(),
              [](DWORD a, DWORD b) { return OctreeKey(a) < OctreeKey(b); });
    EXPECT_EQ(got, want);
}

TEST(OctreePalette, ReducesTheLatestDeepestNodeFirst)
{
    // 0x000000 and 0x000001 part only at the last level; 0xFFFFFF comes later. With room for
    // two, the white branch's deepest node folds first (it gains nothing), then the node
    // holding the two blacks, which average to black.
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 1));
    dib.SetPixel(0, 0, 0x000000);
    dib.SetPixel(1, 0, 0x000001);
    dib.SetPixel(2, 0, 0xFFFFFF);
    const auto pPalette = BuildOctreePalette(SectionOf(dib), 2, 8);
    ASSERT_TRUE(pPalette);
    ASSERT_EQ(pPalette->entries.size(), 2u);
    EXPECT_EQ(Packed(pPalette->entries[0]), 0x000000u);
    EXPECT_EQ(Packed(pPalette->entries[1]), 0xFFFFFFu);
}

TEST(OctreePalette, ManyColoursStayWithinTheLimit)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(64, 64));
    std::mt19937 random(7);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            dib.SetPixel(x, y, random() & 0xFFFFFF);
    for (UINT k : {256u, 16u, 2u, 1u}) {
        const auto pPalette = BuildOctreePalette(SectionOf(dib), k, 8);
        ASSERT_TRUE(pPalette);
        EXPECT_LE(pPalette->entries.size(), k);
        EXPECT_GE(pPalette->entries.size(), k > 8 ? k - 7 : 1u);
    }
    // Fewer colour bits merge colours that differ only below them.
    const auto pCoarse = BuildOctreePalette(SectionOf(dib), 256, 2);
    ASSERT_TRUE(pCoarse);
    EXPECT_LE(pCoarse->entries.size(), 64u);
}

TEST(OctreePalette, OtherSectionsAndDepths)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(2, 2));
    CBitmapSection s = SectionOf(dib);
    EXPECT_FALSE(BuildOctreePalette(s, 256, 9));
    s.bmih.biBitCount = 8;
    EXPECT_FALSE(BuildOctreePalette(s, 256, 8));

    // 16 bits, 5-5-5 by default: each channel shifted up to 8 bits (31 becomes 248).
    const BYTE pixels16[8] = {0x00, 0x7C, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00};
    CBitmapSection s16;
    FillBitmapInfoHeader(s16.bmih, 2, 1, 16, 0);
    s16.pBits = pixels16;
    auto p = BuildOctreePalette(s16, 256, 8);
    ASSERT_TRUE(p);
    std::set<DWORD> got;
    for (const PALETTEENTRY& e : p->entries)
        got.insert(Packed(e));
    EXPECT_EQ(got, (std::set<DWORD>{0xF80000, 0x0000F8}));
    // With 5-6-5 masks the green has 6 bits.
    s16.bmih.biCompression = BI_BITFIELDS;
    s16.masks[0] = 0xF800, s16.masks[1] = 0x07E0, s16.masks[2] = 0x001F;
    const BYTE green[4] = {0xE0, 0x07, 0xE0, 0x07};
    s16.pBits = green;
    p = BuildOctreePalette(s16, 256, 8);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->entries.size(), 1u);
    EXPECT_EQ(Packed(p->entries[0]), 0x00FC00u);

    // 32 bits with masks for x, red, green, blue from the low byte up.
    const BYTE pixels32[8] = {0, 0x11, 0x22, 0x33, 0, 0x11, 0x22, 0x33};
    CBitmapSection s32;
    FillBitmapInfoHeader(s32.bmih, 2, 1, 32, 0);
    s32.bmih.biCompression = BI_BITFIELDS;
    s32.masks[0] = 0x0000FF00, s32.masks[1] = 0x00FF0000, s32.masks[2] = 0xFF000000;
    s32.pBits = pixels32;
    p = BuildOctreePalette(s32, 256, 8);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->entries.size(), 1u);
    EXPECT_EQ(Packed(p->entries[0]), 0x112233u);
}

TEST(NearestPaletteIndex, MatchesAFullSearch)
{
    std::mt19937 random(11);
    for (int round = 0; round < 20; ++round) {
        std::vector<PALETTEENTRY> palette(1 + random() % 256);
        for (PALETTEENTRY& e : palette) {
            // Few distinct values, so ties are common.
            e = {BYTE(random() % 4 * 85), BYTE(random() % 4 * 85), BYTE(random() % 4 * 85), 0};
        }
        CNearestPaletteIndex nearest(palette);
        for (int i = 0; i < 500; ++i) {
            const DWORD c = random() & 0xFFFFFF;
            const int r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
            int best = 0, bestD = 1 << 30;
            for (size_t k = 0; k < palette.size(); ++k) {
                const int dr = palette[k].peRed - r, dg = palette[k].peGreen - g,
                          db = palette[k].peBlue - b;
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestD) {
                    bestD = d;
                    best = int(k);
                }
            }
            ASSERT_EQ(nearest.Find(c), best) << "colour 0x" << std::hex << c;
            ASSERT_EQ(nearest.Find(c), best) << "asked again";
        }
    }
}
