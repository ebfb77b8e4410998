#include "GLDrawingArea.h"

#include "GLContext.h"
#include "document/WrapAround.h"

#include <algorithm>

CRect CGLDrawingArea::DrawnPart(const CDib& image, const CRect& rows)
{
    const int w = image.m_nWidth, h = image.m_nHeight;
    if (rows.left >= -w && rows.top >= -h && rows.right <= 2 * w && rows.bottom <= 2 * h)
        return rows;
    CRect inside = rows;
    image.ClipRect(inside);
    return inside;
}

namespace {

// Copies the w pixels from (x, y) of the area's rows to or from the picture, whose columns
// repeat: a run is split where it crosses the picture's right edge.
void CopyWrappedRow(CDib& picture, int x, int y, CDib& area, int areaY, int w, bool bToPicture)
{
    const int row = WrapCoordinate(y, picture.m_nHeight);
    int done = 0;
    while (done < w) {
        const int px = WrapCoordinate(x + done, picture.m_nWidth);
        const int run = std::min(w - done, picture.m_nWidth - px);
        BYTE* pPicture = picture.PixelAddress(px, row);
        BYTE* pArea = area.PixelAddress(done, areaY);
        if (bToPicture)
            std::copy(pArea, pArea + 3 * run, pPicture);
        else
            std::copy(pPicture, pPicture + 3 * run, pArea);
        done += run;
    }
}

}

BOOL CGLDrawingArea::Create(CDib& image, const CRect& rows, bool bWrapAround)
{
    m_pImage = &image;
    m_rows = rows;
    // Inside the picture there is nothing to bring back in.
    m_bWrap = bWrapAround && image.m_nWidth > 0 && image.m_nHeight > 0 &&
              (rows.left < 0 || rows.top < 0 || rows.right > image.m_nWidth ||
               rows.bottom > image.m_nHeight);
    m_bCopy = m_bWrap || !m_pixels.CreateView(image, rows);
    return !m_bCopy || m_pixels.Create(rows.Width(), rows.Height());
}

void CGLDrawingArea::PasteBackground(const CDib& background)
{
    if (m_bWrap) {
        for (int i = 0; i < m_rows.Height(); ++i)
            CopyWrappedRow(*m_pImage, m_rows.left, m_rows.top + i, m_pixels, i, m_rows.Width(),
                           false);
        return;
    }
    CRect inside = m_rows;
    m_pImage->ClipRect(inside);
    const CSize size = background.GetSize();
    CRect place(0, 0, m_rows.Width(), m_rows.Height());
    if (!inside.IsRectEmpty() && size.cx == inside.Width() && size.cy == inside.Height()) {
        place = inside;
        place.OffsetRect(-m_rows.left, -m_rows.top);
    }
    m_pixels.Paste(background, place, TRUE, 0, 0);
}

CRect CGLDrawingArea::VisiblePart() const
{
    CRect visible(0, 0, m_rows.Width(), m_rows.Height());
    if (!m_bWrap) {
        visible.IntersectRect(m_rows, CRect(0, 0, m_pImage->m_nWidth, m_pImage->m_nHeight));
        visible.OffsetRect(-m_rows.left, -m_rows.top);
    }
    return visible;
}

void CGLDrawingArea::Finish()
{
    if (m_bWrap) {
        for (int i = 0; i < m_rows.Height(); ++i)
            CopyWrappedRow(*m_pImage, m_rows.left, m_rows.top + i, m_pixels, i, m_rows.Width(),
                           true);
    } else if (m_bCopy) {
        m_pImage->Paste(m_pixels, m_rows, TRUE, 0, 0);
    }
}

CRect CGLDrawingArea::Reveal(int first, int last)
{
    CGLOffscreenContext* pContext = m_pixels.GetGLContext();
    CRect shown(m_rows.left, m_rows.top + std::max(first, 0), m_rows.right,
                m_rows.top + std::min(last, m_rows.Height()));
    m_pImage->ClipRect(shown);
    if (!pContext || !pContext->IsCurrent() || shown.IsRectEmpty())
        return CRect();
    pContext->ReadRows(shown.top - m_rows.top, shown.bottom - m_rows.top);
    // A view's rows are the picture's own; a copy's part inside goes over.
    if (m_bCopy)
        m_pImage->CopyRect(shown.left, shown.top, shown.Width(), shown.Height(), m_pixels,
                           shown.left - m_rows.left, shown.top - m_rows.top);
    return shown;
}
