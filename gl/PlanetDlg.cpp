#include "PlanetDlg.h"

#include "EarthSurface.h"
#include "LightingDlg.h"
#include "MoonSurface.h"
#include "PlanetEffect.h"
#include "PreviewWnd.h"
#include "VenusSurface.h"
#include "../view/ColorSwatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>

CPlanetDlg::CPlanetDlg(const CEffect& tool, std::unique_ptr<CEffect> pEffect,
                       const QString& strTitle, QWidget* pParent)
    : CEffectDlg(std::move(pEffect), strTitle, pParent, new CPlanetPreviewWnd)
{
    if (const auto* pTool = dynamic_cast<const CPlanetEffect*>(&tool))
        Surface().CopyFixedTables(pTool->GetSurface());
}

CPlanetDlg::~CPlanetDlg()
{
    // Whether the Lighting dialog closed itself or not, and whether the program is closing
    // or not: it is deleted once, here or by itself, never twice.
    delete m_pLighting.data();
}

CSurfaceModel& CPlanetDlg::Surface() const
{
    return static_cast<CPlanetEffect*>(GetEffect())->GetSurface();
}

void CPlanetDlg::OnInitDialog(CEffect& tool)
{
    CEffectDlg::OnInitDialog(tool);
    m_pLighting = new CLightingDlg(parentWidget(), this);
    // Measured with the title bars the window manager adds, which it may not have added yet.
    const QRect frame(pos(), FramedSize(this));
    m_pLighting->adjustSize();
    const QPoint beside = PlaceBeside(frame, FramedSize(m_pLighting), m_pLighting);
    m_pLighting->OnInitDialog(beside);
    // The place kept from a shorter planet dialog may lie over this one.
    if (QRect(m_pLighting->pos(), FramedSize(m_pLighting)).intersects(frame))
        m_pLighting->move(beside);
    // Like the planet's dialog, it leaves the keyboard where it was.
    m_pLighting->setAttribute(Qt::WA_ShowWithoutActivating);
    m_pLighting->show();
}

void CPlanetDlg::CloseLighting()
{
    // Closed along with this dialog, the Lighting dialog keeps the light as set: only its
    // own Cancel takes it back.
    if (m_pLighting)
        m_pLighting->accept();
}

void CPlanetDlg::hideEvent(QHideEvent* pEvent)
{
    // Closed or replaced: the Lighting dialog goes with it at once. A hide by the window
    // system (the main window minimised) leaves it.
    if (!pEvent->spontaneous())
        CloseLighting();
    CEffectDlg::hideEvent(pEvent);
}

void CPlanetDlg::OnDefaultProperties()
{
    Surface().ResetDefaults();
    GetEffect()->ToDialog(this);
    PostRefresh();
}

QLayout* CPlanetDlg::AddColorRow(const char* szText, int nId)
{
    auto* pRow = new QHBoxLayout;
    QPushButton* pButton = AddColorButton(szText, nId);
    pRow->addWidget(AddColorSwatch(nId));
    pRow->addWidget(pButton);
    pRow->addStretch(1);
    return pRow;
}

CVenusDlg::CVenusDlg(const CEffect& tool, QWidget* pParent)
    : CPlanetDlg(tool, CPlanetEffect::CreateVenus(), QStringLiteral("Venus Type Planet"), pParent)
{
    using namespace VenusIds;
    auto* pGrid = new QGridLayout;
    pGrid->addWidget(AddCheck("C&oriolis Effect", Coriolis), 0, 0, 1, 2);
    pGrid->addLayout(AddColorRow("&Cloud Color...", CloudColor), 1, 0, 1, 2);
    pGrid->addLayout(AddColorRow("&Surface Color...", SurfaceColor), 2, 0, 1, 2);
    AddReal(pGrid, 3, "Fractal Dimension:", Fractal);
    pGrid->setRowStretch(4, 1);
    SetExchangeOrder({Coriolis, Fractal});
    Finish(pGrid);
}

CMoonDlg::CMoonDlg(const CEffect& tool, QWidget* pParent)
    : CPlanetDlg(tool, CPlanetEffect::CreateMoon(), QStringLiteral("Moon Properties"), pParent)
{
    using namespace MoonIds;
    auto* pGrid = new QGridLayout;
    pGrid->addLayout(AddColorRow("&Maria Color...", MariaColor), 0, 0, 1, 2);
    pGrid->addLayout(AddColorRow("&Highlands Color...", HighlandColor), 1, 0, 1, 2);
    QComboBox* pBump =
        AddCombo(BumpMap, {{QStringLiteral("Off"), CSurfaceModel::BumpNone},
                           {QStringLiteral("Linear"), CSurfaceModel::BumpLinear},
                           {QStringLiteral("Periodic"), CSurfaceModel::BumpPeriodic}});
    auto* pBumpLabel = new QLabel(QStringLiteral("Bump Map:"), this);
    pBumpLabel->setBuddy(pBump);
    pGrid->addWidget(pBumpLabel, 2, 0);
    pGrid->addWidget(pBump, 2, 1, Qt::AlignLeft);
    AddReal(pGrid, 3, "Fractal Dimension:", Fractal);
    AddReal(pGrid, 4, "Amount of Maria:", Maria);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({BumpMap, Fractal, Maria});
    Finish(pGrid);
}

CEarthDlg::CEarthDlg(const CEffect& tool, QWidget* pParent)
    : CPlanetDlg(tool, CPlanetEffect::CreateEarth(), QStringLiteral("Earth Properties"), pParent)
{
    using namespace EarthIds;
    auto* pLand = new QGroupBox(QStringLiteral(" Landscape "), this);
    auto* pLandGrid = new QGridLayout;
    AddReal(pLandGrid, 0, "Sea Level:", SeaLevel);
    AddReal(pLandGrid, 1, "Ice Caps:", IceCaps);
    AddReal(pLandGrid, 2, "Fractal Dimension:", Fractal);
    AddReal(pLandGrid, 3, "Climate:", Climate);
    pLandGrid->addWidget(new QLabel(QStringLiteral("(0 is warmest)"), this), 4, 1);
    pLand->setLayout(pLandGrid);

    auto* pSky = new QGroupBox(QStringLiteral(" Atmosphere "), this);
    auto* pSkyGrid = new QGridLayout;
    pSkyGrid->addWidget(AddCheck("Clouds", Clouds), 0, 0, 1, 2);
    AddReal(pSkyGrid, 1, "Coverage:", Coverage);
    AddReal(pSkyGrid, 2, "Fractal Dimension:", CloudFractal);
    pSky->setLayout(pSkyGrid);

    auto* pGrid = new QGridLayout;
    pGrid->addWidget(pLand, 0, 0);
    pGrid->addWidget(pSky, 1, 0);
    pGrid->setRowStretch(2, 1);
    SetExchangeOrder({SeaLevel, IceCaps, Fractal, Climate, Clouds, Coverage, CloudFractal});
    Finish(pGrid);
}
