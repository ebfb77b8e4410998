#include "ImageTestUtil.h"

#include "effects/RenderThreads.h"
#include "imagefile/Resample.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace imagetest;

namespace {

std::vector<std::pair<int, int>> Entries(const ContributorList& list)
{
    std::vector<std::pair<int, int>> v;
    for (int k = 0; k < list.nCount; ++k)
        v.emplace_back(list.pEntries[k].nPixel, list.pEntries[k].nWeight);
    return v;
}

using Pairs = std::vector<std::pair<int, int>>;

}

TEST(Resample, MitchellFilterValues)
{
    EXPECT_DOUBLE_EQ(MitchellFilter(0.0), 16.0 / 18.0);
    EXPECT_NEAR(MitchellFilter(1.0), 1.0 / 18.0, 1e-12);
    EXPECT_NEAR(MitchellFilter(-1.0), 1.0 / 18.0, 1e-12);
    EXPECT_NEAR(MitchellFilter(2.0), 0.0, 1e-12);
    EXPECT_EQ(MitchellFilter(2.5), 0.0);
    EXPECT_DOUBLE_EQ(MitchellFilter(0.5), MitchellFilter(-0.5));
    // The two pieces meet at 1.
    EXPECT_NEAR(MitchellFilter(1.0 - 1e-9), MitchellFilter(1.0 + 1e-9), 1e-7);
}

TEST(Resample, ContributorsMirrorAtTheEdges)
{
    // Same size: neighbours at -1, 0, +1 with 14, 227, 14; taps at +-2 weigh nothing.
    auto same = BuildContributors(3, 3, 1.0f, 2.0f, MitchellFilter);
    ASSERT_TRUE(same);
    EXPECT_EQ(Entries(same[0]), (Pairs{{2, 0}, {1, 14}, {0, 227}, {1, 14}, {2, 0}}));
    EXPECT_EQ(Entries(same[1]), (Pairs{{1, 0}, {0, 14}, {1, 227}, {2, 14}, {2, 0}}));
    EXPECT_EQ(Entries(same[2]), (Pairs{{0, 0}, {1, 14}, {2, 227}, {2, 14}, {1, 0}}));

    // Enlarging 2 to 4: centres at x / 2; index -1 reads pixel 1, index 2 pixel 1.
    auto up = BuildContributors(2, 4, 2.0f, 2.0f, MitchellFilter);
    ASSERT_TRUE(up);
    EXPECT_EQ(Entries(up[0]), (Pairs{{2, 0}, {1, 14}, {0, 227}, {1, 14}, {1, 0}}));
    const Pairs half = Entries(up[1]); // centre 0.5: taps -1 .. 2
    ASSERT_EQ(half.size(), 4u);
    EXPECT_EQ(half[0].first, 1);
    EXPECT_EQ(half[3].first, 1);
    EXPECT_EQ(half[1].second, half[2].second);

    // Reducing 512 to 256: the filter is twice as wide, at most 9 taps.
    auto down = BuildContributors(512, 256, 0.5f, 2.0f, MitchellFilter);
    ASSERT_TRUE(down);
    for (int i = 0; i < 256; ++i) {
        ASSERT_LE(down[i].nCount, 9) << i;
        for (int k = 0; k < down[i].nCount; ++k) {
            ASSERT_GE(down[i].pEntries[k].nPixel, 0);
            ASSERT_LT(down[i].pEntries[k].nPixel, 512);
        }
    }
    EXPECT_EQ(down[100].nCount, 9);
    EXPECT_FALSE(BuildContributors(0, 4, 1.0f, 2.0f, MitchellFilter));
}

TEST(Resample, SameSizeSoftensUniformPictures)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 3));
    dib.Fill(0xC8C8C8); // 200
    ASSERT_TRUE(dib.Resize(3, 3));
    // 200 x 255 / 256 = 199 across, then 199 x 255 / 256 = 198 down.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(dib.GetPixel(x, y), 0xC6C6C6u) << x << ", " << y;
}

TEST(Resample, KeepsOrientationAndFailsCleanly)
{
    CDib dib;
    MakeF(dib, 4);
    ASSERT_TRUE(dib.Resize(48, 40));
    EXPECT_TRUE(BlockMiddlesMatch(dib, 8, 40));
    MakeF(dib, 8);
    ASSERT_TRUE(dib.Resize(24, 20));
    EXPECT_TRUE(BlockMiddlesMatch(dib, 4, 40));
    CDib small;
    MakeF(small);
    // Odd and tiny sizes work; refused sizes leave the picture as it was.
    CDib one;
    ASSERT_TRUE(one.Create(1, 1));
    one.Fill(0x808080);
    ASSERT_TRUE(one.Resize(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_NEAR(int(one.GetPixel(x, y) & 0xFF), 128, 2) << x << ", " << y;
    ASSERT_TRUE(one.Resize(1, 1));
    MakeF(dib);
    for (auto [w, h] : {std::pair{0, 5}, {6, -1}, {70000, 5}}) {
        EXPECT_FALSE(dib.Resize(w, h)) << w << " x " << h;
        EXPECT_TRUE(SamePicture(small, dib)) << w << " x " << h;
    }
    CDib empty;
    EXPECT_FALSE(empty.Resize(4, 4));
}

namespace {

// The resampler as plainly as it can be written: every tap of every pixel, in list order,
// indices clamped at the edges. The fast one must give these bytes exactly.
void PlainResize(const CDib& src, int nw, int nh, CDib& out)
{
    auto clampByte = [](int32_t sum) {
        const int32_t v = sum / 256;
        return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    auto clampIndex = [](int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); };
    const int w = src.m_nWidth, h = src.m_nHeight;
    auto across = BuildContributors(w, nw, float(nw) / float(w), 2.0f, MitchellFilter);
    auto down = BuildContributors(h, nh, float(nh) / float(h), 2.0f, MitchellFilter);
    CDib temp;
    temp.Create(nw, h);
    out.Create(nw, nh);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < 3; ++c) {
                int32_t sum = 0;
                for (int k = 0; k < across[x].nCount; ++k)
                    sum += across[x].pEntries[k].nWeight *
                           src.PixelAddress(clampIndex(across[x].pEntries[k].nPixel, w), y)[c];
                temp.PixelAddress(x, y)[c] = clampByte(sum);
            }
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < 3; ++c) {
                int32_t sum = 0;
                for (int k = 0; k < down[y].nCount; ++k)
                    sum += down[y].pEntries[k].nWeight *
                           temp.PixelAddress(x, clampIndex(down[y].pEntries[k].nPixel, h))[c];
                out.PixelAddress(x, y)[c] = clampByte(sum);
            }
}

}

TEST(Resample, GivesThePlainResamplersBytesExactly)
{
    // Noise with hard black and white runs, so that sums overshoot both ends of a byte.
    CDib src;
    uint32_t state = 12345;
    for (auto [w, h, nw, nh] : {std::array<int, 4>{97, 61, 31, 17}, {97, 61, 250, 133},
                                {5, 3, 64, 40}, {1, 1, 7, 3}, {300, 2, 1, 1}, {64, 64, 64, 64},
                                {129, 77, 128, 76}, {40, 33, 3, 260}, {2, 5, 1000, 1}}) {
        ASSERT_TRUE(src.Create(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                state = state * 1664525u + 1013904223u;
                const DWORD c = (state >> 8) & 0xFFFFFF;
                src.SetPixel(x, y, (x / 3 + y) % 4 == 0 ? ((x & 1) ? 0xFFFFFF : 0) : c);
            }
        CDib expected;
        PlainResize(src, nw, nh, expected);
        for (int threads : {1, 3}) {
            const CRenderThreadsScope scope(threads);
            CDib dib;
            ASSERT_TRUE(dib.Create(w, h));
            dib.CopyRect(0, 0, w, h, src, 0, 0);
            ASSERT_TRUE(dib.Resize(nw, nh));
            EXPECT_TRUE(SamePicture(expected, dib))
                << w << " x " << h << " to " << nw << " x " << nh << ", " << threads << " threads";
        }
    }
}
