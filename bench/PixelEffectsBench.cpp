// The per-pixel effects with their built-in defaults over a 1024 x 1024 rectangle filling
// the picture, with progress shown (no display installed, as in the command-line renderer
// without a bar). For the noise effects, their noise sums alone over the same pixels, so
// the ratio shows what each effect adds on top of its noise.
#include "document/Dib.h"
#include "effects/GasEffect.h"
#include "effects/LensFlareEffect.h"
#include "effects/NebulaEffect.h"
#include "effects/Random.h"
#include "effects/StarEffect.h"
#include "effects/VortexEffect.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kSide = 1024;

template <class TEffect>
void BM_Effect1024(benchmark::State& state)
{
    CDib dib;
    dib.Create(kSide, kSide);
    TEffect effect;
    SetRandomSeed(1234567);
    effect.PrepareRender();
    for (auto _ : state) {
        dib.Fill(0x102030);
        effect.Render(dib, CRect(0, 0, kSide, kSide), nullptr, TRUE);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK_TEMPLATE(BM_Effect1024, CNebulaEffect)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Effect1024, CVortexEffect)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Effect1024, CGasEffect)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Effect1024, CStarEffect)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Effect1024, CLensFlareEffect)->Unit(benchmark::kMillisecond);

// Sums noise over every pixel of the rectangle, at the coordinates each effect uses: the
// nebula and the gas at 0.05 per pixel, the vortex over its unit ellipse scaled by 5.
template <class TNoiseAt>
void SumNoise(benchmark::State& state, TNoiseAt noiseAt)
{
    for (auto _ : state) {
        double sum = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                sum += noiseAt(x, y);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_NebulaNoise1024(benchmark::State& state)
{
    CNebulaEffect nebula;
    SumNoise(state, [&](int x, int y) { return nebula.m_noise.Value(x * 0.05, y * 0.05); });
}
BENCHMARK(BM_NebulaNoise1024)->Unit(benchmark::kMillisecond);

void BM_VortexNoise1024(benchmark::State& state)
{
    CVortexEffect vortex;
    const double scale = 2.0 / kSide * 5.0;
    SumNoise(state, [&](int x, int y) {
        return vortex.m_noise.Value((x - kSide / 2) * scale, (y - kSide / 2) * scale);
    });
}
BENCHMARK(BM_VortexNoise1024)->Unit(benchmark::kMillisecond);

void BM_GasNoise1024(benchmark::State& state)
{
    CGasEffect gas;
    SumNoise(state, [&](int x, int y) {
        return gas.m_noise.Turbulence(x * 0.05, y * 0.05, gas.m_dFrequency);
    });
}
BENCHMARK(BM_GasNoise1024)->Unit(benchmark::kMillisecond);

}
