// What the file commands ask of the user: file names, the picture size, whether to save.
// The program answers with real dialogs; tests install scripted answers.
#pragma once

#include "../document/WinTypes.h"

#include <QString>

class QWidget;
struct CSkyboxChoice;

class CDocumentUi
{
public:
    virtual ~CDocumentUi() = default;

    enum ESaveChanges { SAVE_YES, SAVE_NO, SAVE_CANCEL };

    // "Set Image Size": FALSE when cancelled; bWrap is whether the picture wraps around,
    // bSky whether it is a sky sphere (size is then twice as wide as high).
    virtual BOOL AskImageSize(QWidget* pParent, CSize& size, bool& bWrap, bool& bSky) = 0;
    // File Open: the chosen path, or empty when cancelled.
    virtual QString AskOpenPath(QWidget* pParent) = 0;
    // Save As: starts with strName and the filter nFilter (0 JPEG, 1 24-bit, 2 256-colour);
    // FALSE when cancelled, else the typed path and the chosen filter.
    virtual BOOL AskSavePath(QWidget* pParent, QString& strName, int& nFilter) = 0;
    // Paste File: the chosen picture, starting in strFolder; empty when cancelled.
    virtual QString AskPasteFilePath(QWidget* pParent, const QString& strFolder) = 0;
    // The galaxy's "Browse...": a gas texture, starting in strFolder; empty when cancelled.
    virtual QString AskTexturePath(QWidget* pParent, const QString& strFolder) = 0;
    // Export Recipe: a .json file to write, proposing strName; empty when cancelled.
    virtual QString AskRecipePath(QWidget* pParent, const QString& strName) = 0;
    // Paint Again at Size: how many times as large (1/16 to 16); FALSE when cancelled.
    virtual BOOL AskScale(QWidget* pParent, double& dScale) = 0;
    // Export Layers: a folder to write the layers into; empty when cancelled.
    virtual QString AskLayersFolder(QWidget* pParent) = 0;
    // Export Skybox: starts from choice (the default face size); FALSE when cancelled, else
    // the face size, names, format and folder chosen.
    virtual BOOL AskSkybox(QWidget* pParent, CSkyboxChoice& choice) = 0;
    // "Save changes to %1?"
    virtual ESaveChanges AskSaveChanges(QWidget* pParent, const QString& strTitle) = 0;
    // A failure the user must hear of.
    virtual void ShowError(QWidget* pParent, const QString& strText) = 0;
};

// The name Save As proposes for a file type: strName with its extension (after the last
// '.') replaced by ".jpg" for the JPEG filter, ".png" for the PNG filter and ".bmp" for
// the two bitmaps.
QString NameForFilter(const QString& strName, int nFilter);
