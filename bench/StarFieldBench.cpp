// Star Field and Cluster with their built-in defaults over a 1024 x 1024 picture, with
// progress shown (no display installed, as in the command-line renderer without a bar).
#include "document/Dib.h"
#include "effects/ClusterEffect.h"
#include "effects/Random.h"
#include "effects/StarFieldEffect.h"

#include <benchmark/benchmark.h>

namespace {

template <class TEffect>
void BM_Stars1024(benchmark::State& state)
{
    CDib dib;
    dib.Create(1024, 1024);
    TEffect effect;
    for (auto _ : state) {
        SetRandomSeed(1234567);
        effect.Render(dib, CRect(0, 0, 1024, 1024), nullptr, TRUE);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<int64_t>(1024 * (1024 * effect.m_dDensity)));
}
BENCHMARK_TEMPLATE(BM_Stars1024, CStarFieldEffect)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Stars1024, CClusterEffect)->Unit(benchmark::kMillisecond);

}
