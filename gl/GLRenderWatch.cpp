#include "GLRenderWatch.h"

#include "GLContext.h"
#include "GLDrawingArea.h"
#include "effects/ProgressMeter.h"

#include <algorithm>
#include <climits>

namespace {
CGLRenderWatch* s_pBatchWatch = nullptr;
}

CGLRenderWatch::CGLRenderWatch(CGLDrawingArea& area, CProgressMeter& meter, bool bBatches)
    : m_area(area), m_meter(meter), m_bBatches(bBatches), m_nFirst(INT_MAX), m_nLast(INT_MIN)
{
    const CProgressDisplay* pDisplay = GetProgressDisplay();
    m_bOn = pDisplay && pDisplay->ShowsPainted();
    m_clock.start();
    if (m_bBatches)
        s_pBatchWatch = this;
}

CGLRenderWatch::~CGLRenderWatch()
{
    if (m_bBatches && s_pBatchWatch == this)
        s_pBatchWatch = nullptr;
}

void CGLRenderWatch::Touched(int first, int last)
{
    m_nFirst = std::min(m_nFirst, first);
    m_nLast = std::max(m_nLast, last);
}

void CGLRenderWatch::ShowWhenDue()
{
    if (!m_bOn || m_nFirst >= m_nLast || m_clock.elapsed() < m_nIntervalMs)
        return;
    m_clock.restart();
    const CRect shown = m_area.Reveal(m_nFirst, m_nLast);
    if (!shown.IsRectEmpty())
        m_meter.Painted(shown);
    m_nFirst = INT_MAX;
    m_nLast = INT_MIN;
    m_nIntervalMs = std::clamp<qint64>(20 * m_clock.elapsed(), kWatchIntervalMs,
                                       kLongestWatchIntervalMs);
}

bool CGLRenderWatch::BatchDrawn(int nPoints)
{
    CGLRenderWatch* pWatch = s_pBatchWatch;
    if (!pWatch)
        return true;
    pWatch->m_nPoints += nPoints;
    pWatch->m_meter.Step(pWatch->m_nPoints);
    // Points land anywhere in the area.
    pWatch->Touched(0, INT_MAX);
    if (IsPumpDue()) {
        pWatch->ShowWhenDue();
        // The drawing's state stays set only while no preview takes the binding.
        const CGLContextHold hold;
        PumpPendingMessages();
    }
    return !g_bCancelRender;
}
