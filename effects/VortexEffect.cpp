#include "VortexEffect.h"

#include "ControlIds.h"
#include "PixelRender.h"

namespace {
// Half-width of the soft band at the edge of the empty core.
constexpr double kEdge = 0.025;
}

CVortexEffect::CVortexEffect()
{
    m_strSection = QLatin1String(kSection);
    m_nCursorId = kCursorId;
    ResetDefaults(); // the table's defaults
    PrepareRender();
}

CEffectValues CVortexEffect::GetValues()
{
    return {
        RealValue("Itensity", &m_dIntensity, "0.5", 0, 1, "added to the noise")
            .AlsoNamed("Intensity")
            .ShownIn(VortexIds::Intensity, VortexIds::IntensitySpin, 1),
        RealValue("Dropoff", &m_dDropoff, "0.5", 0, 10, "steepness of the fall-off toward the rim")
            .ShownIn(VortexIds::Dropoff, VortexIds::DropoffSpin, 10),
        RealValue("Frequency", &m_dColorFrequency, "2.0", 0, 8,
                  "number of colour bands from centre to rim")
            .ShownIn(VortexIds::ColorFrequency, VortexIds::ColorFrequencySpin, 8),
        RealValue("Rotation", &m_dRotation, "45.0", 0, 359, "rotation in degrees")
            .ShownIn(VortexIds::Rotation, VortexIds::RotationSpin, 359),
        RealValue("InnerRadius", &m_dInnerRadius, "0.1", 0, 1,
                  "radius of the empty core as a fraction of the ellipse")
            .ShownIn(VortexIds::InnerRadius, VortexIds::InnerRadiusSpin, 1),
        // Typed values go past the spin's 8.
        RealValue("SwirlFreq", &m_dSwirlFrequency, "1.0", 0, 1000,
                  "half-turns of twist from centre to rim")
            .ShownIn(VortexIds::SwirlFrequency, VortexIds::SwirlFrequencySpin, 8),
        ColorValue("ColorHigh", &m_crInner, "3083512", "colour at the centre")
            .ShownBy(VortexIds::InnerColor),
        ColorValue("ColorLow", &m_crOuter, "15342308", "colour between bands")
            .ShownBy(VortexIds::OuterColor),
    };
}

void CVortexEffect::PrepareRender()
{
    m_noise.Initialize(1.0, 2.0, 8, 0.0);
}

void CVortexEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

void CVortexEffect::Render(CDib& image, const CRect& rect, CDib*, BOOL bShowProgress)
{
    const CTurnedEllipse e(image, rect, m_dRotation);
    const CColor inner(m_crInner, TRUE);
    const CColor outer(m_crOuter, TRUE);
    const double inner0 = m_dInnerRadius;
    // Opacity at the outer side of the core's edge band. With the band reaching the rim
    // (inner radius within kEdge of 1) this is the fall-off's value at the rim, so the
    // ramp stays within [0, 1].
    const double e0 = FallOff(inner0 + kEdge, m_dDropoff);

    RenderPixels(m_progress, image, e.sweep, bShowProgress, [&](int x, int y) {
        double wx, wy;
        const double d = e.Offset(x, y, wx, wy);
        // Beyond the rim and inside the core the opacity is 0: the pixel stays as it is.
        double ramp;
        if (!(d < 1))
            return;
        if (std::fabs(d - inner0) < kEdge)
            ramp = e0 * (kEdge + d - inner0) / 0.05;
        else if (d >= inner0 + kEdge)
            ramp = FallOff(d, m_dDropoff);
        else
            return;

        const double u = 1 - d;
        const double k = m_dSwirlFrequency * kEffectPi * (1 - u * u * u) + kEffectPi;
        const double ck = std::cos(k);
        const double sk = std::sin(k);
        const double qx = (wx * ck - wy * sk) * 5.0;
        const double qy = (wx * sk + wy * ck) * 5.0;
        double n = std::fabs(m_noise.Value(qx, qy) + m_dIntensity);
        if (n > 1)
            n = 1;
        CColor colour = outer;
        colour.Blend(inner, ColorBand(m_dColorFrequency, d));
        BlendPixel(image, x, y, colour, ramp * n);
    });
}
