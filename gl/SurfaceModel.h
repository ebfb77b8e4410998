// Procedural planet surfaces: a model gives the colour and normal of a point on the unit
// sphere and keeps its parameters in its own settings section.
#pragma once

#include "effects/Color.h"
#include "effects/EffectValue.h"
#include "effects/FractalNoise.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include <string>

// One grid point of a planet: position on the unit sphere (z towards the eye), the normal
// handed to GL lighting and the colour with channels 0..255.
struct SurfacePoint
{
    // The point of the visible hemisphere over (x, y), r being their distance from the
    // centre (at most 1).
    static SurfacePoint OnSphere(float x, float y, float r)
    {
        SurfacePoint pt;
        pt.position[0] = x;
        pt.position[1] = y;
        pt.position[2] = std::sqrt(1 - r * r);
        return pt;
    }

    float position[3] = {0, 0, 0};
    float normal[3] = {0, 0, 0};
    CColor colour;
};

// Each channel times f, truncated and held in 0..255. A non-finite factor gives black
// rather than an undefined conversion.
CColor ScaleColour(const CColor& colour, double f);

class CSurfaceModel
{
public:
    enum { BumpNone = 0, BumpLinear = 1, BumpPeriodic = 2, BumpHeight = 3 };

    explicit CSurfaceModel(const char* name) : m_strName(name) {}
    virtual ~CSurfaceModel() = default;
    CSurfaceModel(const CSurfaceModel&) = delete;
    CSurfaceModel& operator=(const CSurfaceModel&) = delete;

    // Colour and normal of a point whose position is set.
    virtual void ComputeColour(SurfacePoint& point) const = 0;
    // ComputeColour for n points, each with exactly its result: surfaces override it to
    // compute their noise for several points at once.
    virtual void ComputeColours(SurfacePoint* points, size_t n) const;
    // Tilts the normal by v in [-1, 1] according to the bump mode.
    virtual void ApplyBump(SurfacePoint& point, float v) const;
    // New gradient tables from the shared generator, before every render.
    virtual void PrepareRender() = 0;
    // Built-in values (the value table's defaults), with the noise rebuilt for them.
    virtual void ResetDefaults();
    // Rebuilds the noise weights from the current fractal dimensions (and, for the Earth,
    // the cloud coverage), drawing new tables: what a dialog's values take effect through.
    virtual void ReinitialiseNoise() = 0;

    // Takes the tables that are drawn once, when the model is made, from a model of the
    // same kind (the Earth's vector noise), so that two models given the same values and
    // seed draw the same planet: a dialog's preview model and its tool.
    virtual void CopyFixedTables(const CSurfaceModel& other) { (void)other; }

    // The stored values, in the order they are read and written (their value names in the
    // tool's section).
    virtual CEffectValues GetValues() = 0;
    // The value names whose change in the dialog rebuilds the noise.
    virtual QStringList ReinitialisingValues() const = 0;

    // Reads every stored value of section. Fractal dimensions are only stored: the noise
    // weights keep theirs until ReinitialiseNoise or ResetDefaults.
    virtual void LoadDefaults(const CSettingsStore& store, const QString& section);
    // Settles what follows from the stored values once they are loaded or set (the Earth's
    // cloud start follows its coverage). Nothing for most surfaces.
    virtual void ValuesLoaded() {}
    void SaveDefaults(CSettingsStore& store, const QString& section);

    const std::string& GetName() const { return m_strName; }
    const CColor& GetHaloColour() const { return m_haloColour; }
    int HasHalo() const { return m_bHalo; }
    int GetBumpMode() const { return m_nBumpMode; }
    void SetBumpMode(int mode) { m_nBumpMode = mode; }
    double GetFractal() const { return m_dFractal; }
    // The terrain's H as a dialog sets it; it reaches the noise on ReinitialiseNoise.
    void SetFractal(double dFractal) { m_dFractal = dFractal; }
    const CFractalNoise3D& GetTerrainNoise() const { return m_terrain; }

protected:
    // Calls f(first, count) over n points in chunks of at most kChunk, whose noise inputs
    // and results fit on the stack: the render threads colour rows without allocating.
    static constexpr size_t kChunk = 64;
    template <class F>
    static void ForChunks(size_t n, F f)
    {
        for (size_t first = 0; first < n; first += kChunk)
            f(first, std::min(kChunk, n - first));
    }

    // The positions of count points, each coordinate + 1: where the surfaces sample noise.
    static void ShiftedPositions(const SurfacePoint* points, size_t count, double* x, double* y,
                                 double* z);

    std::string m_strName;
    CColor m_haloColour;
    int m_bHalo = 0;
    int m_nBumpMode = BumpNone;
    double m_dFractal = 1.0; // H of the terrain noise; reaches the noise only on re-initialisation
    CFractalNoise3D m_terrain;
};
