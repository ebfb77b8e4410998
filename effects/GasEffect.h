// A faint, soft elliptical patch of one colour, optionally broken up by turbulence. Pixels
// are blended toward the gas colour with an opacity falling off toward the rim.
#pragma once

#include "Effect.h"
#include "EffectValue.h"
#include "GradientNoise.h"

class CGasEffect : public CEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "Gas";
    static constexpr int kCursorId = 146;

    CGasEffect();

    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void PrepareRender() override;
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    // Loaded, saved and reset by CEffect from this table.
    CEffectValues GetValues() override;

    COLORREF m_crColor;
    // Opacity at the centre before turbulence.
    double m_dIntensity;
    // 1: turbulence is added to the opacity.
    int m_bAddNoise;
    // Upper frequency limit of the turbulence sum (frequencies 1, 2, 4... below it).
    double m_dFrequency;
    CGradientNoise2D m_noise;
};
