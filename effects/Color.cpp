#include "Color.h"

#include <algorithm>

void CColor::ToHSL(double& hue, double& saturation, double& lightness) const
{
    const double r = m_red / 255.0, g = m_green / 255.0, b = m_blue / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    lightness = (mx + mn) / 2;
    if (mx == mn) {
        saturation = 0;
        hue = -1;
        return;
    }
    const double d = mx - mn;
    saturation = lightness < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    // Red wins ties with green and blue; green wins against blue.
    if (r == mx)
        hue = (g - b) / d;
    else if (g == mx)
        hue = 2 + (b - r) / d;
    else
        hue = 4 + (r - g) / d;
    hue *= 60;
    if (hue < 0)
        hue += 360;
}

namespace {

double HueValue(double m1, double m2, double h)
{
    if (h > 360)
        h -= 360;
    else if (h < 0)
        h += 360;
    if (h < 60)
        return m1 + (m2 - m1) * h / 60;
    if (h < 180)
        return m2;
    if (h < 240)
        return m1 + (m2 - m1) * (240 - h) / 60;
    return m1;
}

}

void CColor::FromHSL(double hue, double lightness, double saturation)
{
    const double m2 = lightness <= 0.5 ? lightness * (1 + saturation)
                                       : lightness + saturation - lightness * saturation;
    const double m1 = 2 * lightness - m2;
    if (saturation == 0) {
        // Truncated, not rounded: 0.999 gives 254.
        m_red = m_green = m_blue = static_cast<BYTE>(static_cast<int>(lightness * 255));
        return;
    }
    m_red = static_cast<BYTE>(static_cast<int>(HueValue(m1, m2, hue + 120) * 255 + 0.5));
    m_green = static_cast<BYTE>(static_cast<int>(HueValue(m1, m2, hue) * 255 + 0.5));
    m_blue = static_cast<BYTE>(static_cast<int>(HueValue(m1, m2, hue - 120) * 255 + 0.5));
}

void CColor::Blend(const CColor& other, double t)
{
    auto mix = [t](BYTE c, BYTE o) {
        const int v = c + static_cast<int>((o - c) * t);
        // A fraction outside [0, 1] must not wrap a channel either way.
        return static_cast<BYTE>(v > 255 ? 255 : (v < 0 ? 0 : v));
    };
    m_red = mix(m_red, other.m_red);
    m_green = mix(m_green, other.m_green);
    m_blue = mix(m_blue, other.m_blue);
}
