// A nebula with a hole in the middle and its noise twisted around the centre: a whirlpool.
// Pixels are blended toward the vortex's colour, not added to.
#pragma once

#include "Effect.h"
#include "EffectValue.h"
#include "FractalNoise.h"

class CVortexEffect : public CEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "Vortex";
    static constexpr int kCursorId = 147;

    CVortexEffect();

    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void PrepareRender() override;
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    // Loaded, saved and reset by CEffect from this table.
    CEffectValues GetValues() override;

    // Added to the noise.
    double m_dIntensity;
    // Steepness of the fall-off toward the rim.
    double m_dDropoff;
    // Colour bands from the centre to the rim.
    double m_dColorFrequency;
    // Half-turns of twist from the centre to the rim.
    double m_dSwirlFrequency;
    // Radius of the empty core as a fraction of the ellipse.
    double m_dInnerRadius;
    CFractalNoise2D m_noise;
    COLORREF m_crInner;
    COLORREF m_crOuter;
};
