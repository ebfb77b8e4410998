#include "ColorSwatch.h"

#include <QPainter>

CColorSwatch::CColorSwatch(QWidget* pParent) : QWidget(pParent)
{
    setMinimumSize(24, 16);
}

void CColorSwatch::SetColor(COLORREF color)
{
    m_color = color;
    update();
}

QSize CColorSwatch::sizeHint() const
{
    return QSize(48, 24);
}

void CColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(GetRValue(m_color), GetGValue(m_color), GetBValue(m_color)));
    // An outline, so that a colour close to the dialog's own (white, light grey) still shows.
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
