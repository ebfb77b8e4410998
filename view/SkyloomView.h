// The canvas: the picture in a scrolling area at a zoom, the twelve tools, the selection and
// the gestures that render effects into the picture. Whatever the zoom, every gesture works
// in picture pixels: only painting and the mapping of mouse positions see the zoom.
#pragma once

#include "../document/WinTypes.h"
#include "../effects/Effect.h"
#include "../document/PicturePyramid.h"
#include "../document/RenderJob.h"
#include "CanvasGestures.h"
#include "ZoomMapping.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QList>
#include <QPolygonF>

#include <functional>
#include <memory>
#include <vector>

class CDib;
class CSettingsStore;
class CSkyloomDoc;
class CWindowHost;
class QMenu;
class QPrinter;

class CSkyloomView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // The tools' defaults are kept in store; host asks the user's questions and tells errors.
    CSkyloomView(CSkyloomDoc& doc, CSettingsStore& store, CWindowHost& host,
                 QWidget* pParent = nullptr);
    ~CSkyloomView() override;

    // Makes tool nIndex current (unless it already is, or bForce), replacing the
    // properties dialog.
    void SelectTool(int nIndex, BOOL bForce = FALSE);
    int GetTool() const { return m_nTool; }
    CEffect* GetToolObject(int nIndex) const;

    // The selection when there is one, else the whole picture.
    CRect GetTargetRect() const;
    CRect GetSelection() const { return m_rectSelection; }
    // The rectangle of a step being edited (top-down picture pixels), outlined on the canvas
    // with a dash-dot line; empty for none.
    void SetStepRect(const CRect& rect);
    CRect GetStepRect() const { return m_rectStep; }
    // While a step's rectangle is edited a drag on the canvas moves its edges, its corners
    // or, from inside, all of it (stepRectChanged tells), and the frame waits as during a
    // render.
    void BeginStepRect(const CRect& rect);
    void EndStepRect();
    void SetSelection(const CRect& rect);
    CPoint GetLastPoint() const { return m_ptLast; }
    // FALSE until the pointer has moved over this picture.
    BOOL HasLastPoint() const { return m_bHasLastPoint; }
    CRect GetDragRect() const { return m_rectDrag; }

    // Repaints a rectangle of the picture (top-down picture coordinates).
    void InvalidateLogicalRect(const CRect& rect);
    // The scroll position, in screen pixels of the zoomed picture; 0 on an axis where the
    // picture is smaller than the viewport, which then shows it centred.
    CPoint GetScrollPosition() const;
    void ScrollToPosition(CPoint pt);
    // The one pair of mappings between the viewport and the picture at the present zoom and
    // scroll position: the picture pixel under a viewport point, and the viewport area a
    // picture rectangle covers (top-down picture coordinates, right and bottom exclusive).
    CPoint LogicalFromViewport(const QPoint& pt) const;
    QRect ViewportFromLogical(const CRect& rect) const;

    // Zoom: nNum / nDen screen pixels per picture pixel, from 1/16 to 16.
    void ZoomIn();
    void ZoomOut();
    void ZoomActualSize();
    // The largest zoom at which the whole picture shows without scroll bars.
    void ZoomToFit();
    // The largest zoom at which the whole picture shows in a viewport of size room.
    void ZoomToFit(const QSize& room);
    // A new or opened picture in a viewport of size room (without scroll bars): fitted when
    // it is larger, else at 100 %.
    void ShowNewPicture(const QSize& room);
    // Sets the zoom, keeping the picture point under the viewport point anchor in place.
    void SetZoom(int nNum, int nDen, const QPoint& anchor);
    double GetZoom() const { return m_zoom.Zoom(); }
    // The zoom as the status bar shows it: "100%", "33.3%", "1600%".
    QString GetZoomText() const;
    // The picture's size on the screen at the present zoom.
    QSize ZoomedPictureSize() const;
    // View > Show Tiled: the canvas shows the picture repeated 3 x 3, the picture itself in
    // the middle; gestures and picture coordinates belong to the middle one.
    void SetShowTiled(bool bTiled);
    bool IsShowingTiled() const { return m_bShowTiled; }

    // A render in progress changed rectRows of the picture (row coordinates, bottom-up):
    // shown at once, repainting only that part.
    void PicturePainted(const CRect& rectRows);
    // The reductions of the picture the canvas paints from below 100 %.
    const CPicturePyramid& GetPyramid() const { return m_pyramid; }

    // The picture painted onto a printer page, fitted to it.
    void PrintPicture(QPrinter* pPrinter);

    // Edit commands of the canvas. Undo and Redo step through the document's history;
    // Copy and Cut work on the target rectangle; Cut clears it only when the copy reached
    // the clipboard.
    void OnEditUndo();
    void OnEditRedo();
    void OnEditClear();
    BOOL OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnEditPasteFile();
    // Whether the clipboard holds a picture Paste can take.
    static bool ClipboardHasImage();

    // Starts placing pImage: a frame of its size follows the mouse until a click pastes it
    // (with Shift: leaving out the transparent key colour). FALSE, with the message, when
    // the image is larger than the picture.
    BOOL BeginPastePlacement(std::unique_ptr<CDib> pImage);
    // Ends a placement without pasting.
    void CancelPastePlacement();
    BOOL IsPasting() const { return m_bPasting; }
    CRect GetPasteRect() const { return m_rectPaste; }

    // Runs change (steps of the picture painted again) as a render: the frame waits and
    // the canvas shows the picture as it goes, then all of it.
    ERenderOutcome RepaintScene(const std::function<ERenderOutcome()>& change);

    // The canvas's right-button menu (made by the frame from the shared actions).
    void SetContextMenu(QMenu* pMenu) { m_pContextMenu = pMenu; }

    // Called when the properties dialog went away: back to the Select tool, if pDialog is
    // still the current one.
    void PropertiesDialogClosed(QObject* pDialog);

signals:
    // The mouse position, the drag rectangle or the selection changed (status bar panes).
    void statusChanged();
    // The current tool changed.
    void toolChanged(int nIndex);
    // A paste placement started or ended.
    void pastingChanged(bool bPasting);
    // A render started or ended.
    void renderStateChanged(bool bRendering);
    // A drag moved the edited step's rectangle.
    void stepRectChanged(const CRect& rect);
    // The view wants its frame to be this size for the picture to fit.
    void fitRequested(QSize viewportSize);
    // The zoom changed.
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    // A properties dialog's keys while none of its fields has the keyboard: the main
    // window's one-key commands (the tool keys) work there as on the canvas.
    bool eventFilter(QObject* pWatched, QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OnPictureReplaced();
    // Part of the picture changed: the reductions are redone there and it is repainted.
    void OnPixelsChanged(const CRect& rect);
    void ZoomStep(int nDirection, const QPoint& anchor);
    // The zoomed-picture pixel at the viewport's top-left corner: the scroll position less
    // the margin that centres a picture smaller than the viewport on that axis.
    CPoint ViewOrigin() const;
    QPoint CentringMargin() const;
    // What the canvas shows on the screen: the picture, or three by three of it.
    QSize ZoomedCanvasSize() const;
    // Where the picture starts on the canvas, in screen pixels (the middle tile's corner).
    QPoint TileOffset() const;
    // Repaints a changed rectangle of the picture wherever the canvas shows it.
    void InvalidatePicture(const CRect& rect);
    bool ScrollByKey(QKeyEvent* event);
    void UpdateScrollSizes();
    void EndDrag(const QPoint& pt, bool bRender);
    void AutoScroll(const QPoint& pt);
    CRect DragRectangle() const;
    // On a sky, the outline of what a drag over rect paints, as it lands on the panorama:
    // the planet's disc for a planet, else the patch's border. Empty where the band is the
    // rectangle itself (a flat picture, the Select tool, the star field).
    QList<QPolygonF> SkyOutline(const CRect& rect) const;
    // The picture area the outline covers, with a pixel around it.
    static CRect OutlineBounds(const QList<QPolygonF>& outline);
    void RenderFinished(const CRect& repaint);
    // A click of a tool that paints where it is clicked (Star Field): it renders at once.
    void RenderAtClick(CEffect& tool);
    // Makes the main window the active one and gives the canvas the keyboard focus.
    void TakeKeyboard();
    void ApplyCursor();
    void PlacePaste(bool bTransparent);
    void MovePasteFrame(const CPoint& pt);
    void EndPastePlacement();

    CSkyloomDoc& m_doc;
    CSettingsStore& m_store;
    CWindowHost& m_host;

    BOOL m_bDragging = FALSE;
    // Anchor and current end of the drag, picture coordinates.
    std::vector<CPoint> m_dragPoints;
    CRect m_rectSelection;
    CRect m_rectStep;
    bool m_bStepRectEdit = false;
    CStepRectGrip m_stepGrip;
    const QCursor* m_hCursor = nullptr;
    BOOL m_bPasting = FALSE;
    std::unique_ptr<CDib> m_pPasteImage;
    // Where the pasted image would go, picture coordinates; the size of m_pPasteImage.
    CRect m_rectPaste;
    int m_nTool = 0;
    std::vector<std::unique_ptr<CEffect>> m_tools;
    CPoint m_ptLast;
    BOOL m_bHasLastPoint = FALSE;
    CRect m_rectDrag;
    // SkyOutline of the drag in progress, drawn in place of its rubber band.
    QList<QPolygonF> m_skyOutline;
    QMenu* m_pContextMenu = nullptr;
    // The light "Sun" was made by this view.
    bool m_bOwnsLights = false;
    CZoomMapping m_zoom;
    CPicturePyramid m_pyramid;
    bool m_bShowTiled = false;
    // Watching a render below 100 %: each repaint first redoes the reductions where the
    // picture changed, which for stars strewn over a large picture is most of it. Such
    // repaints are kept to a fifth of the render's time; the area waiting is kept here.
    CRect m_rectWaiting;
    QElapsedTimer m_reducedPaintClock;
    qint64 m_nReducedPaintCost = 0;
};
