#include "PlanetGrid.h"

#include <algorithm>

CPlanetGrid::CPlanetGrid(int width, int height)
{
    step = 2.0f / static_cast<float>(std::max(width, height));
    // The straight line through (step 0.001, band 0.1) and (step 0.02, band 0.2): coarse
    // grids fade over a wider edge so the rim does not show its steps.
    const float slope = (0.2f - 0.1f) / (0.02f - 0.001f);
    const float intercept = 0.1f - slope * 0.001f;
    band = slope * step + intercept;
    inner = 1 - band;
    outer = 1 + band;
    rows = static_cast<int>(2.0f / step);
}

CPlanetViewport PlanetViewport(int width, int height)
{
    CPlanetViewport v;
    v.side = std::min(width, height);
    v.x = width >= height ? (width - height) / 2 : 0;
    v.y = height > width ? (height - width) / 2 : 0;
    return v;
}

std::vector<float> PlanetRowHeights(const CPlanetGrid& grid)
{
    std::vector<float> heights;
    for (float y = -1; y <= 1; y += grid.step)
        heights.push_back(y);
    return heights;
}
