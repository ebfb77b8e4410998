// Off-screen OpenGL on a picture's pixels, the library entry points it needs and the GL
// diagnostics. All of it runs on the user-interface thread.
//
// The protocol of an off-screen drawing:
//     CDib image;  image.Create(w, h);  image.CreateGLContext();
//     (optionally paste a background into image)
//     image.GetGLContext()->MakeCurrent();   // the pixels go into the framebuffer
//     ... draw ...
//     image.GetGLContext()->Release();       // the framebuffer comes back into m_pBits
//     target.Paste(image, ...);  image.Destroy();
// CGLCurrentScope does the two middle steps for a block.
//
// A thread has one current OpenGL context across GLX and EGL: while a window's (GLX)
// context is current, creating or making current an off-screen context fails. Release
// the window's context first (QOpenGLWidget::doneCurrent).
#pragma once

#include "document/WinTypes.h"

#include <string>

class CDib;

// Loads the EGL library and fetches its entry points; with load FALSE does nothing.
// FALSE when the library or an entry point is missing: off-screen contexts then cannot
// be created and their users draw nothing. Loading twice is harmless.
BOOL LoadGLEntryPoints(BOOL load);
// The same with another library file name (tests use a missing one).
BOOL LoadGLEntryPoints(BOOL load, const char* libraryName);
// Drops every off-screen context's GL objects, the shared context and the library.
void FreeGLEntryPoints();
BOOL AreGLEntryPointsLoaded();

// The formats a preview window can draw in, scored by ChooseBestPixelFormat with the
// window request and logged in "pixformat_window.txt": the display's OpenGL configs, each
// serving a window whose picture is drawn in a framebuffer of the process-wide context and
// then shown (a double buffer). The 1-based index, or -1 when none qualifies or there is
// no display (the log then says why).
int ChooseWindowPixelFormat();
// The display's own choice of an OpenGL config, where the scorer found none: its 1-based
// index, or 0 when there is none (no EGL, no display, no OpenGL config).
int SystemChooseWindowPixelFormat();

// Reads and clears the pending GL error; returns it (0 for none). Nothing is shown.
unsigned CheckGLError(const char* label);
// The text of the last EGL error; with show set it also goes to the warning output.
std::string ReportLastError(BOOL show);

// One picture's framebuffer (colour and 16-bit depth) in the process-wide GL context.
// Owned by its CDib; made by CDib::CreateGLContext, freed by CDib::Destroy.
class CGLOffscreenContext
{
public:
    ~CGLOffscreenContext();
    CGLOffscreenContext(const CGLOffscreenContext&) = delete;
    CGLOffscreenContext& operator=(const CGLOffscreenContext&) = delete;

    // Makes the GL context current on this picture's framebuffer, with the picture's
    // pixels in it and the state of a fresh context (identity matrices, viewport of the
    // whole picture). Another picture that was current is released first.
    BOOL MakeCurrent();
    // Reads the framebuffer back into the picture and leaves no context current.
    // Nothing happens when this context is not current.
    void Release();
    BOOL IsCurrent() const;
    // Reads rows [first, last) (from the bottom) of the framebuffer back into the picture
    // while the context is current, to show a drawing under way; the drawing goes on.
    void ReadRows(int first, int last);
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

    // The picture whose context is current, or null.
    static CGLOffscreenContext* GetCurrent();

private:
    friend class CDib;
    friend void FreeGLEntryPoints();
    explicit CGLOffscreenContext(CDib& dib);
    BOOL Init(bool bDepthBuffer);
    void DeleteObjects();
    void Detach(); // the GL context is gone: forget the names

    CDib& m_dib;
    int m_nWidth = 0;
    int m_nHeight = 0;
    unsigned m_framebuffer = 0;
    unsigned m_colorTexture = 0;
    unsigned m_depthBuffer = 0;
};

// Makes a picture's context current for the life of the scope, then releases it.
class CGLCurrentScope
{
public:
    explicit CGLCurrentScope(CDib& dib);
    ~CGLCurrentScope();
    CGLCurrentScope(const CGLCurrentScope&) = delete;
    CGLCurrentScope& operator=(const CGLCurrentScope&) = delete;
    BOOL IsCurrent() const { return m_bCurrent; }

private:
    CGLOffscreenContext* m_pContext;
    BOOL m_bCurrent;
};

// While it lives, the picture current at its making keeps the GL binding: making another
// current fails. A render that pumps events from inside a draw whose state it could not set
// again holds it, so that a preview painted from the pump draws nothing instead.
class CGLContextHold
{
public:
    CGLContextHold();
    ~CGLContextHold();
    CGLContextHold(const CGLContextHold&) = delete;
    CGLContextHold& operator=(const CGLContextHold&) = delete;

private:
    bool m_bPrevious;
};

// Hands the draws made so far to the software renderer's threads while the caller goes on
// to the next, with at most one handed batch still undrawn behind them: each keeps its
// binned primitives, a few hundred bytes a point, until drawn. (A finish every few batches
// bounded that too, but left those threads idle while the next batch was prepared.)
// Without sync objects every submit finishes. Needs the context current throughout.
class CGLDrawPipeline
{
public:
    CGLDrawPipeline() = default;
    ~CGLDrawPipeline(); // waits for the last batch handed over
    CGLDrawPipeline(const CGLDrawPipeline&) = delete;
    CGLDrawPipeline& operator=(const CGLDrawPipeline&) = delete;

    // Hands over the draws since the last submit, then waits until those of the submit
    // before it are drawn.
    void Submit();
    // Waits until everything is drawn.
    void Drain();

private:
    void Wait();

    void* m_pPending = nullptr; // the fence of the last batch handed over
};
