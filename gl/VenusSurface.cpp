#include "VenusSurface.h"

#include "../effects/ControlIds.h"

#include <cmath>

CVenusSurface::CVenusSurface() : CSurfaceModel("Venus")
{
    ResetDefaults();
}

void CVenusSurface::ComputeColour(SurfacePoint& point) const
{
    ComputeColours(&point, 1);
}

void CVenusSurface::ComputeColours(SurfacePoint* points, size_t n) const
{
    // The swirl's sine and cosine, kept while the latitude stays (along a row).
    float swirlY = 0;
    double s = 0, c = 1;
    bool bSwirl = false;
    ForChunks(n, [&](size_t first, size_t count) {
        // Zeroed, or GCC cannot tell that the loop fills what the noise reads.
        double qx[kChunk] = {}, qy[kChunk] = {}, qz[kChunk] = {}, h[kChunk];
        for (size_t i = 0; i < count; ++i) {
            const float* p = points[first + i].position;
            const double x = p[0], y = p[1], z = p[2];
            if (!m_bCoriolis) {
                qx[i] = x + 1;
                qy[i] = y + 1;
                qz[i] = z + 1;
                continue;
            }
            // Rotate about the axis by an angle growing with latitude: a full turn pole to
            // pole.
            if (!bSwirl || p[1] != swirlY) {
                const double a = y * 6.283185308;
                s = std::sin(a);
                c = std::cos(a);
                swirlY = p[1];
                bSwirl = true;
            }
            qx[i] = x * c - y * s + 1;
            qy[i] = x * s + y * c + 1;
            qz[i] = z;
        }
        m_terrain.Value(qx, qy, qz, h, count);
        for (size_t i = 0; i < count; ++i) {
            SurfacePoint& point = points[first + i];
            const double hi = h[i] < 0 ? 0 : (h[i] > 1 ? 1 : h[i]);
            point.colour = CColor(m_crCloud, TRUE);
            point.colour.Blend(CColor(m_crSurface, TRUE), hi);
            for (int k = 0; k < 3; ++k)
                point.normal[k] = point.position[k];
        }
    });
}

void CVenusSurface::PrepareRender()
{
    m_terrain.GetNoise().Initialize();
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
