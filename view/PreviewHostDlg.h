// The base of every effect's modeless properties dialog. The canvas holds the current one
// in g_pPropertiesDialog and replaces it whenever the tool changes.
#pragma once

#include <QDialog>

class CPreviewHostDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPreviewHostDlg(QWidget* pParent = nullptr) : QDialog(pParent) {}
};

// The properties dialog of the current tool, or null.
extern CPreviewHostDlg* g_pPropertiesDialog;
