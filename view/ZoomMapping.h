// The canvas's zoom and the mapping it makes between the screen and the picture. The zoom
// is a fraction, nNum / nDen screen pixels per picture pixel from 1/16 to 16, so that
// mapping mouse positions is exact integer arithmetic.
#pragma once

#include "../document/WinTypes.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class CZoomMapping
{
public:
    // 100 %.
    CZoomMapping() = default;
    // nNum / nDen (both above 0) held to 1/16 .. 16, in lowest terms.
    static CZoomMapping Held(int nNum, int nDen);

    int Num() const { return m_nNum; }
    int Den() const { return m_nDen; }
    double Zoom() const { return double(m_nNum) / m_nDen; }
    // As the status bar shows it: "100%", "33.3%", "1600%".
    QString Text() const;
    // The next of the zoom steps above (nDirection > 0) or below this zoom, which may lie
    // between two steps after Fit in Window; this zoom past the last step.
    CZoomMapping Step(int nDirection) const;

    // The picture pixel under pt, a point of the screen whose top-left corner lies at
    // origin in screen pixels of the zoomed picture.
    CPoint ToPicture(const QPoint& pt, const CPoint& origin) const;
    // The screen area rect covers (top-down picture pixels, right and bottom exclusive),
    // held to a little past the screen so that a far-off rectangle cannot overflow.
    QRect ToScreen(const CRect& rect, const CPoint& origin) const;
    // A picture of size on the screen.
    QSize Zoomed(const CSize& size) const;

    bool operator==(const CZoomMapping& other) const
    {
        return m_nNum == other.m_nNum && m_nDen == other.m_nDen;
    }
    bool operator!=(const CZoomMapping& other) const { return !(*this == other); }

private:
    CZoomMapping(int nNum, int nDen) : m_nNum(nNum), m_nDen(nDen) {}

    int m_nNum = 1;
    int m_nDen = 1;
};
