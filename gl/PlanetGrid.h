// The square grid a planet is drawn on: one GL point per cell over the disc of the unit
// sphere, an edge band whose width follows the cell size, and the walks over the sphere and
// the halo ring that the renderer and the benchmarks share.
#pragma once

#include "effects/ProgressMeter.h"

#include <cmath>
#include <vector>

struct CPlanetGrid
{
    // For a target of width x height pixels (both above 0).
    CPlanetGrid(int width, int height);

    float step;  // cell size in model units: the sphere's diameter 2 over the longer side
    float band;  // half width of the fading edge
    float inner; // 1 - band: the sphere fades from here to the rim
    float outer; // 1 + band: the halo ring ends here
    int rows;    // progress units of one draw
};

// The centred square of side min(width, height) that the sphere is projected into, in GL
// window coordinates (origin bottom left).
struct CPlanetViewport
{
    int x, y, side;
};
CPlanetViewport PlanetViewport(int width, int height);

// The points of one row of the disc at height y, x from -1 right by repeated
// single-precision addition of the step: point(x, y, r) where r <= 1. Stops at once when
// g_bCancelRender is set.
template <class PointFn>
void WalkPlanetRow(const CPlanetGrid& grid, float y, PointFn&& point)
{
    for (float x = -1; x <= 1 && !g_bCancelRender; x += grid.step) {
        const float r = std::sqrt(x * x + y * y);
        if (r <= 1)
            point(x, y, r);
    }
}

// The heights of the rows of the disc from y = -1 up, by repeated single-precision addition
// of the step: the rows WalkPlanetSphere walks, for renders that share them out.
std::vector<float> PlanetRowHeights(const CPlanetGrid& grid);

// Walks the disc row by row from y = -1 up (WalkPlanetRow for each); rowDone(row) after
// each row (from 0) returns false to stop. Stops at once when g_bCancelRender is set.
template <class PointFn, class RowFn>
void WalkPlanetSphere(const CPlanetGrid& grid, PointFn&& point, RowFn&& rowDone)
{
    int row = 0;
    for (float y = -1; y <= 1 && !g_bCancelRender; y += grid.step) {
        WalkPlanetRow(grid, y, point);
        if (!rowDone(row++))
            break;
    }
}

// Walks the ring inner <= r <= outer, y from outer down, x from -outer right.
template <class PointFn>
void WalkPlanetHalo(const CPlanetGrid& grid, PointFn&& point)
{
    for (float y = grid.outer; y >= -grid.outer && !g_bCancelRender; y -= grid.step) {
        for (float x = -grid.outer; x <= grid.outer && !g_bCancelRender; x += grid.step) {
            const float r = std::sqrt(x * x + y * y);
            if (grid.inner <= r && r <= grid.outer)
                point(x, y, r);
        }
    }
}
