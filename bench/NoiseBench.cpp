#include "effects/FractalNoise.h"
#include "effects/Random.h"

#include <benchmark/benchmark.h>

#include <memory>

// Items are octave evaluations, so the rates compare with other noise libraries' figures.
namespace {

void BM_GradientNoise2D(benchmark::State& state)
{
    SetRandomSeed(1);
    auto noise = std::make_unique<CGradientNoise2D>();
    noise->Initialize();
    double x = 0.1, sum = 0;
    for (auto _ : state) {
        sum += noise->Noise(x, x * 0.7);
        x += 0.05;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GradientNoise2D);

void BM_GradientNoise3D(benchmark::State& state)
{
    SetRandomSeed(1);
    auto noise = std::make_unique<CGradientNoise3D>();
    noise->Initialize();
    double x = 0.1, sum = 0;
    for (auto _ : state) {
        sum += noise->Noise(x, x * 0.7, x * 0.3);
        x += 0.05;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GradientNoise3D);

void BM_FractalNoise2D(benchmark::State& state)
{
    SetRandomSeed(1);
    auto noise = std::make_unique<CFractalNoise2D>();
    const int octaves = static_cast<int>(state.range(0));
    noise->Initialize(0.9, 2.0, octaves, 0.0);
    double sum = 0;
    for (auto _ : state) {
        // One 256 x 256 patch at the effects' 0.05 units a pixel.
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                sum += noise->Value(x * 0.05, y * 0.05);
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * 256 * 256 * octaves);
}
BENCHMARK(BM_FractalNoise2D)->Arg(5)->Arg(8);

void BM_FractalNoise3D(benchmark::State& state)
{
    SetRandomSeed(1);
    auto noise = std::make_unique<CFractalNoise3D>();
    noise->Initialize(0.9, 2.0, 8, 0.0);
    double sum = 0;
    for (auto _ : state) {
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                sum += noise->Value(x * 0.05, y * 0.05, 0.37);
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * 128 * 128 * 8);
}
BENCHMARK(BM_FractalNoise3D);

}
