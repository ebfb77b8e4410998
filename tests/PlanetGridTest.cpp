#include "gl/PlanetGrid.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PlanetGrid, StepBandAndViewportOfAWideRectangle)
{
    const CPlanetGrid grid(200, 100);
    EXPECT_EQ(grid.step, 0.01f);
    EXPECT_NEAR(grid.band, 0.1473684, 1e-6);
    EXPECT_EQ(grid.inner, 1 - grid.band);
    EXPECT_EQ(grid.outer, 1 + grid.band);
    EXPECT_EQ(grid.rows, 200);
    // The line's two points: a step of 0.001 fades over 0.1, a step of 0.02 over 0.2.
    EXPECT_NEAR(CPlanetGrid(2000, 1).band, 0.1f, 1e-6);
    EXPECT_NEAR(CPlanetGrid(1, 100).band, 0.2f, 1e-6);

    const CPlanetViewport wide = PlanetViewport(200, 100);
    EXPECT_EQ(wide.x, 50);
    EXPECT_EQ(wide.y, 0);
    EXPECT_EQ(wide.side, 100);
    const CPlanetViewport tall = PlanetViewport(101, 204);
    EXPECT_EQ(tall.x, 0);
    EXPECT_EQ(tall.y, 51);
    EXPECT_EQ(tall.side, 101);
    const CPlanetViewport square = PlanetViewport(7, 7);
    EXPECT_EQ(square.x, 0);
    EXPECT_EQ(square.y, 0);
}

TEST(PlanetGrid, WalksCoverTheDiscAndTheRingAndStopOnCancel)
{
    const CPlanetGrid grid(200, 100);
    g_bCancelRender = 0;
    int points = 0, rows = 0, lastRow = -1;
    float firstY = 2;
    WalkPlanetSphere(
        grid,
        [&](float x, float y, float r) {
            if (points++ == 0)
                firstY = y;
            EXPECT_LE(r, 1.0f);
            EXPECT_FLOAT_EQ(r, std::sqrt(x * x + y * y));
        },
        [&](int row) {
            EXPECT_EQ(row, lastRow + 1);
            lastRow = row;
            ++rows;
            return true;
        });
    // About pi / step^2 points, bottom row first.
    EXPECT_NEAR(points, 3.14159265 * 10000, 300);
    EXPECT_NEAR(rows, 200, 1);
    EXPECT_EQ(firstY, -1.0f);

    int ring = 0;
    WalkPlanetHalo(grid, [&](float, float, float r) {
        EXPECT_GE(r, grid.inner);
        EXPECT_LE(r, grid.outer);
        ++ring;
    });
    const double area = 3.14159265 * (grid.outer * grid.outer - grid.inner * grid.inner);
    EXPECT_NEAR(ring, area / (grid.step * grid.step), area / (grid.step * grid.step) * 0.02);

    // Cancel stops both loops at once: no point after the one that set it.
    int seen = 0;
    WalkPlanetSphere(
        grid, [&](float, float, float) { if (++seen == 50) g_bCancelRender = 1; },
        [](int) { return true; });
    EXPECT_EQ(seen, 50);
    seen = 0;
    WalkPlanetHalo(grid, [&](float, float, float) { ++seen; });
    EXPECT_EQ(seen, 0);
    g_bCancelRender = 0;

    // A row callback can end the walk too.
    seen = 0;
    WalkPlanetSphere(grid, [&](float, float, float) { ++seen; }, [](int row) { return row < 2; });
    EXPECT_GT(seen, 0);
    EXPECT_LT(seen, 3 * 201);
}
