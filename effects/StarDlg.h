// The properties of the Star.
#pragma once

#include "EffectDlg.h"

class CStarDlg : public CEffectDlg
{
    Q_OBJECT
public:
    CStarDlg(const CEffect& tool, QWidget* pParent);

    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CStarDlg>(tool, pParent);
    }
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    double m_dDropoff = 0;
    double m_dRadius = 0;
    int m_bTransparentCore = 0;
    COLORREF m_crCore = 0;
    COLORREF m_crCorona = 0;
};
