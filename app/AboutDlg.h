// The About box: the program's logo, name, version and build, and links to the web site
// and to support.
#pragma once

#include <QDialog>

class QUrl;

class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    static QUrl WebSite();
    static QUrl SupportMail();

private:
    void OpenLink(const QUrl& url);
};
