#include "GalaxyDlg.h"

#include "../app/DocumentUi.h"
#include "../app/SkyloomApp.h"
#include "GalaxyEffect.h"
#include "GalaxyModel.h"
#include "PreviewWnd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

std::vector<std::pair<QString, int>> TypeItems()
{
    std::vector<std::pair<QString, int>> items;
    for (const GalaxyType& type : g_galaxyTypes)
        items.emplace_back(QString::fromLatin1(type.szName), type.Code());
    return items;
}

} // namespace

CGalaxyDlg::CGalaxyDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CGalaxyEffect>(), QStringLiteral("Galaxy Properties"), pParent,
                 new CGalaxyPreviewWnd)
{
    auto* pGrid = new QGridLayout;
    QComboBox* pType = AddCombo(1065, &m_nType, TypeItems());
    // The type's own steps replace the plain refresh of a drop-down.
    disconnect(pType, &QComboBox::activated, this, nullptr);
    connect(pType, &QComboBox::activated, this, &CGalaxyDlg::OnTypeChanged);
    auto* pTypeLabel = new QLabel(QStringLiteral("Type:"), this);
    pTypeLabel->setBuddy(pType);
    pGrid->addWidget(pTypeLabel, 0, 0);
    pGrid->addWidget(pType, 0, 1);

    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Core Color...", 1019, &m_crCore));
    pColors->addWidget(AddColorButton("&Stars Color...", 1021, &m_crStars));
    pGrid->addLayout(pColors, 1, 0, 1, 2, Qt::AlignLeft);
    AddReal(pGrid, 2, "Density:", 1000, 1009, &m_dDensity, 1);
    SetRange(1000, 0, 1);

    m_pGasGroup = new QGroupBox(QStringLiteral(" Gas Cloud "), this);
    auto* pGas = new QGridLayout;
    pGas->addWidget(AddColorButton("&Color...", 1017, &m_crGas), 0, 0, 1, 3, Qt::AlignLeft);
    m_pTexture = new QLineEdit(this);
    m_pTexture->setObjectName(QStringLiteral("edit1066"));
    m_pTexture->setReadOnly(true);
    auto* pTextureLabel = new QLabel(QStringLiteral("Texture:"), this);
    pTextureLabel->setBuddy(m_pTexture);
    auto* pBrowse = new QPushButton(QStringLiteral("Browse..."), this);
    pBrowse->setObjectName(QStringLiteral("button1067"));
    pBrowse->setAutoDefault(false);
    connect(pBrowse, &QPushButton::clicked, this, &CGalaxyDlg::OnBrowse);
    pGas->addWidget(pTextureLabel, 1, 0);
    pGas->addWidget(m_pTexture, 1, 1);
    pGas->addWidget(pBrowse, 1, 2);
    AddReal(pGas, 2, "Scale Factor:", 1003, 1013, &m_dGasScale, 10);
    SetRange(1003, 0, 10);
    m_pGasGroup->setLayout(pGas);
    pGrid->addWidget(m_pGasGroup, 3, 0, 1, 2);

    auto* pHint = new QLabel(QStringLiteral("Click and drag in preview window to rotate galaxy"), this);
    QFont italic(QStringLiteral("Arial"));
    italic.setPixelSize(13);
    italic.setItalic(true);
    pHint->setFont(italic);
    pHint->setWordWrap(true);
    pGrid->addWidget(pHint, 4, 0, 1, 2);
    // Switches of the drawing kept at 1: the program never shows them.
    int nRow = 5;
    for (auto [szText, nId, pMember] : {std::tuple{"Rotation", 1068, &m_bTwist},
                                        std::tuple{"Core", 1069, &m_bCore},
                                        std::tuple{"Stars", 1070, &m_bStars}}) {
        QCheckBox* pCheck = AddCheck(szText, nId, pMember);
        pGrid->addWidget(pCheck, nRow++, 0);
        pCheck->hide();
    }
    pGrid->setRowStretch(nRow, 1);
    SetExchangeOrder({1065, 1000, 1003, 1068, 1069, 1070});
    Finish(pGrid);
}

CGalaxyDlg::~CGalaxyDlg()
{
    // The model's textures live in the preview's context: they go first, with it current.
    Preview()->Scene().DeleteModel(m_pModel);
}

CGalaxyPreviewWnd* CGalaxyDlg::Preview() const
{
    return static_cast<CGalaxyPreviewWnd*>(GetPreview());
}

BOOL CGalaxyDlg::Exchange(CEffect& effect, BOOL bSaveAndValidate)
{
    if (bSaveAndValidate)
        CheckTexture();
    return ExchangeAs<CGalaxyEffect>(effect, bSaveAndValidate, [this](CGalaxyEffect& e, BOOL bToEffect) {
        CopyMembers(e, bToEffect);
    });
}

void CGalaxyDlg::CopyMembers(CGalaxyEffect& e, BOOL bToEffect)
{
    Transfer(bToEffect, m_crCore, e.m_crCore);
    Transfer(bToEffect, m_crStars, e.m_crStars);
    Transfer(bToEffect, m_crGas, e.m_crGas);
    Transfer(bToEffect, m_strTexture, e.m_strGasTexture);
    Transfer(bToEffect, m_nType, e.m_nType);
    Transfer(bToEffect, m_dDensity, e.m_dDensity);
    Transfer(bToEffect, m_dGasScale, e.m_dGasScale);
    if (bToEffect) {
        e.m_rotation = Preview()->Scene().GetRotation();
        e.m_bTwist = m_bTwist;
        e.m_bCore = m_bCore;
        e.m_bStars = m_bStars;
    } else {
        ShowTexture();
    }
}

void CGalaxyDlg::ShowTexture()
{
    // The file name after the last separator of the path.
    m_pTexture->setText(m_strTexture.isEmpty() ? QStringLiteral("Default")
                                               : QFileInfo(m_strTexture).fileName());
}

void CGalaxyDlg::TellUnreadable(const QString& path)
{
    m_strToldUnreadable = path;
    if (CSkyloomApp* pApp = CSkyloomApp::Instance())
        pApp->GetDocumentUi().ShowError(
            this, QStringLiteral("The texture \"%1\" cannot be read; the built-in texture is used.")
                      .arg(QFileInfo(path).fileName()));
}

void CGalaxyDlg::CheckTexture()
{
    if (m_strTexture.isEmpty() || IsUsableGasTexture(m_strTexture))
        return;
    if (m_strTexture != m_strToldUnreadable)
        TellUnreadable(m_strTexture);
    m_strTexture.clear();
    ShowTexture();
}

void CGalaxyDlg::RebuildModel()
{
    // What is typed but not (yet) valid keeps its last good value.
    SetQuiet(TRUE);
    UpdateData(TRUE);
    SetQuiet(FALSE);
    CheckTexture();
    // The private effect makes the model as a canvas render would.
    auto& effect = static_cast<CGalaxyEffect&>(*GetEffect());
    CopyMembers(effect, TRUE);
    std::unique_ptr<CGalaxyModel> pModel = effect.CreateModel();
    if (!pModel)
        return;
    CGalaxyPreviewScene& scene = Preview()->Scene();
    scene.BuildModel(*pModel);
    scene.DeleteModel(m_pModel);
    m_pModel = std::move(pModel);
    scene.SetModel(m_pModel.get());
    m_pGasGroup->setEnabled(m_pModel->m_bHasGas != 0);
    Preview()->update();
}

void CGalaxyDlg::OnTypeChanged()
{
    SetQuiet(TRUE);
    UpdateData(TRUE);
    SetQuiet(FALSE);
    m_nType = static_cast<QComboBox*>(Control(1065))->currentData().toInt();
    const std::unique_ptr<CGalaxyModel> pType(CreateGalaxyModel(m_nType));
    if (!pType)
        return;
    m_dDensity = pType->DefaultDensity();
    SetControlText(1000, QString::asprintf("%3.2lf", m_dDensity));
    Pair(1000)->SetPosition(m_dDensity);
    m_strTexture.clear();
    ShowTexture();
    RebuildModel();
}

void CGalaxyDlg::OnBrowse()
{
    CSkyloomApp* pApp = CSkyloomApp::Instance();
    if (!pApp)
        return;
    const QString path = pApp->GetDocumentUi().AskTexturePath(this, GalaxyTextureFolder());
    if (path.isEmpty())
        return;
    if (!IsUsableGasTexture(path)) {
        TellUnreadable(path);
        m_strTexture.clear();
    } else {
        m_strTexture = path;
    }
    ShowTexture();
    RebuildModel();
}

void CGalaxyDlg::OnDefaultProperties()
{
    if (!m_pModel)
        RebuildModel();
    if (!m_pModel)
        return;
    m_crCore = m_pModel->DefaultCoreColor();
    m_crStars = m_pModel->DefaultStarsColor();
    m_crGas = m_pModel->DefaultGasColor();
    m_dDensity = m_pModel->DefaultDensity();
    m_dGasScale = m_pModel->m_dGasScale;
    m_strTexture.clear();
    Preview()->Scene().ResetRotation();
    UpdateData(FALSE);
    // The model's density is a single-precision value: shown as a type change shows it.
    SetControlText(1000, QString::asprintf("%3.2lf", m_dDensity));
    ShowTexture();
    RebuildModel();
}
