#include "ZoomMapping.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace {

// The zoom steps, as fractions: 1/16 (6.25 %) to 16 (1600 %).
struct CZoomStep
{
    int nNum, nDen;
};
constexpr CZoomStep kZoomSteps[] = {
    {1, 16}, {1, 12}, {1, 8}, {1, 6}, {1, 4}, {1, 3}, {1, 2}, {2, 3},
    {1, 1},  {3, 2},  {2, 1}, {3, 1}, {4, 1}, {8, 1}, {16, 1},
};

// Rounded toward minus infinity, also for negative a (b > 0).
qint64 FloorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

qint64 CeilDiv(qint64 a, qint64 b)
{
    return -FloorDiv(-a, b);
}

}

CZoomMapping CZoomMapping::Held(int nNum, int nDen)
{
    if (qint64(nNum) * 16 < nDen) {
        nNum = 1;
        nDen = 16;
    } else if (nNum > qint64(nDen) * 16) {
        nNum = 16;
        nDen = 1;
    }
    const int divisor = std::gcd(nNum, nDen);
    return CZoomMapping(nNum / divisor, nDen / divisor);
}

QString CZoomMapping::Text() const
{
    const double percent = 100.0 * m_nNum / m_nDen;
    // Three figures below 100 % (33.3, 8.33), whole numbers above.
    const QString number = percent >= 100 ? QString::number(std::lround(percent))
                                          : QString::number(percent, 'g', 3);
    return number + QLatin1Char('%');
}

CZoomMapping CZoomMapping::Step(int nDirection) const
{
    const qint64 num = m_nNum, den = m_nDen;
    if (nDirection > 0) {
        for (const CZoomStep& step : kZoomSteps)
            if (qint64(step.nNum) * den > num * step.nDen)
                return CZoomMapping(step.nNum, step.nDen);
    } else {
        for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
            if (qint64(it->nNum) * den < num * it->nDen)
                return CZoomMapping(it->nNum, it->nDen);
    }
    return *this;
}

CPoint CZoomMapping::ToPicture(const QPoint& pt, const CPoint& origin) const
{
    return CPoint(int(FloorDiv(qint64(pt.x() + origin.x) * m_nDen, m_nNum)),
                  int(FloorDiv(qint64(pt.y() + origin.y) * m_nDen, m_nNum)));
}

QRect CZoomMapping::ToScreen(const CRect& rect, const CPoint& origin) const
{
    CRect r = rect;
    r.NormalizeRect();
    const qint64 left = FloorDiv(qint64(r.left) * m_nNum, m_nDen) - origin.x;
    const qint64 top = FloorDiv(qint64(r.top) * m_nNum, m_nDen) - origin.y;
    const qint64 right = CeilDiv(qint64(r.right) * m_nNum, m_nDen) - origin.x;
    const qint64 bottom = CeilDiv(qint64(r.bottom) * m_nNum, m_nDen) - origin.y;
    const auto hold = [](qint64 v) { return int(std::clamp<qint64>(v, -(1 << 24), 1 << 24)); };
    return QRect(QPoint(hold(left), hold(top)), QPoint(hold(right) - 1, hold(bottom) - 1));
}

QSize CZoomMapping::Zoomed(const CSize& size) const
{
    return QSize(int(CeilDiv(qint64(size.cx) * m_nNum, m_nDen)),
                 int(CeilDiv(qint64(size.cy) * m_nNum, m_nDen)));
}
