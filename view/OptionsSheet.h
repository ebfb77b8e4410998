// The Options sheet: transparent-paste key and tolerance, how previews update, the
// background colour and the memory of the undo history. Its pages hold copies of the settings; the
// settings change only when the sheet ends with OK.
#pragma once

#include "../document/WinTypes.h"

#include <QDialog>

class CColorSwatch;
class CSpinEdit;
class QButtonGroup;
class QTabWidget;

// One page of the sheet: public fields, exchanged with its controls by UpdateData.
class COptionsPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // FALSE: fields to controls. TRUE: controls to fields; on a field out of range, a
    // message and the focus on that field, FALSE, and the fields keep their old values.
    virtual BOOL UpdateData(BOOL bSaveAndValidate) = 0;
};

// Page "Transparent Paste".
class CPasteOptionsDlg : public COptionsPage
{
    Q_OBJECT
public:
    explicit CPasteOptionsDlg(QWidget* pParent = nullptr);

    BOOL UpdateData(BOOL bSaveAndValidate) override;

    // Tolerances per channel, 0-255.
    int m_nRedTol = 0;
    int m_nGreenTol = 0;
    int m_nBlueTol = 0;
    COLORREF m_crKeyColor = RGB(0, 0, 0);

private:
    void OnSelect();

    CSpinEdit* m_pRedEdit;
    CSpinEdit* m_pGreenEdit;
    CSpinEdit* m_pBlueEdit;
    CColorSwatch* m_pSwatch;
};

// Page "Preview".
class CPreviewOptionsDlg : public COptionsPage
{
    Q_OBJECT
public:
    enum { kAutomatic = 0, kManual = 1 };

    explicit CPreviewOptionsDlg(QWidget* pParent = nullptr);

    BOOL UpdateData(BOOL bSaveAndValidate) override;

    // Seconds after a change before the automatic preview, 1-10.
    int m_nDelay = 0;
    // kAutomatic, kManual, or -1 for no button.
    int m_nMethod = -1;

private:
    CSpinEdit* m_pDelayEdit;
    QButtonGroup* m_pMethodGroup;
};

// Page "Background".
class CBackgroundPage : public COptionsPage
{
    Q_OBJECT
public:
    explicit CBackgroundPage(QWidget* pParent = nullptr);

    BOOL UpdateData(BOOL bSaveAndValidate) override;

    COLORREF m_crBkgndColor = RGB(0, 0, 0);

private:
    void OnSelect();

    CColorSwatch* m_pSwatch;
};

// Page "Undo".
class CUndoOptionsPage : public COptionsPage
{
    Q_OBJECT
public:
    explicit CUndoOptionsPage(QWidget* pParent = nullptr);

    BOOL UpdateData(BOOL bSaveAndValidate) override;

    // What the undo history may hold, in MiB: 1 to the machine's memory.
    int m_nUndoMemory = 0;

private:
    CSpinEdit* m_pMemoryEdit;
};

// The sheet itself: pages in the order above, opening on the first, filled from the settings
// variables when constructed. OK validates every page and stores them.
class COptionsSheet : public QDialog
{
    Q_OBJECT
public:
    explicit COptionsSheet(QWidget* pParent = nullptr);

    void accept() override;

private:
    QTabWidget* m_pTabs;
    CPasteOptionsDlg* m_pPastePage;
    CPreviewOptionsDlg* m_pPreviewPage;
    CBackgroundPage* m_pBackgroundPage;
    CUndoOptionsPage* m_pUndoPage;
};

// Runs the Options sheet modally over pParent's window, filled from the settings
// variables. On OK they take the edited values and TRUE is returned; Cancel changes nothing.
BOOL RunOptionsSheet(QWidget* pParent);
