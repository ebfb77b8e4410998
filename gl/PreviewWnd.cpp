#include "PreviewWnd.h"

#include "../document/Settings.h"
#include "../effects/Color.h"
#include "../effects/Effect.h"
#include "../effects/EffectDlg.h"
#include "../effects/Random.h"
#include "GalaxyDlg.h"
#include "PlanetEffect.h"
#include "../effects/ProgressMeter.h"

#include <QMouseEvent>
#include <QPainter>

#include <chrono>
#include <cmath>

DWORD GetTickCount()
{
    using namespace std::chrono;
    return static_cast<DWORD>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

CPreviewWnd::CPreviewWnd(QWidget* pParent) : QWidget(pParent)
{
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ResizeBuffer();
}

void CPreviewWnd::ResizeBuffer()
{
    m_image.Create(width(), height());
}

void CPreviewWnd::Refresh()
{
    update();
}

void CPreviewWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_image.Draw(&painter);
}

CEffect* CPreviewWnd::BeginRender()
{
    auto* pDialog = qobject_cast<CEffectDlg*>(window());
    if (!pDialog || !pDialog->GetEffect())
        return nullptr;
    CEffect& effect = *pDialog->GetEffect();
    // The dialog stays enabled: disabling it would take the keyboard focus from the field
    // the user is typing in, and a preview pumps no events that could reach it meanwhile.
    pDialog->SetQuiet(TRUE);
    const BOOL bValid = effect.FromDialog(pDialog);
    pDialog->SetQuiet(FALSE);
    if (!bValid)
        return nullptr;
    // A step being edited keeps its seed (until "New Seed"); a tool's dialog takes a new one.
    const QVariant held = pDialog->property("heldSeed");
    SetRandomSeed(held.isValid() ? held.toUInt() : GetTickCount());
    g_nEffectSeed = GetRandomSeed();
    // Previews never run inside a canvas render (they wait for it), so a set flag is left
    // over from an earlier render and must not stop this one.
    g_bCancelRender = 0;
    effect.PrepareRender();
    return &effect;
}

void CEffectPreviewWnd::Refresh()
{
    CEffect* pEffect = BeginRender();
    if (!pEffect)
        return;
    m_image.Fill(CColor(g_crBkgndColor, TRUE).ToRGB());
    pEffect->Render(m_image, CRect(0, 0, m_image.m_nWidth, m_image.m_nHeight), nullptr, FALSE);
    update();
}

void CPlanetPreviewWnd::ResizeBuffer()
{
    m_bRendererSet = FALSE;
    if (!m_image.Create(width(), height()) || !m_image.CreateGLContext())
        return;
    m_renderer.Setup(&m_image, width(), height(), 45, TRUE, TRUE);
    m_bRendererSet = TRUE;
}

void CPlanetPreviewWnd::Refresh()
{
    // Without an off-screen context there is nothing to draw with: the picture stays black.
    if (!m_bRendererSet)
        return;
    auto* pPlanet = dynamic_cast<CPlanetEffect*>(BeginRender());
    if (!pPlanet)
        return;
    m_renderer.Draw(pPlanet->GetSurface(), CPlanetRenderer::ProgressNone);
    update();
}

CGalaxyPreviewWnd::CGalaxyPreviewWnd(QWidget* pParent) : CPreviewWnd(pParent)
{
    setToolTip(QStringLiteral("Click and drag to rotate"));
}

void CGalaxyPreviewWnd::ResizeBuffer()
{
    m_scene.Init(&m_image, width(), height());
}

void CGalaxyPreviewWnd::Refresh()
{
    if (auto* pDialog = qobject_cast<CGalaxyDlg*>(window()))
        pDialog->RebuildModel();
    update();
}

void CGalaxyPreviewWnd::TurnBy(int dx, int dy)
{
    const double d = std::sqrt(double(dx) * dx + double(dy) * dy);
    if (d == 0)
        return;
    m_scene.SetRotationAxis(float(-dy / d), float(dx / d), 0);
    m_scene.SetRotationAngle(float(std::atan2(d, 50.0) * 180.0 / 3.14159265358979323846));
    // Taken at once, so the dialog's angles follow the turn as it goes.
    m_scene.ApplyPendingStep();
    if (auto* pDialog = qobject_cast<CGalaxyDlg*>(window()))
        pDialog->ShowOrientation();
    update();
}

void CGalaxyPreviewWnd::paintEvent(QPaintEvent* pEvent)
{
    m_scene.Paint();
    CPreviewWnd::paintEvent(pEvent);
}

void CGalaxyPreviewWnd::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton) {
        CPreviewWnd::mousePressEvent(pEvent);
        return;
    }
    m_ptLast = pEvent->position().toPoint();
    // With manual previews a click is the request for a new picture.
    if (auto* pDialog = qobject_cast<CPreviewHostDlg*>(window());
        pDialog && pDialog->GetPreviewDelay() <= 0)
        pDialog->RefreshPreview();
}

void CGalaxyPreviewWnd::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (!(pEvent->buttons() & Qt::LeftButton))
        return;
    const QPoint pt = pEvent->position().toPoint();
    TurnBy(pt.x() - m_ptLast.x(), pt.y() - m_ptLast.y());
    m_ptLast = pt;
}
