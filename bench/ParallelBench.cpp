// Renders on every core, the event pump's cost and the resampler against stb.
//  - Each per-pixel effect at 2048 x 2048 on one thread (threads:1) and on one per core
//    (threads:0); their ratio is the speed-up (the planets' are in PlanetBench.cpp).
//  - The star field and the cluster at 2048 x 2048 with progress shown against without,
//    with a real application object whose event pump the progress runs, and a display
//    that takes every step as a status-bar progress bar would.
//  - CDib::Resize of 4096 x 4096 to 1024 x 1024 against stb_image_resize's Mitchell filter
//    (Debian's libstb-dev; the case reports an error when it is not installed).
#include "document/Dib.h"
#include "effects/ClusterEffect.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "effects/RenderThreads.h"
#include "effects/StarFieldEffect.h"
#include "effects/ProgressMeter.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#ifdef SKYLOOM_HAVE_STB_RESIZE
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb_image_resize.h>
#endif

namespace {

constexpr int kSide = 2048;

// The tools by their table index: nebula 3, star 4, gas 5, vortex 6, lens flare 8.
const char* ToolName(int tool)
{
    const CToolInfo* pInfo = GetToolInfo(tool);
    return pInfo ? pInfo->szSection : "?";
}

void BM_PixelEffect2048(benchmark::State& state)
{
    const CRenderThreadsScope threads(static_cast<int>(state.range(1)));
    auto effect = CreateTool(static_cast<int>(state.range(0)));
    CDib dib;
    dib.Create(kSide, kSide);
    SetRandomSeed(1234567);
    effect->PrepareRender();
    for (auto _ : state) {
        state.PauseTiming();
        dib.Fill(0x102030);
        state.ResumeTiming();
        effect->Render(dib, CRect(0, 0, kSide, kSide), nullptr, FALSE);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(ToolName(int(state.range(0)))) + ", " +
                   std::to_string(RenderThreads()) + " threads");
}
BENCHMARK(BM_PixelEffect2048)
    ->ArgNames({"tool", "threads"})
    ->ArgsProduct({{3, 4, 5, 6, 8}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The application object the progress pumps; made once, on the first progress case.
void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "skyloom_bench";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

// Takes each step as a status bar's progress bar does: it stores the percentage.
class CBarDisplay : public CProgressDisplay
{
public:
    BOOL CreateBar() override { return TRUE; }
    void SetBarPosition(int nPercent) override { benchmark::DoNotOptimize(m_nPercent = nPercent); }
    void DestroyBar() override {}
    int m_nPercent = 0;
};

template <class TEffect>
void BM_Stars2048(benchmark::State& state)
{
    EnsureApplication();
    const BOOL bProgress = state.range(0) != 0;
    CBarDisplay display;
    SetProgressDisplay(bProgress ? &display : nullptr);
    CDib dib;
    dib.Create(kSide, kSide);
    TEffect effect;
    for (auto _ : state) {
        SetRandomSeed(1234567);
        effect.Render(dib, CRect(0, 0, kSide, kSide), nullptr, bProgress);
        benchmark::ClobberMemory();
    }
    SetProgressDisplay(nullptr);
    state.SetLabel(bProgress ? "with progress" : "without progress");
}
BENCHMARK_TEMPLATE(BM_Stars2048, CStarFieldEffect)
    ->ArgName("progress")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Stars2048, CClusterEffect)
    ->ArgName("progress")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

constexpr int kResizeFrom = 4096;
constexpr int kResizeTo = 1024;

const CDib& ResizeSource()
{
    static CDib source;
    if (!source.m_pBits) {
        source.Create(kResizeFrom, kResizeFrom);
        uint32_t s = 1;
        for (int y = 0; y < kResizeFrom; ++y)
            for (int x = 0; x < kResizeFrom; ++x) {
                s = s * 1664525u + 1013904223u;
                source.SetPixel(x, y, DWORD(x * 0x010305 + y * 0x050301) ^ (s >> 26));
            }
    }
    return source;
}

void BM_ResizeDib4096To1024(benchmark::State& state)
{
    const CRenderThreadsScope threads(static_cast<int>(state.range(0)));
    const CDib& source = ResizeSource();
    CDib dib;
    for (auto _ : state) {
        state.PauseTiming();
        dib.Create(kResizeFrom, kResizeFrom);
        dib.CopyRect(0, 0, kResizeFrom, kResizeFrom, source, 0, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(dib.Resize(kResizeTo, kResizeTo));
    }
    state.SetLabel(std::to_string(RenderThreads()) + " threads");
}
BENCHMARK(BM_ResizeDib4096To1024)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ResizeStbMitchell4096To1024(benchmark::State& state)
{
#ifdef SKYLOOM_HAVE_STB_RESIZE
    const CDib& source = ResizeSource();
    std::vector<unsigned char> out(size_t(kResizeTo) * kResizeTo * 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(stbir_resize_uint8_generic(
            source.m_pBits, kResizeFrom, kResizeFrom, source.m_nStride, out.data(), kResizeTo,
            kResizeTo, kResizeTo * 3, 3, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_REFLECT,
            STBIR_FILTER_MITCHELL, STBIR_COLORSPACE_LINEAR, nullptr));
    }
    state.SetLabel("stb_image_resize, one thread");
#else
    state.SkipWithError("stb_image_resize.h not installed (Debian: libstb-dev)");
#endif
}
BENCHMARK(BM_ResizeStbMitchell4096To1024)->Unit(benchmark::kMillisecond)->UseRealTime();

}
