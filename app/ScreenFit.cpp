#include "ScreenFit.h"

QSize FittedWindowSize(const CScreenFit& fit)
{
    const QSize room = fit.available.size() - fit.decoration;
    QSize wanted = fit.picture + fit.extra;
    // A side cut short by the screen gets a scroll bar, which the other side makes room for.
    const bool bCutWidth = wanted.width() > room.width();
    const bool bCutHeight = wanted.height() > room.height();
    if (bCutWidth)
        wanted.rheight() += fit.nScrollBar;
    if (bCutHeight)
        wanted.rwidth() += fit.nScrollBar;
    if (!bCutWidth && wanted.width() > room.width())
        wanted.rheight() += fit.nScrollBar;
    // After the first fit the window keeps its size and only grows.
    if (fit.bFitted)
        wanted = wanted.expandedTo(fit.current);
    return wanted.boundedTo(room).expandedTo(fit.minimum).boundedTo(room);
}

QPoint KeptOnScreen(QRect frame, const QRect& available)
{
    // Both the title bar and the status bar stay reachable.
    if (frame.right() > available.right())
        frame.moveRight(available.right());
    if (frame.bottom() > available.bottom())
        frame.moveBottom(available.bottom());
    if (frame.left() < available.left())
        frame.moveLeft(available.left());
    if (frame.top() < available.top())
        frame.moveTop(available.top());
    return frame.topLeft();
}
