// A globular cluster: stars normally distributed around the centre of the dragged
// rectangle, four deviations to its edge, optionally rotated.
#pragma once

#include "StarFieldEffect.h"

class CClusterEffect : public CStarFieldEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "Cluster";
    static constexpr int kCursorId = 133;

    CClusterEffect();

    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    // Keeps the colour the user chose.
    void ResetDefaults() override;
};
