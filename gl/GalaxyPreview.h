// What the galaxy's preview window draws: the dialog's galaxy model turned by the rotation
// the user accumulates by dragging, in the window's OpenGL context. The window itself
// (gl/PreviewWnd.h) only shows the picture and turns gestures into rotation steps.
#pragma once

#include "GLMaterial.h"
#include "GLWindowContext.h"
#include "Matrix4.h"

#include <memory>

class CDib;
class CGalaxyModel;

class CGalaxyPreviewScene
{
public:
    CGalaxyPreviewScene();
    ~CGalaxyPreviewScene();
    CGalaxyPreviewScene(const CGalaxyPreviewScene&) = delete;
    CGalaxyPreviewScene& operator=(const CGalaxyPreviewScene&) = delete;

    // The window's picture pClient at width x height: field of view 60, planes 1 and 100.
    BOOL Init(CDib* pClient, int width, int height);
    BOOL Resize(int width, int height) { return m_glContext.Resize(width, height); }
    BOOL HasContext() const { return m_glContext.IsValid(); }

    // The model drawn (not owned; null draws an empty sky).
    void SetModel(CGalaxyModel* pModel) { m_pModel = pModel; }
    // Builds model for the window's pixel count with the window's context current, where
    // its meshes and textures then live. FALSE (the model left empty) without a context.
    BOOL BuildModel(CGalaxyModel& model);
    // Deletes the model with the window's context current, so that its textures go with
    // it; the scene forgets it if it was drawn.
    void DeleteModel(std::unique_ptr<CGalaxyModel>& pModel);

    // The pending step: axis first, then the angle in degrees; the next Paint multiplies
    // it into the accumulated rotation on the model's side (M <- M x R).
    void SetRotationAxis(float x, float y, float z);
    void SetRotationAngle(float degrees);
    // Multiplies a pending step into the accumulated rotation now. The rotation is then
    // taken to its tilt, spin and roll (in hundredths of a degree) and made again from
    // them, so that what the preview shows is what those angles paint on the canvas.
    void ApplyPendingStep();
    const CMatrix4& GetRotation() const { return m_matRotation; }
    // Tilt, spin and roll in degrees (CGalaxyEffect::Orientation).
    void SetOrientation(double tilt, double spin, double roll);
    double Tilt() const { return m_dTilt; }
    double Spin() const { return m_dSpin; }
    double Roll() const { return m_dRoll; }
    // Back to face-on: a quarter turn about the x axis.
    void ResetRotation();

    // Takes the pending step, then draws the model into the picture (black where there is
    // no context).
    void Paint();

private:
    CGLWindowContext m_glContext;
    CGalaxyModel* m_pModel = nullptr;
    float m_fAngle = 0;
    float m_vAxis[3] = {1, 0, 0};
    CMatrix4 m_matRotation;
    double m_dTilt = 90;
    double m_dSpin = 0;
    double m_dRoll = 0;
    CGLStateCache m_stateCache;
};
