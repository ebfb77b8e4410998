// The picture's rows into a libpng write that has written its header: shared by the save
// and the benchmark of compression settings, so both measure the same work.
#pragma once

#include "document/WinTypes.h"

#include <png.h>

class CDib;

// Rows go bottom-up in the picture, top-down in the file; blue-green-red is swapped by
// libpng. pGreyRow, when not null, has room for a row of grey bytes and is what is written.
// libpng may jump out of this on an error: it holds no object with a destructor.
void WritePngRows(png_structp png, const CDib& dib, BYTE* pGreyRow);
