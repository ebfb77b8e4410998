// View > Sky Preview: a window showing the document's sky sphere from inside. A drag turns
// the view (left and right the yaw, up and down the pitch, held within the poles), the
// wheel or + and - change the field of view, the arrow keys turn by steps. It follows the
// picture: every step painted shows once the render has ended.
#pragma once

#include "../gl/SkyPreview.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

class CSkyloomDoc;

class CSkyPreviewWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CSkyPreviewWnd(CSkyloomDoc& doc, QWidget* pParent = nullptr);

    CSkyPreviewScene& Scene() { return m_scene; }
    // Turns by (dx, dy) window pixels of a drag: the sky follows the pointer.
    void TurnBy(int dx, int dy);
    // One wheel notch in (positive) or out: the field of view a tenth narrower or wider.
    void ZoomBy(int nNotches);
    // The picture as it was last drawn (black until the first draw, and without OpenGL).
    const CDib& GetImage() const { return m_scene.GetImage(); }
    // Draws now what the window would draw at its next paint; false when OpenGL is missing
    // or busy.
    bool Redraw();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    // The picture or the view changed: drawn once events have settled, so a render that
    // changes many rows draws the sky once.
    void ScheduleDraw();
    void SetView(double dYaw, double dPitch, double dFieldOfView);

    CSkyloomDoc& m_doc;
    CSkyPreviewScene m_scene;
    QTimer m_drawTimer;
    bool m_bStale = true;
    QPoint m_ptLast;
};
