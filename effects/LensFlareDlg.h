// The properties of the Lens Flare.
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
};
