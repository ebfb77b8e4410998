// The picture halved again and again (a half, a quarter, ... a sixteenth), so that the canvas
// can show a large picture reduced without reading every one of its pixels at each repaint.
// Each level is brought up to date only where the picture changed since it was last read.
#pragma once

#include "WinTypes.h"

#include <QImage>

#include <vector>

class CDib;
class QPainter;

class CPicturePyramid
{
public:
    // Levels below the picture itself: the last one is a sixteenth of its size.
    static constexpr int kLevels = 4;

    // Forgets the levels: the picture was replaced or changed its size.
    void Reset();
    // The top-down picture rectangle rect changed; its levels are redone at the next Refresh.
    void MarkChanged(const CRect& rect);
    // Brings every level up to date with dib: all of them the first time, afterwards only
    // where MarkChanged said the picture changed.
    void Refresh(const CDib& dib);

    // Level n (1 = half size), top-down; null before the first Refresh.
    const QImage* Level(int n) const;
    // The level a reduction to dZoom (below 1) reads: the smallest one still at least as
    // large as the reduced picture, so it is never enlarged; 0 for the picture itself.
    static int LevelForZoom(double dZoom);

    // Paints the picture at dZoom into the painter's region exposed, with the picture's
    // top-left corner at -scroll: above 100 % each picture pixel as a sharp square, below it
    // reduced smoothly from the level just larger than the result (refreshed first).
    void Paint(QPainter* pPainter, const CDib& dib, double dZoom, const CPoint& scroll,
               const QRect& exposed);

private:
    std::vector<QImage> m_levels;
    // The picture area (top-down) changed since the last Refresh; empty when none.
    CRect m_rectDirty;
};
