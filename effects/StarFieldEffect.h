// Point stars added to the picture: scattered uniformly over a rectangle (Star Field) or,
// in CClusterEffect, normally around its centre.
#pragma once

#include "Effect.h"

class CGaussianRandom;

class CStarFieldEffect : public CEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "StarField";
    static constexpr int kCursorId = 131;

    CStarFieldEffect();

    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void ResetDefaults() override;
    // The rectangle (turned by the rotation) grown by how far a large star reaches past
    // its centre, so that undo and cancel take back every star.
    void GetAffectedRect(CRect& rect) override;
    // The values LoadDefaults and SaveDefaults read and write (with their ranges, so a
    // damaged setting cannot ask for a billion stars), with the Cluster's defaults when
    // m_bCluster is set.
    CEffectValues GetValues() override;
    bool WrapsItself() const override { return true; }
    // On a sky panorama the field spreads its stars evenly over the sky's solid angle, as
    // many per square degree at the poles as at the equator, each as small as on a flat
    // picture; the rectangle is a band of longitudes and latitudes.
    bool PaintsOnSkyItself() const override { return !m_bCluster; }
    void SetOnSky(bool bOnSky) override { m_bOnSky = bOnSky; }

    // Stars per pixel of the rectangle.
    double m_dDensity;
    // Lightness exponent control: a star's lightness is e^(1/brightness) of a clamped
    // normal sample e, so smaller is darker.
    double m_dBrightness;
    // Probability that a star is drawn as a large star.
    double m_dLargeStars;
    // The stars' colour; each star keeps its hue and saturation with a lightness of its own.
    COLORREF m_crColor;
    // String-table entry of the dialog title: 0 "Starfield Properties", 1 the Cluster's.
    int m_nTitleId;
    // 1 for the Cluster: picks its column of stored defaults.
    int m_bCluster;

    // The picture is a sky panorama (see PaintsOnSkyItself).
    bool m_bOnSky = false;

    // Pixels a large star reaches beyond its centre: one left, two right, two rows up.
    static constexpr int kStarReach = 2;

protected:
    // One star at (x, y) in row coordinates (row 0 at the bottom) with the colour's hue and
    // saturation: a brightness draw, then a draw that decides whether it is large.
    void DrawStar(CDib& image, int x, int y, CGaussianRandom& brightness, double dHue,
                  double dSaturation) const;
    // Adds color at (x, y) in row coordinates; on a wrap-around picture a pixel past an
    // edge lands at the opposite one, on a sky one past the left or right edge.
    void AddStarPixel(CDib& image, int x, int y, DWORD color) const;
    // With progress: tells the meter that the star at (x, y) has landed, so a canvas
    // watching the render shows it at the next pump.
    void ReportStar(BOOL bShowProgress, int x, int y)
    {
        if (bShowProgress)
            m_progress.Painted(CRect(x - 1, y, x + 3, y + 3));
    }
    // The lightness distribution of every star: mean 0.19, deviation 0.27.
    static CGaussianRandom BrightnessSampler();
    // Stars in a rectangle of w x h row pixels (truncated, saturating).
    int StarCount(int w, int h) const;
};
