#include "SkyloomView.h"

#include "../app/DataFolders.h"
#include "../app/DocumentUi.h"
#include "../app/Settings.h"
#include "../app/SkyloomApp.h"
#include "../app/StringTable.h"
#include "../document/ClipboardDib.h"
#include "../app/SettingsStore.h"
#include "../document/SkyloomDoc.h"
#include "../effects/EffectTools.h"
#include "../effects/Random.h"
#include "../gl/GLLight.h"
#include "PreviewHostDlg.h"
#include "RenderJob.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>

CPreviewHostDlg* g_pPropertiesDialog = nullptr;

namespace {
enum { TOOL_SELECT = 0, TOOL_STARFIELD = 1 };

QRect ToQRect(const CRect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}
}

CSkyloomView::CSkyloomView(CSkyloomDoc& doc, CSettingsStore& store, QWidget* pParent)
    : QAbstractScrollArea(pParent), m_doc(doc), m_store(store)
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
    connect(&m_doc, &CSkyloomDoc::pixelsChanged, this,
            [this](const CRect& r) { InvalidateLogicalRect(r); });
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
        pDialog->show();
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

CPoint CSkyloomView::GetScrollPosition() const
{
    return CPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CSkyloomView::ScrollToPosition(CPoint pt)
{
    horizontalScrollBar()->setValue(pt.x);
    verticalScrollBar()->setValue(pt.y);
}

CPoint CSkyloomView::LogicalFromViewport(const QPoint& pt) const
{
    const CPoint scroll = GetScrollPosition();
    return CPoint(pt.x() + scroll.x, pt.y() + scroll.y);
}

void CSkyloomView::InvalidateLogicalRect(const CRect& rect)
{
    const CPoint scroll = GetScrollPosition();
    CRect r = rect;
    r.NormalizeRect();
    r.OffsetRect(-scroll.x, -scroll.y);
    CRect visible;
    if (visible.IntersectRect(r, CRect(0, 0, viewport()->width(), viewport()->height())))
        viewport()->update(ToQRect(visible));
}

void CSkyloomView::OnPictureReplaced()
{
    // The old picture's selection and gestures mean nothing in the new one.
    m_rectSelection.SetRectEmpty();
    m_rectDrag.SetRectEmpty();
    m_dragPoints.clear();
    m_bDragging = FALSE;
    if (m_bPasting)
        CancelPastePlacement();
    UpdateScrollSizes();
    viewport()->update();
    emit statusChanged();

    // A picture wider than 400 pixels that fits on the screen gets a window that fits it.
    const CSize size = m_doc.GetImage().GetSize();
    const QScreen* pScreen = screen();
    const QSize screenSize = pScreen ? pScreen->size() : QSize(1024, 768);
    if (size.cx > 400 && size.cx < screenSize.width() && size.cy < screenSize.height())
        emit fitRequested(QSize(size.cx, size.cy));
}

void CSkyloomView::UpdateScrollSizes()
{
    // The range lets the last row and column be scrolled into view.
    const CSize size = m_doc.GetImage().GetSize();
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, int(size.cx) - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, int(size.cy) - page.height()));
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
    const CPoint scroll = GetScrollPosition();
    const QRect exposed = event->rect();
    const CDib& dib = m_doc.GetImage();

    // Only the exposed part of the picture, straight from its rows.
    CRect clip(exposed.left() + scroll.x, exposed.top() + scroll.y,
               exposed.right() + 1 + scroll.x, exposed.bottom() + 1 + scroll.y);
    CRect picture;
    picture.IntersectRect(clip, CRect(0, 0, dib.m_nWidth, dib.m_nHeight));
    painter.translate(-scroll.x, -scroll.y);
    if (!picture.IsRectEmpty())
        dib.Draw(&painter, &picture, &picture);

    // Outside the picture: the window colour.
    const QColor window = palette().color(QPalette::Base);
    const QRect clipQ = ToQRect(clip);
    const QRect pictureQ(0, 0, dib.m_nWidth, dib.m_nHeight);
    if (clip.right > dib.m_nWidth)
        painter.fillRect(QRect(QPoint(dib.m_nWidth, clipQ.top()), clipQ.bottomRight()), window);
    if (clip.bottom > dib.m_nHeight)
        painter.fillRect(QRect(QPoint(clipQ.left(), dib.m_nHeight),
                               QPoint(std::min(clipQ.right(), pictureQ.right()), clipQ.bottom())),
                         window);

    // The rubber band and the selection, drawn inverted so they show on any picture.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBrush(Qt::NoBrush);
    painter.setBackground(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    if (m_bDragging && m_dragPoints.size() > 1) {
        CEffect* pTool = m_tools[m_nTool].get();
        painter.setPen(pTool->m_bSelectionTool ? QPen(Qt::white, 1, Qt::DashLine)
                                               : QPen(Qt::white, 1, Qt::SolidLine));
        pTool->DrawFeedback(&painter, DragRectangle());
    } else if (m_bPasting) {
        painter.setPen(QPen(Qt::white, 1, Qt::SolidLine));
        PaintFeedback(&painter, RectangleFeedback(m_rectPaste));
    } else if (!m_rectSelection.IsRectEmpty() && !m_bDragging) {
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        PaintFeedback(&painter, RectangleFeedback(m_rectSelection));
    }
}

CRect CSkyloomView::DragRectangle() const
{
    if (m_dragPoints.size() < 2)
        return CRect();
    CRect r(m_dragPoints[0].x, m_dragPoints[0].y, m_dragPoints[1].x, m_dragPoints[1].y);
    r.NormalizeRect();
    return r;
}

bool CSkyloomView::viewportEvent(QEvent* event)
{
    // While a render pumps events, the canvas takes no gesture: the picture is busy.
    if (IsRendering()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu:
        case QEvent::Wheel:
            return true;
        default:
            break;
        }
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CSkyloomView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || IsRendering())
        return;
    const CPoint pt = LogicalFromViewport(event->position().toPoint());
    if (m_bPasting) {
        MovePasteFrame(pt);
        PlacePaste(event->modifiers() & Qt::ShiftModifier);
        return;
    }
    CEffect* pTool = m_tools[m_nTool].get();
    if (pTool->ClearsSelectionOnClick() && !m_rectSelection.IsRectEmpty())
        SetSelection(CRect());

    if (m_nTool == TOOL_STARFIELD) {
        emit renderStateChanged(true);
        const CRenderJobResult result =
            RenderClick(*pTool, m_doc, GetTargetRect(), g_pPropertiesDialog);
        RenderFinished(result.rectRepaint);
        if (result.outcome == RENDER_INVALID_VALUES && g_pPropertiesDialog)
            g_pPropertiesDialog->activateWindow();
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
    emit statusChanged();
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
    const CSize size = m_doc.GetImage().GetSize();
    const QRect client = viewport()->rect();
    if (client.width() >= size.cx - 1 && client.height() >= size.cy - 1)
        return;
    if (client.contains(p))
        return;
    CPoint pos = GetScrollPosition();
    if (p.x() < 0)
        pos.x += p.x();
    else if (p.x() > client.width())
        pos.x += p.x() - client.width();
    if (p.y() < 0)
        pos.y += p.y();
    else if (p.y() > client.height())
        pos.y += p.y() - client.height();
    ScrollToPosition(pos);
}

void CSkyloomView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
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
            }
        }
    }
    m_dragPoints.clear();
}

void CSkyloomView::RenderFinished(const CRect& repaint)
{
    InvalidateLogicalRect(repaint);
    setFocus();
    emit renderStateChanged(false);
    // A preview that fell due during the render waited for it.
    if (g_pPropertiesDialog)
        g_pPropertiesDialog->RenderEnded();
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
    QAbstractScrollArea::keyPressEvent(event);
}

void CSkyloomView::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_bPasting || m_bDragging || IsRendering() || !m_pContextMenu)
        return;
    m_pContextMenu->exec(event->globalPos());
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
    CSkyloomApp* pApp = CSkyloomApp::Instance();
    if (!pApp)
        return;
    if (g_strPasteFilePath.isEmpty())
        g_strPasteFilePath = ProgramDataFolder(QStringLiteral("Library"));
    const QString path = pApp->GetDocumentUi().AskPasteFilePath(window(), g_strPasteFilePath);
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (!info.absolutePath().isEmpty())
        g_strPasteFilePath = info.absolutePath();
    // Read aside: a file that cannot be read changes nothing.
    auto pImage = std::make_unique<CDib>();
    if (!pImage->Load(QFile::encodeName(info.absoluteFilePath()).constData())) {
        pApp->GetDocumentUi().ShowError(
            window(), QStringLiteral("Cannot read \"%1\": it is missing, unreadable or not a "
                                     "BMP, JPEG, TGA or PNG picture.")
                          .arg(QDir::toNativeSeparators(path)));
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
        if (CSkyloomApp* pApp = CSkyloomApp::Instance())
            pApp->GetDocumentUi().ShowError(window(), LoadString(IDS_SOURCE_TOO_LARGE));
        return FALSE;
    }
    if (!m_rectSelection.IsRectEmpty())
        SetSelection(CRect());
    SelectTool(TOOL_SELECT, TRUE);
    m_pPasteImage = std::move(pImage);
    // The frame starts at the top-left corner of the visible part of the canvas.
    const CPoint scroll = GetScrollPosition();
    m_rectPaste = CRect(scroll.x, scroll.y, scroll.x + m_pPasteImage->m_nWidth,
                        scroll.y + m_pPasteImage->m_nHeight);
    m_bPasting = TRUE;
    const CPoint centre = m_rectPaste.CenterPoint();
    QCursor::setPos(viewport()->mapToGlobal(QPoint(centre.x - scroll.x, centre.y - scroll.y)));
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
    QPainter painter(pPrinter);
    if (!painter.isActive())
        return;
    const CDib& dib = m_doc.GetImage();
    const QRect page = painter.viewport();
    QSize size(dib.m_nWidth, dib.m_nHeight);
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(0, 0, dib.m_nWidth, dib.m_nHeight);
    dib.Draw(&painter);
}
