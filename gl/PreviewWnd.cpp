#include "PreviewWnd.h"

#include "../app/Settings.h"
#include "../effects/Color.h"
#include "../effects/Effect.h"
#include "../effects/EffectDlg.h"
#include "../effects/Random.h"
#include "../view/ProgressMeter.h"

#include <QPainter>

#include <chrono>

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

void CEffectPreviewWnd::Refresh()
{
    auto* pDialog = qobject_cast<CEffectDlg*>(window());
    if (!pDialog || !pDialog->GetEffect())
        return;
    CEffect& effect = *pDialog->GetEffect();
    // The dialog stays enabled: disabling it would take the keyboard focus from the field
    // the user is typing in, and a preview pumps no events that could reach it meanwhile.
    pDialog->SetQuiet(TRUE);
    const BOOL bValid = effect.FromDialog(pDialog);
    pDialog->SetQuiet(FALSE);
    if (!bValid)
        return;
    m_image.Fill(CColor(g_crBkgndColor, TRUE).ToRGB());
    SetRandomSeed(GetTickCount());
    g_nEffectSeed = GetRandomSeed();
    // Previews never run inside a canvas render (they wait for it), so a set flag is left
    // over from an earlier render and must not stop this one.
    g_bCancelRender = 0;
    effect.PrepareRender();
    effect.Render(m_image, CRect(0, 0, m_image.m_nWidth, m_image.m_nHeight), nullptr, FALSE);
    update();
}
