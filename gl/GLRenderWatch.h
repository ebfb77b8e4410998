// Lets the user watch an OpenGL render on the canvas, as the per-pixel effects are watched:
// what the drawing under way has changed is read back from the off-screen picture into the
// picture under render and handed to the progress meter, whose next pump shows it.
#pragma once

#include "document/WinTypes.h"

#include <QElapsedTimer>

class CGLDrawingArea;
class CProgressMeter;

// How often a watched render is read back: often enough to see it grow, seldom enough that
// the readings (each waits for the software renderer to catch up) cost it little. A reading
// that took long (a large picture's every row) puts the next one further off, up to the
// longest interval, so that the readings stay within about a twentieth of the render.
constexpr int kWatchIntervalMs = 400;
constexpr int kLongestWatchIntervalMs = 900;

class CGLRenderWatch
{
public:
    // area's Pixels() context is current while the watch is used; meter is begun. Nothing
    // is read back unless the progress display shows pictures. With bBatches the watch is
    // the one DrawPointsInBatches reports to while it lives.
    CGLRenderWatch(CGLDrawingArea& area, CProgressMeter& meter, bool bBatches = false);
    ~CGLRenderWatch();
    CGLRenderWatch(const CGLRenderWatch&) = delete;
    CGLRenderWatch& operator=(const CGLRenderWatch&) = delete;

    // The drawing since the last showing may have changed the area's rows [first, last)
    // (GL window rows, from the bottom).
    void Touched(int first, int last);
    // When the interval has passed since the last showing: reads the rows touched since
    // back into the picture and marks them painted for the next pump.
    void ShowWhenDue();

    // A batch of nPoints points went to GL in DrawPointsInBatches, the render threads at
    // rest. The watch installed with bBatches (if any) counts them on its meter, shows what
    // is due and pumps events when due, holding the GL binding meanwhile. FALSE when the
    // render is to stop (Escape); TRUE without a watch.
    static bool BatchDrawn(int nPoints);

private:
    CGLDrawingArea& m_area;
    CProgressMeter& m_meter;
    bool m_bOn;
    bool m_bBatches;
    QElapsedTimer m_clock;
    int m_nFirst;
    int m_nLast;
    int m_nPoints = 0;
    qint64 m_nIntervalMs = kWatchIntervalMs;
};
