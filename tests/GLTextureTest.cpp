#include "GLTestSupport.h"
#include "gl/GLMaterial.h"

namespace {

CSize UploadedSize()
{
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    return CSize(w, h);
}

CSize UploadAt(int width, int height)
{
    CDib image;
    if (!image.Create(width, height))
        return CSize(-1, -1);
    CGLMaterial material;
    if (material.UploadTexture(image, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT) < 0)
        return CSize(-1, -1);
    EXPECT_EQ(material.m_bTexturing, 1);
    EXPECT_EQ(CheckGLError("test"), 0u);
    return UploadedSize();
}

}

using Texture = GLTest;

TEST_F(Texture, SidesAreFittedToPowersOfTwo)
{
    CCurrentPicture picture(4, 4);
    ASSERT_TRUE(picture.IsCurrent());
    EXPECT_EQ(UploadAt(300, 200), CSize(256, 128));
    EXPECT_EQ(UploadAt(512, 512), CSize(512, 512));
    EXPECT_EQ(UploadAt(64, 100), CSize(64, 64));
}

// A picture without symmetry, with padded rows (2 pixels are 6 bytes of an 8-byte row),
// drawn back pixel for pixel: a red/blue swap, a flip or a stride error shows at once.
TEST_F(Texture, PixelsArriveInPictureOrder)
{
    CDib image;
    ASSERT_TRUE(image.Create(2, 4));
    const DWORD colors[4][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFF00},
                                {0x00FFFF, 0xFF00FF}, {0x804020, 0x102040}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x)
            image.SetPixel(x, y, colors[y][x]);

    CCurrentPicture picture(2, 4);
    ASSERT_TRUE(picture.IsCurrent());
    CGLMaterial material;
    const int name = material.UploadTexture(image, GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_CLAMP);
    ASSERT_GT(name, 0);
    EXPECT_EQ(material.m_texture, name);
    CGLStateCache cache;
    cache.Reset();
    cache.Apply(material);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    picture.Dib().GetGLContext()->Release();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_TRUE(PixelIs(picture.Dib(), x, y, colors[y][x]));
}

TEST_F(Texture, FailedLoadsLeaveTexturingOff)
{
    CCurrentPicture picture(4, 4);
    ASSERT_TRUE(picture.IsCurrent());
    CGLMaterial material;
    EXPECT_EQ(material.LoadTextureFromFile("/nonexistent/texture.bmp", GL_LINEAR, GL_LINEAR,
                                           GL_REPEAT, GL_REPEAT, GL_MODULATE),
              -1);
    EXPECT_EQ(material.LoadTextureFromResource(999999, GL_LINEAR, GL_LINEAR, GL_REPEAT,
                                               GL_REPEAT, GL_MODULATE),
              -1);
    CDib empty;
    EXPECT_EQ(material.UploadTexture(empty, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT), -1);
    EXPECT_EQ(material.m_bTexturing, 0);
    EXPECT_EQ(material.m_texture, -1);

    glBindTexture(GL_TEXTURE_2D, 12345); // whatever was bound before
    CGLStateCache cache;
    cache.Reset();
    cache.Apply(material);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Texture, FileTexturesLoadAndDieWithTheirMaterial)
{
    CScopedTempFolder temp;
    CDib image;
    ASSERT_TRUE(image.Create(300, 200));
    image.Fill(0x336699);
    const QByteArray path = temp.FilePath("texture.bmp").toLocal8Bit();
    ASSERT_TRUE(image.Save(path.constData()));

    CCurrentPicture picture(4, 4);
    ASSERT_TRUE(picture.IsCurrent());
    GLuint name = 0;
    {
        CGLMaterial material;
        const int loaded = material.LoadTextureFromFile(path.constData(), GL_LINEAR, GL_LINEAR,
                                                        GL_REPEAT, GL_REPEAT, GL_MODULATE);
        ASSERT_GT(loaded, 0);
        name = static_cast<GLuint>(loaded);
        EXPECT_EQ(UploadedSize(), CSize(256, 128));
        EXPECT_EQ(material.m_nMinFilter, GL_LINEAR);
        EXPECT_TRUE(glIsTexture(name));

        // A second upload replaces the first texture rather than losing it.
        CDib small;
        ASSERT_TRUE(small.Create(4, 4));
        const int second = material.UploadTexture(small, GL_NEAREST, GL_NEAREST, GL_REPEAT,
                                                  GL_REPEAT);
        EXPECT_FALSE(glIsTexture(name));
        name = static_cast<GLuint>(second);
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name)) << "the material deletes its texture";
}
