// OpenGL on a window's client area. The picture the window shows is drawn by the
// process-wide off-screen context (one OpenGL binding for the whole program: a second,
// window-system context current on the same thread would make the off-screen one fail),
// and "swapping the buffers" reads the drawing back into that picture for the window to
// paint. The window's pixel format is still chosen and logged as for any window.
#pragma once

#include "document/WinTypes.h"

class CDib;

class CGLWindowContext
{
public:
    CGLWindowContext() = default;
    ~CGLWindowContext();
    CGLWindowContext(const CGLWindowContext&) = delete;
    CGLWindowContext& operator=(const CGLWindowContext&) = delete;

    // Takes pClient (the window's picture) at width x height pixels, seen through
    // fieldOfView degrees between the near and far planes. FALSE, with the picture black
    // and nothing ever drawn, when no pixel format or no context can be had.
    BOOL Init(CDib* pClient, int width, int height, double fieldOfView, double nearPlane,
              double farPlane);
    // Chooses the window's pixel format with the scorer ("pixformat_window.txt"), falling
    // back on the display's own choice; "ChoosePixelFormat failed" when there is none.
    BOOL SetupPixelFormat();
    // Makes the context current on the picture with the view of Init (depth test, smooth
    // shading, the perspective of the stored angle and planes). FALSE when there is none.
    BOOL MakeCurrent();
    // Polls the GL error, then brings the drawing into the picture and releases the
    // context. FALSE when the context was not current.
    BOOL EndRender();
    // A new client size. Nothing when either side is 0 or less. TRUE when the window
    // shrank in either direction: its owner then redraws it at once.
    BOOL Resize(int width, int height);
    // Releases the context; the picture stays as it was last drawn.
    void Destroy();

    BOOL IsValid() const { return m_pClient != nullptr; }
    int GetPixelFormat() const { return m_nPixelFormat; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

private:
    BOOL CreateSurface();
    void ApplyView() const;

    CDib* m_pClient = nullptr; // not owned; null until Init succeeds
    double m_dFieldOfView = 60;
    double m_dNear = 1;
    double m_dFar = 100;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nPixelFormat = -1;
};
