// An airless moon: dark maria and bright highlands split by a threshold on a sine of
// fractal noise, with optional bump mapping of the normals.
#pragma once

#include "SurfaceModel.h"

class CMoonSurface : public CSurfaceModel
{
public:
    CMoonSurface();

    void ComputeColour(SurfacePoint& point) const override;
    void ComputeColours(SurfacePoint* points, size_t n) const override;
    void PrepareRender() override;
    void ReinitialiseNoise() override;

    CEffectValues GetValues() override;
    QStringList ReinitialisingValues() const override;

    // The dialog shows the maria threshold m in [-1, 1] as an amount in [0, 1].
    static double MariaFromDialog(double amount) { return 2 * amount - 1; }
    static double MariaToDialog(double m) { return (m + 1) / 2; }

    COLORREF m_crMaria = RGB(128, 128, 128);
    COLORREF m_crHighland = RGB(192, 192, 192);
    double m_dMaria = 0.1; // threshold m (used in single precision): sines above it are highland
    int m_nCraters = 0;    // kept with the defaults; draws nothing
};
