// The properties of the Nebula.
#pragma once

#include "EffectDlg.h"

class CNebulaDlg : public CEffectDlg
{
    Q_OBJECT
public:
    CNebulaDlg(const CEffect& tool, QWidget* pParent);

    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CNebulaDlg>(tool, pParent);
    }
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    double m_dDropoff = 0;
    double m_dIntensity = 0;
    double m_dRotation = 0;
    double m_dColorFrequency = 0;
    COLORREF m_crInner = 0;
    COLORREF m_crOuter = 0;
};
