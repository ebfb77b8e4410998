#include "PreviewHostDlg.h"

#include "../document/Settings.h"
#include "../document/SettingsStore.h"
#include "WindowHost.h"
#include "../effects/Effect.h"
#include "../gl/PreviewWnd.h"
#include "../effects/ProgressMeter.h"
#include "../document/RenderJob.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

CSettingsStore* Store()
{
    return GetWindowHost().SettingsStore();
}

// Whether a window at rect can be grabbed by its title: its top strip lies on a screen.
bool IsOnAScreen(const QRect& rect)
{
    const QRect title(rect.topLeft(), QSize(std::min(rect.width(), 60), 20));
    for (const QScreen* pScreen : QGuiApplication::screens())
        if (pScreen->availableGeometry().contains(title))
            return true;
    return false;
}

} // namespace

CPreviewHostDlg::CPreviewHostDlg(QWidget* pParent) : QDialog(pParent)
{
    // A tool window of the main window: modeless, beside it, not in the task bar.
    setModal(false);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CPreviewHostDlg::OnTimer);
}

CPreviewHostDlg::~CPreviewHostDlg()
{
    // A dialog deleted with the window is never hidden first.
    SavePosition();
}

QPoint StoredDialogPlace(const QString& strCaption, QPoint place, QSize size)
{
    if (const CSettingsStore* pStore = Store()) {
        const QPoint stored(pStore->GetInt(strCaption, QStringLiteral("x"), place.x()),
                            pStore->GetInt(strCaption, QStringLiteral("y"), place.y()));
        // A place on a screen that is gone (or a damaged setting) would lose the dialog.
        if (IsOnAScreen(QRect(stored, size)))
            return stored;
    }
    return place;
}

QSize FramedSize(const QWidget* pWindow)
{
    const QSize framed = pWindow->frameGeometry().size();
    if (framed != pWindow->size())
        return framed;
    const QWidget* pParent = pWindow->parentWidget() ? pWindow->parentWidget()->window() : nullptr;
    if (!pParent || pParent == pWindow)
        return framed;
    return framed + (pParent->frameGeometry().size() - pParent->size());
}

QPoint PlaceBeside(const QRect& beside, QSize size, const QWidget* pWindow)
{
    const QScreen* pScreen =
        pWindow->screen() ? pWindow->screen() : QGuiApplication::primaryScreen();
    const QRect screen = pScreen ? pScreen->availableGeometry() : QRect(beside.topLeft(), size);
    const int gap = 10;
    const QPoint candidates[] = {
        QPoint(beside.x(), beside.y() + beside.height() + gap),
        QPoint(beside.x() + beside.width() + gap, beside.y()),
        QPoint(beside.x() - gap - size.width(), beside.y()),
        QPoint(beside.x(), beside.y() - gap - size.height()),
    };
    for (const QPoint& place : candidates)
        if (screen.contains(QRect(place, size)))
            return place;
    // Nowhere free: on the screen below the other's title bar at least.
    QPoint place = candidates[0];
    place.setX(std::clamp(place.x(), screen.left(),
                          std::max(screen.left(), screen.right() + 1 - size.width())));
    place.setY(std::clamp(place.y(), std::min(beside.y() + 40, screen.bottom()),
                          std::max(std::min(beside.y() + 40, screen.bottom()),
                                   screen.bottom() + 1 - size.height())));
    return place;
}

void StoreDialogPlace(const QString& strCaption, QPoint place)
{
    if (CSettingsStore* pStore = Store()) {
        pStore->WriteInt(strCaption, QStringLiteral("x"), place.x());
        pStore->WriteInt(strCaption, QStringLiteral("y"), place.y());
    }
}

void CPreviewHostDlg::SavePosition()
{
    StoreDialogPlace(windowTitle(), pos());
}

void CPreviewHostDlg::hideEvent(QHideEvent* pEvent)
{
    // Closing and replacing a dialog both hide it at once, while its deletion comes later:
    // a dialog with the same caption opened meanwhile finds the place already kept.
    SavePosition();
    QDialog::hideEvent(pEvent);
}

BOOL CPreviewHostDlg::Exchange(CEffect&, BOOL)
{
    return TRUE;
}

void CPreviewHostDlg::SetPreview(CPreviewWnd* pPreview)
{
    m_pPreview = pPreview;
}

QLabel* CPreviewHostDlg::CreateManualHint()
{
    m_pManualHint = new QLabel(QStringLiteral("Click in the preview window to update"), this);
    m_pManualHint->setWordWrap(true);
    m_pManualHint->setFixedWidth(CPreviewWnd::kWidth);
    m_pManualHint->setVisible(m_nDelay <= 0);
    return m_pManualHint;
}

void CPreviewHostDlg::PlaceDialog()
{
    adjustSize();
    const QSize size = FramedSize(this);
    QWidget* pMain = parentWidget() ? parentWidget()->window() : nullptr;
    QPoint place(0, 0);
    if (pMain) {
        const QRect main = pMain->frameGeometry();
        place = QPoint(main.x() + main.width() + 10, main.y() + 100);
        const QScreen* pScreen =
            pMain->screen() ? pMain->screen() : QGuiApplication::primaryScreen();
        if (pScreen) {
            // Ends at least 10 pixels inside the screen.
            const QRect screen = pScreen->availableGeometry();
            place.setX(std::min(place.x(), screen.x() + screen.width() - 10 - size.width()));
            place.setY(std::min(place.y(), screen.y() + screen.height() - 10 - size.height()));
        }
    }
    move(StoredDialogPlace(windowTitle(), place, size));
}

void CPreviewHostDlg::OnParamChanged()
{
    if (m_nDelay > 0)
        m_timer.start(m_nDelay * 1000);
}

void CPreviewHostDlg::SetPreviewDelay(int nDelay)
{
    m_nDelay = std::clamp(nDelay, 0, kMaxPreviewDelay);
    if (m_nDelay == 0)
        m_timer.stop();
    else if (m_timer.isActive())
        m_timer.setInterval(m_nDelay * 1000);
    if (m_pManualHint)
        m_pManualHint->setVisible(m_nDelay == 0);
}

void CPreviewHostDlg::OnTimer()
{
    RefreshPreview();
}

void CPreviewHostDlg::RefreshPreview()
{
    if (!m_pPreview)
        return;
    // Inside a canvas render the preview would draw from the one random generator in the
    // middle of the canvas's sequence, and the canvas picture would no longer be the one
    // its seed gives.
    if (IsRendering() || IsRenderRunning()) {
        m_bRefreshWaiting = TRUE;
        return;
    }
    m_bRefreshWaiting = FALSE;
    m_pPreview->Refresh();
}

void CPreviewHostDlg::PostRefresh()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_nDelay > 0)
                RefreshPreview();
        },
        Qt::QueuedConnection);
}

void CPreviewHostDlg::RenderEnded()
{
    if (m_bRefreshWaiting)
        RefreshPreview();
}

void CPreviewHostDlg::mousePressEvent(QMouseEvent* pEvent)
{
    if ((pEvent->button() == Qt::LeftButton || pEvent->button() == Qt::RightButton) &&
        m_pPreview && m_pPreview->geometry().contains(pEvent->position().toPoint())) {
        RefreshPreview();
        return;
    }
    QDialog::mousePressEvent(pEvent);
}

void CPreviewHostDlg::keyPressEvent(QKeyEvent* pEvent)
{
    switch (pEvent->key()) {
    case Qt::Key_Escape:
        // During a canvas render Escape stops the render, wherever the focus is.
        if (IsRendering())
            g_bCancelRender = 1;
        else
            reject();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* pButton = qobject_cast<QPushButton*>(focusWidget()))
            pButton->click();
        else
            accept();
        return;
    default:
        QDialog::keyPressEvent(pEvent);
    }
}
