#include "VortexDlg.h"

#include "VortexEffect.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

CVortexDlg::CVortexDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CVortexEffect>(), QStringLiteral("Vortex Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Dropoff:", 1002, 1012, &m_dDropoff, 10);
    AddReal(pGrid, 1, "&Inner Radius:", 1031, 1032, &m_dInnerRadius, 1);
    AddReal(pGrid, 2, "&Intensity:", 1014, 1011, &m_dIntensity, 1);
    AddReal(pGrid, 3, "Swirl Freq:", 1020, 1015, &m_dSwirlFrequency, 8);
    AddReal(pGrid, 4, "&Color Freq:", 1029, 1030, &m_dColorFrequency, 8);
    AddReal(pGrid, 5, "Rotation:", 1018, 1013, &m_dRotation, 359);
    SetRange(1031, 0, 1);
    SetRange(1020, 0, 1000);
    SetRange(1018, 0, 359);
    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Inner Color...", 1019, &m_crInner));
    pColors->addWidget(AddColorButton("&Outer Color...", 1021, &m_crOuter));
    pGrid->addLayout(pColors, 6, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(7, 1);
    SetExchangeOrder({1018, 1002, 1029, 1014, 1031, 1020});
    Finish(pGrid);
}

BOOL CVortexDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeAs<CVortexEffect>(effect, bSaveAndValidate, [this](CVortexEffect& e, BOOL bToEffect) {
        Transfer(bToEffect, m_dDropoff, e.m_dDropoff);
        Transfer(bToEffect, m_dInnerRadius, e.m_dInnerRadius);
        Transfer(bToEffect, m_dIntensity, e.m_dIntensity);
        Transfer(bToEffect, m_dSwirlFrequency, e.m_dSwirlFrequency);
        Transfer(bToEffect, m_dColorFrequency, e.m_dColorFrequency);
        Transfer(bToEffect, m_dRotation, e.m_dRotation);
        Transfer(bToEffect, m_crInner, e.m_crInner);
        Transfer(bToEffect, m_crOuter, e.m_crOuter);
    });
}
