#include "ColorRamp.h"

namespace {

int Channel(const std::vector<double>& k, int i, double t, bool last)
{
    double v;
    if (last) {
        v = k.back();
    } else {
        const double k0 = k[i], k1 = k[i + 1], k2 = k[i + 2], k3 = k[i + 3];
        v = k1 + t * (0.5 * k2 - 0.5 * k0
                      + t * (k0 - 2.5 * k1 + 2 * k2 - 0.5 * k3
                             + t * (1.5 * k1 - 0.5 * k0 - 1.5 * k2 + 0.5 * k3)));
    }
    // Overshoot of the spline is held to a byte before the truncation.
    if (!(v > 0))
        return 0;
    return v >= 256 ? 255 : static_cast<int>(v);
}

const int kEarthColours[15][3] = {
    {135, 105, 70}, {215, 198, 176}, {180, 128, 7},  {216, 179, 120}, {125, 89, 6},
    {116, 111, 50}, {98, 99, 41},    {69, 80, 39},   {60, 100, 60},   {80, 126, 80},
    {75, 106, 118}, {97, 129, 115},  {210, 210, 255}, {255, 255, 255}, {255, 255, 255},
};

}

CColorRamp::CColorRamp(const int (*rgb)[3], int count)
{
    for (int i = 0; i < count; ++i) {
        m_red.push_back(rgb[i][0]);
        m_green.push_back(rgb[i][1]);
        m_blue.push_back(rgb[i][2]);
    }
}

CColor CColorRamp::Evaluate(double x) const
{
    const int n = GetCount();
    if (n < 4)
        return n > 0 ? CColor(int(m_red.back()), int(m_green.back()), int(m_blue.back()))
                     : CColor();
    // NaN takes the low end, like everything below 0.
    if (!(x > 0))
        x = 0;
    if (x > 1)
        x = 1;
    const int s = n - 3;
    int i = static_cast<int>(x * s);
    if (i > s)
        i = s;
    const double t = x * s - i;
    const bool last = i == s;
    return CColor(Channel(m_red, i, t, last), Channel(m_green, i, t, last),
                  Channel(m_blue, i, t, last));
}

CColorRamp CColorRamp::Earth()
{
    return CColorRamp(kEarthColours, 15);
}
