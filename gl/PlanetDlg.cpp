#include "PlanetDlg.h"

#include "EarthSurface.h"
#include "GalaxyDlg.h"
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

QLayout* CPlanetDlg::AddColorRow(const char* szText, int nId, COLORREF* pMember)
{
    auto* pRow = new QHBoxLayout;
    QPushButton* pButton = AddColorButton(szText, nId, pMember);
    pRow->addWidget(AddColorSwatch(nId));
    pRow->addWidget(pButton);
    pRow->addStretch(1);
    return pRow;
}

template <class TSurface, class FCopy>
BOOL CPlanetDlg::ExchangeSurface(CEffect& effect, BOOL bSaveAndValidate, FCopy copy)
{
    return ExchangeAs<CPlanetEffect>(effect, bSaveAndValidate, [&](CPlanetEffect& e, BOOL bToEffect) {
        auto* pSurface = dynamic_cast<TSurface*>(&e.GetSurface());
        if (!pSurface)
            return;
        copy(*pSurface, bToEffect);
        // New fractal dimensions (and coverage) take effect through new noise.
        if (bToEffect)
            pSurface->ReinitialiseNoise();
    });
}

CVenusDlg::CVenusDlg(const CEffect& tool, QWidget* pParent)
    : CPlanetDlg(tool, CPlanetEffect::CreateVenus(), QStringLiteral("Venus Type Planet"), pParent)
{
    auto* pGrid = new QGridLayout;
    pGrid->addWidget(AddCheck("C&oriolis Effect", 1001, &m_bCoriolis), 0, 0, 1, 2);
    pGrid->addLayout(AddColorRow("&Cloud Color...", 1019, &m_crCloud), 1, 0, 1, 2);
    pGrid->addLayout(AddColorRow("&Surface Color...", 1021, &m_crSurface), 2, 0, 1, 2);
    AddReal(pGrid, 3, "Fractal Dimension:", 1002, 1012, &m_dFractal, 1);
    SetRange(1002, 0, 1);
    pGrid->setRowStretch(4, 1);
    SetExchangeOrder({1001, 1002});
    Finish(pGrid);
}

BOOL CVenusDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeSurface<CVenusSurface>(effect, bSaveAndValidate, [this](CVenusSurface& s, BOOL bToEffect) {
        Transfer(bToEffect, m_bCoriolis, s.m_bCoriolis);
        Transfer(bToEffect, m_crCloud, s.m_crCloud);
        Transfer(bToEffect, m_crSurface, s.m_crSurface);
        double dFractal = s.GetFractal();
        Transfer(bToEffect, m_dFractal, dFractal);
        s.SetFractal(dFractal);
    });
}

CMoonDlg::CMoonDlg(const CEffect& tool, QWidget* pParent)
    : CPlanetDlg(tool, CPlanetEffect::CreateMoon(), QStringLiteral("Moon Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    pGrid->addLayout(AddColorRow("&Maria Color...", 1019, &m_crMaria), 0, 0, 1, 2);
    pGrid->addLayout(AddColorRow("&Highlands Color...", 1021, &m_crHighland), 1, 0, 1, 2);
    QComboBox* pBump = AddCombo(1022, &m_nBumpMap,
                                {{QStringLiteral("Off"), CSurfaceModel::BumpNone},
                                 {QStringLiteral("Linear"), CSurfaceModel::BumpLinear},
                                 {QStringLiteral("Periodic"), CSurfaceModel::BumpPeriodic}});
    auto* pBumpLabel = new QLabel(QStringLiteral("Bump Map:"), this);
    pBumpLabel->setBuddy(pBump);
    pGrid->addWidget(pBumpLabel, 2, 0);
    pGrid->addWidget(pBump, 2, 1, Qt::AlignLeft);
    AddReal(pGrid, 3, "Fractal Dimension:", 1002, 1012, &m_dFractal, 1);
    AddReal(pGrid, 4, "Amount of Maria:", 1003, 1013, &m_dMariaAmount, 1);
    SetRange(1002, 0, 1);
    SetRange(1003, 0, 1);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({1022, 1002, 1003});
    Finish(pGrid);
}

BOOL CMoonDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeSurface<CMoonSurface>(effect, bSaveAndValidate, [this](CMoonSurface& s, BOOL bToEffect) {
        Transfer(bToEffect, m_crMaria, s.m_crMaria);
        Transfer(bToEffect, m_crHighland, s.m_crHighland);
        int nBump = s.GetBumpMode();
        Transfer(bToEffect, m_nBumpMap, nBump);
        s.SetBumpMode(nBump);
        double dFractal = s.GetFractal();
        Transfer(bToEffect, m_dFractal, dFractal);
        s.SetFractal(dFractal);
        if (bToEffect)
            s.m_dMaria = CMoonSurface::MariaFromDialog(m_dMariaAmount);
        else
            m_dMariaAmount = CMoonSurface::MariaToDialog(s.m_dMaria);
    });
}

CEarthDlg::CEarthDlg(const CEffect& tool, QWidget* pParent)
    : CPlanetDlg(tool, CPlanetEffect::CreateEarth(), QStringLiteral("Earth Properties"), pParent)
{
    auto* pLand = new QGroupBox(QStringLiteral(" Landscape "), this);
    auto* pLandGrid = new QGridLayout;
    AddReal(pLandGrid, 0, "Sea Level:", 1004, 1014, &m_dSeaLevel, 1);
    AddReal(pLandGrid, 1, "Ice Caps:", 1005, 1015, &m_dIceCaps, 1);
    AddReal(pLandGrid, 2, "Fractal Dimension:", 1002, 1012, &m_dFractal, 1);
    AddReal(pLandGrid, 3, "Climate:", 1006, 1016, &m_dClimate, 1);
    pLandGrid->addWidget(new QLabel(QStringLiteral("(0 is warmest)"), this), 4, 1);
    pLand->setLayout(pLandGrid);

    auto* pSky = new QGroupBox(QStringLiteral(" Atmosphere "), this);
    auto* pSkyGrid = new QGridLayout;
    pSkyGrid->addWidget(AddCheck("Clouds", 1007, &m_bClouds), 0, 0, 1, 2);
    AddReal(pSkyGrid, 1, "Coverage:", 1008, 1018, &m_dCoverage, 1);
    AddReal(pSkyGrid, 2, "Fractal Dimension:", 1009, 1020, &m_dCloudFractal, 1);
    pSky->setLayout(pSkyGrid);

    for (int nId : {1004, 1005, 1002, 1006, 1008, 1009})
        SetRange(nId, 0, 1);
    auto* pGrid = new QGridLayout;
    pGrid->addWidget(pLand, 0, 0);
    pGrid->addWidget(pSky, 1, 0);
    pGrid->setRowStretch(2, 1);
    SetExchangeOrder({1004, 1005, 1002, 1006, 1007, 1008, 1009});
    Finish(pGrid);
}

BOOL CEarthDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeSurface<CEarthSurface>(effect, bSaveAndValidate, [this](CEarthSurface& s, BOOL bToEffect) {
        if (bToEffect)
            s.m_dSeaLevel = CEarthSurface::SeaLevelFromDialog(m_dSeaLevel);
        else
            m_dSeaLevel = CEarthSurface::SeaLevelToDialog(s.m_dSeaLevel);
        Transfer(bToEffect, m_bClouds, s.m_bClouds);
        Transfer(bToEffect, m_dIceCaps, s.m_dIceCaps);
        Transfer(bToEffect, m_dCoverage, s.m_dCoverage);
        double dFractal = s.GetFractal();
        Transfer(bToEffect, m_dFractal, dFractal);
        s.SetFractal(dFractal);
        Transfer(bToEffect, m_dCloudFractal, s.m_dCloudFractal);
        Transfer(bToEffect, m_dClimate, s.m_dClimate);
    });
}

void RegisterLitDialogs()
{
    RegisterPropertiesDialog(QStringLiteral("Galaxy"), &CGalaxyDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Venus"), &CVenusDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Moon"), &CMoonDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Earth"), &CEarthDlg::Create);
}
