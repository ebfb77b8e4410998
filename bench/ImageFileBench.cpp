// Saving and loading a 4096 x 4096 picture, the 256-colour save and resizing. To compare the
// JPEG glue with the library's own programs, run with SKYLOOM_BENCH_KEEP=1: the picture is
// left as skyloom-bench.ppm and skyloom-bench.jpg in the temporary folder for
// `cjpeg -quality 85` and `djpeg`.
#include "document/Dib.h"

#include <QDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string TempPath(const char* name)
{
    return QDir::tempPath().toStdString() + "/" + name;
}

// A smooth sky with fine grain: the kind of picture the program makes, neither flat (which
// codecs find too easy) nor pure noise.
const CDib& BenchPicture()
{
    static CDib dib;
    if (!dib.m_pBits) {
        dib.Create(4096, 4096);
        DWORD seed = 12345;
        for (int y = 0; y < 4096; ++y) {
            BYTE* p = dib.PixelAddress(0, y);
            for (int x = 0; x < 4096; ++x, p += 3) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = int(seed >> 28) - 8;
                p[0] = BYTE(std::min(255, std::max(0, 40 + y / 24 + grain)));
                p[1] = BYTE(std::min(255, std::max(0, (x ^ y) / 40 + grain)));
                p[2] = BYTE(std::min(255, std::max(0, x / 20 + grain)));
            }
        }
        if (std::getenv("SKYLOOM_BENCH_KEEP")) {
            std::FILE* f = std::fopen(TempPath("skyloom-bench.ppm").c_str(), "wb");
            std::fprintf(f, "P6\n4096 4096\n255\n");
            for (int y = 4095; y >= 0; --y)
                for (int x = 0; x < 4096; ++x) {
                    const BYTE* q = dib.PixelAddress(x, y);
                    const BYTE rgb[3] = {q[2], q[1], q[0]};
                    std::fwrite(rgb, 1, 3, f);
                }
            std::fclose(f);
            dib.SaveJPEG(TempPath("skyloom-bench.jpg").c_str());
        }
    }
    return dib;
}

void BM_SaveJpeg4096(benchmark::State& state)
{
    const CDib& dib = BenchPicture();
    const std::string path = TempPath("skyloom-bench-save.jpg");
    for (auto _ : state)
        benchmark::DoNotOptimize(dib.SaveJPEG(path.c_str()));
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveJpeg4096)->Unit(benchmark::kMillisecond);

void BM_LoadJpeg4096(benchmark::State& state)
{
    const std::string path = TempPath("skyloom-bench-load.jpg");
    BenchPicture().SaveJPEG(path.c_str());
    CDib dib;
    for (auto _ : state)
        benchmark::DoNotOptimize(dib.LoadJPEG(path.c_str()));
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadJpeg4096)->Unit(benchmark::kMillisecond);

void BM_SaveBmp4096(benchmark::State& state)
{
    const CDib& dib = BenchPicture();
    const std::string path = TempPath("skyloom-bench-save.bmp");
    for (auto _ : state)
        benchmark::DoNotOptimize(dib.SaveBMP(path.c_str()));
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveBmp4096)->Unit(benchmark::kMillisecond);

void BM_LoadBmp4096(benchmark::State& state)
{
    const std::string path = TempPath("skyloom-bench-load.bmp");
    BenchPicture().SaveBMP(path.c_str());
    CDib dib;
    for (auto _ : state)
        benchmark::DoNotOptimize(dib.LoadBMP(path.c_str()));
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadBmp4096)->Unit(benchmark::kMillisecond);

void BM_Save256Color4096(benchmark::State& state)
{
    const CDib& dib = BenchPicture();
    const std::string path = TempPath("skyloom-bench-256.bmp");
    for (auto _ : state)
        benchmark::DoNotOptimize(dib.Save256ColorBMP(path.c_str()));
    std::remove(path.c_str());
}
BENCHMARK(BM_Save256Color4096)->Unit(benchmark::kMillisecond);

// Resizes a picture of the first two arguments to the last two.
void BM_Resize(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    CDib source;
    source.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            source.SetPixel(x, y, DWORD(x * 0x010305 + y * 0x050301));
    CDib dib;
    for (auto _ : state) {
        state.PauseTiming();
        dib.Create(w, h);
        dib.CopyRect(0, 0, w, h, source, 0, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(dib.Resize(int(state.range(2)), int(state.range(3))));
    }
}
BENCHMARK(BM_Resize)
    ->Args({3, 3, 3, 3})
    ->Args({2, 1, 4, 1})
    ->Args({512, 512, 256, 512})
    ->Args({4096, 4096, 1024, 1024})
    ->Unit(benchmark::kMicrosecond);

}
