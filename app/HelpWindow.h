// Help > Contents: the manual in a window of Skyloom's own, with its links, pictures, and
// Back, Forward and Home, so that no web browser is needed.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

class CHelpWindow : public QWidget
{
    Q_OBJECT
public:
    // Opens home (a local HTML file); pParent owns the window, which stays a window of
    // its own.
    CHelpWindow(const QUrl& home, QWidget* pParent);

    QTextBrowser* GetBrowser() const { return m_pBrowser; }

private:
    QTextBrowser* m_pBrowser = nullptr;
};
