// The scene of one galaxy: clouds of Gaussian point stars in the galaxy plane x-z (y is
// the polar axis), wound into arms for the spiral classes, with a textured gas disc for
// the plain spirals. A model lives for one render or one preview; its meshes and textures
// belong to the GL context that was current when it was built.
#pragma once

#include "../effects/Color.h"
#include "../effects/Random.h"
#include "GLMesh.h"

#include <QString>

// One row of the galaxy type list; the type code is class x 256 + subtype.
struct GalaxyType
{
    char szName[52];
    int nClass;
    int nSubtype;

    int Code() const { return nClass * 256 + nSubtype; }
};

enum
{
    GALAXY_ELLIPTICAL = 0,
    GALAXY_SPIRAL = 2,
    GALAXY_BARRED_SPIRAL = 3,
};

// The sixteen types in the order of the type list.
extern const GalaxyType g_galaxyTypes[16];
const int kGalaxyTypeCount = 16;

// The row of a type code, or -1 when no row has it.
int FindGalaxyType(int nCode);
// The type code named by text: a code of the list ("514"), a type's name ("Spiral Sc") or
// its last word ("Sc"), letter case aside; -1 for anything else.
int GalaxyTypeFromText(const QString& text);

// A new model of the type's class with the code's subtype; null for a class that does not
// exist or when memory runs out.
class CGalaxyModel;
CGalaxyModel* CreateGalaxyModel(int nTypeCode);

// A quarter turn in radians as the galaxy scenes use it: pi / 2 in single precision, whose
// cosine is -4.37e-8 rather than 0.
const float kGalaxyQuarterTurn = 1.5707964f;

// A gas texture stating a larger side than this is refused before it is read: a file of a
// few bytes may state a picture of gigabytes.
constexpr int kMaxGasTextureSide = 4096;
// Whether a gas texture file's header states a size of at most kMaxGasTextureSide a side.
bool IsGasTextureSizeAllowed(const QString& path);

// Built-in textures (bitmap resources).
const int IDB_GALAXY_GAS_SA = 168; // Sb, Sc and Sd follow
const int IDB_GALAXY_DUST = 173;

// One star as the generator gives it: the three Gaussian samples and the alpha.
struct GalaxyStarSample
{
    double x, y, z;
    int alpha;
};

// A star's part of the generator's sequence, not yet turned into its samples.
struct GalaxyStarDraw
{
    CGaussianRandom::CDraw x, y, z;
    int alpha;
};

// Draws the stars of a cloud from the shared generator in their fixed order: the x, y and z
// samples, then the alpha. NextDraw and Sample split Next in two, so that the generator
// runs in order on one thread while the samples are worked out on others.
class CStarSampler
{
public:
    CStarSampler(double sx, double sy, double sz) : m_gx(0, sx), m_gy(0, sy), m_gz(0, sz) {}
    GalaxyStarSample Next() { return Sample(NextDraw()); }
    GalaxyStarDraw NextDraw();
    GalaxyStarSample Sample(const GalaxyStarDraw& draw) const
    {
        return {m_gx.Value(draw.x), m_gy.Value(draw.y), m_gz.Value(draw.z), draw.alpha};
    }

private:
    CGaussianRandom m_gx, m_gy, m_gz;
};

// A cloud that a render draws straight from the generator instead of keeping its stars:
// where in the generator's sequence its stars begin, and what its twist needs.
struct GalaxyStarCloud
{
    int nCount = 0;
    double sigma[3] = {0, 0, 0};
    DWORD nSeed = 0;
    float fRmax = 0; // the largest distance of a star from the polar axis
    bool bTwist = false;
};

class CGalaxyModel
{
public:
    explicit CGalaxyModel(int nSubtype);
    virtual ~CGalaxyModel();
    CGalaxyModel(const CGalaxyModel&) = delete;
    CGalaxyModel& operator=(const CGalaxyModel&) = delete;

    // Makes the meshes for a picture of nPixels pixels: the main cloud has
    // nPixels x density / 4 stars. Running out of memory keeps what was made. Returns 1.
    virtual int Build(int nPixels) = 0;
    // A batch of count stars with standard deviations (sx, sy, sz) about the origin,
    // coloured from the core colour at the centre to the stars colour far out.
    virtual CGLMesh* MakeStars(int nCount, double sx, double sy, double sz);
    // The gas disc in the x-y plane, radius 1; untextured when its texture fails to load.
    virtual CGLDiscMesh* MakeGasDisc();
    virtual CGLDiscMesh* MakeDustDisc();
    // Turns each star about the y axis by TwistProfile of its distance from that axis.
    virtual void Twist(CGLMesh* pBatch, int nCount);
    // Turns (in whole turns) of a star at distance r from the axis, rmax being the largest.
    virtual float TwistProfile(float r, float rmax);
    // Expects the galaxy's GL context to be current.
    virtual void Draw(CGLStateCache& cache);
    virtual COLORREF DefaultCoreColor();
    virtual COLORREF DefaultStarsColor();
    virtual COLORREF DefaultGasColor();
    virtual float DefaultDensity();

    // Frees the four meshes.
    void DeleteMeshes();

    // With it set before Build, the clouds keep no stars: Build runs through the
    // generator's sequence once for each cloud (so the generator ends where it would) and
    // Draw draws the same stars again from it, a batch at a time, with the same pixels in a
    // fraction of the memory. For a render that draws once; a preview that turns the scene
    // keeps its batches.
    bool m_bStreamStars = false;
    GalaxyStarCloud m_streamStars;
    GalaxyStarCloud m_streamCore;

    int m_nSubtype;
    int m_bTwist = 0;
    int m_bStars = 1;
    int m_bCore = 1;
    int m_bHasGas = 0;
    CColor m_starsColor;
    CColor m_coreColor;
    CColor m_gasColor;
    QString m_strGasTexture; // empty: the built-in bitmap m_nTextureId
    int m_nTextureId = 0;
    CGLMesh* m_pStars = nullptr;
    int m_nStars = 0;
    CGLMesh* m_pCore = nullptr;
    int m_nCore = 0;
    CGLDiscMesh* m_pGasDisc = nullptr;
    CGLDiscMesh* m_pDustDisc = nullptr;
    double m_dDensity = 0.2;
    double m_dGasScale;
    // The part of the GL window that will be seen (window coordinates, bottom-up); stars
    // outside it are not drawn. Empty: all of them.
    CRect m_rectVisible;

    // The standard deviations the last Build gave the two clouds (x, y, z).
    double m_starsSigma[3] = {0, 0, 0};
    double m_coreSigma[3] = {0, 0, 0};

protected:
    // The vertex of a star sample: its position and its colour, from the core colour at the
    // centre to the stars colour far out.
    GLVertex StarVertex(const GalaxyStarSample& star) const;
    // Turns a position about the y axis by TwistProfile of its distance from the axis.
    void TwistPosition(float position[3], float rmax);
    // Records a streamed cloud and runs the generator through its stars.
    GalaxyStarCloud PlanCloud(int nCount, const double sigma[3]);
    // Draws a streamed cloud: stars 0 .. nSmall - 1 one pixel wide, the rest two.
    void DrawCloud(CGLStateCache& cache, const GalaxyStarCloud& cloud, int nSmall);
    void DrawDiscs(CGLStateCache& cache);

    // The common start of Build: frees the meshes and returns the main cloud's count.
    int BeginBuild(int nPixels);
    // Makes the stars batch and the core batch that the switches ask for.
    void MakeClouds(int nStars, const double starsSigma[3], int nCore, const double coreSigma[3]);
    // Twists the clouds that exist, when the twist switch is set.
    void TwistClouds();
};

class CEllipticalGalaxy : public CGalaxyModel
{
public:
    explicit CEllipticalGalaxy(int nSubtype);
    int Build(int nPixels) override;
    float DefaultDensity() override;
};

class CSpiralGalaxy : public CGalaxyModel
{
public:
    explicit CSpiralGalaxy(int nSubtype);
    int Build(int nPixels) override;
    float TwistProfile(float r, float rmax) override;
};

class CBarredSpiralGalaxy : public CGalaxyModel
{
public:
    explicit CBarredSpiralGalaxy(int nSubtype);
    int Build(int nPixels) override;
    float TwistProfile(float r, float rmax) override;
    float DefaultDensity() override;
};

// What the stars are drawn with: additive by alpha, smooth, leaving depth alone.
void SetStarMaterial(CGLMaterial& material);

// How Draw splits a stars batch of nCount points: the first nSmall one pixel wide, the
// remaining nLarge two pixels wide.
void SplitPointSizes(int nCount, int& nSmall, int& nLarge);
