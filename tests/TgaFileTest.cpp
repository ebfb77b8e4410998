#include "ImageTestUtil.h"

#include "imagefile/ImageFile.h"
#include "imagefile/TgaFile.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace imagetest;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

namespace {

// An 18-byte header without id or colour map, then the given bytes.
std::vector<BYTE> MakeTga(int type, int width, int height, int depth, int descriptor,
                          const std::vector<BYTE>& data)
{
    const BYTE header[18] = {0, 0, BYTE(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             BYTE(width), BYTE(width >> 8), BYTE(height), BYTE(height >> 8),
                             BYTE(depth), BYTE(descriptor)};
    std::vector<BYTE> d(sizeof header + data.size());
    std::copy(header, header + sizeof header, d.begin());
    std::copy(data.begin(), data.end(), d.begin() + sizeof header);
    return d;
}

// Loads the bytes as a ".tga" file through the dispatch; the printed lines go to *pOutput.
bool LoadTgaBytes(CDib& dib, const std::vector<BYTE>& file, std::string* pOutput = nullptr)
{
    TempFolder dir;
    const std::string path = dir.Path("t.tga");
    WriteFileBytes(path, file);
    CaptureStdout();
    const bool ok = dib.Load(path.c_str());
    const std::string output = GetCapturedStdout();
    if (pOutput)
        *pOutput = output;
    return ok;
}

// What ReadTgaInfo notes of the bytes, as a ".tga" file.
QStringList NotesOf(const std::vector<BYTE>& file)
{
    TempFolder dir;
    WriteFileBytes(dir.Path("n.tga"), file);
    TgaInfo info;
    ReadTgaInfo(dir.Path("n.tga").c_str(), info);
    return info.notes;
}

}

TEST(TgaReader, UncompressedFilesAndTheSizeCheck)
{
    // 2 x 2, bottom row first: blue, green / red, white.
    const std::vector<BYTE> pixels = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    CDib dib;
    std::string output;
    const std::vector<BYTE> exact = MakeTga(2, 2, 2, 24, 0, pixels);
    ASSERT_EQ(exact.size(), 30u);
    ASSERT_TRUE(LoadTgaBytes(dib, exact, &output));
    EXPECT_EQ(output, "");
    EXPECT_EQ(dib.GetSize(), CSize(2, 2));
    EXPECT_EQ(dib.GetPixel(0, 0), 0x0000FFu);
    EXPECT_EQ(dib.GetPixel(1, 0), 0x00FF00u);
    EXPECT_EQ(dib.GetPixel(0, 1), 0xFF0000u);
    EXPECT_EQ(dib.GetPixel(1, 1), 0xFFFFFFu);
    // One byte too many: noted, nothing printed, and the picture still opens.
    std::vector<BYTE> longer = exact;
    longer.push_back(0);
    ASSERT_TRUE(LoadTgaBytes(dib, longer, &output));
    EXPECT_EQ(output, "");
    EXPECT_EQ(NotesOf(longer), QStringList{QStringLiteral(
                                   "its header gives an uncompressed file of 30 bytes, not 31")});
    EXPECT_EQ(dib.GetPixel(1, 1), 0xFFFFFFu);

    // 3 pixels wide: each row fills 9 bytes and its 3 padding bytes stay zero.
    std::vector<BYTE> row3(18, 0x77);
    ASSERT_TRUE(LoadTgaBytes(dib, MakeTga(2, 3, 2, 24, 0, row3)));
    for (int y = 0; y < 2; ++y)
        for (int i = 9; i < 12; ++i)
            EXPECT_EQ(dib.m_pBits[y * dib.m_nStride + i], 0) << y << " " << i;

    // 32 bits: the alpha bytes are dropped.
    ASSERT_TRUE(LoadTgaBytes(dib, MakeTga(2, 2, 1, 32, 8, {1, 2, 3, 0x80, 4, 5, 6, 0xFF})));
    EXPECT_EQ(dib.GetPixel(0, 0), 0x030201u);
    EXPECT_EQ(dib.GetPixel(1, 0), 0x060504u);

    // Files shorter than a footer are noted and still open.
    const std::vector<BYTE> tiny = MakeTga(2, 2, 1, 24, 0, {1, 2, 3, 4, 5, 6});
    ASSERT_LT(tiny.size(), 26u);
    ASSERT_TRUE(LoadTgaBytes(dib, tiny, &output));
    EXPECT_EQ(output, "");
    EXPECT_EQ(NotesOf(tiny), QStringList{QStringLiteral("it is too short for a TGA 2.0 footer")});
    EXPECT_EQ(dib.GetPixel(1, 0), 0x060504u);
}

TEST(TgaReader, RunLengthPacketsCrossRows)
{
    // 100 x 2: a run of 128 fills row 0 and 28 pixels of row 1, then 72 raw pixels.
    std::vector<BYTE> data = {0x80 | 127, 10, 20, 30, 71};
    for (int i = 0; i < 72; ++i)
        data.insert(data.end(), {BYTE(i), 0, 0});
    CDib dib;
    ASSERT_TRUE(LoadTgaBytes(dib, MakeTga(10, 100, 2, 24, 0, data)));
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(dib.GetPixel(x, 0), 0x1E140Au) << x;
    for (int x = 0; x < 28; ++x)
        ASSERT_EQ(dib.GetPixel(x, 1), 0x1E140Au) << x;
    for (int x = 28; x < 100; ++x)
        ASSERT_EQ(dib.GetPixel(x, 1), DWORD(x - 28)) << x;

    // A raw packet across the row end, at 32 bits.
    std::vector<BYTE> raw = {3};
    for (int i = 0; i < 4; ++i)
        raw.insert(raw.end(), {BYTE(i), BYTE(i), BYTE(i), 0xFF});
    ASSERT_TRUE(LoadTgaBytes(dib, MakeTga(10, 2, 2, 32, 8, raw)));
    EXPECT_EQ(dib.GetPixel(1, 0), 0x010101u);
    EXPECT_EQ(dib.GetPixel(0, 1), 0x020202u);
    EXPECT_EQ(dib.GetPixel(1, 1), 0x030303u);

    // The state between calls: a run split over three calls of one pixel each.
    TgaRleState state;
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(f);
    const BYTE packet[] = {0x82, 7, 8, 9};
    std::fwrite(packet, 1, sizeof packet, f);
    std::rewind(f);
    BYTE out[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(DecodeTgaRle(out, 3, 3, f, state), 0) << i;
        EXPECT_EQ(out[2], 9);
    }
    EXPECT_EQ(DecodeTgaRle(out, 3, 3, f, state), -1) << "the file ends";
    std::fclose(f);
}

TEST(TgaReader, FooterAndExtensionArea)
{
    // A TGA 2.0 file: pixels, an extension area, a developer area and the footer.
    std::vector<BYTE> d = MakeTga(2, 1, 1, 24, 0, {1, 2, 3});
    const DWORD extension = DWORD(d.size());
    std::vector<BYTE> area(495, 0);
    area[0] = 0xEF;
    area[1] = 0x01;
    // The scan line offset points past the end: reading it just finds nothing.
    const size_t scanLineField = 2 + 41 + 324 + 12 + 41 + 6 + 41 + 2 + 1 + 4 + 4 + 4 + 4 + 4;
    area[scanLineField] = 0xFF;
    area[scanLineField + 1] = 0xFF;
    d.insert(d.end(), area.begin(), area.end());
    const DWORD developer = DWORD(d.size());
    d.insert(d.end(), {0, 0});
    for (DWORD v : {extension, developer})
        for (int i = 0; i < 4; ++i)
            d.push_back(BYTE(v >> (8 * i)));
    const char signature[] = "TRUEVISION-XFILE.";
    d.insert(d.end(), signature, signature + 18);

    CDib dib;
    std::string output;
    ASSERT_TRUE(LoadTgaBytes(dib, d, &output));
    EXPECT_EQ(output, "");
    EXPECT_EQ(NotesOf(d), QStringList{QStringLiteral("it has a developer area")})
        << "no size check for TGA 2.0 files";
    EXPECT_EQ(dib.GetPixel(0, 0), 0x030201u);

    TempFolder dir;
    WriteFileBytes(dir.Path("x.tga"), d);
    TgaInfo info;
    CaptureStdout();
    ASSERT_TRUE(ReadTgaInfo(dir.Path("x.tga").c_str(), info));
    GetCapturedStdout();
    EXPECT_EQ(info.extensionOffset, extension);
    EXPECT_EQ(info.developerOffset, developer);
    EXPECT_EQ(info.extensionSize, 495);
    EXPECT_EQ(info.scanLineOffset, 0xFFFFu);
    EXPECT_FALSE(info.pScanLines) << "tables are freed before returning";

    // Without the signature the offsets are ignored, and the size check applies.
    d[d.size() - 2] = 'X';
    ASSERT_TRUE(LoadTgaBytes(dib, d, &output));
    EXPECT_EQ(output, "");
    EXPECT_TRUE(
        NotesOf(d).value(0).startsWith(QLatin1String("its header gives an uncompressed file")));
    EXPECT_FALSE(ReadTgaInfo(dir.Path("missing.tga").c_str(), info));
}

struct ForeignTga
{
    const char* name;
    const char* options;
    int depth;
    int type;
};

class ForeignTgaTest : public ::testing::TestWithParam<ForeignTga>
{
};

// ImageMagick 6 writes rows top first; it marks that with the top-left origin bit only when
// told the picture's orientation. Flipped first, its rows are bottom first as the default
// origin says.
TEST_P(ForeignTgaTest, OpensWithTheRightPixels)
{
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const ForeignTga& c = GetParam();
    TempFolder dir;
    CDib f, got;
    MakeF(f);
    WritePpm(f, dir.Path("in.ppm"));
    const std::string path = dir.Path("out.tga");
    ASSERT_TRUE(RunConvert(dir.Path("in.ppm"), c.options, "TGA", path));
    const std::vector<BYTE> d = ReadFileBytes(path);
    ASSERT_GE(d.size(), 18u);
    ASSERT_EQ(d[2], c.type);
    ASSERT_EQ(d[16], c.depth);
    CaptureStdout();
    const bool ok = got.Load(path.c_str());
    GetCapturedStdout();
    ASSERT_TRUE(ok);
    EXPECT_TRUE(SamePicture(f, got));
}

INSTANTIATE_TEST_SUITE_P(
    Convert, ForeignTgaTest,
    ::testing::Values(ForeignTga{"TopLeft24", "-orient TopLeft", 24, 2},
                      ForeignTga{"TopLeftRle24", "-orient TopLeft -compress RLE", 24, 10},
                      ForeignTga{"TopLeft32", "-orient TopLeft -alpha on", 32, 2},
                      ForeignTga{"TopLeftRle32", "-orient TopLeft -alpha on -compress RLE", 32, 10},
                      ForeignTga{"BottomLeft24", "-flip", 24, 2},
                      ForeignTga{"BottomLeftRle32", "-flip -alpha on -compress RLE", 32, 10}),
    [](const ::testing::TestParamInfo<ForeignTga>& info) { return std::string(info.param.name); });

TEST(TgaReader, RefusedAndDamagedFilesKeepThePicture)
{
    CDib f, dib;
    MakeF(f);
    MakeF(dib);
    const std::vector<BYTE> good = MakeTga(2, 2, 2, 24, 0, std::vector<BYTE>(12, 9));
    // Each refusal with the words its reason must hold (a truncation: any reason).
    std::vector<std::tuple<const char*, std::vector<BYTE>, const char*>> bad = {
        {"colour-mapped", MakeTga(1, 2, 2, 24, 0, std::vector<BYTE>(12, 9)), "TGA image type 1"},
        {"black and white", MakeTga(3, 2, 2, 24, 0, std::vector<BYTE>(12, 9)), "TGA image type 3"},
        {"16 bits", MakeTga(2, 2, 2, 16, 0, std::vector<BYTE>(8, 9)), "16 bits per pixel"},
        {"zero width", MakeTga(2, 0, 2, 24, 0, {}), "no picture size"},
        {"zero height", MakeTga(10, 2, 0, 24, 0, {}), "no picture size"},
        {"huge, almost no data", MakeTga(2, 65535, 65535, 24, 0, {1, 2, 3}),
         "pixel data of 3 bytes is too short for 65535 x 65535 pixels"},
        {"huge run-length, almost no data", MakeTga(10, 65535, 60000, 32, 0, {0xFF, 1, 2, 3, 4}),
         "too short"},
        {"run-length that ends inside a packet", MakeTga(10, 4, 4, 24, 0, {0x8F, 1, 2}),
         "too short"},
        {"run-length that ends early", MakeTga(10, 4, 4, 24, 0, {0x83, 1, 2, 3, 0x83, 1, 2, 3}),
         "run-length coded pixels are damaged or stop early"},
        {"id longer than the file",
         {200, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0},
         "too short"},
    };
    for (size_t n = 0; n < good.size(); ++n)
        bad.emplace_back("truncated", std::vector<BYTE>(good.begin(), good.begin() + n), "");
    for (const auto& [what, data, why] : bad) {
        std::string output;
        EXPECT_FALSE(LoadTgaBytes(dib, data, &output)) << what << " (" << data.size() << " bytes)";
        EXPECT_TRUE(SamePicture(f, dib)) << what;
        EXPECT_EQ(output, "") << what;
        EXPECT_TRUE(ImageReadFailure().contains(QLatin1String(why)))
            << what << ": " << ImageReadFailure().toStdString();
    }
    // Runs past the last pixel are left unread.
    ASSERT_TRUE(LoadTgaBytes(dib, MakeTga(10, 2, 1, 24, 0, {0xFF, 1, 2, 3})));
    EXPECT_EQ(dib.GetPixel(1, 0), 0x030201u);
}
