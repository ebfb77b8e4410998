#include "LensFlareDlg.h"

#include "LensFlareEffect.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace LensFlareIds;

CLensFlareDlg::CLensFlareDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CLensFlareEffect>(), QStringLiteral("Lens Flare Properties"),
                 pParent)
{
    auto* pGrid = new QGridLayout;
    AddReal(pGrid, 0, "&Dropoff:", Dropoff);
    AddReal(pGrid, 1, "&Intensity:", FlareIntensity);

    auto* pStreaks = new QGroupBox(QStringLiteral(" Streaks "), this);
    auto* pStreakGrid = new QGridLayout(pStreaks);
    AddInteger(pStreakGrid, 0, "&Number:", Streaks);
    AddReal(pStreakGrid, 1, "In&tensity:", StreakIntensity);
    pStreakGrid->addWidget(AddCheck("Add &secondary streaks", Secondary), 2, 0, 1, 2);
    pGrid->addWidget(pStreaks, 2, 0, 1, 2);

    pGrid->addWidget(AddCheck("Ring &On", RingOn), 3, 0, 1, 2);

    auto* pComponents = new QGroupBox(QStringLiteral(" Flare Components "), this);
    auto* pComponentRow = new QHBoxLayout(pComponents);
    pComponentRow->addWidget(AddCheck("&Red", Red));
    pComponentRow->addWidget(AddCheck("&Green", Green));
    pComponentRow->addWidget(AddCheck("&Blue", Blue));
    pGrid->addWidget(pComponents, 4, 0, 1, 2);
    pGrid->setRowStretch(5, 1);
    SetExchangeOrder({Dropoff, Streaks, StreakIntensity, FlareIntensity, Secondary, RingOn, Blue,
                      Green, Red});
    Finish(pGrid);
}
