// Fitting the main window to a picture on the screen: the size at which the canvas shows
// the picture whole where the screen allows, and a place that keeps the window on it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

struct CScreenFit
{
    QSize picture;      // what the canvas's viewport should show whole
    // What the window adds around the canvas's viewport (menus, toolbar, status bar, the
    // canvas's frame), measured without scroll bars.
    QSize extra;
    QSize decoration;   // what the window manager adds around the window: title bar, borders
    QRect available;    // the screen's available area
    int nScrollBar = 0; // the width of a scroll bar
    QSize current;      // the window's size now
    bool bFitted = false; // fitted before: the window then keeps its size or grows
    QSize minimum;      // the least the window may be: its layout's, and its bars' width
};

// The window's size for fit: the picture with what the window adds, a scroll bar where a
// side is cut short by the screen, never past the screen nor below the minimum.
QSize FittedWindowSize(const CScreenFit& fit);

// Where a window of frame (title bar and borders included) goes so that it lies on the
// available area, moved as little as it takes; its top-left corner wins where both cannot.
QPoint KeptOnScreen(QRect frame, const QRect& available);
