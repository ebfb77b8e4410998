#pragma once
#include <QDialog>
class CSettingsStore;
class CImageSizeDlg : public QDialog
{
public:
    CImageSizeDlg(CSettingsStore&, QWidget* pParent) : QDialog(pParent) {}
    int GetWidth() const { return 640; }
    int GetHeight() const { return 480; }
};
