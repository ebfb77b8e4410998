// Texture upload of materials: the picture is brought to power-of-two sides first.
#include "GLMaterial.h"

#include "GLContext.h"
#include "document/Dib.h"

#include <GL/glext.h>

int CGLMaterial::UploadTexture(CDib& image, int magFilter, int minFilter, int wrapS, int wrapT)
{
    const CSize size = image.GetSize();
    const CSize fitted = TextureSize(size);
    if (fitted != size && !image.Resize(fitted.cx, fitted.cy))
        return -1;
    if (!image.m_pBits)
        return -1;

    if (m_texture != -1) { // a second upload replaces the first texture
        const GLuint old = static_cast<GLuint>(m_texture);
        glDeleteTextures(1, &old);
        m_texture = -1;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    CheckGLError("glGenTextures");
    m_texture = static_cast<int>(name);
    glBindTexture(GL_TEXTURE_2D, name);
    CheckGLError("glBindTexture(GL_TEXTURE_2D, m_texture)");
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    m_nMagFilter = magFilter;
    m_nMinFilter = minFilter;
    // Bottom-up rows of blue, green, red, each padded to 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image.m_nWidth, image.m_nHeight, 0, GL_BGR,
                 GL_UNSIGNED_BYTE, image.m_pBits);
    CheckGLError("glTexImage2D");
    m_bTexturing = 1;
    return m_texture;
}

int CGLMaterial::LoadTextureFromResource(UINT resourceId, int magFilter, int minFilter,
                                         int wrapS, int wrapT, int environment)
{
    (void)environment;
    CDib image;
    if (!image.LoadResource(resourceId))
        return -1;
    return UploadTexture(image, magFilter, minFilter, wrapS, wrapT);
}

int CGLMaterial::LoadTextureFromFile(const char* path, int magFilter, int minFilter,
                                     int wrapS, int wrapT, int environment)
{
    (void)environment;
    CDib image;
    if (!image.Load(path))
        return -1;
    return UploadTexture(image, magFilter, minFilter, wrapS, wrapT);
}

