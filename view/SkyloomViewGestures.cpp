// The canvas's gestures: what the mouse, the wheel and the keys do on it. Painting by a
// drag or a click is handed to the view's render (SkyloomView.cpp); the rest is here.
#include "SkyloomView.h"

#include "CanvasGestures.h"
#include "PreviewHostDlg.h"
#include "../document/RenderJob.h"
#include "../document/SkyPatch.h"
#include "../document/SkyloomDoc.h"
#include "../effects/EffectTools.h"
#include "../gl/PlanetEffect.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

bool CSkyloomView::viewportEvent(QEvent* event)
{
    // While a render pumps events, the canvas takes no gesture: the picture is busy.
    if (IsRendering() && IsGestureEvent(event->type()))
        return true;
    return QAbstractScrollArea::viewportEvent(event);
}

void CSkyloomView::mousePressEvent(QMouseEvent* event)
{
    // A click on the canvas brings the keyboard back from a properties dialog.
    TakeKeyboard();
    if (event->button() != Qt::LeftButton || IsRendering())
        return;
    const CPoint pt = LogicalFromViewport(event->position().toPoint());
    if (m_bStepRectEdit) {
        m_stepGrip.Take(pt, m_rectStep, GetZoom());
        return;
    }
    if (m_bPasting) {
        MovePasteFrame(pt);
        PlacePaste(event->modifiers() & Qt::ShiftModifier);
        return;
    }
    CEffect* pTool = m_tools[m_nTool].get();
    if (pTool->ClearsSelectionOnClick() && !m_rectSelection.IsRectEmpty())
        SetSelection(CRect());

    if (m_nTool == TOOL_STARFIELD) {
        RenderAtClick(*pTool);
        return;
    }
    m_bDragging = TRUE;
    m_dragPoints.clear();
    m_dragPoints.push_back(pt);
    m_ptLast = pt;
}

void CSkyloomView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click is an ordinary press: a Star Field click must
    // not render twice, and a drag starts again as usual.
    if (m_nTool == TOOL_STARFIELD)
        return;
    mousePressEvent(event);
}

void CSkyloomView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const CPoint q = LogicalFromViewport(p);
    if (q == m_ptLast && !(m_bDragging && m_dragPoints.size() < 2) && !m_bPasting)
        return;
    m_ptLast = q;
    m_bHasLastPoint = TRUE;
    emit statusChanged();
    if (m_stepGrip.IsHeld()) {
        CRect r = m_rectStep;
        if (m_stepGrip.Drag(q, r)) {
            SetStepRect(r);
            emit stepRectChanged(m_rectStep);
        }
        return;
    }
    if (m_bPasting) {
        MovePasteFrame(q);
        AutoScroll(p);
        return;
    }
    if (!m_bDragging)
        return;
    const CRect oldBand = DragRectangle();
    if (m_dragPoints.size() < 2)
        m_dragPoints.push_back(q);
    else
        m_dragPoints[1] = q;
    m_rectDrag = DragRectangle();
    // Repaint the old and the new band (the band is an overlay on the picture).
    CRect a = oldBand, b = m_rectDrag;
    a.InflateRect(2, 2);
    b.InflateRect(2, 2);
    InvalidateLogicalRect(a);
    InvalidateLogicalRect(b);
    // On a sky the band is the outline of the patch, which may reach far past the rectangle.
    if (!m_skyOutline.isEmpty())
        InvalidateLogicalRect(OutlineBounds(m_skyOutline));
    m_skyOutline = SkyOutline(m_rectDrag);
    if (!m_skyOutline.isEmpty())
        InvalidateLogicalRect(OutlineBounds(m_skyOutline));
    emit statusChanged();
    AutoScroll(p);
}

void CSkyloomView::AutoScroll(const QPoint& p)
{
    CPoint pos = GetScrollPosition();
    if (AutoScrollPosition(p, viewport()->rect(), ZoomedCanvasSize(), pos))
        ScrollToPosition(pos);
}

void CSkyloomView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_bStepRectEdit) {
        m_stepGrip.Release();
        return;
    }
    EndDrag(event->position().toPoint(), true);
}

void CSkyloomView::focusOutEvent(QFocusEvent* event)
{
    // A drag whose mouse grab was taken away (another window, a pop-up) ends without
    // rendering: its button-up will never come.
    if (m_bDragging && !IsRendering())
        EndDrag(QPoint(), false);
    if (m_bPasting && event->reason() != Qt::PopupFocusReason)
        CancelPastePlacement();
    QAbstractScrollArea::focusOutEvent(event);
}

void CSkyloomView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // A step per notch, about the picture point under the pointer.
    const int delta = event->angleDelta().y();
    if (delta != 0)
        ZoomStep(delta > 0 ? 1 : -1, event->position().toPoint());
    event->accept();
}

void CSkyloomView::keyPressEvent(QKeyEvent* event)
{
    // Escape stops the render in progress, and nothing else: a stray Escape must not
    // cancel the next render.
    if (event->key() == Qt::Key_Escape) {
        if (IsRendering())
            g_bCancelRender = 1;
        else if (m_bPasting)
            CancelPastePlacement();
        else if (m_bDragging) {
            // Abandon the drag without rendering.
            m_dragPoints.clear();
            EndDrag(QPoint(), false);
        }
        return;
    }
    if (ScrollByKey(event))
        return;
    QAbstractScrollArea::keyPressEvent(event);
}

bool CSkyloomView::ScrollByKey(QKeyEvent* event)
{
    // Home and End go to the left and right edge, with Ctrl to the top-left and the
    // bottom-right corner; the arrows and Page Up/Down are the scroll area's own.
    QScrollBar* pH = horizontalScrollBar();
    QScrollBar* pV = verticalScrollBar();
    if (event->matches(QKeySequence::MoveToStartOfLine))
        pH->setValue(pH->minimum());
    else if (event->matches(QKeySequence::MoveToEndOfLine))
        pH->setValue(pH->maximum());
    else if (event->matches(QKeySequence::MoveToStartOfDocument))
        ScrollToPosition(CPoint(pH->minimum(), pV->minimum()));
    else if (event->matches(QKeySequence::MoveToEndOfDocument))
        ScrollToPosition(CPoint(pH->maximum(), pV->maximum()));
    else
        return false;
    return true;
}

void CSkyloomView::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_bPasting || m_bDragging || IsRendering() || !m_pContextMenu)
        return;
    m_pContextMenu->exec(event->globalPos());
}

CRect CSkyloomView::DragRectangle() const
{
    if (m_dragPoints.size() < 2)
        return CRect();
    CRect r(m_dragPoints[0].x, m_dragPoints[0].y, m_dragPoints[1].x, m_dragPoints[1].y);
    r.NormalizeRect();
    return r;
}

QList<QPolygonF> CSkyloomView::SkyOutline(const CRect& rect) const
{
    const CEffect* pTool = m_tools[m_nTool].get();
    if (!m_doc.IsSkySphere() || pTool->m_bSelectionTool || pTool->PaintsOnSkyItself() ||
        rect.IsRectEmpty())
        return {};
    const CSkyPatch patch = CSkyPatch::FromRect(rect, m_doc.GetImage().GetSize());
    QPolygonF shape(QRectF(0, 0, patch.m_nPlaneWidth, patch.m_nPlaneHeight));
    if (const auto* pPlanet = dynamic_cast<const CPlanetEffect*>(pTool)) {
        // The disc the planet draws in the plane, as a polygon fine enough for any size.
        const CRect disc = pPlanet->DiscRect(patch.PlaneRect());
        const QPointF centre((disc.left + disc.right) / 2.0, (disc.top + disc.bottom) / 2.0);
        const double radius = disc.Width() / 2.0;
        constexpr int kCorners = 72;
        shape.clear();
        for (int i = 0; i < kCorners; ++i) {
            const double a = 2 * kPi * i / kCorners;
            shape << centre + radius * QPointF(std::cos(a), std::sin(a));
        }
    }
    return patch.OutlineOnPanorama(shape);
}

CRect CSkyloomView::OutlineBounds(const QList<QPolygonF>& outline)
{
    QRectF bounds;
    for (const QPolygonF& line : outline)
        bounds |= line.boundingRect().adjusted(0, 0, 1e-3, 1e-3);
    return CRect(int(std::floor(bounds.left())) - 2, int(std::floor(bounds.top())) - 2,
                 int(std::ceil(bounds.right())) + 2, int(std::ceil(bounds.bottom())) + 2);
}

bool CSkyloomView::eventFilter(QObject* pWatched, QEvent* event)
{
    auto* pDialog = qobject_cast<QWidget*>(pWatched);
    if (event->type() != QEvent::KeyPress || !pDialog || pDialog != g_pPropertiesDialog ||
        (pDialog->focusWidget() && pDialog->focusWidget() != pDialog))
        return QAbstractScrollArea::eventFilter(pWatched, event);
    const auto* pKey = static_cast<QKeyEvent*>(event);
    const QKeySequence key(pKey->keyCombination());
    for (QAction* pAction : window()->findChildren<QAction*>()) {
        if (pAction->isEnabled() && pAction->shortcut() == key &&
            key.count() == 1 && !(pKey->modifiers() & ~Qt::ShiftModifier)) {
            pAction->trigger();
            return true;
        }
    }
    return QAbstractScrollArea::eventFilter(pWatched, event);
}

void CSkyloomView::TakeKeyboard()
{
    // Where the window system lets a program choose (X11), the main window becomes the active
    // one again; under Wayland the compositor activates it on the click itself.
    if (!window()->isActiveWindow())
        window()->activateWindow();
    setFocus(Qt::MouseFocusReason);
}
