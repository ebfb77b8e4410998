// The properties of the Vortex.
#pragma once

#include "EffectDlg.h"

class CVortexDlg : public CEffectDlg
{
    Q_OBJECT
public:
    CVortexDlg(const CEffect& tool, QWidget* pParent);

    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CVortexDlg>(tool, pParent);
    }
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    double m_dDropoff = 0;
    double m_dInnerRadius = 0;
    double m_dIntensity = 0;
    double m_dSwirlFrequency = 0;
    double m_dColorFrequency = 0;
    double m_dRotation = 0;
    COLORREF m_crInner = 0;
    COLORREF m_crOuter = 0;
};
