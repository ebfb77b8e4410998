#include "GLWindowContext.h"

#include "GLContext.h"
#include "document/Dib.h"
#include "effects/Effect.h"

#include <GL/gl.h>
#include <GL/glu.h>

CGLWindowContext::~CGLWindowContext()
{
    Destroy();
}

BOOL CGLWindowContext::Init(CDib* pClient, int width, int height, double fieldOfView,
                            double nearPlane, double farPlane)
{
    Destroy();
    if (!pClient)
        return FALSE;
    m_nWidth = width;
    m_nHeight = height;
    m_dFieldOfView = fieldOfView;
    m_dNear = nearPlane;
    m_dFar = farPlane;
    // Black until the first frame, and black for good without OpenGL.
    pClient->Create(width, height);
    if (!SetupPixelFormat())
        return FALSE;
    m_pClient = pClient;
    if (!CreateSurface()) {
        m_pClient = nullptr;
        return FALSE;
    }
    return TRUE;
}

BOOL CGLWindowContext::SetupPixelFormat()
{
    m_nPixelFormat = ChooseWindowPixelFormat();
    if (m_nPixelFormat < 0)
        m_nPixelFormat = SystemChooseWindowPixelFormat();
    if (m_nPixelFormat <= 0) {
        ShowEffectWarning(QStringLiteral("ChoosePixelFormat failed"));
        return FALSE;
    }
    return TRUE;
}

BOOL CGLWindowContext::CreateSurface()
{
    return m_pClient->Create(m_nWidth, m_nHeight) && m_pClient->CreateGLContext();
}

void CGLWindowContext::ApplyView() const
{
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glViewport(0, 0, m_nWidth, m_nHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_dFieldOfView, double(m_nWidth) / double(m_nHeight), m_dNear, m_dFar);
    glMatrixMode(GL_MODELVIEW);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

BOOL CGLWindowContext::MakeCurrent()
{
    CGLOffscreenContext* pContext = m_pClient ? m_pClient->GetGLContext() : nullptr;
    if (!pContext || !pContext->MakeCurrent()) {
        ReportLastError(FALSE);
        return FALSE;
    }
    // Every make-current starts from a fresh state, so the view is set each time.
    ApplyView();
    return TRUE;
}

BOOL CGLWindowContext::EndRender()
{
    CGLOffscreenContext* pContext = m_pClient ? m_pClient->GetGLContext() : nullptr;
    if (!pContext || !pContext->IsCurrent())
        return FALSE;
    CheckGLError("EndRender");
    pContext->Release();
    return TRUE;
}

BOOL CGLWindowContext::Resize(int width, int height)
{
    if (!m_pClient || width <= 0 || height <= 0)
        return FALSE;
    const BOOL bShrank = width < m_nWidth || height < m_nHeight;
    if (width == m_nWidth && height == m_nHeight)
        return FALSE;
    m_nWidth = width;
    m_nHeight = height;
    if (!CreateSurface())
        m_pClient = nullptr;
    return bShrank;
}

void CGLWindowContext::Destroy()
{
    if (!m_pClient)
        return;
    if (CGLOffscreenContext* pContext = m_pClient->GetGLContext())
        pContext->Release();
    m_pClient = nullptr;
}
