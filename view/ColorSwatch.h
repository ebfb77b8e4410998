// A plain rectangle of one colour, shown beside a colour's "Select..." button.
#pragma once

#include "../document/WinTypes.h"

#include <QWidget>

class CColorSwatch : public QWidget
{
    Q_OBJECT
public:
    explicit CColorSwatch(QWidget* pParent = nullptr);

    // Stores the colour and repaints.
    void SetColor(COLORREF color);
    COLORREF GetColor() const { return m_color; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    COLORREF m_color = RGB(255, 0, 0);
};
