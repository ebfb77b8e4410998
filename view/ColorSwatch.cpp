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
}
