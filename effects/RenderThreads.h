// Renders spread their rows over the machine's cores. Every row is computed by exactly one
// thread with the same arithmetic it has on one thread, so the picture does not depend on
// how many threads there are or how the rows were shared out.
#pragma once

#include <QFuture>

#include <atomic>
#include <functional>
#include <vector>

// The threads a render uses, the calling thread among them: n (1 keeps the whole render on
// the calling thread), or one per core for 0 or less, the default.
void SetRenderThreads(int n);
int RenderThreads();

// Sets the thread count for its lifetime and puts the previous one back.
class CRenderThreadsScope
{
public:
    explicit CRenderThreadsScope(int n);
    ~CRenderThreadsScope();
    CRenderThreadsScope(const CRenderThreadsScope&) = delete;
    CRenderThreadsScope& operator=(const CRenderThreadsScope&) = delete;

private:
    int m_nPrevious;
};

// A share-out of rows to the render pool's threads and the calling thread. Start hands
// rows first..last-1 to helper threads, one row at a time in order; Finish takes the rows
// left over on the calling thread and returns when every row is done. Between the two the
// calling thread is free for work of its own that does not touch what the rows write (the
// planets send the previous rows to OpenGL meanwhile). Rows stop being handed out once
// g_bCancelRender is set, unless the team was made to ignore it. Only the thread that made
// the team may use it.
class CRowTeam
{
public:
    explicit CRowTeam(bool bStopsOnCancel = true);
    ~CRowTeam(); // finishes a share-out still running
    CRowTeam(const CRowTeam&) = delete;
    CRowTeam& operator=(const CRowTeam&) = delete;

    // Threads in all, the calling thread among them.
    int Threads() const { return m_nThreads; }
    void Start(int first, int last, std::function<void(int)> row);
    void Finish();

private:
    void TakeRows();

    int m_nThreads;
    bool m_bStopsOnCancel;
    std::function<void(int)> m_row;
    std::atomic<int> m_nNext{0};
    int m_nLast = 0;
    std::vector<QFuture<void>> m_helpers;
};

// Runs row(y) for every y in first..last-1 on RenderThreads() threads. With between, the
// rows go in batches of a few milliseconds of work, and between(nRowsDone) runs on the
// calling thread after each batch while no other thread works on the picture, so it may
// step a progress bar and pump events (a repaint then reads no pixel being written). On
// one thread between runs after every row. Without between all rows form one batch.
void ForEachRow(int first, int last, const std::function<void(int)>& row,
                const std::function<void(int)>& between = nullptr);

// Runs row(y) for every y in first..last-1 on RenderThreads() threads, whatever
// g_bCancelRender says: for work that is not a render and must not be left half done.
void ForEveryRow(int first, int last, const std::function<void(int)>& row);
