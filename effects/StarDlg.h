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
};
