// Per-mesh GL state (a material) and the cache that issues only the state that changes.
#pragma once

#include "document/WinTypes.h"

#include <GL/gl.h>

class CDib;

// How a material blends into the frame.
enum BlendMode
{
    BlendNone = 0,        // blending off, (ONE, ZERO)
    BlendAlpha = 1,       // (SRC_ALPHA, ONE_MINUS_SRC_ALPHA)
    BlendAdd = 2,         // (ONE, ONE)
    BlendMultiply = 3,    // (ZERO, SRC_COLOR): multiplies the frame by the drawn colour
    BlendAddAlpha = 4,    // (SRC_ALPHA, ONE): additive, weighted by alpha
};

// The state a material asks for, and what the cache believes GL holds.
class CGLRenderState
{
public:
    void Reset() { *this = CGLRenderState(); }

    int m_nBlendMode = BlendNone;
    int m_bDepthWrite = 1;
    // GL_COLOR_MATERIAL, tracking ambient and diffuse of both faces.
    int m_bColorMaterial = 0;
    int m_bPointSmooth = 0;
    int m_bTexturing = 0;
    // Kept with the material; Apply does not issue these three.
    int m_nTexEnv = GL_MODULATE;
    int m_nMinFilter = GL_NEAREST;
    int m_nMagFilter = GL_NEAREST;
    // GL texture name; -1 means none.
    int m_texture = -1;
};

class CGLMaterial : public CGLRenderState
{
public:
    CGLMaterial() = default;
    // Deletes the texture in whatever context is current: delete the material while the
    // context it was uploaded in is still current.
    ~CGLMaterial();
    CGLMaterial(const CGLMaterial&) = delete;
    CGLMaterial& operator=(const CGLMaterial&) = delete;

    // Upload image as this material's texture, scaled to power-of-two sides (at most 256
    // each) when a side is not one already; image may be resized. Turns texturing on.
    // Returns the texture name, or -1 when the image has no pixels or cannot be scaled.
    int UploadTexture(CDib& image, int magFilter, int minFilter, int wrapS, int wrapT);
    // Loads one of the program's bitmap resources, or a picture file, and uploads it.
    // The environment is accepted and not used. -1 when loading or uploading failed.
    int LoadTextureFromResource(UINT resourceId, int magFilter, int minFilter, int wrapS,
                                int wrapT, int environment);
    int LoadTextureFromFile(const char* path, int magFilter, int minFilter, int wrapS,
                            int wrapT, int environment);
};

// The texture size an image of the given size is uploaded at: unchanged when both sides
// are powers of two (even above 256); otherwise each side becomes the largest power of
// two not above it, capped at 256.
CSize TextureSize(CSize image);

// The GL calls the state cache issues, so that tests can count them.
struct GLStateFunctions
{
    void (*Enable)(GLenum cap);
    void (*Disable)(GLenum cap);
    void (*BlendFunc)(GLenum source, GLenum destination);
    void (*DepthMask)(GLboolean flag);
    void (*ColorMaterial)(GLenum face, GLenum mode);
    void (*BindTexture)(GLenum target, GLuint texture);
    GLboolean (*IsEnabled)(GLenum cap);
    void (*GetBooleanv)(GLenum name, GLboolean* values);
};
// The real GL functions.
const GLStateFunctions& DirectGLStateFunctions();

// Lives for one drawing pass: Reset, optionally Capture, then Apply per material.
class CGLStateCache : public CGLRenderState
{
public:
    explicit CGLStateCache(const GLStateFunctions& gl = DirectGLStateFunctions()) : m_gl(&gl) {}

    // Reads the blend, depth-write, colour-material and point-smoothing state from GL. An
    // enabled blend is recorded as -1, a mode no material has, so that the next Apply
    // issues the blend state whatever the material asks for.
    void Capture();
    // Issues, in this order, the blend mode, depth write, colour material, point
    // smoothing, texturing and the bound texture, each only when it differs from the cache.
    void Apply(const CGLMaterial& material);
    void SetDepthWrite(int flag);

private:
    void ApplyBlendMode(int mode);
    void ApplySwitch(int& cached, int wanted, GLenum cap);

    const GLStateFunctions* m_gl;
};
