#include "GLLight.h"

#include "document/Settings.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <new>

std::vector<std::unique_ptr<CLightSource>> g_lightList;

namespace {

GLenum LightName(const CGLLight& light)
{
    return static_cast<GLenum>(GL_LIGHT0 + light.GetNumber());
}

}

void CGLLight::Enable(BOOL enable)
{
    if (enable)
        glEnable(LightName(*this));
    else
        glDisable(LightName(*this));
}

void CGLLight::SetAmbient(const float rgba[4])
{
    glLightfv(LightName(*this), GL_AMBIENT, rgba);
}

void CGLLight::SetDiffuse(const float rgba[4])
{
    glLightfv(LightName(*this), GL_DIFFUSE, rgba);
}

void CGLLight::SetSpecular(const float rgba[4])
{
    glLightfv(LightName(*this), GL_SPECULAR, rgba);
}

void CGLLight::SetPosition(const float xyzw[4])
{
    glLightfv(LightName(*this), GL_POSITION, xyzw);
}

CGLLightPool::CGLLightPool() : m_taken(kLightCount, false) {}

CGLLightPool::~CGLLightPool() = default;

CGLLight* CGLLightPool::Allocate()
{
    const auto slot = std::find(m_taken.begin(), m_taken.end(), false);
    if (slot == m_taken.end())
        return nullptr;
    const int number = static_cast<int>(slot - m_taken.begin());
    try {
        m_lights.emplace_back(new CGLLight(number));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    *slot = true;
    return m_lights.back().get();
}

void CGLLightPool::Release(CGLLight* light)
{
    const auto it =
        std::find_if(m_lights.begin(), m_lights.end(),
                     [light](const std::unique_ptr<CGLLight>& p) { return p.get() == light; });
    if (it == m_lights.end())
        return;
    m_taken[static_cast<size_t>(light->GetNumber())] = false;
    m_lights.erase(it);
}

void CGLLightPool::EnableLighting(BOOL enable)
{
    if (enable)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
}

const float* CLightSource::ScaledDiffuse(double factor)
{
    for (int i = 0; i < 3; ++i)
        m_scaledDiffuse[i] = static_cast<float>(m_diffuse[i] * factor);
    m_scaledDiffuse[3] = 1;
    return m_scaledDiffuse;
}

BOOL CreateDefaultLight()
{
    try {
        g_lightList.push_back(std::make_unique<CLightSource>(QStringLiteral("Sun")));
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

void DeleteLights()
{
    g_lightList.clear();
}

void LightDirection(int lightOrient, int lightElevation, float xyzw[4])
{
    const double theta = lightOrient * 3.141592654 / 180;
    xyzw[0] = static_cast<float>(7 * std::cos(theta));
    xyzw[1] = static_cast<float>((50 - lightElevation) / 2.0);
    xyzw[2] = static_cast<float>(-7 * std::sin(theta));
    xyzw[3] = 0;
}

void ApplyLighting(CGLLight& light, CLightSource& source, int lightOrient, int lightInten,
                   int lightElevation)
{
    light.SetAmbient(source.Ambient());
    light.SetSpecular(source.Specular());
    light.SetDiffuse(source.ScaledDiffuse(lightInten / 100.0));
    float position[4];
    LightDirection(lightOrient, lightElevation, position);
    light.SetPosition(position);
}

void ApplyLighting(CGLLight& light, CLightSource& source)
{
    ApplyLighting(light, source, g_nLightOrient, g_nLightInten, g_nLightElevation);
}
