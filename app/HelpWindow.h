// Help > Contents: the manual in a window of Skyloom's own, with its links, pictures, and
// Back, Forward and Home, so that no web browser is needed.
#pragma once

#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

#include <vector>

// The manual's browser, whose Back and Forward return to the very place: the page, its
// section and the scroll position (the browser's own history lost the position of a
// section reached by a link).
class CHelpBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    using QTextBrowser::QTextBrowser;

    bool CanGoBack() const { return !m_back.empty(); }
    bool CanGoForward() const { return !m_forward.empty(); }
    void backward() override;
    void forward() override;

signals:
    // Back or Forward became possible or impossible.
    void placesChanged();

protected:
    void doSetSource(const QUrl& url, QTextDocument::ResourceType type) override;

private:
    struct CPlace
    {
        QUrl url;
        int x = 0;
        int y = 0;
    };
    CPlace Here() const;
    // Goes to the last place of from, keeping the present one in to.
    void Step(std::vector<CPlace>& from, std::vector<CPlace>& to);

    std::vector<CPlace> m_back;
    std::vector<CPlace> m_forward;
    bool m_bStepping = false;
};

class CHelpWindow : public QWidget
{
    Q_OBJECT
public:
    // Opens home (a local HTML file); pParent owns the window, which stays a window of
    // its own.
    CHelpWindow(const QUrl& home, QWidget* pParent);

    CHelpBrowser* GetBrowser() const { return m_pBrowser; }

private:
    CHelpBrowser* m_pBrowser = nullptr;
};
