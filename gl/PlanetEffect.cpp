#include "PlanetEffect.h"

#include "EarthSurface.h"
#include "GLContext.h"
#include "GLDrawingArea.h"
#include "MoonSurface.h"
#include "PlanetRenderer.h"
#include "VenusSurface.h"
#include "document/Settings.h"
#include "document/Dib.h"

#include <new>

CPlanetEffect::CPlanetEffect(std::unique_ptr<CSurfaceModel> pSurface)
    : m_pSurface(std::move(pSurface))
{
    m_strSection = QString::fromStdString(m_pSurface->GetName());
}

CPlanetEffect::~CPlanetEffect() = default;

std::unique_ptr<CEffect> CPlanetEffect::CreateVenus()
{
    return std::make_unique<CPlanetEffect>(std::make_unique<CVenusSurface>());
}

std::unique_ptr<CEffect> CPlanetEffect::CreateMoon()
{
    return std::make_unique<CPlanetEffect>(std::make_unique<CMoonSurface>());
}

std::unique_ptr<CEffect> CPlanetEffect::CreateEarth()
{
    return std::make_unique<CPlanetEffect>(std::make_unique<CEarthSurface>());
}

void CPlanetEffect::LoadDefaults(const CSettingsStore& store)
{
    m_pSurface->LoadDefaults(store, m_strSection);
}

void CPlanetEffect::SaveDefaults(CSettingsStore& store)
{
    m_pSurface->SaveDefaults(store, m_strSection);
}

void CPlanetEffect::PrepareRender()
{
    m_pSurface->PrepareRender();
}

void CPlanetEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

void CPlanetEffect::ResetDefaults()
{
    m_dRotation = 0.0;
}

CEffectValues CPlanetEffect::GetValues()
{
    return m_pSurface->GetValues();
}

void CPlanetEffect::ValuesChanged(const QStringList& names)
{
    const QStringList reinitialising = m_pSurface->ReinitialisingValues();
    for (const QString& name : names) {
        if (reinitialising.contains(name)) {
            m_pSurface->ReinitialiseNoise();
            return;
        }
    }
}

void CPlanetEffect::ValuesLoaded()
{
    m_pSurface->ValuesLoaded();
}

void CPlanetEffect::Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress)
{
    // The planet always reports progress in the status bar, even in a preview-free render.
    (void)bShowProgress;
    CRect target = rect;
    image.FlipRect(target);
    const int w = target.Width(), h = target.Height();
    // Nothing to draw into or nothing of it visible: an empty drag, or one wholly outside
    // the picture (which has no saved copy, and no shortage of memory to report either).
    CRect inside = target;
    image.ClipRect(inside);
    if (w <= 0 || h <= 0 || inside.IsRectEmpty())
        return;

    std::unique_ptr<CGLDrawingArea> pArea(new (std::nothrow) CGLDrawingArea);
    std::unique_ptr<CPlanetRenderer> pRenderer;
    if (pSecondImage && pArea && pArea->Create(image, target, m_bWrapAround))
        pRenderer.reset(new (std::nothrow) CPlanetRenderer);
    if (!pRenderer) {
        ShowEffectWarning(QStringLiteral("Insufficent memory to render planet"));
        return;
    }
    CDib& pixels = pArea->Pixels();
    if (!pixels.CreateGLContext())
        return; // no OpenGL: nothing is drawn and the picture stays as it was
    pArea->PasteBackground(*pSecondImage);
    pRenderer->Setup(&pixels, w, h, g_nFOV, FALSE, TRUE);
    // Only the part inside the picture is kept (rows from the bottom, as GL has them).
    pRenderer->SetVisibleArea(pArea->VisiblePart());
    pRenderer->Draw(*m_pSurface, CPlanetRenderer::ProgressMeter);
    pArea->Finish();
}
