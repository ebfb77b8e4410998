#include "PicturePyramid.h"

#include "Dib.h"
#include "../effects/RenderThreads.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The mean of four pixels' channels, rounded, as an opaque RGB32 pixel. Each argument is
// 0x00RRGGBB or 0xFFRRGGBB; the alpha byte is ignored.
inline QRgb Mean4(QRgb a, QRgb b, QRgb c, QRgb d)
{
    const QRgb rb = ((a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF) +
                     0x020002) >> 2;
    const QRgb g = ((a & 0xFF00) + (b & 0xFF00) + (c & 0xFF00) + (d & 0xFF00) + 0x200) >> 2;
    return 0xFF000000u | (rb & 0xFF00FF) | (g & 0xFF00);
}

inline QRgb PixelOf(const BYTE* p)
{
    return QRgb(p[0]) | QRgb(p[1]) << 8 | QRgb(p[2]) << 16;
}

// rect of a level, halved onto the next one: every pixel of the next level that reads a
// pixel of rect.
CRect Halved(const CRect& rect)
{
    return CRect(rect.left >> 1, rect.top >> 1, (rect.right + 1) >> 1, (rect.bottom + 1) >> 1);
}

// Row y of a level, for writing from several threads at once (no detaching).
inline QRgb* LevelRow(uchar* pBits, const QImage& level, int y)
{
    return reinterpret_cast<QRgb*>(pBits + size_t(y) * level.bytesPerLine());
}

// Level 1 over area (its own coordinates) from the picture's rows (bottom-up). The rows are
// shared out over the render threads: each writes its own row only.
void HalvePicture(const CDib& dib, QImage& level, const CRect& area)
{
    const int w = dib.m_nWidth, h = dib.m_nHeight;
    uchar* pBits = level.bits();
    ForEveryRow(area.top, area.bottom, [&](int y) {
        const int top = 2 * y, bottom = std::min(2 * y + 1, h - 1);
        const BYTE* r0 = dib.m_pBits + size_t(h - 1 - top) * dib.m_nStride;
        const BYTE* r1 = dib.m_pBits + size_t(h - 1 - bottom) * dib.m_nStride;
        QRgb* out = LevelRow(pBits, level, y);
        for (int x = area.left; x < area.right; ++x) {
            const int left = 6 * x, right = 3 * std::min(2 * x + 1, w - 1);
            out[x] = Mean4(PixelOf(r0 + left), PixelOf(r0 + right), PixelOf(r1 + left),
                           PixelOf(r1 + right));
        }
    });
}

// Level n + 1 over area from level n.
void HalveLevel(const QImage& from, QImage& level, const CRect& area)
{
    const int w = from.width(), h = from.height();
    uchar* pBits = level.bits();
    ForEveryRow(area.top, area.bottom, [&](int y) {
        const QRgb* r0 = reinterpret_cast<const QRgb*>(from.constScanLine(2 * y));
        const QRgb* r1 =
            reinterpret_cast<const QRgb*>(from.constScanLine(std::min(2 * y + 1, h - 1)));
        QRgb* out = LevelRow(pBits, level, y);
        for (int x = area.left; x < area.right; ++x) {
            const int left = 2 * x, right = std::min(2 * x + 1, w - 1);
            out[x] = Mean4(r0[left], r0[right], r1[left], r1[right]);
        }
    });
}

}

void CPicturePyramid::Reset()
{
    m_levels.clear();
    m_rectDirty.SetRectEmpty();
}

void CPicturePyramid::MarkChanged(const CRect& rect)
{
    if (m_levels.empty())
        return; // everything is built at the first Refresh anyway
    CRect r = rect;
    r.NormalizeRect();
    m_rectDirty.UnionRect(CRect(m_rectDirty), r);
}

const QImage* CPicturePyramid::Level(int n) const
{
    return n >= 1 && n <= int(m_levels.size()) ? &m_levels[n - 1] : nullptr;
}

int CPicturePyramid::LevelForZoom(double dZoom)
{
    int n = 0;
    while (n < kLevels && dZoom <= std::ldexp(1.0, -(n + 1)))
        ++n;
    return n;
}

void CPicturePyramid::Refresh(const CDib& dib)
{
    if (!dib.m_pBits || dib.m_nWidth <= 0 || dib.m_nHeight <= 0) {
        Reset();
        return;
    }
    CRect area;
    if (m_levels.empty()) {
        int w = dib.m_nWidth, h = dib.m_nHeight;
        for (int n = 0; n < kLevels; ++n) {
            w = (w + 1) / 2;
            h = (h + 1) / 2;
            m_levels.emplace_back(w, h, QImage::Format_RGB32);
            if (m_levels.back().isNull()) {
                m_levels.clear(); // no memory: the canvas reduces the picture itself
                return;
            }
        }
        area = CRect(0, 0, dib.m_nWidth, dib.m_nHeight);
    } else {
        area.IntersectRect(m_rectDirty, CRect(0, 0, dib.m_nWidth, dib.m_nHeight));
    }
    m_rectDirty.SetRectEmpty();
    if (area.IsRectEmpty())
        return;
    for (int n = 0; n < kLevels; ++n) {
        QImage& level = m_levels[n];
        area = Halved(area);
        area.IntersectRect(CRect(area), CRect(0, 0, level.width(), level.height()));
        if (n == 0)
            HalvePicture(dib, level, area);
        else
            HalveLevel(m_levels[n - 1], level, area);
    }
}

void CPicturePyramid::Paint(QPainter* pPainter, const CDib& dib, double dZoom,
                            const CPoint& scroll, const QRect& exposed)
{
    if (dZoom < 1)
        Refresh(dib);
    const int n = dZoom >= 1 || m_levels.empty() ? 0 : LevelForZoom(dZoom);
    // A level is reduced by at most half again, smoothly; only the picture is enlarged.
    const double scale = std::ldexp(dZoom, n);
    const int width = n ? m_levels[n - 1].width() : dib.m_nWidth;
    const int height = n ? m_levels[n - 1].height() : dib.m_nHeight;
    // The level's pixels under the exposed area, one more on each side for the filter.
    CRect src(int(std::floor((exposed.left() + scroll.x) / scale)) - 1,
              int(std::floor((exposed.top() + scroll.y) / scale)) - 1,
              int(std::ceil((exposed.right() + 1 + scroll.x) / scale)) + 1,
              int(std::ceil((exposed.bottom() + 1 + scroll.y) / scale)) + 1);
    if (!src.IntersectRect(CRect(src), CRect(0, 0, width, height)))
        return;
    pPainter->save();
    pPainter->setClipRect(exposed);
    pPainter->setRenderHint(QPainter::SmoothPixmapTransform, scale < 1.0);
    pPainter->translate(-scroll.x, -scroll.y);
    pPainter->scale(scale, scale);
    if (n == 0)
        dib.Draw(pPainter, &src, &src);
    else
        pPainter->drawImage(QPointF(src.left, src.top), m_levels[n - 1],
                            QRectF(src.left, src.top, src.Width(), src.Height()));
    pPainter->restore();
}
