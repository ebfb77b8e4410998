// The properties dialog of a two-dimensional effect: the preview host with a private effect
// of the tool's class for its preview, controls bound to members, and "Default properties".
// The concrete dialogs make their controls with the Add... helpers, name the order in which
// the controls are read, and copy the members to and from their effect in Exchange.
#pragma once

#include "../view/PreviewHostDlg.h"
#include "SpinEditPair.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

class CColorSwatch;
class CPreviewWnd;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLayout;
class QLineEdit;
class QPushButton;

class CEffectDlg : public CPreviewHostDlg
{
    Q_OBJECT
public:
    // pPreview is the preview window to host (null: the two-dimensional effects' one).
    CEffectDlg(std::unique_ptr<CEffect> pEffect, const QString& strTitle, QWidget* pParent,
               CPreviewWnd* pPreview = nullptr);
    ~CEffectDlg() override;

    // The effect the preview renders.
    CEffect* GetEffect() const { return m_pEffect.get(); }

    // Opens the dialog for tool: the preview's picture, the tool's parameters into the
    // controls, the place, the preview delay, the spins, and a first preview.
    void OnInitDialog(CEffect& tool);

    // "Default properties": the private effect's defaults into the controls, then a
    // refresh. The tool itself changes only at its next render.
    virtual void OnDefaultProperties();

    // FALSE: members to controls (no change is reported). TRUE: controls to members in the
    // exchange order; a text that is no number or lies outside its validated range stops
    // the reading there, with a message and the focus on it unless quiet, and leaves every
    // member as it was.
    BOOL UpdateData(BOOL bSaveAndValidate);

    // The control with resource id nId (edits, spins, buttons, check boxes), or null.
    QWidget* Control(int nId) const;
    CSpinEditPair* Pair(int nEditId) const;

protected:
    // The shared shape of every Exchange: reading validates first and changes nothing on
    // failure; copy(effect, bToEffect) moves the members one way or the other; writing
    // then shows the members in the controls.
    template <class TEffect, class FCopy>
    BOOL ExchangeAs(CEffect& effect, BOOL bSaveAndValidate, FCopy copy)
    {
        auto* pEffect = dynamic_cast<TEffect*>(&effect);
        if (!pEffect)
            return TRUE;
        if (bSaveAndValidate && !UpdateData(TRUE))
            return FALSE;
        copy(*pEffect, bSaveAndValidate);
        if (!bSaveAndValidate)
            UpdateData(FALSE);
        return TRUE;
    }
    // member to parameter (bToEffect) or back.
    template <class T>
    static void Transfer(BOOL bToEffect, T& member, T& parameter)
    {
        if (bToEffect)
            parameter = member;
        else
            member = parameter;
    }

    // A real edit with its spin, labelled, in row nRow of pGrid. The spin runs from 0 to
    // dSpinMax; a validated range is given with SetRange.
    // A labelled row of the grid: an edit and its up/down control side by side.
    void AddEditSpinRow(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId,
                        int nSpinId, QLineEdit*& pEdit, CUpDown*& pSpin);
    CSpinEditPair* AddReal(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId,
                           int nSpinId, double* pMember, double dSpinMax);
    // An integer edit with its own integer spin from nMin to nMax (also its validated range);
    // a change refreshes the preview.
    QLineEdit* AddInteger(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId,
                          int nSpinId, int* pMember, int nMin, int nMax);
    // A check box; a click refreshes the preview.
    QCheckBox* AddCheck(const char* szText, int nId, int* pMember);
    // A button that opens the colour chooser on the member; either way the preview refreshes.
    QPushButton* AddColorButton(const char* szText, int nId, COLORREF* pMember);
    // A swatch that shows the colour of button nId (which then shows none itself).
    CColorSwatch* AddColorSwatch(int nButtonId);
    // A drop-down of items (text and data); the member holds the data of the chosen item,
    // and a choice refreshes the preview.
    QComboBox* AddCombo(int nId, int* pMember, const std::vector<std::pair<QString, int>>& items);
    // Writes text into edit nId as the program (no change by the user), moving its spin.
    void SetControlText(int nId, const QString& text);
    // The range the reading checks for control nId.
    void SetRange(int nId, double dMin, double dMax);
    // The order in which UpdateData(TRUE) reads the controls.
    void SetExchangeOrder(std::vector<int> ids) { m_order = std::move(ids); }
    // Lays the dialog out: the preview at the top left, pControls beside it and "Default
    // properties" below.
    void Finish(QLayout* pControls);

private:
    struct CField
    {
        enum EKind { Real, Integer, Check, Combo } kind;
        QWidget* pControl;
        void* pMember;
        bool bRange = false;
        double dMin = 0;
        double dMax = 0;
    };
    // The members reading would store, or FALSE at the first control that fails.
    BOOL ReadField(int nId, const CField& field, double& dValue);
    void Fail(QWidget* pControl, const QString& text);
    void ShowColor(int nId);
    void ParamChanged();

    std::unique_ptr<CEffect> m_pEffect;
    std::map<int, CField> m_fields;
    std::vector<int> m_order;
    std::map<int, QWidget*> m_controls;
    std::map<int, std::unique_ptr<CSpinEditPair>> m_pairs;
    std::map<int, COLORREF*> m_colors;
    std::map<int, CColorSwatch*> m_swatches;
    // Set while members are written to the controls: that is no change by the user.
    BOOL m_bWriting = FALSE;
};

// The factory every dialog registers: the dialog, opened for tool.
template <class TDlg>
CPreviewHostDlg* CreateEffectDlg(CEffect& tool, QWidget* pParent)
{
    auto* pDialog = new TDlg(tool, pParent);
    pDialog->OnInitDialog(tool);
    return pDialog;
}

// Registers the dialogs of the star field, cluster, nebula, star, gas, vortex and lens
// flare, and the exchange through which the tools reach them. Call once at start-up.
void RegisterEffectDialogs();
