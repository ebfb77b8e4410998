// One large star in the ellipse of the rectangle: a solid (or see-through) core, a short
// soft edge, and a corona fading toward the rim from the core colour to the corona colour.
// Pixels are blended toward the star's colour, not added to.
#pragma once

#include "Effect.h"
#include "EffectValue.h"

class CStarEffect : public CEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "Star";
    static constexpr int kCursorId = 136;

    CStarEffect();

    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    // Loaded, saved and reset by CEffect from this table.
    CEffectValues GetValues() override;

    // Steepness of the corona's fall-off.
    double m_dDropoff;
    // Core radius as a fraction of the ellipse.
    double m_dRadius;
    COLORREF m_crCore;
    COLORREF m_crCorona;
    // 1: the core is left see-through.
    int m_bTransparentCore;
};
