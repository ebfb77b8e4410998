#include "GLDrawingArea.h"

#include "GLContext.h"

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

BOOL CGLDrawingArea::Create(CDib& image, const CRect& rows)
{
    m_pImage = &image;
    m_rows = rows;
    m_bCopy = !m_pixels.CreateView(image, rows);
    return !m_bCopy || m_pixels.Create(rows.Width(), rows.Height());
}

void CGLDrawingArea::PasteBackground(const CDib& background)
{
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

void CGLDrawingArea::Finish()
{
    if (m_bCopy)
        m_pImage->Paste(m_pixels, m_rows, TRUE, 0, 0);
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
