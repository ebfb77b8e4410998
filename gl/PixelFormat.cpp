#include "PixelFormat.h"

#include "LogFile.h"

#include <new>

namespace {

PIXELFORMATDESCRIPTOR Request(DWORD flags, int colorBits, int depthBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    pfd.dwFlags = flags;
    pfd.cColorBits = static_cast<BYTE>(colorBits);
    pfd.cDepthBits = static_cast<BYTE>(depthBits);
    return pfd;
}

}

PIXELFORMATDESCRIPTOR WindowFormatRequest()
{
    return Request(kWindowFormatFlags, 32, 16);
}

PIXELFORMATDESCRIPTOR BitmapFormatRequest()
{
    return Request(kBitmapFormatFlags, 24, 16);
}

int CPixelFormatList::DescribePixelFormat(int index, PIXELFORMATDESCRIPTOR& pfd) const
{
    const int count = static_cast<int>(m_formats.size());
    if (index < 1 || index > count)
        return 0;
    pfd = m_formats[static_cast<size_t>(index - 1)];
    return count;
}

int ChooseBestPixelFormat(const CPixelFormatDevice& device, int colorBits, int depthBits,
                          BOOL allowAccelerated, DWORD requiredFlags, const char* logName)
{
    CLogFile log;
    log.Open(logName, FALSE, 300);

    PIXELFORMATDESCRIPTOR first;
    const int count = device.DescribePixelFormat(1, first);
    std::vector<PIXELFORMATDESCRIPTOR> formats;
    try {
        formats.resize(static_cast<size_t>(count > 0 ? count : 0));
    } catch (const std::bad_alloc&) {
        return -1; // the caller's fallback decides
    }
    bool described = count > 0;
    for (int i = 1; described && i <= count; ++i)
        described = device.DescribePixelFormat(i, formats[static_cast<size_t>(i - 1)]) != 0;
    if (!described) {
        log.Printf("Failure calling DescribePixelFormat. Getting extended error info...\n");
        log.Printf("%s", device.GetLastErrorText().c_str());
        return -1;
    }

    int bestDifference = 1000000;
    int choice = -1;
    for (int i = 1; i <= count; ++i) {
        const PIXELFORMATDESCRIPTOR& pfd = formats[static_cast<size_t>(i - 1)];
        if (pfd.iPixelType != PFD_TYPE_RGBA)
            continue;
        const DWORD flags = pfd.dwFlags;
        const bool accelerated = (flags & PFD_GENERIC_ACCELERATED) != 0;
        log.Printf("Pixel Format %d:\n", i);
        log.Printf("\tDraw to %s\n", (flags & PFD_DRAW_TO_BITMAP)   ? "bitmap"
                                     : (flags & PFD_DRAW_TO_WINDOW) ? "window"
                                                                    : "?");
        log.Printf("\tSupports OpenGL: %s\n", (flags & PFD_SUPPORT_OPENGL) ? "yes" : "no");
        log.Printf("\tAccelerated: %s\n", accelerated ? "yes" : "no");
        log.Printf("\tColor Bits = %d, Depth Bits = %d\n", pfd.cColorBits, pfd.cDepthBits);

        const bool qualifies = (flags & requiredFlags) == requiredFlags &&
                               (!accelerated || allowAccelerated) &&
                               pfd.cColorBits >= colorBits && pfd.cDepthBits >= depthBits;
        if (!qualifies)
            continue;
        log.Printf("Pixel Format %d meets needed criteria\n", i);
        const int difference = (pfd.cColorBits - colorBits) + (pfd.cDepthBits - depthBits);
        log.Printf("Total difference = %d\n", difference);
        if (difference < bestDifference) {
            bestDifference = difference;
            choice = i;
        }
    }
    log.Printf("Pixel Format %d selected\n", choice);
    return choice;
}
