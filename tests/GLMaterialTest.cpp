#include "GLTestSupport.h"
#include "gl/GLMaterial.h"

#include <string>
#include <vector>

namespace {

// Records the state calls the cache issues instead of sending them to GL.
std::vector<std::string> g_calls;
bool g_blendEnabled = false;
GLboolean g_depthWrite = GL_TRUE;

std::string CapName(GLenum cap)
{
    switch (cap) {
    case GL_BLEND: return "BLEND";
    case GL_COLOR_MATERIAL: return "COLOR_MATERIAL";
    case GL_POINT_SMOOTH: return "POINT_SMOOTH";
    case GL_TEXTURE_2D: return "TEXTURE_2D";
    default: return std::to_string(cap);
    }
}

std::string FactorName(GLenum f)
{
    switch (f) {
    case GL_ONE: return "ONE";
    case GL_ZERO: return "ZERO";
    case GL_SRC_ALPHA: return "SRC_ALPHA";
    case GL_ONE_MINUS_SRC_ALPHA: return "ONE_MINUS_SRC_ALPHA";
    case GL_SRC_COLOR: return "SRC_COLOR";
    default: return std::to_string(f);
    }
}

const GLStateFunctions kRecorder = {
    [](GLenum cap) { g_calls.push_back("Enable " + CapName(cap)); },
    [](GLenum cap) { g_calls.push_back("Disable " + CapName(cap)); },
    [](GLenum s, GLenum d) {
        g_calls.push_back("BlendFunc " + FactorName(s) + " " + FactorName(d));
    },
    [](GLboolean flag) { g_calls.push_back(flag ? "DepthMask 1" : "DepthMask 0"); },
    [](GLenum face, GLenum mode) {
        g_calls.push_back(face == GL_FRONT_AND_BACK && mode == GL_AMBIENT_AND_DIFFUSE
                              ? "ColorMaterial FRONT_AND_BACK AMBIENT_AND_DIFFUSE"
                              : "ColorMaterial ?");
    },
    [](GLenum, GLuint texture) { g_calls.push_back("BindTexture " + std::to_string(texture)); },
    [](GLenum cap) -> GLboolean { return cap == GL_BLEND && g_blendEnabled; },
    [](GLenum, GLboolean* values) { *values = g_depthWrite; },
};

using Calls = std::vector<std::string>;

class StateCache : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_calls.clear();
        g_blendEnabled = false;
        g_depthWrite = GL_TRUE;
    }
    CGLStateCache m_cache{kRecorder};
};

}

TEST_F(StateCache, AppliesEachChangeOnceInOrder)
{
    CGLMaterial material;
    material.m_nBlendMode = BlendAlpha;
    material.m_bDepthWrite = 0;
    material.m_bColorMaterial = 1;
    material.m_bPointSmooth = 1;
    material.m_bTexturing = 1;
    material.m_texture = 7;
    material.m_nMinFilter = GL_LINEAR; // kept, never issued
    m_cache.Reset();
    m_cache.Apply(material);
    EXPECT_EQ(g_calls, (Calls{"Enable BLEND", "BlendFunc SRC_ALPHA ONE_MINUS_SRC_ALPHA",
                              "DepthMask 0", "ColorMaterial FRONT_AND_BACK AMBIENT_AND_DIFFUSE",
                              "Enable COLOR_MATERIAL", "Enable POINT_SMOOTH",
                              "Enable TEXTURE_2D", "BindTexture 7"}));

    g_calls.clear();
    m_cache.Apply(material);
    EXPECT_TRUE(g_calls.empty()) << "nothing changed, nothing issued";

    material.m_bPointSmooth = 0;
    material.m_bTexturing = 0;
    m_cache.Apply(material);
    EXPECT_EQ(g_calls, (Calls{"Disable POINT_SMOOTH", "Disable TEXTURE_2D", "BindTexture 0"}));

    g_calls.clear();
    m_cache.SetDepthWrite(1);
    m_cache.SetDepthWrite(1);
    EXPECT_EQ(g_calls, (Calls{"DepthMask 1"}));
}

TEST_F(StateCache, BlendModesAndTheirFactors)
{
    const Calls expected[] = {
        {"Disable BLEND", "BlendFunc ONE ZERO"},
        {"Enable BLEND", "BlendFunc SRC_ALPHA ONE_MINUS_SRC_ALPHA"},
        {"Enable BLEND", "BlendFunc ONE ONE"},
        {"Enable BLEND", "BlendFunc ZERO SRC_COLOR"},
        {"Enable BLEND", "BlendFunc SRC_ALPHA ONE"},
    };
    CGLMaterial material;
    m_cache.Reset();
    m_cache.Apply(material); // binds texture 0 once
    for (int mode : {1, 2, 3, 4, 0}) {
        material.m_nBlendMode = mode;
        g_calls.clear();
        m_cache.Apply(material);
        EXPECT_EQ(g_calls, expected[mode]) << "mode " << mode;
    }
}

TEST_F(StateCache, CaptureWithBlendingOnForcesTheBlendState)
{
    CGLMaterial material; // mode 0, depth write on
    m_cache.Reset();
    m_cache.Apply(material);
    g_blendEnabled = true;
    g_depthWrite = GL_FALSE;
    m_cache.Capture();
    EXPECT_EQ(m_cache.m_nBlendMode, -1);
    EXPECT_EQ(m_cache.m_bDepthWrite, 0);
    g_calls.clear();
    m_cache.Apply(material);
    EXPECT_EQ(g_calls, (Calls{"Disable BLEND", "BlendFunc ONE ZERO", "DepthMask 1"}));
}

TEST(TextureSize, PowerOfTwoFit)
{
    EXPECT_EQ(TextureSize(CSize(300, 200)), CSize(256, 128));
    EXPECT_EQ(TextureSize(CSize(512, 512)), CSize(512, 512)) << "powers of two stay, even large";
    EXPECT_EQ(TextureSize(CSize(64, 100)), CSize(64, 64));
    EXPECT_EQ(TextureSize(CSize(1000, 1)), CSize(256, 1));
    EXPECT_EQ(TextureSize(CSize(3, 4096)), CSize(2, 256));
}

using RealStateCache = GLTest;

// The cache's idea of the state must be what GL really holds afterwards.
TEST_F(RealStateCache, AppliedStateIsWhatGLReports)
{
    CCurrentPicture picture(4, 4);
    ASSERT_TRUE(picture.IsCurrent());

    CGLStateCache cache;
    cache.Reset();
    CGLMaterial material;
    material.m_nBlendMode = BlendMultiply;
    material.m_bDepthWrite = 0;
    material.m_bPointSmooth = 1;
    cache.Apply(material);
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(source, GL_ZERO);
    EXPECT_EQ(destination, GL_SRC_COLOR);
    EXPECT_TRUE(glIsEnabled(GL_POINT_SMOOTH));

    CGLStateCache fresh;
    fresh.Capture();
    EXPECT_EQ(fresh.m_nBlendMode, -1);
    EXPECT_EQ(fresh.m_bDepthWrite, 0);
    EXPECT_EQ(fresh.m_bPointSmooth, 1);
    EXPECT_EQ(fresh.m_bColorMaterial, 0);
}
