#include "StarFieldEffect.h"

#include "../document/Dib.h"
#include "Color.h"
#include "ControlIds.h"
#include "Random.h"
#include "../document/WrapAround.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

CStarFieldEffect::CStarFieldEffect()
{
    m_nCursorId = kCursorId;
    m_bClearsSelection = FALSE; // a click fills the selection and keeps it
    m_strSection = QLatin1String(kSection);
    m_nTitleId = 0;
    m_bCluster = 0;
    CStarFieldEffect::ResetDefaults();
}

void CStarFieldEffect::ResetDefaults()
{
    // The table's defaults, but a reset keeps the rotation, which the star field does not
    // use and the cluster shares.
    const double dRotation = m_dRotation;
    CEffect::ResetDefaults();
    m_dRotation = dRotation;
}

CEffectValues CStarFieldEffect::GetValues()
{
    return {
        // The dialog shows the density five times over, 0 to 1.
        RealValue("Density", &m_dDensity, m_bCluster ? "0.1" : "0.02", 0, 0.2, "stars per pixel")
            .ShownIn(StarFieldIds::Density, StarFieldIds::DensitySpin, 1)
            .Mapped([](double d) { return d * 5; }, [](double d) { return d / 5; }),
        RealValue("Brightness", &m_dBrightness, m_bCluster ? "0.4" : "0.5", 0, 1,
                  "lightness exponent: smaller is darker")
            .ShownIn(StarFieldIds::Brightness, StarFieldIds::BrightnessSpin, 1),
        RealValue("LargeStars", &m_dLargeStars, m_bCluster ? "0.08" : "0.05", 0, 1,
                  "fraction of large stars")
            .ShownIn(StarFieldIds::LargeStars, StarFieldIds::LargeStarsSpin, 1),
        RealValue("Rotation", &m_dRotation, "0.00", 0, 360,
                  m_bCluster ? "cluster rotation in degrees" : "not used by the star field")
            .ShownIn(StarFieldIds::Rotation, StarFieldIds::RotationSpin, 359),
        ColorValue("Color", &m_crColor, "12632256", "star colour").ShownBy(StarFieldIds::Color),
    };
}

CGaussianRandom CStarFieldEffect::BrightnessSampler()
{
    return CGaussianRandom(0.19, 0.27);
}

int CStarFieldEffect::StarCount(int w, int h) const
{
    return TruncToInt(h * (w * m_dDensity));
}

void CStarFieldEffect::AddStarPixel(CDib& image, int x, int y, DWORD color) const
{
    if (m_bWrapAround && image.m_nWidth > 0 && image.m_nHeight > 0)
        image.AddPixel(WrapCoordinate(x, image.m_nWidth), WrapCoordinate(y, image.m_nHeight),
                       color);
    else if (m_bOnSky && image.m_nWidth > 0)
        image.AddPixel(WrapCoordinate(x, image.m_nWidth), y, color); // around the sky
    else
        image.AddPixel(x, y, color);
}

void CStarFieldEffect::DrawStar(CDib& image, int x, int y, CGaussianRandom& brightness,
                                double dHue, double dSaturation) const
{
    double e = std::fabs(brightness.Sample());
    if (e > 1)
        e = 1;
    // With brightness 0 the exponent is infinite: every e below 1 gives 0. A negative
    // brightness (only from a damaged setting) would give more than full lightness.
    double lightness = std::pow(e, 1 / m_dBrightness);
    if (!(lightness >= 0))
        lightness = 0;
    else if (lightness > 1)
        lightness = 1;

    CColor color;
    color.FromHSL(dHue, lightness, dSaturation);
    const DWORD core = color.ToRGB();
    if (RandomUnit() > m_dLargeStars) {
        AddStarPixel(image, x, y, core);
        return;
    }
    color.FromHSL(dHue, lightness / 2, dSaturation);
    const DWORD halo = color.ToRGB();
    // A 4 x 3 diamond: two core pixels between two halo pixels in the middle row.
    AddStarPixel(image, x, y, halo);
    AddStarPixel(image, x + 1, y, halo);
    AddStarPixel(image, x - 1, y + 1, halo);
    AddStarPixel(image, x, y + 1, core);
    AddStarPixel(image, x + 1, y + 1, core);
    AddStarPixel(image, x + 2, y + 1, halo);
    AddStarPixel(image, x, y + 2, halo);
    AddStarPixel(image, x + 1, y + 2, halo);
}

void CStarFieldEffect::GetAffectedRect(CRect& rect)
{
    CEffect::GetAffectedRect(rect);
    rect.InflateRect(kStarReach, kStarReach);
}

void CStarFieldEffect::Render(CDib& image, const CRect& rect, CDib*, BOOL bShowProgress)
{
    CGaussianRandom brightness = BrightnessSampler();
    CRect r = rect;
    image.FlipRect(r);
    const int w = r.Width();
    const int h = r.Height();
    // On a sky, the rows' band of latitudes as sines: stars fall evenly in the sine, which
    // is even in solid angle, and the band holds as many as its solid angle would in
    // pixels at the equator.
    const int nSky = image.m_nHeight;
    const auto sine = [nSky](int nRowFromTop) {
        return std::sin((90.0 - std::clamp(nRowFromTop, 0, nSky) * 180.0 / nSky) * kPi / 180);
    };
    const double sinTop = sine(nSky - r.bottom), sinBottom = sine(nSky - r.top);
    const int count = m_bOnSky ? StarCount(w, TruncToInt((sinTop - sinBottom) * nSky / kPi))
                               : StarCount(w, h);
    if (bShowProgress)
        m_progress.Begin(count);
    double hue, saturation, lightness;
    CColor(m_crColor, TRUE).ToHSL(hue, saturation, lightness);

    for (int i = 0; i < count && !g_bCancelRender; ++i) {
        // x is drawn before y: the order is part of the picture a seed gives.
        int x = RandomInt(w) + r.left;
        int y;
        if (m_bOnSky) {
            // Longitudes wrap around; the latitude from its sine.
            x = (x % image.m_nWidth + image.m_nWidth) % image.m_nWidth;
            const double lat = std::asin(sinBottom + RandomUnit() * (sinTop - sinBottom));
            const int nFromTop = std::clamp(int((90.0 - lat * 180 / kPi) / 180.0 * nSky), 0,
                                            nSky - 1);
            y = nSky - 1 - nFromTop;
        } else {
            y = RandomInt(h) + r.top;
        }
        DrawStar(image, x, y, brightness, hue, saturation);
        ReportStar(bShowProgress, x, y);
        StepProgress(bShowProgress, i + 1);
    }
    if (bShowProgress)
        m_progress.End();
}
