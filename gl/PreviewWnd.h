// The small pictures of the properties dialogs. Each preview owns its picture, sized to the
// dialog's preview frame, and shows it at its own size.
#pragma once

#include "../document/Dib.h"
#include "GalaxyPreview.h"
#include "PlanetRenderer.h"

#include <QPoint>
#include <QWidget>

class CEffect;

class CPreviewWnd : public QWidget
{
    Q_OBJECT
public:
    // The preview takes the place and size of the dialog's frame: 124 x 138 pixels.
    static constexpr int kWidth = 124;
    static constexpr int kHeight = 138;

    explicit CPreviewWnd(QWidget* pParent = nullptr);

    // Makes the picture the size of the window.
    virtual void ResizeBuffer();
    // Brings the picture up to date; the base only repaints.
    virtual void Refresh();

    const CDib& GetImage() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    // The common start of a refresh: the effect of the dialog this preview sits in, with
    // the dialog's values read into it (silently: a value being typed skips the refresh),
    // the generator seeded from the tick count and that seed kept for the next canvas
    // render, and PrepareRender done. Null when there is nothing to render.
    CEffect* BeginRender();

    CDib m_image;
};

// The preview of a two-dimensional effect: renders the dialog's private effect from the
// dialog's fields, without progress.
class CEffectPreviewWnd : public CPreviewWnd
{
    Q_OBJECT
public:
    using CPreviewWnd::CPreviewWnd;

    // Fills the picture with the background colour, reads the dialog into its effect
    // (silently: a value being typed skips the refresh and keeps the old picture), draws a
    // seed from the tick count and keeps it for the next canvas render, then renders.
    void Refresh() override;
};

// The preview of a planet: the dialog's surface model drawn by a planet renderer into the
// picture's own off-screen context, at a field of view of 45 degrees on black.
class CPlanetPreviewWnd : public CPreviewWnd
{
    Q_OBJECT
public:
    using CPreviewWnd::CPreviewWnd;

    // The picture with its off-screen context and the renderer set up on it; without
    // OpenGL the picture stays black and the renderer unset.
    void ResizeBuffer() override;
    // The dialog's values into its model, a fresh seed kept for the canvas, then the draw.
    // Nothing happens without a renderer.
    void Refresh() override;
    BOOL HasRenderer() const { return m_bRendererSet; }

private:
    CPlanetRenderer m_renderer;
    BOOL m_bRendererSet = FALSE;
};

// The preview of the galaxy: the dialog's model drawn with OpenGL each time the window is
// painted, turned by dragging with the left button. It never touches the seed.
class CGalaxyPreviewWnd : public CPreviewWnd
{
    Q_OBJECT
public:
    explicit CGalaxyPreviewWnd(QWidget* pParent = nullptr);

    // The window's OpenGL context on its picture.
    void ResizeBuffer() override;
    // The dialog rebuilds its model from its values, then the window repaints.
    void Refresh() override;

    CGalaxyPreviewScene& Scene() { return m_scene; }
    // One drag step of (dx, dy) pixels: a turn of atan2(d, 50) degrees about the axis
    // (-dy / d, dx / d, 0), d being the step's length: taken at once (the dialog shows the
    // angles it gives) and shown at the next paint.
    void TurnBy(int dx, int dy);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;

private:
    CGalaxyPreviewScene m_scene;
    QPoint m_ptLast;
};

// The system tick count: a monotonic millisecond clock cut to 32 bits.
DWORD GetTickCount();
