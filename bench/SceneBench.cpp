// A step of a painted scene changed: only that step and the later ones are painted again,
// the picture before it coming back from the history. Each case paints a 12-step 1920 x
// 1080 scene once, then times either a change of step 2 (or of the last step) or the same
// steps painted by skyloom-render's path; the ratio of each pair is the cost of the change
// over the steps themselves:
//   skyloom_bench --benchmark_filter=Scene
#include "document/RenderJob.h"
#include "document/SceneRepaint.h"
#include "document/SkyloomDoc.h"
#include "effects/Effect.h"
#include "effects/EffectTools.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Twelve steps of the two-dimensional effects, of many sizes, over the picture.
const struct
{
    const char* szSection;
    CRect rect;
} kScene[] = {
    {"StarField", CRect(0, 0, 1920, 1080)},   {"Nebula", CRect(200, 100, 1100, 800)},
    {"Star", CRect(900, 300, 1300, 700)},     {"Vortex", CRect(1200, 500, 1800, 1000)},
    {"Gas", CRect(100, 500, 900, 1050)},      {"Cluster", CRect(1400, 100, 1800, 450)},
    {"Nebula", CRect(700, 600, 1500, 1080)},  {"Star", CRect(300, 200, 500, 400)},
    {"Lens Flare", CRect(1500, 50, 1900, 450)}, {"Gas", CRect(1000, 0, 1900, 600)},
    {"Vortex", CRect(50, 50, 450, 450)},      {"Star", CRect(1600, 800, 1800, 1000)},
};
constexpr int kSteps = int(sizeof(kScene) / sizeof(kScene[0]));

// Paints step n of the scene into doc as skyloom-render does: the tool made as the view
// makes it, its values, the seed, then the drag's render job.
bool PaintStep(CSkyloomDoc& doc, int n, DWORD nSeed)
{
    const auto pTool =
        CreateToolAsTheViewDoes(FindToolBySection(QLatin1String(kScene[n].szSection)));
    if (!pTool)
        return false;
    g_nEffectSeed = nSeed;
    return RenderDrag(*pTool, doc, kScene[n].rect, nullptr).outcome == RENDER_DONE;
}

std::unique_ptr<CSkyloomDoc> NewScene(bool bKeepHistory)
{
    auto pDoc = std::make_unique<CSkyloomDoc>();
    CDib dib;
    if (!dib.Create(1920, 1080))
        return nullptr;
    dib.Fill(0x000010);
    pDoc->SetPicture(dib);
    pDoc->SetRecipe(CRecipe::ForNewPicture(CSize(1920, 1080), 0x000010));
    pDoc->SetKeepHistory(bKeepHistory);
    return pDoc;
}

// Step nStep (0 the first) of a painted scene, given a new seed and painted again with
// every later step; undone between runs, untimed.
void EditScene(benchmark::State& state, int nStep)
{
    const auto pDoc = NewScene(true);
    for (int n = 0; pDoc && n < kSteps; ++n) {
        if (!PaintStep(*pDoc, n, 100 + n)) {
            state.SkipWithError("a step did not paint");
            return;
        }
    }
    CRecipeStep edited = pDoc->GetStep(nStep).recipe;
    edited.nSeed += 1;
    for (auto _ : state) {
        if (EditSceneStep(*pDoc, nStep, edited) != RENDER_DONE) {
            state.SkipWithError("the edit did not paint");
            break;
        }
        state.PauseTiming();
        pDoc->Undo();
        state.ResumeTiming();
    }
}

// Steps nFrom onward painted by skyloom-render's path over the picture before them.
void PaintSteps(benchmark::State& state, int nFrom)
{
    const auto pDoc = NewScene(false);
    for (int n = 0; pDoc && n < nFrom; ++n)
        PaintStep(*pDoc, n, 100 + n);
    if (!pDoc)
        return;
    const std::unique_ptr<CDib> pBefore(pDoc->GetImage().Extract(CRect(0, 0, 1920, 1080)));
    for (auto _ : state) {
        for (int n = nFrom; n < kSteps; ++n) {
            if (!PaintStep(*pDoc, n, 101 + n)) {
                state.SkipWithError("a step did not paint");
                break;
            }
        }
        state.PauseTiming();
        pDoc->GetImage().CopyRect(0, 0, 1920, 1080, *pBefore, 0, 0);
        state.ResumeTiming();
    }
}

void BM_SceneEditStep2(benchmark::State& state)
{
    EditScene(state, 1);
}
void BM_ScenePaintSteps2To12(benchmark::State& state)
{
    PaintSteps(state, 1);
}
void BM_SceneEditLastStep(benchmark::State& state)
{
    EditScene(state, kSteps - 1);
}
void BM_ScenePaintLastStep(benchmark::State& state)
{
    PaintSteps(state, kSteps - 1);
}
BENCHMARK(BM_SceneEditStep2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScenePaintSteps2To12)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SceneEditLastStep)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScenePaintLastStep)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}
