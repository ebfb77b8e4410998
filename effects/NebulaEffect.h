// A soft elliptical cloud: fractal noise gives it texture, an exponential fall-off toward
// the rim its shape, and its colour swings between an inner and an outer colour in rings.
// Pixels are blended toward the cloud's colour, not added to.
#pragma once

#include "Effect.h"
#include "EffectValue.h"
#include "FractalNoise.h"

class CNebulaEffect : public CEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "Nebula";
    static constexpr int kCursorId = 134;

    CNebulaEffect();

    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void PrepareRender() override;
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    // Loaded, saved and reset by CEffect from this table.
    CEffectValues GetValues() override;

    // Added to the noise before clamping: the overall density.
    double m_dIntensity;
    // Steepness of the fall-off toward the rim.
    double m_dDropoff;
    // Colour bands from the centre to the rim.
    double m_dColorFrequency;
    CFractalNoise2D m_noise;
    COLORREF m_crInner;
    COLORREF m_crOuter;
};
