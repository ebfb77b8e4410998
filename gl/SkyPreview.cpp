#include "SkyPreview.h"

#include "GLContext.h"
#include "effects/RenderThreads.h"
#include "imagefile/Skybox.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRadians = kPi / 180.0;
// The widest texture the preview takes: a window a few hundred pixels wide shows no more
// detail than a panorama of this width gives at the widest field of view.
constexpr int kMaxTextureWidth = 4096;
// The sphere's facets: small enough that its straight edges do not bend the sky's lines.
constexpr int kLongitudeSteps = 128;
constexpr int kLatitudeSteps = 64;

// src reduced into dst (already made, smaller on both axes), each pixel the average of the
// source pixels its area covers: quick enough for every step, and no copy of src is made.
void Reduce(const CDib& src, CDib& dst)
{
    const int sw = src.m_nWidth, sh = src.m_nHeight, dw = dst.m_nWidth, dh = dst.m_nHeight;
    ForEveryRow(0, dh, [&](int y) {
        const int y0 = int(int64_t(y) * sh / dh);
        const int y1 = std::max(y0 + 1, int(int64_t(y + 1) * sh / dh));
        for (int x = 0; x < dw; ++x) {
            const int x0 = int(int64_t(x) * sw / dw);
            const int x1 = std::max(x0 + 1, int(int64_t(x + 1) * sw / dw));
            unsigned sum[3] = {0, 0, 0};
            for (int j = y0; j < y1; ++j) {
                const BYTE* p = src.PixelAddress(x0, j);
                for (int i = x0; i < x1; ++i, p += 3)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p[c];
            }
            const unsigned n = unsigned((x1 - x0) * (y1 - y0));
            BYTE* q = dst.PixelAddress(x, y);
            for (int c = 0; c < 3; ++c)
                q[c] = BYTE((sum[c] + n / 2) / n);
        }
    });
}

} // namespace

CSkyPreviewScene::~CSkyPreviewScene()
{
    DeleteTexture();
}

void CSkyPreviewScene::Resize(int width, int height)
{
    width = std::max(1, width);
    height = std::max(1, height);
    if (m_image.GetSize() == CSize(width, height) && m_image.m_pBits)
        return;
    // The texture lives in the process-wide context, not the picture's framebuffer: a new
    // picture keeps it.
    m_image.Create(width, height);
    m_image.CreateGLContext(FALSE);
}

void CSkyPreviewScene::SetPanorama(const CDib* pPanorama)
{
    m_pPanorama = pPanorama;
    m_bPanoramaChanged = true;
}

void CSkyPreviewScene::SetView(double dYaw, double dPitch, double dFieldOfView)
{
    m_dYaw = std::fmod(dYaw, 360.0);
    if (m_dYaw < 0)
        m_dYaw += 360.0;
    m_dPitch = std::clamp(dPitch, -90.0, 90.0);
    m_dFieldOfView = std::clamp(dFieldOfView, kMinFieldOfView, kMaxFieldOfView);
}

void CSkyPreviewScene::DeleteTexture()
{
    if (m_texture == 0)
        return;
    // Only with a context current; without one the name went with the context.
    if (m_image.GetGLContext()) {
        const CGLCurrentScope scope(m_image);
        if (scope.IsCurrent())
            glDeleteTextures(1, &m_texture);
    }
    m_texture = 0;
}

bool CSkyPreviewScene::UploadPanorama()
{
    m_bPanoramaChanged = false;
    if (!m_pPanorama || !m_pPanorama->m_pBits || m_pPanorama->m_nWidth < 2)
        return false;
    // A large panorama goes in reduced.
    const CDib* pSource = m_pPanorama;
    CDib reduced;
    if (m_pPanorama->m_nWidth > kMaxTextureWidth) {
        const int h = std::max(1, int(int64_t(kMaxTextureWidth) * m_pPanorama->m_nHeight /
                                      m_pPanorama->m_nWidth));
        if (!reduced.Create(kMaxTextureWidth, h))
            return false;
        Reduce(*m_pPanorama, reduced);
        pSource = &reduced;
    }
    if (m_texture == 0)
        glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    // Longitude wraps around; latitude stops at the poles.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    // Bottom-up rows of blue, green, red, each padded to 4 bytes: the first row is the
    // south pole's, texture row 0.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, pSource->m_nWidth, pSource->m_nHeight, 0, GL_BGR,
                 GL_UNSIGNED_BYTE, pSource->m_pBits);
    return CheckGLError("SkyPreview glTexImage2D") == 0;
}

bool CSkyPreviewScene::Paint()
{
    if (!m_image.GetGLContext())
        return false;
    CGLCurrentScope scope(m_image);
    if (!scope.IsCurrent())
        return false;
    // The texture lives in the one context every picture shares; it is taken again only
    // when the panorama changed.
    if (m_bPanoramaChanged || m_texture == 0)
        UploadPanorama();

    const int w = m_image.m_nWidth, h = m_image.m_nHeight;
    glViewport(0, 0, w, h);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_dFieldOfView, double(w) / double(h), 0.1, 10);

    // The camera's axes in the sky: right where longitude grows, up where latitude grows,
    // so the sky shows as the panorama does, not mirrored.
    const double l = m_dYaw * kRadians, p = m_dPitch * kRadians;
    const CSkyDirection f = PanoramaDirection(m_dYaw, m_dPitch);
    const double r[3] = {-std::cos(l), 0, std::sin(l)};
    const double u[3] = {std::sin(p) * std::sin(l), std::cos(p), std::sin(p) * std::cos(l)};
    const GLdouble view[16] = {r[0], u[0], -f.x, 0, r[1], u[1], -f.y, 0,
                               r[2], u[2], -f.z, 0, 0,    0,    0,    1};
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(view);

    if (m_texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, m_texture);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    glColor3f(1, 1, 1);
    // Bands of latitude from the south pole up, each a strip of quads around the sphere;
    // texture coordinates are longitude and latitude, as the panorama's columns and rows.
    for (int j = 0; j < kLatitudeSteps; ++j) {
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= kLongitudeSteps; ++i) {
            const double s = double(i) / kLongitudeSteps;
            for (const int k : {j + 1, j}) {
                const double t = double(k) / kLatitudeSteps;
                const CSkyDirection d = PanoramaDirection(s * 360.0, t * 180.0 - 90.0);
                glTexCoord2d(s, t);
                glVertex3d(d.x, d.y, d.z);
            }
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
    CheckGLError("SkyPreview Paint");
    return true;
}
