#include "LightingDlg.h"

#include "../app/Artwork.h"
#include "../document/Settings.h"
#include "../view/PreviewHostDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

CPolarView::CPolarView(QWidget* pParent) : QWidget(pParent)
{
    // The whole picture is painted each time; nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPolarView::SetAngle(int nAngle)
{
    m_nAngle = nAngle;
    repaint();
}

void CPolarView::SizeTo(int nWidth, int nHeight)
{
    m_nRadius = std::min(nWidth, nHeight) / 2 - 4;
    m_nCx = nWidth / 2;
    m_nCy = nHeight / 2;
    m_rectCircle =
        CRect(m_nCx - m_nRadius, m_nCy - m_nRadius, m_nCx + m_nRadius, m_nCy + m_nRadius);
}

CPoint CPolarView::GetMarkerCentre() const
{
    const double theta = m_nAngle * 3.141592654 / 180;
    // Screen y grows downward, so the sine is negated: angles grow counter-clockwise.
    return CPoint(m_nCx + static_cast<int>(m_nRadius * std::cos(theta)),
                  m_nCy + static_cast<int>(-m_nRadius * std::sin(theta)));
}

void CPolarView::resizeEvent(QResizeEvent*)
{
    SizeTo(width(), height());
}

void CPolarView::paintEvent(QPaintEvent*)
{
    // Drawn off-screen and copied in one block, so the marker never flickers.
    QPixmap canvas(size());
    if (canvas.isNull())
        return;
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        const QPixmap backdrop = BitmapResource(161);
        p.drawPixmap((width() - backdrop.width()) / 2, (height() - backdrop.height()) / 2,
                     backdrop);
        p.setPen(Qt::white);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(m_rectCircle.left, m_rectCircle.top, m_rectCircle.Width(),
                            m_rectCircle.Height()));
        const CPoint marker = GetMarkerCentre();
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(marker.x - 4, marker.y - 4, 8, 8));
        // A sunken frame: dark on the top and left, light on the bottom and right.
        const int r = width() - 1, b = height() - 1;
        p.setPen(QColor(128, 128, 128));
        p.drawLine(0, 0, r, 0);
        p.drawLine(0, 0, 0, b);
        p.setPen(QColor(192, 192, 192));
        p.drawLine(0, b, r, b);
        p.drawLine(r, 0, r, b);
    }
    QPainter(this).drawPixmap(0, 0, canvas);
}

namespace {

QSlider* MakeSlider(QWidget* pParent, int nId, Qt::Orientation orientation, int nMax, int nTick)
{
    auto* pSlider = new QSlider(orientation, pParent);
    pSlider->setObjectName(QStringLiteral("slider%1").arg(nId));
    pSlider->setRange(0, nMax);
    pSlider->setTickInterval(nTick);
    pSlider->setTickPosition(QSlider::TicksBelow);
    return pSlider;
}

} // namespace

CLightingDlg::CLightingDlg(QWidget* pParent, CPreviewHostDlg* pNotify)
    : QDialog(pParent),
      m_pElevation(MakeSlider(this, 1048, Qt::Vertical, kLightElevationRange.nMax, 10)),
      m_pOrientation(MakeSlider(this, 1045, Qt::Horizontal, kLightOrientRange.nMax, 36)),
      m_pIntensity(MakeSlider(this, 1043, Qt::Horizontal, kLightIntenRange.nMax, 10)),
      m_pPolar(new CPolarView(this)),
      m_pNotify(pNotify),
      m_nOrientAtOpen(g_nLightOrient),
      m_nIntenAtOpen(g_nLightInten),
      m_nElevationAtOpen(g_nLightElevation)
{
    setWindowTitle(QStringLiteral("Lighting"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    // The minimum sits at the top, where the template writes "+".
    m_pElevation->setInvertedAppearance(true);
    m_pElevation->setInvertedControls(true);
    m_pElevation->setTickPosition(QSlider::TicksRight);
    m_pPolar->setObjectName(QStringLiteral("polar1044"));
    m_pPolar->setFixedSize(109, 80);

    auto* pGrid = new QGridLayout;
    pGrid->addWidget(new QLabel(QStringLiteral("Orientation:"), this), 0, 0, 1, 2);
    pGrid->addWidget(m_pPolar, 1, 0, 1, 2, Qt::AlignHCenter);
    pGrid->addWidget(m_pOrientation, 2, 0, 1, 2);
    pGrid->addWidget(new QLabel(QStringLiteral("Intensity:"), this), 3, 0, 1, 2);
    pGrid->addWidget(m_pIntensity, 4, 0, 1, 2);
    auto* pElevation = new QVBoxLayout;
    pElevation->addWidget(new QLabel(QStringLiteral("Elevation"), this), 0, Qt::AlignHCenter);
    pElevation->addWidget(new QLabel(QStringLiteral("+"), this), 0, Qt::AlignHCenter);
    pElevation->addWidget(m_pElevation, 1, Qt::AlignHCenter);
    pElevation->addWidget(new QLabel(QStringLiteral("-"), this), 0, Qt::AlignHCenter);
    pGrid->addLayout(pElevation, 0, 2, 5, 1);
    pGrid->setColumnMinimumWidth(0, 90);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pGrid);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);

    for (QSlider* pSlider : {m_pElevation, m_pOrientation, m_pIntensity}) {
        const int nId = pSlider->objectName().mid(6).toInt();
        connect(pSlider, &QSlider::valueChanged, this,
                [this, nId](int nValue) { OnSliderMoved(nId, nValue); });
    }
}

CLightingDlg::~CLightingDlg() = default;

QSlider* CLightingDlg::Slider(int nId) const
{
    switch (nId) {
    case 1048: return m_pElevation;
    case 1045: return m_pOrientation;
    case 1043: return m_pIntensity;
    default: return nullptr;
    }
}

void CLightingDlg::OnInitDialog(QPoint place)
{
    // Setting the sliders from the settings is no change to report.
    for (QSlider* pSlider : {m_pElevation, m_pOrientation, m_pIntensity})
        pSlider->blockSignals(true);
    m_pIntensity->setValue(g_nLightInten);
    m_pOrientation->setValue(g_nLightOrient);
    m_pElevation->setValue(g_nLightElevation);
    for (QSlider* pSlider : {m_pElevation, m_pOrientation, m_pIntensity})
        pSlider->blockSignals(false);
    adjustSize();
    move(StoredDialogPlace(windowTitle(), place, frameGeometry().size()));
    m_pPolar->SizeTo(m_pPolar->width(), m_pPolar->height());
    m_pPolar->SetAngle(g_nLightOrient);
}

void CLightingDlg::OnSliderMoved(int nId, int nValue)
{
    switch (nId) {
    case 1045:
        m_pPolar->SetAngle(nValue);
        g_nLightOrient = nValue;
        break;
    case 1043:
        g_nLightInten = nValue;
        break;
    case 1048:
        g_nLightElevation = nValue;
        break;
    }
    // The planet dialog restarts its delayed refresh; one that has gone hears nothing.
    if (m_pNotify) {
        QPointer<CPreviewHostDlg> pNotify = m_pNotify;
        QMetaObject::invokeMethod(
            pNotify.data(), [pNotify] {
                if (pNotify)
                    pNotify->OnParamChanged();
            },
            Qt::QueuedConnection);
    }
}

void CLightingDlg::reject()
{
    const bool bChanged = g_nLightOrient != m_nOrientAtOpen || g_nLightInten != m_nIntenAtOpen ||
                          g_nLightElevation != m_nElevationAtOpen;
    g_nLightOrient = m_nOrientAtOpen;
    g_nLightInten = m_nIntenAtOpen;
    g_nLightElevation = m_nElevationAtOpen;
    // The preview may show the light being taken back.
    if (bChanged && m_pNotify)
        m_pNotify->PostRefresh();
    QDialog::reject();
}

void CLightingDlg::hideEvent(QHideEvent* pEvent)
{
    StoreDialogPlace(windowTitle(), pos());
    QDialog::hideEvent(pEvent);
}
