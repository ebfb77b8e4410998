// What the canvas makes of the pointer, the wheel and the keys, apart from painting: the
// grip on an edited step's rectangle, scrolling by a drag past the edge, and which events
// wait while a render runs. The canvas's handlers of these gestures (mouse, wheel, keys,
// context menu) are in SkyloomViewGestures.cpp.
#pragma once

#include "../document/WinTypes.h"

#include <QEvent>
#include <QPoint>
#include <QRect>
#include <QSize>

// A press and drag on the rectangle of a step being edited: its edges, its corners or, from
// inside, all of it follow the pointer (picture pixels).
class CStepRectGrip
{
public:
    // A press at pt on rect at zoom dZoom takes hold of the edges within a few screen
    // pixels, else of all of it from inside, else of nothing.
    void Take(const CPoint& pt, const CRect& rect, double dZoom);
    void Release() { m_nGrip = 0; }
    bool IsHeld() const { return m_nGrip != 0; }
    // rect with what is held moved as far as the pointer moved since, to pt. False, with
    // rect as it was, where an edge dragged past its opposite would leave less than a pixel.
    bool Drag(const CPoint& pt, CRect& rect);

private:
    // What a press took hold of: bits 1 left, 2 top, 4 right, 8 bottom; 15 all of it.
    int m_nGrip = 0;
    CPoint m_ptLast;
};

// A drag that leaves the viewport client at p scrolls a canvas of size canvas by as far as
// p lies outside: the new scroll position in pos. False, with pos unchanged, when the
// canvas fits the viewport or p lies inside.
bool AutoScrollPosition(const QPoint& p, const QRect& client, const QSize& canvas,
                        CPoint& pos);

// Whether an event of this type is a gesture the canvas refuses while a render pumps
// events: the picture is busy.
bool IsGestureEvent(QEvent::Type type);
