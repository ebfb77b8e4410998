#include "StarFieldDlg.h"

#include "../app/StringTable.h"
#include "ClusterEffect.h"

#include <QGridLayout>
#include <QLayoutItem>
#include <QPushButton>
#include <QWidget>

namespace {
bool IsCluster(const CEffect& tool)
{
    const auto* pStars = dynamic_cast<const CStarFieldEffect*>(&tool);
    return pStars && pStars->m_bCluster;
}
} // namespace

CStarFieldDlg::CStarFieldDlg(const CEffect& tool, QWidget* pParent)
    : CEffectDlg(IsCluster(tool) ? std::unique_ptr<CEffect>(std::make_unique<CClusterEffect>())
                                 : std::make_unique<CStarFieldEffect>(),
                 LoadString(IsCluster(tool) ? IDS_CLUSTER_TITLE : IDS_STARFIELD_TITLE), pParent),
      m_bCluster(IsCluster(tool))
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Density:", 1000, 1009, &m_dDensity, 1);
    AddReal(pGrid, 1, "&Brightness:", 1001, 1008, &m_dBrightness, 1);
    AddReal(pGrid, 2, "Large Stars:", 1004, 1005, &m_dLargeStars, 1);
    AddReal(pGrid, 3, "Rotation:", 1018, 1013, &m_dRotation, 359);
    SetRange(1000, 0, 1);
    SetRange(1001, 0, 1);
    SetRange(1004, 0, 1);
    SetRange(1018, 0, 360);
    if (!m_bCluster) {
        for (int nColumn = 0; nColumn < 2; ++nColumn) {
            QLayoutItem* pItem = pGrid->itemAtPosition(3, nColumn);
            if (pItem->widget())
                pItem->widget()->hide();
            else if (pItem->layout())
                for (int i = 0; i < pItem->layout()->count(); ++i)
                    pItem->layout()->itemAt(i)->widget()->hide();
        }
    }
    pGrid->addWidget(AddColorButton("Color...", 1017, &m_crColor), 4, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({1004, 1001, 1000, 1018});
    Finish(pGrid);
}

BOOL CStarFieldDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    return ExchangeAs<CStarFieldEffect>(effect, bSaveAndValidate, [this](CStarFieldEffect& e, BOOL bToEffect) {
        if (bToEffect)
            e.m_dDensity = m_dDensity / 5;
        else
            m_dDensity = e.m_dDensity * 5;
        Transfer(bToEffect, m_dLargeStars, e.m_dLargeStars);
        Transfer(bToEffect, m_dBrightness, e.m_dBrightness);
        Transfer(bToEffect, m_dRotation, e.m_dRotation);
        Transfer(bToEffect, m_crColor, e.m_crColor);
    });
}
