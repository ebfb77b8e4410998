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
    QLayout* AddColorRow(const char* szText, int nId, COLORREF* pMember);
    // The shared shape of the planets' Exchange: copy(surface, bToEffect) moves the
    // members; reading then rebuilds the surface's noise for the new values.
    template <class TSurface, class FCopy>
    BOOL ExchangeSurface(CEffect& effect, BOOL bSaveAndValidate, FCopy copy);

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
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    int m_bCoriolis = 1;
    COLORREF m_crCloud = 0;
    COLORREF m_crSurface = 0;
    double m_dFractal = 0.5;
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
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    COLORREF m_crMaria = 0;
    COLORREF m_crHighland = 0;
    int m_nBumpMap = 0;
    double m_dFractal = 1.0;
    // "Amount of Maria:" (m + 1) / 2 of the threshold m.
    double m_dMariaAmount = 0.55;
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
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    // "Sea Level:" (s + 0.8) / 1.6 of the sea level s.
    double m_dSeaLevel = 0.6;
    int m_bClouds = 1;
    double m_dIceCaps = 0.8;
    double m_dCoverage = 0.25;
    double m_dFractal = 1.0;
    double m_dCloudFractal = 1.0;
    double m_dClimate = 0.6;
};

// Registers the galaxy's and the planets' dialogs. Call once at start-up, with the others.
void RegisterLitDialogs();
