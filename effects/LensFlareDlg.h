// The properties of the Lens Flare. It has no colour button: the glow's colour comes from
// its three component switches.
#pragma once

#include "EffectDlg.h"

class CLensFlareDlg : public CEffectDlg
{
    Q_OBJECT
public:
    CLensFlareDlg(const CEffect& tool, QWidget* pParent);

    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CLensFlareDlg>(tool, pParent);
    }
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    // Shown as a quarter of the glow's fall-off.
    double m_dDropoff = 0;
    double m_dFlareIntensity = 0;
    int m_nPrimaryStreaks = 0;
    double m_dPrimaryIntensity = 0;
    int m_bSecondaryOn = 0;
    int m_bRingOn = 0;
    int m_bRedOn = 0;
    int m_bGreenOn = 0;
    int m_bBlueOn = 0;
    COLORREF m_crRing = 0;
};
