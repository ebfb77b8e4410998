#include "ImageTestUtil.h"

#include "imagefile/ImageFile.h"
#include "imagefile/SafeFile.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace imagetest;

namespace {

DWORD LE32(const std::vector<BYTE>& d, size_t at)
{
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (DWORD(d[at + 3]) << 24);
}

WORD LE16(const std::vector<BYTE>& d, size_t at)
{
    return WORD(d[at] | (d[at + 1] << 8));
}

void SetLE32(std::vector<BYTE>& d, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        d[at + i] = BYTE(v >> (8 * i));
}

// The F with a different blue in every background pixel: 26 colours, so a palette writer
// has to use 8 bits.
void MakeManyColourF(CDib& dib)
{
    MakeF(dib);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            if (TopPixel(dib, x, y) == kBlue)
                dib.SetPixel(x, 4 - y, 0x000080 + 4 * (6 * y + x));
}

// The F with one green pixel: 3 colours, so a palette writer uses 4 bits.
void MakeThreeColourF(CDib& dib)
{
    MakeF(dib);
    dib.SetPixel(5, 0, 0x00FF00);
}

}

TEST(ImageFileDispatch, ChoosesByTheLastDotOfThePath)
{
    EXPECT_EQ(ImageFileTypeFromName("a/b/picture.BMP"), EImageFileType::Bmp);
    EXPECT_EQ(ImageFileTypeFromName("picture"), EImageFileType::Bmp);
    EXPECT_EQ(ImageFileTypeFromName("x.tga.Jpg"), EImageFileType::Jpeg);
    EXPECT_EQ(ImageFileTypeFromName("x.TgA"), EImageFileType::Tga);
    EXPECT_EQ(ImageFileTypeFromName("x.JPEG"), EImageFileType::Jpeg);
    EXPECT_EQ(ImageFileTypeFromName("x.gif"), EImageFileType::Unknown);
    EXPECT_EQ(ImageFileTypeFromName("my.folder/picture"), EImageFileType::Unknown);
    EXPECT_EQ(ImageFileTypeFromName("picture."), EImageFileType::Unknown);

    TempFolder dir;
    CDib f;
    MakeF(f);
    // Refused names leave an existing file as it was.
    const std::string gif = dir.Path("x.gif");
    WriteFileBytes(gif, {1, 2, 3});
    EXPECT_FALSE(f.Save(gif.c_str()));
    EXPECT_FALSE(f.Load(gif.c_str()));
    EXPECT_EQ(ReadFileBytes(gif), (std::vector<BYTE>{1, 2, 3}));
    EXPECT_TRUE(SamePicture(f, f));
    EXPECT_FALSE(f.Save(dir.Path("x.tga").c_str()));
    EXPECT_FALSE(std::ifstream(dir.Path("x.tga")).good());

    // Capitals and no extension both mean BMP; ".jpg" and ".jpeg" write JPEG even from Save.
    for (const char* name : {"up.BMP", "plain"}) {
        ASSERT_TRUE(f.Save(dir.Path(name).c_str())) << name;
        EXPECT_EQ(ReadFileBytes(dir.Path(name))[0], 'B') << name;
        CDib back;
        ASSERT_TRUE(back.Load(dir.Path(name).c_str())) << name;
        EXPECT_TRUE(SamePicture(f, back)) << name;
    }
    for (const char* name : {"as.jpg", "as.Jpeg"}) {
        ASSERT_TRUE(f.Save(dir.Path(name).c_str())) << name;
        const std::vector<BYTE> jpg = ReadFileBytes(dir.Path(name));
        ASSERT_GE(jpg.size(), 2u);
        EXPECT_EQ(jpg[0], 0xFF) << name;
        EXPECT_EQ(jpg[1], 0xD8) << name;
    }
}

// Load knows a picture by its first bytes, so one saved under a wrong name opens: a JPEG
// named .bmp, a PNG named .jpg (with its recipe), a BMP named .png or with no extension.
// TGA has no signature: it opens only under a ".tga" name, and only when nothing else
// matches.
TEST(ImageFileDispatch, OpensByContentWhateverTheName)
{
    TempFolder dir;
    CDib f;
    MakeF(f);
    const std::string bmp = dir.Path("f.bmp"), jpg = dir.Path("f.jpg"), png = dir.Path("f.png");
    ASSERT_TRUE(f.SaveBMP(bmp.c_str()));
    ASSERT_TRUE(f.SaveJPEG(jpg.c_str()));
    ASSERT_TRUE(f.SavePNG(png.c_str(), QStringLiteral("{\"recipe\":1}")));
    CDib jpegPixels;
    ASSERT_TRUE(jpegPixels.LoadJPEG(jpg.c_str()));
    struct
    {
        const std::string& source;
        const char* name;
        const CDib& expected;
    } cases[] = {
        {jpg, "jpeg-named.bmp", jpegPixels}, {png, "png-named.jpg", f},
        {bmp, "bmp-named.png", f},           {bmp, "bmp-named.TGA", f},
        {jpg, "no-extension", jpegPixels},   {png, "png-named.jpeg", f},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Path(c.name);
        WriteFileBytes(path, ReadFileBytes(c.source));
        CDib dib;
        QString recipe = QStringLiteral("stale");
        ASSERT_TRUE(dib.Load(path.c_str(), &recipe)) << c.name;
        EXPECT_TRUE(SamePicture(c.expected, dib)) << c.name;
        EXPECT_EQ(recipe, &c.source == &png ? QStringLiteral("{\"recipe\":1}") : QString())
            << c.name;
    }

    // A 2 x 1 true-colour TGA: by its name only.
    std::vector<BYTE> tga(18, 0);
    tga[2] = 2;
    tga[12] = 2;
    tga[14] = 1;
    tga[16] = 24;
    tga.insert(tga.end(), {0, 0, 0xFF, 0, 0xFF, 0});
    WriteFileBytes(dir.Path("two.tga"), tga);
    WriteFileBytes(dir.Path("tga-named.bmp"), tga);
    CDib dib;
    ASSERT_TRUE(dib.Load(dir.Path("two.tga").c_str()));
    EXPECT_EQ(dib.GetSize(), CSize(2, 1));
    EXPECT_EQ(dib.GetPixel(0, 0), 0xFF0000u);
    EXPECT_FALSE(dib.Load(dir.Path("tga-named.bmp").c_str()));
    // Too short for any signature, or none at all: refused, the picture kept.
    for (const std::vector<BYTE>& bytes :
         {std::vector<BYTE>{}, std::vector<BYTE>{'B'}, std::vector<BYTE>{0xFF},
          std::vector<BYTE>{0x89, 'P', 'N', 'G'},
          std::vector<BYTE>{'G', 'I', 'F', '8', '9', 'a'}}) {
        WriteFileBytes(dir.Path("short.bmp"), bytes);
        EXPECT_FALSE(dib.Load(dir.Path("short.bmp").c_str())) << bytes.size() << " bytes";
        EXPECT_EQ(dib.GetSize(), CSize(2, 1));
    }
}

TEST(BmpWriter, TrueColourFileIsByteForByte)
{
    TempFolder dir;
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 2));
    dib.SetPixel(0, 0, 0x112233);
    dib.SetPixel(2, 1, 0x445566);
    const std::string path = dir.Path("a.bmp");
    ASSERT_TRUE(dib.SaveBMP(path.c_str()));
    const std::vector<BYTE> d = ReadFileBytes(path);
    ASSERT_EQ(d.size(), 78u);
    EXPECT_EQ(LE16(d, 0), 0x4D42);
    EXPECT_EQ(LE32(d, 2), 78u);
    EXPECT_EQ(LE32(d, 6), 0u);
    EXPECT_EQ(LE32(d, 10), 54u);
    EXPECT_EQ(LE32(d, 14), 40u);
    EXPECT_EQ(LE32(d, 18), 3u);
    EXPECT_EQ(LE32(d, 22), 2u);
    EXPECT_EQ(LE16(d, 26), 1);
    EXPECT_EQ(LE16(d, 28), 24);
    EXPECT_EQ(LE32(d, 30), 0u);
    EXPECT_EQ(LE32(d, 34), 24u);
    for (size_t at = 38; at < 54; at += 4)
        EXPECT_EQ(LE32(d, at), 0u) << at;
    EXPECT_EQ(0, std::memcmp(d.data() + 54, dib.m_pBits, 24));
}

TEST(BmpWriter, PaletteFileOfOneColour)
{
    TempFolder dir;
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 2));
    dib.Fill(0x123456);
    const std::string path = dir.Path("p.bmp");
    ASSERT_TRUE(dib.Save256ColorBMP(path.c_str()));
    const std::vector<BYTE> d = ReadFileBytes(path);
    ASSERT_EQ(d.size(), 66u);
    EXPECT_EQ(LE32(d, 2), 66u);
    EXPECT_EQ(LE32(d, 10), 58u);
    EXPECT_EQ(LE16(d, 28), 8);
    EXPECT_EQ(LE32(d, 34), 8u);  // image size: two rows of 4
    EXPECT_EQ(LE32(d, 46), 1u);  // colours used
    EXPECT_EQ(LE32(d, 50), 0u);
    EXPECT_EQ(LE32(d, 54), 0x00123456u);
    for (size_t at = 58; at < 66; ++at)
        EXPECT_EQ(d[at], 0) << at;
}

TEST(BmpWriter, WrittenPicturesReadBackUpright)
{
    TempFolder dir;
    CDib f, many, back;
    MakeF(f);
    MakeManyColourF(many);
    for (const CDib* pDib : {&f, &many}) {
        const std::string path = dir.Path("round.bmp");
        ASSERT_TRUE(pDib->SaveBMP(path.c_str()));
        ASSERT_TRUE(back.LoadBMP(path.c_str()));
        EXPECT_TRUE(SamePicture(*pDib, back));
        // Fewer than 256 colours survive the palette exactly.
        ASSERT_TRUE(pDib->Save256ColorBMP(path.c_str()));
        ASSERT_TRUE(back.LoadBMP(path.c_str()));
        EXPECT_TRUE(SamePicture(*pDib, back));
    }
    // More colours than the palette holds: each pixel gets a near one.
    CDib ramp;
    ASSERT_TRUE(ramp.Create(64, 64));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ramp.SetPixel(x, y, (DWORD(x * 4) << 16) | (DWORD(y * 4) << 8) | DWORD((x + y) * 2));
    const std::string path = dir.Path("ramp.bmp");
    ASSERT_TRUE(ramp.Save256ColorBMP(path.c_str()));
    const std::vector<BYTE> d = ReadFileBytes(path);
    EXPECT_LE(LE32(d, 46), 256u);
    EXPECT_GT(LE32(d, 46), 200u);
    ASSERT_TRUE(back.LoadBMP(path.c_str()));
    EXPECT_TRUE(SamePicture(ramp, back, 24));
}

// Files written by another program, in every form we read.
struct ForeignBmp
{
    const char* name;
    const char* options;
    const char* format;
    int picture; // 0 the F, 1 three colours, 2 many colours
    int headerSize;
    int bitCount;
    int compression;
};

class ForeignBmpTest : public ::testing::TestWithParam<ForeignBmp>
{
};

TEST_P(ForeignBmpTest, OpensWithTheRightPixels)
{
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const ForeignBmp& c = GetParam();
    TempFolder dir;
    CDib expected;
    if (c.picture == 0)
        MakeF(expected);
    else if (c.picture == 1)
        MakeThreeColourF(expected);
    else
        MakeManyColourF(expected);
    WritePpm(expected, dir.Path("in.ppm"));
    const std::string path = dir.Path("out.bmp");
    ASSERT_TRUE(RunConvert(dir.Path("in.ppm"), c.options, c.format, path));
    std::vector<BYTE> d = ReadFileBytes(path);
    ASSERT_GE(d.size(), 30u);
    // The case must cover what it says: check the form convert chose.
    ASSERT_EQ(LE32(d, 14), DWORD(c.headerSize));
    if (c.headerSize == 12) {
        ASSERT_EQ(LE16(d, 24), c.bitCount);
    } else {
        ASSERT_EQ(LE16(d, 28), c.bitCount);
        ASSERT_EQ(LE32(d, 30), DWORD(c.compression));
    }
    CDib got;
    ASSERT_TRUE(got.LoadBMP(path.c_str()));
    EXPECT_TRUE(SamePicture(expected, got));
}

INSTANTIATE_TEST_SUITE_P(
    Convert, ForeignBmpTest,
    ::testing::Values(ForeignBmp{"True24", "-type TrueColor", "BMP3", 0, 40, 24, 0},
                      ForeignBmp{"V5True24", "-type TrueColor", "BMP", 0, 124, 24, 0},
                      ForeignBmp{"V5Masked32", "-alpha on", "BMP", 0, 124, 32, 3},
                      ForeignBmp{"Core24", "-type TrueColor", "BMP2", 0, 12, 24, 0},
                      ForeignBmp{"Core8", "-type Palette", "BMP2", 2, 12, 8, 0},
                      ForeignBmp{"Palette1", "-type Palette", "BMP3", 0, 40, 1, 0},
                      ForeignBmp{"Palette4", "-type Palette", "BMP3", 1, 40, 4, 0},
                      ForeignBmp{"Palette8", "-type Palette -compress None", "BMP3", 2, 40, 8, 0},
                      ForeignBmp{"Rle8", "-type Palette -compress RLE", "BMP3", 2, 40, 8, 1},
                      ForeignBmp{"Masked565", "-define bmp:subtype=RGB565", "BMP", 0, 124, 16, 3},
                      ForeignBmp{"Masked555", "-define bmp:subtype=RGB555", "BMP", 0, 124, 16, 3}),
    [](const ::testing::TestParamInfo<ForeignBmp>& info) { return std::string(info.param.name); });

namespace {

// A 40-byte-header file built by hand: header fields, then the given colour table and data.
std::vector<BYTE> MakeBmp(int width, int height, int bitCount, DWORD compression,
                          const std::vector<BYTE>& table, const std::vector<BYTE>& pixels,
                          DWORD colorsUsed = 0)
{
    std::vector<BYTE> d(54, 0);
    d[0] = 'B';
    d[1] = 'M';
    const DWORD offset = DWORD(54 + table.size());
    SetLE32(d, 2, DWORD(offset + pixels.size()));
    SetLE32(d, 10, offset);
    SetLE32(d, 14, 40);
    SetLE32(d, 18, DWORD(width));
    SetLE32(d, 22, DWORD(height));
    d[26] = 1;
    d[28] = BYTE(bitCount);
    SetLE32(d, 30, compression);
    SetLE32(d, 46, colorsUsed);
    d.insert(d.end(), table.begin(), table.end());
    d.insert(d.end(), pixels.begin(), pixels.end());
    return d;
}

bool LoadBytes(CDib& dib, const std::vector<BYTE>& file)
{
    TempFolder dir;
    const std::string path = dir.Path("t.bmp");
    WriteFileBytes(path, file);
    return dib.LoadBMP(path.c_str());
}

// The F as 40-byte, 24-bit rows, bottom-up.
std::vector<BYTE> FRows24()
{
    CDib f;
    MakeF(f);
    return std::vector<BYTE>(f.m_pBits, f.m_pBits + f.m_nStride * f.m_nHeight);
}

}

TEST(BmpReader, HandMadeVariantsOpenUpright)
{
    CDib f, got;
    MakeF(f);
    // Top-down: negative height, rows top first.
    std::vector<BYTE> rows = FRows24(), flipped;
    for (int y = 4; y >= 0; --y)
        flipped.insert(flipped.end(), rows.begin() + 20 * y, rows.begin() + 20 * (y + 1));
    ASSERT_TRUE(LoadBytes(got, MakeBmp(6, -5, 24, BI_RGB, {}, flipped)));
    EXPECT_TRUE(SamePicture(f, got));

    // The 108-byte header: a 124-byte one without its last 16 bytes.
    std::vector<BYTE> v4 = MakeBmp(6, 5, 24, BI_RGB, {}, rows);
    v4.insert(v4.begin() + 54, 68, 0);
    SetLE32(v4, 14, 108);
    SetLE32(v4, 10, 14 + 108);
    ASSERT_TRUE(LoadBytes(got, v4));
    EXPECT_TRUE(SamePicture(f, got));

    // Masks after a 40-byte header: 32-bit pixels stored x, red, green, blue from the top.
    std::vector<BYTE> masks(12), px32;
    SetLE32(masks, 0, 0x0000FF00);
    SetLE32(masks, 4, 0x00FF0000);
    SetLE32(masks, 8, 0xFF000000);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const DWORD c = f.GetPixel(x, y);
            px32.insert(px32.end(), {0, BYTE(c >> 16), BYTE(c >> 8), BYTE(c)});
        }
    ASSERT_TRUE(LoadBytes(got, MakeBmp(6, 5, 32, BI_BITFIELDS, masks, px32)));
    EXPECT_TRUE(SamePicture(f, got));

    // 16 bits without masks are 5-5-5; 31 is full brightness.
    std::vector<BYTE> px16;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const WORD v = f.GetPixel(x, y) == kRed ? 0x7C00 : 0x001F;
            px16.insert(px16.end(), {BYTE(v), BYTE(v >> 8)});
        }
    }
    ASSERT_TRUE(LoadBytes(got, MakeBmp(6, 5, 16, BI_RGB, {}, px16)));
    EXPECT_TRUE(SamePicture(f, got));

    // Run-length 4 bits: runs (one alternating), literal pixels, end of line, a move and
    // end of picture. Index 0 black, 1 red, 2 blue; row 0 is the bottom line ".R....".
    const std::vector<BYTE> table = {0, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
    const std::vector<BYTE> rle4 = {
        1, 0x22, 1, 0x11, 4, 0x22, 0, 0,        // .R....
        0, 6, 0x21, 0x22, 0x22, 0, 0, 0,        // .R.... as literal pixels, padded
        2, 0x21, 2, 0x11, 2, 0x22, 0, 0,        // .RRR..
        0, 2, 1, 0, 1, 0x11, 4, 0x22, 0, 0,     // move past x = 0, then R....
        0, 6, 0x21, 0x11, 0x12, 0, 0, 1};       // .RRRR. then end of picture
    ASSERT_TRUE(LoadBytes(got, MakeBmp(6, 5, 4, BI_RLE4, table, rle4, 3)));
    CDib expected;
    MakeF(expected);
    expected.SetPixel(0, 3, 0); // the pixel the move skipped keeps index 0
    EXPECT_TRUE(SamePicture(expected, got));
}

TEST(BmpReader, DamagedFilesFailWithoutTouchingThePicture)
{
    CDib f, dib;
    MakeF(f);
    MakeF(dib);
    const std::vector<BYTE> good = MakeBmp(6, 5, 24, BI_RGB, {}, FRows24());
    // Every truncation fails.
    for (size_t n = 0; n < good.size(); ++n) {
        ASSERT_FALSE(LoadBytes(dib, std::vector<BYTE>(good.begin(), good.begin() + n))) << n;
    }
    // Each damage with the words its reason must hold.
    std::vector<std::tuple<const char*, std::vector<BYTE>, const char*>> bad;
    auto with = [&](const char* what, size_t at, DWORD v, const char* why) {
        std::vector<BYTE> d = good;
        SetLE32(d, at, v);
        bad.emplace_back(what, d, why);
    };
    const char* kSize = "no picture size we open";
    with("zero width", 18, 0, kSize);
    with("negative width", 18, DWORD(-6), kSize);
    with("zero height", 22, 0, kSize);
    with("height of -2^31", 22, 0x80000000u, kSize);
    with("wide picture, short data", 18, 60000, "pixel data stops after 100 of 900000 bytes");
    {
        std::vector<BYTE> d = good;
        SetLE32(d, 18, 60000);
        SetLE32(d, 22, 60000);
        bad.emplace_back("more than 1 GiB of pixels", d, kSize);
    }
    with("offset past the end", 10, 100000, "said to start at byte 100000");
    with("offset inside the header", 10, 20, "said to start at byte 20");
    with("unknown header size", 14, 41, "header of 41 bytes");
    with("header larger than the file", 14, 0xFFFFFFF0u, "runs past the end of the file");
    with("unknown compression", 30, 7, "24 bits per pixel with an unknown compression");
    with("run-length at 24 bits", 30, BI_RLE8, "24 bits per pixel with 8-bit run-length coding");
    bad.emplace_back(
        "colour table longer than the file",
        MakeBmp(6, 5, 8, BI_RGB, std::vector<BYTE>(64, 0), std::vector<BYTE>(40, 0), 200),
        "colour table of 200 colours runs past");
    const char* kRuns = "run-length coded pixels are damaged";
    bad.emplace_back("run past the last row",
                     MakeBmp(6, 5, 8, BI_RLE8, std::vector<BYTE>(8, 0),
                             {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}, 2), kRuns);
    bad.emplace_back("literal past the data", MakeBmp(6, 5, 8, BI_RLE8, std::vector<BYTE>(8, 0),
                                                      {0, 5, 1, 1}, 2), kRuns);
    bad.emplace_back("move past the picture", MakeBmp(6, 5, 8, BI_RLE8, std::vector<BYTE>(8, 0),
                                                      {0, 2, 3, 9, 0, 1}, 2), kRuns);
    bad.emplace_back("runs that stop early", MakeBmp(6, 5, 8, BI_RLE8, std::vector<BYTE>(8, 0),
                                                     {6, 1, 0, 0}, 2), kRuns);
    bad.emplace_back("top-down run-length", MakeBmp(6, -5, 8, BI_RLE8, std::vector<BYTE>(8, 0),
                                                    {0, 1}, 2), "run-length coded rows top-down");
    bad.emplace_back("no signature", std::vector<BYTE>(100, 'x'), "does not begin with \"BM\"");
    for (const auto& [what, data, why] : bad) {
        EXPECT_FALSE(LoadBytes(dib, data)) << what;
        EXPECT_TRUE(SamePicture(f, dib)) << what;
        EXPECT_TRUE(ImageReadError().contains(QLatin1String(why)))
            << what << ": " << ImageReadError().toStdString();
    }
    // Indices past a short colour table read black rather than past the table.
    ASSERT_TRUE(LoadBytes(dib, MakeBmp(2, 1, 8, BI_RGB, {0, 0, 0xFF, 0}, {0, 9, 0, 0}, 1)));
    EXPECT_EQ(dib.GetPixel(0, 0), kRed);
    EXPECT_EQ(dib.GetPixel(1, 0), 0u);
    EXPECT_FALSE(dib.LoadBMP(nullptr));
    EXPECT_FALSE(dib.FromBitmapHandle(nullptr));
}

TEST(BmpReader, LoadsOurOwnResources)
{
    CDib f, dib;
    MakeF(f);
    ASSERT_TRUE(dib.LoadResource(60001)) << BitmapResourcePath(60001).toStdString();
    EXPECT_TRUE(SamePicture(f, dib));
    EXPECT_FALSE(dib.LoadResource(60002));
    EXPECT_TRUE(SamePicture(f, dib));
}

namespace {

// Writers opened in its lifetime use a named temporary file, as where the file system has
// no unnamed ones; false keeps the unnamed kind wherever it works.
class CTemporaryKind
{
public:
    explicit CTemporaryKind(bool bNamed) { CSafeFileWriter::UseNamedTemporaryForTesting(bNamed); }
    ~CTemporaryKind() { CSafeFileWriter::UseNamedTemporaryForTesting(false); }
    CTemporaryKind(const CTemporaryKind&) = delete;
    CTemporaryKind& operator=(const CTemporaryKind&) = delete;
};

QStringList FilesIn(const TempFolder& dir)
{
    return QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files | QDir::Hidden |
                                                                QDir::System, QDir::Name);
}

}

TEST(SafeSave, FailedSavesKeepTheOldFile)
{
    for (const bool bNamed : {false, true}) {
        SCOPED_TRACE(bNamed ? "named temporary" : "unnamed temporary where it works");
        const CTemporaryKind kind(bNamed);
        TempFolder dir;
        CDib f, other;
        MakeF(f);
        ASSERT_TRUE(other.Create(64, 48));
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                other.SetPixel(x, y, DWORD(x * 0x030507 + y * 0x0B0301));
        for (const char* name : {"old.bmp", "old.jpg", "old256.bmp"}) {
            const std::string path = dir.Path(name);
            const bool palette = std::string(name) == "old256.bmp";
            ASSERT_TRUE(palette ? f.Save256ColorBMP(path.c_str()) : f.Save(path.c_str()));
            const std::vector<BYTE> before = ReadFileBytes(path);
            // A write that fails part of the way through.
            for (int64_t after : {0, 20, 100, 1000}) {
                CSafeFileWriter::FailAfterBytesForTesting(after);
                const BOOL ok =
                    palette ? other.Save256ColorBMP(path.c_str()) : other.Save(path.c_str());
                CSafeFileWriter::FailAfterBytesForTesting(-1);
                EXPECT_FALSE(ok) << name << " failing after " << after;
                EXPECT_EQ(ReadFileBytes(path), before) << name << " failing after " << after;
            }
            EXPECT_EQ(QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files).size(),
                      qsizetype(name == std::string("old.bmp")   ? 1
                                : name == std::string("old.jpg") ? 2
                                                                 : 3))
                << "no temporary file is left behind";
        }
        // A folder that does not exist, and one that cannot be written to.
        EXPECT_FALSE(f.Save(dir.Path("missing/x.bmp").c_str()));
        EXPECT_FALSE(f.Save256ColorBMP(dir.Path("missing/x.bmp").c_str()));
        EXPECT_FALSE(f.SaveJPEG(dir.Path("missing/x.jpg").c_str()));
    }
}

// A file made read-only is not replaced by a save, by root either (for whom only the
// missing write bits tell), however it is reached; it stays as it was, mode included.
// Giving it a write bit again lets the save through.
TEST(SafeSave, LeavesAReadOnlyFileAlone)
{
    for (const bool bNamed : {false, true}) {
        SCOPED_TRACE(bNamed ? "named temporary" : "unnamed temporary where it works");
        const CTemporaryKind kind(bNamed);
        TempFolder dir;
        CDib f, other;
        MakeF(f);
        ASSERT_TRUE(other.Create(4, 4));
        const std::string path = dir.Path("locked.bmp"), link = dir.Path("link.bmp");
        ASSERT_TRUE(f.SaveBMP(path.c_str()));
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
        const std::vector<BYTE> before = ReadFileBytes(path);
        for (const std::string& target : {path, link}) {
            const char* name = target.c_str();
            EXPECT_TRUE(IsReadOnlyFile(name));
            EXPECT_FALSE(other.SaveBMP(name));
            EXPECT_FALSE(other.Save256ColorBMP(name));
            EXPECT_FALSE(other.SaveJPEG(name));
            EXPECT_FALSE(other.SavePNG(name));
            EXPECT_EQ(ReadFileBytes(path), before);
        }
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        EXPECT_EQ(FilesIn(dir), QStringList({"link.bmp", "locked.bmp"}));

        ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
        EXPECT_FALSE(IsReadOnlyFile(path.c_str()));
        EXPECT_FALSE(IsReadOnlyFile(dir.Path("new.bmp").c_str()));
        EXPECT_TRUE(other.SaveBMP(link.c_str()));
        EXPECT_EQ(ReadFileBytes(path).size(), 54u + 4 * 12);
    }
}

// Where the file system has unnamed files, a save in progress has no name in the folder,
// so a save killed half-way (kill -9: no destructor runs) leaves nothing behind and the
// old file whole. A finished one replaces the target, or appears under a new name.
TEST(SafeSave, AKilledSaveLeavesNothingBehind)
{
    TempFolder dir;
    const int probe = ::open(dir.Path("").c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "this file system has no unnamed files (" << std::strerror(errno) << ")";
    ::close(probe);
    CDib f;
    MakeF(f);
    const std::string target = dir.Path("pic.bmp");
    ASSERT_TRUE(f.SaveBMP(target.c_str()));
    const std::vector<BYTE> before = ReadFileBytes(target);
    const std::vector<BYTE> data(1 << 20, 0x5A);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CSafeFileWriter writer(target.c_str());
        if (writer.IsOpen() && writer.Write(data.data(), data.size()))
            ::raise(SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer did not start";
    EXPECT_EQ(FilesIn(dir), QStringList{"pic.bmp"}) << "a killed save left a file";
    EXPECT_EQ(ReadFileBytes(target), before);

    for (const char* name : {"pic.bmp", "new.bmp"}) {
        const std::string path = dir.Path(name);
        CSafeFileWriter writer(path.c_str());
        ASSERT_TRUE(writer.IsOpen());
        ASSERT_TRUE(writer.Write(data.data(), data.size()));
        EXPECT_EQ(FilesIn(dir).size(), 1) << name << ": a save in progress shows a name";
        ASSERT_TRUE(writer.Commit()) << name;
        EXPECT_EQ(ReadFileBytes(path), data) << name;
    }
    EXPECT_EQ(FilesIn(dir), QStringList({"new.bmp", "pic.bmp"}));
}

TEST(SafeSave, ReadOnlyFolderKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: a read-only folder does not stop writes";
    TempFolder dir;
    CDib f, other;
    MakeF(f);
    ASSERT_TRUE(other.Create(64, 48));
    const std::string locked = dir.Path("locked");
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(locked)));
    const std::string target = locked + "/x.bmp";
    ASSERT_TRUE(f.Save(target.c_str()));
    const std::vector<BYTE> before = ReadFileBytes(target);
    ASSERT_TRUE(QFile::setPermissions(QString::fromStdString(locked),
                                      QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(other.Save(target.c_str()));
    EXPECT_FALSE(other.SaveJPEG(target.c_str()));
    QFile::setPermissions(QString::fromStdString(locked),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadFileBytes(target), before);
}

namespace {

// A tmpfs of a few hundred KiB mounted on a temporary folder for the length of a test:
// a real file system that runs out of space. Mounting needs root.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const char* size)
    {
        const QByteArray options = QByteArray("size=") + size;
        m_bMounted = ::mount("tmpfs", m_dir.Path("").c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                             options.constData()) == 0;
        m_nErrno = errno;
    }
    ~SmallFileSystem()
    {
        if (m_bMounted)
            ::umount2(m_dir.Path("").c_str(), MNT_DETACH);
    }
    bool IsMounted() const { return m_bMounted; }
    const char* Why() const { return std::strerror(m_nErrno); }
    std::string Path(const std::string& name) const { return m_dir.Path(name); }
    // Blocks of f_frsize bytes still free.
    int64_t FreeBlocks() const
    {
        struct statvfs st;
        return ::statvfs(m_dir.Path("").c_str(), &st) == 0 ? int64_t(st.f_bavail) : -1;
    }
    // Fills the file system until exactly nBlocks blocks are free.
    bool LeaveFree(int64_t nBlocks)
    {
        struct statvfs st;
        if (::statvfs(m_dir.Path("").c_str(), &st) != 0)
            return false;
        int64_t fill = (int64_t(st.f_bavail) - nBlocks) * int64_t(st.f_frsize);
        const int fd = ::open(m_dir.Path("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            return false;
        const std::vector<char> block(4096, 'x');
        while (fill > 0) {
            const ssize_t n = ::write(fd, block.data(), size_t(std::min<int64_t>(fill, 4096)));
            if (n <= 0)
                break;
            fill -= n;
        }
        ::close(fd);
        return FreeBlocks() == nBlocks;
    }
    void Unfill() { ::unlink(m_dir.Path("filler").c_str()); }

private:
    TempFolder m_dir;
    bool m_bMounted = false;
    int m_nErrno = 0;
};

}

// A save that runs out of space reports failure and leaves the old file, however close to
// the end of the space it stops; a save that fits writes every byte.
TEST(SafeSave, FullFileSystemAtEveryDistanceFromTheEnd)
{
    SmallFileSystem fs("512k");
    if (!fs.IsMounted())
        GTEST_SKIP() << "cannot mount a small tmpfs to fill (" << fs.Why()
                     << "); run the tests as root to check saves on a full disk";
    CDib f, picture;
    MakeF(f);
    ASSERT_TRUE(picture.Create(120, 90));
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x)
            picture.SetPixel(x, y, DWORD(x * 0x030507 + y * 0x0B0301 + (x * y) % 7));
    TempFolder elsewhere;
    struct Format
    {
        const char* name;
        BOOL (CDib::*save)(const char*) const;
    };
    for (const bool bNamed : {false, true}) {
        SCOPED_TRACE(bNamed ? "named temporary" : "unnamed temporary where it works");
        const CTemporaryKind kind(bNamed);
        for (const Format& format :
             {Format{"a.bmp", &CDib::SaveBMP}, Format{"a.jpg", &CDib::SaveJPEG},
              Format{"a256.bmp", &CDib::Save256ColorBMP}}) {
            // What the file should hold, written where space is plenty.
            const std::string reference = elsewhere.Path(format.name);
            ASSERT_TRUE((picture.*format.save)(reference.c_str()));
            const std::vector<BYTE> wanted = ReadFileBytes(reference);
            const std::string target = fs.Path(format.name);
            ASSERT_TRUE((f.*format.save)(target.c_str()));
            const std::vector<BYTE> before = ReadFileBytes(target);

            const int64_t needed = int64_t(wanted.size() + 4095) / 4096;
            for (int64_t nFree = 0; nFree <= needed + 1; ++nFree) {
                ASSERT_TRUE(fs.LeaveFree(nFree)) << "could not leave " << nFree << " blocks free";
                const BOOL ok = (picture.*format.save)(target.c_str());
                const std::vector<BYTE> after = ReadFileBytes(target);
                if (ok) {
                    EXPECT_EQ(after, wanted)
                        << format.name << " saved with " << nFree << " blocks free";
                    EXPECT_GE(nFree, needed) << format.name;
                } else {
                    EXPECT_EQ(after, before)
                        << format.name << " failed with " << nFree << " blocks free";
                    EXPECT_LT(nFree, needed) << format.name << " failed although it fits";
                    EXPECT_EQ(ImageWriteError(),
                              QStringLiteral("there is no space left on the disk"))
                        << format.name << " with " << nFree << " blocks free";
                }
                EXPECT_EQ(QDir(QString::fromStdString(fs.Path(""))).entryList(QDir::Files).size(),
                          2)
                    << "no temporary file left with " << nFree << " blocks free";
                fs.Unfill();
                if (ok) { // back to the old file for the next distance
                    ASSERT_TRUE((f.*format.save)(target.c_str()));
                }
            }
            ::unlink(target.c_str());
        }
    }
}

// Only a regular file or a new name is replaced by a save; anything else (a FIFO, a device,
// a link to one) stays what it was and the save fails. A replaced file keeps its mode.
TEST(SafeSave, NeverReplacesWhatIsNotARegularFile)
{
    TempFolder dir;
    CDib f;
    MakeF(f);
    const std::string fifo = dir.Path("fifo.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = dir.Path("link.bmp");
    ASSERT_EQ(::symlink(fifo.c_str(), link.c_str()), 0);
    std::vector<std::string> targets = {fifo, link};
    const std::string device = dir.Path("null.bmp");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) // what /dev/null is
        targets.push_back(device);
    for (const std::string& target : targets) {
        struct stat was, is;
        ASSERT_EQ(::lstat(target.c_str(), &was), 0);
        EXPECT_FALSE(f.Save(target.c_str())) << target;
        EXPECT_FALSE(f.SaveJPEG(target.c_str())) << target;
        EXPECT_FALSE(f.Save256ColorBMP(target.c_str())) << target;
        ASSERT_EQ(::lstat(target.c_str(), &is), 0);
        EXPECT_EQ(is.st_mode, was.st_mode) << target;
        EXPECT_EQ(is.st_ino, was.st_ino) << target;
    }
    EXPECT_FALSE(f.Save(dir.Path("").c_str())) << "a folder";

    const std::string plain = dir.Path("plain.bmp");
    ASSERT_TRUE(f.Save(plain.c_str()));
    ASSERT_EQ(::chmod(plain.c_str(), 0640), 0);
    const std::string toPlain = dir.Path("toplain.bmp");
    ASSERT_EQ(::symlink(plain.c_str(), toPlain.c_str()), 0);
    CDib other;
    ASSERT_TRUE(other.Create(5, 5));
    EXPECT_TRUE(other.Save(toPlain.c_str()));
    struct stat st;
    ASSERT_EQ(::lstat(toPlain.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(::stat(plain.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_size, 54 + 5 * 16);
}

// Readers refuse anything but a regular file before opening it: a FIFO would block them.
TEST(ImageFileRead, RefusesFifosAndDevicesWithoutBlocking)
{
    TempFolder dir;
    CDib dib;
    ASSERT_TRUE(dib.Create(3, 3));
    for (const char* name : {"pipe.bmp", "pipe.jpg", "pipe.tga"}) {
        const std::string fifo = dir.Path(name);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        auto load = std::async(std::launch::async, [&] { return dib.Load(fifo.c_str()); });
        const bool finished = load.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        if (!finished) // free the blocked reader: a writer that closes at once gives it EOF
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        EXPECT_TRUE(finished) << name << ": the read blocked on a FIFO";
        EXPECT_FALSE(load.get()) << name;
    }
    EXPECT_FALSE(dib.Load("/dev/zero"));
    EXPECT_FALSE(dib.Load(dir.Path("").c_str()));
    EXPECT_EQ(dib.m_nWidth, 3);
}

// A save writes the file the name stands for, as it is: another hard link of it sees the new
// picture, a symbolic link stays one (a dangling one has its target made), the owner and
// group stay whoever they were, and a file made read-only while the save ran is left alone.
TEST(SafeSave, KeepsLinksOwnersAndALateReadOnly)
{
    for (const bool bNamed : {false, true}) {
        SCOPED_TRACE(bNamed ? "named temporary" : "unnamed temporary where it works");
        const CTemporaryKind kind(bNamed);
        TempFolder dir;
        CDib f, other;
        MakeF(f);
        ASSERT_TRUE(other.Create(4, 4));
        const std::string path = dir.Path("a.bmp"), hard = dir.Path("b.bmp");
        ASSERT_TRUE(f.SaveBMP(path.c_str()));
        ASSERT_EQ(::link(path.c_str(), hard.c_str()), 0);
        ASSERT_TRUE(other.SaveBMP(path.c_str()));
        EXPECT_EQ(ReadFileBytes(hard), ReadFileBytes(path)) << "the hard link was split";
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_nlink, 2u);

        const std::string link = dir.Path("link.png"), target = dir.Path("made.png");
        ASSERT_EQ(::symlink("made.png", link.c_str()), 0);
        ASSERT_TRUE(other.SavePNG(link.c_str()));
        ASSERT_EQ(::lstat(link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the dangling link was replaced";
        CDib back;
        EXPECT_TRUE(back.LoadPNG(target.c_str()));

        if (geteuid() == 0) {
            ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
            ASSERT_TRUE(f.SaveBMP(path.c_str()));
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, 1234u);
            EXPECT_EQ(st.st_gid, 5678u);
            ASSERT_EQ(::unlink(hard.c_str()), 0);
            ASSERT_TRUE(other.SaveBMP(path.c_str())); // now by rename
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, 1234u);
            EXPECT_EQ(st.st_gid, 5678u);
        }

        const std::vector<BYTE> before = ReadFileBytes(target);
        CSafeFileWriter writer(target.c_str());
        ASSERT_TRUE(writer.IsOpen());
        ASSERT_TRUE(writer.Write("new", 3));
        ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
        EXPECT_FALSE(writer.Commit());
        EXPECT_TRUE(ImageWriteError().contains(QLatin1String("read-only")));
        EXPECT_EQ(ReadFileBytes(target), before);
        EXPECT_EQ(FilesIn(dir), QStringList({"a.bmp", "link.png", "made.png"}));
    }
}

// A named temporary file that a kill left behind is removed by the next save of the same
// target, and only then; a failed write says why.
TEST(SafeSave, TheNextSaveRemovesAKilledSavesLeftoverAndFailuresSayWhy)
{
    const CTemporaryKind kind(true);
    TempFolder dir;
    CDib f;
    MakeF(f);
    const std::string target = dir.Path("pic.bmp");
    ASSERT_TRUE(f.SaveBMP(target.c_str()));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CSafeFileWriter writer(target.c_str());
        if (writer.IsOpen() && writer.Write("partial", 7))
            ::raise(SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(FilesIn(dir).size(), 2) << "no leftover to find";
    ASSERT_TRUE(f.SaveBMP(dir.Path("other.bmp").c_str()));
    EXPECT_EQ(FilesIn(dir).size(), 3) << "a save of another file took the leftover";
    ASSERT_TRUE(f.SaveBMP(target.c_str()));
    EXPECT_EQ(FilesIn(dir), QStringList({"other.bmp", "pic.bmp"}));

    CSafeFileWriter::FailAfterBytesForTesting(10);
    EXPECT_FALSE(f.SaveBMP(target.c_str()));
    CSafeFileWriter::FailAfterBytesForTesting(-1);
    EXPECT_EQ(ImageWriteError(), QStringLiteral("there is no space left on the disk"));
}
