// Each planet on a 512 x 512 rectangle, whole (surface, GL points and the copy in and out
// of the off-screen picture) and the surface colours alone for the same grid points, so
// the difference is what the drawing adds.
#include "app/Settings.h"
#include "document/Dib.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"
#include "gl/PlanetEffect.h"
#include "gl/PlanetGrid.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kSide = 512;

void BM_PlanetRender(benchmark::State& state)
{
    if (!LoadGLEntryPoints(TRUE)) {
        state.SkipWithError("no OpenGL");
        return;
    }
    ResetSettings();
    if (g_lightList.empty())
        CreateDefaultLight();
    auto effect = CreateTool(static_cast<int>(state.range(0)));
    CDib dib;
    dib.Create(kSide, kSide);
    dib.Fill(0x000010);
    std::unique_ptr<CDib> undo(dib.Extract(CRect(0, 0, kSide, kSide)));
    for (auto _ : state) {
        SetRandomSeed(1);
        effect->PrepareRender();
        effect->Render(dib, CRect(0, 0, kSide, kSide), undo.get(), FALSE);
    }
    state.SetLabel(effect->m_strSection.toStdString());
}
// The software renderer draws on threads of its own: real time is what the user waits.
BENCHMARK(BM_PlanetRender)->Arg(9)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlanetColours(benchmark::State& state)
{
    auto effect = CreateTool(static_cast<int>(state.range(0)));
    CSurfaceModel& model = static_cast<CPlanetEffect&>(*effect).GetSurface();
    const CPlanetGrid grid(kSide, kSide);
    SetRandomSeed(1);
    model.PrepareRender();
    int sum = 0;
    int64_t points = 0;
    for (auto _ : state) {
        WalkPlanetSphere(
            grid,
            [&](float x, float y, float r) {
                SurfacePoint pt = SurfacePoint::OnSphere(x, y, r);
                model.ComputeColour(pt);
                sum += pt.colour.Red();
                ++points;
            },
            [](int) { return true; });
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(points);
    state.SetLabel(model.GetName());
}
BENCHMARK(BM_PlanetColours)->Arg(9)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond)->UseRealTime();

}
