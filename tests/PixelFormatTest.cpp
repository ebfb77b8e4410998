#include "GLTestSupport.h"
#include "gl/PixelFormat.h"

namespace {

PIXELFORMATDESCRIPTOR Format(DWORD flags, int colorBits, int depthBits,
                             BYTE pixelType = PFD_TYPE_RGBA)
{
    PIXELFORMATDESCRIPTOR pfd;
    pfd.dwFlags = flags;
    pfd.cColorBits = static_cast<BYTE>(colorBits);
    pfd.cDepthBits = static_cast<BYTE>(depthBits);
    pfd.iPixelType = pixelType;
    return pfd;
}

QStringList LogLines(const CScopedTempFolder& temp)
{
    QStringList lines = temp.ReadLines("pixformat_test.txt");
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

constexpr DWORD kBitmap = kBitmapFormatFlags;

}

TEST(PixelFormat, EqualDifferencesPickTheLowerIndex)
{
    CScopedTempFolder temp;
    const CPixelFormatList device({
        Format(kBitmap, 16, 16),                             // too few colour bits
        Format(kBitmap, 32, 16),                             // difference 8
        Format(kBitmap, 24, 24),                             // difference 8
        Format(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_GENERIC_FORMAT, 24, 16),
    });
    EXPECT_EQ(ChooseBestPixelFormat(device, 24, 16, FALSE, kBitmap, "pixformat_test.txt"), 2);
    const QStringList lines = LogLines(temp);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), "Pixel Format 2 selected");
    EXPECT_EQ(lines.mid(3, 7), QStringList({"Pixel Format 1:", "\tDraw to bitmap",
                                            "\tSupports OpenGL: yes", "\tAccelerated: no",
                                            "\tColor Bits = 16, Depth Bits = 16",
                                            "Pixel Format 2:", "\tDraw to bitmap"}));
    EXPECT_TRUE(lines.contains("Pixel Format 2 meets needed criteria"));
    EXPECT_TRUE(lines.contains("Pixel Format 3 meets needed criteria"));
    EXPECT_EQ(lines.count("Total difference = 8"), 2);
    EXPECT_TRUE(lines.contains("\tDraw to window"));
    EXPECT_FALSE(lines.contains("Pixel Format 4 meets needed criteria")) << "lacks bitmap flags";
}

TEST(PixelFormat, AcceleratedAndColorIndexFormats)
{
    CScopedTempFolder temp;
    const CPixelFormatList device({
        Format(kBitmap | PFD_GENERIC_ACCELERATED, 24, 16),
        Format(kBitmap, 24, 16, PFD_TYPE_COLORINDEX),
        Format(kBitmap, 32, 32),
    });
    EXPECT_EQ(ChooseBestPixelFormat(device, 24, 16, FALSE, kBitmap, "pixformat_test.txt"), 3);
    QStringList lines = LogLines(temp);
    EXPECT_TRUE(lines.contains("Pixel Format 1:")) << "logged though refused";
    EXPECT_TRUE(lines.contains("\tAccelerated: yes"));
    EXPECT_FALSE(lines.contains("Pixel Format 1 meets needed criteria"));
    EXPECT_FALSE(lines.contains("Pixel Format 2:")) << "colour-index formats are not logged";
    EXPECT_EQ(lines.last(), "Pixel Format 3 selected");

    EXPECT_EQ(ChooseBestPixelFormat(device, 24, 16, TRUE, kBitmap, "pixformat_test.txt"), 1);
    const CPixelFormatList onlyAccelerated({Format(kBitmap | PFD_GENERIC_ACCELERATED, 24, 16)});
    EXPECT_EQ(
        ChooseBestPixelFormat(onlyAccelerated, 24, 16, FALSE, kBitmap, "pixformat_test.txt"), -1);
    lines = LogLines(temp);
    EXPECT_EQ(lines.last(), "Pixel Format -1 selected");
}

TEST(PixelFormat, DeviceThatCannotDescribeItsFormats)
{
    CScopedTempFolder temp;
    const CPixelFormatList device({}, "No display");
    EXPECT_EQ(ChooseBestPixelFormat(device, 24, 16, FALSE, kBitmap, "pixformat_test.txt"), -1);
    const QStringList lines = LogLines(temp);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2],
              "Failure calling DescribePixelFormat. Getting extended error info...");
    EXPECT_EQ(lines.last(), "No display.");
}
