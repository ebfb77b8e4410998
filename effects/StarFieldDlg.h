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
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    // Shown as five times the stars per pixel, so that the field runs from 0 to 1.
    double m_dDensity = 0;
    double m_dBrightness = 0;
    double m_dLargeStars = 0;
    double m_dRotation = 0;
    COLORREF m_crColor = 0;
    int m_bCluster = 0;
};
