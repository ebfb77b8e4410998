// The properties of the three planets (Venus type, Moon, Earth). Each dialog previews its
// own copy of the planet and opens the Lighting dialog beside itself, which it closes
// again when it goes.
#pragma once

#include "../effects/EffectDlg.h"
#include "LightingDlg.h"

#include <QPointer>

class CPlanetEffect;
class CSurfaceModel;

class CPlanetDlg : public CEffectDlg
{
    Q_OBJECT
public:
    // pEffect is the private planet of the tool's kind; it takes the tool's fixed tables,
    // so that a canvas render repeats the preview.
    CPlanetDlg(const CEffect& tool, std::unique_ptr<CEffect> pEffect, const QString& strTitle,
               QWidget* pParent);
    ~CPlanetDlg() override;

    // As every effect dialog opens, then the Lighting dialog, which notifies this one.
    void OnInitDialog(CEffect& tool);
    // The surface's built-in values (the tool's own keep theirs until its next render).
    void OnDefaultProperties() override;

    CSurfaceModel& Surface() const;
    // The Lighting dialog while it is open, else null.
    CLightingDlg* GetLightingDlg() const { return m_pLighting.data(); }

protected:
    void hideEvent(QHideEvent* pEvent) override;
    // The swatch and the button of a colour, side by side.
    QLayout* AddColorRow(const char* szText, int nId);

private:
    void CloseLighting();

    QPointer<CLightingDlg> m_pLighting;
};

class CVenusDlg : public CPlanetDlg
{
    Q_OBJECT
public:
    CVenusDlg(const CEffect& tool, QWidget* pParent);
    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CVenusDlg>(tool, pParent);
    }
};

class CMoonDlg : public CPlanetDlg
{
    Q_OBJECT
public:
    CMoonDlg(const CEffect& tool, QWidget* pParent);
    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CMoonDlg>(tool, pParent);
    }
};

class CEarthDlg : public CPlanetDlg
{
    Q_OBJECT
public:
    CEarthDlg(const CEffect& tool, QWidget* pParent);
    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CEarthDlg>(tool, pParent);
    }
};
