#include "GalaxyDlg.h"

#include "../app/DocumentUi.h"
#include "../view/WindowHost.h"
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
#include <QLocale>
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

using namespace GalaxyIds;

CGalaxyDlg::CGalaxyDlg(const CEffect&, QWidget* pParent)
    : CEffectDlg(std::make_unique<CGalaxyEffect>(), QStringLiteral("Galaxy Properties"), pParent,
                 new CGalaxyPreviewWnd)
{
    auto* pGrid = new QGridLayout;
    QComboBox* pType = AddCombo(Type, TypeItems());
    // The type's own steps replace the plain refresh of a drop-down.
    disconnect(pType, &QComboBox::activated, this, nullptr);
    connect(pType, &QComboBox::activated, this, &CGalaxyDlg::OnTypeChanged);
    auto* pTypeLabel = new QLabel(QStringLiteral("Type:"), this);
    pTypeLabel->setBuddy(pType);
    pGrid->addWidget(pTypeLabel, 0, 0);
    pGrid->addWidget(pType, 0, 1);

    auto* pColors = new QHBoxLayout;
    pColors->addWidget(AddColorButton("&Core Color...", CoreColor));
    pColors->addWidget(AddColorButton("&Stars Color...", StarsColor));
    pGrid->addLayout(pColors, 1, 0, 1, 2, Qt::AlignLeft);
    AddReal(pGrid, 2, "Density:", Density);

    m_pGasGroup = new QGroupBox(QStringLiteral(" Gas Cloud "), this);
    auto* pGas = new QGridLayout;
    pGas->addWidget(AddColorButton("&Color...", GasColor), 0, 0, 1, 3, Qt::AlignLeft);
    m_pTexture = new QLineEdit(this);
    m_pTexture->setObjectName(QStringLiteral("edit%1").arg(Texture));
    m_pTexture->setReadOnly(true);
    auto* pTextureLabel = new QLabel(QStringLiteral("Texture:"), this);
    pTextureLabel->setBuddy(m_pTexture);
    auto* pBrowse = new QPushButton(QStringLiteral("Browse..."), this);
    pBrowse->setObjectName(QStringLiteral("button%1").arg(Browse));
    pBrowse->setAutoDefault(false);
    connect(pBrowse, &QPushButton::clicked, this, &CGalaxyDlg::OnBrowse);
    pGas->addWidget(pTextureLabel, 1, 0);
    pGas->addWidget(m_pTexture, 1, 1);
    pGas->addWidget(pBrowse, 1, 2);
    AddReal(pGas, 2, "Scale Factor:", GasScale);
    m_pGasGroup->setLayout(pGas);
    pGrid->addWidget(m_pGasGroup, 3, 0, 1, 2);

    auto* pHint =
        new QLabel(QStringLiteral("Click and drag in preview window to rotate galaxy"), this);
    QFont italic(QStringLiteral("Arial"));
    italic.setPixelSize(13);
    italic.setItalic(true);
    pHint->setFont(italic);
    pHint->setWordWrap(true);
    pGrid->addWidget(pHint, 4, 0, 1, 2);
    // The orientation as numbers: the preview's turning shows here, and typing turns it.
    auto* pAngles = new QHBoxLayout;
    const char* const szAngles[3][2] = {{"&Tilt:", "editTilt"}, {"S&pin:", "editSpin"},
                                        {"&Roll:", "editRoll"}};
    for (int i = 0; i < 3; ++i) {
        m_pAngles[i] = new QLineEdit(this);
        m_pAngles[i]->setObjectName(QLatin1String(szAngles[i][1]));
        m_pAngles[i]->setMaximumWidth(64);
        connect(m_pAngles[i], &QLineEdit::textEdited, this, &CGalaxyDlg::OnOrientationEdited);
        auto* pLabel = new QLabel(QLatin1String(szAngles[i][0]), this);
        pLabel->setBuddy(m_pAngles[i]);
        pAngles->addWidget(pLabel);
        pAngles->addWidget(m_pAngles[i]);
    }
    pAngles->addStretch(1);
    pGrid->addLayout(pAngles, 5, 0, 1, 2);
    // Switches of the drawing, kept at 1: the program never shows them.
    int nRow = 6;
    for (auto [szText, nId] : {std::pair{"Rotation", Twist}, std::pair{"Core", Core},
                               std::pair{"Stars", Stars}}) {
        QCheckBox* pCheck = AddCheck(szText, nId);
        pCheck->setChecked(true);
        pGrid->addWidget(pCheck, nRow++, 0);
        pCheck->hide();
    }
    pGrid->setRowStretch(nRow, 1);
    SetExchangeOrder({Density, GasScale});
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
    auto* pGalaxy = dynamic_cast<CGalaxyEffect*>(&effect);
    if (!pGalaxy)
        return TRUE;
    if (!bSaveAndValidate) {
        CEffectDlg::Exchange(effect, FALSE);
        auto* pType = static_cast<QComboBox*>(Control(Type));
        pType->setCurrentIndex(pType->findData(pGalaxy->m_nType));
        m_strTexture = pGalaxy->m_strGasTexture;
        ShowTexture();
        Preview()->Scene().SetOrientation(pGalaxy->m_dTilt, pGalaxy->m_dSpin,
                                          pGalaxy->m_dRoll);
        ShowOrientation();
        return TRUE;
    }
    CheckTexture();
    if (!CEffectDlg::Exchange(effect, TRUE))
        return FALSE;
    double angles[3];
    QLineEdit* pFailed = nullptr;
    if (!ReadOrientation(angles, &pFailed)) {
        Fail(pFailed, QStringLiteral("Please enter an angle from -360 to 360 degrees."));
        return FALSE;
    }
    // What the value table does not hold: the type, the texture, the preview's orientation
    // and the drawing switches.
    pGalaxy->m_nType = static_cast<QComboBox*>(Control(Type))->currentData().toInt();
    pGalaxy->m_strGasTexture = m_strTexture;
    pGalaxy->SetOrientation(angles[0], angles[1], angles[2]);
    pGalaxy->m_bTwist = static_cast<QCheckBox*>(Control(Twist))->isChecked();
    pGalaxy->m_bCore = static_cast<QCheckBox*>(Control(Core))->isChecked();
    pGalaxy->m_bStars = static_cast<QCheckBox*>(Control(Stars))->isChecked();
    return TRUE;
}

void CGalaxyDlg::ShowOrientation()
{
    const CGalaxyPreviewScene& scene = Preview()->Scene();
    const double angles[3] = {scene.Tilt(), scene.Spin(), scene.Roll()};
    for (int i = 0; i < 3; ++i)
        m_pAngles[i]->setText(QString::number(angles[i], 'g', QLocale::FloatingPointShortest));
}

BOOL CGalaxyDlg::ReadOrientation(double angles[3], QLineEdit** pFailed) const
{
    for (int i = 0; i < 3; ++i) {
        bool bOk = false;
        angles[i] = m_pAngles[i]->text().trimmed().toDouble(&bOk);
        if (!bOk || !CGalaxyEffect::IsOrientationAngle(angles[i])) {
            *pFailed = m_pAngles[i];
            return FALSE;
        }
    }
    return TRUE;
}

void CGalaxyDlg::OnOrientationEdited()
{
    double angles[3];
    QLineEdit* pFailed = nullptr;
    if (!ReadOrientation(angles, &pFailed))
        return;
    Preview()->Scene().SetOrientation(angles[0], angles[1], angles[2]);
    Preview()->update();
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
    if (CDocumentUi* pUi = GetWindowHost().DocumentUi())
        pUi->ShowError(
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
    // The private effect makes the model as a canvas render would; what is typed but not
    // (yet) valid keeps its last good value.
    auto& effect = static_cast<CGalaxyEffect&>(*GetEffect());
    SetQuiet(TRUE);
    effect.FromDialog(this);
    SetQuiet(FALSE);
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
    const int nType = static_cast<QComboBox*>(Control(Type))->currentData().toInt();
    const std::unique_ptr<CGalaxyModel> pType(CreateGalaxyModel(nType));
    if (!pType)
        return;
    ShowDensity(pType->DefaultDensity());
    m_strTexture.clear();
    ShowTexture();
    RebuildModel();
}

void CGalaxyDlg::ShowDensity(double dDensity)
{
    // A type's density is a single-precision value: shown with two decimals.
    SetControlText(Density, QString::asprintf("%3.2lf", dDensity));
    Pair(Density)->SetPosition(dDensity);
}

void CGalaxyDlg::OnBrowse()
{
    CDocumentUi* pUi = GetWindowHost().DocumentUi();
    if (!pUi)
        return;
    const QString path = pUi->AskTexturePath(this, GalaxyTextureFolder());
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
    SetColor(CoreColor, m_pModel->DefaultCoreColor());
    SetColor(StarsColor, m_pModel->DefaultStarsColor());
    SetColor(GasColor, m_pModel->DefaultGasColor());
    ShowDensity(m_pModel->DefaultDensity());
    SetControlText(GasScale, QString::number(m_pModel->m_dGasScale, 'g', 15));
    Pair(GasScale)->SetPosition(m_pModel->m_dGasScale);
    m_strTexture.clear();
    Preview()->Scene().ResetRotation();
    ShowOrientation();
    ShowTexture();
    RebuildModel();
}
