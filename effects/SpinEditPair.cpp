#include "SpinEditPair.h"

#include "../document/SettingsStore.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

CUpDown::CUpDown(QWidget* pParent)
    : QWidget(pParent), m_pUp(new QToolButton(this)), m_pDown(new QToolButton(this))
{
    m_pUp->setArrowType(Qt::UpArrow);
    m_pDown->setArrowType(Qt::DownArrow);
    for (QToolButton* pButton : {m_pUp, m_pDown}) {
        pButton->setAutoRepeat(true);
        pButton->setFocusPolicy(Qt::NoFocus);
        pButton->setFixedSize(16, 11);
    }
    connect(m_pUp, &QToolButton::clicked, this, [this] { Step(true); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { Step(false); });
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addWidget(m_pUp);
    pLayout->addWidget(m_pDown);
}

void CUpDown::SetRange(int nBottom, int nTop)
{
    m_nBottom = nBottom;
    m_nTop = nTop;
    SetPos(m_nPos);
}

void CUpDown::SetPos(int nPos)
{
    m_nPos = std::clamp(nPos, std::min(m_nBottom, m_nTop), std::max(m_nBottom, m_nTop));
}

void CUpDown::Step(bool bUp)
{
    const int nToward = bUp ? m_nTop : m_nBottom;
    const int nAway = bUp ? m_nBottom : m_nTop;
    const int nDelta = nToward >= nAway ? 1 : -1;
    emit deltaPos(m_nPos, nDelta);
    SetPos(m_nPos + nDelta);
}

namespace {
// The arrow keys in the edit step its spin.
class CArrowKeys : public QObject
{
public:
    CArrowKeys(CUpDown* pSpin, QObject* pParent) : QObject(pParent), m_pSpin(pSpin) {}

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() != QEvent::KeyPress)
            return false;
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        if (nKey != Qt::Key_Up && nKey != Qt::Key_Down)
            return false;
        m_pSpin->Step(nKey == Qt::Key_Up);
        return true;
    }

private:
    CUpDown* m_pSpin;
};
} // namespace

void StepWithArrowKeys(QLineEdit* pEdit, CUpDown* pSpin)
{
    pEdit->installEventFilter(new CArrowKeys(pSpin, pEdit));
}

CSpinEditPair::CSpinEditPair(QLineEdit* pEdit, CUpDown* pSpin, std::function<void()> onChange)
    : m_pEdit(pEdit), m_pSpin(pSpin), m_onChange(std::move(onChange))
{
    QObject::connect(pSpin, &CUpDown::deltaPos, pEdit,
                     [this](int nPos, int nDelta) { OnSpin(nPos, nDelta); });
    QObject::connect(pEdit, &QLineEdit::textChanged, pEdit, [this] { OnEditChanged(); });
    StepWithArrowKeys(pEdit, pSpin);
}

void CSpinEditPair::SetUp(int nEditId, int nSpinId, double dMin, double dMax)
{
    m_nEditId = nEditId;
    m_nSpinId = nSpinId;
    m_dMin = dMin;
    m_dMax = dMax;
    m_nCount = std::max(100, static_cast<int>(dMax - dMin));
    m_dScale = m_nCount / dMax;
}

int CSpinEditPair::PositionOf(double v) const
{
    if (!std::isfinite(v))
        v = m_dMin;
    v = std::clamp(v, m_dMin, m_dMax);
    return m_nCount - static_cast<int>(v * m_dScale);
}

void CSpinEditPair::ShowValue(double v)
{
    m_pSpin->SetRange(m_nCount, 0);
    m_pSpin->SetPos(PositionOf(v));
}

void CSpinEditPair::SetPosition(double v)
{
    m_pSpin->SetPos(PositionOf(v));
}

void CSpinEditPair::OnSpin(int nPos, int nDelta)
{
    m_bBusy = TRUE;
    const double v = std::clamp((m_nCount - nPos - nDelta) / m_dScale + m_dMin, m_dMin, m_dMax);
    m_pEdit->setText(QString::asprintf("%5.2f", v));
    if (m_onChange)
        m_onChange();
    m_bBusy = FALSE;
}

void CSpinEditPair::OnEditChanged()
{
    const QString text = m_pEdit->text();
    if (!text.isEmpty() && !m_bBusy)
        m_pSpin->SetPos(PositionOf(DecimalTextToReal(text)));
    if (m_onChange)
        m_onChange();
}
