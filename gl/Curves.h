// Shaping curves of the procedural surfaces and galaxies, all on [0, 1].
#pragma once

#include <cmath>

// 0 below a, 1 from b on, the cubic s-curve between.
inline double SmoothStep(double a, double b, double x)
{
    if (x < a)
        return 0;
    if (x >= b)
        return 1;
    const double t = (x - a) / (b - a);
    return t * t * (3 - 2 * t);
}

// Bends t towards 0 or 1. The exponent divides a natural logarithm by log10(0.5), which
// mixes bases but is what the surfaces and galaxies were tuned with.
inline double Bias(double b, double t)
{
    return std::pow(t, std::log(b) / -0.3010299957);
}

// Two mirrored biases: g above 0.5 steepens the middle, below flattens it.
inline double Gain(double g, double t)
{
    if (t < 0.5)
        return Bias(1 - g, 2 * t) / 2;
    return 1 - Bias(1 - g, 2 - 2 * t) / 2;
}
