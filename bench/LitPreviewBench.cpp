// The 3D previews as the dialogs drive them, at the preview frame's 124 x 138 pixels: one
// refresh of each planet's preview (new tables from a fresh seed, then the draw at a field
// of view of 45 on black), and one repaint of the galaxy's preview during a drag (a turn
// step taken, the dialog's model drawn, the picture read back). Both have to take well
// under the one-second default delay to feel live. Real time: the software renderer
// draws on threads of its own.
#include "document/Dib.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"
#include "gl/GalaxyModel.h"
#include "gl/GalaxyPreview.h"
#include "gl/PlanetEffect.h"
#include "gl/PlanetRenderer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const int kWidth = 124, kHeight = 138;

void BM_PlanetPreviewRefresh(benchmark::State& state)
{
    LoadGLEntryPoints(TRUE);
    CDib preview;
    if (!preview.Create(kWidth, kHeight) || !preview.CreateGLContext()) {
        state.SkipWithError("no off-screen OpenGL");
        return;
    }
    const bool bOwnLights = g_lightList.empty();
    if (bOwnLights)
        CreateDefaultLight();
    std::unique_ptr<CEffect> pEffect;
    switch (state.range(0)) {
    case 0: pEffect = CPlanetEffect::CreateVenus(); break;
    case 1: pEffect = CPlanetEffect::CreateMoon(); break;
    default: pEffect = CPlanetEffect::CreateEarth(); break;
    }
    auto& planet = static_cast<CPlanetEffect&>(*pEffect);
    CPlanetRenderer renderer;
    renderer.Setup(&preview, kWidth, kHeight, 45, TRUE, TRUE);
    DWORD seed = 1;
    for (auto _ : state) {
        SetRandomSeed(seed++);
        planet.PrepareRender();
        renderer.Draw(planet.GetSurface(), CPlanetRenderer::ProgressNone);
        benchmark::ClobberMemory();
    }
    state.SetLabel(planet.m_strSection.toStdString());
    if (bOwnLights)
        DeleteLights();
}
BENCHMARK(BM_PlanetPreviewRefresh)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_GalaxyPreviewDragRepaint(benchmark::State& state)
{
    LoadGLEntryPoints(TRUE);
    CDib picture;
    CGalaxyPreviewScene scene;
    if (!scene.Init(&picture, kWidth, kHeight)) {
        state.SkipWithError("no off-screen OpenGL");
        return;
    }
    std::unique_ptr<CGalaxyModel> pModel(CreateGalaxyModel(static_cast<int>(state.range(0))));
    pModel->m_dDensity = 0.5;
    SetRandomSeed(1);
    scene.BuildModel(*pModel);
    scene.SetModel(pModel.get());
    for (auto _ : state) {
        // One mouse move of (3, -2) pixels.
        scene.SetRotationAxis(2.0f / 3.6055513f, 3.0f / 3.6055513f, 0);
        scene.SetRotationAngle(4.12f);
        scene.Paint();
        benchmark::ClobberMemory();
    }
    scene.DeleteModel(pModel);
}
BENCHMARK(BM_GalaxyPreviewDragRepaint)
    ->Arg(514)
    ->Arg(769)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
}
