// A planet wrapped in clouds: bands of fractal noise between a cloud and a surface colour,
// optionally swirled by latitude.
#pragma once

#include "SurfaceModel.h"

class CVenusSurface : public CSurfaceModel
{
public:
    CVenusSurface();

    void ComputeColour(SurfacePoint& point) const override;
    void PrepareRender() override;
    void ResetDefaults() override;
    void ReinitialiseNoise() override;

    double GetValue(int index) const override;
    void SetValue(int index, double value) override;

    int m_bCoriolis = 1;
    CColor m_cloudColour;   // where the noise is 0
    CColor m_surfaceColour; // where the noise is 1
};
