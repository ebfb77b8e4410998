// File > Export Skybox: the six cube faces of a sky sphere at a face size, named by a
// convention, in a file format, into a folder. The naming, format and folder last used are
// remembered in "Settings" ("SkyboxNaming", "SkyboxFormat", "SkyboxFolder").
#pragma once

#include "../imagefile/Skybox.h"

#include <QDialog>
#include <QString>

class CSettingsStore;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// What the user chose: the arguments of ExportSkybox.
struct CSkyboxChoice
{
    QString strFolder;
    int nFaceSize = 1;
    ESkyboxNaming naming = ESkyboxNaming::Axes;
    // "png", "jpg" or "bmp".
    QString strExtension = QStringLiteral("png");
};

class CExportSkyboxDlg : public QDialog
{
    Q_OBJECT
public:
    // Offers choice (its face size is the default) with the remembered naming, format and
    // folder.
    CExportSkyboxDlg(CSettingsStore& store, const CSkyboxChoice& choice,
                     QWidget* pParent = nullptr);

    // Meaningful after OK.
    CSkyboxChoice GetChoice() const;

    // Closes and remembers the choice once a folder is named; otherwise says so and stays.
    void accept() override;

private:
    void Browse();

    CSettingsStore& m_store;
    QSpinBox* m_pSize;
    QComboBox* m_pNaming;
    QComboBox* m_pFormat;
    QLineEdit* m_pFolder;
    QLabel* m_pError;
};
