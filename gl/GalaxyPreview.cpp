#include "GalaxyPreview.h"

#include "GLContext.h"
#include "GalaxyEffect.h"
#include "GalaxyModel.h"
#include "document/Dib.h"

#include <GL/gl.h>

CGalaxyPreviewScene::CGalaxyPreviewScene() : m_matRotation(CGalaxyEffect::FaceOnRotation())
{
}

CGalaxyPreviewScene::~CGalaxyPreviewScene() = default;

BOOL CGalaxyPreviewScene::Init(CDib* pClient, int width, int height)
{
    return m_glContext.Init(pClient, width, height, 60, 1, 100);
}

BOOL CGalaxyPreviewScene::BuildModel(CGalaxyModel& model)
{
    if (!m_glContext.MakeCurrent())
        return FALSE;
    model.Build(m_glContext.GetWidth() * m_glContext.GetHeight());
    m_glContext.EndRender();
    return TRUE;
}

void CGalaxyPreviewScene::DeleteModel(std::unique_ptr<CGalaxyModel>& pModel)
{
    if (!pModel)
        return;
    if (m_pModel == pModel.get())
        m_pModel = nullptr;
    // Without a context the model never made a texture, so nothing is left behind.
    const BOOL bCurrent = m_glContext.MakeCurrent();
    pModel.reset();
    if (bCurrent)
        m_glContext.EndRender();
}

void CGalaxyPreviewScene::SetRotationAxis(float x, float y, float z)
{
    m_vAxis[0] = x;
    m_vAxis[1] = y;
    m_vAxis[2] = z;
}

void CGalaxyPreviewScene::SetRotationAngle(float degrees)
{
    m_fAngle = degrees;
}

void CGalaxyPreviewScene::ResetRotation()
{
    SetOrientation(90, 0, 0);
}

void CGalaxyPreviewScene::SetOrientation(double tilt, double spin, double roll)
{
    m_dTilt = tilt;
    m_dSpin = spin;
    m_dRoll = roll;
    m_matRotation = CGalaxyEffect::Orientation(tilt, spin, roll);
    m_fAngle = 0;
}

void CGalaxyPreviewScene::ApplyPendingStep()
{
    if (m_fAngle == 0)
        return;
    const CMatrix4 turned =
        m_matRotation * CMatrix4::Rotation(m_fAngle, m_vAxis[0], m_vAxis[1], m_vAxis[2]);
    double tilt = 0, spin = 0, roll = 0;
    CGalaxyEffect::OrientationAngles(turned, tilt, spin, roll);
    SetOrientation(tilt, spin, roll);
}

void CGalaxyPreviewScene::Paint()
{
    // The step is taken even where nothing can be drawn, so the orientation the canvas
    // receives is the one the user turned to.
    ApplyPendingStep();
    if (!m_glContext.MakeCurrent())
        return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    glTranslatef(0, 0, -8);
    glMultMatrixf(m_matRotation.Data());
    if (m_pModel) {
        // Each make-current starts from a fresh state, which the cache must know.
        m_stateCache.Reset();
        m_stateCache.Capture();
        m_pModel->Draw(m_stateCache);
    }
    glPopMatrix();
    m_glContext.EndRender();
}
