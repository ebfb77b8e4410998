#include "WrapAround.h"

namespace {

// The multiples k of n for which [a + k n, b + k n) meets [0, n), smallest first.
void Multiples(int a, int b, int n, int& kFirst, int& kLast)
{
    // floor((n - 1 - a) / n) + ... in 64 bits: a and b may lie far out.
    auto floorDiv = [](long long p, long long q) { return p >= 0 ? p / q : -((-p + q - 1) / q); };
    kFirst = static_cast<int>(floorDiv(-static_cast<long long>(b), n) + 1);
    kLast = static_cast<int>(floorDiv(static_cast<long long>(n) - 1 - a, n));
}

}

std::vector<CPoint> WrapOffsets(const CRect& area, CSize picture)
{
    std::vector<CPoint> offsets;
    if (area.IsRectEmpty() || picture.cx <= 0 || picture.cy <= 0)
        return offsets;
    int x0, x1, y0, y1;
    Multiples(area.left, area.right, picture.cx, x0, x1);
    Multiples(area.top, area.bottom, picture.cy, y0, y1);
    if (x0 <= 0 && 0 <= x1 && y0 <= 0 && 0 <= y1)
        offsets.emplace_back(0, 0);
    for (int ky = y0; ky <= y1; ++ky) {
        for (int kx = x0; kx <= x1; ++kx) {
            if (kx != 0 || ky != 0)
                offsets.emplace_back(kx * picture.cx, ky * picture.cy);
        }
    }
    return offsets;
}

CRect WrappedBounds(const CRect& area, CSize picture)
{
    const CRect whole(0, 0, picture.cx, picture.cy);
    CRect bounds;
    for (const CPoint& offset : WrapOffsets(area, picture)) {
        CRect copy = area;
        copy.OffsetRect(offset.x, offset.y);
        CRect inside;
        if (inside.IntersectRect(copy, whole))
            bounds.UnionRect(bounds, inside);
    }
    return bounds;
}
