#include "ExportSkyboxDlg.h"

#include "../document/SettingsStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const kExtensions[] = {"png", "jpg", "bmp"};

QString Section()
{
    return QStringLiteral("Settings");
}

}

CExportSkyboxDlg::CExportSkyboxDlg(CSettingsStore& store, const CSkyboxChoice& choice,
                                   QWidget* pParent)
    : QDialog(pParent),
      m_store(store),
      m_pSize(new QSpinBox),
      m_pNaming(new QComboBox),
      m_pFormat(new QComboBox),
      m_pFolder(new QLineEdit),
      m_pError(new QLabel)
{
    setWindowTitle(QStringLiteral("Export Skybox"));

    m_pSize->setRange(1, kMaxSkyboxFaceSize);
    m_pSize->setValue(std::clamp(choice.nFaceSize, 1, kMaxSkyboxFaceSize));
    m_pSize->setSuffix(QStringLiteral(" pixels"));
    // In ESkyboxNaming's order.
    m_pNaming->addItems({QStringLiteral("px nx py ny pz nz"),
                         QStringLiteral("right left top bottom front back")});
    m_pNaming->setCurrentIndex(std::clamp(
        m_store.GetInt(Section(), QStringLiteral("SkyboxNaming"), int(choice.naming)), 0, 1));
    // In kExtensions' order.
    m_pFormat->addItems({QStringLiteral("PNG (.png)"), QStringLiteral("JPEG (.jpg)"),
                         QStringLiteral("BMP (.bmp)")});
    const QString ext =
        m_store.GetString(Section(), QStringLiteral("SkyboxFormat"), choice.strExtension);
    for (int i = 0; i < 3; ++i)
        if (ext == QLatin1String(kExtensions[i]))
            m_pFormat->setCurrentIndex(i);
    m_pFolder->setText(QDir::toNativeSeparators(
        m_store.GetString(Section(), QStringLiteral("SkyboxFolder"), choice.strFolder)));

    auto* pBrowse = new QPushButton(QStringLiteral("&Browse..."));
    pBrowse->setAutoDefault(false);
    connect(pBrowse, &QPushButton::clicked, this, &CExportSkyboxDlg::Browse);
    // Room for a path of some length.
    m_pFolder->setMinimumWidth(m_pFolder->fontMetrics().averageCharWidth() * 40);
    auto* pFolderRow = new QHBoxLayout;
    pFolderRow->addWidget(m_pFolder, 1);
    pFolderRow->addWidget(pBrowse);

    auto* pForm = new QFormLayout;
    pForm->addRow(QStringLiteral("Face &size:"), m_pSize);
    pForm->addRow(QStringLiteral("&Names:"), m_pNaming);
    pForm->addRow(QStringLiteral("&Format:"), m_pFormat);
    auto* pFolderLabel = new QLabel(QStringLiteral("F&older:"));
    pFolderLabel->setBuddy(m_pFolder);
    pForm->addRow(pFolderLabel, pFolderRow);

    QPalette palette = m_pError->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    m_pError->setPalette(palette);
    m_pError->setWordWrap(true);
    m_pError->hide();
    connect(m_pFolder, &QLineEdit::textEdited, m_pError, &QLabel::hide);

    auto* pNote = new QLabel(QStringLiteral(
        "Six square faces, oriented as OpenGL cube maps take them. A missing folder is "
        "made."));
    pNote->setWordWrap(true);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Export"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CExportSkyboxDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CExportSkyboxDlg::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pNote);
    pLayout->addWidget(m_pError);
    pLayout->addWidget(pButtons);
    m_pSize->setFocus();
    m_pSize->selectAll();
}

void CExportSkyboxDlg::Browse()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Export Skybox"), QDir::fromNativeSeparators(m_pFolder->text()));
    if (!folder.isEmpty()) {
        m_pFolder->setText(QDir::toNativeSeparators(folder));
        m_pError->hide();
    }
}

CSkyboxChoice CExportSkyboxDlg::GetChoice() const
{
    CSkyboxChoice choice;
    choice.strFolder = QDir::fromNativeSeparators(m_pFolder->text().trimmed());
    choice.nFaceSize = m_pSize->value();
    choice.naming = static_cast<ESkyboxNaming>(m_pNaming->currentIndex());
    choice.strExtension = QLatin1String(kExtensions[std::clamp(m_pFormat->currentIndex(), 0, 2)]);
    return choice;
}

void CExportSkyboxDlg::accept()
{
    const CSkyboxChoice choice = GetChoice();
    if (choice.strFolder.isEmpty()) {
        QApplication::beep();
        m_pError->setText(QStringLiteral("Choose the folder the six faces go into."));
        m_pError->show();
        m_pFolder->setFocus();
        return;
    }
    m_store.WriteInt(Section(), QStringLiteral("SkyboxNaming"), int(choice.naming));
    m_store.WriteString(Section(), QStringLiteral("SkyboxFormat"), choice.strExtension);
    m_store.WriteString(Section(), QStringLiteral("SkyboxFolder"), choice.strFolder);
    QDialog::accept();
}
