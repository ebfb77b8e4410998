// An airless moon: dark maria and bright highlands split by a threshold on a sine of
// fractal noise, with optional bump mapping of the normals.
#pragma once

#include "SurfaceModel.h"

class CMoonSurface : public CSurfaceModel
{
public:
    CMoonSurface();

    void ComputeColour(SurfacePoint& point) const override;
    void PrepareRender() override;
    void ResetDefaults() override;
    void ReinitialiseNoise() override;

    double GetValue(int index) const override;
    void SetValue(int index, double value) override;

    // The dialog shows the maria threshold m in [-1, 1] as an amount in [0, 1].
    static double MariaFromDialog(double amount) { return 2 * amount - 1; }
    static double MariaToDialog(double m) { return (m + 1) / 2; }

    CColor m_mariaColour;
    CColor m_highlandColour;
    float m_fMaria = 0.1f; // threshold m: noise sines above it are highland
    int m_nCraters = 0;    // kept with the defaults; draws nothing
};
