#include "EffectDlg.h"

#include "../app/Settings.h"
#include "../app/StringTable.h"
#include "../gl/PreviewWnd.h"
#include "../view/ColorSwatch.h"
#include "../view/PickColor.h"
#include "Effect.h"
#include "GasDlg.h"
#include "LensFlareDlg.h"
#include "NebulaDlg.h"
#include "StarDlg.h"
#include "StarFieldDlg.h"
#include "VortexDlg.h"

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

#include <cmath>

namespace {

QString IdName(const char* szKind, int nId)
{
    return QStringLiteral("%1%2").arg(QLatin1String(szKind)).arg(nId);
}

QString Bound(double d)
{
    return QString::number(d, 'g', 15);
}

// Fields show reals as the framework wrote them: up to 15 significant digits, so that a
// value goes back unchanged.
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
    : CPreviewHostDlg(pParent), m_pEffect(std::move(pEffect))
{
    setWindowTitle(strTitle);
    if (pPreview)
        pPreview->setParent(this);
    SetPreview(pPreview ? pPreview : new CEffectPreviewWnd(this));
    GetPreview()->setObjectName(QStringLiteral("preview1046"));
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
}

CSpinEditPair* CEffectDlg::AddReal(QGridLayout* pGrid, int nRow, const char* szLabel,
                                   int nEditId, int nSpinId, double* pMember, double dSpinMax)
{
    QLineEdit* pEdit;
    CUpDown* pSpin;
    AddEditSpinRow(pGrid, nRow, szLabel, nEditId, nSpinId, pEdit, pSpin);
    auto pPair = std::make_unique<CSpinEditPair>(pEdit, pSpin, [this] { ParamChanged(); });
    pPair->SetUp(nEditId, nSpinId, 0, dSpinMax);
    CSpinEditPair* pResult = pPair.get();
    m_pairs[nEditId] = std::move(pPair);
    m_controls[nEditId] = pEdit;
    m_controls[nSpinId] = pSpin;
    m_fields[nEditId] = CField{CField::Real, pEdit, pMember};
    return pResult;
}

QLineEdit* CEffectDlg::AddInteger(QGridLayout* pGrid, int nRow, const char* szLabel,
                                  int nEditId, int nSpinId, int* pMember, int nMin, int nMax)
{
    QLineEdit* pEdit;
    CUpDown* pSpin;
    AddEditSpinRow(pGrid, nRow, szLabel, nEditId, nSpinId, pEdit, pSpin);
    pSpin->SetRange(nMin, nMax);

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
    m_controls[nEditId] = pEdit;
    m_controls[nSpinId] = pSpin;
    m_fields[nEditId] = CField{CField::Integer, pEdit, pMember, true, double(nMin), double(nMax)};
    return pEdit;
}

QCheckBox* CEffectDlg::AddCheck(const char* szText, int nId, int* pMember)
{
    auto* pCheck = new QCheckBox(QString::fromLatin1(szText), this);
    pCheck->setObjectName(IdName("check", nId));
    connect(pCheck, &QCheckBox::clicked, this, &CEffectDlg::PostRefresh);
    m_controls[nId] = pCheck;
    m_fields[nId] = CField{CField::Check, pCheck, pMember};
    return pCheck;
}

QPushButton* CEffectDlg::AddColorButton(const char* szText, int nId, COLORREF* pMember)
{
    auto* pButton = new QPushButton(QString::fromLatin1(szText), this);
    pButton->setObjectName(IdName("button", nId));
    pButton->setAutoDefault(false);
    connect(pButton, &QPushButton::clicked, this, [this, nId, pMember] {
        if (PickColor(this, *pMember))
            ShowColor(nId);
        PostRefresh();
    });
    m_controls[nId] = pButton;
    m_colors[nId] = pMember;
    return pButton;
}

void CEffectDlg::ShowColor(int nId)
{
    const auto swatch = m_swatches.find(nId);
    if (swatch != m_swatches.end())
        swatch->second->SetColor(*m_colors[nId]);
    else if (auto* pButton = qobject_cast<QPushButton*>(Control(nId)))
        pButton->setIcon(ColorIcon(*m_colors[nId]));
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

QComboBox* CEffectDlg::AddCombo(int nId, int* pMember,
                                const std::vector<std::pair<QString, int>>& items)
{
    auto* pCombo = new QComboBox(this);
    pCombo->setObjectName(IdName("combo", nId));
    for (const auto& [text, nData] : items)
        pCombo->addItem(text, nData);
    connect(pCombo, &QComboBox::activated, this, &CEffectDlg::PostRefresh);
    m_controls[nId] = pCombo;
    m_fields[nId] = CField{CField::Combo, pCombo, pMember};
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

void CEffectDlg::SetRange(int nId, double dMin, double dMax)
{
    CField& field = m_fields.at(nId);
    field.bRange = true;
    field.dMin = dMin;
    field.dMax = dMax;
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
    pDefault->setObjectName(IdName("button", 1052));
    pDefault->setAutoDefault(false);
    connect(pDefault, &QPushButton::clicked, this, &CEffectDlg::OnDefaultProperties);
    m_controls[1052] = pDefault;
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

BOOL CEffectDlg::UpdateData(BOOL bSaveAndValidate)
{
    if (!bSaveAndValidate) {
        m_bWriting = TRUE;
        for (auto& [nId, field] : m_fields) {
            switch (field.kind) {
            case CField::Real: {
                const double d = *static_cast<double*>(field.pMember);
                static_cast<QLineEdit*>(field.pControl)->setText(RealText(d));
                m_pairs.at(nId)->ShowValue(d);
                break;
            }
            case CField::Integer:
                static_cast<QLineEdit*>(field.pControl)->setText(
                    QString::number(*static_cast<int*>(field.pMember)));
                break;
            case CField::Check:
                static_cast<QCheckBox*>(field.pControl)->setChecked(*static_cast<int*>(field.pMember) != 0);
                break;
            case CField::Combo: {
                auto* pCombo = static_cast<QComboBox*>(field.pControl);
                pCombo->setCurrentIndex(pCombo->findData(*static_cast<int*>(field.pMember)));
                break;
            }
            }
        }
        for (const auto& entry : m_colors)
            ShowColor(entry.first);
        m_bWriting = FALSE;
        return TRUE;
    }

    std::vector<double> values;
    for (int nId : m_order) {
        double d = 0;
        if (!ReadField(nId, m_fields.at(nId), d))
            return FALSE;
        values.push_back(d);
    }
    for (size_t i = 0; i < m_order.size(); ++i) {
        const CField& field = m_fields.at(m_order[i]);
        if (field.kind == CField::Real)
            *static_cast<double*>(field.pMember) = values[i];
        else
            *static_cast<int*>(field.pMember) = static_cast<int>(values[i]);
    }
    return TRUE;
}

BOOL CEffectDlg::ReadField(int, const CField& field, double& dValue)
{
    if (field.kind == CField::Check) {
        dValue = static_cast<QCheckBox*>(field.pControl)->isChecked() ? 1 : 0;
        return TRUE;
    }
    if (field.kind == CField::Combo) {
        // A drop-down list always holds one of its items.
        dValue = static_cast<QComboBox*>(field.pControl)->currentData().toInt();
        return TRUE;
    }
    const QString text = static_cast<QLineEdit*>(field.pControl)->text().trimmed();
    bool bOk = false;
    const bool bInteger = field.kind == CField::Integer;
    dValue = bInteger ? QLocale::c().toInt(text, &bOk) : QLocale::c().toDouble(text, &bOk);
    if (!bOk || !std::isfinite(dValue)) {
        Fail(field.pControl, bInteger ? QStringLiteral("Please enter an integer.")
                                      : QStringLiteral("Please enter a number."));
        return FALSE;
    }
    if (field.bRange && (dValue < field.dMin || dValue > field.dMax)) {
        Fail(field.pControl,
             (bInteger ? QStringLiteral("Please enter an integer between %1 and %2.")
                       : QStringLiteral("Please enter a number between %1 and %2."))
                 .arg(Bound(field.dMin), Bound(field.dMax)));
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

void RegisterEffectDialogs()
{
    InstallDialogExchange();
    RegisterPropertiesDialog(QStringLiteral("StarField"), &CStarFieldDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Cluster"), &CStarFieldDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Nebula"), &CNebulaDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Star"), &CStarDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Gas"), &CGasDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Vortex"), &CVortexDlg::Create);
    RegisterPropertiesDialog(QStringLiteral("Lens Flare"), &CLensFlareDlg::Create);
}
