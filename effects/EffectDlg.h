// The properties dialog of an effect: the preview host with a private effect of the tool's
// class for its preview, its controls, and "Default properties". A concrete dialog only
// lays its controls out by id and names the order in which they are read; which value each
// control shows, its spin, its range and how it is shown come from the effect's value
// table, and the copying between controls and effect, with the validation, is done here.
#pragma once

#include "../view/PreviewHostDlg.h"
#include "ControlIds.h"
#include "Effect.h"
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

    // FALSE: shows effect's values in the controls that show them (no change is reported).
    // TRUE: reads the controls in the reading order, each checked against its value's
    // range; a text that is no number or lies outside the range stops the reading there,
    // with a message giving the range and the focus on it unless quiet, and leaves effect as
    // it was. When every control passes, effect takes the values (ValuesChanged follows).
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    // The control with resource id nId (edits, spins, buttons, check boxes), or null.
    QWidget* Control(int nId) const;
    CSpinEditPair* Pair(int nEditId) const;
    // The colour colour button nId holds.
    COLORREF ShownColor(int nId) const;

protected:
    // The layout helpers take a control's id; a control bound to a value of the table
    // (its nControl) shows that value.
    // A labelled row of the grid: an edit and its up/down control side by side.
    void AddEditSpinRow(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId,
                        int nSpinId, QLineEdit*& pEdit, CUpDown*& pSpin);
    // The real value's edit with its spin, labelled, in row nRow of pGrid.
    CSpinEditPair* AddReal(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId);
    // The integer value's edit with its own integer spin over the value's range; a change
    // refreshes the preview.
    QLineEdit* AddInteger(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId);
    // A check box; a click refreshes the preview.
    QCheckBox* AddCheck(const char* szText, int nId);
    // A button that opens the colour chooser on its colour; either way the preview refreshes.
    QPushButton* AddColorButton(const char* szText, int nId);
    // A swatch that shows the colour of button nId (which then shows none itself).
    CColorSwatch* AddColorSwatch(int nButtonId);
    // A drop-down of items (text and data); a value shown by it takes the chosen item's
    // data, and a choice refreshes the preview.
    QComboBox* AddCombo(int nId, const std::vector<std::pair<QString, int>>& items);
    // Writes text into edit nId as the program (no change by the user), moving its spin.
    void SetControlText(int nId, const QString& text);
    // Gives colour button nId a colour as the program.
    void SetColor(int nId, COLORREF color);
    // The order in which Exchange reads the controls; controls left out are read after.
    void SetExchangeOrder(std::vector<int> ids) { m_order = std::move(ids); }
    // Lays the dialog out: the preview at the top left, pControls beside it and "Default
    // properties" below.
    void Finish(QLayout* pControls);
    // Tells why a control's text fails (unless quiet) and puts the focus on it.
    void Fail(QWidget* pControl, const QString& text);

private:
    // The private effect's entry for control nId; the control must show one.
    const CEffectValue& Bound(int nId) const;
    // The control's value in stored units, or FALSE (after telling why) when it fails.
    BOOL ReadControl(const CEffectValue& value, double& dStored);
    void ShowControl(const CEffectValue& value);
    void ShowColor(int nId);
    void ParamChanged();

    std::unique_ptr<CEffect> m_pEffect;
    // The private effect's table: what each control shows (only its description is used).
    CEffectValues m_values;
    std::vector<int> m_order;
    std::map<int, QWidget*> m_controls;
    std::map<int, std::unique_ptr<CSpinEditPair>> m_pairs;
    std::map<int, COLORREF> m_colors;
    std::map<int, CColorSwatch*> m_swatches;
    // Set while values are written to the controls: that is no change by the user.
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
