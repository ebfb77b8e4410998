#include "NebulaEffect.h"

#include "ControlIds.h"
#include "PixelRender.h"

CNebulaEffect::CNebulaEffect()
{
    m_strSection = QLatin1String(kSection);
    m_nCursorId = kCursorId;
    ResetDefaults(); // the table's defaults
    PrepareRender();
}

CEffectValues CNebulaEffect::GetValues()
{
    // The first value name is spelled so in the store.
    return {
        RealValue("Itensity", &m_dIntensity, "0.5", 0, 1,
                  "added to the noise before clamping: overall density")
            .AlsoNamed("Intensity")
            .ShownIn(NebulaIds::Intensity, NebulaIds::IntensitySpin, 1),
        RealValue("Dropoff", &m_dDropoff, "0.5", 0, 10, "steepness of the fall-off toward the rim")
            .ShownIn(NebulaIds::Dropoff, NebulaIds::DropoffSpin, 10),
        // Typed values go past the spin's 8.
        RealValue("Frequency", &m_dColorFrequency, "2.0", 0, 359,
                  "number of colour bands from centre to rim")
            .ShownIn(NebulaIds::ColorFrequency, NebulaIds::ColorFrequencySpin, 8),
        RealValue("Rotation", &m_dRotation, "45.0", 0, 359, "rotation in degrees")
            .ShownIn(NebulaIds::Rotation, NebulaIds::RotationSpin, 359),
        ColorValue("ColorHigh", &m_crInner, "3083512", "colour at the centre")
            .ShownBy(NebulaIds::InnerColor),
        ColorValue("ColorLow", &m_crOuter, "15342308", "colour between bands")
            .ShownBy(NebulaIds::OuterColor),
    };
}

void CNebulaEffect::PrepareRender()
{
    m_noise.Initialize(1.0, 2.0, 5, 0.0);
}

void CNebulaEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

void CNebulaEffect::Render(CDib& image, const CRect& rect, CDib*, BOOL bShowProgress)
{
    const CTurnedEllipse e(image, rect, m_dRotation);
    const CColor inner(m_crInner, TRUE);
    const CColor outer(m_crOuter, TRUE);

    RenderPixels(m_progress, image, e.sweep, bShowProgress, [&](int x, int y) {
        double wx, wy;
        const double d = e.Offset(x, y, wx, wy);
        // Opacity 0 on and beyond the rim leaves the pixel as it is: no noise needed.
        if (!(d < 1))
            return;
        const double n = ClampUnit(m_noise.Value((x + m_ptNoiseShift.x) * kNoiseUnit,
                                                 (y + m_ptNoiseShift.y) * kNoiseUnit) +
                                   m_dIntensity);
        CColor colour = outer;
        colour.Blend(inner, ColorBand(m_dColorFrequency, d));
        BlendPixel(image, x, y, colour, FallOff(d, m_dDropoff) * n);
    });
}
