#include "GasDlg.h"

#include "GasEffect.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

CGasDlg::CGasDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CGasEffect>(), QStringLiteral("Gas Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Intensity:", 1018, 1011, &m_dIntensity, 1);

    auto* pTurbulence = new QGroupBox(QStringLiteral(" Turbulence "), this);
    auto* pGroupGrid = new QGridLayout(pTurbulence);
    pGroupGrid->addWidget(AddCheck("&Add", 1028, &m_bAddNoise), 0, 0, 1, 2);
    AddReal(pGroupGrid, 1, "&Frequency:", 1019, 1012, &m_dFrequency, 64);
    SetRange(1019, 0, 64);
    pGrid->addWidget(pTurbulence, 1, 0, 1, 2);
    pGrid->addWidget(AddColorButton("&Color...", 1017, &m_crColor), 2, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(3, 1);
    SetExchangeOrder({1018, 1028, 1019});
    Finish(pGrid);
}

BOOL CGasDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeAs<CGasEffect>(effect, bSaveAndValidate, [this](CGasEffect& e, BOOL bToEffect) {
        if (bToEffect)
            e.m_dIntensity = m_dIntensity * 0.3 + 0.2;
        else
            m_dIntensity = (e.m_dIntensity - 0.2) * 3.3333333333333335;
        Transfer(bToEffect, m_crColor, e.m_crColor);
        Transfer(bToEffect, m_bAddNoise, e.m_bAddNoise);
        Transfer(bToEffect, m_dFrequency, e.m_dFrequency);
    });
}
