#include "ProgressMeter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdint>

std::atomic<int> g_bCancelRender{0};

namespace {
CProgressDisplay* s_pDisplay = nullptr;
int s_nRunningMeters = 0;

// The state of PumpPendingMessagesWhenDue. Calls between two readings of the clock are
// doubled while the readings come less than a millisecond apart, halved while they come
// more than four apart. A render pumps at its first work unit, so that what waits for it
// (a repaint, the Escape key) is seen even when it is short.
int s_nStride = 1;
int s_nCalls = 0;
QElapsedTimer s_clock;
qint64 s_nLastReading = 0;
qint64 s_nLastPump = 0;
bool s_bPumpAtOnce = true;

// What running renders painted since the last pump (row coordinates).
CRect s_rectPainted;

// Hands the display what was painted since the last pump, so that the pump's repaint
// shows it.
void FlushPainted()
{
    if (s_rectPainted.IsRectEmpty())
        return;
    const CRect painted = s_rectPainted;
    s_rectPainted.SetRectEmpty();
    if (s_pDisplay)
        s_pDisplay->ShowPainted(painted);
}
}

BOOL IsRenderRunning()
{
    return s_nRunningMeters > 0;
}

void SetProgressDisplay(CProgressDisplay* pDisplay)
{
    s_pDisplay = pDisplay;
}

CProgressDisplay* GetProgressDisplay()
{
    return s_pDisplay;
}

CProgressMeter::~CProgressMeter()
{
    // A render left by an exception must not leave the bar up or the frame disabled.
    if (m_bRunning)
        End();
}

BOOL CProgressMeter::Begin(int nTotal)
{
    if (m_bRunning)
        End();
    m_bRunning = TRUE;
    ++s_nRunningMeters;
    m_nTotal = nTotal;
    CProgressDisplay* pDisplay = s_pDisplay;
    BOOL bBar = FALSE;
    if (pDisplay && pDisplay->CreateBar()) {
        m_pDisplay = pDisplay;
        bBar = TRUE;
    }
    // Without a bar the render still runs as a canvas render: the frame is disabled and a
    // stale cancel request from an earlier render must not stop this one.
    if (pDisplay) {
        m_pFrameDisplay = pDisplay;
        pDisplay->EnableFrame(FALSE);
    }
    g_bCancelRender = 0;
    s_bPumpAtOnce = true;
    return bBar;
}

void CProgressMeter::Step(int nDone)
{
    if (!m_pDisplay || m_nTotal <= 0)
        return;
    m_pDisplay->SetBarPosition(static_cast<int>(int64_t(nDone) * 100 / m_nTotal));
}

void CProgressMeter::Painted(const CRect& rectRows)
{
    if (m_bRunning)
        s_rectPainted.UnionRect(CRect(s_rectPainted), rectRows);
}

void CProgressMeter::End()
{
    if (m_bRunning) {
        m_bRunning = FALSE;
        if (--s_nRunningMeters == 0)
            s_rectPainted.SetRectEmpty(); // the caller repaints the whole area itself
    }
    if (m_pDisplay) {
        m_pDisplay->DestroyBar();
        m_pDisplay = nullptr;
    }
    if (m_pFrameDisplay) {
        m_pFrameDisplay->EnableFrame(TRUE);
        m_pFrameDisplay = nullptr;
    }
}

void PumpPendingMessages()
{
    FlushPainted();
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void PumpPendingMessagesWhenDue()
{
    if (IsPumpDue())
        PumpPendingMessages();
}

BOOL IsPumpDue()
{
    if (!s_bPumpAtOnce && ++s_nCalls < s_nStride)
        return FALSE;
    s_nCalls = 0;
    if (!s_clock.isValid())
        s_clock.start();
    const qint64 now = s_clock.nsecsElapsed();
    if (s_bPumpAtOnce) {
        s_bPumpAtOnce = false;
        s_nLastReading = s_nLastPump = now;
        return TRUE;
    }
    const qint64 gap = now - s_nLastReading;
    s_nLastReading = now;
    if (gap < 1'000'000 && s_nStride < 4096)
        s_nStride *= 2;
    else if (gap > 4'000'000 && s_nStride > 1)
        s_nStride /= 2;
    if (now - s_nLastPump < kPumpIntervalMs * qint64(1'000'000))
        return FALSE;
    s_nLastPump = now;
    return TRUE;
}
