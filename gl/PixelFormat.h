// Pixel-format descriptions and the scorer that picks the closest software format.
#pragma once

#include "document/WinTypes.h"

#include <string>
#include <vector>

// Flags of a format, with the values of the system they were first written for.
constexpr DWORD PFD_DOUBLEBUFFER = 0x00000001;
constexpr DWORD PFD_DRAW_TO_WINDOW = 0x00000004;
constexpr DWORD PFD_DRAW_TO_BITMAP = 0x00000008;
constexpr DWORD PFD_SUPPORT_GDI = 0x00000010;
constexpr DWORD PFD_SUPPORT_OPENGL = 0x00000020;
constexpr DWORD PFD_GENERIC_FORMAT = 0x00000040;
constexpr DWORD PFD_GENERIC_ACCELERATED = 0x00001000;

constexpr BYTE PFD_TYPE_RGBA = 0;
constexpr BYTE PFD_TYPE_COLORINDEX = 1;
constexpr BYTE PFD_MAIN_PLANE = 0;

// What the scorer reads of a format (and what a request states).
struct PIXELFORMATDESCRIPTOR
{
    WORD nSize = 40;
    WORD nVersion = 1;
    DWORD dwFlags = 0;
    BYTE iPixelType = PFD_TYPE_RGBA;
    BYTE cColorBits = 0;
    BYTE cDepthBits = 0;
    BYTE iLayerType = PFD_MAIN_PLANE;
};

// Requests of the two kinds of context.
constexpr DWORD kWindowFormatFlags =
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_GENERIC_FORMAT;
constexpr DWORD kBitmapFormatFlags =
    PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL | PFD_GENERIC_FORMAT;
PIXELFORMATDESCRIPTOR WindowFormatRequest();
PIXELFORMATDESCRIPTOR BitmapFormatRequest();

// The formats a device offers, numbered from 1.
class CPixelFormatDevice
{
public:
    virtual ~CPixelFormatDevice() = default;
    // Fills pfd with format index and returns how many formats there are; 0 on failure.
    virtual int DescribePixelFormat(int index, PIXELFORMATDESCRIPTOR& pfd) const = 0;
    // Why the last description failed.
    virtual std::string GetLastErrorText() const = 0;
};

// A device whose formats are a fixed list; an empty list fails to describe.
class CPixelFormatList : public CPixelFormatDevice
{
public:
    CPixelFormatList() = default;
    explicit CPixelFormatList(std::vector<PIXELFORMATDESCRIPTOR> formats,
                              std::string errorText = "No pixel formats")
        : m_formats(std::move(formats)), m_strError(std::move(errorText))
    {
    }
    int DescribePixelFormat(int index, PIXELFORMATDESCRIPTOR& pfd) const override;
    std::string GetLastErrorText() const override { return m_strError; }

    std::vector<PIXELFORMATDESCRIPTOR> m_formats;
    std::string m_strError;
};

// Scores every RGBA format of the device against the wanted bits and required flags,
// explains each step in logName (temporary folder, rewritten on every call) and returns
// the 1-based index of the qualifying format closest to the wanted bits (the lowest index
// on a tie), or -1 when none qualifies or the device cannot describe its formats.
int ChooseBestPixelFormat(const CPixelFormatDevice& device, int colorBits, int depthBits,
                          BOOL allowAccelerated, DWORD requiredFlags, const char* logName);
