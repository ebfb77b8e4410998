#include "document/Dib.h"

#include <benchmark/benchmark.h>

namespace {

void BM_AddPixel1024(benchmark::State& state)
{
    CDib dib;
    dib.Create(1024, 1024);
    for (auto _ : state) {
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1024; ++x)
                dib.AddPixel(x, y, 0x00010203);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_AddPixel1024);

}
