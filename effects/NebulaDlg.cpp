#include "NebulaDlg.h"

#include "NebulaEffect.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

CNebulaDlg::CNebulaDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CNebulaEffect>(), QStringLiteral("Nebula Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Dropoff:", 1002, 1012, &m_dDropoff, 10);
    AddReal(pGrid, 1, "&Intensity:", 1014, 1011, &m_dIntensity, 1);
    AddReal(pGrid, 2, "&Color Freq:", 1029, 1030, &m_dColorFrequency, 8);
    AddReal(pGrid, 3, "Rotation:", 1018, 1013, &m_dRotation, 359);
    SetRange(1018, 0, 359);
    SetRange(1029, 0, 359);
    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Inner Color...", 1019, &m_crInner));
    pColors->addWidget(AddColorButton("&Outer Color...", 1021, &m_crOuter));
    pGrid->addLayout(pColors, 4, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({1002, 1014, 1018, 1029});
    Finish(pGrid);
}

BOOL CNebulaDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeAs<CNebulaEffect>(effect, bSaveAndValidate, [this](CNebulaEffect& e, BOOL bToEffect) {
        Transfer(bToEffect, m_dDropoff, e.m_dDropoff);
        Transfer(bToEffect, m_dIntensity, e.m_dIntensity);
        Transfer(bToEffect, m_dRotation, e.m_dRotation);
        Transfer(bToEffect, m_dColorFrequency, e.m_dColorFrequency);
        Transfer(bToEffect, m_crInner, e.m_crInner);
        Transfer(bToEffect, m_crOuter, e.m_crOuter);
    });
}
