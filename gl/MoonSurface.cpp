#include "MoonSurface.h"

#include "../effects/ControlIds.h"

#include <climits>
#include <cmath>

CMoonSurface::CMoonSurface() : CSurfaceModel("Moon")
{
    ResetDefaults();
}

void CMoonSurface::ComputeColour(SurfacePoint& point) const
{
    ComputeColours(&point, 1);
}

void CMoonSurface::ComputeColours(SurfacePoint* points, size_t n) const
{
    // Bumped surfaces are shaded by their normals, so their colours need less contrast.
    const double b = m_nBumpMode != BumpNone ? 0.8 : 0.5;
    const float m = static_cast<float>(m_dMaria);
    ForChunks(n, [&](size_t first, size_t count) {
        double x[kChunk], y[kChunk], z[kChunk], h[kChunk];
        ShiftedPositions(points + first, count, x, y, z);
        m_terrain.Value(x, y, z, h, count);
        for (size_t i = 0; i < count; ++i) {
            SurfacePoint& point = points[first + i];
            const float s = static_cast<float>(std::sin(h[i] * 6.2831855));
            if (s > m)
                point.colour =
                    ScaleColour(CColor(m_crHighland, TRUE), b + (1 - b) * (s - m) / (1 - m));
            else
                point.colour =
                    ScaleColour(CColor(m_crMaria, TRUE), b + (1 - b) * (s + 1) / (m + 1));
            for (int k = 0; k < 3; ++k)
                point.normal[k] = point.position[k];
            ApplyBump(point, s);
        }
    });
}

void CMoonSurface::PrepareRender()
{
    m_terrain.GetNoise().Initialize();
}

void CMoonSurface::ReinitialiseNoise()
{
    m_terrain.Initialize(m_dFractal, 2.0, 8.0, 0.0);
}

CEffectValues CMoonSurface::GetValues()
{
    return {
        IntegerValue("Craters", &m_nCraters, "0", INT_MIN, INT_MAX,
                     "kept with the defaults; draws nothing"),
        ColorValue("MariaColor", &m_crMaria, "8421504", "colour of the maria")
            .ShownBy(MoonIds::MariaColor),
        ColorValue("HighlandColor", &m_crHighland, "12632256", "colour of the highlands")
            .ShownBy(MoonIds::HighlandColor),
        IntegerValue("BumpMap", &m_nBumpMode, "0", BumpNone, BumpPeriodic,
                     "bump mapping: 0 off, 1 linear, 2 periodic")
            .ShownBy(MoonIds::BumpMap),
        RealValue("Fractal", &m_dFractal, "1.0", 0, 1, "fractal dimension H of the terrain")
            .ShownIn(MoonIds::Fractal, MoonIds::FractalSpin, 1),
        RealValue("Maria", &m_dMaria, "0.1", -1, 1,
                  "maria threshold m (the dialog shows (m + 1) / 2)")
            .ShownIn(MoonIds::Maria, MoonIds::MariaSpin, 1)
            .Mapped(&MariaToDialog, &MariaFromDialog),
    };
}

QStringList CMoonSurface::ReinitialisingValues() const
{
    return {QStringLiteral("Fractal"), QStringLiteral("Maria")};
}
