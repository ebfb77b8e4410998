#include "VenusSurface.h"

#include "../effects/ControlIds.h"

#include <cmath>

CVenusSurface::CVenusSurface() : CSurfaceModel("Venus")
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
    point.colour = CColor(m_crCloud, TRUE);
    point.colour.Blend(CColor(m_crSurface, TRUE), h);
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
    m_crCloud = RGB(255, 255, 255);
    m_crSurface = RGB(191, 63, 0);
    m_dFractal = 0.5;
    ReinitialiseNoise();
}

void CVenusSurface::ReinitialiseNoise()
{
    m_terrain.Initialize(m_dFractal, 2.0, 8.0, 0.5);
}

CEffectValues CVenusSurface::GetValues()
{
    return {
        SwitchValue("Coriolis", &m_bCoriolis, "1", "latitude-dependent swirl of the clouds")
            .ShownBy(VenusIds::Coriolis),
        ColorValue("CloudColor", &m_crCloud, "16777215", "colour where the noise is 0")
            .ShownBy(VenusIds::CloudColor),
        ColorValue("SurfaceColor", &m_crSurface, "16319", "colour where the noise is 1")
            .ShownBy(VenusIds::SurfaceColor),
        RealValue("Fractal", &m_dFractal, "0.5", 0, 1, "fractal dimension H of the clouds")
            .ShownIn(VenusIds::Fractal, VenusIds::FractalSpin, 1),
    };
}

QStringList CVenusSurface::ReinitialisingValues() const
{
    return {QStringLiteral("Fractal")};
}
