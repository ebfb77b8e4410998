// An Earth-like world: seas below a sea level, land coloured by latitude through a climate
// ramp, sea ice towards the poles and a layer of distorted fractal clouds.
#pragma once

#include "ColorRamp.h"
#include "SurfaceModel.h"

class CEarthSurface : public CSurfaceModel
{
public:
    CEarthSurface();

    void ComputeColour(SurfacePoint& point) const override;
    void ComputeColours(SurfacePoint* points, size_t n) const override;
    // Terrain, detail and cloud tables in that order, then the cloud offset.
    void PrepareRender() override;
    void ResetDefaults() override;
    void ReinitialiseNoise() override;

    void CopyFixedTables(const CSurfaceModel& other) override;

    CEffectValues GetValues() override;
    QStringList ReinitialisingValues() const override;
    // Starts the cloud sum at the loaded coverage, keeping the noise weights.
    void ValuesLoaded() override;

    // The dialog shows the sea level s in [-0.8, 0.8] as a value in [0, 1].
    static double SeaLevelFromDialog(double v) { return 1.6 * v - 0.8; }
    static double SeaLevelToDialog(double s) { return (s + 0.8) / 1.6; }

    const CFractalNoise3D& GetDetailNoise() const { return m_detail; }
    const CFractalNoise3D& GetCloudNoise() const { return m_clouds; }
    const CGradientNoise3D& GetVectorNoise() const { return m_vectorNoise; }
    const double* GetCloudOffset() const { return m_cloudOffset; }

    // Sea level and ice caps are used in single precision.
    double m_dSeaLevel = 0.16;
    double m_dIceCaps = 0.8;      // latitude where sea ice begins; 0 means none
    double m_dCoverage = 0.25;    // start value of the cloud sum
    double m_dClimate = 0.6;      // bias of latitude; below 0.4 detail shifts it too
    double m_dCloudFractal = 1.0; // H of the cloud noise
    int m_bClouds = 1;

private:
    CFractalNoise3D m_detail; // fixed H 0.7 over six octaves
    CFractalNoise3D m_clouds;
    CGradientNoise3D m_vectorNoise; // distorts the cloud lookups
    double m_cloudOffset[3] = {0, 0, 0};
    CColorRamp m_ramp;
};
