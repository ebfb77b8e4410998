#include "ImageTestUtil.h"

#include "imagefile/ImageFile.h"
#include "imagefile/SafeFile.h"

#include <QDir>

#include <gtest/gtest.h>

#include <dirent.h>

using namespace imagetest;

namespace {

// Open descriptors of this process: a reader that fails must still close its file.
int OpenFileCount()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n;
}

}

TEST(JpegFile, WrittenPicturesReadBackUpright)
{
    TempFolder dir;
    CDib f, back;
    MakeF(f, 8); // 8 x 8 blocks: what JPEG keeps well
    const std::string path = dir.Path("f.jpg");
    ASSERT_TRUE(f.SaveJPEG(path.c_str()));
    ASSERT_TRUE(back.LoadJPEG(path.c_str()));
    EXPECT_TRUE(BlockMiddlesMatch(back, 8, 24));

    // A written file is a baseline JPEG: SOI, then a start-of-frame 0 and no progressive one.
    const std::vector<BYTE> d = ReadFileBytes(path);
    ASSERT_GE(d.size(), 4u);
    EXPECT_EQ(d[0], 0xFF);
    EXPECT_EQ(d[1], 0xD8);
    bool baseline = false;
    for (size_t i = 0; i + 1 < d.size(); ++i)
        if (d[i] == 0xFF && d[i + 1] == 0xC0)
            baseline = true;
    EXPECT_TRUE(baseline);

    CDib one;
    ASSERT_TRUE(one.Create(1, 1));
    one.Fill(0x20C040);
    ASSERT_TRUE(one.SaveJPEG(path.c_str()));
    ASSERT_TRUE(back.LoadJPEG(path.c_str()));
    EXPECT_EQ(back.GetSize(), CSize(1, 1));
    EXPECT_TRUE(SamePicture(one, back, 6));
    CDib empty;
    EXPECT_FALSE(empty.SaveJPEG(path.c_str()));
}

TEST(JpegFile, ForeignColourGrayAndCmykFiles)
{
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempFolder dir;
    CDib f, got;
    MakeF(f, 8);
    WritePpm(f, dir.Path("in.ppm"));

    ASSERT_TRUE(RunConvert(dir.Path("in.ppm"), "-quality 98", "JPEG", dir.Path("c.jpg")));
    ASSERT_TRUE(got.LoadJPEG(dir.Path("c.jpg").c_str()));
    EXPECT_TRUE(BlockMiddlesMatch(got, 8, 24));

    // Grayscale files give three equal channels.
    ASSERT_TRUE(RunConvert(dir.Path("in.ppm"), "-colorspace Gray", "JPEG", dir.Path("g.jpg")));
    ASSERT_TRUE(got.LoadJPEG(dir.Path("g.jpg").c_str()));
    ASSERT_EQ(got.GetSize(), f.GetSize());
    bool allEqual = true;
    for (int y = 0; y < got.m_nHeight; ++y)
        for (int x = 0; x < got.m_nWidth; ++x) {
            const DWORD c = got.GetPixel(x, y);
            allEqual &= ((c >> 16) & 0xFF) == (c & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF);
        }
    EXPECT_TRUE(allEqual);
    // Red is lighter than blue in gray: the top bar of the F against the corner beside it.
    EXPECT_GT(int(TopPixel(got, 12, 4) & 0xFF), int(TopPixel(got, 44, 4) & 0xFF) + 20);

    // CMYK is refused, the picture kept and the file closed.
    ASSERT_TRUE(RunConvert(dir.Path("in.ppm"), "-colorspace CMYK", "JPEG", dir.Path("k.jpg")));
    MakeF(got);
    const int before = OpenFileCount();
    EXPECT_FALSE(got.LoadJPEG(dir.Path("k.jpg").c_str()));
    EXPECT_EQ(OpenFileCount(), before);
    CDib small;
    MakeF(small);
    EXPECT_TRUE(SamePicture(small, got));
}

TEST(JpegFile, ProgressiveFilesWithAbsurdSizesAreRefused)
{
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempFolder dir;
    CDib f, got;
    MakeF(f, 8);
    WritePpm(f, dir.Path("in.ppm"));
    const std::string path = dir.Path("p.jpg");
    ASSERT_TRUE(RunConvert(dir.Path("in.ppm"), "-interlace Plane -sampling-factor 1x1", "JPEG",
                           path));
    ASSERT_TRUE(got.LoadJPEG(path.c_str()));
    EXPECT_TRUE(BlockMiddlesMatch(got, 8, 24));
    // The same file claiming 16000 x 16000 pixels: its coefficients alone would take 1.5 GB.
    std::vector<BYTE> d = ReadFileBytes(path);
    size_t sof = 0;
    for (size_t i = 0; i + 8 < d.size() && !sof; ++i)
        if (d[i] == 0xFF && d[i + 1] == 0xC2)
            sof = i;
    ASSERT_NE(sof, 0u) << "a progressive frame";
    for (size_t at : {sof + 5, sof + 7}) {
        d[at] = 0x3E;
        d[at + 1] = 0x80;
    }
    WriteFileBytes(path, d);
    EXPECT_FALSE(got.LoadJPEG(path.c_str()));
    EXPECT_TRUE(BlockMiddlesMatch(got, 8, 24)) << "the picture is kept";
}

TEST(JpegFile, BrokenFilesFailWithoutTouchingThePicture)
{
    TempFolder dir;
    CDib f, dib;
    MakeF(f);
    MakeF(dib);
    const int before = OpenFileCount();
    const std::string text = dir.Path("text.jpg");
    WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_FALSE(dib.LoadJPEG(text.c_str()));
    EXPECT_FALSE(dib.LoadJPEG(dir.Path("missing.jpg").c_str()));
    EXPECT_FALSE(dib.LoadJPEG(nullptr));

    // Cut inside the headers: an error. Cut inside the picture data: the library warns,
    // fills the rest, and the picture opens.
    CDib big;
    MakeF(big, 8);
    const std::string good = dir.Path("good.jpg");
    ASSERT_TRUE(big.SaveJPEG(good.c_str()));
    const std::vector<BYTE> d = ReadFileBytes(good);
    for (size_t n : {size_t(0), size_t(2), size_t(20), size_t(100)}) {
        WriteFileBytes(text, std::vector<BYTE>(d.begin(), d.begin() + n));
        EXPECT_FALSE(dib.LoadJPEG(text.c_str())) << n;
        // The library's own reason is kept, as the other readers give theirs.
        EXPECT_TRUE(ImageReadError().startsWith(QLatin1String("it is damaged (libjpeg: ")))
            << n << ": " << ImageReadError().toStdString();
    }
    EXPECT_TRUE(SamePicture(f, dib));
    WriteFileBytes(text, std::vector<BYTE>(d.begin(), d.end() - 40));
    EXPECT_TRUE(dib.LoadJPEG(text.c_str()));
    EXPECT_EQ(dib.GetSize(), big.GetSize());
    EXPECT_EQ(OpenFileCount(), before);
}

TEST(JpegFile, FailedWriteRemovesThePartialFile)
{
    TempFolder dir;
    CDib big;
    ASSERT_TRUE(big.Create(300, 200));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            big.SetPixel(x, y, DWORD(x * 0x010203 + y * 0x030101));
    const std::string path = dir.Path("new.jpg");
    CSafeFileWriter::FailAfterBytesForTesting(1000);
    EXPECT_FALSE(big.SaveJPEG(path.c_str()));
    CSafeFileWriter::FailAfterBytesForTesting(-1);
    EXPECT_TRUE(QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(big.SaveJPEG(path.c_str()));
}
