#include "ClusterEffect.h"

#include "../document/Dib.h"
#include "Color.h"
#include "Random.h"

#include <cmath>

CClusterEffect::CClusterEffect()
{
    m_nCursorId = kCursorId;
    m_strSection = QLatin1String(kSection);
    m_nTitleId = 1;
    m_bCluster = 1;
    CClusterEffect::ResetDefaults();
}

void CClusterEffect::ResetDefaults()
{
    // The table's defaults (the cluster's own column), but a reset keeps the star colour.
    const COLORREF crColor = m_crColor;
    CEffect::ResetDefaults();
    m_crColor = crColor;
    m_bClearsSelection = TRUE;
}

void CClusterEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

void CClusterEffect::Render(CDib& image, const CRect& rect, CDib*, BOOL bShowProgress)
{
    CGaussianRandom brightness = BrightnessSampler();
    CRect r = rect;
    image.FlipRect(r);
    const int hw = r.Width() / 2;
    const int hh = r.Height() / 2;
    const int cx = IntegerCentre(r.left, r.right);
    const int cy = IntegerCentre(r.top, r.bottom);
    // A quarter of each half-axis: the rectangle's edge lies four deviations out.
    CGaussianRandom sampleX(0, hw / 4.0);
    CGaussianRandom sampleY(0, hh / 4.0);
    const int count = StarCount(r.Width(), r.Height());
    // Row coordinates grow upwards, so the plain sine turns the cloud the same way as
    // the rubber band's negated one on the top-down canvas.
    const double theta = m_dRotation * 3.141592654 / 180;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    // Stars are kept to the rectangle and its turned bounding box, the area saved for undo
    // (with the stars' reach): a far outlier elsewhere could never be taken back.
    CRect keep = AffectedRect(rect, m_dRotation);
    image.FlipRect(keep);
    if (bShowProgress)
        m_progress.Begin(count);
    double hue, saturation, lightness;
    CColor(m_crColor, TRUE).ToHSL(hue, saturation, lightness);

    int nStepped = 0;
    for (int i = 0; i < count && !g_bCancelRender; ++i) {
        // y is drawn before x: the order is part of the picture a seed gives.
        const double dy = sampleY.Sample();
        const double dx = sampleX.Sample();
        const int px = TruncToInt(dx * c - dy * s) + cx;
        const int py = TruncToInt(dx * s + dy * c) + cy;
        // A star outside the picture costs its position draws only; on a wrap-around
        // picture none is outside, and each lands where the repeated picture has it.
        if ((!m_bWrapAround && !image.IsInside(px, py)) || !keep.PtInRect(CPoint(px, py)))
            continue;
        DrawStar(image, px, py, brightness, hue, saturation);
        ReportStar(bShowProgress, px, py);
        StepProgress(bShowProgress, i + 1);
        nStepped = i + 1;
    }
    // The last stars may have fallen outside and stepped nothing: the bar ends full. A
    // cluster wholly outside steps nothing at all.
    if (bShowProgress && !g_bCancelRender && nStepped > 0 && nStepped < count)
        m_progress.Step(count);
    if (bShowProgress)
        m_progress.End();
}
