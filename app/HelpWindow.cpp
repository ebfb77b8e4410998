#include "HelpWindow.h"

#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

CHelpBrowser::CPlace CHelpBrowser::Here() const
{
    return {source(), horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CHelpBrowser::doSetSource(const QUrl& url, QTextDocument::ResourceType type)
{
    // A link followed (not Back or Forward): the place left is the one to come back to.
    if (!m_bStepping && !source().isEmpty()) {
        m_back.push_back(Here());
        m_forward.clear();
    }
    QTextBrowser::doSetSource(url, type);
    if (!m_bStepping)
        emit placesChanged();
}

void CHelpBrowser::Step(std::vector<CPlace>& from, std::vector<CPlace>& to)
{
    if (from.empty())
        return;
    to.push_back(Here());
    const CPlace place = from.back();
    from.pop_back();
    m_bStepping = true;
    setSource(place.url);
    m_bStepping = false;
    horizontalScrollBar()->setValue(place.x);
    verticalScrollBar()->setValue(place.y);
    emit placesChanged();
}

void CHelpBrowser::backward()
{
    Step(m_back, m_forward);
}

void CHelpBrowser::forward()
{
    Step(m_forward, m_back);
}

CHelpWindow::CHelpWindow(const QUrl& home, QWidget* pParent) : QWidget(pParent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Skyloom Help"));
    setObjectName(QStringLiteral("SkyloomHelp"));
    m_pBrowser = new CHelpBrowser(this);
    // Pages of the manual open here; addresses on the web go to whatever the desktop has
    // for them (nothing happens where there is nothing).
    m_pBrowser->setOpenLinks(true);
    m_pBrowser->setOpenExternalLinks(true);

    auto* pBar = new QToolBar(this);
    QAction* pBack = pBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                     QStringLiteral("&Back"), m_pBrowser, &CHelpBrowser::backward);
    pBack->setShortcut(QKeySequence::Back);
    pBack->setEnabled(false);
    QAction* pForward =
        pBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"),
                        m_pBrowser, &CHelpBrowser::forward);
    pForward->setShortcut(QKeySequence::Forward);
    pForward->setEnabled(false);
    pBar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("&Home"),
                    m_pBrowser, &QTextBrowser::home);
    connect(m_pBrowser, &CHelpBrowser::placesChanged, this, [this, pBack, pForward] {
        pBack->setEnabled(m_pBrowser->CanGoBack());
        pForward->setEnabled(m_pBrowser->CanGoForward());
    });

    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addWidget(pBar);
    pLayout->addWidget(m_pBrowser);
    m_pBrowser->setSource(home);
    resize(720, 600);
}
