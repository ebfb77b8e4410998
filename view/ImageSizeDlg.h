// "Set Image Size", asked by File New: a size typed as WIDTHxHEIGHT or picked from a list,
// or a sky sphere of a chosen height. The last accepted text is remembered in
// "Settings"/"DefaultSize", the sky and its height in "DefaultSky" and "DefaultSkyHeight".
#pragma once

#include "../document/WinTypes.h"

#include <QDialog>

class CSettingsStore;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QVBoxLayout;

// Reads "WIDTHxHEIGHT" (x or X; blanks before each number are skipped and anything after
// its digits is ignored). FALSE, with width and height unchanged, when there is no
// separator or nothing after it, when either number is missing, zero, negative or too long,
// or when a picture of that size could not be made.
BOOL ParseImageSize(const QString& text, int& width, int& height);

class CImageSizeDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CImageSizeDlg(CSettingsStore& store, QWidget* pParent = nullptr);

    // The accepted size; meaningful after OK.
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    // Whether the new picture wraps around its edges; remembered as "DefaultWrapAround".
    bool GetWrapAround() const;
    // Whether the new picture is a sky sphere: a 2:1 panorama of the chosen height.
    bool GetSkySphere() const;

    // Stores the text and closes when it parses; otherwise beeps, says why and stays open.
    void accept() override;

private:
    // The sky sphere's box and height, below the size.
    void AddSkyRow(QVBoxLayout& layout);

    CSettingsStore& m_store;
    QLineEdit* m_pEdit;
    QListWidget* m_pList;
    QLabel* m_pError;
    QCheckBox* m_pWrap;
    QCheckBox* m_pSky;
    QSpinBox* m_pSkyHeight;
    // The size text and wrap-around the sky replaced, given back when it is unticked.
    QString m_strFlatText;
    bool m_bFlatWrap = false;
    int m_nWidth = 0;
    int m_nHeight = 0;
};
