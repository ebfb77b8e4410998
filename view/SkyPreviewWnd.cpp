#include "SkyPreviewWnd.h"

#include "../document/RenderJob.h"
#include "../document/SkyloomDoc.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace {

// Arrow keys turn by a tenth of the field of view.
constexpr double kKeyStep = 0.1;
// Each wheel notch narrows or widens the field of view by a tenth.
constexpr double kZoomStep = 1.1;

} // namespace

CSkyPreviewWnd::CSkyPreviewWnd(CSkyloomDoc& doc, QWidget* pParent)
    // A tool window: it stays above the main window while the sky is painted there.
    : QWidget(pParent, Qt::Tool), m_doc(doc)
{
    setWindowTitle(QStringLiteral("Sky Preview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    resize(640, 400);
    m_scene.SetPanorama(&m_doc.GetImage());
    m_drawTimer.setSingleShot(true);
    m_drawTimer.setInterval(0);
    connect(&m_drawTimer, &QTimer::timeout, this, [this] { update(); });
    const auto pictureChanged = [this] {
        m_scene.SetPanorama(&m_doc.GetImage());
        ScheduleDraw();
    };
    connect(&m_doc, &CSkyloomDoc::pixelsChanged, this, pictureChanged);
    connect(&m_doc, &CSkyloomDoc::stateChanged, this, pictureChanged);
    connect(&m_doc, &CSkyloomDoc::pictureReplaced, this, pictureChanged);
}

void CSkyPreviewWnd::ScheduleDraw()
{
    m_bStale = true;
    if (isVisible())
        m_drawTimer.start();
}

void CSkyPreviewWnd::SetView(double dYaw, double dPitch, double dFieldOfView)
{
    m_scene.SetView(dYaw, dPitch, dFieldOfView);
    ScheduleDraw();
}

void CSkyPreviewWnd::TurnBy(int dx, int dy)
{
    // A pixel of the window is the field of view over its height, at its middle.
    const double perPixel = m_scene.FieldOfView() / std::max(1, height());
    SetView(m_scene.Yaw() - dx * perPixel, m_scene.Pitch() + dy * perPixel,
            m_scene.FieldOfView());
}

void CSkyPreviewWnd::ZoomBy(int nNotches)
{
    SetView(m_scene.Yaw(), m_scene.Pitch(),
            m_scene.FieldOfView() * std::pow(kZoomStep, -nNotches));
}

bool CSkyPreviewWnd::Redraw()
{
    // A render owns the picture and the OpenGL binding: the sky is drawn once it has ended
    // (the document then says its state changed).
    if (IsRendering())
        return false;
    m_scene.Resize(width(), height());
    if (!m_scene.Paint())
        return false;
    m_bStale = false;
    return true;
}

void CSkyPreviewWnd::paintEvent(QPaintEvent*)
{
    if (m_bStale)
        Redraw();
    QPainter painter(this);
    const CDib& image = m_scene.GetImage();
    if (image.GetSize() == CSize(width(), height()))
        image.Draw(&painter);
    else
        painter.fillRect(rect(), Qt::black);
    // Where the view looks, as the panorama's longitude and latitude.
    painter.setPen(QColor(200, 200, 200));
    painter.drawText(rect().adjusted(8, 4, -8, -6), Qt::AlignLeft | Qt::AlignBottom,
                     QStringLiteral("Longitude %1\u00b0, latitude %2\u00b0, field of view %3\u00b0")
                         .arg(std::lround(m_scene.Yaw()))
                         .arg(std::lround(m_scene.Pitch()))
                         .arg(std::lround(m_scene.FieldOfView())));
}

void CSkyPreviewWnd::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    m_bStale = true;
}

void CSkyPreviewWnd::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        m_ptLast = pEvent->position().toPoint();
}

void CSkyPreviewWnd::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (!(pEvent->buttons() & Qt::LeftButton))
        return;
    const QPoint pt = pEvent->position().toPoint();
    TurnBy(pt.x() - m_ptLast.x(), pt.y() - m_ptLast.y());
    m_ptLast = pt;
}

void CSkyPreviewWnd::wheelEvent(QWheelEvent* pEvent)
{
    const int nNotches = pEvent->angleDelta().y() / 120;
    if (nNotches != 0)
        ZoomBy(nNotches);
    pEvent->accept();
}

void CSkyPreviewWnd::keyPressEvent(QKeyEvent* pEvent)
{
    const double step = kKeyStep * m_scene.FieldOfView();
    const double yaw = m_scene.Yaw(), pitch = m_scene.Pitch(), fov = m_scene.FieldOfView();
    switch (pEvent->key()) {
    case Qt::Key_Left:
        SetView(yaw - step, pitch, fov);
        break;
    case Qt::Key_Right:
        SetView(yaw + step, pitch, fov);
        break;
    case Qt::Key_Up:
        SetView(yaw, pitch + step, fov);
        break;
    case Qt::Key_Down:
        SetView(yaw, pitch - step, fov);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomBy(1);
        break;
    case Qt::Key_Minus:
        ZoomBy(-1);
        break;
    default:
        QWidget::keyPressEvent(pEvent);
        break;
    }
}
