// Painting the canvas: a 1920 x 1080 viewport of an 8000 x 8000 picture, the way the view
// paints an exposed area (straight from the picture's rows, no copy of the picture), into
// an image like the window's backing store. Each iteration scrolls to another place.
#include "document/Dib.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void BM_CanvasPaintViewport(benchmark::State& state)
{
    static CDib dib;
    if (!dib.m_pBits) {
        dib.Create(8000, 8000);
        for (int y = 0; y < 8000; ++y) {
            BYTE* p = dib.PixelAddress(0, y);
            for (int x = 0; x < 8000 * 3; ++x)
                p[x] = BYTE(x ^ y);
        }
    }
    QImage backing(1920, 1080, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        const int sx = (step * 997) % (8000 - 1920);
        const int sy = (step * 613) % (8000 - 1080);
        ++step;
        QPainter painter(&backing);
        painter.translate(-sx, -sy);
        const CRect area(sx, sy, sx + 1920, sy + 1080);
        dib.Draw(&painter, &area, &area);
        painter.end();
        benchmark::DoNotOptimize(backing.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BM_CanvasPaintViewport)->Unit(benchmark::kMillisecond);

}
