#include "StarDlg.h"

#include "StarEffect.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

CStarDlg::CStarDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CStarEffect>(), QStringLiteral("Star Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    // The spin covers the useful fall-offs; steeper ones up to 10 can be typed.
    AddReal(pGrid, 0, "&Dropoff:", 1002, 1012, &m_dDropoff, 4);
    AddReal(pGrid, 1, "&Radius:", 1003, 1013, &m_dRadius, 1);
    SetRange(1002, 0, 10);
    SetRange(1003, 0, 1);
    pGrid->addWidget(AddCheck("&Transparent Core", 1051, &m_bTransparentCore), 2, 0, 1, 2);
    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Core Color...", 1019, &m_crCore));
    pColors->addWidget(AddColorButton("C&orona Color...", 1021, &m_crCorona));
    pGrid->addLayout(pColors, 3, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(4, 1);
    SetExchangeOrder({1002, 1003, 1051});
    Finish(pGrid);
}

BOOL CStarDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeAs<CStarEffect>(effect, bSaveAndValidate, [this](CStarEffect& e, BOOL bToEffect) {
        Transfer(bToEffect, m_dDropoff, e.m_dDropoff);
        Transfer(bToEffect, m_dRadius, e.m_dRadius);
        Transfer(bToEffect, m_crCore, e.m_crCore);
        Transfer(bToEffect, m_crCorona, e.m_crCorona);
        Transfer(bToEffect, m_bTransparentCore, e.m_bTransparentCore);
    });
}
