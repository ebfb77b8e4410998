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
};
