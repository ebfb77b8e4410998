#include "HelpWindow.h"

#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(const QUrl& home, QWidget* pParent) : QWidget(pParent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Skyloom Help"));
    setObjectName(QStringLiteral("SkyloomHelp"));
    m_pBrowser = new QTextBrowser(this);
    // Pages of the manual open here; addresses on the web go to whatever the desktop has
    // for them (nothing happens where there is nothing).
    m_pBrowser->setOpenLinks(true);
    m_pBrowser->setOpenExternalLinks(true);

    auto* pBar = new QToolBar(this);
    QAction* pBack = pBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                     QStringLiteral("&Back"), m_pBrowser, &QTextBrowser::backward);
    pBack->setShortcut(QKeySequence::Back);
    pBack->setEnabled(false);
    QAction* pForward =
        pBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"),
                        m_pBrowser, &QTextBrowser::forward);
    pForward->setShortcut(QKeySequence::Forward);
    pForward->setEnabled(false);
    pBar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("&Home"),
                    m_pBrowser, &QTextBrowser::home);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, pBack, &QAction::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, pForward, &QAction::setEnabled);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addWidget(pBar);
    pLayout->addWidget(m_pBrowser);
    m_pBrowser->setSource(home);
    resize(720, 600);
}
