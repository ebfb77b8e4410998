#include "CanvasGestures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void CStepRectGrip::Take(const CPoint& pt, const CRect& rect, double dZoom)
{
    // An edge or a corner within a few screen pixels, else all of it from inside.
    const int nNear = std::max(1, int(std::lround(4 / dZoom)));
    const CRect& r = rect;
    const auto near = [nNear](int a, int b) { return std::abs(a - b) <= nNear; };
    const bool bAcross = pt.y >= r.top - nNear && pt.y <= r.bottom + nNear;
    const bool bAlong = pt.x >= r.left - nNear && pt.x <= r.right + nNear;
    m_nGrip = (near(pt.x, r.left) && bAcross ? 1 : 0) | (near(pt.y, r.top) && bAlong ? 2 : 0) |
              (near(pt.x, r.right) && bAcross ? 4 : 0) | (near(pt.y, r.bottom) && bAlong ? 8 : 0);
    if (m_nGrip == 0 && r.PtInRect(pt))
        m_nGrip = 15;
    m_ptLast = pt;
}

bool CStepRectGrip::Drag(const CPoint& pt, CRect& rect)
{
    CRect r = rect;
    const int dx = pt.x - m_ptLast.x, dy = pt.y - m_ptLast.y;
    m_ptLast = pt;
    r.left += m_nGrip & 1 ? dx : 0;
    r.top += m_nGrip & 2 ? dy : 0;
    r.right += m_nGrip & 4 ? dx : 0;
    r.bottom += m_nGrip & 8 ? dy : 0;
    // An edge dragged past its opposite leaves at least a pixel.
    if (r.Width() < 1 || r.Height() < 1)
        return false;
    rect = r;
    return true;
}

bool AutoScrollPosition(const QPoint& p, const QRect& client, const QSize& canvas, CPoint& pos)
{
    if (client.width() >= canvas.width() - 1 && client.height() >= canvas.height() - 1)
        return false;
    if (client.contains(p))
        return false;
    if (p.x() < 0)
        pos.x += p.x();
    else if (p.x() > client.width())
        pos.x += p.x() - client.width();
    if (p.y() < 0)
        pos.y += p.y();
    else if (p.y() > client.height())
        pos.y += p.y() - client.height();
    return true;
}

bool IsGestureEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}
