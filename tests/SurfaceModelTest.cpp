// Shared parts of the planet surfaces: shaping curves, colour scaling, bump mapping and the
// parsing of stored values.
#include "document/SettingsStore.h"
#include "gl/Curves.h"
#include "gl/EarthSurface.h"
#include "gl/MoonSurface.h"
#include "gl/SurfaceModel.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Curves, SmoothStepBiasGain)
{
    EXPECT_EQ(SmoothStep(1, 2, 0.5), 0);
    EXPECT_EQ(SmoothStep(1, 2, 1), 0);
    EXPECT_EQ(SmoothStep(1, 2, 2), 1);
    EXPECT_EQ(SmoothStep(1, 2, 1.5), 0.5);
    EXPECT_DOUBLE_EQ(SmoothStep(0, 4, 1), 0.15625);

    // The exponent is ln b / log10(0.5): Bias(0.5, t) is not t.
    EXPECT_NEAR(Bias(0.8, 0.25), 0.3578597856181891, 1e-15);
    EXPECT_NEAR(Bias(0.6, 0.7), 0.5459373886042416, 1e-15);
    EXPECT_EQ(Bias(0.3, 1), 1);
    EXPECT_EQ(Bias(0.3, 0), 0);

    EXPECT_NEAR(Gain(0.8, 0.3), 0.03257389087087093, 1e-15);
    EXPECT_NEAR(Gain(0.8, 0.9), 0.9999083840901649, 1e-15);
    EXPECT_DOUBLE_EQ(Gain(0.8, 0.5), 0.5);
    for (double t : {0.1, 0.25, 0.4})
        EXPECT_NEAR(Gain(0.7, t) + Gain(0.7, 1 - t), 1.0, 1e-12) << t;
}

TEST(SurfaceModel, ScaleColourTruncatesAndClamps)
{
    const CColor c(100, 200, 3);
    EXPECT_EQ(ScaleColour(c, 0.5), CColor(50, 100, 1));
    EXPECT_EQ(ScaleColour(c, 0.999), CColor(99, 199, 2));
    EXPECT_EQ(ScaleColour(c, 2), CColor(200, 255, 6));
    EXPECT_EQ(ScaleColour(c, -1), CColor(0, 0, 0));
    EXPECT_EQ(ScaleColour(c, std::numeric_limits<double>::quiet_NaN()), CColor(0, 0, 0));
    EXPECT_EQ(ScaleColour(c, 1e300), CColor(255, 255, 255));
}

namespace {

// A model whose bump mode the tests choose; the moon lets every mode be set.
struct BumpCase
{
    float x, y, z;
    float px, py, pz; // the tangent-plane point before normalisation
};

void ExpectBump(int mode, const BumpCase& c, float v, double amount)
{
    CMoonSurface model;
    model.SetBumpMode(mode);
    SurfacePoint pt;
    pt.position[0] = c.x, pt.position[1] = c.y, pt.position[2] = c.z;
    pt.normal[0] = 0.25f, pt.normal[1] = -0.5f, pt.normal[2] = 0.75f;
    model.ApplyBump(pt, v);
    const double len = std::sqrt(double(c.px) * c.px + double(c.py) * c.py + double(c.pz) * c.pz);
    const double p[3] = {c.px / len, c.py / len, c.pz / len};
    const double n0[3] = {0.25, -0.5, 0.75};
    const double pos[3] = {c.x, c.y, c.z};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(pt.normal[i], n0[i] + (p[i] - pos[i]) * amount, 2e-6)
            << "mode " << mode << " position (" << c.x << ", " << c.y << ", " << c.z
            << ") axis " << i;
}

}

TEST(SurfaceModel, ApplyBumpCaseAnalysis)
{
    // One position for every pattern of zero coordinates.
    const BumpCase cases[] = {
        {0.1f, 0.2f, 0.5f, 1, 1, 1.4f},   // none zero: solve for z
        {0, 0.2f, 0.5f, 1, 1, 1.6f},      // x zero: still z
        {0.3f, 0, 0.5f, 1, 1, 1.4f},      // y zero: still z
        {0, 0, 0.5f, 1, 1, 2},            // on the z axis
        {0.6f, 0.8f, 0, 1, 0.5f, 1},      // z zero: solve for y
        {0, 0.5f, 0, 1, 2, 1},            // on the y axis
        {0.5f, 0, 0, 2, 1, 1},            // on the x axis
        {0, 0, 0, 1, 1, 1},               // the centre: p stays (1, 1, 1)
    };
    for (const BumpCase& c : cases)
        ExpectBump(CSurfaceModel::BumpHeight, c, 0.2f, 0.6);

    const BumpCase c = cases[0];
    ExpectBump(CSurfaceModel::BumpLinear, c, 0.2f, Gain(0.8, 0.6) * 0.5);
    ExpectBump(CSurfaceModel::BumpPeriodic, c, 0.2f, std::cos(0.6 * 12.56637) * 0.5);
    ExpectBump(CSurfaceModel::BumpNone, c, 0.2f, 0);
}

TEST(SurfaceModel, StoredValuesAreCheckedAndKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        // A damaged section: non-numbers, NaN, absurd magnitudes, a bump mode no dialog offers.
        QSettings raw(path, QSettings::IniFormat);
        raw.setValue("Moon/Maria", "nan");
        raw.setValue("Moon/Fractal", "1e300");
        raw.setValue("Moon/BumpMap", 9);
        raw.setValue("Moon/MariaColor", 255);
        raw.setValue("Moon/HighlandColor", "not a colour");
        raw.setValue("Earth/SeaLevel", "-7");
        raw.setValue("Earth/Climate", "0.35");
        raw.setValue("Earth/Clouds", 5);
    }
    CSettingsStore store(path);
    CMoonSurface moon;
    moon.LoadDefaults(store, "Moon");
    EXPECT_EQ(moon.m_dMaria, 0.1) << "not a number: the default";
    EXPECT_EQ(moon.GetFractal(), 1.0);
    EXPECT_EQ(moon.GetBumpMode(), CSurfaceModel::BumpPeriodic);
    EXPECT_EQ(moon.m_crMaria, RGB(255, 0, 0));
    EXPECT_EQ(moon.m_crHighland, RGB(192, 192, 192));

    CEarthSurface earth;
    earth.LoadDefaults(store, "Earth");
    EXPECT_EQ(earth.m_dSeaLevel, -0.8);
    EXPECT_EQ(earth.m_dClimate, 0.35);
    EXPECT_EQ(earth.m_bClouds, 1);
    // Missing values take the load defaults, which differ from the reset coverage.
    EXPECT_EQ(earth.m_dCoverage, 0.3);
    EXPECT_EQ(earth.m_dIceCaps, 0.8);

    // Written back as the store keeps them, "%lf" text for the reals.
    moon.m_dMaria = -0.35;
    moon.SaveDefaults(store, "Moon");
    earth.SaveDefaults(store, "Earth");
    ASSERT_TRUE(store.Sync());
    CMoonSurface again;
    again.LoadDefaults(store, "Moon");
    EXPECT_EQ(again.m_dMaria, -0.35);
    EXPECT_EQ(again.GetBumpMode(), CSurfaceModel::BumpPeriodic);
    QSettings raw(path, QSettings::IniFormat);
    EXPECT_EQ(raw.value("Earth/SeaLevel").toString(), "-0.800000");
    EXPECT_EQ(raw.value("Moon/Maria").toString(), "-0.350000");
    EXPECT_EQ(raw.value("Moon/MariaColor").toInt(), 255);
}
