// A colour of three bytes with conversions between the stored COLORREF (0x00BBGGRR),
// the packed pixel value (0x00RRGGBB), unit reals and hue/lightness/saturation.
#pragma once

#include "../document/WinTypes.h"

class CColor
{
public:
    CColor() = default;
    CColor(int red, int green, int blue) { SetRGB(red, green, blue); }
    // isColorRef TRUE: value is 0x00BBGGRR; FALSE: a packed pixel 0x00RRGGBB.
    CColor(DWORD value, BOOL isColorRef)
    {
        if (isColorRef)
            SetColorRef(value);
        else
            SetRGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    }

    void SetRGB(int red, int green, int blue)
    {
        m_red = Clamp(red);
        m_green = Clamp(green);
        m_blue = Clamp(blue);
    }
    void SetColorRef(COLORREF c) { SetRGB(GetRValue(c), GetGValue(c), GetBValue(c)); }

    int Red() const { return m_red; }
    int Green() const { return m_green; }
    int Blue() const { return m_blue; }

    DWORD ToRGB() const { return DWORD(m_red) * 65536 + DWORD(m_green) * 256 + m_blue; }
    COLORREF ToColorRef() const { return RGB(m_red, m_green, m_blue); }
    // Channels over 255 as doubles or floats, with an alpha of 1.
    void ToUnit(double rgba[4]) const
    {
        rgba[0] = m_red / 255.0;
        rgba[1] = m_green / 255.0;
        rgba[2] = m_blue / 255.0;
        rgba[3] = 1.0;
    }
    void ToUnit(float rgba[4]) const
    {
        rgba[0] = m_red / 255.0f;
        rgba[1] = m_green / 255.0f;
        rgba[2] = m_blue / 255.0f;
        rgba[3] = 1.0f;
    }
    double Intensity() const { return (m_red + m_green + m_blue) / 765.0; }

    // Hue in degrees (-1 when undefined), saturation and lightness in [0, 1].
    void ToHSL(double& hue, double& saturation, double& lightness) const;
    void FromHSL(double hue, double lightness, double saturation);

    // Moves each channel the truncated fraction t of the way to other's.
    void Blend(const CColor& other, double t);

    bool operator==(const CColor& o) const
    {
        return m_red == o.m_red && m_green == o.m_green && m_blue == o.m_blue;
    }
    bool operator!=(const CColor& o) const { return !(*this == o); }

private:
    static BYTE Clamp(int v) { return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

    // Memory order of a pixel.
    BYTE m_blue = 0;
    BYTE m_green = 0;
    BYTE m_red = 0;
};
