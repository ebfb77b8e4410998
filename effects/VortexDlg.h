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
};
