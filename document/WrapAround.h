// The geometry of a wrap-around picture: one tile of a plane in which the picture repeats
// in both directions, so that whatever is painted past one edge comes back in at the
// opposite one.
#pragma once

#include "WinTypes.h"

#include <vector>

// v taken into [0, n): the place in the tile of a coordinate anywhere in the plane.
inline int WrapCoordinate(int v, int n)
{
    const int r = v % n;
    return r < 0 ? r + n : r;
}

// The offsets (whole multiples of the picture's width and height) by which area must be
// moved so that it meets the picture: one per copy an effect paints, {0, 0} first when
// area meets the picture itself. Offsets and area share their coordinates (top-down or
// rows).
std::vector<CPoint> WrapOffsets(const CRect& area, CSize picture);

// The smallest rectangle of the picture that holds every copy's part inside it: what a
// wrapped change must keep for undo.
CRect WrappedBounds(const CRect& area, CSize picture);
