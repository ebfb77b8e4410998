#include "SurfaceModel.h"

#include "Curves.h"
#include "../effects/EffectValue.h"

#include <cmath>

CColor ScaleColour(const CColor& colour, double f)
{
    // Clamping before the truncation gives the same bytes for every finite product and
    // keeps NaN and huge factors away from the integer conversion.
    auto scale = [f](int c) {
        const double v = c * f;
        if (!(v > 0))
            return 0;
        return v >= 255 ? 255 : static_cast<int>(v);
    };
    return CColor(scale(colour.Red()), scale(colour.Green()), scale(colour.Blue()));
}

void CSurfaceModel::ComputeColours(SurfacePoint* points, size_t n) const
{
    for (size_t i = 0; i < n; ++i)
        ComputeColour(points[i]);
}

void CSurfaceModel::ShiftedPositions(const SurfacePoint* points, size_t count, double* x,
                                     double* y, double* z)
{
    for (size_t i = 0; i < count; ++i) {
        x[i] = points[i].position[0] + 1.0;
        y[i] = points[i].position[1] + 1.0;
        z[i] = points[i].position[2] + 1.0;
    }
}

void CSurfaceModel::ApplyBump(SurfacePoint& point, float v) const
{
    if (m_nBumpMode == BumpNone)
        return;
    const float x = point.position[0], y = point.position[1], z = point.position[2];
    // A point p of the tangent plane p . position = 1, found by solving for an axis
    // whose coordinate is not zero.
    float p[3] = {1, 1, 1};
    const int k = (x == 0) + 2 * (y == 0) + 4 * (z == 0);
    switch (k) {
    case 3: p[2] = 1 / z; break;
    case 4: p[1] = (1 - x) / y; break;
    case 5: p[1] = 1 / y; break;
    case 6: p[0] = 1 / x; break;
    case 7: break;
    default: p[2] = (1 - x - y) / z; break;
    }
    const float len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    for (float& c : p)
        c /= len;

    double a = 0;
    switch (m_nBumpMode) {
    case BumpLinear: a = Gain(0.8, (v + 1) / 2.0) * 0.5; break;
    case BumpPeriodic: a = std::cos((v + 1) / 2.0 * 12.56637) * 0.5; break;
    case BumpHeight: a = (v + 1) / 2.0; break;
    default: return;
    }
    const float fa = static_cast<float>(a);
    for (int i = 0; i < 3; ++i)
        point.normal[i] += (p[i] - point.position[i]) * fa;
}

void CSurfaceModel::LoadDefaults(const CSettingsStore& store, const QString& section)
{
    LoadEffectValues(store, section, GetValues());
    ValuesLoaded();
}

void CSurfaceModel::SaveDefaults(CSettingsStore& store, const QString& section)
{
    SaveEffectValues(store, section, GetValues());
}

void CSurfaceModel::ResetDefaults()
{
    ResetEffectValues(GetValues());
    ReinitialiseNoise();
}
