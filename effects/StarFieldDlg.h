// The properties of the Star Field and the Cluster: one dialog, titled after the tool, with
// the rotation shown for the Cluster only.
#pragma once

#include "EffectDlg.h"

class CStarFieldDlg : public CEffectDlg
{
    Q_OBJECT
public:
    CStarFieldDlg(const CEffect& tool, QWidget* pParent);

    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CStarFieldDlg>(tool, pParent);
    }
};
