// The properties of the Galaxy: the type, the colours, the density, the gas disc's texture
// and scale, and the orientation, which the user sets by dragging in the preview.
#pragma once

#include "../effects/EffectDlg.h"

#include <memory>

class CGalaxyEffect;
class CGalaxyModel;
class CGalaxyPreviewWnd;
class QGroupBox;
class QLineEdit;

class CGalaxyDlg : public CEffectDlg
{
    Q_OBJECT
public:
    CGalaxyDlg(const CEffect& tool, QWidget* pParent);
    ~CGalaxyDlg() override;

    static CPreviewHostDlg* Create(CEffect& tool, QWidget* pParent)
    {
        return CreateEffectDlg<CGalaxyDlg>(tool, pParent);
    }
    BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate) override;

    // A new type chosen: its default density into the edit, the texture back to the
    // built-in one, and a new model.
    void OnTypeChanged();
    // "Browse...": a picture file for the gas disc; one that cannot be read is refused
    // with a message and leaves the built-in texture.
    void OnBrowse();
    // The dialog model's default colours and density, its gas scale, the face-on
    // orientation and the built-in texture.
    void OnDefaultProperties() override;
    // Makes the model anew from the controls and hands it to the preview, which repaints.
    void RebuildModel();

    // The preview's tilt, spin and roll into their fields (after a turn in the preview).
    void ShowOrientation();

    CGalaxyPreviewWnd* Preview() const;
    const CGalaxyModel* GetModel() const { return m_pModel.get(); }
    QGroupBox* GasGroup() const { return m_pGasGroup; }

    // Full path of the gas texture; empty: the type's built-in one.
    QString m_strTexture;

private:
    // A type's default density into the density edit and its spin.
    void ShowDensity(double dDensity);
    // The texture line: the file name of the path, or "Default".
    void ShowTexture();
    // A texture that cannot be read (any more) goes back to the built-in one; the user is
    // told once for each such file.
    void CheckTexture();
    void TellUnreadable(const QString& path);
    // Typing in an angle's field: valid angles turn the preview; others wait.
    void OnOrientationEdited();
    // The three fields' angles; FALSE when one is no angle (that field in pFailed).
    BOOL ReadOrientation(double angles[3], QLineEdit** pFailed) const;

    std::unique_ptr<CGalaxyModel> m_pModel;
    QGroupBox* m_pGasGroup = nullptr;
    QLineEdit* m_pTexture = nullptr;
    // Tilt, spin and roll.
    QLineEdit* m_pAngles[3] = {nullptr, nullptr, nullptr};
    QString m_strToldUnreadable;
};
