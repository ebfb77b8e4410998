// Picture checks that say where a picture differs, in hexadecimal packed colours.
#pragma once

#include "document/Dib.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

inline std::string Hex(DWORD v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(v));
    return text;
}

// Packed 0x00RRGGBB at (x, y), y counted in rows from the bottom.
inline ::testing::AssertionResult PixelIs(const CDib& dib, int x, int y, DWORD expected)
{
    const DWORD got = dib.GetPixel(x, y);
    if (got == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", row " << y << ") is " << Hex(got)
                                         << ", expected " << Hex(expected);
}

// Every pixel of two pictures within a tolerance per channel; names the first difference.
inline ::testing::AssertionResult SamePicture(const CDib& expected, const CDib& got,
                                              int tolerance = 0)
{
    if (got.GetSize() != expected.GetSize())
        return ::testing::AssertionFailure()
               << "size " << got.m_nWidth << " x " << got.m_nHeight << ", expected "
               << expected.m_nWidth << " x " << expected.m_nHeight;
    for (int y = expected.m_nHeight - 1; y >= 0; --y)
        for (int x = 0; x < expected.m_nWidth; ++x) {
            const DWORD a = expected.GetPixel(x, y), b = got.GetPixel(x, y);
            for (int c = 0; c < 24; c += 8) {
                const int d = int((a >> c) & 0xFF) - int((b >> c) & 0xFF);
                if (d > tolerance || d < -tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << expected.m_nHeight - 1 - y
                           << ") from the top (row " << y << ") is " << Hex(b) << ", expected "
                           << Hex(a);
            }
        }
    return ::testing::AssertionSuccess();
}
