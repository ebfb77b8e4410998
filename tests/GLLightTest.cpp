#include "GLTestSupport.h"
#include "document/Settings.h"
#include "gl/GLLight.h"

#include <GL/gl.h>

namespace {

void ExpectLight(GLenum pname, float a, float b, float c, float d)
{
    float v[4] = {-9, -9, -9, -9};
    glGetLightfv(GL_LIGHT0, pname, v);
    EXPECT_NEAR(v[0], a, 1e-5) << "parameter " << pname;
    EXPECT_NEAR(v[1], b, 1e-5) << "parameter " << pname;
    EXPECT_NEAR(v[2], c, 1e-5) << "parameter " << pname;
    EXPECT_NEAR(v[3], d, 1e-5) << "parameter " << pname;
}

}

using Lighting = GLTest;

TEST_F(Lighting, SettingsBecomeTheParametersOfTheLight)
{
    CCurrentPicture picture(4, 4);
    ASSERT_TRUE(picture.IsCurrent());

    CGLLightPool pool;
    CGLLight* light = pool.Allocate();
    ASSERT_NE(light, nullptr);
    ASSERT_EQ(light->GetNumber(), 0);
    CLightSource sun("Sun");
    sun.m_diffuse[0] = 0.8f;

    ApplyLighting(*light, sun, 0, 50, 50);
    ExpectLight(GL_POSITION, 7, 0, 0, 0);
    ExpectLight(GL_DIFFUSE, 0.4f, 0.5f, 0.5f, 1); // intensity 50 halves the diffuse colour
    ExpectLight(GL_AMBIENT, 0, 0, 0, 1);
    ExpectLight(GL_SPECULAR, 1, 1, 1, 1);

    ApplyLighting(*light, sun, 90, 100, 0);
    ExpectLight(GL_POSITION, 0, 25, -7, 0);
    ExpectLight(GL_DIFFUSE, 0.8f, 1, 1, 1);

    const int saved[3] = {g_nLightOrient, g_nLightInten, g_nLightElevation};
    g_nLightOrient = 180;
    g_nLightInten = 0;
    g_nLightElevation = 100;
    ApplyLighting(*light, sun);
    g_nLightOrient = saved[0];
    g_nLightInten = saved[1];
    g_nLightElevation = saved[2];
    ExpectLight(GL_POSITION, -7, -25, 0, 0);
    ExpectLight(GL_DIFFUSE, 0, 0, 0, 1);

    light->Enable(TRUE);
    pool.EnableLighting(TRUE);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    pool.EnableLighting(FALSE);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST(GLLightPool, HandsOutTheLowestFreeNumberUntilFull)
{
    CGLLightPool pool;
    CGLLight* a = pool.Allocate();
    CGLLight* b = pool.Allocate();
    CGLLight* c = pool.Allocate();
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(c->GetNumber(), 2);
    pool.Release(b);
    EXPECT_EQ(pool.GetLightCount(), 2);
    EXPECT_EQ(pool.Allocate()->GetNumber(), 1);

    CGLLightPool other;
    other.Release(a); // not its light
    EXPECT_EQ(pool.GetLightCount(), 3);

    int handedOut = 3;
    while (pool.Allocate())
        ++handedOut;
    EXPECT_EQ(handedOut, 3377);
    pool.Release(a);
    CGLLight* again = pool.Allocate();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetNumber(), 0);
}

TEST(LightList, SunIsTheDefaultLight)
{
    DeleteLights();
    ASSERT_TRUE(CreateDefaultLight());
    ASSERT_EQ(g_lightList.size(), 1u);
    CLightSource& sun = *g_lightList[0];
    EXPECT_EQ(sun.m_strName, "Sun");
    EXPECT_EQ(sun.Ambient()[3], 1);
    EXPECT_EQ(sun.Ambient()[0], 0);
    EXPECT_EQ(sun.Specular()[0], 1);
    const float* scaled = sun.ScaledDiffuse(0.25);
    EXPECT_EQ(scaled[0], 0.25f);
    EXPECT_EQ(scaled[3], 1);
    DeleteLights();
    EXPECT_TRUE(g_lightList.empty());
}
