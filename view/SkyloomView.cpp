#include "SkyloomView.h"

#include "../document/DataFolders.h"
#include "../app/DocumentUi.h"
#include "../document/Settings.h"
#include "../app/StringTable.h"
#include "../document/ClipboardDib.h"
#include "../document/QuotedName.h"
#include "../document/SettingsStore.h"
#include "../document/SkyloomDoc.h"
#include "../effects/EffectTools.h"
#include "../effects/Random.h"
#include "../gl/GLLight.h"
#include "../imagefile/ImageFile.h"
#include "PreviewHostDlg.h"
#include "PrintPicture.h"
#include "WindowHost.h"
#include "../document/RenderJob.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRegion>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

CPreviewHostDlg* g_pPropertiesDialog = nullptr;

namespace {
// Time a window manager takes to map and focus a new dialog.
constexpr int kDialogMapMs = 300;
}

namespace {
// The canvas around a picture smaller than the viewport.
const QColor kBackdrop(0x3c, 0x3c, 0x3c);
}

CSkyloomView::CSkyloomView(CSkyloomDoc& doc, CSettingsStore& store, CWindowHost& host,
                           QWidget* pParent)
    : QAbstractScrollArea(pParent), m_doc(doc), m_store(store), m_host(host)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);

    // Every tool, in table order, from the generator's initial state, then their stored
    // defaults: a tool may draw tables as it is made (the Earth), and the command-line
    // renderer makes them the same way so that a seed gives the same picture in both.
    SetRandomSeed(kInitialRandomSeed);
    for (int i = 0; i < TOOL_COUNT; ++i) {
        std::unique_ptr<CEffect> tool = CreateTool(i);
        if (!tool)
            tool = std::make_unique<CEffect>();
        m_tools.push_back(std::move(tool));
    }
    for (const auto& tool : m_tools)
        tool->LoadDefaults(m_store);
    if (g_lightList.empty()) {
        m_bOwnsLights = true;
        if (!CreateDefaultLight())
            QMessageBox::warning(this, QStringLiteral("Skyloom"), QStringLiteral(
                "The file 'lights.txt' could not be opened.  You need to reinstall."));
    }

    connect(&m_doc, &CSkyloomDoc::pictureReplaced, this, &CSkyloomView::OnPictureReplaced);
    connect(&m_doc, &CSkyloomDoc::pixelsChanged, this, &CSkyloomView::OnPixelsChanged);
    UpdateScrollSizes();
}

CSkyloomView::~CSkyloomView()
{
    if (g_pPropertiesDialog) {
        CPreviewHostDlg* pDialog = g_pPropertiesDialog;
        g_pPropertiesDialog = nullptr;
        delete pDialog;
    }
    if (m_bOwnsLights)
        DeleteLights();
    for (const auto& tool : m_tools)
        tool->SaveDefaults(m_store);
}

CEffect* CSkyloomView::GetToolObject(int nIndex) const
{
    return nIndex >= 0 && nIndex < int(m_tools.size()) ? m_tools[nIndex].get() : nullptr;
}

void CSkyloomView::SelectTool(int nIndex, BOOL bForce)
{
    if (nIndex < 0 || nIndex >= int(m_tools.size()))
        return;
    if (!bForce && nIndex == m_nTool)
        return;
    if (m_bPasting)
        CancelPastePlacement();
    if (g_pPropertiesDialog) {
        CPreviewHostDlg* pDialog = g_pPropertiesDialog;
        g_pPropertiesDialog = nullptr;
        pDialog->hide();
        pDialog->deleteLater();
    }
    m_nTool = nIndex;
    m_hCursor = m_tools[nIndex]->SetToolCursor();
    ApplyCursor();
    g_pPropertiesDialog = m_tools[nIndex]->CreatePropertiesDialog(window());
    if (g_pPropertiesDialog) {
        // Closing the dialog by any means returns the canvas to the Select tool, unless
        // another tool's dialog has taken its place meanwhile.
        QPointer<CSkyloomView> view(this);
        CPreviewHostDlg* pDialog = g_pPropertiesDialog;
        connect(pDialog, &QDialog::finished, this, [view, pDialog] {
            if (view)
                view->PropertiesDialogClosed(pDialog);
        });
        // The keyboard stays with the canvas: the next tool key must not be typed into a
        // field of the dialog. A click in the dialog takes it there.
        const bool bActive = window()->isActiveWindow();
        pDialog->installEventFilter(this);
        pDialog->setAttribute(Qt::WA_ShowWithoutActivating);
        pDialog->show();
        if (bActive) {
            TakeKeyboard();
            // Some window managers focus a new dialog when they map it, after the show; the
            // keyboard comes back then unless the user has since gone elsewhere.
            QTimer::singleShot(kDialogMapMs, this, [view] {
                QWidget* pActive = QApplication::activeWindow();
                if (!view || !pActive || pActive == view->window() ||
                    pActive->parentWidget() != view->window())
                    return;
                // Where the program may not take it back (Wayland), at least no field of
                // the dialog has it: the next tool key is a tool key there too.
                pActive->setFocus(Qt::OtherFocusReason);
                view->TakeKeyboard();
            });
        }
    }
    emit toolChanged(nIndex);
}

void CSkyloomView::PropertiesDialogClosed(QObject* pDialog)
{
    if (!pDialog || pDialog != g_pPropertiesDialog)
        return;
    g_pPropertiesDialog = nullptr;
    static_cast<QWidget*>(pDialog)->deleteLater();
    m_nTool = TOOL_SELECT;
    m_hCursor = m_tools[TOOL_SELECT]->SetToolCursor();
    ApplyCursor();
    emit toolChanged(TOOL_SELECT);
}

void CSkyloomView::ApplyCursor()
{
    if (m_hCursor)
        viewport()->setCursor(*m_hCursor);
    else
        viewport()->unsetCursor();
}

CRect CSkyloomView::GetTargetRect() const
{
    if (!m_rectSelection.IsRectEmpty())
        return m_rectSelection;
    return m_doc.GetImageRect();
}

void CSkyloomView::SetSelection(const CRect& rect)
{
    CRect old = m_rectSelection;
    old.InflateRect(1, 1);
    InvalidateLogicalRect(old);
    m_rectSelection = rect;
    m_rectSelection.NormalizeRect();
    CRect fresh = m_rectSelection;
    fresh.InflateRect(1, 1);
    InvalidateLogicalRect(fresh);
    emit statusChanged();
}

void CSkyloomView::SetStepRect(const CRect& rect)
{
    for (CRect r : {m_rectStep, rect}) {
        r.NormalizeRect();
        r.InflateRect(1, 1);
        InvalidateLogicalRect(r);
    }
    m_rectStep = rect;
    m_rectStep.NormalizeRect();
}

void CSkyloomView::BeginStepRect(const CRect& rect)
{
    SetStepRect(rect);
    m_bStepRectEdit = true;
    emit renderStateChanged(true);
}

void CSkyloomView::EndStepRect()
{
    m_bStepRectEdit = false;
    m_stepGrip.Release();
    SetStepRect(CRect());
    emit renderStateChanged(false);
}

CPoint CSkyloomView::GetScrollPosition() const
{
    return CPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CSkyloomView::ScrollToPosition(CPoint pt)
{
    horizontalScrollBar()->setValue(pt.x);
    verticalScrollBar()->setValue(pt.y);
}

QPoint CSkyloomView::CentringMargin() const
{
    const QSize room = viewport()->size() - ZoomedCanvasSize();
    return QPoint(std::max(0, room.width() / 2), std::max(0, room.height() / 2));
}

CPoint CSkyloomView::ViewOrigin() const
{
    const CPoint scroll = GetScrollPosition();
    const QPoint margin = CentringMargin() + TileOffset();
    return CPoint(scroll.x - margin.x(), scroll.y - margin.y());
}

QSize CSkyloomView::ZoomedCanvasSize() const
{
    return m_bShowTiled ? ZoomedPictureSize() * 3 : ZoomedPictureSize();
}

QPoint CSkyloomView::TileOffset() const
{
    const QSize size = ZoomedPictureSize();
    return m_bShowTiled ? QPoint(size.width(), size.height()) : QPoint();
}

void CSkyloomView::SetShowTiled(bool bTiled)
{
    if (m_bShowTiled == bTiled)
        return;
    m_bShowTiled = bTiled;
    UpdateScrollSizes();
    // The middle of the canvas in the middle of the window.
    const QSize room = ZoomedCanvasSize() - viewport()->size();
    ScrollToPosition(CPoint(std::max(0, room.width() / 2), std::max(0, room.height() / 2)));
    viewport()->update();
}

void CSkyloomView::InvalidatePicture(const CRect& rect)
{
    const int nTiles = m_bShowTiled ? 1 : 0;
    const CSize size = m_doc.GetImage().GetSize();
    for (int j = -nTiles; j <= nTiles; ++j)
        for (int i = -nTiles; i <= nTiles; ++i) {
            CRect tile = rect;
            tile.OffsetRect(i * size.cx, j * size.cy);
            InvalidateLogicalRect(tile);
        }
}

CPoint CSkyloomView::LogicalFromViewport(const QPoint& pt) const
{
    return m_zoom.ToPicture(pt, ViewOrigin());
}

QRect CSkyloomView::ViewportFromLogical(const CRect& rect) const
{
    return m_zoom.ToScreen(rect, ViewOrigin());
}

void CSkyloomView::InvalidateLogicalRect(const CRect& rect)
{
    // A pixel more on each side: outlines drawn along the rectangle's edge land on the
    // screen pixel next to it when the zoom is not a whole number.
    const QRect r = ViewportFromLogical(rect).adjusted(-1, -1, 1, 1) & viewport()->rect();
    if (!r.isEmpty())
        viewport()->update(r);
}

void CSkyloomView::OnPixelsChanged(const CRect& rect)
{
    m_pyramid.MarkChanged(rect);
    InvalidatePicture(rect);
}

void CSkyloomView::PicturePainted(const CRect& rectRows)
{
    CRect r = rectRows;
    m_doc.GetImage().FlipRect(r);
    m_pyramid.MarkChanged(r);
    m_rectWaiting.UnionRect(CRect(m_rectWaiting), r);
    if (GetZoom() < 1 && m_reducedPaintClock.isValid() &&
        m_reducedPaintClock.elapsed() < 4 * m_nReducedPaintCost)
        return;
    InvalidatePicture(m_rectWaiting);
    m_rectWaiting.SetRectEmpty();
}

QSize CSkyloomView::ZoomedPictureSize() const
{
    return m_zoom.Zoomed(m_doc.GetImage().GetSize());
}

QString CSkyloomView::GetZoomText() const
{
    return m_zoom.Text();
}

void CSkyloomView::SetZoom(int nNum, int nDen, const QPoint& anchor)
{
    if (nNum <= 0 || nDen <= 0)
        return;
    const CZoomMapping zoom = CZoomMapping::Held(nNum, nDen);
    if (zoom == m_zoom)
        return;
    // The picture point under the middle of the anchor's screen pixel, in fractions of a
    // picture pixel; afterwards the screen pixel under the anchor still covers it.
    const CPoint origin = ViewOrigin();
    const double px = (anchor.x() + 0.5 + origin.x) * m_zoom.Den() / m_zoom.Num();
    const double py = (anchor.y() + 0.5 + origin.y) * m_zoom.Den() / m_zoom.Num();
    m_zoom = zoom;
    nNum = zoom.Num();
    nDen = zoom.Den();
    UpdateScrollSizes();
    // Where the picture is now smaller than the viewport, the scroll bar holds this to 0
    // and the picture is centred instead.
    const QPoint margin = CentringMargin() + TileOffset();
    ScrollToPosition(CPoint(int(std::lround(px * nNum / nDen - anchor.x() - 0.5)) + margin.x(),
                            int(std::lround(py * nNum / nDen - anchor.y() - 0.5)) + margin.y()));
    viewport()->update();
    emit zoomChanged();
}

void CSkyloomView::ZoomStep(int nDirection, const QPoint& anchor)
{
    const CZoomMapping next = m_zoom.Step(nDirection);
    SetZoom(next.Num(), next.Den(), anchor);
}

void CSkyloomView::ZoomIn()
{
    ZoomStep(1, viewport()->rect().center());
}

void CSkyloomView::ZoomOut()
{
    ZoomStep(-1, viewport()->rect().center());
}

void CSkyloomView::ZoomActualSize()
{
    SetZoom(1, 1, viewport()->rect().center());
}

void CSkyloomView::ZoomToFit()
{
    // Measured without scroll bars: at the fitting zoom there are none.
    ZoomToFit(maximumViewportSize());
}

void CSkyloomView::ShowNewPicture(const QSize& room)
{
    const CSize size = m_doc.GetImage().GetSize();
    if (size.cx > room.width() || size.cy > room.height())
        ZoomToFit(room);
    else
        SetZoom(1, 1, QPoint());
}

void CSkyloomView::ZoomToFit(const QSize& room)
{
    CSize size = m_doc.GetImage().GetSize();
    if (m_bShowTiled)
        size = CSize(3 * size.cx, 3 * size.cy);
    if (size.cx <= 0 || size.cy <= 0 || room.isEmpty())
        return;
    if (qint64(room.width()) * size.cy <= qint64(room.height()) * size.cx)
        SetZoom(room.width(), size.cx, QPoint());
    else
        SetZoom(room.height(), size.cy, QPoint());
    ScrollToPosition(CPoint(0, 0));
}

void CSkyloomView::OnPictureReplaced()
{
    // The old picture's selection and gestures mean nothing in the new one.
    m_rectSelection.SetRectEmpty();
    m_rectDrag.SetRectEmpty();
    m_skyOutline.clear();
    m_dragPoints.clear();
    m_bDragging = FALSE;
    m_bHasLastPoint = FALSE;
    if (m_bPasting)
        CancelPastePlacement();
    m_pyramid.Reset();
    // Shown at 100 % until the frame has room for it; no zoom of the last picture stays.
    m_zoom = CZoomMapping();
    UpdateScrollSizes();
    viewport()->update();
    emit statusChanged();
    emit zoomChanged();
    // The frame grows to show the picture whole where the screen allows; it then shows
    // fitted if it is still larger.
    emit fitRequested(ZoomedPictureSize());
}

void CSkyloomView::UpdateScrollSizes()
{
    // The range lets the last row and column be scrolled into view.
    const QSize size = ZoomedCanvasSize();
    QSize page = viewport()->size();
    // A picture that fits once the scroll bars are gone needs none; measured with them, the
    // viewport would keep them.
    const QSize room = maximumViewportSize();
    if (size.width() <= room.width() && size.height() <= room.height())
        page = room;
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, size.height() - page.height()));
    horizontalScrollBar()->setPageStep(std::max(1, page.width()));
    verticalScrollBar()->setPageStep(std::max(1, page.height()));
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
}

void CSkyloomView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollSizes();
}

void CSkyloomView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CSkyloomView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const CPoint scroll = ViewOrigin();
    const QRect exposed = event->rect();
    const CDib& dib = m_doc.GetImage();
    const double zoom = GetZoom();

    // Only the exposed part; below 100 % from the halved copies, never the whole picture.
    QElapsedTimer cost;
    cost.start();
    const int nTiles = m_bShowTiled ? 1 : 0;
    const QSize tile = ZoomedPictureSize();
    for (int j = -nTiles; j <= nTiles; ++j)
        for (int i = -nTiles; i <= nTiles; ++i) {
            const CPoint origin(scroll.x - i * tile.width(), scroll.y - j * tile.height());
            const QRect part = exposed & QRect(QPoint(-origin.x, -origin.y), tile);
            if (!part.isEmpty())
                m_pyramid.Paint(&painter, dib, zoom, origin, part);
        }
    if (zoom < 1) {
        m_nReducedPaintCost = cost.elapsed();
        m_reducedPaintClock.start();
    }

    // Around the picture: a neutral dark grey, which sets off a dark picture and a light one
    // alike.
    const QRect shown = QRect(QPoint(-scroll.x, -scroll.y) - TileOffset(), ZoomedCanvasSize());
    for (const QRect& r : QRegion(exposed).subtracted(QRegion(shown)))
        painter.fillRect(r, kBackdrop);

    // The rubber band and the selection, drawn inverted so they show on any picture, in
    // picture coordinates with lines one screen pixel wide at any zoom.
    painter.translate(-scroll.x, -scroll.y);
    painter.scale(zoom, zoom);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBrush(Qt::NoBrush);
    painter.setBackground(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    const auto pen = [](Qt::PenStyle style) {
        QPen p(Qt::white, 1, style);
        p.setCosmetic(true);
        return p;
    };
    if (m_bDragging && !m_skyOutline.isEmpty()) {
        // One path, so that where its pieces meet nothing is inverted twice.
        QPainterPath path;
        for (const QPolygonF& line : m_skyOutline)
            path.addPolygon(line);
        painter.setPen(pen(Qt::SolidLine));
        painter.drawPath(path);
    } else if (m_bDragging && m_dragPoints.size() > 1) {
        CEffect* pTool = m_tools[m_nTool].get();
        painter.setPen(pen(pTool->m_bSelectionTool ? Qt::DashLine : Qt::SolidLine));
        pTool->DrawFeedback(&painter, DragRectangle());
    } else if (m_bPasting) {
        painter.setPen(pen(Qt::SolidLine));
        PaintFeedback(&painter, RectangleFeedback(m_rectPaste));
    } else if (!m_rectSelection.IsRectEmpty() && !m_bDragging) {
        painter.setPen(pen(Qt::DashLine));
        PaintFeedback(&painter, RectangleFeedback(m_rectSelection));
    }
    if (!m_rectStep.IsRectEmpty()) {
        painter.setPen(pen(Qt::DashDotLine));
        PaintFeedback(&painter, RectangleFeedback(m_rectStep));
    }
}

void CSkyloomView::EndDrag(const QPoint& pt, bool bRender)
{
    if (!m_bDragging)
        return;
    m_bDragging = FALSE;
    const CRect band = DragRectangle();
    m_rectDrag.SetRectEmpty();
    emit statusChanged();
    CRect wipe = band;
    wipe.InflateRect(2, 2);
    InvalidateLogicalRect(wipe);
    if (!m_skyOutline.isEmpty())
        InvalidateLogicalRect(OutlineBounds(m_skyOutline));
    m_skyOutline.clear();

    if (bRender && m_dragPoints.size() > 1) {
        m_dragPoints[1] = LogicalFromViewport(pt);
        const CRect r = DragRectangle();
        CRect visible;
        if (!r.IsRectEmpty() && visible.IntersectRect(r, m_doc.GetImageRect())) {
            if (m_nTool == TOOL_SELECT) {
                SetSelection(r);
            } else {
                emit renderStateChanged(true);
                const CRenderJobResult result =
                    RenderDrag(*m_tools[m_nTool], m_doc, r, g_pPropertiesDialog);
                RenderFinished(result.rectRepaint);
                if (result.outcome == RENDER_INVALID_VALUES && g_pPropertiesDialog)
                    g_pPropertiesDialog->activateWindow();
                CDocumentUi* pUi = m_host.DocumentUi();
                if (result.outcome == RENDER_REFUSED && pUi)
                    pUi->ShowError(
                        window(), QStringLiteral("Cannot render: %1.").arg(result.strProblem));
            }
        }
    }
    m_dragPoints.clear();
}

void CSkyloomView::RenderAtClick(CEffect& tool)
{
    emit renderStateChanged(true);
    const CRenderJobResult result = RenderClick(tool, m_doc, GetTargetRect(), g_pPropertiesDialog);
    RenderFinished(result.rectRepaint);
    if (result.outcome == RENDER_INVALID_VALUES && g_pPropertiesDialog)
        g_pPropertiesDialog->activateWindow();
}

ERenderOutcome CSkyloomView::RepaintScene(const std::function<ERenderOutcome()>& change)
{
    emit renderStateChanged(true);
    const ERenderOutcome outcome = change();
    RenderFinished(m_doc.GetImageRect());
    return outcome;
}

void CSkyloomView::RenderFinished(const CRect& repaint)
{
    // The whole area is repainted: nothing waits any more.
    m_rectWaiting.SetRectEmpty();
    OnPixelsChanged(repaint);
    setFocus();
    emit renderStateChanged(false);
    // A preview that fell due during the render waited for it.
    if (g_pPropertiesDialog)
        g_pPropertiesDialog->RenderEnded();
}

void CSkyloomView::OnEditUndo()
{
    m_doc.Undo();
}

void CSkyloomView::OnEditRedo()
{
    m_doc.Redo();
}

void CSkyloomView::OnEditClear()
{
    m_doc.ClearRect(GetTargetRect(), QStringLiteral("Clear"));
}

BOOL CSkyloomView::OnEditCopy()
{
    const CRect r = GetTargetRect();
    const auto pBlock = m_doc.CopyRectToGlobal(r);
    if (!pBlock)
        return FALSE;
    const QByteArray bmp = BmpFileFromPackedDib(*pBlock);
    const std::unique_ptr<CDib> pCopy = DibFromBmpFile(bmp);
    QClipboard* pClipboard = QApplication::clipboard();
    if (bmp.isEmpty() || !pCopy || !pClipboard)
        return FALSE;
    // Other programs take the image; the BMP file keeps every byte for programs that read it.
    auto* pData = new QMimeData;
    pData->setData(QStringLiteral("image/bmp"), bmp);
    pData->setImageData(QImage(pCopy->m_pBits, pCopy->m_nWidth, pCopy->m_nHeight,
                               pCopy->m_nStride, QImage::Format_BGR888)
                            .mirrored());
    pClipboard->setMimeData(pData);
    InvalidateLogicalRect(r);
    SetSelection(CRect());
    return TRUE;
}

void CSkyloomView::OnEditCut()
{
    const CRect r = GetTargetRect();
    // Without a copy on the clipboard the region is left alone.
    if (!OnEditCopy())
        return;
    m_doc.ClearRect(r, QStringLiteral("Cut"));
}

bool CSkyloomView::ClipboardHasImage()
{
    const QClipboard* pClipboard = QApplication::clipboard();
    const QMimeData* pData = pClipboard ? pClipboard->mimeData() : nullptr;
    return pData && (pData->hasImage() || pData->hasFormat(QStringLiteral("image/bmp")));
}

void CSkyloomView::OnEditPaste()
{
    if (m_bPasting || IsRendering())
        return;
    const QClipboard* pClipboard = QApplication::clipboard();
    const QMimeData* pData = pClipboard ? pClipboard->mimeData() : nullptr;
    if (!pData)
        return;
    std::unique_ptr<CDib> pImage;
    if (pData->hasFormat(QStringLiteral("image/bmp")))
        pImage = DibFromBmpFile(pData->data(QStringLiteral("image/bmp")));
    if (!pImage && pData->hasImage())
        pImage = DibFromImage(qvariant_cast<QImage>(pData->imageData()));
    if (pImage)
        BeginPastePlacement(std::move(pImage));
}

void CSkyloomView::OnEditPasteFile()
{
    if (m_bPasting || IsRendering())
        return;
    CDocumentUi* pUi = m_host.DocumentUi();
    if (!pUi)
        return;
    if (g_strPasteFilePath.isEmpty())
        g_strPasteFilePath = ProgramDataFolder(QStringLiteral("Library"));
    const QString path = pUi->AskPasteFilePath(window(), g_strPasteFilePath);
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (!info.absolutePath().isEmpty())
        g_strPasteFilePath = info.absolutePath();
    // Read aside: a file that cannot be read changes nothing.
    auto pImage = std::make_unique<CDib>();
    if (!pImage->Load(QFile::encodeName(info.absoluteFilePath()).constData())) {
        pUi->ShowError(
            window(), QStringLiteral("Cannot read %1: %2.")
                          .arg(QuotedName(QDir::toNativeSeparators(path)), ImageReadFailure()));
        return;
    }
    BeginPastePlacement(std::move(pImage));
}

BOOL CSkyloomView::BeginPastePlacement(std::unique_ptr<CDib> pImage)
{
    if (!pImage || !pImage->m_pBits)
        return FALSE;
    const CSize size = m_doc.GetImage().GetSize();
    if (pImage->m_nWidth > size.cx || pImage->m_nHeight > size.cy) {
        if (CDocumentUi* pUi = m_host.DocumentUi())
            pUi->ShowError(window(), LoadString(IDS_SOURCE_TOO_LARGE));
        return FALSE;
    }
    if (!m_rectSelection.IsRectEmpty())
        SetSelection(CRect());
    SelectTool(TOOL_SELECT, TRUE);
    m_pPasteImage = std::move(pImage);
    // The frame starts at the top-left corner of the visible part of the canvas.
    CPoint corner = LogicalFromViewport(QPoint(0, 0));
    corner.x = std::max(0, corner.x);
    corner.y = std::max(0, corner.y);
    m_rectPaste = CRect(corner.x, corner.y, corner.x + m_pPasteImage->m_nWidth,
                        corner.y + m_pPasteImage->m_nHeight);
    m_bPasting = TRUE;
    const CPoint centre = m_rectPaste.CenterPoint();
    QCursor::setPos(viewport()->mapToGlobal(
        ViewportFromLogical(CRect(centre.x, centre.y, centre.x + 1, centre.y + 1)).topLeft()));
    m_ptLast = centre;
    viewport()->setCursor(Qt::SizeAllCursor);
    viewport()->grabMouse();
    setFocus();
    InvalidateLogicalRect(m_rectPaste);
    emit pastingChanged(true);
    return TRUE;
}

void CSkyloomView::MovePasteFrame(const CPoint& pt)
{
    CRect old = m_rectPaste;
    const CPoint centre = m_rectPaste.CenterPoint();
    m_rectPaste.OffsetRect(pt.x - centre.x, pt.y - centre.y);
    old.InflateRect(1, 1);
    InvalidateLogicalRect(old);
    CRect fresh = m_rectPaste;
    fresh.InflateRect(1, 1);
    InvalidateLogicalRect(fresh);
}

void CSkyloomView::PlacePaste(bool bTransparent)
{
    std::unique_ptr<CDib> pImage = std::move(m_pPasteImage);
    const CRect r = m_rectPaste;
    EndPastePlacement();
    CRect visible;
    // A frame wholly outside the picture is dropped without any change.
    if (pImage && visible.IntersectRect(r, m_doc.GetImageRect()))
        m_doc.PasteImage(*pImage, r, bTransparent ? FALSE : TRUE, g_crTransColor, g_dwTolerance);
}

void CSkyloomView::CancelPastePlacement()
{
    m_pPasteImage.reset();
    EndPastePlacement();
}

void CSkyloomView::EndPastePlacement()
{
    if (!m_bPasting)
        return;
    m_bPasting = FALSE;
    m_pPasteImage.reset();
    viewport()->releaseMouse();
    CRect old = m_rectPaste;
    old.InflateRect(1, 1);
    InvalidateLogicalRect(old);
    SelectTool(TOOL_SELECT, TRUE);
    emit pastingChanged(false);
}

void CSkyloomView::PrintPicture(QPrinter* pPrinter)
{
    ::PrintPicture(m_doc.GetImage(), pPrinter);
}
