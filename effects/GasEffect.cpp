#include "GasEffect.h"

#include "ControlIds.h"
#include "PixelRender.h"

namespace {
// The highest turbulence limit the program accepts. The sum doubles its frequency until it
// reaches the limit, so a larger one would only add octaves finer than a pixel and, far
// enough, overflow the noise lattice.
constexpr double kMaxFrequency = 64;
}

CGasEffect::CGasEffect()
{
    m_strSection = QLatin1String(kSection);
    m_nCursorId = kCursorId;
    ResetDefaults(); // the table's defaults
    PrepareRender();
}

CEffectValues CGasEffect::GetValues()
{
    return {
        // The dialog shows 0 to 1 for 0.2 to 0.5.
        RealValue("Itensity", &m_dIntensity, "0.35", 0.2, 0.5, "base opacity at the centre")
            .AlsoNamed("Intensity")
            .ShownIn(GasIds::Intensity, GasIds::IntensitySpin, 1)
            .Mapped([](double d) { return (d - 0.2) * 3.3333333333333335; },
                    [](double d) { return d * 0.3 + 0.2; }),
        RealValue("Frequency", &m_dFrequency, "8.0", 0, kMaxFrequency,
                  "upper frequency limit of the turbulence sum")
            .ShownIn(GasIds::Frequency, GasIds::FrequencySpin, kMaxFrequency),
        SwitchValue("AddNoise", &m_bAddNoise, "1", "1 adds turbulence to the opacity")
            .ShownBy(GasIds::AddNoise),
        ColorValue("Color", &m_crColor, "13645776", "the gas colour").ShownBy(GasIds::Color),
    };
}

void CGasEffect::PrepareRender()
{
    m_noise.Initialize();
}

void CGasEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

void CGasEffect::Render(CDib& image, const CRect& rect, CDib*, BOOL bShowProgress)
{
    CRect r = rect;
    image.FlipRect(r);
    const CNoiseEllipse e(r.left + r.Width() / 2, r.top + r.Height() / 2, r);
    const CColor colour(m_crColor, TRUE);
    const double limit = std::min(m_dFrequency, kMaxFrequency);

    RenderPixels(m_progress, image, r, bShowProgress, [&](int x, int y) {
        const double px = x * kNoiseUnit;
        const double py = y * kNoiseUnit;
        const double wx = (px - e.mx) / e.rx;
        const double wy = (py - e.my) / e.ry;
        const double d = std::sqrt(wx * wx + wy * wy);
        // Opacity 0 on and beyond the rim leaves the pixel as it is: no noise needed.
        if (!(d < 1))
            return;
        const double n =
            m_bAddNoise ? ClampUnit(m_noise.Turbulence((x + m_ptNoiseShift.x) * kNoiseUnit,
                                                       (y + m_ptNoiseShift.y) * kNoiseUnit,
                                                       limit) *
                                    0.25)
                        : 0.0;
        BlendPixel(image, x, y, colour, std::exp(-d / (1 - d) * 0.5) * (m_dIntensity + n));
    });
}
