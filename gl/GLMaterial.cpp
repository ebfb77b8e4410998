#include "GLMaterial.h"

namespace {

int FloorLog2(int n)
{
    int log = 0;
    while (n > 1) {
        n >>= 1;
        ++log;
    }
    return log;
}

bool IsPowerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

void GLAPIENTRY EnableCall(GLenum cap) { glEnable(cap); }
void GLAPIENTRY DisableCall(GLenum cap) { glDisable(cap); }
void GLAPIENTRY BlendFuncCall(GLenum s, GLenum d) { glBlendFunc(s, d); }
void GLAPIENTRY DepthMaskCall(GLboolean flag) { glDepthMask(flag); }
void GLAPIENTRY ColorMaterialCall(GLenum face, GLenum mode) { glColorMaterial(face, mode); }
void GLAPIENTRY BindTextureCall(GLenum target, GLuint texture) { glBindTexture(target, texture); }
GLboolean GLAPIENTRY IsEnabledCall(GLenum cap) { return glIsEnabled(cap); }
void GLAPIENTRY GetBooleanvCall(GLenum name, GLboolean* values) { glGetBooleanv(name, values); }

}

CSize TextureSize(CSize image)
{
    // Exact integer form of "2 to the integer part of log2, when log2 has a fraction".
    if (IsPowerOfTwo(image.cx) && IsPowerOfTwo(image.cy))
        return image;
    const int w = image.cx > 0 ? 1 << FloorLog2(image.cx) : 0;
    const int h = image.cy > 0 ? 1 << FloorLog2(image.cy) : 0;
    return CSize(w > 256 ? 256 : w, h > 256 ? 256 : h);
}

CGLMaterial::~CGLMaterial()
{
    if (m_texture != -1) {
        const GLuint name = static_cast<GLuint>(m_texture);
        glDeleteTextures(1, &name);
    }
}

const GLStateFunctions& DirectGLStateFunctions()
{
    static const GLStateFunctions functions = {EnableCall,        DisableCall,  BlendFuncCall,
                                               DepthMaskCall,     ColorMaterialCall,
                                               BindTextureCall,   IsEnabledCall,
                                               GetBooleanvCall};
    return functions;
}

void CGLStateCache::Capture()
{
    m_nBlendMode = m_gl->IsEnabled(GL_BLEND) ? -1 : 0;
    GLboolean depthWrite = GL_TRUE;
    m_gl->GetBooleanv(GL_DEPTH_WRITEMASK, &depthWrite);
    m_bDepthWrite = depthWrite ? 1 : 0;
    m_bColorMaterial = m_gl->IsEnabled(GL_COLOR_MATERIAL) ? 1 : 0;
    m_bPointSmooth = m_gl->IsEnabled(GL_POINT_SMOOTH) ? 1 : 0;
}

void CGLStateCache::Apply(const CGLMaterial& material)
{
    ApplyBlendMode(material.m_nBlendMode);
    SetDepthWrite(material.m_bDepthWrite);
    if ((material.m_bColorMaterial != 0) != (m_bColorMaterial != 0) && material.m_bColorMaterial)
        m_gl->ColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    ApplySwitch(m_bColorMaterial, material.m_bColorMaterial, GL_COLOR_MATERIAL);
    ApplySwitch(m_bPointSmooth, material.m_bPointSmooth, GL_POINT_SMOOTH);
    ApplySwitch(m_bTexturing, material.m_bTexturing, GL_TEXTURE_2D);
    const int texture = material.m_bTexturing ? material.m_texture : 0;
    if (texture != m_texture) {
        m_gl->BindTexture(GL_TEXTURE_2D, texture < 0 ? 0u : static_cast<GLuint>(texture));
        m_texture = texture;
    }
}

void CGLStateCache::SetDepthWrite(int flag)
{
    if ((flag != 0) == (m_bDepthWrite != 0))
        return;
    m_gl->DepthMask(flag ? GL_TRUE : GL_FALSE);
    m_bDepthWrite = flag ? 1 : 0;
}

void CGLStateCache::ApplyBlendMode(int mode)
{
    if (mode == m_nBlendMode)
        return;
    // Source and destination factors by mode; a mode outside the table blends as none.
    static const GLenum kFactors[][2] = {{GL_ONE, GL_ZERO},
                                         {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
                                         {GL_ONE, GL_ONE},
                                         {GL_ZERO, GL_SRC_COLOR},
                                         {GL_SRC_ALPHA, GL_ONE}};
    const bool known = mode > BlendNone && mode <= BlendAddAlpha;
    if (known)
        m_gl->Enable(GL_BLEND);
    else
        m_gl->Disable(GL_BLEND);
    const GLenum* factors = kFactors[known ? mode : 0];
    m_gl->BlendFunc(factors[0], factors[1]);
    m_nBlendMode = mode;
}

void CGLStateCache::ApplySwitch(int& cached, int wanted, GLenum cap)
{
    if ((wanted != 0) == (cached != 0))
        return;
    if (wanted)
        m_gl->Enable(cap);
    else
        m_gl->Disable(cap);
    cached = wanted ? 1 : 0;
}
