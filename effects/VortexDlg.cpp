#include "VortexDlg.h"

#include "VortexEffect.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

using namespace VortexIds;

CVortexDlg::CVortexDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CVortexEffect>(), QStringLiteral("Vortex Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Dropoff:", Dropoff);
    AddReal(pGrid, 1, "&Inner Radius:", InnerRadius);
    AddReal(pGrid, 2, "&Intensity:", Intensity);
    AddReal(pGrid, 3, "Swirl Freq:", SwirlFrequency);
    AddReal(pGrid, 4, "&Color Freq:", ColorFrequency);
    AddReal(pGrid, 5, "Rotation:", Rotation);
    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Inner Color...", InnerColor));
    pColors->addWidget(AddColorButton("&Outer Color...", OuterColor));
    pGrid->addLayout(pColors, 6, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(7, 1);
    SetExchangeOrder({Rotation, Dropoff, ColorFrequency, Intensity, InnerRadius, SwirlFrequency});
    Finish(pGrid);
}
