#include "GLTestSupport.h"
#include "gl/GLMaterial.h"

#include <GL/gl.h>


#include <cstdio>
#include <unistd.h>

namespace {

constexpr DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

void FillTriangle(float x0, float y0, float x1, float y1, float x2, float y2)
{
    glBegin(GL_TRIANGLES);
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glEnd();
}

long ResidentPages()
{
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident;
}

}

using OffscreenContext = GLTest;

TEST_F(OffscreenContext, DrawingComesBackBottomUp)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(64, 48));
    ASSERT_TRUE(dib.CreateGLContext());
    CGLOffscreenContext* context = dib.GetGLContext();
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(context->MakeCurrent());
    EXPECT_TRUE(context->IsCurrent());
    EXPECT_EQ(CGLOffscreenContext::GetCurrent(), context);

    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    PixelProjection(64, 48);
    glPointSize(1);
    glBegin(GL_POINTS);
    glColor3f(1, 0, 0);
    glVertex2f(3.5f, 0.5f);
    glColor3f(0, 1, 0);
    glVertex2f(60.5f, 46.5f);
    glEnd();
    glColor3f(1, 1, 1);
    FillTriangle(20, 10, 40, 10, 20, 30); // lower-left half of the square 20..40 x 10..30
    context->Release();
    EXPECT_FALSE(context->IsCurrent());
    EXPECT_EQ(CGLOffscreenContext::GetCurrent(), nullptr);

    EXPECT_TRUE(PixelIs(dib, 3, 0, kRed)) << "row 0 is the bottom line";
    EXPECT_TRUE(PixelIs(dib, 60, 46, kGreen));
    EXPECT_TRUE(PixelIs(dib, 0, 0, kBlue));
    EXPECT_TRUE(PixelIs(dib, 63, 47, kBlue));
    EXPECT_TRUE(PixelIs(dib, 21, 11, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(dib, 36, 11, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(dib, 21, 26, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(dib, 38, 28, kBlue)) << "outside the triangle";
    EXPECT_TRUE(PixelIs(dib, 30, 9, kBlue));
}

TEST_F(OffscreenContext, PastedBackgroundSurvivesDepthClear)
{
    // An odd width: rows carry padding, which must stay zero.
    CDib dib;
    ASSERT_TRUE(dib.Create(37, 23));
    ASSERT_TRUE(dib.CreateGLContext());
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            dib.SetPixel(x, y, DWORD(x * 6) << 16 | DWORD(y * 11) << 8 | 0x40);
    {
        CGLCurrentScope scope(dib);
        ASSERT_TRUE(scope.IsCurrent());
        glClear(GL_DEPTH_BUFFER_BIT);
        PixelProjection(37, 23);
        glColor3f(0, 1, 0);
        FillTriangle(0, 0, 4, 0, 0, 4);
    }
    EXPECT_TRUE(PixelIs(dib, 0, 0, kGreen));
    EXPECT_TRUE(PixelIs(dib, 36, 22, DWORD(36 * 6) << 16 | DWORD(22 * 11) << 8 | 0x40));
    EXPECT_TRUE(PixelIs(dib, 20, 5, DWORD(20 * 6) << 16 | DWORD(5 * 11) << 8 | 0x40));
    EXPECT_TRUE(PixelIs(dib, 5, 20, DWORD(5 * 6) << 16 | DWORD(20 * 11) << 8 | 0x40));
    for (int y = 0; y < 23; ++y)
        for (int i = 37 * 3; i < dib.m_nStride; ++i)
            ASSERT_EQ(dib.m_pBits[y * dib.m_nStride + i], 0) << "padding of row " << y;
}

TEST_F(OffscreenContext, PicturesDrawOneAfterAnotherFromFreshState)
{
    CDib first, second;
    ASSERT_TRUE(first.Create(16, 16));
    ASSERT_TRUE(second.Create(8, 4));
    ASSERT_TRUE(first.CreateGLContext());
    ASSERT_TRUE(second.CreateGLContext());

    ASSERT_TRUE(first.GetGLContext()->MakeCurrent());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // State a careless drawing leaves behind.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glScalef(0.1f, 0.1f, 0.1f);
    glPushAttrib(GL_ENABLE_BIT);
    glClearColor(0, 1, 0, 1);
    // Making the second current releases the first, which keeps its red.
    ASSERT_TRUE(second.GetGLContext()->MakeCurrent());
    EXPECT_FALSE(first.GetGLContext()->IsCurrent());
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0, 0, 1);
    FillTriangle(-1, -1, 3, -1, -1, 3); // the whole picture in fresh identity coordinates
    second.GetGLContext()->Release();

    EXPECT_TRUE(PixelIs(first, 0, 0, kRed));
    EXPECT_TRUE(PixelIs(first, 15, 15, kRed));
    EXPECT_TRUE(PixelIs(second, 0, 0, kBlue)) << "blend state leaked between pictures";
    EXPECT_TRUE(PixelIs(second, 7, 3, kBlue)) << "matrix or viewport leaked";

    // The first can be drawn again; its pixels go back into the framebuffer.
    first.SetPixel(5, 5, kGreen);
    ASSERT_TRUE(first.GetGLContext()->MakeCurrent());
    first.GetGLContext()->Release();
    EXPECT_TRUE(PixelIs(first, 5, 5, kGreen));
    EXPECT_TRUE(PixelIs(first, 6, 5, kRed));
}

// A picture made after another of its size is gone may take over its framebuffer (so that
// render after render holds one): it starts from its own pixels, never the other's.
TEST_F(OffscreenContext, APictureAfterAnotherOfItsSizeStartsFromItsOwnPixels)
{
    for (const CSize size : {CSize(16, 16), CSize(16, 16), CSize(9, 5), CSize(16, 16)}) {
        CDib gone;
        ASSERT_TRUE(gone.Create(size.cx, size.cy));
        ASSERT_TRUE(gone.CreateGLContext());
        ASSERT_TRUE(gone.GetGLContext()->MakeCurrent());
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        gone.GetGLContext()->Release();
        ASSERT_TRUE(PixelIs(gone, 0, 0, kRed));
        gone.Destroy();

        CDib next;
        ASSERT_TRUE(next.Create(size.cx, size.cy));
        next.Fill(kBlue);
        ASSERT_TRUE(next.CreateGLContext());
        ASSERT_TRUE(next.GetGLContext()->MakeCurrent());
        next.GetGLContext()->Release();
        EXPECT_TRUE(PixelIs(next, 0, 0, kBlue)) << size.cx << "x" << size.cy;
        EXPECT_TRUE(PixelIs(next, size.cx - 1, size.cy - 1, kBlue));
    }
}

TEST_F(OffscreenContext, ContextLivesWithItsPicture)
{
    CDib dib;
    EXPECT_FALSE(dib.CreateGLContext()) << "no pixels, no context";
    ASSERT_TRUE(dib.Create(20, 10));
    ASSERT_TRUE(dib.CreateGLContext());
    ASSERT_TRUE(dib.GetGLContext()->MakeCurrent());
    ASSERT_TRUE(dib.Create(30, 15)) << "re-creating while current";
    EXPECT_EQ(dib.GetGLContext(), nullptr);
    EXPECT_EQ(CGLOffscreenContext::GetCurrent(), nullptr);
    ASSERT_TRUE(dib.CreateGLContext());
    EXPECT_EQ(dib.GetGLContext()->GetWidth(), 30);
    EXPECT_EQ(dib.GetGLContext()->GetHeight(), 15);
    dib.Destroy();
    EXPECT_EQ(dib.GetGLContext(), nullptr);

    // Resizing (and reading a file) builds the new pixels aside and swaps them in: that is a
    // re-creation too, and must not leave a context of the old size on the new pixels.
    ASSERT_TRUE(dib.Create(20, 10));
    ASSERT_TRUE(dib.CreateGLContext());
    ASSERT_TRUE(dib.Resize(40, 20));
    EXPECT_EQ(dib.GetGLContext(), nullptr);
}

TEST_F(OffscreenContext, LogsItsPixelFormatChoice)
{
    CScopedTempFolder temp;
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 4));
    ASSERT_TRUE(dib.CreateGLContext());
    QStringList lines = temp.ReadLines("pixformat_bitmap.txt");
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    ASSERT_FALSE(lines.isEmpty());
    // Mesa's software renderer offers pbuffer configs of its own: one must be chosen.
    const std::string last = lines.last().toStdString();
    EXPECT_EQ(last.rfind("Pixel Format ", 0), 0u) << last;
    EXPECT_NE(last.find(" selected"), std::string::npos) << last;
    EXPECT_EQ(last.find("-1"), std::string::npos) << last;
}

TEST_F(OffscreenContext, WithoutTheLibraryNothingIsDrawnAndTheProgramGoesOn)
{
    CDib kept;
    ASSERT_TRUE(kept.Create(8, 8));
    ASSERT_TRUE(kept.CreateGLContext());
    FreeGLEntryPoints();
    EXPECT_FALSE(AreGLEntryPointsLoaded());
    EXPECT_FALSE(kept.GetGLContext()->MakeCurrent()) << "its GL objects went with the library";
    EXPECT_FALSE(LoadGLEntryPoints(TRUE, "libSkyloomNoSuchEGL.so.1"));
    CDib dib;
    ASSERT_TRUE(dib.Create(8, 8));
    EXPECT_FALSE(dib.CreateGLContext());
    EXPECT_TRUE(LoadGLEntryPoints(FALSE)) << "load FALSE does nothing";
    EXPECT_FALSE(AreGLEntryPointsLoaded());

    ASSERT_TRUE(LoadGLEntryPoints(TRUE));
    ASSERT_TRUE(dib.CreateGLContext());
    ASSERT_TRUE(dib.GetGLContext()->MakeCurrent());
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    dib.GetGLContext()->Release();
    EXPECT_TRUE(PixelIs(dib, 7, 7, kGreen));
    kept.Destroy();
}

TEST_F(OffscreenContext, ThousandCyclesKeepMemoryFlat)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine; its leak check "
                    "at exit stands in for this one";
#endif
    auto cycle = [] {
        CDib dib;
        ASSERT_TRUE(dib.Create(64, 48));
        ASSERT_TRUE(dib.CreateGLContext());
        CGLCurrentScope scope(dib);
        ASSERT_TRUE(scope.IsCurrent());
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        CDib texture; // as a galaxy does: a textured scene deleted inside the context
        ASSERT_TRUE(texture.Create(30, 20));
        CGLMaterial material;
        ASSERT_GT(material.UploadTexture(texture, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT), 0);
        glColor3f(1, 1, 0);
        FillTriangle(-1, -1, 1, -1, 0, 1);
    };
    for (int i = 0; i < 50; ++i) // let the driver's caches settle first
        cycle();
    const long before = ResidentPages();
    for (int i = 0; i < 1000; ++i)
        cycle();
    const long grownKiB = (ResidentPages() - before) * (sysconf(_SC_PAGESIZE) / 1024);
    // A picture with its framebuffer and texture is about 40 KiB: a leak would add 40 MB.
    EXPECT_LT(grownKiB, 2048) << "resident memory grew by " << grownKiB << " KiB";
}
