// The glare of a bright light seen through a lens: a glow leaning toward the chosen colour
// components, a faint ring and radial streaks. Its light is added to the picture.
#pragma once

#include "Effect.h"
#include "EffectValue.h"

class CLensFlareEffect : public CEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "Lens Flare";
    static constexpr int kCursorId = 157;

    CLensFlareEffect();

    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    // Loaded, saved and reset by CEffect from this table.
    CEffectValues GetValues() override;

    // Overall brightness.
    double m_dFlareIntensity;
    // How fast the glow falls off.
    double m_dDropoff;
    int m_bRedOn;
    int m_bBlueOn;
    int m_bGreenOn;
    int m_nPrimaryStreaks;
    double m_dPrimaryIntensity;
    int m_bSecondaryOn;
    int m_bRingOn;
    // Derived from the three component switches at every render (and saved with them).
    COLORREF m_crRing;
};
