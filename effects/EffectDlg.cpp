#include "EffectDlg.h"

#include "../document/Settings.h"
#include "../app/StringTable.h"
#include "../gl/PreviewWnd.h"
#include "../view/ColorSwatch.h"
#include "../view/PickColor.h"
#include "Effect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString IdName(const char* szKind, int nId)
{
    return QStringLiteral("%1%2").arg(QLatin1String(szKind)).arg(nId);
}

// Fields show reals (and messages their bounds) with up to 15 significant digits, so that
// a value shown goes back unchanged.
QString RealText(double d)
{
    return QString::number(d, 'g', 15);
}

QIcon ColorIcon(COLORREF color)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
    QPainter painter(&pixmap);
    painter.setPen(Qt::gray);
    painter.drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

} // namespace

CEffectDlg::CEffectDlg(std::unique_ptr<CEffect> pEffect, const QString& strTitle, QWidget* pParent,
                       CPreviewWnd* pPreview)
    : CPreviewHostDlg(pParent), m_pEffect(std::move(pEffect)), m_values(m_pEffect->GetValues())
{
    setWindowTitle(strTitle);
    if (pPreview)
        pPreview->setParent(this);
    SetPreview(pPreview ? pPreview : new CEffectPreviewWnd(this));
    GetPreview()->setObjectName(IdName("preview", CommonIds::Preview));
}

CEffectDlg::~CEffectDlg() = default;

QWidget* CEffectDlg::Control(int nId) const
{
    const auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}

CSpinEditPair* CEffectDlg::Pair(int nEditId) const
{
    const auto it = m_pairs.find(nEditId);
    return it == m_pairs.end() ? nullptr : it->second.get();
}

COLORREF CEffectDlg::ShownColor(int nId) const
{
    const auto it = m_colors.find(nId);
    return it == m_colors.end() ? 0 : it->second;
}

const CEffectValue& CEffectDlg::Bound(int nId) const
{
    const CEffectValue* pValue = FindEffectValueShownBy(m_values, nId);
    Q_ASSERT(pValue);
    return *pValue;
}

void CEffectDlg::ParamChanged()
{
    if (!m_bWriting)
        OnParamChanged();
}

void CEffectDlg::AddEditSpinRow(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId,
                                int nSpinId, QLineEdit*& pEdit, CUpDown*& pSpin)
{
    pEdit = new QLineEdit(this);
    pEdit->setObjectName(IdName("edit", nEditId));
    pEdit->setFixedWidth(pEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000.000")) + 12);
    pSpin = new CUpDown(this);
    pSpin->setObjectName(IdName("spin", nSpinId));
    auto* pLabel = new QLabel(QString::fromLatin1(szLabel), this);
    pLabel->setBuddy(pEdit);

    auto* pBox = new QHBoxLayout;
    pBox->setSpacing(0);
    pBox->addWidget(pEdit);
    pBox->addWidget(pSpin);
    pGrid->addWidget(pLabel, nRow, 0);
    pGrid->addLayout(pBox, nRow, 1, Qt::AlignLeft);
    m_controls[nEditId] = pEdit;
    m_controls[nSpinId] = pSpin;
}

CSpinEditPair* CEffectDlg::AddReal(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId)
{
    const CEffectValue& value = Bound(nEditId);
    QLineEdit* pEdit;
    CUpDown* pSpin;
    AddEditSpinRow(pGrid, nRow, szLabel, nEditId, value.nSpin, pEdit, pSpin);
    auto pPair = std::make_unique<CSpinEditPair>(pEdit, pSpin, [this] { ParamChanged(); });
    pPair->SetUp(nEditId, value.nSpin, 0, value.dSpinMax);
    CSpinEditPair* pResult = pPair.get();
    m_pairs[nEditId] = std::move(pPair);
    return pResult;
}

QLineEdit* CEffectDlg::AddInteger(QGridLayout* pGrid, int nRow, const char* szLabel, int nEditId)
{
    const CEffectValue& value = Bound(nEditId);
    QLineEdit* pEdit;
    CUpDown* pSpin;
    AddEditSpinRow(pGrid, nRow, szLabel, nEditId, value.nSpin, pEdit, pSpin);
    pSpin->SetRange(int(value.dMin), int(value.dMax));

    // The spin writes its position into the edit as an integer; typing moves the spin.
    connect(pSpin, &CUpDown::deltaPos, pEdit, [pSpin, pEdit](int nPos, int nDelta) {
        const int nLow = std::min(pSpin->GetBottom(), pSpin->GetTop());
        const int nHigh = std::max(pSpin->GetBottom(), pSpin->GetTop());
        pEdit->setText(QString::number(std::clamp(nPos + nDelta, nLow, nHigh)));
    });
    connect(pEdit, &QLineEdit::textChanged, this, [this, pSpin](const QString& text) {
        bool bOk = false;
        const int n = QLocale::c().toInt(text.trimmed(), &bOk);
        if (bOk)
            pSpin->SetPos(n);
        if (!m_bWriting)
            PostRefresh();
    });
    StepWithArrowKeys(pEdit, pSpin);
    return pEdit;
}

QCheckBox* CEffectDlg::AddCheck(const char* szText, int nId)
{
    auto* pCheck = new QCheckBox(QString::fromLatin1(szText), this);
    pCheck->setObjectName(IdName("check", nId));
    connect(pCheck, &QCheckBox::clicked, this, &CEffectDlg::PostRefresh);
    m_controls[nId] = pCheck;
    return pCheck;
}

QPushButton* CEffectDlg::AddColorButton(const char* szText, int nId)
{
    auto* pButton = new QPushButton(QString::fromLatin1(szText), this);
    pButton->setObjectName(IdName("button", nId));
    pButton->setAutoDefault(false);
    connect(pButton, &QPushButton::clicked, this, [this, nId] {
        if (PickColor(this, m_colors[nId]))
            ShowColor(nId);
        PostRefresh();
    });
    m_controls[nId] = pButton;
    m_colors[nId] = 0;
    return pButton;
}

void CEffectDlg::SetColor(int nId, COLORREF color)
{
    m_colors[nId] = color;
    ShowColor(nId);
}

void CEffectDlg::ShowColor(int nId)
{
    const auto swatch = m_swatches.find(nId);
    if (swatch != m_swatches.end())
        swatch->second->SetColor(m_colors[nId]);
    else if (auto* pButton = qobject_cast<QPushButton*>(Control(nId)))
        pButton->setIcon(ColorIcon(m_colors[nId]));
}

CColorSwatch* CEffectDlg::AddColorSwatch(int nButtonId)
{
    auto* pSwatch = new CColorSwatch(this);
    pSwatch->setObjectName(IdName("swatch", nButtonId));
    pSwatch->setFixedSize(24, 16);
    m_swatches[nButtonId] = pSwatch;
    ShowColor(nButtonId);
    return pSwatch;
}

QComboBox* CEffectDlg::AddCombo(int nId, const std::vector<std::pair<QString, int>>& items)
{
    auto* pCombo = new QComboBox(this);
    pCombo->setObjectName(IdName("combo", nId));
    for (const auto& [text, nData] : items)
        pCombo->addItem(text, nData);
    connect(pCombo, &QComboBox::activated, this, &CEffectDlg::PostRefresh);
    m_controls[nId] = pCombo;
    return pCombo;
}

void CEffectDlg::SetControlText(int nId, const QString& text)
{
    auto* pEdit = qobject_cast<QLineEdit*>(Control(nId));
    if (!pEdit)
        return;
    m_bWriting = TRUE;
    pEdit->setText(text);
    m_bWriting = FALSE;
}

void CEffectDlg::Finish(QLayout* pControls)
{
    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(GetPreview());
    pLeft->addWidget(CreateManualHint());
    pLeft->addStretch(1);

    auto* pTop = new QHBoxLayout;
    pTop->addLayout(pLeft);
    pTop->addSpacing(8);
    pTop->addLayout(pControls, 1);

    auto* pDefault = new QPushButton(QStringLiteral("Default properties"), this);
    pDefault->setObjectName(IdName("button", CommonIds::DefaultProperties));
    pDefault->setAutoDefault(false);
    connect(pDefault, &QPushButton::clicked, this, &CEffectDlg::OnDefaultProperties);
    m_controls[CommonIds::DefaultProperties] = pDefault;
    auto* pBottom = new QHBoxLayout;
    pBottom->addStretch(1);
    pBottom->addWidget(pDefault);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addLayout(pBottom);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

void CEffectDlg::OnInitDialog(CEffect& tool)
{
    GetPreview()->ResizeBuffer();
    tool.ToDialog(this);
    PlaceDialog();
    SetPreviewDelay(g_nPreviewDelay);
    RefreshPreview();
}

void CEffectDlg::OnDefaultProperties()
{
    // What a reset leaves alone (the cluster's colour) stays as the dialog shows it.
    SetQuiet(TRUE);
    m_pEffect->FromDialog(this);
    SetQuiet(FALSE);
    m_pEffect->ResetDefaults();
    m_pEffect->ToDialog(this);
    PostRefresh();
}

void CEffectDlg::ShowControl(const CEffectValue& value)
{
    QWidget* pControl = Control(value.nControl);
    if (!pControl)
        return;
    switch (value.kind) {
    case CEffectValue::Real: {
        const double d = value.ToShown(*static_cast<const double*>(value.pField));
        static_cast<QLineEdit*>(pControl)->setText(RealText(d));
        if (CSpinEditPair* pPair = Pair(value.nControl))
            pPair->ShowValue(d);
        break;
    }
    case CEffectValue::Integer: {
        const int n = *static_cast<const int*>(value.pField);
        if (auto* pCombo = qobject_cast<QComboBox*>(pControl))
            pCombo->setCurrentIndex(pCombo->findData(n));
        else
            static_cast<QLineEdit*>(pControl)->setText(QString::number(n));
        break;
    }
    case CEffectValue::Switch:
        static_cast<QCheckBox*>(pControl)->setChecked(*static_cast<const int*>(value.pField) != 0);
        break;
    case CEffectValue::Color:
        SetColor(value.nControl, *static_cast<const COLORREF*>(value.pField));
        break;
    }
}

BOOL CEffectDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    // Only the tool this dialog belongs to (or its private copy) is exchanged.
    if (effect.m_strSection != m_pEffect->m_strSection)
        return TRUE;
    const CEffectValues values = effect.GetValues();
    if (!bSaveAndValidate) {
        m_bWriting = TRUE;
        for (const CEffectValue& value : values)
            ShowControl(value);
        m_bWriting = FALSE;
        return TRUE;
    }

    // The stated order first, then every other control that shows a value.
    std::vector<int> order = m_order;
    for (const CEffectValue& value : values) {
        if (value.nControl && std::find(order.begin(), order.end(), value.nControl) == order.end())
            order.push_back(value.nControl);
    }
    std::vector<std::pair<const CEffectValue*, double>> read;
    for (int nId : order) {
        const CEffectValue* pValue = FindEffectValueShownBy(values, nId);
        if (!pValue || !Control(nId))
            continue;
        double d = 0;
        if (!ReadControl(*pValue, d))
            return FALSE;
        read.emplace_back(pValue, d);
    }
    QStringList names;
    for (const auto& [pValue, d] : read) {
        SetEffectValue(*pValue, d);
        names << QString::fromLatin1(pValue->szName);
    }
    effect.ValuesChanged(names);
    return TRUE;
}

BOOL CEffectDlg::ReadControl(const CEffectValue& value, double& dStored)
{
    QWidget* pControl = Control(value.nControl);
    switch (value.kind) {
    case CEffectValue::Switch:
        dStored = static_cast<QCheckBox*>(pControl)->isChecked() ? 1 : 0;
        return TRUE;
    case CEffectValue::Color:
        dStored = m_colors[value.nControl];
        return TRUE;
    case CEffectValue::Integer:
        if (auto* pCombo = qobject_cast<QComboBox*>(pControl)) {
            // A drop-down list always holds one of its items.
            dStored = pCombo->currentData().toInt();
            return TRUE;
        }
        break;
    case CEffectValue::Real:
        break;
    }
    const QString text = static_cast<QLineEdit*>(pControl)->text().trimmed();
    bool bOk = false;
    const bool bInteger = value.kind == CEffectValue::Integer;
    const double dShown =
        bInteger ? QLocale::c().toInt(text, &bOk) : QLocale::c().toDouble(text, &bOk);
    if (!bOk || !std::isfinite(dShown)) {
        Fail(pControl, bInteger ? QStringLiteral("Please enter an integer.")
                                : QStringLiteral("Please enter a number."));
        return FALSE;
    }
    dStored = value.ToStored(dShown);
    if (!value.InRange(dStored)) {
        Fail(pControl,
             (bInteger ? QStringLiteral("Please enter an integer between %1 and %2.")
                       : QStringLiteral("Please enter a number between %1 and %2."))
                 .arg(RealText(value.ToShown(value.dMin)), RealText(value.ToShown(value.dMax))));
        return FALSE;
    }
    return TRUE;
}

void CEffectDlg::Fail(QWidget* pControl, const QString& text)
{
    if (IsQuiet())
        return;
    QMessageBox::warning(this, LoadString(IDS_APP_TITLE), text);
    activateWindow();
    pControl->setFocus();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pControl))
        pEdit->selectAll();
}
