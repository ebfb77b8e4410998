#include "document/Dib.h"
#include "gl/GLContext.h"
#include "gl/GLMesh.h"

#include <benchmark/benchmark.h>

namespace {

// What every galaxy or planet render pays around its drawing: a picture of the area with
// its context, the pixels up into the framebuffer and back, then everything freed.
void BM_OffscreenCycle(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    if (!LoadGLEntryPoints(TRUE)) {
        state.SkipWithError("no EGL");
        return;
    }
    for (auto _ : state) {
        CDib dib;
        dib.Create(side, side);
        if (!dib.CreateGLContext()) {
            state.SkipWithError("no off-screen context");
            return;
        }
        CGLCurrentScope scope(dib);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_OffscreenCycle)->Arg(64)->Arg(640)->Arg(2048)->Unit(benchmark::kMillisecond);

// A galaxy's stars: one point batch drawn in immediate mode.
void BM_RenderPoints(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    if (!LoadGLEntryPoints(TRUE)) {
        state.SkipWithError("no EGL");
        return;
    }
    CDib dib;
    dib.Create(640, 480);
    if (!dib.CreateGLContext()) {
        state.SkipWithError("no off-screen context");
        return;
    }
    CGLMesh batch;
    batch.AllocatePoints(count);
    batch.CreateMaterial();
    for (int i = 0; i < count; ++i) {
        GLVertex v{};
        v.position[0] = static_cast<float>((i * 7919) % 2000) / 1000.0f - 1.0f;
        v.position[1] = static_cast<float>((i * 104729) % 2000) / 1000.0f - 1.0f;
        v.color[0] = v.color[1] = v.color[2] = v.color[3] = 255;
        batch.SetVertex(i, v);
    }
    CGLCurrentScope scope(dib);
    for (auto _ : state) {
        CGLStateCache cache;
        cache.Reset();
        batch.RenderPoints(cache, 1.0f, 0, 0);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_RenderPoints)->Arg(100000)->Unit(benchmark::kMillisecond);

}
