#include "EarthSurface.h"

#include "Curves.h"
#include "effects/Random.h"

#include <cmath>

namespace {

const SurfaceValue kValues[] = {
    {"SeaLevel", SurfaceValue::RealShort, "0.16", -0.8, 0.8, true},
    {"Clouds", SurfaceValue::Integer, "1", -2147483648.0, 2147483647.0, false},
    {"IceCaps", SurfaceValue::RealShort, "0.8", 0, 1, false},
    {"CloudCoverage", SurfaceValue::RealShort, "0.3", 0, 1, true},
    {"Fractal", SurfaceValue::Real, "1.0", 0, 1, true},
    {"CloudFractal", SurfaceValue::Real, "1.0", 0, 1, true},
    {"Climate", SurfaceValue::Real, "0.6", 0, 1, false},
};

const CColor kShallowSea(31, 77, 153);
const CColor kDeepSea(0, 14, 187);
const CColor kWhite(255, 255, 255);

}

CEarthSurface::CEarthSurface() : CSurfaceModel("Earth", kValues), m_ramp(CColorRamp::Earth())
{
    m_detail.Initialize(0.7, 2.0, 6.0, 0.0);
    m_vectorNoise.Initialize();
    m_bHalo = 1;
    m_haloColour.SetRGB(32, 64, 128);
    m_nBumpMode = BumpHeight;
    ResetDefaults();
}

void CEarthSurface::ComputeColour(SurfacePoint& point) const
{
    const double qx = point.position[0] + 1.0, qy = point.position[1] + 1.0,
                 qz = point.position[2] + 1.0;
    const float lat = std::fabs(point.position[1]);
    const float h = static_cast<float>(m_terrain.Value(qx, qy, qz));
    if (h > m_fSeaLevel) {
        const double d = m_detail.Value(qx, qy, qz) * 0.5;
        const double g = (h + 1) / 2.0 * 0.1;
        double t = Bias(m_dClimate, lat + g);
        // Hot climates take the detail twice, breaking up the latitude bands.
        if (m_dClimate < 0.4)
            t = t + d;
        point.colour = m_ramp.Evaluate(t + d);
    } else {
        point.colour = kShallowSea;
        point.colour.Blend(kDeepSea, (h + 1) / 2.0);
        if (m_fIceCaps > 0 && lat > m_fIceCaps) {
            const double l = (lat - m_fIceCaps) / (1 - m_fIceCaps);
            if (std::fabs(m_detail.Value(qx, qy, qz)) * l > 0.05)
                point.colour = kWhite;
        }
    }
    if (m_bClouds) {
        const double x1 = qx + m_cloudOffset[0], y1 = qy + m_cloudOffset[1],
                     z1 = qz + m_cloudOffset[2];
        double n[3];
        m_vectorNoise.VectorNoise(x1, y1, z1, n);
        const double c = m_clouds.Value(x1 + n[0], y1 + n[1], z1 + n[2]);
        if (c > 0)
            point.colour.Blend(kWhite, c);
    }
    for (int i = 0; i < 3; ++i)
        point.normal[i] = point.position[i];
    ApplyBump(point, h);
}

void CEarthSurface::PrepareRender()
{
    m_terrain.GetNoise().Initialize();
    m_detail.GetNoise().Initialize();
    m_clouds.GetNoise().Initialize();
    const double u = RandomUnit();
    m_cloudOffset[0] = static_cast<float>(u);
    m_cloudOffset[1] = static_cast<float>(u);
    m_cloudOffset[2] = u;
}

void CEarthSurface::ResetDefaults()
{
    m_fSeaLevel = 0.16f;
    m_bClouds = 1;
    m_fIceCaps = 0.8f;
    m_dCoverage = 0.25;
    m_dFractal = 1.0;
    m_dCloudFractal = 1.0;
    m_dClimate = 0.6;
    ReinitialiseNoise();
}

void CEarthSurface::ReinitialiseNoise()
{
    m_terrain.Initialize(m_dFractal, 2.0, 8.0, 0.0);
    m_clouds.Initialize(m_dCloudFractal, 2.0, 8.0, m_dCoverage);
}

void CEarthSurface::SetCloudCoverage(double coverage)
{
    m_dCoverage = coverage;
    m_clouds.SetStart(coverage);
}

double CEarthSurface::GetValue(int index) const
{
    switch (index) {
    case 0: return m_fSeaLevel;
    case 1: return m_bClouds;
    case 2: return m_fIceCaps;
    case 3: return m_dCoverage;
    case 4: return m_dFractal;
    case 5: return m_dCloudFractal;
    default: return m_dClimate;
    }
}

void CEarthSurface::SetValue(int index, double value)
{
    switch (index) {
    case 0: m_fSeaLevel = static_cast<float>(value); break;
    case 1: m_bClouds = static_cast<int>(value); break;
    case 2: m_fIceCaps = static_cast<float>(value); break;
    case 3: SetCloudCoverage(value); break;
    case 4: m_dFractal = value; break;
    case 5: m_dCloudFractal = value; break;
    default: m_dClimate = value; break;
    }
}
