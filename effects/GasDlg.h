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
};
