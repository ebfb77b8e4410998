// One refresh of each properties dialog's preview, as the preview does it: the 124 x 138
// picture filled with the background, a fresh seed, PrepareRender, then Render without
// progress. It has to take well under the one-second default delay to feel live.
#include "document/Dib.h"
#include "effects/ClusterEffect.h"
#include "effects/GasEffect.h"
#include "effects/LensFlareEffect.h"
#include "effects/NebulaEffect.h"
#include "effects/Random.h"
#include "effects/StarEffect.h"
#include "effects/StarFieldEffect.h"
#include "effects/VortexEffect.h"

#include <benchmark/benchmark.h>

namespace {

template <class TEffect>
void BM_PreviewRefresh(benchmark::State& state)
{
    CDib preview;
    preview.Create(124, 138);
    TEffect effect;
    DWORD seed = 1;
    for (auto _ : state) {
        preview.Fill(0);
        SetRandomSeed(seed++);
        effect.PrepareRender();
        effect.Render(preview, CRect(0, 0, 124, 138), nullptr, FALSE);
        benchmark::ClobberMemory();
    }
}
BENCHMARK_TEMPLATE(BM_PreviewRefresh, CStarFieldEffect)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_PreviewRefresh, CClusterEffect)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_PreviewRefresh, CNebulaEffect)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_PreviewRefresh, CStarEffect)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_PreviewRefresh, CGasEffect)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_PreviewRefresh, CVortexEffect)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_PreviewRefresh, CLensFlareEffect)->Unit(benchmark::kMicrosecond);

}
