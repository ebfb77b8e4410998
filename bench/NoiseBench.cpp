#include "effects/FractalNoise.h"
#include "effects/Random.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

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

// The same patch a row of points at a time, on each instruction set (0: scalar) this CPU has.
void BM_FractalNoise3DRows(benchmark::State& state)
{
    const NoiseSimd simd = static_cast<NoiseSimd>(state.range(0));
    if (simd > BestNoiseSimd()) {
        state.SkipWithError("not on this CPU");
        return;
    }
    const NoiseSimd previous = SetNoiseSimd(simd);
    SetRandomSeed(1);
    auto noise = std::make_unique<CFractalNoise3D>();
    noise->Initialize(0.9, 2.0, 8, 0.0);
    std::vector<double> x(128), y(128), z(128, 0.37), out(128);
    for (int i = 0; i < 128; ++i)
        x[static_cast<size_t>(i)] = i * 0.05;
    double sum = 0;
    for (auto _ : state) {
        for (int row = 0; row < 128; ++row) {
            std::fill(y.begin(), y.end(), row * 0.05);
            noise->Value(x.data(), y.data(), z.data(), out.data(), out.size());
            sum += out[17];
        }
    }
    SetNoiseSimd(previous);
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * 128 * 128 * 8);
}
BENCHMARK(BM_FractalNoise3DRows)->Arg(0)->Arg(1)->Arg(2);

}
