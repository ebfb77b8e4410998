#pragma once
#include <QDialog>
class CAboutDlg : public QDialog
{
public:
    explicit CAboutDlg(QWidget* pParent = nullptr) : QDialog(pParent) {}
};
