// What keeps a render on the user-interface thread visible and stoppable: a progress bar,
// a message pump between work units and a process-wide cancel flag.
#pragma once

#include "../document/WinTypes.h"

#include <atomic>

// 1 while the current render is to stop: set by the Escape key, cleared by
// CProgressMeter::Begin. Renders test it before every work unit, on every thread that
// works for them, so it is atomic.
extern std::atomic<int> g_bCancelRender;

// Where the host program shows a render's progress: the main window's status bar, a
// terminal bar in the command-line renderer, a recording display in tests.
class CProgressDisplay
{
public:
    virtual ~CProgressDisplay() = default;
    // Shows a bar with the range 0..100 at position 0; FALSE when it cannot be created.
    virtual BOOL CreateBar() = 0;
    // Position in percent.
    virtual void SetBarPosition(int nPercent) = 0;
    virtual void DestroyBar() = 0;
    // Disabled between Begin and End so that no second gesture can start; enabling
    // also hands the keyboard focus back.
    virtual void EnableFrame(BOOL bEnable) { (void)bEnable; }
    // At a pump: the render has painted rectRows (row coordinates of the picture under
    // render) since the last pump; a canvas shows that part now.
    virtual void ShowPainted(const CRect& rectRows) { (void)rectRows; }
    // Whether ShowPainted shows anything: renders that must read their pixels back to show
    // them (OpenGL) do so only then.
    virtual bool ShowsPainted() const { return false; }
};

// Installs the display every CProgressMeter uses (null: none). The caller keeps ownership.
void SetProgressDisplay(CProgressDisplay* pDisplay);
CProgressDisplay* GetProgressDisplay();

class CProgressMeter
{
public:
    CProgressMeter() = default;
    ~CProgressMeter();
    CProgressMeter(const CProgressMeter&) = delete;
    CProgressMeter& operator=(const CProgressMeter&) = delete;

    // Starts a render of nTotal work units: shows the bar, disables the frame and clears
    // g_bCancelRender. Returns FALSE when there is no bar; the render goes on without it.
    BOOL Begin(int nTotal);
    // Moves the bar to nDone * 100 / total percent (truncated).
    void Step(int nDone);
    // Removes the bar and enables the frame again.
    void End();
    // The render has finished painting rectRows (row coordinates) of its picture: the
    // display is told at the next pump, together with all else painted until then.
    void Painted(const CRect& rectRows);

    BOOL HasBar() const { return m_pDisplay != nullptr; }

private:
    int m_nTotal = 0;
    // The display whose bar this meter created; null while idle or without a bar.
    CProgressDisplay* m_pDisplay = nullptr;
    // The display whose frame this meter disabled.
    CProgressDisplay* m_pFrameDisplay = nullptr;
    // Between Begin and End.
    BOOL m_bRunning = FALSE;
};

// TRUE while some CProgressMeter is between Begin and End: a canvas render is running and
// may have a preview render nested inside it through the message pump. A preview may clear
// a stale g_bCancelRender before it renders only when this is FALSE, so that an Escape
// meant for the running canvas render is not lost.
BOOL IsRenderRunning();

// Dispatches every event waiting for this thread (repaints, timers, the Escape key), then
// returns. Does nothing where no application object exists. User-interface thread only.
void PumpPendingMessages();

// The pump renders call after every work unit: it pumps only when kPumpIntervalMs have
// passed since it last did, so that a render of many small units does not spend its time
// dispatching an empty queue. The clock itself is read every so many calls, fewer the
// cheaper the units are. User-interface thread only.
constexpr int kPumpIntervalMs = 25;
void PumpPendingMessagesWhenDue();
// The test of PumpPendingMessagesWhenDue alone: TRUE when it would pump now, and from then
// on counted as pumped. For a render that must first bring its other threads to rest.
BOOL IsPumpDue();
