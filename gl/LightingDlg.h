// The Lighting dialog of the planet dialogs: three sliders that set the light's
// orientation, intensity and elevation at once, with a polar picture of the orientation.
#pragma once

#include "../document/WinTypes.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

class CPreviewHostDlg;
class QSlider;

// The light's orientation seen from above the planet's pole: the backdrop (bitmap 161),
// a circle and a marker on it at the angle, 0 degrees to the right and counter-clockwise.
class CPolarView : public QWidget
{
    Q_OBJECT
public:
    explicit CPolarView(QWidget* pParent = nullptr);

    // Stores the angle in degrees and redraws at once.
    void SetAngle(int nAngle);
    int GetAngle() const { return m_nAngle; }
    // Radius and centre of the circle for the client size (the radius is half the
    // shorter side less 4).
    void SizeTo(int nWidth, int nHeight);
    int GetRadius() const { return m_nRadius; }
    CPoint GetCentre() const { return CPoint(m_nCx, m_nCy); }
    // Where the marker's centre lies for the angle.
    CPoint GetMarkerCentre() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    int m_nAngle = 0;
    CRect m_rectCircle;
    int m_nCx = 0;
    int m_nCy = 0;
    int m_nRadius = 0;
};

class CLightingDlg : public QDialog
{
    Q_OBJECT
public:
    // pNotify is the planet dialog whose preview each change restarts (may be null; a
    // dialog that has gone is not notified). The dialog deletes itself once closed.
    CLightingDlg(QWidget* pParent, CPreviewHostDlg* pNotify);
    ~CLightingDlg() override;

    // The sliders at the light settings, the place the user last left the dialog (else
    // place), the polar view at the orientation.
    void OnInitDialog(QPoint place);

    QSlider* Slider(int nId) const;
    CPolarView* GetPolarView() const { return m_pPolar; }

public slots:
    // Cancel, Escape and the close box: the light goes back to what it was when the dialog
    // opened and the planet's preview is refreshed.
    void reject() override;

protected:
    void hideEvent(QHideEvent* pEvent) override;

private:
    void OnSliderMoved(int nId, int nValue);

    QSlider* m_pElevation;   // 1048, vertical; its minimum, at the top, is "+"
    QSlider* m_pOrientation; // 1045
    QSlider* m_pIntensity;   // 1043
    CPolarView* m_pPolar;    // 1044
    QPointer<CPreviewHostDlg> m_pNotify;
    // The light settings when the dialog opened.
    int m_nOrientAtOpen;
    int m_nIntenAtOpen;
    int m_nElevationAtOpen;
};
