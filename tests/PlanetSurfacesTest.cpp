// The three planet surfaces, checked against the noise they own.
#include "gl/EarthSurface.h"
#include "gl/MoonSurface.h"
#include "gl/VenusSurface.h"
#include "document/SettingsStore.h"
#include "effects/Random.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// Visits points of the visible hemisphere on a coarse grid, as the renderer would.
void ForHemisphere(int cells, const std::function<void(SurfacePoint&)>& visit)
{
    const float step = 2.0f / cells;
    for (float y = -1; y <= 1; y += step)
        for (float x = -1; x <= 1; x += step) {
            const float r = std::sqrt(x * x + y * y);
            if (r > 1)
                continue;
            SurfacePoint pt = SurfacePoint::OnSphere(x, y, r);
            visit(pt);
        }
}

CColor VenusExpected(const CVenusSurface& venus, double qx, double qy, double qz)
{
    double h = venus.GetTerrainNoise().Value(qx, qy, qz);
    h = h < 0 ? 0 : (h > 1 ? 1 : h);
    CColor c(venus.m_crCloud, TRUE);
    c.Blend(CColor(venus.m_crSurface, TRUE), h);
    return c;
}

}

TEST(VenusSurface, SamplesShiftedPointsAndSwirlsWithoutShiftingZ)
{
    SetRandomSeed(99);
    CVenusSurface venus;
    venus.PrepareRender();
    int differ = 0, points = 0;
    ForHemisphere(40, [&](SurfacePoint& pt) {
        const double x = pt.position[0], y = pt.position[1], z = pt.position[2];
        venus.m_bCoriolis = 0;
        venus.ComputeColour(pt);
        const CColor plain = pt.colour;
        EXPECT_EQ(plain, VenusExpected(venus, x + 1, y + 1, z + 1));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(pt.normal[i], pt.position[i]);

        venus.m_bCoriolis = 1;
        venus.ComputeColour(pt);
        const double a = y * 6.283185308, s = std::sin(a), c = std::cos(a);
        EXPECT_EQ(pt.colour, VenusExpected(venus, x * c - y * s + 1, x * s + y * c + 1, z));
        differ += pt.colour != plain;
        ++points;
    });
    // The two samplings are not secretly the same.
    EXPECT_GT(differ, points / 4);
}

TEST(MoonSurface, BrightnessFloorsFollowTheBumpMode)
{
    SetRandomSeed(5);
    CMoonSurface moon;
    moon.PrepareRender();
    moon.m_crMaria = RGB(200, 200, 200);
    moon.m_crHighland = RGB(250, 250, 250);
    // The darkest point sits where the sine reaches -1 in a mare (floor x maria colour) or
    // just above the threshold in the highlands (floor x highland colour).
    for (int mode : {0, 1, 2}) {
        moon.SetBumpMode(mode);
        const double floor = mode == 0 ? 0.5 : 0.8;
        int darkest = 255, maria = 0, highland = 0;
        ForHemisphere(60, [&](SurfacePoint& pt) {
            moon.ComputeColour(pt);
            darkest = std::min(darkest, pt.colour.Red());
            maria += pt.colour.Red() <= 200;
            highland += pt.colour.Red() > 200;
        });
        EXPECT_GE(darkest, int(200 * floor)) << "mode " << mode;
        EXPECT_LE(darkest, int(200 * floor) + 4) << "mode " << mode;
        EXPECT_GT(maria, 0);
        EXPECT_GT(highland, 0);
    }
    // The dialog shows (m + 1) / 2.
    EXPECT_DOUBLE_EQ(CMoonSurface::MariaFromDialog(0.55), 2 * 0.55 - 1);
    EXPECT_FLOAT_EQ(static_cast<float>(CMoonSurface::MariaFromDialog(0.55)), 0.1f);
    EXPECT_DOUBLE_EQ(CMoonSurface::MariaToDialog(0.1), 0.55);
}

TEST(MoonSurface, BumpTiltsNormalsOnlyWhenOn)
{
    SetRandomSeed(6);
    CMoonSurface moon;
    moon.PrepareRender();
    int tilted = 0;
    for (int mode : {0, 2}) {
        moon.SetBumpMode(mode);
        ForHemisphere(20, [&](SurfacePoint& pt) {
            moon.ComputeColour(pt);
            bool same = true;
            for (int i = 0; i < 3; ++i)
                same = same && pt.normal[i] == pt.position[i];
            if (mode == 0)
                EXPECT_TRUE(same);
            else
                tilted += !same;
        });
    }
    EXPECT_GT(tilted, 0);
}

TEST(EarthSurface, DialogMappings)
{
    EXPECT_FLOAT_EQ(static_cast<float>(CEarthSurface::SeaLevelFromDialog(0.6)), 0.16f);
    EXPECT_DOUBLE_EQ(CEarthSurface::SeaLevelFromDialog(0), -0.8);
    EXPECT_DOUBLE_EQ(CEarthSurface::SeaLevelFromDialog(1), 0.8);
    EXPECT_DOUBLE_EQ(CEarthSurface::SeaLevelToDialog(0.16), 0.6);
    EXPECT_DOUBLE_EQ(CEarthSurface::SeaLevelToDialog(-0.8), 0);
}

TEST(EarthSurface, SeaIsNeverWhiteWithoutCloudsAndIce)
{
    SetRandomSeed(11);
    CEarthSurface earth;
    earth.PrepareRender();
    earth.m_bClouds = 0;
    const CColor white(255, 255, 255);
    auto countWhiteSea = [&](int& sea) {
        int white_ = 0;
        sea = 0;
        ForHemisphere(80, [&](SurfacePoint& pt) {
            earth.ComputeColour(pt);
            const float h = static_cast<float>(earth.GetTerrainNoise().Value(
                pt.position[0] + 1.0, pt.position[1] + 1.0, pt.position[2] + 1.0));
            if (h <= static_cast<float>(earth.m_dSeaLevel)) {
                ++sea;
                white_ += pt.colour == white;
            }
        });
        return white_;
    };
    int sea = 0;
    earth.m_dIceCaps = 0;
    EXPECT_EQ(countWhiteSea(sea), 0);
    EXPECT_GT(sea, 100);
    // With ice from latitude 0.5 the polar seas freeze in part.
    earth.m_dIceCaps = 0.5;
    EXPECT_GT(countWhiteSea(sea), 0);
}

TEST(EarthSurface, SeaBlueLandRampAndWhiteClouds)
{
    SetRandomSeed(12);
    CEarthSurface earth;
    earth.PrepareRender();
    int blue = 0, land = 0, cloudy = 0, whiter = 0, total = 0;
    ForHemisphere(60, [&](SurfacePoint& pt) {
        earth.m_bClouds = 0;
        earth.ComputeColour(pt);
        const CColor ground = pt.colour;
        blue += ground.Blue() > ground.Red() + 60;
        land += ground.Blue() < ground.Green();
        earth.m_bClouds = 1;
        earth.ComputeColour(pt);
        cloudy += pt.colour != ground;
        // Clouds only ever blend towards white.
        whiter += pt.colour.Red() >= ground.Red() && pt.colour.Green() >= ground.Green() &&
                  pt.colour.Blue() >= ground.Blue();
        ++total;
    });
    EXPECT_GT(blue, total / 10);
    EXPECT_GT(land, total / 10);
    EXPECT_GT(cloudy, total / 10);
    EXPECT_EQ(whiter, total);
}

TEST(EarthSurface, PrepareRenderDrawsTablesThenTheCloudOffset)
{
    SetRandomSeed(4321);
    CEarthSurface earth;
    SetRandomSeed(777);
    earth.PrepareRender();
    const DWORD after = GetRandomSeed();

    SetRandomSeed(777);
    CGradientNoise3D terrain, detail, clouds;
    terrain.Initialize();
    detail.Initialize();
    clouds.Initialize();
    const double u = RandomUnit();
    EXPECT_EQ(GetRandomSeed(), after);
    for (double p : {0.3, 1.7, 2.45}) {
        EXPECT_EQ(earth.GetTerrainNoise().GetNoise().Noise(p, p * 0.5, 1.1),
                  terrain.Noise(p, p * 0.5, 1.1));
        EXPECT_EQ(earth.GetDetailNoise().GetNoise().Noise(p, 0.2, p), detail.Noise(p, 0.2, p));
        EXPECT_EQ(earth.GetCloudNoise().GetNoise().Noise(0.9, p, p), clouds.Noise(0.9, p, p));
    }
    EXPECT_EQ(earth.GetCloudOffset()[0], static_cast<double>(static_cast<float>(u)));
    EXPECT_EQ(earth.GetCloudOffset()[1], static_cast<double>(static_cast<float>(u)));
    EXPECT_EQ(earth.GetCloudOffset()[2], u);
}

TEST(EarthSurface, StoredValuesReachTheNoiseOnlyOnReinitialisation)
{
    QTemporaryDir dir;
    CSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    store.WriteReal("Earth", "CloudFractal", 0.4);
    store.WriteReal("Earth", "Fractal", 0.6);
    CEarthSurface earth;
    EXPECT_EQ(earth.GetCloudNoise().GetStart(), 0.25);
    earth.LoadDefaults(store, "Earth");
    // The stored coverage (0.3 when missing) starts the sum at once; the weights wait.
    EXPECT_EQ(earth.m_dCoverage, 0.3);
    EXPECT_EQ(earth.GetCloudNoise().GetStart(), 0.3);
    EXPECT_EQ(earth.GetCloudNoise().GetH(), 1.0);
    EXPECT_EQ(earth.GetTerrainNoise().GetH(), 1.0);
    EXPECT_EQ(earth.m_dCloudFractal, 0.4);
    earth.ReinitialiseNoise();
    EXPECT_EQ(earth.GetCloudNoise().GetH(), 0.4);
    EXPECT_EQ(earth.GetCloudNoise().GetStart(), 0.3);
    EXPECT_EQ(earth.GetTerrainNoise().GetH(), 0.6);
    earth.ResetDefaults();
    EXPECT_EQ(earth.GetCloudNoise().GetStart(), 0.25);
    EXPECT_EQ(earth.GetTerrainNoise().GetH(), 1.0);
}

TEST(PlanetSurfaces, ManyPointsAtOnceMatchOneByOneOnEveryInstructionSet)
{
    // The whole hemisphere in one call: chunks then span rows (the Venus swirl changes
    // within them), and the Earth's land, frozen sea and open sea interleave, so the points
    // taking detail noise must be handed back to the right places.
    std::vector<SurfacePoint> hemisphere;
    ForHemisphere(70, [&](SurfacePoint& pt) { hemisphere.push_back(pt); });
    SetRandomSeed(31);
    CVenusSurface venus;
    CMoonSurface moon;
    CEarthSurface earth;
    for (CSurfaceModel* pModel : {static_cast<CSurfaceModel*>(&venus),
                                  static_cast<CSurfaceModel*>(&moon),
                                  static_cast<CSurfaceModel*>(&earth)})
        pModel->PrepareRender();
    moon.SetBumpMode(CSurfaceModel::BumpPeriodic);
    moon.m_dMaria = -0.2;
    earth.m_dIceCaps = 0.3;
    const std::function<void()> variants[] = {
        [] {},
        [&] {
            venus.m_bCoriolis = 0;
            earth.m_dClimate = 0.2;
        },
        [&] { earth.m_bClouds = 0; },
    };
    auto sameBits = [](const float* a, const float* b) {
        return std::memcmp(a, b, 3 * sizeof(float)) == 0;
    };
    for (const auto& vary : variants) {
        vary();
        for (const CSurfaceModel* pModel : {static_cast<const CSurfaceModel*>(&venus),
                                            static_cast<const CSurfaceModel*>(&moon),
                                            static_cast<const CSurfaceModel*>(&earth)}) {
            std::vector<SurfacePoint> expected = hemisphere;
            const NoiseSimd previous = SetNoiseSimd(NoiseSimd::Scalar);
            for (SurfacePoint& pt : expected)
                pModel->ComputeColour(pt);
            for (int level = 0; level <= static_cast<int>(BestNoiseSimd()); ++level) {
                SetNoiseSimd(static_cast<NoiseSimd>(level));
                std::vector<SurfacePoint> points = hemisphere;
                pModel->ComputeColours(points.data(), points.size());
                for (size_t i = 0; i < points.size(); ++i)
                    ASSERT_TRUE(points[i].colour == expected[i].colour &&
                                sameBits(points[i].normal, expected[i].normal))
                        << pModel->GetName() << ", set " << level << ", point " << i;
            }
            SetNoiseSimd(previous);
        }
    }
}
