#include "gl/GalaxyModel.h"
#include "gl/Curves.h"
#include "gl/GalaxyEffect.h"

#include "document/Dib.h"
#include "effects/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

std::unique_ptr<CGalaxyModel> Model(int nCode)
{
    return std::unique_ptr<CGalaxyModel>(CreateGalaxyModel(nCode));
}

const int kCodeSa = 512, kCodeSc = 514, kCodeSd = 515, kCodeSBb = 769, kCodeE0 = 0, kCodeE3 = 3,
          kCodeE7 = 7;

// Spirals make a textured gas disc, which needs a GL context; these tests only look at the
// star clouds, so they switch the gas disc's texture to a file that does not exist.
void BuildWithoutTexture(CGalaxyModel& model, int nPixels)
{
    model.m_strGasTexture = "/nonexistent/galaxy-texture.bmp";
    model.Build(nPixels);
}

double Deviation(CGLMesh& batch, int nCount, int axis)
{
    double sum = 0, sumSq = 0;
    for (int i = 0; i < nCount; ++i) {
        const double v = batch.GetVertices()[i].position[axis];
        sum += v;
        sumSq += v * v;
    }
    const double mean = sum / nCount;
    return std::sqrt(sumSq / nCount - mean * mean);
}

}

TEST(GalaxyTypeTest, TableCodesAndModelClasses)
{
    EXPECT_STREQ(g_galaxyTypes[0].szName, "Spiral Sa");
    EXPECT_STREQ(g_galaxyTypes[7].szName, "Barred Spiral SBd");
    EXPECT_STREQ(g_galaxyTypes[15].szName, "Elliptical E7");
    EXPECT_EQ(g_galaxyTypes[2].Code(), 514);
    EXPECT_EQ(g_galaxyTypes[4].Code(), 768);
    EXPECT_EQ(g_galaxyTypes[8].Code(), 0);
    for (int i = 0; i < kGalaxyTypeCount; ++i) {
        const GalaxyType& type = g_galaxyTypes[i];
        EXPECT_LT(std::strlen(type.szName), sizeof(type.szName));
        EXPECT_EQ(FindGalaxyType(type.Code()), i);
        auto model = Model(type.Code());
        ASSERT_TRUE(model) << type.szName;
        EXPECT_EQ(model->m_nSubtype, type.nSubtype);
        switch (type.nClass) {
        case GALAXY_ELLIPTICAL:
            EXPECT_TRUE(dynamic_cast<CEllipticalGalaxy*>(model.get()));
            EXPECT_EQ(model->m_bTwist, 0);
            EXPECT_EQ(model->m_bHasGas, 0);
            break;
        case GALAXY_SPIRAL:
            EXPECT_TRUE(dynamic_cast<CSpiralGalaxy*>(model.get()));
            EXPECT_EQ(model->m_bTwist, 1);
            EXPECT_EQ(model->m_bHasGas, 1);
            break;
        case GALAXY_BARRED_SPIRAL:
            EXPECT_TRUE(dynamic_cast<CBarredSpiralGalaxy*>(model.get()));
            EXPECT_EQ(model->m_bTwist, 1);
            EXPECT_EQ(model->m_bHasGas, 0);
            break;
        }
        EXPECT_EQ(model->m_bStars, 1);
        EXPECT_EQ(model->m_bCore, 1);
        EXPECT_EQ(model->m_coreColor, CColor(255, 255, 174));
        EXPECT_EQ(model->m_starsColor, CColor(126, 108, 210));
        EXPECT_EQ(model->m_gasColor, CColor(128, 128, 128));
    }
    EXPECT_FALSE(Model(1 * 256));
    EXPECT_FALSE(Model(4 * 256 + 2));
    EXPECT_EQ(FindGalaxyType(256), -1);

    EXPECT_EQ(GalaxyTypeFromText("514"), 514);
    EXPECT_EQ(GalaxyTypeFromText("Barred Spiral SBb"), 769);
    EXPECT_EQ(GalaxyTypeFromText(" elliptical e7 "), 7);
    EXPECT_EQ(GalaxyTypeFromText("SBd"), 771);
    EXPECT_EQ(GalaxyTypeFromText("sa"), 512);
    EXPECT_EQ(GalaxyTypeFromText("516"), -1);
    EXPECT_EQ(GalaxyTypeFromText("Spiral"), -1);
    EXPECT_EQ(GalaxyTypeFromText(""), -1);
}

TEST(GalaxyTypeTest, DefaultDensityByClass)
{
    EXPECT_FLOAT_EQ(Model(kCodeE3)->DefaultDensity(), 0.5f);
    EXPECT_FLOAT_EQ(Model(kCodeE0)->DefaultDensity(), 0.8f);
    EXPECT_FLOAT_EQ(Model(kCodeE7)->DefaultDensity(), 0.1f);
    EXPECT_FLOAT_EQ(Model(kCodeSBb)->DefaultDensity(), 0.3f);
    EXPECT_FLOAT_EQ(Model(kCodeSa)->DefaultDensity(), 0.2f);
    EXPECT_FLOAT_EQ(static_cast<float>(Model(kCodeE3)->m_dDensity), 0.5f);
}

TEST(GalaxyBuildTest, CountsOfA400By300Rectangle)
{
    const int nPixels = 400 * 300;
    auto sc = Model(kCodeSc);
    sc->m_dDensity = 0.5;
    BuildWithoutTexture(*sc, nPixels);
    EXPECT_EQ(sc->m_nStars, 15000);
    EXPECT_EQ(sc->m_nCore, 7500);
    ASSERT_TRUE(sc->m_pStars);
    EXPECT_EQ(sc->m_pStars->GetVertexCount(), 15000);
    EXPECT_EQ(sc->m_pCore->GetVertexCount(), 7500);
    EXPECT_EQ(sc->m_nTextureId, 170);
    ASSERT_TRUE(sc->m_pGasDisc);

    auto sa = Model(kCodeSa);
    sa->m_dDensity = 0.5;
    BuildWithoutTexture(*sa, nPixels);
    EXPECT_EQ(sa->m_nCore, 30000);
    EXPECT_EQ(sa->m_nTextureId, 168);

    auto sd = Model(kCodeSd);
    sd->m_dDensity = 0.5;
    BuildWithoutTexture(*sd, nPixels);
    EXPECT_EQ(sd->m_nCore, 3750);
    EXPECT_EQ(sd->m_nTextureId, 171);

    for (int code : {kCodeE3, kCodeSBb}) {
        auto model = Model(code);
        model->m_dDensity = 0.5;
        model->Build(nPixels);
        EXPECT_EQ(model->m_nStars, 15000);
        EXPECT_EQ(model->m_nCore, 3750);
        EXPECT_FALSE(model->m_pGasDisc);
        EXPECT_FALSE(model->m_pDustDisc);
    }

    // A second build replaces the first; switches leave clouds out.
    sc->m_bCore = 0;
    sc->m_dDensity = 0.1;
    BuildWithoutTexture(*sc, nPixels);
    EXPECT_EQ(sc->m_nStars, 3000);
    EXPECT_FALSE(sc->m_pCore);
    EXPECT_EQ(sc->m_nCore, 0);

    // A nonsense density gives an empty galaxy, not a negative count; a spiral keeps its gas.
    auto e = Model(kCodeE0);
    e->m_dDensity = -1;
    e->Build(nPixels);
    EXPECT_EQ(e->m_nStars, 0);
    EXPECT_EQ(e->m_nCore, 0);
    sc->m_dDensity = 0;
    BuildWithoutTexture(*sc, nPixels);
    EXPECT_EQ(sc->m_nStars, 0);
    EXPECT_TRUE(sc->m_pGasDisc);
}

// The disc and the face-on view are turned by pi / 2 in single precision, whose cosine is
// -4.37e-8, not by an exact quarter turn: a disc point on its y axis keeps that trace of y.
TEST(GalaxyBuildTest, QuarterTurnIsTheSinglePrecisionAngle)
{
    const double cosQuarter = std::cos(static_cast<double>(1.5707964f));
    ASSERT_LT(cosQuarter, -4e-8);
    const CMatrix4 faceOn = CGalaxyEffect::FaceOnRotation();
    EXPECT_FLOAT_EQ(faceOn(1, 1), static_cast<float>(cosQuarter));
    EXPECT_FLOAT_EQ(faceOn(2, 2), static_cast<float>(cosQuarter));
    EXPECT_EQ(faceOn(2, 1), 1.0f);
    EXPECT_EQ(faceOn(1, 2), -1.0f);

    auto sc = Model(kCodeSc);
    sc->m_dGasScale = 2;
    BuildWithoutTexture(*sc, 1000);
    ASSERT_TRUE(sc->m_pGasDisc);
    // Vertex 6 of the 20-segment disc sits a quarter of the way round, at y about 1.
    const GLVertex v = sc->m_pGasDisc->GetVertex(6);
    EXPECT_FLOAT_EQ(v.position[1], static_cast<float>(2 * cosQuarter));
    EXPECT_NEAR(v.position[2], 2, 1e-6);
}

TEST(GalaxyBuildTest, EllipticalSigmasFlattenWithTheSubtype)
{
    SetRandomSeed(99);
    auto e0 = Model(kCodeE0);
    e0->Build(200 * 200);
    EXPECT_DOUBLE_EQ(e0->m_starsSigma[0], 1.6);
    EXPECT_DOUBLE_EQ(e0->m_starsSigma[1], 1.6);
    EXPECT_DOUBLE_EQ(e0->m_starsSigma[2], 1.6);
    EXPECT_DOUBLE_EQ(e0->m_coreSigma[1], 0.4);

    auto e7 = Model(kCodeE7);
    e7->m_dDensity = 0.8;
    e7->Build(200 * 200);
    EXPECT_DOUBLE_EQ(e7->m_starsSigma[0], 1.6);
    EXPECT_NEAR(e7->m_starsSigma[1], 0.48, 1e-12);
    EXPECT_NEAR(e7->m_starsSigma[2], 0.48, 1e-12);
    EXPECT_NEAR(e7->m_coreSigma[2], 0.12, 1e-12);

    // The batch really has those spreads, axis by axis (x, y, z in draw order).
    ASSERT_EQ(e7->m_nStars, 8000);
    EXPECT_NEAR(Deviation(*e7->m_pStars, e7->m_nStars, 0), 1.6, 0.05);
    EXPECT_NEAR(Deviation(*e7->m_pStars, e7->m_nStars, 1), 0.48, 0.02);
    EXPECT_NEAR(Deviation(*e7->m_pStars, e7->m_nStars, 2), 0.48, 0.02);
}

TEST(GalaxyBuildTest, BarredSpiralBarNarrowsFromSBaToSBd)
{
    const double zs[4] = {1.0, 0.8, 0.6, 0.4};
    for (int s = 0; s < 4; ++s) {
        auto model = Model(768 + s);
        model->m_bTwist = 0;
        model->Build(100 * 100);
        EXPECT_DOUBLE_EQ(model->m_starsSigma[0], 2.0);
        EXPECT_DOUBLE_EQ(model->m_starsSigma[1], 0.1);
        EXPECT_DOUBLE_EQ(model->m_starsSigma[2], zs[s]);
        EXPECT_DOUBLE_EQ(model->m_coreSigma[2], zs[s] * 0.25);
    }
}

TEST(GalaxyStarsTest, DrawOrderColourAndAlpha)
{
    auto model = Model(kCodeE0);
    model->m_coreColor = CColor(255, 255, 255);
    model->m_starsColor = CColor(0, 0, 0);
    const DWORD seed = 424242;
    // Star 504084 of this seed is the first whose grey differs (31, not 30) when the
    // distance is taken from the single-precision positions instead of the samples.
    const int nStars = 504085;
    SetRandomSeed(seed);
    std::unique_ptr<CGLMesh> batch(model->MakeStars(nStars, 1.0, 2.0, 3.0));
    ASSERT_TRUE(batch);
    ASSERT_EQ(batch->GetVertexCount(), nStars);

    // Replay the generator: per star one sample of x, y, z, then one uniform for alpha.
    SetRandomSeed(seed);
    CGaussianRandom gx(0, 1.0), gy(0, 2.0), gz(0, 3.0);
    for (int i = 0; i < nStars; ++i) {
        const double x = gx.Sample();
        const double y = gy.Sample();
        const double z = gz.Sample();
        const int alpha = static_cast<int>(RandomUnit() * 128 + 32);
        const GLVertex& v = batch->GetVertices()[i];
        ASSERT_EQ(v.position[0], static_cast<float>(x)) << i;
        ASSERT_EQ(v.position[1], static_cast<float>(y)) << i;
        ASSERT_EQ(v.position[2], static_cast<float>(z)) << i;
        ASSERT_EQ(v.color[3], alpha) << i;
        ASSERT_GE(v.color[3], 32);
        ASSERT_LE(v.color[3], 159);
        // Grey from the white core to the black rim, brighter nearer the centre.
        const double d = std::sqrt(x * x + y * y + z * z);
        const int expected = static_cast<int>(255 * std::exp(-d / 2.5));
        ASSERT_EQ(v.color[0], expected) << i;
        ASSERT_EQ(v.color[0], v.color[1]);
        ASSERT_EQ(v.color[1], v.color[2]);
    }
}

TEST(GalaxyTwistTest, CentreTurnsMostAndTheRimNotAtAll)
{
    // Sd: one turn at the centre falling off as (1 - r / rmax)^3.
    auto sd = Model(kCodeSd);
    EXPECT_FLOAT_EQ(sd->TwistProfile(0, 2), 1);
    EXPECT_FLOAT_EQ(sd->TwistProfile(1, 2), 0.125f);
    EXPECT_FLOAT_EQ(sd->TwistProfile(2, 2), 0);
    EXPECT_FLOAT_EQ(Model(kCodeSa)->TwistProfile(0, 1), 8);
    EXPECT_FLOAT_EQ(Model(513)->TwistProfile(0.5f, 1), 3 * 0.125f);
    // Barred: Bias(0.8, c) scaled 0.8, 1, 1.2, 1.4.
    const double bias = std::pow(0.5, std::log(0.8) / -0.3010299957);
    EXPECT_NEAR(Model(kCodeSBb)->TwistProfile(0.5f, 1), bias, 1e-6);
    EXPECT_NEAR(Model(770)->TwistProfile(0.5f, 1), 1.2 * bias, 1e-6);
    EXPECT_NEAR(Model(771)->TwistProfile(0, 1), 1.4f, 1e-6);
    EXPECT_FLOAT_EQ(Model(768)->TwistProfile(1, 1), 0);
    // Only the distance ratio is single precision: 0.8f x a rounded bias would be an ulp
    // off here.
    const float c = 1 - 0.01f / 1;
    EXPECT_EQ(Model(768)->TwistProfile(0.01f, 1), static_cast<float>(0.8 * Bias(0.8, c)));
    EXPECT_EQ(Model(770)->TwistProfile(0.03f, 1),
              static_cast<float>(1.2 * Bias(0.8, 1 - 0.03f / 1)));
    EXPECT_FLOAT_EQ(Model(kCodeE3)->TwistProfile(0, 1), 0);

    // Stars on the x axis at radii 0.5, 1.5 and 2 (the rim): the rim star stays, the one
    // at 1.5 turns 1/64 turn and the one at 0.5 27/64, each keeping its radius.
    CGLMesh batch;
    ASSERT_TRUE(batch.AllocatePoints(3));
    const float radii[3] = {0.5f, 1.5f, 2.0f};
    for (int i = 0; i < 3; ++i) {
        GLVertex v{};
        v.position[0] = radii[i];
        v.position[1] = 0.25f;
        batch.SetVertex(i, v);
    }
    sd->Twist(&batch, 3);
    for (int i = 0; i < 3; ++i) {
        const float* p = batch.GetVertices()[i].position;
        const double turns = std::pow(1 - radii[i] / 2.0, 3);
        const double a = -turns * 2 * 3.14159265358979;
        // A turn of -a about y sends (r, 0) to (r cos a, -r sin a) in x-z.
        EXPECT_NEAR(p[0], radii[i] * std::cos(a), 1e-5) << i;
        EXPECT_NEAR(p[2], -radii[i] * std::sin(a), 1e-5) << i;
        EXPECT_FLOAT_EQ(p[1], 0.25f);
    }
    EXPECT_FLOAT_EQ(batch.GetVertices()[2].position[0], 2.0f);
    EXPECT_NEAR(batch.GetVertices()[2].position[2], 0.0f, 1e-6);

    // Every star on the axis: nothing to turn and no 0 / 0.
    CGLMesh axis;
    ASSERT_TRUE(axis.AllocatePoints(2));
    sd->Twist(&axis, 2);
    EXPECT_EQ(axis.GetVertices()[1].position[0], 0.0f);
    sd->Twist(nullptr, 5);
}

TEST(GalaxyDrawTest, PointSizesSplitSeventyThirtyWithoutLosingStars)
{
    int nSmall, nLarge;
    SplitPointSizes(15000, nSmall, nLarge);
    EXPECT_EQ(nSmall, 10500);
    EXPECT_EQ(nLarge, 4500);
    // 11 x 0.7 and 11 x 0.3 truncate to 7 and 3: the last star still gets drawn.
    SplitPointSizes(11, nSmall, nLarge);
    EXPECT_EQ(nSmall, 7);
    EXPECT_EQ(nLarge, 4);
    SplitPointSizes(1, nSmall, nLarge);
    EXPECT_EQ(nSmall, 0);
    EXPECT_EQ(nLarge, 1);
}

TEST(GalaxyTextureTest, BuiltInBitmapsAreGreyDiscs)
{
    // Sa to Sd gas discs: black at the rim, light in the middle.
    for (UINT id = IDB_GALAXY_GAS_SA; id < IDB_GALAXY_GAS_SA + 4; ++id) {
        CDib dib;
        ASSERT_TRUE(dib.LoadResource(id)) << id;
        ASSERT_EQ(dib.GetSize(), CSize(256, 256));
        EXPECT_EQ(dib.GetPixel(0, 0), 0u) << id;
        EXPECT_EQ(dib.GetPixel(255, 128), 0u) << id;
        const DWORD centre = dib.GetPixel(128, 128);
        EXPECT_GT(centre & 0xFF, 100u) << id;
        for (int y = 0; y < 256; y += 5)
            for (int x = 0; x < 256; x += 7) {
                const DWORD c = dib.GetPixel(x, y);
                ASSERT_EQ(c & 0xFF, (c >> 8) & 0xFF);
                ASSERT_EQ(c & 0xFF, (c >> 16) & 0xFF);
            }
    }
    // The dust multiplies the frame: white where clear, darker lanes somewhere.
    CDib dust;
    ASSERT_TRUE(dust.LoadResource(IDB_GALAXY_DUST));
    ASSERT_EQ(dust.GetSize(), CSize(256, 256));
    EXPECT_EQ(dust.GetPixel(0, 0), 0xFFFFFFu);
    DWORD darkest = 0xFF;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            darkest = std::min<DWORD>(darkest, dust.GetPixel(x, y) & 0xFF);
    EXPECT_LT(darkest, 160u);
}
