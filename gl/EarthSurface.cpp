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
    ComputeColours(&point, 1);
}

void CEarthSurface::ComputeColours(SurfacePoint* points, size_t n) const
{
    const float seaLevel = static_cast<float>(m_dSeaLevel);
    const float iceCaps = static_cast<float>(m_dIceCaps);
    ForChunks(n, [&](size_t first, size_t count) {
        SurfacePoint* chunk = points + first;
        double qx[kChunk], qy[kChunk], qz[kChunk], terrain[kChunk];
        ShiftedPositions(chunk, count, qx, qy, qz);
        m_terrain.Value(qx, qy, qz, terrain, count);
        float h[kChunk], lat[kChunk];
        // Land and the sea where ice may form take the detail noise: those points are
        // gathered, their detail computed together and handed back in order.
        double dx[kChunk], dy[kChunk], dz[kChunk], detail[kChunk];
        size_t nDetail = 0;
        for (size_t i = 0; i < count; ++i) {
            h[i] = static_cast<float>(terrain[i]);
            lat[i] = std::fabs(chunk[i].position[1]);
            if (h[i] > seaLevel || (iceCaps > 0 && lat[i] > iceCaps)) {
                dx[nDetail] = qx[i];
                dy[nDetail] = qy[i];
                dz[nDetail] = qz[i];
                ++nDetail;
            }
        }
        m_detail.Value(dx, dy, dz, detail, nDetail);
        double cloud[kChunk];
        if (m_bClouds) {
            // The cloud lookups are moved by the vector noise at the offset point.
            double x1[kChunk], y1[kChunk], z1[kChunk], v[kChunk];
            for (size_t i = 0; i < count; ++i) {
                x1[i] = qx[i] + m_cloudOffset[0];
                y1[i] = qy[i] + m_cloudOffset[1];
                z1[i] = qz[i] + m_cloudOffset[2];
            }
            m_vectorNoise.Noise(x1, y1, z1, v, count);
            for (size_t i = 0; i < count; ++i) {
                // VectorNoise: three equal components, 2 noise - 1.
                const double d = 2 * v[i] - 1;
                x1[i] += d;
                y1[i] += d;
                z1[i] += d;
            }
            m_clouds.Value(x1, y1, z1, cloud, count);
        }
        size_t iDetail = 0;
        for (size_t i = 0; i < count; ++i) {
            SurfacePoint& point = chunk[i];
            if (h[i] > seaLevel) {
                const double d = detail[iDetail++] * 0.5;
                const double g = (h[i] + 1) / 2.0 * 0.1;
                double t = Bias(m_dClimate, lat[i] + g);
                // Hot climates take the detail twice, breaking up the latitude bands.
                if (m_dClimate < 0.4)
                    t = t + d;
                point.colour = m_ramp.Evaluate(t + d);
            } else {
                point.colour = kShallowSea;
                point.colour.Blend(kDeepSea, (h[i] + 1) / 2.0);
                if (iceCaps > 0 && lat[i] > iceCaps) {
                    const double l = (lat[i] - iceCaps) / (1 - iceCaps);
                    if (std::fabs(detail[iDetail++]) * l > 0.05)
                        point.colour = kWhite;
                }
            }
            if (m_bClouds && cloud[i] > 0)
                point.colour.Blend(kWhite, cloud[i]);
            for (int k = 0; k < 3; ++k)
                point.normal[k] = point.position[k];
            ApplyBump(point, h[i]);
        }
    });
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
    ResetEffectValues(GetValues());
    // A new Earth starts its clouds at a quarter, a little below the coverage a store
    // without the value gives (0.3): both are as they always were, and saved settings and
    // recipes rely on each.
    m_dCoverage = 0.25;
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
