#include "LensFlareDlg.h"

#include "LensFlareEffect.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

CLensFlareDlg::CLensFlareDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CLensFlareEffect>(), QStringLiteral("Lens Flare Properties"),
                 pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Dropoff:", 1002, 1012, &m_dDropoff, 10);
    AddReal(pGrid, 1, "&Intensity:", 1005, 1015, &m_dFlareIntensity, 1);

    auto* pStreaks = new QGroupBox(QStringLiteral(" Streaks "), this);
    auto* pStreakGrid = new QGridLayout(pStreaks);
    AddInteger(pStreakGrid, 0, "&Number:", 1003, 1013, &m_nPrimaryStreaks, 0, 100);
    AddReal(pStreakGrid, 1, "In&tensity:", 1004, 1014, &m_dPrimaryIntensity, 1);
    pStreakGrid->addWidget(AddCheck("Add &secondary streaks", 1037, &m_bSecondaryOn), 2, 0, 1, 2);
    pGrid->addWidget(pStreaks, 2, 0, 1, 2);

    pGrid->addWidget(AddCheck("Ring &On", 1038, &m_bRingOn), 3, 0, 1, 2);

    auto* pComponents = new QGroupBox(QStringLiteral(" Flare Components "), this);
    auto* pComponentRow = new QHBoxLayout(pComponents);
    pComponentRow->addWidget(AddCheck("&Red", 1040, &m_bRedOn));
    pComponentRow->addWidget(AddCheck("&Green", 1041, &m_bGreenOn));
    pComponentRow->addWidget(AddCheck("&Blue", 1042, &m_bBlueOn));
    pGrid->addWidget(pComponents, 4, 0, 1, 2);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({1002, 1003, 1004, 1005, 1037, 1038, 1042, 1041, 1040});
    Finish(pGrid);
}

BOOL CLensFlareDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeAs<CLensFlareEffect>(effect, bSaveAndValidate, [this](CLensFlareEffect& e, BOOL bToEffect) {
        if (bToEffect)
            e.m_dDropoff = m_dDropoff * 4;
        else
            m_dDropoff = e.m_dDropoff / 4;
        Transfer(bToEffect, m_dFlareIntensity, e.m_dFlareIntensity);
        Transfer(bToEffect, m_nPrimaryStreaks, e.m_nPrimaryStreaks);
        Transfer(bToEffect, m_dPrimaryIntensity, e.m_dPrimaryIntensity);
        Transfer(bToEffect, m_bSecondaryOn, e.m_bSecondaryOn);
        Transfer(bToEffect, m_bRingOn, e.m_bRingOn);
        Transfer(bToEffect, m_bRedOn, e.m_bRedOn);
        Transfer(bToEffect, m_bGreenOn, e.m_bGreenOn);
        Transfer(bToEffect, m_bBlueOn, e.m_bBlueOn);
        Transfer(bToEffect, m_crRing, e.m_crRing);
    });
}
