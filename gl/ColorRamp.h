// A colour curve through control colours: Catmull-Rom segments between the inner ones.
#pragma once

#include "effects/Color.h"

#include <vector>

class CColorRamp
{
public:
    CColorRamp() = default;
    // count control colours as red, green, blue triples, spaced evenly over [0, 1].
    CColorRamp(const int (*rgb)[3], int count);

    // The colour at x, clamped to [0, 1]. A ramp of n colours has n - 3 segments running
    // through controls 1 .. n - 2; x = 1 gives the last control itself.
    CColor Evaluate(double x) const;

    int GetCount() const { return static_cast<int>(m_red.size()); }

    // The climate ramp of the Earth: desert and steppe, forest, tundra, snow.
    static CColorRamp Earth();

private:
    std::vector<double> m_red, m_green, m_blue;
};
