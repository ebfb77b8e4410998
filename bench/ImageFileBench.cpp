// Saving and loading a 4096 x 4096 picture, the 256-colour save and resizing. To compare the
// JPEG glue with the library's own programs, run with SKYLOOM_BENCH_KEEP=1: the picture is
// left as skyloom-bench.ppm and skyloom-bench.jpg in the temporary folder for
// `cjpeg -quality 85` and `djpeg`.
//
// PNG: our save and load, ImageMagick's `convert` at its defaults on the same pictures
// (the yardstick of the save: time and bytes), and the table the save's compression was
// chosen from: zlib level, filters and strategy, time and bytes, on a scene (stars,
// nebulae, a star and a lens flare) and on a star field.
#include "document/Settings.h"
#include "document/Dib.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"
#include "imagefile/Skybox.h"
#include "imagefile/PngRows.h"

#include "BenchSupport.h"

#include <QDir>

#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

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

// The tools by their table index: star field 1, nebula 3, star 4, galaxy 7, lens flare 8,
// Earth 11. Over a saved copy of the area, as on the canvas.
void RenderTool(CDib& dib, int nTool, const CRect& rect, DWORD seed)
{
    std::unique_ptr<CEffect> effect = CreateTool(nTool);
    CRect rows = rect;
    dib.FlipRect(rows);
    std::unique_ptr<CDib> saved(dib.Extract(rows));
    SetRandomSeed(seed);
    effect->PrepareRender();
    effect->Render(dib, rect, saved.get(), FALSE);
}

// Argument 0: the bench picture, 1: a scene, 2: a star field (grey).
const CDib& PngPicture(int nPicture)
{
    static CDib pictures[3];
    CDib& dib = pictures[nPicture];
    if (nPicture == 0)
        return BenchPicture();
    if (!dib.m_pBits) {
        dib.Create(4096, 4096);
        dib.Fill(nPicture == 1 ? 0x000010 : 0);
        RenderTool(dib, 1, CRect(0, 0, 4096, 4096), 1);
        if (nPicture == 1) {
            // Without OpenGL the galaxy and the planet leave their areas as they are.
            LoadGLEntryPoints(TRUE);
            ResetSettings();
            if (g_lightList.empty())
                CreateDefaultLight();
            RenderTool(dib, 3, CRect(300, 300, 3000, 2800), 2);
            RenderTool(dib, 7, CRect(2000, 1500, 3800, 3300), 3);
            RenderTool(dib, 11, CRect(500, 2500, 1800, 3800), 4);
            RenderTool(dib, 8, CRect(3000, 200, 3800, 1000), 5);
        }
    }
    return dib;
}

const char* PngPictureName(int nPicture)
{
    static const char* const names[3] = {"bench picture", "scene", "star field"};
    return names[nPicture];
}

int64_t FileBytes(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

void BM_SavePng4096(benchmark::State& state)
{
    const CDib& dib = PngPicture(int(state.range(0)));
    const std::string path = TempPath("skyloom-bench-save.png");
    for (auto _ : state)
        benchmark::DoNotOptimize(dib.SavePNG(path.c_str()));
    state.counters["bytes"] = double(FileBytes(path));
    state.SetLabel(PngPictureName(int(state.range(0))));
    std::remove(path.c_str());
}
BENCHMARK(BM_SavePng4096)->ArgName("picture")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_LoadPng4096(benchmark::State& state)
{
    const std::string path = TempPath("skyloom-bench-load.png");
    PngPicture(int(state.range(0))).SavePNG(path.c_str());
    CDib dib;
    for (auto _ : state)
        benchmark::DoNotOptimize(dib.LoadPNG(path.c_str()));
    state.SetLabel(PngPictureName(int(state.range(0))));
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadPng4096)->ArgName("picture")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Hostile PNG files, each opened once, with the process's peak memory over the opening: a
// small picture behind a hundred text chunks that each inflate to 64 MiB (not ours, then
// ours), an interlaced RGBA file of 66 bytes that states 18918 x 18918 pixels, and a valid
// interlaced RGBA picture of 16384 x 16384 (peak_pictures: the peak over the 24-bit
// picture's size). Each alone: skyloom_bench --benchmark_filter='PngHostilePeak/case:2'
void AppendPngChunk(std::string& png, const char* type, const std::string& data)
{
    const std::string body = std::string(type, 4) + data;
    const auto be32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png += char(v >> shift);
    };
    be32(uint32_t(data.size()));
    png += body;
    be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A file of text chunks behind a 64 x 64 picture; bRecipe names them all as the recipe.
void WriteTextBomb(const std::string& path, bool bRecipe)
{
    CDib dib;
    dib.Create(64, 64);
    dib.SavePNG(path.c_str());
    std::string png;
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            png.append(buffer, n);
        std::fclose(f);
    }
    png.resize(png.size() - 12); // the end chunk
    const std::vector<Bytef> zeros(size_t(64) << 20, ' ');
    uLongf size = compressBound(uLong(zeros.size()));
    std::vector<Bytef> packed(size);
    compress2(packed.data(), &size, zeros.data(), uLong(zeros.size()), 9);
    const std::string key = bRecipe ? "Skyloom recipe" : "Comment";
    const std::string data =
        key + '\0' + '\0' + std::string(packed.begin(), packed.begin() + long(size));
    for (int i = 0; i < 100; ++i)
        AppendPngChunk(png, "zTXt", data);
    AppendPngChunk(png, "IEND", std::string());
    WriteBytes(path, png);
}

void WriteTinyInterlaced(const std::string& path)
{
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    for (uint32_t v : {18918u, 18918u})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr += char(v >> shift);
    ihdr += std::string("\x08\x06\x00\x00\x01", 5); // 8-bit RGBA, interlaced
    AppendPngChunk(png, "IHDR", ihdr);
    AppendPngChunk(png, "IDAT", std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9));
    AppendPngChunk(png, "IEND", std::string());
    WriteBytes(path, png);
}

void WriteLargeInterlaced(const std::string& path, int side)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(side), png_uint_32(side), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    std::vector<BYTE> row(size_t(side) * 4);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                BYTE* p = &row[size_t(x) * 4];
                p[0] = BYTE(x);
                p[1] = BYTE(y);
                p[2] = BYTE(x ^ y);
                p[3] = BYTE((x + y) >> 4);
            }
            png_write_row(png, row.data());
        }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void BM_PngHostilePeak(benchmark::State& state)
{
    const int nCase = int(state.range(0));
    const std::string path = TempPath("skyloom-bench-hostile.png");
    constexpr int kLargeSide = 16384;
    static const char* const labels[] = {"100 text chunks of 64 MiB", "100 recipes of 64 MiB",
                                         "66 bytes stating 18918 x 18918 interlaced",
                                         "valid 16384 x 16384 interlaced RGBA"};
    if (nCase <= 1)
        WriteTextBomb(path, nCase == 1);
    else if (nCase == 2)
        WriteTinyInterlaced(path);
    else
        WriteLargeInterlaced(path, kLargeSide);
    ResetPeakResident();
    const double before = PeakResidentSinceResetMiB();
    bool bOpened = false;
    for (auto _ : state) {
        CDib dib;
        QString recipe;
        bOpened = dib.LoadPNG(path.c_str(), &recipe);
    }
    state.counters["file_MiB"] = double(FileBytes(path)) / (1 << 20);
    const double peak = PeakResidentSinceResetMiB();
    state.counters["peak_rss_MiB"] = peak;
    state.counters["rss_before_MiB"] = before;
    if (nCase == 3)
        state.counters["peak_pictures"] =
            peak / (double(DibStride(kLargeSide, 24)) * kLargeSide / (1 << 20));
    state.SetLabel(std::string(labels[nCase]) + (bOpened ? ", opened" : ", refused"));
    std::remove(path.c_str());
}
BENCHMARK(BM_PngHostilePeak)
    ->ArgName("case")
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// `convert picture.ppm picture.png` at ImageMagick's defaults, reading the PPM included
// (a few percent of its time). CPU time is that of the child processes.
void BM_ImageMagickPng4096(benchmark::State& state)
{
    if (std::system("convert -version >/dev/null 2>&1") != 0) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    const CDib& dib = PngPicture(int(state.range(0)));
    const std::string ppm = TempPath("skyloom-bench-im.ppm");
    const std::string png = TempPath("skyloom-bench-im.png");
    {
        std::FILE* f = std::fopen(ppm.c_str(), "wb");
        std::fprintf(f, "P6\n%d %d\n255\n", dib.m_nWidth, dib.m_nHeight);
        for (int y = dib.m_nHeight - 1; y >= 0; --y)
            for (int x = 0; x < dib.m_nWidth; ++x) {
                const BYTE* q = dib.PixelAddress(x, y);
                const BYTE rgb[3] = {q[2], q[1], q[0]};
                std::fwrite(rgb, 1, 3, f);
            }
        std::fclose(f);
    }
    const std::string command = "convert '" + ppm + "' '" + png + "'";
    auto childSeconds = [] {
        rusage usage;
        ::getrusage(RUSAGE_CHILDREN, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double before = childSeconds();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(command.c_str()));
    // The processor time of convert itself, which the benchmark's own clock does not see.
    state.counters["child_cpu_ms"] =
        benchmark::Counter((childSeconds() - before) * 1000 / double(state.iterations()));
    state.counters["bytes"] = double(FileBytes(png));
    state.SetLabel(PngPictureName(int(state.range(0))));
    std::remove(ppm.c_str());
    std::remove(png.c_str());
}
BENCHMARK(BM_ImageMagickPng4096)
    ->ArgName("picture")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Writes dib to pFile as the save does (rows straight from the picture, blue-green-red
// swapped by libpng; grey rows through pGreyRow when it is given). libpng jumps back here
// on an error, so this frame holds no object with a destructor.
bool WritePngWith(const CDib& dib, std::FILE* pFile, png_structp png, png_infop info, int level,
                  int filters, int strategy, BYTE* pGreyRow)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, pFile);
    png_set_IHDR(png, info, png_uint_32(dib.m_nWidth), png_uint_32(dib.m_nHeight), 8,
                 pGreyRow ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_set_compression_strategy(png, strategy);
    png_set_compression_buffer_size(png, 128 << 10);
    png_write_info(png, info);
    WritePngRows(png, dib, pGreyRow);
    return true;
}

// One row of the compression table: picture, zlib level, filters (0 none, 1 sub, 2 up,
// 3 Paeth, 4 all, adaptively) and strategy (0 zlib's default, 1 run-length). The star
// field, whose pixels are all grey, is written as grey rows, as the save writes it.
void BM_PngCompression(benchmark::State& state)
{
    const CDib& dib = PngPicture(int(state.range(0)));
    const int filters[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_PAETH,
                            PNG_ALL_FILTERS};
    const std::string path = TempPath("skyloom-bench-level.png");
    std::vector<BYTE> grey(static_cast<size_t>(dib.m_nWidth));
    BYTE* pGreyRow = state.range(0) == 2 ? grey.data() : nullptr;
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        const bool ok = f && info &&
                        WritePngWith(dib, f, png, info, int(state.range(1)),
                                     filters[state.range(2)],
                                     state.range(3) ? Z_RLE : Z_DEFAULT_STRATEGY, pGreyRow);
        png_destroy_write_struct(&png, &info);
        if (f)
            std::fclose(f);
        if (!ok) {
            state.SkipWithError("libpng failed");
            break;
        }
    }
    state.counters["bytes"] = double(FileBytes(path));
    state.SetLabel(PngPictureName(int(state.range(0))));
    std::remove(path.c_str());
}
BENCHMARK(BM_PngCompression)
    ->ArgNames({"picture", "level", "filter", "rle"})
    ->ArgsProduct({{0, 1, 2}, {1, 2, 3, 6}, {0, 1, 2, 4}, {0}})
    ->ArgsProduct({{0, 1, 2}, {1}, {1, 4}, {1}})
    ->Unit(benchmark::kMillisecond);

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
    ->Args({8192, 4096, 4096, 2048})
    ->Unit(benchmark::kMicrosecond);

// The six faces of a skybox from a sky of 8192 x 4096, each of the argument's size; set
// against BM_Resize/8192/4096/4096/2048, the sky resized to half.
void BM_SkyboxFaces(benchmark::State& state)
{
    const int h = 4096, w = 2 * h, n = int(state.range(0));
    CDib sky;
    sky.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sky.SetPixel(x, y, DWORD(x * 0x010305 + y * 0x050301));
    for (auto _ : state) {
        CDib faces[CubeFaceCount];
        benchmark::DoNotOptimize(MakeCubeFaces(sky, n, faces));
    }
}
BENCHMARK(BM_SkyboxFaces)->ArgName("face")->Arg(2048)->Unit(benchmark::kMillisecond);

}
