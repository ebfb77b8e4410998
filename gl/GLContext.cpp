#include "GLContext.h"

#include "PixelFormat.h"
#include "document/Dib.h"

// EGL is reached only through the entry points fetched below, so that a machine without
// it still runs the program: no EGL prototypes, no link against libEGL.
#define EGL_EGL_PROTOTYPES 0
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <QtGlobal>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

struct EglEntryPoints
{
    void* hLibrary = nullptr;
    PFNEGLGETPROCADDRESSPROC GetProcAddress = nullptr;
    PFNEGLGETERRORPROC GetError = nullptr;
    PFNEGLQUERYSTRINGPROC QueryString = nullptr;
    PFNEGLINITIALIZEPROC Initialize = nullptr;
    PFNEGLTERMINATEPROC Terminate = nullptr;
    PFNEGLGETCONFIGSPROC GetConfigs = nullptr;
    PFNEGLGETCONFIGATTRIBPROC GetConfigAttrib = nullptr;
    PFNEGLCHOOSECONFIGPROC ChooseConfig = nullptr;
    PFNEGLBINDAPIPROC BindAPI = nullptr;
    PFNEGLCREATECONTEXTPROC CreateContext = nullptr;
    PFNEGLDESTROYCONTEXTPROC DestroyContext = nullptr;
    PFNEGLMAKECURRENTPROC MakeCurrent = nullptr;
    PFNEGLGETCURRENTCONTEXTPROC GetCurrentContext = nullptr;
    PFNEGLGETCURRENTDISPLAYPROC GetCurrentDisplay = nullptr;
    PFNEGLGETCURRENTSURFACEPROC GetCurrentSurface = nullptr;
    PFNEGLRELEASETHREADPROC ReleaseThread = nullptr;
    PFNEGLGETPLATFORMDISPLAYEXTPROC GetPlatformDisplayEXT = nullptr;
    // Optional: tell a software device from a hardware one.
    PFNEGLQUERYDISPLAYATTRIBEXTPROC QueryDisplayAttribEXT = nullptr;
    PFNEGLQUERYDEVICESTRINGEXTPROC QueryDeviceStringEXT = nullptr;
};

// Framebuffer objects are GL 3.0; libGL does not promise to export them.
struct FramebufferEntryPoints
{
    PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
    PFNGLGENRENDERBUFFERSPROC GenRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC BindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage = nullptr;
};

// Sync objects are GL 3.2; optional: without them a pipeline of draws finishes instead.
struct SyncEntryPoints
{
    PFNGLFENCESYNCPROC FenceSync = nullptr;
    PFNGLCLIENTWAITSYNCPROC ClientWaitSync = nullptr;
    PFNGLDELETESYNCPROC DeleteSync = nullptr;
};

// Mesa's software renderer compiles its shaders for every new context, which costs a
// tenth of a second; so one context serves the whole process and every picture brings
// only its own framebuffer.
struct SharedContext
{
    EGLDisplay display = EGL_NO_DISPLAY;
    bool bSoftwareDevice = false;
    EGLContext context = EGL_NO_CONTEXT;
    FramebufferEntryPoints fbo;
    SyncEntryPoints sync;
    // The framebuffer of the last picture to go, for the next picture of its size: the
    // renderer gives a deleted framebuffer's storage back only later, so one made anew
    // for each render would hold two renders' worth at once, and keep it. One that the
    // next picture cannot use goes before that picture's is made.
    struct
    {
        unsigned framebuffer = 0, colorTexture = 0, depthBuffer = 0;
        int width = 0, height = 0;
    } spare;
};

EglEntryPoints s_egl;
SharedContext s_shared;
CGLOffscreenContext* s_pCurrent = nullptr;
// Set while a CGLContextHold lives: no other picture may take the binding.
bool s_bHeld = false;
std::vector<CGLOffscreenContext*> s_contexts; // every live one, so that Free can detach them

template <typename T>
bool FetchSymbol(T& fn, const char* name)
{
    fn = reinterpret_cast<T>(dlsym(s_egl.hLibrary, name));
    return fn != nullptr;
}

template <typename T>
bool FetchProc(T& fn, const char* name)
{
    fn = reinterpret_cast<T>(s_egl.GetProcAddress(name));
    return fn != nullptr;
}

bool OpenDisplay()
{
    if (s_shared.display != EGL_NO_DISPLAY)
        return true;
    EGLDisplay display =
        s_egl.GetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return false;
    EGLint major = 0, minor = 0;
    if (!s_egl.Initialize(display, &major, &minor))
        return false;
    s_shared.display = display;
    s_shared.bSoftwareDevice = false;
    EGLAttrib device = 0;
    if (s_egl.QueryDisplayAttribEXT && s_egl.QueryDeviceStringEXT &&
        s_egl.QueryDisplayAttribEXT(display, EGL_DEVICE_EXT, &device) && device) {
        const char* ext =
            s_egl.QueryDeviceStringEXT(reinterpret_cast<EGLDeviceEXT>(device), EGL_EXTENSIONS);
        s_shared.bSoftwareDevice = ext && std::strstr(ext, "EGL_MESA_device_software");
    }
    return true;
}

// The display's configs described as pixel formats: a pbuffer config draws to a bitmap
// (the picture's memory), a window config to a double-buffered window, and a config of
// the software renderer is the generic format.
class CEglPixelFormats : public CPixelFormatDevice
{
public:
    explicit CEglPixelFormats(EGLDisplay display) : m_display(display)
    {
        EGLint count = 0;
        if (!s_egl.GetConfigs(display, nullptr, 0, &count) || count <= 0)
            return;
        m_configs.resize(static_cast<size_t>(count));
        if (!s_egl.GetConfigs(display, m_configs.data(), count, &count))
            count = 0;
        m_configs.resize(static_cast<size_t>(std::max(count, 0)));
    }

    int DescribePixelFormat(int index, PIXELFORMATDESCRIPTOR& pfd) const override
    {
        const int count = static_cast<int>(m_configs.size());
        if (index < 1 || index > count)
            return 0;
        const EGLConfig config = m_configs[static_cast<size_t>(index - 1)];
        EGLint surfaces = 0, renderable = 0, bufferType = 0, caveat = EGL_NONE;
        EGLint colorBits = 0, depthBits = 0;
        if (!s_egl.GetConfigAttrib(m_display, config, EGL_SURFACE_TYPE, &surfaces) ||
            !s_egl.GetConfigAttrib(m_display, config, EGL_RENDERABLE_TYPE, &renderable) ||
            !s_egl.GetConfigAttrib(m_display, config, EGL_COLOR_BUFFER_TYPE, &bufferType) ||
            !s_egl.GetConfigAttrib(m_display, config, EGL_CONFIG_CAVEAT, &caveat) ||
            !s_egl.GetConfigAttrib(m_display, config, EGL_BUFFER_SIZE, &colorBits) ||
            !s_egl.GetConfigAttrib(m_display, config, EGL_DEPTH_SIZE, &depthBits))
            return 0;
        pfd = PIXELFORMATDESCRIPTOR{};
        if (surfaces & EGL_PBUFFER_BIT)
            pfd.dwFlags |= PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
        if (surfaces & EGL_WINDOW_BIT)
            pfd.dwFlags |= PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER;
        if (renderable & EGL_OPENGL_BIT)
            pfd.dwFlags |= PFD_SUPPORT_OPENGL;
        const bool software = s_shared.bSoftwareDevice || caveat == EGL_SLOW_CONFIG;
        pfd.dwFlags |= software ? PFD_GENERIC_FORMAT : PFD_GENERIC_ACCELERATED;
        pfd.iPixelType = bufferType == EGL_RGB_BUFFER ? PFD_TYPE_RGBA : PFD_TYPE_COLORINDEX;
        pfd.cColorBits = static_cast<BYTE>(std::min(colorBits, 255));
        pfd.cDepthBits = static_cast<BYTE>(std::min(depthBits, 255));
        return count;
    }

    std::string GetLastErrorText() const override { return ReportLastError(FALSE); }

    EGLConfig Config(int index) const { return m_configs[static_cast<size_t>(index - 1)]; }

private:
    EGLDisplay m_display;
    std::vector<EGLConfig> m_configs;
};

// The same configs as a preview window sees them: whatever can draw with OpenGL into a
// framebuffer of the shared context also serves a window, whose picture is then shown.
class CWindowPixelFormats : public CPixelFormatDevice
{
public:
    explicit CWindowPixelFormats(const CEglPixelFormats& configs) : m_configs(configs) {}

    int DescribePixelFormat(int index, PIXELFORMATDESCRIPTOR& pfd) const override
    {
        const int count = m_configs.DescribePixelFormat(index, pfd);
        if (count > 0 && (pfd.dwFlags & PFD_SUPPORT_OPENGL))
            pfd.dwFlags = (pfd.dwFlags & ~(PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI)) |
                          PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER;
        return count;
    }
    std::string GetLastErrorText() const override { return m_configs.GetLastErrorText(); }

private:
    const CEglPixelFormats& m_configs;
};

bool IsSharedContextCurrent()
{
    return s_shared.context != EGL_NO_CONTEXT &&
           s_egl.GetCurrentContext() == s_shared.context;
}

bool MakeSharedContextCurrent()
{
    s_egl.BindAPI(EGL_OPENGL_API);
    if (IsSharedContextCurrent())
        return true;
    if (!s_egl.MakeCurrent(s_shared.display, EGL_NO_SURFACE, EGL_NO_SURFACE, s_shared.context)) {
        ReportLastError(FALSE);
        return false;
    }
    return true;
}

void ReleaseSharedContext()
{
    s_egl.BindAPI(EGL_OPENGL_API);
    s_egl.MakeCurrent(s_shared.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

// Makes the shared context current for a moment (creating or deleting a picture's
// objects) and puts back whatever OpenGL context of this thread was current before.
class CSharedContextGuard
{
public:
    CSharedContextGuard()
    {
        if (s_shared.context == EGL_NO_CONTEXT)
            return;
        s_egl.BindAPI(EGL_OPENGL_API);
        if (IsSharedContextCurrent()) {
            m_bCurrent = true;
            return;
        }
        m_previousDisplay = s_egl.GetCurrentDisplay();
        m_previousContext = s_egl.GetCurrentContext();
        m_previousDraw = s_egl.GetCurrentSurface(EGL_DRAW);
        m_previousRead = s_egl.GetCurrentSurface(EGL_READ);
        m_bCurrent = MakeSharedContextCurrent();
        m_bRestore = m_bCurrent;
    }
    ~CSharedContextGuard()
    {
        if (!m_bRestore)
            return;
        if (m_previousContext != EGL_NO_CONTEXT)
            s_egl.MakeCurrent(m_previousDisplay, m_previousDraw, m_previousRead,
                              m_previousContext);
        else
            ReleaseSharedContext();
    }
    bool IsCurrent() const { return m_bCurrent; }

private:
    bool m_bCurrent = false;
    bool m_bRestore = false;
    EGLDisplay m_previousDisplay = EGL_NO_DISPLAY;
    EGLContext m_previousContext = EGL_NO_CONTEXT;
    EGLSurface m_previousDraw = EGL_NO_SURFACE;
    EGLSurface m_previousRead = EGL_NO_SURFACE;
};

// Whether the current context is at least GL major.minor or has the extension.
bool HasGLFeature(int major, int minor, const char* extension)
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int haveMajor = 0, haveMinor = 0;
    if (version && std::sscanf(version, "%d.%d", &haveMajor, &haveMinor) == 2 &&
        (haveMajor > major || (haveMajor == major && haveMinor >= minor)))
        return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, extension);
}

bool LoadFramebufferEntryPoints()
{
    if (!HasGLFeature(3, 0, "GL_ARB_framebuffer_object"))
        return false;
    FramebufferEntryPoints& f = s_shared.fbo;
    return FetchProc(f.GenFramebuffers, "glGenFramebuffers") &&
           FetchProc(f.DeleteFramebuffers, "glDeleteFramebuffers") &&
           FetchProc(f.BindFramebuffer, "glBindFramebuffer") &&
           FetchProc(f.FramebufferTexture2D, "glFramebufferTexture2D") &&
           FetchProc(f.FramebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           FetchProc(f.CheckFramebufferStatus, "glCheckFramebufferStatus") &&
           FetchProc(f.GenRenderbuffers, "glGenRenderbuffers") &&
           FetchProc(f.DeleteRenderbuffers, "glDeleteRenderbuffers") &&
           FetchProc(f.BindRenderbuffer, "glBindRenderbuffer") &&
           FetchProc(f.RenderbufferStorage, "glRenderbufferStorage");
}

void LoadSyncEntryPoints()
{
    if (!HasGLFeature(3, 2, "GL_ARB_sync"))
        return;
    SyncEntryPoints sync;
    if (FetchProc(sync.FenceSync, "glFenceSync") &&
        FetchProc(sync.ClientWaitSync, "glClientWaitSync") &&
        FetchProc(sync.DeleteSync, "glDeleteSync"))
        s_shared.sync = sync;
}

// Creates the process-wide context on the first picture's chosen config.
bool SetupSharedContext(EGLConfig config)
{
    if (s_shared.context != EGL_NO_CONTEXT)
        return true;
    if (!s_egl.BindAPI(EGL_OPENGL_API))
        return false;
    // glBegin/glEnd drawing needs the compatibility profile.
    const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                    EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context =
        s_egl.CreateContext(s_shared.display, config, EGL_NO_CONTEXT, compatibility);
    if (context == EGL_NO_CONTEXT)
        context = s_egl.CreateContext(s_shared.display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT)
        return false;
    s_shared.context = context;
    bool ok;
    {
        CSharedContextGuard guard;
        ok = guard.IsCurrent() && LoadFramebufferEntryPoints();
        if (ok)
            LoadSyncEntryPoints();
    }
    if (!ok) {
        s_egl.DestroyContext(s_shared.display, context);
        s_shared.context = EGL_NO_CONTEXT;
        s_shared.fbo = FramebufferEntryPoints{};
    }
    return ok;
}

// Pops the state pushed by MakeCurrent together with whatever the drawing left pushed,
// and resets the matrices: the shared context is back in the state of a fresh one, so
// every picture starts from the same state.
void ResetDrawingState()
{
    GLint depth = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    while (depth-- > 0)
        glPopAttrib();
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &depth);
    while (depth-- > 0)
        glPopClientAttrib();
    static const GLenum kModes[][2] = {{GL_TEXTURE, GL_TEXTURE_STACK_DEPTH},
                                       {GL_PROJECTION, GL_PROJECTION_STACK_DEPTH},
                                       {GL_MODELVIEW, GL_MODELVIEW_STACK_DEPTH}};
    for (const auto& mode : kModes) {
        glMatrixMode(mode[0]);
        glGetIntegerv(mode[1], &depth);
        while (depth-- > 1)
            glPopMatrix();
        glLoadIdentity();
    }
}

// The pixels cross between a picture (bottom-up BGR rows) and its framebuffer (BGRA, the
// colour texture's own layout) a band of rows at a time, converted here: GL given BGR
// would make a converted copy of the whole framebuffer, and our band is far smaller.
constexpr size_t kTransferBandBytes = size_t(1) << 20;

int TransferBandRows(int width)
{
    return static_cast<int>(std::max<size_t>(1, kTransferBandBytes / (size_t(width) * 4)));
}

// Into the bound texture, which is width x height.
void UploadRows(const CDib& dib, int width, int height)
{
    const int band = TransferBandRows(width);
    std::vector<BYTE> bgra(size_t(width) * 4 * size_t(std::min(band, height)));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (int y0 = 0; y0 < height; y0 += band) {
        const int rows = std::min(band, height - y0);
        BYTE* pOut = bgra.data();
        for (int y = y0; y < y0 + rows; ++y) {
            const BYTE* pIn = dib.PixelAddress(0, y);
            for (int x = 0; x < width; ++x, pIn += 3, pOut += 4) {
                pOut[0] = pIn[0];
                pOut[1] = pIn[1];
                pOut[2] = pIn[2];
                pOut[3] = 255;
            }
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y0, width, rows, GL_BGRA, GL_UNSIGNED_BYTE,
                        bgra.data());
    }
}

// Rows [first, last) from the bound read framebuffer, which is width pixels wide.
void ReadRows(CDib& dib, int width, int first, int last)
{
    const int band = TransferBandRows(width);
    std::vector<BYTE> bgra(size_t(width) * 4 * size_t(std::max(0, std::min(band, last - first))));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (int y0 = first; y0 < last; y0 += band) {
        const int rows = std::min(band, last - y0);
        glReadPixels(0, y0, width, rows, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
        const BYTE* pIn = bgra.data();
        for (int y = y0; y < y0 + rows; ++y) {
            BYTE* pOut = dib.PixelAddress(0, y);
            for (int x = 0; x < width; ++x, pIn += 4, pOut += 3) {
                pOut[0] = pIn[0];
                pOut[1] = pIn[1];
                pOut[2] = pIn[2];
            }
        }
    }
}

void ClearGLErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

const char* EglErrorName(EGLint error)
{
    switch (error) {
    case EGL_SUCCESS: return "EGL_SUCCESS";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_CURRENT_SURFACE: return "EGL_BAD_CURRENT_SURFACE";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_NATIVE_PIXMAP: return "EGL_BAD_NATIVE_PIXMAP";
    case EGL_BAD_NATIVE_WINDOW: return "EGL_BAD_NATIVE_WINDOW";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    case EGL_BAD_SURFACE: return "EGL_BAD_SURFACE";
    case EGL_CONTEXT_LOST: return "EGL_CONTEXT_LOST";
    default: return "unknown EGL error";
    }
}

}

BOOL LoadGLEntryPoints(BOOL load)
{
    return LoadGLEntryPoints(load, "libEGL.so.1");
}

BOOL LoadGLEntryPoints(BOOL load, const char* libraryName)
{
    if (!load)
        return TRUE;
    if (s_egl.hLibrary)
        return TRUE;
    // Kept mapped after dlclose: Mesa's drivers register exit handlers and thread data
    // that must outlive a FreeGLEntryPoints.
    s_egl.hLibrary = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!s_egl.hLibrary)
        return FALSE;
    const bool ok =
        FetchSymbol(s_egl.GetProcAddress, "eglGetProcAddress") &&
        FetchSymbol(s_egl.GetError, "eglGetError") &&
        FetchSymbol(s_egl.QueryString, "eglQueryString") &&
        FetchSymbol(s_egl.Initialize, "eglInitialize") &&
        FetchSymbol(s_egl.Terminate, "eglTerminate") &&
        FetchSymbol(s_egl.GetConfigs, "eglGetConfigs") &&
        FetchSymbol(s_egl.GetConfigAttrib, "eglGetConfigAttrib") &&
        FetchSymbol(s_egl.ChooseConfig, "eglChooseConfig") &&
        FetchSymbol(s_egl.BindAPI, "eglBindAPI") &&
        FetchSymbol(s_egl.CreateContext, "eglCreateContext") &&
        FetchSymbol(s_egl.DestroyContext, "eglDestroyContext") &&
        FetchSymbol(s_egl.MakeCurrent, "eglMakeCurrent") &&
        FetchSymbol(s_egl.GetCurrentContext, "eglGetCurrentContext") &&
        FetchSymbol(s_egl.GetCurrentDisplay, "eglGetCurrentDisplay") &&
        FetchSymbol(s_egl.GetCurrentSurface, "eglGetCurrentSurface") &&
        FetchSymbol(s_egl.ReleaseThread, "eglReleaseThread") &&
        FetchProc(s_egl.GetPlatformDisplayEXT, "eglGetPlatformDisplayEXT");
    if (!ok) {
        FreeGLEntryPoints();
        return FALSE;
    }
    FetchProc(s_egl.QueryDisplayAttribEXT, "eglQueryDisplayAttribEXT");
    FetchProc(s_egl.QueryDeviceStringEXT, "eglQueryDeviceStringEXT");
    return TRUE;
}

void FreeGLEntryPoints()
{
    if (!s_egl.hLibrary)
        return;
    if (s_pCurrent)
        s_pCurrent->Release();
    for (CGLOffscreenContext* p : s_contexts)
        p->Detach();
    if (s_egl.MakeCurrent && s_shared.display != EGL_NO_DISPLAY) {
        if (IsSharedContextCurrent())
            ReleaseSharedContext();
        if (s_shared.context != EGL_NO_CONTEXT)
            s_egl.DestroyContext(s_shared.display, s_shared.context);
        s_egl.Terminate(s_shared.display);
    }
    if (s_egl.ReleaseThread)
        s_egl.ReleaseThread();
    s_shared = SharedContext{};
    dlclose(s_egl.hLibrary);
    s_egl = EglEntryPoints{};
}

BOOL AreGLEntryPointsLoaded()
{
    return s_egl.hLibrary != nullptr;
}

unsigned CheckGLError(const char* label)
{
    (void)label; // names the call site when stepping through in a debugger
    return glGetError();
}

std::string ReportLastError(BOOL show)
{
    std::string text;
    if (!s_egl.GetError) {
        text = "The EGL library is not loaded";
    } else {
        const EGLint error = s_egl.GetError();
        char buffer[80];
        std::snprintf(buffer, sizeof buffer, "%s (0x%04X)", EglErrorName(error),
                      static_cast<unsigned>(error));
        text = buffer;
    }
    if (show)
        qWarning("%s", text.c_str());
    return text;
}

int ChooseWindowPixelFormat()
{
    const PIXELFORMATDESCRIPTOR request = WindowFormatRequest();
    if (!s_egl.hLibrary || !OpenDisplay()) {
        const CPixelFormatList none({}, s_egl.hLibrary ? "No EGL display" : ReportLastError(FALSE));
        return ChooseBestPixelFormat(none, request.cColorBits, request.cDepthBits, FALSE,
                                     request.dwFlags, "pixformat_window.txt");
    }
    const CEglPixelFormats configs(s_shared.display);
    return ChooseBestPixelFormat(CWindowPixelFormats(configs), request.cColorBits,
                                 request.cDepthBits, FALSE, request.dwFlags,
                                 "pixformat_window.txt");
}

int SystemChooseWindowPixelFormat()
{
    if (!s_egl.hLibrary || !OpenDisplay())
        return 0;
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!s_egl.ChooseConfig(s_shared.display, wanted, &config, 1, &count) || count < 1)
        return 0;
    const CEglPixelFormats configs(s_shared.display);
    PIXELFORMATDESCRIPTOR pfd;
    const int total = configs.DescribePixelFormat(1, pfd);
    for (int i = 1; i <= total; ++i)
        if (configs.Config(i) == config)
            return i;
    return 0;
}

BOOL CDib::CreateGLContext(BOOL bDepthBuffer)
{
    m_hGLRC.reset();
    if (!m_pBits || !s_egl.hLibrary)
        return FALSE;
    // The display stands for the memory device context of the picture.
    if (!OpenDisplay())
        return FALSE;
    const CEglPixelFormats formats(s_shared.display);
    const PIXELFORMATDESCRIPTOR request = BitmapFormatRequest();
    const int index = ChooseBestPixelFormat(formats, request.cColorBits, request.cDepthBits,
                                            FALSE, request.dwFlags, "pixformat_bitmap.txt");
    EGLConfig config = nullptr;
    if (index > 0) {
        config = formats.Config(index);
    } else {
        const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT, EGL_DEPTH_SIZE, request.cDepthBits, EGL_NONE};
        EGLint count = 0;
        if (!s_egl.ChooseConfig(s_shared.display, wanted, &config, 1, &count) || count < 1)
            return FALSE;
    }
    if (!SetupSharedContext(config))
        return FALSE;
    std::unique_ptr<CGLOffscreenContext> context(new (std::nothrow) CGLOffscreenContext(*this));
    if (!context || !context->Init(bDepthBuffer != FALSE))
        return FALSE;
    m_hGLRC.reset(context.release());
    return TRUE;
}

void CGLOffscreenContextDelete::operator()(CGLOffscreenContext* p) const
{
    delete p;
}

CGLOffscreenContext::CGLOffscreenContext(CDib& dib)
    : m_dib(dib), m_nWidth(dib.m_nWidth), m_nHeight(dib.m_nHeight)
{
    s_contexts.push_back(this);
}

CGLOffscreenContext::~CGLOffscreenContext()
{
    if (s_pCurrent == this) {
        // The picture is going away: nothing to read back.
        ResetDrawingState();
        s_shared.fbo.BindFramebuffer(GL_FRAMEBUFFER, 0);
        ReleaseSharedContext();
        s_pCurrent = nullptr;
    }
    DeleteObjects();
    s_contexts.erase(std::remove(s_contexts.begin(), s_contexts.end(), this), s_contexts.end());
}

// Deletes framebuffer objects; the shared context is current.
void DeleteFramebufferObjects(unsigned framebuffer, unsigned colorTexture, unsigned depthBuffer)
{
    const FramebufferEntryPoints& f = s_shared.fbo;
    GLuint names[1];
    if (framebuffer && f.DeleteFramebuffers) {
        names[0] = framebuffer;
        f.DeleteFramebuffers(1, names);
    }
    if (depthBuffer && f.DeleteRenderbuffers) {
        names[0] = depthBuffer;
        f.DeleteRenderbuffers(1, names);
    }
    if (colorTexture) {
        names[0] = colorTexture;
        glDeleteTextures(1, names);
    }
}

void DeleteSpareFramebuffer()
{
    auto& spare = s_shared.spare;
    DeleteFramebufferObjects(spare.framebuffer, spare.colorTexture, spare.depthBuffer);
    spare = {};
}

BOOL CGLOffscreenContext::Init(bool bDepthBuffer)
{
    CSharedContextGuard guard;
    if (!guard.IsCurrent())
        return FALSE;
    auto& spare = s_shared.spare;
    if (spare.framebuffer && spare.width == m_nWidth && spare.height == m_nHeight &&
        (spare.depthBuffer != 0) == bDepthBuffer) {
        // Its pixels are uploaded by MakeCurrent, its depth cleared by whoever draws.
        m_framebuffer = spare.framebuffer;
        m_colorTexture = spare.colorTexture;
        m_depthBuffer = spare.depthBuffer;
        spare = {};
        return TRUE;
    }
    DeleteSpareFramebuffer();
    const FramebufferEntryPoints& f = s_shared.fbo;
    // Another picture may be current and bound: leave its bindings as they were.
    GLint previousFramebuffer = 0, previousTexture = 0, previousRenderbuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFramebuffer);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &previousRenderbuffer);
    ClearGLErrors();

    GLuint texture = 0, depth = 0, framebuffer = 0;
    glGenTextures(1, &texture);
    m_colorTexture = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, m_nWidth, m_nHeight, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    if (bDepthBuffer) {
        f.GenRenderbuffers(1, &depth);
        m_depthBuffer = depth;
        f.BindRenderbuffer(GL_RENDERBUFFER, depth);
        f.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, m_nWidth, m_nHeight);
    }
    f.GenFramebuffers(1, &framebuffer);
    m_framebuffer = framebuffer;
    f.BindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    f.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (bDepthBuffer)
        f.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    const bool complete = f.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                          glGetError() == GL_NO_ERROR;

    f.BindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFramebuffer));
    f.BindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(previousRenderbuffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
    if (!complete) {
        DeleteFramebufferObjects(m_framebuffer, m_colorTexture, m_depthBuffer);
        m_framebuffer = m_colorTexture = m_depthBuffer = 0;
    }
    return complete ? TRUE : FALSE;
}

void CGLOffscreenContext::DeleteObjects()
{
    if (!m_framebuffer && !m_colorTexture && !m_depthBuffer)
        return;
    CSharedContextGuard guard;
    if (guard.IsCurrent()) {
        DeleteSpareFramebuffer();
        s_shared.spare = {m_framebuffer, m_colorTexture, m_depthBuffer, m_nWidth, m_nHeight};
    }
    Detach();
}

void CGLOffscreenContext::Detach()
{
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
    m_framebuffer = m_colorTexture = m_depthBuffer = 0;
}

BOOL CGLOffscreenContext::MakeCurrent()
{
    if (s_pCurrent == this)
        return TRUE;
    if (!m_framebuffer || !m_dib.m_pBits || s_bHeld)
        return FALSE;
    if (s_pCurrent)
        s_pCurrent->Release();
    if (!MakeSharedContextCurrent())
        return FALSE;
    s_pCurrent = this;
    s_shared.fbo.BindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    ClearGLErrors();

    glBindTexture(GL_TEXTURE_2D, m_colorTexture);
    UploadRows(m_dib, m_nWidth, m_nHeight);
    glBindTexture(GL_TEXTURE_2D, 0);
    // Everything the drawing changes is popped again by Release, so that the next picture
    // finds the state of a fresh context.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glViewport(0, 0, m_nWidth, m_nHeight);
    glScissor(0, 0, m_nWidth, m_nHeight);
    ClearGLErrors();
    return TRUE;
}

void CGLOffscreenContext::Release()
{
    if (s_pCurrent != this)
        return;
    ResetDrawingState();
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    if (m_dib.m_pBits && m_dib.m_nWidth == m_nWidth && m_dib.m_nHeight == m_nHeight)
        ::ReadRows(m_dib, m_nWidth, 0, m_nHeight);
    s_shared.fbo.BindFramebuffer(GL_FRAMEBUFFER, 0);
    ClearGLErrors();
    ReleaseSharedContext();
    s_pCurrent = nullptr;
}

void CGLOffscreenContext::ReadRows(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, m_nHeight);
    if (s_pCurrent != this || first >= last || !m_dib.m_pBits || m_dib.m_nWidth != m_nWidth ||
        m_dib.m_nHeight != m_nHeight)
        return;
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    ::ReadRows(m_dib, m_nWidth, first, last);
}

BOOL CGLOffscreenContext::IsCurrent() const
{
    return s_pCurrent == this;
}

CGLOffscreenContext* CGLOffscreenContext::GetCurrent()
{
    return s_pCurrent;
}

CGLCurrentScope::CGLCurrentScope(CDib& dib)
    : m_pContext(dib.GetGLContext()), m_bCurrent(FALSE)
{
    if (m_pContext)
        m_bCurrent = m_pContext->MakeCurrent();
}

CGLCurrentScope::~CGLCurrentScope()
{
    if (m_bCurrent)
        m_pContext->Release();
}

CGLContextHold::CGLContextHold() : m_bPrevious(s_bHeld)
{
    s_bHeld = s_pCurrent != nullptr;
}

CGLContextHold::~CGLContextHold()
{
    s_bHeld = m_bPrevious;
}

CGLDrawPipeline::~CGLDrawPipeline()
{
    Wait();
}

void CGLDrawPipeline::Submit()
{
    const SyncEntryPoints& sync = s_shared.sync;
    GLsync fence = sync.FenceSync ? sync.FenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0) : nullptr;
    glFlush();
    Wait();
    if (!fence) {
        glFinish();
        return;
    }
    m_pPending = fence;
}

void CGLDrawPipeline::Drain()
{
    Wait();
    glFinish();
}

void CGLDrawPipeline::Wait()
{
    if (!m_pPending)
        return;
    const SyncEntryPoints& sync = s_shared.sync;
    GLsync fence = static_cast<GLsync>(m_pPending);
    m_pPending = nullptr;
    constexpr GLuint64 kSecond = 1000000000;
    GLenum result;
    do
        result = sync.ClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, kSecond);
    while (result == GL_TIMEOUT_EXPIRED);
    if (result == GL_WAIT_FAILED)
        glFinish();
    sync.DeleteSync(fence);
}
