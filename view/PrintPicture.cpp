#include "PrintPicture.h"

#include "../document/Dib.h"

#include <QPainter>
#include <QPrinter>

void PrintPicture(const CDib& dib, QPrinter* pPrinter)
{
    QPainter painter(pPrinter);
    if (!painter.isActive())
        return;
    const QRect page = painter.viewport();
    QSize size(dib.m_nWidth, dib.m_nHeight);
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(0, 0, dib.m_nWidth, dib.m_nHeight);
    dib.Draw(&painter);
}
