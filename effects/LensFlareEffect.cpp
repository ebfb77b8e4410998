#include "LensFlareEffect.h"

#include "ControlIds.h"
#include "PixelRender.h"

namespace {

constexpr double kStreakCos = 0.7071067811865476;

// The brightness a set of streaks adds at offset (sx, sy) from the centre: a triangle wave
// with count peaks around the circle, raised to the fourth power, fading as 1 / (2g + 1).
float Streak(double sx, double sy, float g, double count, double intensity)
{
    const double w = std::atan2(sy, sx) / kEffectPi + 1;
    double h = std::fmod(count * w, 2.0);
    if (h > 1)
        h = 2 - h;
    const float h2 = static_cast<float>(h * h);
    const float value = static_cast<float>(intensity) / (2 * g + 1) * (h2 * h2);
    return value > 0 ? value : 0.0f;
}

// One channel of the flare's light: truncated, with NaN and anything outside 0..255 held
// to that range before the conversion.
int Channel(float value)
{
    if (!(value > 0))
        return 0;
    return value < 255 ? static_cast<int>(value) : 255;
}

}

CLensFlareEffect::CLensFlareEffect()
{
    m_strSection = QLatin1String(kSection);
    m_nCursorId = kCursorId;
    ResetDefaults(); // the table's defaults
}

CEffectValues CLensFlareEffect::GetValues()
{
    return {
        // The dialog shows a quarter of the dropoff, 0 to 10.
        RealValue("Dropoff", &m_dDropoff, "8.0", 0, 40, "glow fall-off")
            .ShownIn(LensFlareIds::Dropoff, LensFlareIds::DropoffSpin, 10)
            .Mapped([](double d) { return d / 4; }, [](double d) { return d * 4; }),
        SwitchValue("RedOn", &m_bRedOn, "1", "red component of the glow")
            .ShownBy(LensFlareIds::Red),
        SwitchValue("GreenOn", &m_bGreenOn, "0", "green component of the glow")
            .ShownBy(LensFlareIds::Green),
        SwitchValue("BlueOn", &m_bBlueOn, "0", "blue component of the glow")
            .ShownBy(LensFlareIds::Blue),
        IntegerValue("PrimaryStreaks", &m_nPrimaryStreaks, "4", 0, 100, "number of primary streaks")
            .ShownIn(LensFlareIds::Streaks, LensFlareIds::StreaksSpin, 100),
        RealValue("PrimaryInten", &m_dPrimaryIntensity, "0.1", 0, 1,
                  "brightness of the primary streaks")
            .ShownIn(LensFlareIds::StreakIntensity, LensFlareIds::StreakIntensitySpin, 1),
        SwitchValue("Secondary", &m_bSecondaryOn, "1", "1 adds the secondary streaks")
            .ShownBy(LensFlareIds::Secondary),
        SwitchValue("RingOn", &m_bRingOn, "1", "1 draws the ring").ShownBy(LensFlareIds::RingOn),
        ColorValue("RingColor", &m_crRing, "330280",
                   "ring colour; recomputed from the switches at every render"),
        RealValue("FlareInten", &m_dFlareIntensity, "0.8", 0, 1, "flare intensity")
            .ShownIn(LensFlareIds::FlareIntensity, LensFlareIds::FlareIntensitySpin, 1),
    };
}

void CLensFlareEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

void CLensFlareEffect::Render(CDib& image, const CRect& rect, CDib*, BOOL bShowProgress)
{
    CRect r = rect;
    image.FlipRect(r);
    const int cx = IntegerCentre(r.left, r.right);
    const int cy = IntegerCentre(r.top, r.bottom);
    const int a = std::min(r.Width() / 2, r.Height() / 2);
    // g = 1 at distance a from the centre.
    const float norm = static_cast<float>(double(a) * a + a);

    m_crRing = RGB(m_bRedOn ? 40 : 5, m_bGreenOn ? 40 : 10, m_bBlueOn ? 40 : 5);
    const float ringR = GetRValue(m_crRing);
    const float ringG = GetGValue(m_crRing);
    const float ringB = GetBValue(m_crRing);
    const float dropoff = static_cast<float>(m_dDropoff);
    const float flare = static_cast<float>(m_dFlareIntensity * 255);
    const double primaryCount = m_nPrimaryStreaks;
    const double secondaryCount = 2.0 * m_nPrimaryStreaks + 1;

    // Below 2 pixels on the smaller side the flare has no radius (norm 0): there is no glow
    // to scale, so such a rectangle gets no light, like an empty one.
    const CRect area = a > 0 ? r : CRect(0, 0, 0, 0);
    RenderPixels(m_progress, image, area, bShowProgress, [&](int x, int y) {
        const double dx = double(x) - cx;
        const double dy = double(y) - cy;
        const float q = static_cast<float>(std::sqrt(dx * dx + dy * dy));
        const float g = (q + q * q) / norm;
        const float v = 1 / (5 * g + 1);
        const float kR = (4 + (m_bRedOn ? 0 : 11)) * dropoff;
        const float kG = (4 + (m_bGreenOn ? 0 : 11 * v)) * dropoff;
        const float kB = (4 + (m_bBlueOn ? 0 : 10 * v)) * dropoff;
        const float e = g < 1 ? std::exp(-g / (1 - g) * 0.05f) : 0.0f;
        float lR = e / (g * kR + 1);
        float lG = e / (g * kG + 1);
        float lB = e / (g * kB + 1);

        if (m_bRingOn && g > 0.32f && g < 0.44f) {
            const float u = (g - 0.32f) / 0.12f;
            float f = 2 * u;
            if (f > 1)
                f = 2 - f;
            const float h = f * f * (3 - 2 * f) / 255;
            lR += ringR * h;
            lG += ringG * h;
            lB += ringB * h;
        }

        if (m_nPrimaryStreaks > 0) {
            const float primary =
                Streak(dx * kStreakCos - dy * kStreakCos, dx * kStreakCos + dy * kStreakCos, g,
                       primaryCount, m_dPrimaryIntensity);
            lR += primary;
            lG += primary;
            lB += primary;
            if (m_bSecondaryOn) {
                const float secondary =
                    Streak(dx, dy, g, secondaryCount, m_dPrimaryIntensity / 4);
                lR += secondary;
                lG += secondary;
                lB += secondary;
            }
        }

        const CColor colour(Channel(lR * flare), Channel(lG * flare), Channel(lB * flare));
        image.AddPixel(x, y, colour.ToRGB());
    });
}
