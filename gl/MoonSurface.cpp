#include "MoonSurface.h"

#include <cmath>

namespace {

const SurfaceValue kValues[] = {
    {"Craters", SurfaceValue::Integer, "0", -2147483648.0, 2147483647.0, false},
    {"MariaColor", SurfaceValue::Colour, "8421504", 0, 0xFFFFFF, false},
    {"HighlandColor", SurfaceValue::Colour, "12632256", 0, 0xFFFFFF, false},
    {"BumpMap", SurfaceValue::Integer, "0", 0, 2, false},
    {"Fractal", SurfaceValue::Real, "1.0", 0, 1, true},
    {"Maria", SurfaceValue::Real, "0.1", -1, 1, true},
};

}

CMoonSurface::CMoonSurface() : CSurfaceModel("Moon", kValues)
{
    ResetDefaults();
}

void CMoonSurface::ComputeColour(SurfacePoint& point) const
{
    const double x = point.position[0], y = point.position[1], z = point.position[2];
    const float s = static_cast<float>(std::sin(m_terrain.Value(x + 1, y + 1, z + 1) * 6.2831855));
    // Bumped surfaces are shaded by their normals, so their colours need less contrast.
    const double b = m_nBumpMode != BumpNone ? 0.8 : 0.5;
    const float m = m_fMaria;
    if (s > m)
        point.colour = ScaleColour(m_highlandColour, b + (1 - b) * (s - m) / (1 - m));
    else
        point.colour = ScaleColour(m_mariaColour, b + (1 - b) * (s + 1) / (m + 1));
    for (int i = 0; i < 3; ++i)
        point.normal[i] = point.position[i];
    ApplyBump(point, s);
}

void CMoonSurface::PrepareRender()
{
    m_terrain.GetNoise().Initialize();
}

void CMoonSurface::ResetDefaults()
{
    m_nCraters = 0;
    m_mariaColour.SetRGB(128, 128, 128);
    m_highlandColour.SetRGB(192, 192, 192);
    m_nBumpMode = BumpNone;
    m_dFractal = 1.0;
    m_fMaria = 0.1f;
    ReinitialiseNoise();
}

void CMoonSurface::ReinitialiseNoise()
{
    m_terrain.Initialize(m_dFractal, 2.0, 8.0, 0.0);
}

double CMoonSurface::GetValue(int index) const
{
    switch (index) {
    case 0: return m_nCraters;
    case 1: return m_mariaColour.ToColorRef();
    case 2: return m_highlandColour.ToColorRef();
    case 3: return m_nBumpMode;
    case 4: return m_dFractal;
    default: return m_fMaria;
    }
}

void CMoonSurface::SetValue(int index, double value)
{
    switch (index) {
    case 0: m_nCraters = static_cast<int>(value); break;
    case 1: m_mariaColour.SetColorRef(static_cast<COLORREF>(value)); break;
    case 2: m_highlandColour.SetColorRef(static_cast<COLORREF>(value)); break;
    case 3: m_nBumpMode = static_cast<int>(value); break;
    case 4: m_dFractal = value; break;
    default: m_fMaria = static_cast<float>(value); break;
    }
}
