#include "RenderThreads.h"

#include "ProgressMeter.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

int s_nRequested = 0;

// The pool the helpers run in, apart from Qt's global one so that a render never waits
// behind unrelated work. It grows when more threads are asked for than there are cores.
QThreadPool& RenderPool()
{
    static QThreadPool pool;
    return pool;
}

// A batch between two calls of ForEachRow's between: long enough that handing out the
// batch costs nothing worth measuring, short enough that events are pumped in good time.
constexpr qint64 kBatchNanoseconds = 8'000'000;

}

void SetRenderThreads(int n)
{
    s_nRequested = n;
}

int RenderThreads()
{
    return s_nRequested > 0 ? s_nRequested : std::max(QThread::idealThreadCount(), 1);
}

CRenderThreadsScope::CRenderThreadsScope(int n) : m_nPrevious(s_nRequested)
{
    SetRenderThreads(n);
}

CRenderThreadsScope::~CRenderThreadsScope()
{
    SetRenderThreads(m_nPrevious);
}

CRowTeam::CRowTeam(bool bStopsOnCancel)
    : m_nThreads(RenderThreads()), m_bStopsOnCancel(bStopsOnCancel)
{
    QThreadPool& pool = RenderPool();
    if (pool.maxThreadCount() < m_nThreads - 1)
        pool.setMaxThreadCount(m_nThreads - 1);
}

CRowTeam::~CRowTeam()
{
    Finish();
}

void CRowTeam::TakeRows()
{
    while (!m_bStopsOnCancel || !g_bCancelRender) {
        const int y = m_nNext.fetch_add(1, std::memory_order_relaxed);
        if (y >= m_nLast)
            return;
        m_row(y);
    }
}

void CRowTeam::Start(int first, int last, std::function<void(int)> row)
{
    Finish();
    m_row = std::move(row);
    m_nNext.store(first, std::memory_order_relaxed);
    m_nLast = last;
    const int helpers = std::min(m_nThreads - 1, last - first);
    for (int i = 0; i < helpers; ++i)
        m_helpers.push_back(QtConcurrent::run(&RenderPool(), [this] { TakeRows(); }));
}

void CRowTeam::Finish()
{
    if (!m_row)
        return;
    TakeRows();
    // A helper the pool has not started yet is run here; one that is running is waited for.
    for (QFuture<void>& helper : m_helpers)
        helper.waitForFinished();
    m_helpers.clear();
    m_row = nullptr;
}

void ForEachRow(int first, int last, const std::function<void(int)>& row,
                const std::function<void(int)>& between)
{
    if (first >= last)
        return;
    CRowTeam team;
    if (team.Threads() <= 1) {
        for (int y = first; y < last && !g_bCancelRender; ++y) {
            row(y);
            if (between)
                between(y + 1 - first);
        }
        return;
    }
    if (!between) {
        team.Start(first, last, row);
        team.Finish();
        return;
    }
    // Batches start at a row per thread and double while they take less than the batch
    // time, so a small render pumps early and a large one is not cut into slivers.
    int batch = team.Threads();
    QElapsedTimer timer;
    for (int y = first; y < last && !g_bCancelRender;) {
        const int end = last - y > batch ? y + batch : last;
        timer.start();
        team.Start(y, end, row);
        team.Finish();
        const qint64 took = timer.nsecsElapsed();
        if (g_bCancelRender)
            break;
        y = end;
        between(y - first);
        if (took < kBatchNanoseconds / 2)
            batch = batch < (1 << 20) ? batch * 2 : batch;
        else if (took > kBatchNanoseconds * 2)
            batch = std::max(batch / 2, team.Threads());
    }
}

void ForEveryRow(int first, int last, const std::function<void(int)>& row)
{
    if (first >= last)
        return;
    CRowTeam team(false);
    team.Start(first, last, row);
    team.Finish();
}
