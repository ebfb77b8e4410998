#include "OptionsSheet.h"

#include "ColorSwatch.h"
#include "PickColor.h"
#include "../document/Settings.h"
#include "../app/StringTable.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include <algorithm>

// An integer edit with an up/down control beside it. The edit takes any text, so that a
// wrong entry is reported when the page is stored rather than silently corrected; the arrows
// and the Up/Down keys step within the range. Numbers are read and written in the C locale.
class CSpinEdit : public QWidget
{
public:
    CSpinEdit(int nMin, int nMax, const QString& name, QWidget* pParent)
        : QWidget(pParent), m_nMin(nMin), m_nMax(nMax), m_pEdit(new StepEdit(this))
    {
        m_pEdit->setObjectName(name);
        m_pEdit->setMaxLength(11);
        m_pEdit->setFixedWidth(m_pEdit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                               12);

        auto* pUp = new QToolButton(this);
        auto* pDown = new QToolButton(this);
        for (QToolButton* pButton : {pUp, pDown}) {
            pButton->setAutoRepeat(true);
            pButton->setFocusPolicy(Qt::NoFocus);
            pButton->setFixedSize(16, m_pEdit->sizeHint().height() / 2);
        }
        pUp->setArrowType(Qt::UpArrow);
        pDown->setArrowType(Qt::DownArrow);
        connect(pUp, &QToolButton::clicked, this, [this] { Step(1); });
        connect(pDown, &QToolButton::clicked, this, [this] { Step(-1); });

        auto* pArrows = new QVBoxLayout;
        pArrows->setSpacing(0);
        pArrows->addWidget(pUp);
        pArrows->addWidget(pDown);
        auto* pLayout = new QHBoxLayout(this);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->setSpacing(0);
        pLayout->addWidget(m_pEdit);
        pLayout->addLayout(pArrows);
        setFocusProxy(m_pEdit);
    }

    QLineEdit* Edit() const { return m_pEdit; }

    void SetValue(int n) { m_pEdit->setText(QString::number(n)); }

    // The edit's integer when it is one and within the range; otherwise the validation
    // message, the focus on the edit with its text selected, and FALSE.
    BOOL GetValidValue(int& nValue)
    {
        bool bOk = false;
        const int n = m_pEdit->text().trimmed().toInt(&bOk);
        if (bOk && n >= m_nMin && n <= m_nMax) {
            nValue = n;
            return TRUE;
        }
        QMessageBox::warning(window(), LoadString(IDS_APP_TITLE),
                             QStringLiteral("Please enter an integer between %1 and %2.")
                                 .arg(m_nMin)
                                 .arg(m_nMax));
        m_pEdit->setFocus();
        m_pEdit->selectAll();
        return FALSE;
    }

private:
    class StepEdit : public QLineEdit
    {
    public:
        explicit StepEdit(CSpinEdit* pOwner) : QLineEdit(pOwner), m_pOwner(pOwner) {}

    protected:
        void keyPressEvent(QKeyEvent* pEvent) override
        {
            if (pEvent->key() == Qt::Key_Up || pEvent->key() == Qt::Key_Down)
                m_pOwner->Step(pEvent->key() == Qt::Key_Up ? 1 : -1);
            else
                QLineEdit::keyPressEvent(pEvent);
        }

    private:
        CSpinEdit* m_pOwner;
    };

    // Text that is no number steps from the bottom of the range.
    void Step(int nDelta)
    {
        bool bOk = false;
        const qint64 n = m_pEdit->text().trimmed().toLongLong(&bOk);
        SetValue(static_cast<int>(std::clamp<qint64>(bOk ? n + nDelta : m_nMin, m_nMin, m_nMax)));
    }

    int m_nMin;
    int m_nMax;
    QLineEdit* m_pEdit;
};

namespace {

QPushButton* AddSelectRow(QGridLayout* pGrid, int nRow, const QString& label,
                          CColorSwatch* pSwatch, const QString& buttonText)
{
    auto* pButton = new QPushButton(buttonText);
    pGrid->addWidget(new QLabel(label), nRow, 0);
    pGrid->addWidget(pSwatch, nRow, 1);
    pGrid->addWidget(pButton, nRow, 2, Qt::AlignLeft);
    return pButton;
}

} // namespace

// ---------------------------------------------------------------------------------------

CPasteOptionsDlg::CPasteOptionsDlg(QWidget* pParent)
    : COptionsPage(pParent),
      m_pRedEdit(new CSpinEdit(0, 255, QStringLiteral("redTolerance"), this)),
      m_pGreenEdit(new CSpinEdit(0, 255, QStringLiteral("greenTolerance"), this)),
      m_pBlueEdit(new CSpinEdit(0, 255, QStringLiteral("blueTolerance"), this)),
      m_pSwatch(new CColorSwatch(this))
{
    auto* pText = new QLabel(QStringLiteral(
        "Treat color as transparent if  Red,  Green,  and Blue components are within the "
        "following of 'Transparent Color':"));
    pText->setWordWrap(true);

    auto* pGrid = new QGridLayout;
    const struct { const char* label; CSpinEdit* pEdit; } rows[] = {
        {"&Red:", m_pRedEdit}, {"&Green:", m_pGreenEdit}, {"&Blue:", m_pBlueEdit}};
    int nRow = 0;
    for (const auto& row : rows) {
        auto* pLabel = new QLabel(QString::fromLatin1(row.label));
        pLabel->setBuddy(row.pEdit->Edit());
        pGrid->addWidget(pLabel, nRow, 0);
        pGrid->addWidget(row.pEdit, nRow++, 1, 1, 2, Qt::AlignLeft);
    }
    QPushButton* pSelect = AddSelectRow(pGrid, nRow, QStringLiteral("Transparent Color:"),
                                        m_pSwatch, QStringLiteral("&Select..."));
    connect(pSelect, &QPushButton::clicked, this, &CPasteOptionsDlg::OnSelect);
    pGrid->setColumnStretch(3, 1);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pText);
    pLayout->addLayout(pGrid);
    pLayout->addStretch(1);
}

BOOL CPasteOptionsDlg::UpdateData(BOOL bSaveAndValidate)
{
    if (!bSaveAndValidate) {
        m_pRedEdit->SetValue(m_nRedTol);
        m_pGreenEdit->SetValue(m_nGreenTol);
        m_pBlueEdit->SetValue(m_nBlueTol);
        m_pSwatch->SetColor(m_crKeyColor);
        return TRUE;
    }
    int nRed = 0, nGreen = 0, nBlue = 0;
    if (!m_pRedEdit->GetValidValue(nRed) || !m_pGreenEdit->GetValidValue(nGreen) ||
        !m_pBlueEdit->GetValidValue(nBlue))
        return FALSE;
    m_nRedTol = nRed;
    m_nGreenTol = nGreen;
    m_nBlueTol = nBlue;
    return TRUE;
}

void CPasteOptionsDlg::OnSelect()
{
    if (PickColor(this, m_crKeyColor))
        m_pSwatch->SetColor(m_crKeyColor);
}

// ---------------------------------------------------------------------------------------

CPreviewOptionsDlg::CPreviewOptionsDlg(QWidget* pParent)
    : COptionsPage(pParent),
      m_pDelayEdit(new CSpinEdit(std::max(1, kPreviewDelayRange.nMin), kPreviewDelayRange.nMax,
                                 QStringLiteral("previewDelay"), this)),
      m_pMethodGroup(new QButtonGroup(this))
{
    auto* pAutomatic = new QRadioButton(QStringLiteral("&Automatic"));
    auto* pManual = new QRadioButton(QStringLiteral("&Manual"));
    m_pMethodGroup->addButton(pAutomatic, kAutomatic);
    m_pMethodGroup->addButton(pManual, kManual);

    auto* pDelayLabel = new QLabel(QStringLiteral("&Delay (seconds):"));
    pDelayLabel->setBuddy(m_pDelayEdit->Edit());
    auto* pDelayRow = new QHBoxLayout;
    pDelayRow->addSpacing(20);
    pDelayRow->addWidget(pDelayLabel);
    pDelayRow->addWidget(m_pDelayEdit);
    pDelayRow->addStretch(1);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pAutomatic);
    pLayout->addLayout(pDelayRow);
    pLayout->addWidget(pManual);
    pLayout->addStretch(1);
}

BOOL CPreviewOptionsDlg::UpdateData(BOOL bSaveAndValidate)
{
    if (!bSaveAndValidate) {
        m_pDelayEdit->SetValue(m_nDelay);
        // An exclusive group cannot uncheck its last button, so "no button" needs a pause.
        m_pMethodGroup->setExclusive(false);
        for (QAbstractButton* pButton : m_pMethodGroup->buttons())
            pButton->setChecked(m_pMethodGroup->id(pButton) == m_nMethod);
        m_pMethodGroup->setExclusive(true);
        return TRUE;
    }
    int nDelay = 0;
    if (!m_pDelayEdit->GetValidValue(nDelay))
        return FALSE;
    m_nDelay = nDelay;
    m_nMethod = m_pMethodGroup->checkedId();
    return TRUE;
}

// ---------------------------------------------------------------------------------------

CBackgroundPage::CBackgroundPage(QWidget* pParent)
    : COptionsPage(pParent), m_pSwatch(new CColorSwatch(this))
{
    auto* pGrid = new QGridLayout;
    QPushButton* pSelect = AddSelectRow(pGrid, 0, QStringLiteral("Background Color:"),
                                        m_pSwatch, QStringLiteral("Select..."));
    connect(pSelect, &QPushButton::clicked, this, &CBackgroundPage::OnSelect);
    pGrid->setColumnStretch(3, 1);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pGrid);
    pLayout->addStretch(1);
}

BOOL CBackgroundPage::UpdateData(BOOL bSaveAndValidate)
{
    if (!bSaveAndValidate)
        m_pSwatch->SetColor(m_crBkgndColor);
    return TRUE;
}

void CBackgroundPage::OnSelect()
{
    if (PickColor(this, m_crBkgndColor))
        m_pSwatch->SetColor(m_crBkgndColor);
}

// ---------------------------------------------------------------------------------------

CUndoOptionsPage::CUndoOptionsPage(QWidget* pParent)
    : COptionsPage(pParent),
      m_pMemoryEdit(new CSpinEdit(UndoMemoryRange().nMin, UndoMemoryRange().nMax,
                                  QStringLiteral("undoMemory"), this))
{
    auto* pText = new QLabel(QStringLiteral(
        "Memory the history of changes may hold. When a new step needs more, the oldest "
        "steps are dropped; a change that alone needs more is not made."));
    pText->setWordWrap(true);
    auto* pLabel = new QLabel(QStringLiteral("&Undo memory (MiB):"));
    pLabel->setBuddy(m_pMemoryEdit->Edit());
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pLabel);
    pRow->addWidget(m_pMemoryEdit);
    pRow->addStretch(1);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pText);
    pLayout->addLayout(pRow);
    pLayout->addStretch(1);
}

BOOL CUndoOptionsPage::UpdateData(BOOL bSaveAndValidate)
{
    if (!bSaveAndValidate) {
        m_pMemoryEdit->SetValue(m_nUndoMemory);
        return TRUE;
    }
    int nMemory = 0;
    if (!m_pMemoryEdit->GetValidValue(nMemory))
        return FALSE;
    m_nUndoMemory = nMemory;
    return TRUE;
}

// ---------------------------------------------------------------------------------------

COptionsSheet::COptionsSheet(QWidget* pParent)
    : QDialog(pParent ? pParent->window() : nullptr),
      m_pTabs(new QTabWidget(this)),
      m_pPastePage(new CPasteOptionsDlg),
      m_pPreviewPage(new CPreviewOptionsDlg),
      m_pBackgroundPage(new CBackgroundPage),
      m_pUndoPage(new CUndoOptionsPage)
{
    setWindowTitle(LoadString(IDS_OPTIONS));

    m_pPastePage->m_crKeyColor = g_crTransColor;
    m_pPastePage->m_nRedTol = static_cast<int>(g_dwTolerance & 0xFF);
    m_pPastePage->m_nGreenTol = static_cast<int>((g_dwTolerance >> 8) & 0xFF);
    m_pPastePage->m_nBlueTol = static_cast<int>((g_dwTolerance >> 16) & 0xFF);
    // Zero or less means manual previews; the delay field still needs a value in its range.
    const bool bManual = g_nPreviewDelay <= 0;
    m_pPreviewPage->m_nMethod = bManual ? CPreviewOptionsDlg::kManual
                                        : CPreviewOptionsDlg::kAutomatic;
    m_pPreviewPage->m_nDelay = bManual ? 1 : g_nPreviewDelay;
    m_pBackgroundPage->m_crBkgndColor = g_crBkgndColor;
    m_pUndoPage->m_nUndoMemory = g_nUndoMemory;

    m_pPastePage->UpdateData(FALSE);
    m_pPreviewPage->UpdateData(FALSE);
    m_pBackgroundPage->UpdateData(FALSE);
    m_pUndoPage->UpdateData(FALSE);
    m_pTabs->addTab(m_pPastePage, QStringLiteral("Transparent Paste"));
    m_pTabs->addTab(m_pPreviewPage, QStringLiteral("Preview"));
    m_pTabs->addTab(m_pBackgroundPage, QStringLiteral("Background"));
    m_pTabs->addTab(m_pUndoPage, QStringLiteral("Undo"));
    m_pTabs->setCurrentIndex(0);
    // Every tab in full: the sheet grows to fit them rather than scrolling the tabs.
    m_pTabs->tabBar()->setUsesScrollButtons(false);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(pButtons, &QDialogButtonBox::accepted, this, &COptionsSheet::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &COptionsSheet::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pTabs);
    pLayout->addWidget(pButtons);
}

void COptionsSheet::accept()
{
    // Each page is brought to the front before it is checked, so that a message and the
    // focus land where the user can see them; nothing is stored unless every page is valid.
    const int nShown = m_pTabs->currentIndex();
    for (int i = 0; i < m_pTabs->count(); ++i) {
        m_pTabs->setCurrentIndex(i);
        if (!static_cast<COptionsPage*>(m_pTabs->widget(i))->UpdateData(TRUE))
            return;
    }
    m_pTabs->setCurrentIndex(nShown);

    g_crTransColor = m_pPastePage->m_crKeyColor;
    g_dwTolerance = static_cast<DWORD>((m_pPastePage->m_nRedTol & 0xFF) |
                                       (m_pPastePage->m_nGreenTol & 0xFF) << 8 |
                                       (m_pPastePage->m_nBlueTol & 0xFF) << 16);
    g_nPreviewDelay = m_pPreviewPage->m_nMethod == CPreviewOptionsDlg::kManual
                          ? 0
                          : m_pPreviewPage->m_nDelay;
    g_crBkgndColor = m_pBackgroundPage->m_crBkgndColor;
    g_nUndoMemory = m_pUndoPage->m_nUndoMemory;
    QDialog::accept();
}

BOOL RunOptionsSheet(QWidget* pParent)
{
    COptionsSheet sheet(pParent);
    return sheet.exec() == QDialog::Accepted;
}
