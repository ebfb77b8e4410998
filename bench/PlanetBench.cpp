// Each planet on a 512 x 512 rectangle (and at 2048 x 2048 on one thread and on one per
// core, whose ratio is the speed-up of the surface colours shared out), whole (surface, GL points
// and the copy in and out of the off-screen picture) and the surface colours alone for the same
// grid points, so the difference is what the drawing adds.
#include "document/Settings.h"
#include "document/Dib.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "effects/RenderThreads.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"
#include "gl/PlanetEffect.h"
#include "gl/PlanetGrid.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kSide = 512;

// Arguments: the tool, the side and the render threads (0: one per core).
void BM_PlanetRender(benchmark::State& state)
{
    if (!PrepareLitRender(state))
        return;
    const int side = static_cast<int>(state.range(1));
    const CRenderThreadsScope threads(static_cast<int>(state.range(2)));
    auto effect = CreateTool(static_cast<int>(state.range(0)));
    CWholePictureRender(*effect, side).Run(state);
    state.SetLabel(effect->m_strSection.toStdString() + ", " + std::to_string(RenderThreads()) +
                   " threads");
}
// The software renderer draws on threads of its own: real time is what the user waits.
BENCHMARK(BM_PlanetRender)
    ->ArgNames({"tool", "side", "threads"})
    ->ArgsProduct({{9, 10, 11}, {kSide}, {0}})
    ->ArgsProduct({{9, 10, 11}, {2048}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An Earth horizon: a 1920 x 1080 picture under a rectangle of 9000 x 9000 whose planet's
// top crosses the picture (the OpenGL drawing and copies cover only that part), against the
// same Earth dragged at 1920 x 1920 on a picture of that size. Argument: the rectangle's side.
void BM_EarthHorizon(benchmark::State& state)
{
    if (!PrepareLitRender(state))
        return;
    const int side = static_cast<int>(state.range(0));
    const bool bHorizon = side > 1920;
    CDib picture;
    picture.Create(1920, bHorizon ? 1080 : 1920);
    picture.Fill(0x000010);
    const CRect rect = bHorizon ? CRect(960 - side / 2, 702, 960 + side / 2, 702 + side)
                                : CRect(0, 0, side, side);
    CRect inside;
    inside.IntersectRect(rect, CRect(0, 0, picture.m_nWidth, picture.m_nHeight));
    // The undo copy a drag keeps: the rectangle's part in the picture.
    const std::unique_ptr<CDib> undo(picture.Extract(inside));
    auto effect = CreateTool(11); // Earth
    {
        // The first render's shader compiles are paid before timing.
        std::unique_ptr<CDib> corner(picture.Extract(CRect(0, 0, 64, 64)));
        effect->PrepareRender();
        effect->Render(picture, CRect(0, 0, 64, 64), corner.get(), FALSE);
    }
    const double cpuStart = ProcessCpuSeconds();
    for (auto _ : state) {
        SetRandomSeed(1);
        effect->PrepareRender();
        effect->Render(picture, rect, undo.get(), FALSE);
    }
    state.counters["process_cpu_ms"] = benchmark::Counter(
        (ProcessCpuSeconds() - cpuStart) * 1000, benchmark::Counter::kAvgIterations);
    state.SetLabel(bHorizon ? "horizon on 1920 x 1080" : "square on 1920 x 1920");
}
BENCHMARK(BM_EarthHorizon)->Arg(1920)->Arg(9000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlanetColours(benchmark::State& state)
{
    auto effect = CreateTool(static_cast<int>(state.range(0)));
    CSurfaceModel& model = static_cast<CPlanetEffect&>(*effect).GetSurface();
    const CPlanetGrid grid(kSide, kSide);
    SetRandomSeed(1);
    model.PrepareRender();
    int sum = 0;
    int64_t points = 0;
    // A row at a time, as the renderer hands them to the surface.
    std::vector<SurfacePoint> row;
    for (auto _ : state) {
        WalkPlanetSphere(
            grid,
            [&](float x, float y, float r) { row.push_back(SurfacePoint::OnSphere(x, y, r)); },
            [&](int) {
                model.ComputeColours(row.data(), row.size());
                for (const SurfacePoint& pt : row)
                    sum += pt.colour.Red();
                points += static_cast<int64_t>(row.size());
                row.clear();
                return true;
            });
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(points);
    state.SetLabel(model.GetName());
}
BENCHMARK(BM_PlanetColours)->Arg(9)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond)->UseRealTime();

}
