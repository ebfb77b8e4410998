// What the per-pixel effects (nebula, vortex, star, gas, lens flare) share: the pixel loop
// with its progress and cancel protocol, the noise-unit geometry of an ellipse and the
// opacity helpers.
#pragma once

#include "../document/Dib.h"
#include "ProgressMeter.h"
#include "Color.h"
#include "Effect.h"
#include "RenderThreads.h"

#include <algorithm>
#include <cmath>

// The value of pi the effects were tuned with.
constexpr double kEffectPi = 3.141592654;

// Noise units per pixel: 20 pixels to a noise lattice cell.
constexpr double kNoiseUnit = 0.05;

// A fraction for CColor::Blend: NaN becomes 0 and the rest is held to [0, 1], so no
// parameter, however odd, can make a blend overshoot or feed an undefined conversion.
inline double ClampUnit(double t)
{
    if (!(t > 0))
        return 0.0;
    return t < 1 ? t : 1.0;
}

// The exponential fall-off exp(-d / (1 - d) * dropoff) from the centre (d = 0) to the rim
// (d = 1). At and beyond the rim it takes its limit there (0, or 1 for a dropoff of 0), so
// an edge band that reaches the rim ramps toward the rim's opacity instead of dividing by
// zero or blowing up.
inline double FallOff(double d, double dropoff)
{
    if (d < 1)
        return std::exp(-d / (1 - d) * dropoff);
    return dropoff > 0 ? 0.0 : 1.0;
}

// The colour-band fraction |cos(frequency * d * pi / 2)|: 1 (the inner colour) at the
// centre, and at every even multiple of 1 / frequency.
inline double ColorBand(double frequency, double d)
{
    return ClampUnit(std::fabs(std::cos(frequency * d * kEffectPi / 2)));
}

// An ellipse in noise units: centre m and radii R, from a rectangle in row coordinates.
struct CNoiseEllipse
{
    double mx, my;
    double rx, ry;

    CNoiseEllipse(int cx, int cy, const CRect& r)
        : mx(cx * kNoiseUnit),
          my(cy * kNoiseUnit),
          rx(r.Width() * kNoiseUnit / 2),
          ry(r.Height() * kNoiseUnit / 2)
    {
    }
};

// The ellipse of the nebula and the vortex in a rectangle of the view (top-down), turned by
// a rotation in degrees (none at 0 or below): centred on the integer centre of the
// rectangle in row coordinates. The effects sweep the turned rectangle's bounding box.
struct CTurnedEllipse
{
    CTurnedEllipse(const CDib& image, const CRect& rect, double dRotation)
        : CTurnedEllipse(Rows(image, rect), dRotation)
    {
        // Kept inside the area the canvas saves for undo: turning in row coordinates can
        // reach a row or two beyond it, and an Escape or Undo would leave those pixels
        // painted.
        sweep.IntersectRect(CRect(sweep), Rows(image, AffectedRect(rect, dRotation)));
    }

    CTurnedEllipse(const CRect& b, double dRotation)
        : ellipse(IntegerCentre(b.left, b.right), IntegerCentre(b.top, b.bottom), b),
          bRotated(dRotation > 0),
          c(std::cos(dRotation * kEffectPi / 180)),
          s(-std::sin(dRotation * kEffectPi / 180)),
          sweep(bRotated ? RotatedBoundingBox(b, dRotation) : b)
    {
    }

    static CRect Rows(const CDib& image, CRect rect)
    {
        image.FlipRect(rect);
        return rect;
    }

    // The offset of pixel (x, y) from the centre, turned, in units of the radii (1 on the
    // rim); returns its length.
    double Offset(int x, int y, double& wx, double& wy) const
    {
        wx = x * kNoiseUnit - ellipse.mx;
        wy = y * kNoiseUnit - ellipse.my;
        if (bRotated) {
            const double t = wx * c - wy * s;
            wy = wx * s + wy * c;
            wx = t;
        }
        wx /= ellipse.rx;
        wy /= ellipse.ry;
        return std::sqrt(wx * wx + wy * wy);
    }

    CNoiseEllipse ellipse;
    bool bRotated;
    double c, s;
    CRect sweep;
};

// Runs pixel(x, y) over the pixels of rows (row coordinates) that lie in the picture,
// testing g_bCancelRender before every row and pixel. The rows are shared out over the
// render threads (RenderThreads.h): pixel must read and write nothing but its own pixel and
// must draw no random numbers. With progress the meter counts the pixels visited, steps by
// the finished rows' pixels, tells it which rows were painted (so a canvas shows them) and
// pumps events when due, on the calling thread only, while no other thread is at work. Pixels
// outside the picture are neither read nor written by any of these effects, so the loop leaves them
// out rather than spending work on them.
template <class PixelFn>
void RenderPixels(CProgressMeter& progress, const CDib& image, const CRect& rows,
                  BOOL bShowProgress, PixelFn&& pixel)
{
    const int x0 = std::max(rows.left, 0);
    const int x1 = std::min(rows.right, image.m_nWidth);
    const int y0 = std::max(rows.top, 0);
    const int y1 = std::min(rows.bottom, image.m_nHeight);
    const int width = std::max(x1 - x0, 0);
    const int height = std::max(y1 - y0, 0);
    if (bShowProgress)
        progress.Begin(width * height);
    if (width > 0) {
        const auto row = [&](int y) {
            for (int x = x0; x < x1 && !g_bCancelRender; ++x)
                pixel(x, y);
        };
        int nShown = 0;
        const auto between = [&](int nRows) {
            progress.Step(nRows * width);
            progress.Painted(CRect(x0, y0 + nShown, x1, y0 + nRows));
            nShown = nRows;
            PumpPendingMessagesWhenDue();
        };
        ForEachRow(y0, y1, row, bShowProgress ? std::function<void(int)>(between) : nullptr);
    }
    if (bShowProgress)
        progress.End();
}

// Moves the pixel at (x, y) the fraction alpha of the way toward colour.
inline void BlendPixel(CDib& image, int x, int y, const CColor& colour, double alpha)
{
    CColor pixel(image.GetPixel(x, y), FALSE);
    pixel.Blend(colour, ClampUnit(alpha));
    image.SetPixel(x, y, pixel.ToRGB());
}
