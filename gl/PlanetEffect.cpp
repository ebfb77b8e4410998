#include "PlanetEffect.h"

#include "EarthSurface.h"
#include "GLContext.h"
#include "GLDrawingArea.h"
#include "MoonSurface.h"
#include "PlanetGrid.h"
#include "PlanetRenderer.h"
#include "VenusSurface.h"
#include "document/Settings.h"
#include "document/Dib.h"

#include <algorithm>
#include <cmath>
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
    CRect r = rect;
    r.NormalizeRect();
    PaintFeedback(pPainter, EllipseCrossFeedback(DiscRect(r), 0));
}

CRect CPlanetEffect::DiscRect(const CRect& rect) const
{
    const int w = rect.Width(), h = rect.Height();
    if (w <= 0 || h <= 0)
        return rect;
    // The sphere of radius 1 sits 5 units before the eye in the centred square viewport:
    // its silhouette has the tangent of asin(1 / 5) as its slope, 1 / sqrt(24); the halo
    // ring lies in the plane through its centre, out to the grid's outer radius.
    const double f = 1 / std::tan(FieldOfView() * 3.14159265358979323846 / 360);
    double slope = 1 / std::sqrt(24.0);
    if (m_pSurface->HasHalo())
        slope = std::max(slope, double(CPlanetGrid(w, h).outer) / 5);
    const CPlanetViewport v = PlanetViewport(w, h);
    const double radius = v.side / 2.0 * f * slope;
    // Window rows count from the bottom: the square's centre from the top is h - v.y - side / 2.
    const double cx = rect.left + v.x + v.side / 2.0;
    const double cy = rect.top + h - v.y - v.side / 2.0;
    return CRect(static_cast<int>(std::lround(cx - radius)),
                 static_cast<int>(std::lround(cy - radius)),
                 static_cast<int>(std::lround(cx + radius)),
                 static_cast<int>(std::lround(cy + radius)));
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

std::vector<CEffectOption> CPlanetEffect::GetOptions()
{
    return {{"FOV", "degrees of the field of view the planet is seen through, 1 to 179 [30]"}};
}

bool CPlanetEffect::SetOption(const QString& name, const QString& text, QString& why)
{
    if (name != QLatin1String("FOV"))
        return CEffect::SetOption(name, text, why);
    bool bOk = false;
    const int n = text.trimmed().toInt(&bOk);
    if (!bOk || n < 1 || n > 179) {
        why = QStringLiteral("expects whole degrees from 1 to 179");
        return false;
    }
    m_nFieldOfView = n;
    return true;
}

QString CPlanetEffect::GetOption(const QString& name) const
{
    return name == QLatin1String("FOV") ? QString::number(FieldOfView()) : QString();
}

int CPlanetEffect::FieldOfView() const
{
    return m_nFieldOfView > 0 ? m_nFieldOfView : g_nFOV;
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

    const CRect drawn = m_bWrapAround ? target : CGLDrawingArea::DrawnPart(image, target);
    std::unique_ptr<CGLDrawingArea> pArea(new (std::nothrow) CGLDrawingArea);
    std::unique_ptr<CPlanetRenderer> pRenderer;
    if (pSecondImage && pArea && pArea->Create(image, drawn, m_bWrapAround))
        pRenderer.reset(new (std::nothrow) CPlanetRenderer);
    if (!pRenderer) {
        ShowEffectWarning(QStringLiteral("Insufficent memory to render planet"));
        return;
    }
    CDib& pixels = pArea->Pixels();
    if (!pixels.CreateGLContext())
        return; // no OpenGL: nothing is drawn and the picture stays as it was
    pArea->PasteBackground(*pSecondImage);
    pRenderer->Setup(&pixels, w, h, FieldOfView(), FALSE, TRUE);
    // Only the part inside the picture is kept (rows from the bottom, as GL has them).
    if (m_bWrapAround) {
        pRenderer->SetVisibleArea(pArea->VisiblePart());
    } else {
        inside.OffsetRect(-target.left, -target.top);
        pRenderer->SetVisibleArea(inside);
        pRenderer->SetTargetOrigin(CPoint(drawn.left - target.left, drawn.top - target.top));
    }
    pRenderer->WatchIn(pArea.get());
    pRenderer->Draw(*m_pSurface, CPlanetRenderer::ProgressMeter);
    pArea->Finish();
}
