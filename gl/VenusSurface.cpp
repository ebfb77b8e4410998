#include "VenusSurface.h"

#include <cmath>

namespace {

const SurfaceValue kValues[] = {
    {"Coriolis", SurfaceValue::Integer, "1", -2147483648.0, 2147483647.0, false},
    {"CloudColor", SurfaceValue::Colour, "16777215", 0, 0xFFFFFF, false},
    {"SurfaceColor", SurfaceValue::Colour, "16319", 0, 0xFFFFFF, false},
    {"Fractal", SurfaceValue::Real, "0.5", 0, 1, true},
};

}

CVenusSurface::CVenusSurface() : CSurfaceModel("Venus", kValues)
{
    ResetDefaults();
}

void CVenusSurface::ComputeColour(SurfacePoint& point) const
{
    const double x = point.position[0], y = point.position[1], z = point.position[2];
    double qx = x + 1, qy = y + 1, qz = z + 1;
    if (m_bCoriolis) {
        // Rotate about the axis by an angle growing with latitude: a full turn pole to pole.
        const double a = y * 6.283185308;
        const double s = std::sin(a), c = std::cos(a);
        qx = x * c - y * s + 1;
        qy = x * s + y * c + 1;
        qz = z;
    }
    double h = m_terrain.Value(qx, qy, qz);
    h = h < 0 ? 0 : (h > 1 ? 1 : h);
    point.colour = m_cloudColour;
    point.colour.Blend(m_surfaceColour, h);
    for (int i = 0; i < 3; ++i)
        point.normal[i] = point.position[i];
}

void CVenusSurface::PrepareRender()
{
    m_terrain.GetNoise().Initialize();
}

void CVenusSurface::ResetDefaults()
{
    m_bCoriolis = 1;
    m_cloudColour.SetRGB(255, 255, 255);
    m_surfaceColour.SetRGB(191, 63, 0);
    m_dFractal = 0.5;
    ReinitialiseNoise();
}

void CVenusSurface::ReinitialiseNoise()
{
    m_terrain.Initialize(m_dFractal, 2.0, 8.0, 0.5);
}

double CVenusSurface::GetValue(int index) const
{
    switch (index) {
    case 0: return m_bCoriolis;
    case 1: return m_cloudColour.ToColorRef();
    case 2: return m_surfaceColour.ToColorRef();
    default: return m_dFractal;
    }
}

void CVenusSurface::SetValue(int index, double value)
{
    switch (index) {
    case 0: m_bCoriolis = static_cast<int>(value); break;
    case 1: m_cloudColour.SetColorRef(static_cast<COLORREF>(value)); break;
    case 2: m_surfaceColour.SetColorRef(static_cast<COLORREF>(value)); break;
    default: m_dFractal = value; break;
    }
}
