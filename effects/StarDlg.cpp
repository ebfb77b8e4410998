#include "StarDlg.h"

#include "StarEffect.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

using namespace StarIds;

CStarDlg::CStarDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CStarEffect>(), QStringLiteral("Star Properties"), pParent)
{
    auto* pGrid = new QGridLayout;
    // The spin covers the useful fall-offs; steeper ones up to 10 can be typed.
    AddReal(pGrid, 0, "&Dropoff:", Dropoff);
    AddReal(pGrid, 1, "&Radius:", Radius);
    pGrid->addWidget(AddCheck("&Transparent Core", TransparentCore), 2, 0, 1, 2);
    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Core Color...", CoreColor));
    pColors->addWidget(AddColorButton("C&orona Color...", CoronaColor));
    pGrid->addLayout(pColors, 3, 0, 1, 2, Qt::AlignLeft);
    pGrid->setRowStretch(4, 1);
    SetExchangeOrder({Dropoff, Radius, TransparentCore});
    Finish(pGrid);
}
