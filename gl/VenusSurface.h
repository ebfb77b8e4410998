// A planet wrapped in clouds: bands of fractal noise between a cloud and a surface colour,
// optionally swirled by latitude.
#pragma once

#include "SurfaceModel.h"

class CVenusSurface : public CSurfaceModel
{
public:
    CVenusSurface();

    void ComputeColour(SurfacePoint& point) const override;
    void ComputeColours(SurfacePoint* points, size_t n) const override;
    void PrepareRender() override;
    void ReinitialiseNoise() override;

    CEffectValues GetValues() override;
    QStringList ReinitialisingValues() const override;

    int m_bCoriolis = 1;
    COLORREF m_crCloud = RGB(255, 255, 255);  // where the noise is 0
    COLORREF m_crSurface = RGB(191, 63, 0);   // where the noise is 1
};
