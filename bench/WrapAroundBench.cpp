// A scene painted over a 4096 x 4096 picture as drags make it (star field, a nebula past
// the right edge, gas past the bottom, a galaxy across the bottom-right corner and a moon
// across the left edge): on a plain picture (wrapped:0), where the parts past the edges
// are left out; wrapped (1), where they come back in; and, as the yardstick of what
// wrapping itself costs, plain with every effect moved wholly inside (2), so that it paints
// as many pixels as the wrapped scene. Wrapping repaints no pixel twice: 1 should stay
// within a tenth of 2. Real time: the software renderer draws on threads of its own.
#include "document/RenderJob.h"
#include "document/SkyloomDoc.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kSide = 4096;

struct CSceneStep
{
    const char* szEffect;
    CRect rect;   // across the edges
    CRect inside; // the same size, wholly inside
};

const CSceneStep kScene[] = {
    {"StarField", CRect(0, 0, kSide, kSide), CRect(0, 0, kSide, kSide)},
    {"Nebula", CRect(2600, 400, 5000, 2800), CRect(1600, 400, 4000, 2800)},
    {"Gas", CRect(600, 2400, 3000, 4800), CRect(600, 1600, 3000, 4000)},
    {"Galaxy", CRect(3300, 3300, 4900, 4900), CRect(2400, 2400, 4000, 4000)},
    {"Moon", CRect(-700, 1200, 700, 2600), CRect(100, 1200, 1500, 2600)},
};

void PaintScene(CSkyloomDoc& doc, bool bInside)
{
    for (const CSceneStep& step : kScene) {
        SetRandomSeed(kInitialRandomSeed);
        const auto tool = CreateTool(FindToolBySection(QString::fromLatin1(step.szEffect)));
        g_nEffectSeed = 7;
        RenderDrag(*tool, doc, bInside ? step.inside : step.rect, nullptr);
    }
}

void BM_SceneAt4096(benchmark::State& state)
{
    const bool bWrap = state.range(0) == 1;
    const bool bInside = state.range(0) == 2;
    LoadGLEntryPoints(TRUE);
    if (g_lightList.empty())
        CreateDefaultLight();
    CSkyloomDoc doc;
    if (!NewScenePicture(state, doc, kSide, kSide))
        return;
    doc.SetWrapAround(bWrap);
    // The session's first GL render compiles the shaders: paid before timing.
    {
        SetRandomSeed(kInitialRandomSeed);
        const auto moon = CreateTool(FindToolBySection(QStringLiteral("Moon")));
        RenderDrag(*moon, doc, CRect(0, 0, 64, 64), nullptr);
    }
    const double cpuStart = ProcessCpuSeconds();
    for (auto _ : state) {
        state.PauseTiming();
        doc.GetImage().Fill(0x000010);
        state.ResumeTiming();
        PaintScene(doc, bInside);
    }
    state.counters["process_cpu_ms"] = benchmark::Counter(
        (ProcessCpuSeconds() - cpuStart) * 1000, benchmark::Counter::kAvgIterations);
}

}

BENCHMARK(BM_SceneAt4096)
    ->ArgName("wrapped")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
