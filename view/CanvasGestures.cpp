#include "CanvasGestures.h"

#include "SkyloomView.h"
#include "PreviewHostDlg.h"
#include "../document/RenderJob.h"
#include "../effects/EffectTools.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

void CStepRectGrip::Take(const CPoint& pt, const CRect& rect, double dZoom)
{
    // An edge or a corner within a few screen pixels, else all of it from inside.
    const int nNear = std::max(1, int(std::lround(4 / dZoom)));
    const CRect& r = rect;
    const auto near = [nNear](int a, int b) { return std::abs(a - b) <= nNear; };
    const bool bAcross = pt.y >= r.top - nNear && pt.y <= r.bottom + nNear;
    const bool bAlong = pt.x >= r.left - nNear && pt.x <= r.right + nNear;
    m_nGrip = (near(pt.x, r.left) && bAcross ? 1 : 0) | (near(pt.y, r.top) && bAlong ? 2 : 0) |
              (near(pt.x, r.right) && bAcross ? 4 : 0) | (near(pt.y, r.bottom) && bAlong ? 8 : 0);
    if (m_nGrip == 0 && r.PtInRect(pt))
        m_nGrip = 15;
    m_ptLast = pt;
}

bool CStepRectGrip::Drag(const CPoint& pt, CRect& rect)
{
    CRect r = rect;
    const int dx = pt.x - m_ptLast.x, dy = pt.y - m_ptLast.y;
    m_ptLast = pt;
    r.left += m_nGrip & 1 ? dx : 0;
    r.top += m_nGrip & 2 ? dy : 0;
    r.right += m_nGrip & 4 ? dx : 0;
    r.bottom += m_nGrip & 8 ? dy : 0;
    // An edge dragged past its opposite leaves at least a pixel.
    if (r.Width() < 1 || r.Height() < 1)
        return false;
    rect = r;
    return true;
}

bool AutoScrollPosition(const QPoint& p, const QRect& client, const QSize& canvas, CPoint& pos)
{
    if (client.width() >= canvas.width() - 1 && client.height() >= canvas.height() - 1)
        return false;
    if (client.contains(p))
        return false;
    if (p.x() < 0)
        pos.x += p.x();
    else if (p.x() > client.width())
        pos.x += p.x() - client.width();
    if (p.y() < 0)
        pos.y += p.y();
    else if (p.y() > client.height())
        pos.y += p.y() - client.height();
    return true;
}

bool IsGestureEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

// The canvas's handlers of the gestures.

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
