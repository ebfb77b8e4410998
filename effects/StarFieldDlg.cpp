#include "StarFieldDlg.h"

#include "../app/StringTable.h"
#include "ClusterEffect.h"

#include <QGridLayout>
#include <QPushButton>

using namespace StarFieldIds;

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
                 LoadString(IsCluster(tool) ? IDS_CLUSTER_TITLE : IDS_STARFIELD_TITLE), pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Density:", Density);
    AddReal(pGrid, 1, "&Brightness:", Brightness);
    AddReal(pGrid, 2, "Large Stars:", LargeStars);
    AddReal(pGrid, 3, "Rotation:", Rotation);
    if (!IsCluster(tool)) {
        // The star field has no rotation: its label, edit and spin are hidden.
        for (int nColumn = 0; nColumn < 2; ++nColumn) {
            QLayoutItem* pItem = pGrid->itemAtPosition(3, nColumn);
            if (pItem->widget())
                pItem->widget()->hide();
            else if (pItem->layout())
                for (int i = 0; i < pItem->layout()->count(); ++i)
                    pItem->layout()->itemAt(i)->widget()->hide();
        }
    }
    pGrid->addWidget(AddColorButton("Color...", Color), 4, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({LargeStars, Brightness, Density, Rotation});
    Finish(pGrid);
}
