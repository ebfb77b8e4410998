// Shared by the tests that draw with OpenGL: loads the entry points once per process and
// says which pixel differs when a picture is not as expected.
#pragma once

#include "document/Dib.h"
#include "gl/GLContext.h"

#include <gtest/gtest.h>

#include <cstdio>

class GLTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { LoadGLEntryPoints(TRUE); }
    void SetUp() override { ASSERT_TRUE(AreGLEntryPointsLoaded()) << "no EGL library"; }
};

// Packed 0x00RRGGBB at (x, y), y counted in rows from the bottom.
inline ::testing::AssertionResult PixelIs(const CDib& dib, int x, int y, DWORD expected)
{
    const DWORD got = dib.GetPixel(x, y);
    if (got == expected)
        return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "pixel (%d, %d) is 0x%06X, expected 0x%06X", x, y,
                  static_cast<unsigned>(got), static_cast<unsigned>(expected));
    return ::testing::AssertionFailure() << text;
}
