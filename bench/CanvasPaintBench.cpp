// Painting the canvas: a 1920 x 1080 viewport of an 8000 x 8000 picture, the way the view
// paints an exposed area, into an image like the window's backing store, at the zoom that
// fits the picture, at 100 % and at 800 %; and bringing the halved copies up to date after
// a 500 x 500 render. Each repaint scrolls to another place.
#include "document/Dib.h"
#include "document/PicturePyramid.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int kSide = 8000;
constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;

const CDib& Picture()
{
    static CDib dib;
    if (!dib.m_pBits) {
        dib.Create(kSide, kSide);
        for (int y = 0; y < kSide; ++y) {
            BYTE* p = dib.PixelAddress(0, y);
            for (int x = 0; x < kSide * 3; ++x)
                p[x] = BYTE(x ^ y);
        }
    }
    return dib;
}

// zoom 0 means the zoom that fits the picture into the viewport.
void BM_CanvasRepaint(benchmark::State& state)
{
    const CDib& dib = Picture();
    const double zoom = state.range(0) ? state.range(0) / 100.0 : double(kViewHeight) / kSide;
    CPicturePyramid pyramid;
    QImage backing(kViewWidth, kViewHeight, QImage::Format_RGB32);
    const QRect viewport(0, 0, kViewWidth, kViewHeight);
    {
        // The halved copies are made once, when the canvas is first reduced.
        QPainter painter(&backing);
        pyramid.Paint(&painter, dib, zoom, CPoint(0, 0), viewport);
    }
    const int width = int(kSide * zoom), height = int(kSide * zoom);
    int step = 0;
    for (auto _ : state) {
        const int sx = width > kViewWidth ? (step * 997) % (width - kViewWidth) : 0;
        const int sy = height > kViewHeight ? (step * 613) % (height - kViewHeight) : 0;
        ++step;
        QPainter painter(&backing);
        pyramid.Paint(&painter, dib, zoom, CPoint(sx, sy), viewport);
        painter.end();
        benchmark::DoNotOptimize(backing.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kViewWidth * kViewHeight);
}
// Qt may share a large paint out to threads of its own: the CPU time counts all of them.
BENCHMARK(BM_CanvasRepaint)
    ->Arg(0)
    ->Arg(100)
    ->Arg(800)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// After a 500 x 500 render: the changed area is halved again into every level.
void BM_CanvasPyramidUpdate(benchmark::State& state)
{
    const CDib& dib = Picture();
    CPicturePyramid pyramid;
    pyramid.Refresh(dib);
    int step = 0;
    for (auto _ : state) {
        const int x = (step * 1237) % (kSide - 500), y = (step * 711) % (kSide - 500);
        ++step;
        pyramid.MarkChanged(CRect(x, y, x + 500, y + 500));
        pyramid.Refresh(dib);
        benchmark::DoNotOptimize(pyramid.Level(1)->constBits());
    }
}
BENCHMARK(BM_CanvasPyramidUpdate)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// The whole picture changed (a star field over all of it, between two pumps).
void BM_CanvasPyramidUpdateAll(benchmark::State& state)
{
    const CDib& dib = Picture();
    CPicturePyramid pyramid;
    pyramid.Refresh(dib);
    for (auto _ : state) {
        pyramid.MarkChanged(CRect(0, 0, kSide, kSide));
        pyramid.Refresh(dib);
        benchmark::DoNotOptimize(pyramid.Level(1)->constBits());
    }
}
BENCHMARK(BM_CanvasPyramidUpdateAll)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}
