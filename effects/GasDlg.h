// The properties of the Interstellar Gas.
#pragma once

#include "EffectDlg.h"

class CGasDlg : public CEffectDlg
{
    Q_OBJECT
public:
    CGasDlg(const CEffect& tool, QWidget* pParent);

    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CGasDlg>(tool, pParent);
    }
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    // Shown as 0 to 1 for the opacities 0.2 to 0.5.
    double m_dIntensity = 0;
    int m_bAddNoise = 0;
    double m_dFrequency = 0;
    COLORREF m_crColor = 0;
};
