// PNG files through libpng: round trips, what ImageMagick writes, and
// files made to hurt.
#include "ImageTestUtil.h"

#include "document/Settings.h"
#include "imagefile/ImageFile.h"
#include "imagefile/SafeFile.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstdio>

using namespace imagetest;

namespace {

// A picture where every pixel differs from its neighbours and every byte value occurs.
void MakeNoise(CDib& dib, int width, int height)
{
    dib.Create(width, height);
    uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            dib.SetPixel(x, y, state >> 8);
        }
}

// Sets the background colour setting for the length of a test.
class CBackground
{
public:
    explicit CBackground(COLORREF color) : m_old(g_crBkgndColor) { g_crBkgndColor = color; }
    ~CBackground() { g_crBkgndColor = m_old; }

private:
    COLORREF m_old;
};

void AppendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    auto be32 = [&](uint32_t v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        png.append(b, 4);
    };
    be32(static_cast<uint32_t>(data.size()));
    png.append(body);
    be32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.constData()),
                                     static_cast<uInt>(body.size()))));
}

// A PNG of the stated size and 8-bit colour type whose image data inflates to rawBytes
// zero bytes (filter "none", black), whatever the size needs.
QByteArray HandMadePng(uint32_t width, uint32_t height, int colourType, size_t rawBytes)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr.append(char(v >> shift));
    ihdr.append(char(8)).append(char(colourType)).append(3, '\0');
    AppendChunk(png, "IHDR", ihdr);
    const std::vector<Bytef> raw(rawBytes, 0);
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<Bytef> packed(size);
    compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    AppendChunk(png, "IDAT", QByteArray(reinterpret_cast<const char*>(packed.data()), int(size)));
    AppendChunk(png, "IEND", QByteArray());
    return png;
}

void WriteBytes(const std::string& path, const QByteArray& bytes)
{
    WriteFileBytes(path, std::vector<BYTE>(bytes.begin(), bytes.end()));
}


// The bytes of a noise picture saved by us.
QByteArray SavedNoisePng(const TempFolder& dir, int width, int height)
{
    CDib dib;
    MakeNoise(dib, width, height);
    const std::string path = dir.Path("noise.png");
    EXPECT_TRUE(dib.SavePNG(path.c_str()));
    const std::vector<BYTE> bytes = ReadFileBytes(path);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}

// A small picture saved by us, split before its end chunk so that chunks can go in between.
QByteArray SavedPngBeforeEnd(const TempFolder& dir)
{
    return SavedNoisePng(dir, 5, 4).chopped(12);
}

QByteArray Deflated(const QByteArray& text)
{
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::vector<Bytef> packed(size);
    compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(text.constData()),
              static_cast<uLong>(text.size()), 9);
    return QByteArray(reinterpret_cast<const char*>(packed.data()), int(size));
}

// An 8-bit RGBA PNG of the pixels given (top row first), interlaced or not, through libpng.
void WriteRgbaPng(const std::string& path, int width, int height, const std::vector<BYTE>& rgba,
                  bool bInterlaced)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA,
                 bInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(const_cast<png_bytep>(rgba.data()) + size_t(y) * width * 4);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

}

// Every pixel and the text chunk come back; the file is plain 8-bit RGB; names choose PNG
// in any case.
TEST(PngFile, RoundTripKeepsEveryPixelAndTheText)
{
    TempFolder dir;
    CDib picture, back;
    MakeNoise(picture, 37, 23); // odd width: padded rows
    const std::string path = dir.Path("noise.PNG");
    const QString text = QStringLiteral("{\"name\": \"two  spaces\\nand a line\", \"\u00e9\": 1}");
    ASSERT_TRUE(picture.SavePNG(path.c_str(), text));
    QString read;
    ASSERT_TRUE(back.LoadPNG(path.c_str(), &read));
    EXPECT_TRUE(SamePicture(picture, back));
    EXPECT_EQ(read, text);
    const std::vector<BYTE> bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes[24], 8); // bit depth
    EXPECT_EQ(bytes[25], 2); // colour type RGB

    // By extension, through Load and Save.
    CDib again;
    ASSERT_TRUE(back.Save(dir.Path("copy.png").c_str()));
    ASSERT_TRUE(again.Load(dir.Path("copy.png").c_str()));
    EXPECT_TRUE(SamePicture(picture, again));
    EXPECT_EQ(ImageFileTypeFromName("a.Png"), EImageFileType::Png);
}

// A picture whose pixels are all grey is saved as a grey PNG, a third of the data, and opens
// as the same pixels with its text.
TEST(PngFile, GreyPicturesSaveAsGreyAndOpenTheSame)
{
    TempFolder dir;
    CDib grey, back;
    MakeNoise(grey, 37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            grey.SetPixel(x, y, (grey.GetPixel(x, y) & 0xFF) * 0x010101);
    const std::string path = dir.Path("grey.png");
    ASSERT_TRUE(grey.SavePNG(path.c_str(), QStringLiteral("{\"steps\": []}")));
    EXPECT_EQ(ReadFileBytes(path)[25], 0) << "colour type grey";
    QString text;
    ASSERT_TRUE(back.LoadPNG(path.c_str(), &text));
    EXPECT_TRUE(SamePicture(grey, back));
    EXPECT_EQ(text, QStringLiteral("{\"steps\": []}"));

    // One pixel off grey: the file is colour again.
    grey.SetPixel(36, 22, 0x102030);
    ASSERT_TRUE(grey.SavePNG(path.c_str()));
    EXPECT_EQ(ReadFileBytes(path)[25], 2) << "colour type RGB";
    ASSERT_TRUE(back.LoadPNG(path.c_str()));
    EXPECT_TRUE(SamePicture(grey, back));
}

// The save streams through the safe writer: a write failing anywhere, in the header or
// between rows, fails the save and keeps the old file.
TEST(PngFile, AFailedSaveKeepsTheOldFile)
{
    TempFolder dir;
    CDib f, noise;
    MakeF(f);
    MakeNoise(noise, 64, 48); // some 9 KB of image data
    const std::string path = dir.Path("old.png");
    ASSERT_TRUE(f.SavePNG(path.c_str()));
    const std::vector<BYTE> before = ReadFileBytes(path);
    for (int64_t after : {0, 20, 100, 5000}) {
        CSafeFileWriter::FailAfterBytesForTesting(after);
        const BOOL ok = noise.SavePNG(path.c_str(), QStringLiteral("recipe"));
        CSafeFileWriter::FailAfterBytesForTesting(-1);
        EXPECT_FALSE(ok) << "failing after " << after;
        EXPECT_EQ(ReadFileBytes(path), before) << "failing after " << after;
    }
    EXPECT_EQ(QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files).size(), 1)
        << "no temporary file is left behind";
}

// Paletted, grey, 16-bit, transparent and interlaced files from ImageMagick open as the
// pixels they hold, transparency laid over the background colour.
TEST(PngFile, ForeignFilesOpenAsExpected)
{
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempFolder dir;
    const CBackground background(RGB(10, 200, 30));
    CDib f, noise, got;
    MakeF(f, 3);
    MakeNoise(noise, 21, 17);
    WritePpm(f, dir.Path("f.ppm"));
    WritePpm(noise, dir.Path("noise.ppm"));

    struct Case
    {
        const char* szName;
        const CDib& source;
        const char* szSource;
        const char* szOptions;
        const char* szFormat;
    };
    const Case cases[] = {
        {"paletted", f, "f.ppm", "", "PNG8"},
        {"16-bit", noise, "noise.ppm", "-depth 16", "PNG48"},
        {"interlaced", noise, "noise.ppm", "-interlace PNG", "PNG24"},
        {"opaque alpha", noise, "noise.ppm", "-alpha opaque", "PNG32"},
    };
    for (const Case& c : cases) {
        const std::string out = dir.Path(std::string(c.szName) + ".png");
        ASSERT_TRUE(RunConvert(dir.Path(c.szSource), c.szOptions, c.szFormat, out)) << c.szName;
        ASSERT_TRUE(got.LoadPNG(out.c_str())) << c.szName;
        EXPECT_TRUE(SamePicture(c.source, got)) << c.szName;
    }
    // Paletted files are really paletted, and interlaced ones interlaced.
    EXPECT_EQ(ReadFileBytes(dir.Path("paletted.png"))[25], 3);
    EXPECT_EQ(ReadFileBytes(dir.Path("interlaced.png"))[28], 1);

    // Grey: the three channels of each pixel equal the grey value written.
    const std::string grey = dir.Path("grey.png");
    ASSERT_EQ(std::system(("convert -size 1x256 gradient:black-white -define png:color-type=0 "
                           "-define png:bit-depth=8 '" + grey + "' >/dev/null 2>&1").c_str()),
              0);
    ASSERT_TRUE(got.LoadPNG(grey.c_str()));
    ASSERT_EQ(got.GetSize(), CSize(1, 256));
    EXPECT_EQ(ReadFileBytes(grey)[25], 0) << "not a grey PNG";
    for (int y = 0; y < 256; ++y) {
        const DWORD c = TopPixel(got, 0, y);
        EXPECT_TRUE(((c >> 16) & 0xFF) == (c & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF)) << Hex(c);
    }
    EXPECT_EQ(TopPixel(got, 0, 0), 0u);
    EXPECT_EQ(TopPixel(got, 0, 255), 0xFFFFFFu);

    // Alpha: opaque red, see-through blue, half-transparent white over the background.
    const std::string alpha = dir.Path("alpha.png");
    ASSERT_EQ(std::system(("convert -size 2x1 xc:'rgba(255,0,0,1)' -size 2x1 xc:'rgba(0,0,255,0)' "
                           "-size 2x1 xc:'rgba(255,255,255,0.5)' +append PNG32:'" + alpha +
                           "' >/dev/null 2>&1").c_str()),
              0);
    ASSERT_TRUE(got.LoadPNG(alpha.c_str()));
    EXPECT_EQ(TopPixel(got, 0, 0), 0xFF0000u);
    EXPECT_EQ(TopPixel(got, 2, 0), 0x0AC81Eu); // the background, RGB(10, 200, 30)
    const DWORD half = TopPixel(got, 4, 0);
    EXPECT_NEAR(int(half >> 16), (255 + 10) / 2, 1) << Hex(half);
    EXPECT_NEAR(int((half >> 8) & 0xFF), (255 + 200) / 2, 1) << Hex(half);
    EXPECT_NEAR(int(half & 0xFF), (255 + 30) / 2, 1) << Hex(half);
}

// Sizes past the picture limit, truncated data, a damaged checksum and a decompression
// bomb: refused (or read as the small picture they are) quickly, and a refused file leaves
// the picture as it was.
TEST(PngFile, HostileFilesAreRefusedWithoutHarm)
{
    TempFolder dir;
    CDib sound;
    MakeNoise(sound, 64, 48);
    const std::string good = dir.Path("good.png");
    ASSERT_TRUE(sound.SavePNG(good.c_str()));
    const std::vector<BYTE> bytes = ReadFileBytes(good);
    const QByteArray original(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));

    QByteArray truncated = original.left(original.size() * 2 / 3);
    // The image data's checksum damaged, the data itself sound.
    QByteArray badCrc = original;
    const int idat = badCrc.indexOf("IDAT");
    ASSERT_GT(idat, 4);
    const int idatLength = (uchar(badCrc[idat - 4]) << 24) | (uchar(badCrc[idat - 3]) << 16) |
                           (uchar(badCrc[idat - 2]) << 8) | uchar(badCrc[idat - 1]);
    badCrc[idat + 4 + idatLength] = char(badCrc[idat + 4 + idatLength] ^ 0x55);
    const struct
    {
        const char* szName;
        QByteArray bytes;
    } hostile[] = {
        {"too-wide", HandMadePng(70000, 1, 0, 70001)},
        // 30000 x 30000 is under the side limit but 2.5 GiB of pixels; the data is tiny.
        {"too-many-pixels", HandMadePng(30000, 30000, 2, 30001)},
        {"zero-height", HandMadePng(16, 0, 2, 0)},
        {"truncated", truncated},
        {"bad-crc", badCrc},
        {"not-a-png", QByteArray("GIF89a and then some")},
    };
    CDib picture;
    MakeF(picture);
    QElapsedTimer timer;
    timer.start();
    for (const auto& h : hostile) {
        const std::string path = dir.Path(std::string(h.szName) + ".png");
        WriteBytes(path, h.bytes);
        QString text = QStringLiteral("untouched");
        EXPECT_FALSE(picture.LoadPNG(path.c_str(), &text)) << h.szName;
        EXPECT_TRUE(BlockMiddlesMatch(picture, 1, 0)) << h.szName;
        EXPECT_EQ(text, QStringLiteral("untouched")) << h.szName;
    }
    // A bomb: a 16 x 16 picture whose data inflates to 64 MiB. Only what the picture
    // needs is inflated.
    const std::string bomb = dir.Path("bomb.png");
    WriteBytes(bomb, HandMadePng(16, 16, 2, size_t(64) << 20));
    CDib small;
    if (small.LoadPNG(bomb.c_str())) {
        EXPECT_EQ(small.GetSize(), CSize(16, 16));
        EXPECT_TRUE(PixelIs(small, 5, 5, 0));
    }
    EXPECT_LT(timer.elapsed(), 10000);
}

// Transparent pictures, interlaced or not, open as the same pixels: each pass's pixels are
// laid over the background where they belong.
TEST(PngFile, InterlacedAlphaOpensAsThePlainFileDoes)
{
    TempFolder dir;
    const CBackground background(RGB(10, 200, 30));
    const int w = 13, h = 11;
    std::vector<BYTE> rgba(size_t(w) * h * 4);
    uint32_t state = 99;
    for (BYTE& b : rgba) {
        state = state * 1664525u + 1013904223u;
        b = BYTE(state >> 24);
    }
    const std::string plain = dir.Path("plain.png"), interlaced = dir.Path("interlaced.png");
    WriteRgbaPng(plain, w, h, rgba, false);
    WriteRgbaPng(interlaced, w, h, rgba, true);
    CDib a, b;
    ASSERT_TRUE(a.LoadPNG(plain.c_str()));
    ASSERT_TRUE(b.LoadPNG(interlaced.c_str())) << ImageReadError().toStdString();
    EXPECT_TRUE(SamePicture(a, b));
    // The top-left pixel, laid over the background by hand.
    const BYTE* p = rgba.data();
    const auto over = [&](int c, int bg) { return (c * p[3] + bg * (255 - p[3]) + 127) / 255; };
    EXPECT_EQ(TopPixel(b, 0, 0), DWORD(over(p[0], 10) << 16 | over(p[1], 200) << 8 |
                                       over(p[2], 30)));
}

// Text that is not the recipe is skipped unread however much of it there is; the recipe is
// found behind it, held to its own bound, and "no recipe" means there is none.
TEST(PngFile, TheRecipeIsFoundBehindOtherTextAndHeldToItsBound)
{
    TempFolder dir;
    const QByteArray head = SavedPngBeforeEnd(dir);
    QByteArray end;
    AppendChunk(end, "IEND", QByteArray());
    const QByteArray key = QByteArray("Skyloom recipe") + '\0';
    QByteArray others;
    for (int i = 0; i < 1500; ++i)
        AppendChunk(others, "tEXt", QByteArray("Comment") + '\0' + QByteArray::number(i));
    const QByteArray recipe = "Skyloom recipe 1\nsize 5 4\n";
    QByteArray behind = head + others;
    AppendChunk(behind, "zTXt", key + '\0' + Deflated(recipe));
    QByteArray huge = head;
    AppendChunk(huge, "zTXt", key + '\0' + Deflated(QByteArray(17 << 20, 'a')));
    QByteArray international = head;
    AppendChunk(international, "iTXt",
                key + QByteArray("\1\0", 2) + "en" + '\0' + '\0' + Deflated(recipe));
    const struct
    {
        const char* szName;
        QByteArray bytes;
        QByteArray recipe;
        const char* szRecipeError;
    } cases[] = {
        {"behind 1500 other chunks", behind + end, recipe, ""},
        {"international", international + end, recipe, ""},
        {"17 MiB", huge + end, "", "larger than the 16 MiB"},
        {"none", head + others + end, "", ""},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Path("text.png");
        WriteBytes(path, c.bytes);
        CDib dib;
        QString text, error = QStringLiteral("untouched");
        ASSERT_TRUE(dib.LoadPNG(path.c_str(), &text, &error)) << c.szName;
        EXPECT_EQ(dib.GetSize(), CSize(5, 4)) << c.szName;
        EXPECT_EQ(text.toUtf8(), c.recipe) << c.szName;
        if (*c.szRecipeError)
            EXPECT_TRUE(error.contains(QLatin1String(c.szRecipeError))) << error.toStdString();
        else
            EXPECT_TRUE(error.isEmpty()) << c.szName << ": " << error.toStdString();
    }
}

// Each refusal says why, as the other readers do; a file plainly too short for the rows its
// header states is refused before anything is allocated for them, and data past the last
// row is not read.
TEST(PngFile, RefusalsSayWhy)
{
    TempFolder dir;
    const QByteArray original = SavedNoisePng(dir, 64, 48);
    QByteArray badData = original;
    badData[original.indexOf("IDAT") + 8] = char(0xFF); // the stream's header
    // A 69-byte interlaced RGBA file stating 18918 x 18918 pixels.
    QByteArray tiny = HandMadePng(18918, 18918, 6, 0);
    tiny[28] = 1;
    const struct
    {
        const char* szName;
        QByteArray bytes;
        const char* szWhy;
    } cases[] = {
        {"truncated", original.left(original.size() - 40), "more than the file holds"},
        {"short data", HandMadePng(64, 48, 2, 100), "damaged (libpng: Not enough image data)"},
        {"damaged data", badData, "damaged (libpng: "},
        {"interlaced and tiny", tiny, "cannot hold the 18918 x 18918 pixels"},
        {"too large", HandMadePng(70000, 1, 0, 70001), "no picture size we open"},
        {"not a PNG", QByteArray("\x89PNX and more"), "not a PNG file"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Path("bad.png");
        WriteBytes(path, c.bytes);
        CDib dib;
        EXPECT_FALSE(dib.LoadPNG(path.c_str())) << c.szName;
        EXPECT_TRUE(ImageReadError().contains(QLatin1String(c.szWhy)))
            << c.szName << ": " << ImageReadError().toStdString();
    }
}
