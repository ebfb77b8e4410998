#include "StarEffect.h"

#include "ControlIds.h"
#include "PixelRender.h"

namespace {
// Half-width of the soft band at the edge of the core.
constexpr double kEdge = 0.025;
}

CStarEffect::CStarEffect()
{
    m_strSection = QLatin1String(kSection);
    m_nCursorId = kCursorId;
    ResetDefaults(); // the table's defaults
}

CEffectValues CStarEffect::GetValues()
{
    return {
        // Typed values go past the spin's 4.
        RealValue("Dropoff", &m_dDropoff, "1.0", 0, 10, "steepness of the corona's fall-off")
            .ShownIn(StarIds::Dropoff, StarIds::DropoffSpin, 4),
        RealValue("Radius", &m_dRadius, "0.2", 0, 1, "core radius as a fraction of the ellipse")
            .ShownIn(StarIds::Radius, StarIds::RadiusSpin, 1),
        ColorValue("ColorHigh", &m_crCore, "16777215", "colour of the core")
            .ShownBy(StarIds::CoreColor),
        ColorValue("ColorLow", &m_crCorona, "16777088", "colour the corona fades to")
            .ShownBy(StarIds::CoronaColor),
        SwitchValue("TransparentInterior", &m_bTransparentCore, "0",
                    "1 leaves the core see-through")
            .ShownBy(StarIds::TransparentCore),
    };
}

void CStarEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

void CStarEffect::Render(CDib& image, const CRect& rect, CDib*, BOOL bShowProgress)
{
    CRect r = rect;
    image.FlipRect(r);
    const CNoiseEllipse e(r.left + r.Width() / 2, r.top + r.Height() / 2, r);
    const double radius = m_dRadius;
    // Opacity at the outer side of the core's edge band; with the band reaching the rim
    // (radius within kEdge of 1) the fall-off's value at the rim.
    const double e0 = FallOff(radius + kEdge, m_dDropoff);
    const double z0 = m_bTransparentCore ? 0.0 : 1.0;
    const CColor core(m_crCore, TRUE);
    const CColor corona(m_crCorona, TRUE);

    RenderPixels(m_progress, image, r, bShowProgress, [&](int x, int y) {
        const double wx = (x * kNoiseUnit - e.mx) / e.rx;
        const double wy = (y * kNoiseUnit - e.my) / e.ry;
        const double d = std::sqrt(wx * wx + wy * wy);
        double alpha;
        if (!(d < 1))
            return;
        if (std::fabs(d - radius) < kEdge)
            alpha = z0 + (e0 - z0) * (kEdge + d - radius) / 0.05;
        else if (d >= radius + kEdge)
            alpha = FallOff(d, m_dDropoff);
        else
            alpha = z0;
        alpha = ClampUnit(alpha);
        CColor colour = corona;
        colour.Blend(core, alpha);
        BlendPixel(image, x, y, colour, alpha);
    });
}
