#include "RenderProgressDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

CRenderProgressDlg::CRenderProgressDlg()
    : m_pBar(new QProgressBar), m_pPercent(new QLabel), m_pElapsed(new QLabel)
{
    setWindowTitle(QStringLiteral("Rendering..."));
    m_pBar->setRange(0, 100);
    m_pBar->setTextVisible(false);
    m_pPercent->setText(PercentText(0));
    m_pElapsed->setText(ElapsedText(0));

    auto* pButtons = new QDialogButtonBox;
    pButtons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CRenderProgressDlg::reject);

    auto* pRow = new QHBoxLayout;
    pRow->addWidget(m_pBar, 1);
    pRow->addWidget(m_pPercent);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(m_pElapsed);
    pLayout->addWidget(pButtons);
}

CRenderProgressDlg::~CRenderProgressDlg()
{
    EnableFrame();
}

void CRenderProgressDlg::Start(int nTotal, QWidget* pParent)
{
    m_nTotal = nTotal;
    m_clock.start();
    // No parent in Qt's sense: disabling the main window would disable its child windows
    // too, this one and its Cancel button among them. The window system still learns whose
    // window this is.
    show();
    if (pParent && windowHandle())
        windowHandle()->setTransientParent(pParent->window()->windowHandle());
    if (pParent) {
        m_pFrame = pParent->window();
        m_pFrame->setEnabled(false);
    }
}

void CRenderProgressDlg::SetProgress(int nDone)
{
    const int nPercent =
        m_nTotal > 0
            ? static_cast<int>(std::clamp<int64_t>(int64_t(nDone) * 100 / m_nTotal, 0, 100))
            : 0;
    m_pPercent->setText(PercentText(nPercent));
    m_pElapsed->setText(ElapsedText(m_clock.isValid() ? m_clock.elapsed() : 0));
    m_pBar->setValue(nPercent);
}

QString CRenderProgressDlg::PercentText(int nPercent)
{
    return QString::asprintf("%2d %%", nPercent);
}

QString CRenderProgressDlg::ElapsedText(qint64 nMilliseconds)
{
    const qint64 ms = std::abs(nMilliseconds);
    return QString::asprintf("Elapsed Time: %02d:%02d.%03d", static_cast<int>(ms / 60000),
                             static_cast<int>(ms % 60000 / 1000), static_cast<int>(ms % 1000));
}

void CRenderProgressDlg::reject()
{
    m_bCancelled = TRUE;
    QDialog::reject();
}

void CRenderProgressDlg::hideEvent(QHideEvent* pEvent)
{
    EnableFrame();
    QDialog::hideEvent(pEvent);
}

void CRenderProgressDlg::EnableFrame()
{
    if (!m_pFrame)
        return;
    m_pFrame->setEnabled(true);
    // The window hands the focus back to the widget that had it, normally the canvas.
    m_pFrame->activateWindow();
    QWidget* pFocus = m_pFrame->focusWidget();
    (pFocus ? pFocus : m_pFrame.data())->setFocus();
    m_pFrame = nullptr;
}
