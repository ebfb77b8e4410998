// A 400 x 300 galaxy of each class at its default density, face-on: building the model
// (stars, twist, gas disc with its texture) and drawing it in the off-screen context.
// And the whole render of the default galaxy (Spiral Sc, density 0.5) over a 2048 x 2048
// picture as a drag makes it, on one thread and on one per core: against the nebula of
// the same size (ParallelBench.cpp) it says what a galaxy costs.
// Real time: the software renderer draws on threads of its own.
#include "document/Dib.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "effects/RenderThreads.h"
#include "gl/GLContext.h"
#include "gl/GLMaterial.h"
#include "gl/GalaxyEffect.h"
#include "gl/GalaxyModel.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const int kWidth = 400, kHeight = 300;

// The model as CGalaxyEffect::Render makes it, at the class's own default density.
std::unique_ptr<CGalaxyModel> NewModel(int nCode)
{
    std::unique_ptr<CGalaxyModel> pModel(CreateGalaxyModel(nCode));
    pModel->m_dDensity = pModel->DefaultDensity();
    return pModel;
}

void SetUpView(const CMatrix4& rotation)
{
    glViewport((kWidth - kHeight) / 2, 0, kHeight, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 1, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -10);
    glMultMatrixf(rotation.Data());
}

// A 400 x 300 picture with its off-screen context; FALSE (and the benchmark skipped) when
// there is no OpenGL.
bool MakePicture(benchmark::State& state, CDib& dib)
{
    LoadGLEntryPoints(TRUE);
    if (dib.Create(kWidth, kHeight) && dib.CreateGLContext())
        return true;
    state.SkipWithError("no off-screen OpenGL");
    return false;
}

void BM_GalaxyBuild(benchmark::State& state)
{
    CDib dib;
    if (!MakePicture(state, dib))
        return;
    CGLCurrentScope current(dib);
    const int nCode = static_cast<int>(state.range(0));
    int64_t stars = 0;
    for (auto _ : state) {
        SetRandomSeed(1234567);
        auto pModel = NewModel(nCode);
        pModel->Build(kWidth * kHeight);
        stars += pModel->m_nStars + pModel->m_nCore;
    }
    state.SetItemsProcessed(stars);
}

void BM_GalaxyDraw(benchmark::State& state)
{
    CDib dib;
    if (!MakePicture(state, dib))
        return;
    CGLCurrentScope current(dib);
    SetRandomSeed(1234567);
    auto pModel = NewModel(static_cast<int>(state.range(0)));
    pModel->Build(kWidth * kHeight);
    SetUpView(CGalaxyEffect::FaceOnRotation());
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        CGLStateCache cache;
        cache.Reset();
        cache.Capture();
        pModel->Draw(cache);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * (pModel->m_nStars + pModel->m_nCore));
    pModel.reset();
}

void BM_GalaxyRender2048(benchmark::State& state)
{
    if (!LoadGLEntryPoints(TRUE)) {
        state.SkipWithError("no OpenGL");
        return;
    }
    const CRenderThreadsScope threads(static_cast<int>(state.range(0)));
    constexpr int kSide = 2048;
    auto effect = CreateTool(FindToolBySection(QStringLiteral("Galaxy")));
    CWholePictureRender(*effect, kSide).Run(state);
    state.SetLabel(std::to_string(RenderThreads()) + " threads");
}
BENCHMARK(BM_GalaxyRender2048)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The peak memory of a galaxy over a whole 4096 x 4096 picture, as a multiple of the
// picture: the picture, its undo copy, the GL framebuffer and the program. Run alone:
//   skyloom_bench --benchmark_filter=GalaxyPeak
void BM_GalaxyPeak4096(benchmark::State& state)
{
    if (!LoadGLEntryPoints(TRUE)) {
        state.SkipWithError("no OpenGL");
        return;
    }
    constexpr int kSide = 4096;
    auto effect = CreateTool(FindToolBySection(QStringLiteral("Galaxy")));
    CWholePictureRender render(*effect, kSide);
    render.Run(state);
    state.counters["peak_rss_MiB"] = PeakResidentMiB();
    state.counters["peak_pictures"] = PeakResidentMiB() / render.PictureMiB();
}
BENCHMARK(BM_GalaxyPeak4096)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same peak after ten renders in one process, as a long-lived window makes them: equal
// to the peak after one when nothing is kept between renders that the next does not reuse.
// Run alone as well: skyloom_bench --benchmark_filter=GalaxyPeakAfterTen
void BM_GalaxyPeakAfterTen4096(benchmark::State& state)
{
    BM_GalaxyPeak4096(state);
}
BENCHMARK(BM_GalaxyPeakAfterTen4096)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// Spiral Sc, barred spiral SBb, elliptical E3.
BENCHMARK(BM_GalaxyBuild)->Arg(514)->Arg(769)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GalaxyDraw)->Arg(514)->Arg(769)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}
