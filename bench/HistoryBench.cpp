// The undo history's memory: ten whole-picture renders of an 8000 x 8000 picture under an
// undo memory of 1 GiB. The history drops its oldest steps before each new copy is made,
// so the process's peak is the picture, the undo memory and the program itself, however
// many renders there are. Run alone for a true peak:
//   skyloom_bench --benchmark_filter=History
#include "document/Settings.h"
#include "document/SkyloomDoc.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "document/RenderJob.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

namespace {

void BM_HistoryOfTenWholePictureRenders(benchmark::State& state)
{
    const int nOldMemory = g_nUndoMemory;
    g_nUndoMemory = 1024;
    const double startMiB = PeakResidentMiB();
    for (auto _ : state) {
        CDib dib;
        if (!dib.Create(8000, 8000)) {
            state.SkipWithError("no memory for the picture");
            break;
        }
        dib.Fill(0);
        CSkyloomDoc doc;
        doc.SetPicture(dib);
        // The Star Field: a whole-picture render that costs little besides its undo copy.
        const auto pStars = CreateTool(1);
        qint64 nMostHeld = 0;
        for (int i = 0; i < 10; ++i) {
            g_nEffectSeed = 1 + i;
            const CRenderJobResult result =
                RenderDrag(*pStars, doc, CRect(0, 0, 8000, 8000), nullptr);
            if (result.outcome != RENDER_DONE) {
                state.SkipWithError("a render did not finish");
                break;
            }
            nMostHeld = std::max(nMostHeld, doc.GetHistoryBytes());
        }
        const CDib& picture = doc.GetImage();
        state.counters["picture_MiB"] = double(picture.m_nStride) * picture.m_nHeight / 1048576.0;
        state.counters["history_MiB"] = double(nMostHeld) / 1048576.0;
        state.counters["steps_kept"] = doc.GetHistory().count();
    }
    state.counters["budget_MiB"] = g_nUndoMemory;
    state.counters["peak_rss_MiB"] = PeakResidentMiB();
    state.counters["rss_before_MiB"] = startMiB;
    g_nUndoMemory = nOldMemory;
}
BENCHMARK(BM_HistoryOfTenWholePictureRenders)->Iterations(1)->Unit(benchmark::kSecond);

}
