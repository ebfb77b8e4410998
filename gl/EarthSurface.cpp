#include "EarthSurface.h"

#include "../effects/ControlIds.h"

#include "Curves.h"
#include "effects/Random.h"

#include <cmath>

namespace {

const CColor kShallowSea(31, 77, 153);
const CColor kDeepSea(0, 14, 187);
const CColor kWhite(255, 255, 255);

}

CEarthSurface::CEarthSurface() : CSurfaceModel("Earth"), m_ramp(CColorRamp::Earth())
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
    const float seaLevel = static_cast<float>(m_dSeaLevel);
    const float iceCaps = static_cast<float>(m_dIceCaps);
    if (h > seaLevel) {
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
        if (iceCaps > 0 && lat > iceCaps) {
            const double l = (lat - iceCaps) / (1 - iceCaps);
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
    m_dSeaLevel = 0.16;
    m_bClouds = 1;
    m_dIceCaps = 0.8;
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

void CEarthSurface::CopyFixedTables(const CSurfaceModel& other)
{
    if (const auto* pEarth = dynamic_cast<const CEarthSurface*>(&other))
        m_vectorNoise = pEarth->m_vectorNoise;
}

void CEarthSurface::ValuesLoaded()
{
    m_clouds.SetStart(m_dCoverage);
}

CEffectValues CEarthSurface::GetValues()
{
    return {
        RealValue("SeaLevel", &m_dSeaLevel, "0.16", -0.8, 0.8,
                  "sea level s (the dialog shows (s + 0.8) / 1.6)")
            .ShownIn(EarthIds::SeaLevel, EarthIds::SeaLevelSpin, 1)
            .Mapped(&SeaLevelToDialog, &SeaLevelFromDialog),
        SwitchValue("Clouds", &m_bClouds, "1", "cloud layer on").ShownBy(EarthIds::Clouds),
        RealValue("IceCaps", &m_dIceCaps, "0.8", 0, 1, "latitude where sea ice begins")
            .ShownIn(EarthIds::IceCaps, EarthIds::IceCapsSpin, 1),
        RealValue("CloudCoverage", &m_dCoverage, "0.3", 0, 1, "start value of the cloud noise")
            .ShownIn(EarthIds::Coverage, EarthIds::CoverageSpin, 1),
        RealValue("Fractal", &m_dFractal, "1.0", 0, 1, "fractal dimension H of the land")
            .ShownIn(EarthIds::Fractal, EarthIds::FractalSpin, 1),
        RealValue("CloudFractal", &m_dCloudFractal, "1.0", 0, 1,
                  "fractal dimension H of the clouds")
            .ShownIn(EarthIds::CloudFractal, EarthIds::CloudFractalSpin, 1),
        RealValue("Climate", &m_dClimate, "0.6", 0, 1, "climate bias of latitude (0 is warmest)")
            .ShownIn(EarthIds::Climate, EarthIds::ClimateSpin, 1),
    };
}

QStringList CEarthSurface::ReinitialisingValues() const
{
    return {QStringLiteral("SeaLevel"), QStringLiteral("CloudCoverage"), QStringLiteral("Fractal"),
            QStringLiteral("CloudFractal")};
}
