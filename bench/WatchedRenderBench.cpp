// An Earth over a 2048 x 2048 picture and a galaxy over a 4096 x 4096 one (a smaller galaxy
// draws its stars in less time than the watch waits between readings), as a drag renders
// them, with no progress display and with one that shows what is painted: the second reads
// the drawing back from the off-screen picture as it goes, and should cost at most a tenth
// more. The counter shown_per_s says how often the picture under render was shown.
#include "document/Settings.h"
#include "effects/EffectTools.h"
#include "effects/ProgressMeter.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

namespace {

// Stands in for the window's status bar and canvas.
class CWatchingDisplay : public CProgressDisplay
{
public:
    BOOL CreateBar() override { return TRUE; }
    void SetBarPosition(int) override {}
    void DestroyBar() override {}
    void ShowPainted(const CRect&) override { ++nShown; }
    bool ShowsPainted() const override { return true; }

    int nShown = 0;
};

// Arguments: the tool, the picture's side and whether the render is watched.
void BM_WatchedRender(benchmark::State& state)
{
    if (!PrepareLitRender(state))
        return;
    auto effect = CreateTool(static_cast<int>(state.range(0)));
    CWatchingDisplay display;
    if (state.range(2))
        SetProgressDisplay(&display);
    CWholePictureRender(*effect, static_cast<int>(state.range(1)), TRUE).Run(state);
    SetProgressDisplay(nullptr);
    state.counters["shown_per_s"] =
        benchmark::Counter(display.nShown, benchmark::Counter::kIsRate);
    state.SetLabel(effect->m_strSection.toStdString() + (state.range(2) ? ", watched" : ""));
}
BENCHMARK(BM_WatchedRender)
    ->ArgNames({"tool", "side", "watched"})
    ->ArgsProduct({{TOOL_EARTH}, {2048}, {0, 1}})
    ->ArgsProduct({{TOOL_GALAXY}, {4096}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}
