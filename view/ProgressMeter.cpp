#include "ProgressMeter.h"

#include <QCoreApplication>

#include <cstdint>

int g_bCancelRender = 0;

namespace {
CProgressDisplay* s_pDisplay = nullptr;
int s_nRunningMeters = 0;
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
    return bBar;
}

void CProgressMeter::Step(int nDone)
{
    if (!m_pDisplay || m_nTotal <= 0)
        return;
    m_pDisplay->SetBarPosition(static_cast<int>(int64_t(nDone) * 100 / m_nTotal));
}

void CProgressMeter::End()
{
    if (m_bRunning) {
        m_bRunning = FALSE;
        --s_nRunningMeters;
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
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}
