#include "GasDlg.h"

#include "GasEffect.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

using namespace GasIds;

CGasDlg::CGasDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CGasEffect>(), QStringLiteral("Gas Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Intensity:", Intensity);

    auto* pTurbulence = new QGroupBox(QStringLiteral(" Turbulence "), this);
    auto* pGroupGrid = new QGridLayout(pTurbulence);
    pGroupGrid->addWidget(AddCheck("&Add", AddNoise), 0, 0, 1, 2);
    AddReal(pGroupGrid, 1, "&Frequency:", Frequency);
    pGrid->addWidget(pTurbulence, 1, 0, 1, 2);
    pGrid->addWidget(AddColorButton("&Color...", Color), 2, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(3, 1);
    SetExchangeOrder({Intensity, AddNoise, Frequency});
    Finish(pGrid);
}
