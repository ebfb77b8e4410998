#include "GalaxyModel.h"

#include "../document/Settings.h"
#include "../effects/Random.h"
#include "../effects/RenderThreads.h"
#include "../imagefile/PictureSize.h"
#include "Curves.h"
#include "Matrix4.h"

#include <GL/gl.h>

#include <QFile>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

const GalaxyType g_galaxyTypes[16] = {
    {"Spiral Sa", GALAXY_SPIRAL, 0},
    {"Spiral Sb", GALAXY_SPIRAL, 1},
    {"Spiral Sc", GALAXY_SPIRAL, 2},
    {"Spiral Sd", GALAXY_SPIRAL, 3},
    {"Barred Spiral SBa", GALAXY_BARRED_SPIRAL, 0},
    {"Barred Spiral SBb", GALAXY_BARRED_SPIRAL, 1},
    {"Barred Spiral SBc", GALAXY_BARRED_SPIRAL, 2},
    {"Barred Spiral SBd", GALAXY_BARRED_SPIRAL, 3},
    {"Elliptical E0", GALAXY_ELLIPTICAL, 0},
    {"Elliptical E1", GALAXY_ELLIPTICAL, 1},
    {"Elliptical E2", GALAXY_ELLIPTICAL, 2},
    {"Elliptical E3", GALAXY_ELLIPTICAL, 3},
    {"Elliptical E4", GALAXY_ELLIPTICAL, 4},
    {"Elliptical E5", GALAXY_ELLIPTICAL, 5},
    {"Elliptical E6", GALAXY_ELLIPTICAL, 6},
    {"Elliptical E7", GALAXY_ELLIPTICAL, 7},
};

int FindGalaxyType(int nCode)
{
    for (int i = 0; i < kGalaxyTypeCount; ++i)
        if (g_galaxyTypes[i].Code() == nCode)
            return i;
    return -1;
}

int GalaxyTypeFromText(const QString& text)
{
    const QString wanted = text.trimmed();
    bool bNumber = false;
    const int nCode = wanted.toInt(&bNumber);
    if (bNumber)
        return FindGalaxyType(nCode) >= 0 ? nCode : -1;
    for (const GalaxyType& type : g_galaxyTypes) {
        const QString name = QString::fromLatin1(type.szName);
        const QString lastWord = name.section(QLatin1Char(' '), -1);
        if (wanted.compare(name, Qt::CaseInsensitive) == 0 ||
            wanted.compare(lastWord, Qt::CaseInsensitive) == 0)
            return type.Code();
    }
    return -1;
}

CGalaxyModel* CreateGalaxyModel(int nTypeCode)
{
    const int nSubtype = nTypeCode & 255;
    try {
        switch (nTypeCode / 256) {
        case GALAXY_ELLIPTICAL:
            return new CEllipticalGalaxy(nSubtype);
        case GALAXY_SPIRAL:
            return new CSpiralGalaxy(nSubtype);
        case GALAXY_BARRED_SPIRAL:
            return new CBarredSpiralGalaxy(nSubtype);
        default:
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace {

// Sa to Sd (0 to 3) index the tables of the two spiral classes; a subtype beyond them (no
// row of the type list has one) is drawn as the nearest.
int ArmSubtype(int nSubtype)
{
    return nSubtype < 0 ? 0 : (nSubtype > 3 ? 3 : nSubtype);
}

}

void SplitPointSizes(int nCount, int& nSmall, int& nLarge)
{
    nSmall = static_cast<int>(nCount * 0.7);
    // The rest, not a second truncated product, which would drop the last star or two.
    nLarge = nCount - nSmall;
}

// ---------------------------------------------------------------------------------------
// CGalaxyModel

CGalaxyModel::CGalaxyModel(int nSubtype)
    : m_nSubtype(nSubtype), m_dGasScale(g_fGalaxyGasScale)
{
    m_starsColor.SetColorRef(DefaultStarsColor());
    m_coreColor.SetColorRef(DefaultCoreColor());
    m_gasColor.SetColorRef(DefaultGasColor());
    m_dDensity = DefaultDensity();
}

CGalaxyModel::~CGalaxyModel()
{
    DeleteMeshes();
}

void CGalaxyModel::DeleteMeshes()
{
    delete m_pStars;
    m_pStars = nullptr;
    m_nStars = 0;
    delete m_pCore;
    m_pCore = nullptr;
    m_nCore = 0;
    delete m_pGasDisc;
    m_pGasDisc = nullptr;
    delete m_pDustDisc;
    m_pDustDisc = nullptr;
}

int CGalaxyModel::BeginBuild(int nPixels)
{
    DeleteMeshes();
    const double n = nPixels * m_dDensity / 4;
    // A density outside 0..1 could come from a hand-edited setting; no stars then rather
    // than a negative or absurd count.
    if (!(n > 0))
        return 0;
    return n < 100000000.0 ? static_cast<int>(n) : 100000000;
}

void CGalaxyModel::MakeClouds(int nStars, const double starsSigma[3], int nCore,
                              const double coreSigma[3])
{
    for (int i = 0; i < 3; ++i) {
        m_starsSigma[i] = starsSigma[i];
        m_coreSigma[i] = coreSigma[i];
    }
    if (m_bStreamStars) {
        m_streamStars = m_streamCore = GalaxyStarCloud();
        if (m_bStars) {
            m_streamStars = PlanCloud(nStars, starsSigma);
            m_nStars = nStars;
        }
        if (m_bCore) {
            m_streamCore = PlanCloud(nCore, coreSigma);
            m_nCore = nCore;
        }
        return;
    }
    if (m_bStars) {
        m_pStars = MakeStars(nStars, starsSigma[0], starsSigma[1], starsSigma[2]);
        m_nStars = m_pStars ? nStars : 0;
    }
    if (m_bCore) {
        m_pCore = MakeStars(nCore, coreSigma[0], coreSigma[1], coreSigma[2]);
        m_nCore = m_pCore ? nCore : 0;
    }
}

GalaxyStarDraw CStarSampler::NextDraw()
{
    GalaxyStarDraw star;
    star.x = m_gx.Draw();
    star.y = m_gy.Draw();
    star.z = m_gz.Draw();
    star.alpha = static_cast<int>(RandomUnit() * 128 + 32);
    return star;
}

GLVertex CGalaxyModel::StarVertex(const GalaxyStarSample& star) const
{
    GLVertex v{};
    v.position[0] = static_cast<float>(star.x);
    v.position[1] = static_cast<float>(star.y);
    v.position[2] = static_cast<float>(star.z);
    // The colour follows the samples themselves, not their single-precision positions.
    const double d = std::sqrt(star.x * star.x + star.y * star.y + star.z * star.z);
    CColor color = m_starsColor;
    color.Blend(m_coreColor, std::exp(-d / 2.5));
    v.color[0] = static_cast<unsigned char>(color.Red());
    v.color[1] = static_cast<unsigned char>(color.Green());
    v.color[2] = static_cast<unsigned char>(color.Blue());
    v.color[3] = static_cast<unsigned char>(star.alpha);
    return v;
}

namespace {

// The distance from the polar axis that the twist goes by.
inline float AxisDistance(const float* p)
{
    return std::sqrt(p[0] * p[0] + p[2] * p[2]);
}

// Where Twist starts its search for the largest distance.
constexpr float kNoRadius = -1.1920929e-7f;

}

void CGalaxyModel::TwistPosition(float position[3], float rmax)
{
    const float angle = TwistProfile(AxisDistance(position), rmax) * 3.1415927f * 2;
    CMatrix4::RotationRadians(-angle, 0, 1, 0).TransformPoint(position, position);
}

GalaxyStarCloud CGalaxyModel::PlanCloud(int nCount, const double sigma[3])
{
    GalaxyStarCloud cloud;
    cloud.nCount = nCount;
    std::copy(sigma, sigma + 3, cloud.sigma);
    cloud.nSeed = GetRandomSeed();
    cloud.fRmax = kNoRadius;
    CStarSampler sampler(sigma[0], sigma[1], sigma[2]);
    // This thread steps the generator a chunk ahead while the render threads turn the
    // chunk before into samples and their largest distance (a maximum, whatever the order).
    constexpr int kChunk = 16384, kTasks = 8, kPerTask = kChunk / kTasks;
    std::vector<GalaxyStarDraw> draws(2 * kChunk);
    auto slot = [&](int i) -> GalaxyStarDraw& {
        return draws[static_cast<size_t>(i % (2 * kChunk))];
    };
    const int nChunks = (nCount + kChunk - 1) / kChunk;
    std::vector<float> taskMax(static_cast<size_t>(nChunks) * kTasks, kNoRadius);
    auto measure = [&](int task) {
        float rmax = kNoRadius;
        for (int i = task * kPerTask; i < std::min(nCount, (task + 1) * kPerTask); ++i) {
            const GalaxyStarSample star = sampler.Sample(slot(i));
            const float p[3] = {static_cast<float>(star.x), static_cast<float>(star.y),
                                static_cast<float>(star.z)};
            rmax = std::max(rmax, AxisDistance(p));
        }
        taskMax[static_cast<size_t>(task)] = rmax;
    };
    CRowTeam team(false);
    for (int chunk = 0; chunk < nChunks; ++chunk) {
        for (int i = chunk * kChunk; i < std::min(nCount, (chunk + 1) * kChunk); ++i)
            slot(i) = sampler.NextDraw();
        team.Finish(); // the chunk before, whose half of draws the next chunk reuses
        team.Start(chunk * kTasks, (chunk + 1) * kTasks, measure);
    }
    team.Finish();
    for (float rmax : taskMax)
        cloud.fRmax = std::max(cloud.fRmax, rmax);
    return cloud;
}

void CGalaxyModel::DrawCloud(CGLStateCache& cache, const GalaxyStarCloud& cloud, int nSmall)
{
    if (cloud.nCount <= 0)
        return;
    CGLMaterial material;
    SetStarMaterial(material);
    cache.Apply(material);
    const CRect* pVisible = m_rectVisible.IsRectEmpty() ? nullptr : &m_rectVisible;
    // The generator is taken back to the cloud's start for the draw and left as Build left it.
    const DWORD nAfterBuild = GetRandomSeed();
    SetRandomSeed(cloud.nSeed);
    CStarSampler sampler(cloud.sigma[0], cloud.sigma[1], cloud.sigma[2]);
    // The draws of the points the render threads are turning into vertices, and of the
    // batch after them, which this thread takes from the generator meanwhile.
    std::vector<GalaxyStarDraw> draws(2 * static_cast<size_t>(kGLPointBatch));
    auto slot = [&](int i) -> GalaxyStarDraw& { return draws[i % (2 * kGLPointBatch)]; };
    const bool bTwist = cloud.bTwist && cloud.fRmax > 0;
    auto slice = [&](int count, float size) {
        DrawPointsInBatches(
            size, count,
            [&](int i, GLPoint& p) {
                GLVertex v = StarVertex(sampler.Sample(slot(i)));
                if (bTwist)
                    TwistPosition(v.position, cloud.fRmax);
                std::copy(v.position, v.position + 3, p.position);
                p.SetColour(v.color);
            },
            pVisible,
            [&](int first, int last) {
                for (int i = first; i < last; ++i)
                    slot(i) = sampler.NextDraw();
            });
    };
    slice(nSmall, 1.0f);
    slice(cloud.nCount - nSmall, 2.0f);
    SetRandomSeed(nAfterBuild);
}

void CGalaxyModel::TwistClouds()
{
    if (!m_bTwist)
        return;
    if (m_bStreamStars) {
        m_streamStars.bTwist = m_bStars != 0;
        m_streamCore.bTwist = m_bCore != 0;
        return;
    }
    if (m_bStars)
        Twist(m_pStars, m_nStars);
    if (m_bCore)
        Twist(m_pCore, m_nCore);
}

void SetStarMaterial(CGLMaterial& material)
{
    material.m_nBlendMode = 4;
    material.m_bDepthWrite = 0;
    material.m_bColorMaterial = 1;
    material.m_bPointSmooth = 1;
}

CGLMesh* CGalaxyModel::MakeStars(int nCount, double sx, double sy, double sz)
{
    CGLMesh* pBatch = new CGLMesh;
    CGLMaterial* pMaterial = nullptr;
    if (!pBatch->AllocatePoints(nCount) || !(pMaterial = pBatch->CreateMaterial())) {
        delete pBatch;
        throw std::bad_alloc();
    }
    SetStarMaterial(*pMaterial);
    CStarSampler sampler(sx, sy, sz);
    for (int i = 0; i < nCount; ++i)
        pBatch->SetVertex(i, StarVertex(sampler.Next()));
    return pBatch;
}

namespace {

// A disc of 20 segments and radius 1 with the given material.
CGLDiscMesh* MakeDisc(const CColor& centre, const CColor& rim, int nBlendMode)
{
    CGLDiscMesh* pDisc = new CGLDiscMesh;
    CGLMaterial* pMaterial = nullptr;
    if (!pDisc->BuildDisc(20, 1.0, centre, rim) || !(pMaterial = pDisc->CreateMaterial())) {
        delete pDisc;
        throw std::bad_alloc();
    }
    pMaterial->m_nBlendMode = nBlendMode;
    pMaterial->m_bDepthWrite = 0;
    pMaterial->m_bColorMaterial = 1;
    return pDisc;
}

}

bool IsGasTextureSizeAllowed(const QString& path)
{
    CSize size;
    return ReadStatedPictureSize(QFile::encodeName(path).constData(), size) &&
           size.cx <= kMaxGasTextureSide && size.cy <= kMaxGasTextureSide;
}

CGLDiscMesh* CGalaxyModel::MakeGasDisc()
{
    CGLDiscMesh* pDisc = MakeDisc(m_gasColor, CColor(0, 0, 0), 2);
    CGLMaterial* pMaterial = pDisc->GetMaterial();
    // A chosen file that cannot be read (removed since, damaged, no picture) leaves the
    // disc on the type's built-in texture rather than bare.
    if (m_strGasTexture.isEmpty() || !IsGasTextureSizeAllowed(m_strGasTexture) ||
        pMaterial->LoadTextureFromFile(QFile::encodeName(m_strGasTexture).constData(), GL_LINEAR,
                                       GL_LINEAR, GL_REPEAT, GL_REPEAT, GL_MODULATE) < 0)
        pMaterial->LoadTextureFromResource(m_nTextureId, GL_LINEAR, GL_LINEAR, GL_REPEAT,
                                           GL_REPEAT, GL_MODULATE);
    return pDisc;
}

CGLDiscMesh* CGalaxyModel::MakeDustDisc()
{
    CGLDiscMesh* pDisc = MakeDisc(CColor(255, 255, 255), CColor(255, 255, 255), 3);
    pDisc->GetMaterial()->LoadTextureFromResource(IDB_GALAXY_DUST, GL_LINEAR, GL_LINEAR,
                                                GL_REPEAT, GL_REPEAT, GL_MODULATE);
    return pDisc;
}

void CGalaxyModel::Twist(CGLMesh* pBatch, int nCount)
{
    if (!pBatch)
        return;
    if (nCount > pBatch->GetVertexCount())
        nCount = pBatch->GetVertexCount();
    GLVertex* pVertices = pBatch->GetVertices();
    float rmax = kNoRadius;
    for (int i = 0; i < nCount; ++i)
        rmax = std::max(rmax, AxisDistance(pVertices[i].position));
    // Every star on the axis: a turn moves none of them, and r / rmax would be 0 / 0.
    if (!(rmax > 0))
        return;
    for (int i = 0; i < nCount; ++i)
        TwistPosition(pVertices[i].position, rmax);
}

float CGalaxyModel::TwistProfile(float, float)
{
    return 0;
}

void CGalaxyModel::Draw(CGLStateCache& cache)
{
    if (m_bStreamStars) {
        if (m_bCore)
            DrawCloud(cache, m_streamCore, m_streamCore.nCount);
        if (m_bStars) {
            int nSmall, nLarge;
            SplitPointSizes(m_streamStars.nCount, nSmall, nLarge);
            DrawCloud(cache, m_streamStars, nSmall);
        }
        DrawDiscs(cache);
        return;
    }
    const CRect* pVisible = m_rectVisible.IsRectEmpty() ? nullptr : &m_rectVisible;
    if (m_bCore && m_pCore && m_nCore > 0)
        m_pCore->RenderPoints(cache, 1.0f, 0, m_nCore, pVisible);
    if (m_bStars && m_pStars && m_nStars > 0) {
        int nSmall, nLarge;
        SplitPointSizes(m_nStars, nSmall, nLarge);
        // A count of 0 would mean "to the end": skip an empty slice instead.
        if (nSmall > 0)
            m_pStars->RenderPoints(cache, 1.0f, 0, nSmall, pVisible);
        if (nLarge > 0)
            m_pStars->RenderPoints(cache, 2.0f, nSmall, nLarge, pVisible);
    }
    DrawDiscs(cache);
}

void CGalaxyModel::DrawDiscs(CGLStateCache& cache)
{
    if (m_pGasDisc)
        m_pGasDisc->Draw(cache);
    if (m_pDustDisc)
        m_pDustDisc->Draw(cache);
}

COLORREF CGalaxyModel::DefaultCoreColor() { return RGB(255, 255, 174); }
COLORREF CGalaxyModel::DefaultStarsColor() { return RGB(126, 108, 210); }
COLORREF CGalaxyModel::DefaultGasColor() { return RGB(128, 128, 128); }
float CGalaxyModel::DefaultDensity() { return 0.2f; }

// ---------------------------------------------------------------------------------------
// Ellipticals: one smooth ellipsoid, flatter with the subtype, and a small bright core.

CEllipticalGalaxy::CEllipticalGalaxy(int nSubtype) : CGalaxyModel(nSubtype)
{
    m_dDensity = DefaultDensity();
}

int CEllipticalGalaxy::Build(int nPixels)
{
    const int n = BeginBuild(nPixels);
    const double b = (1 - m_nSubtype / 10.0) * 1.6;
    const double starsSigma[3] = {1.6, b, b};
    const double coreSigma[3] = {1.6 * 0.25, b * 0.25, b * 0.25};
    try {
        MakeClouds(n, starsSigma, n / 4, coreSigma);
    } catch (const std::bad_alloc&) {
    }
    return 1;
}

float CEllipticalGalaxy::DefaultDensity()
{
    return static_cast<float>((8 - m_nSubtype) * 0.8 / 8);
}

// ---------------------------------------------------------------------------------------
// Spirals: a thin bar wound into arms, a core that shrinks from Sa to Sd, and a gas disc.

CSpiralGalaxy::CSpiralGalaxy(int nSubtype) : CGalaxyModel(nSubtype)
{
    m_bTwist = 1;
    m_bHasGas = 1;
    m_strGasTexture.clear();
    m_dDensity = DefaultDensity();
}

int CSpiralGalaxy::Build(int nPixels)
{
    const int n = BeginBuild(nPixels);
    const int s = ArmSubtype(m_nSubtype);
    const double k[4] = {1.0, 0.75, 0.5, 0.25};
    const int c[4] = {2 * n, n, n / 2, n / 4};
    m_nTextureId = IDB_GALAXY_GAS_SA + s;
    const double starsSigma[3] = {2.0, 0.1, 1.0};
    const double coreSigma[3] = {1.0 * k[s], 0.5 * k[s], 1.0 * k[s]};
    try {
        MakeClouds(n, starsSigma, c[s], coreSigma);
        m_pGasDisc = MakeGasDisc();
        // Lay the disc from the x-y plane into the galaxy plane x-z, at the gas radius.
        const float scale = static_cast<float>(m_dGasScale);
        m_pGasDisc->Transform(CMatrix4::RotationRadians(kGalaxyQuarterTurn, 1, 0, 0) *
                              CMatrix4::Scaling(scale, scale, scale));
        TwistClouds();
    } catch (const std::bad_alloc&) {
    }
    return 1;
}

float CSpiralGalaxy::TwistProfile(float r, float rmax)
{
    const float c = 1 - r / rmax;
    const float turns[4] = {8, 3, 2, 1};
    const int s = ArmSubtype(m_nSubtype);
    return turns[s] * c * c * c;
}

// ---------------------------------------------------------------------------------------
// Barred spirals: the same bar, wider in z for the early types, no gas.

CBarredSpiralGalaxy::CBarredSpiralGalaxy(int nSubtype) : CGalaxyModel(nSubtype)
{
    m_bTwist = 1;
    m_dDensity = DefaultDensity();
}

int CBarredSpiralGalaxy::Build(int nPixels)
{
    const int n = BeginBuild(nPixels);
    const int s = ArmSubtype(m_nSubtype);
    const double zs[4] = {1.0, 0.8, 0.6, 0.4};
    const double starsSigma[3] = {2.0, 0.1, zs[s]};
    const double coreSigma[3] = {2.0 * 0.25, 0.1 * 0.25, zs[s] * 0.25};
    try {
        MakeClouds(n, starsSigma, n / 4, coreSigma);
        TwistClouds();
    } catch (const std::bad_alloc&) {
    }
    return 1;
}

float CBarredSpiralGalaxy::TwistProfile(float r, float rmax)
{
    const float c = 1 - r / rmax;
    // The bias curve is a double, and so is its product with the turns.
    const double turns[4] = {0.8, 1.0, 1.2, 1.4};
    const int s = ArmSubtype(m_nSubtype);
    return static_cast<float>(turns[s] * Bias(0.8, c));
}

float CBarredSpiralGalaxy::DefaultDensity()
{
    return 0.3f;
}
