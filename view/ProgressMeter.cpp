#include "ProgressMeter.h"

#include <QCoreApplication>

#include <cstdint>

int g_bCancelRender = 0;

namespace {
CProgressDisplay* s_pDisplay = nullptr;
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
    if (m_pDisplay || m_pFrameDisplay)
        End();
}

BOOL CProgressMeter::Begin(int nTotal)
{
    if (m_pDisplay || m_pFrameDisplay)
        End();
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
