#include "NebulaDlg.h"

#include "NebulaEffect.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

using namespace NebulaIds;

CNebulaDlg::CNebulaDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CNebulaEffect>(), QStringLiteral("Nebula Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Dropoff:", Dropoff);
    AddReal(pGrid, 1, "&Intensity:", Intensity);
    AddReal(pGrid, 2, "&Color Freq:", ColorFrequency);
    AddReal(pGrid, 3, "Rotation:", Rotation);
    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Inner Color...", InnerColor));
    pColors->addWidget(AddColorButton("&Outer Color...", OuterColor));
    pGrid->addLayout(pColors, 4, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({Dropoff, Intensity, Rotation, ColorFrequency});
    Finish(pGrid);
}
