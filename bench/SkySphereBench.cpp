// An effect painted on a patch of a 4096 x 2048 sky sphere (sky:1) against the same effect
// dragged over a rectangle of a flat picture of the same size holding as many pixels as the
// patch's plane (sky:0): what painting through the plane touching the sphere and carrying
// the change back costs. The sky should stay within 1.5 times the flat. Real time: the
// software renderer draws on threads of its own.
#include "document/RenderJob.h"
#include "document/SkyPatch.h"
#include "document/SkyloomDoc.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

namespace {

const char* const kEffects[] = {"Nebula", "Moon", "Galaxy"};

void BM_EffectOnSky(benchmark::State& state)
{
    const QString effect = QLatin1String(kEffects[state.range(0)]);
    const bool bSky = state.range(1) == 1;
    if (!PrepareLitRender(state))
        return;
    constexpr int h = 2048, w = 2 * h;
    // A patch high in the northern sky, about 60 degrees across.
    const CRect patchRect(1200, 300, 1200 + 1368, 300 + 684);
    const CSkyPatch patch = CSkyPatch::FromRect(patchRect, CSize(w, h));
    const CRect flatRect(1000, 500, 1000 + patch.m_nPlaneWidth, 500 + patch.m_nPlaneHeight);
    CSkyloomDoc doc;
    if (!NewScenePicture(state, doc, w, h))
        return;
    doc.SetRecipe(bSky ? CRecipe::ForNewSky(h, 0) : CRecipe::ForNewPicture(CSize(w, h), 0));
    const auto tool = CreateTool(FindToolBySection(effect));
    // The session's first GL render compiles the shaders: paid before timing.
    SetRandomSeed(kInitialRandomSeed);
    RenderDrag(*tool, doc, CRect(0, 1000, 64, 1064), nullptr);
    const double cpuStart = ProcessCpuSeconds();
    for (auto _ : state) {
        SetRandomSeed(kInitialRandomSeed);
        g_nEffectSeed = 7;
        RenderDrag(*tool, doc, bSky ? patchRect : flatRect, nullptr);
    }
    state.counters["plane_px"] = double(patch.m_nPlaneWidth) * patch.m_nPlaneHeight;
    state.counters["process_cpu_ms"] = benchmark::Counter(
        (ProcessCpuSeconds() - cpuStart) * 1000, benchmark::Counter::kAvgIterations);
}

}

BENCHMARK(BM_EffectOnSky)
    ->ArgNames({"effect", "sky"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
