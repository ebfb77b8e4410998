#include "SkyloomApp.h"

#include "DocumentUi.h"
#include "Artwork.h"
#include "MainFrame.h"
#include "ToolDialogs.h"
#include "../document/QuotedName.h"
#include "../document/Settings.h"
#include "../document/SettingsStore.h"
#include "StringTable.h"
#include "../document/SkyloomDoc.h"
#include "../gl/GLContext.h"
#include "../imagefile/ImageFile.h"
#include "../view/ExportSkyboxDlg.h"
#include "../view/ImageSizeDlg.h"
#include "../view/PreviewHostDlg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QFileDialog>
#include <QInputDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace {

const char* const kRecentSection = "Recent File List";
constexpr int kRecentCount = 4;

// The save dialog of Save As: choosing another file type rewrites the extension of the
// name being typed.
class CSaveAsDialog : public QFileDialog
{
public:
    CSaveAsDialog(QWidget* pParent, const QString& strName, int nFilter)
        : QFileDialog(pParent, LoadString(IDS_SAVE_AS))
    {
        // Qt's own dialog: the platform's may not let us rewrite the name box.
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilters(Filters());
        selectNameFilter(Filters().value(nFilter));
        const QFileInfo info(strName);
        if (info.isAbsolute())
            setDirectory(info.absolutePath());
        selectFile(info.fileName());
        connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
            QLineEdit* pEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!pEdit || pEdit->text().isEmpty())
                return;
            pEdit->setText(NameForFilter(pEdit->text(), int(Filters().indexOf(filter))));
        });
    }

    static QStringList Filters()
    {
        return {QStringLiteral("JPEG Image (*.jpg *.jpeg)"),
                QStringLiteral("24-bit Bitmap (*.bmp)"), QStringLiteral("256 Color Bitmap (*.bmp)"),
                QStringLiteral("PNG Image (*.png)")};
    }
};

// The real dialogs.
class CDialogDocumentUi : public CDocumentUi
{
public:
    explicit CDialogDocumentUi(CSettingsStore& store) : m_store(store) {}

    BOOL AskImageSize(QWidget* pParent, CSize& size, bool& bWrap, bool& bSky) override
    {
        CImageSizeDlg dlg(m_store, pParent);
        if (dlg.exec() != QDialog::Accepted)
            return FALSE;
        size = CSize(dlg.GetWidth(), dlg.GetHeight());
        bWrap = dlg.GetWrapAround();
        bSky = dlg.GetSkySphere();
        return TRUE;
    }
    QString AskOpenPath(QWidget* pParent) override
    {
        return QFileDialog::getOpenFileName(
            pParent, QStringLiteral("Open"), QString(),
            QStringLiteral("Image Files (*.bmp *.jpg *.jpeg *.tga *.png);;All Files (*)"));
    }
    BOOL AskSavePath(QWidget* pParent, QString& strName, int& nFilter) override
    {
        CSaveAsDialog dlg(pParent, strName, nFilter);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return FALSE;
        strName = dlg.selectedFiles().constFirst();
        nFilter = std::max(0, int(CSaveAsDialog::Filters().indexOf(dlg.selectedNameFilter())));
        return TRUE;
    }
    QString AskPasteFilePath(QWidget* pParent, const QString& strFolder) override
    {
        return QFileDialog::getOpenFileName(
            pParent, QStringLiteral("Paste File"), strFolder,
            QStringLiteral("Image Files (*.bmp *.jpg *.jpeg *.tga *.png);;All Files (*)"));
    }
    QString AskTexturePath(QWidget* pParent, const QString& strFolder) override
    {
        QFileDialog dialog(pParent, QString(), strFolder,
                           QStringLiteral("Image Files (*.bmp *.jpg);;All Files (*)"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }
    BOOL AskScale(QWidget* pParent, double& dScale) override
    {
        bool ok = false;
        dScale = QInputDialog::getDouble(pParent, QStringLiteral("Paint Again at Size"),
                                         QStringLiteral("Times as large:"), 2.0, 1.0 / 16, 16.0,
                                         4, &ok);
        return ok;
    }
    QString AskLayersFolder(QWidget* pParent) override
    {
        return QFileDialog::getExistingDirectory(pParent, QStringLiteral("Export Layers"));
    }
    QString AskRecipePath(QWidget* pParent, const QString& strName) override
    {
        return QFileDialog::getSaveFileName(pParent, QStringLiteral("Export Recipe"), strName,
                                            QStringLiteral("Skyloom Recipe (*.json)"));
    }
    BOOL AskSkybox(QWidget* pParent, CSkyboxChoice& choice) override
    {
        CExportSkyboxDlg dlg(m_store, choice, pParent);
        if (dlg.exec() != QDialog::Accepted)
            return FALSE;
        choice = dlg.GetChoice();
        return TRUE;
    }
    ESaveChanges AskSaveChanges(QWidget* pParent, const QString& strTitle) override
    {
        const auto answer = QMessageBox::question(
            pParent, LoadString(IDS_APP_TITLE), QStringLiteral("Save changes to %1?").arg(strTitle),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        return answer == QMessageBox::Yes ? SAVE_YES
                                          : (answer == QMessageBox::No ? SAVE_NO : SAVE_CANCEL);
    }
    void ShowError(QWidget* pParent, const QString& strText) override
    {
        QMessageBox::warning(pParent, LoadString(IDS_APP_TITLE), strText);
    }

private:
    CSettingsStore& m_store;
};

// The extension the Save As file type gives a name, with its dot.
QString ExtensionForFilter(int nFilter)
{
    switch (nFilter) {
    case SAVE_JPEG:
        return QStringLiteral(".jpg");
    case SAVE_PNG:
        return QStringLiteral(".png");
    default:
        return QStringLiteral(".bmp");
    }
}

QString ExtensionOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

}

QString NameForFilter(const QString& strName, int nFilter)
{
    const int slash = strName.lastIndexOf(QLatin1Char('/'));
    const int dot = strName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash ? strName.left(dot) : strName;
    return base + ExtensionForFilter(nFilter);
}

CSkyloomApp::CSkyloomApp() : CSkyloomApp(nullptr) {}

CSkyloomApp::CSkyloomApp(std::unique_ptr<CSettingsStore> pStore)
    : m_pStore(pStore ? std::move(pStore) : std::make_unique<CSettingsStore>())
{
    m_pUi = std::make_unique<CDialogDocumentUi>(*m_pStore);
    SetWindowHost(this);
}

CSkyloomApp::~CSkyloomApp()
{
    m_pFrame.reset();
    if (&GetWindowHost() == this)
        SetWindowHost(nullptr);
}

void CSkyloomApp::ShowEffectWarning(const QString& text)
{
    // What a render or a preview's OpenGL cannot do; before the window is up (and once it
    // has gone) it is told where the renderer tells it.
    if (!m_pFrame) {
        CWindowHost::ShowEffectWarning(text);
        return;
    }
    QMessageBox::warning(QApplication::activeWindow(), LoadString(IDS_APP_TITLE), text);
}

const QCursor* CSkyloomApp::LoadToolCursor(int nCursorId)
{
    return ::LoadToolCursor(nCursorId);
}

CPreviewHostDlg* CSkyloomApp::CreatePropertiesDialog(CEffect& effect, QWidget* pParent)
{
    return CreateToolDialog(effect, pParent);
}

BOOL CSkyloomApp::ExchangeWithDialog(CPreviewHostDlg* pDialog, CEffect& effect,
                                     BOOL bSaveAndValidate)
{
    return pDialog->Exchange(effect, bSaveAndValidate);
}

void CSkyloomApp::SetDocumentUi(std::unique_ptr<CDocumentUi> pUi)
{
    if (pUi)
        m_pUi = std::move(pUi);
}

BOOL CSkyloomApp::InitInstance(const QStringList& args)
{
    // Without EGL the galaxy and the planets draw nothing; everything else works. The
    // library is released at exit only when this start-up loaded it.
    m_bGLLoaded = !AreGLEntryPointsLoaded() && LoadGLEntryPoints(TRUE);
    LoadRecentFiles();
    LoadSettings(*m_pStore);

    m_pDoc = std::make_unique<CSkyloomDoc>();
    m_pFrame = std::make_unique<CMainFrame>(*this);
    m_strAppDir = QCoreApplication::applicationDirPath();

    m_pDoc->OnNewDocument(nullptr);
    m_pFrame->show();
    const QStringList files = args.mid(1);
    if (!files.isEmpty())
        OpenDocumentFile(files.constFirst());
    m_pFrame->InitialUpdate();
    return TRUE;
}

int CSkyloomApp::ExitInstance()
{
    // The canvas writes every tool's defaults as it goes.
    m_pFrame.reset();
    SaveSettings(*m_pStore);
    SaveRecentFiles();
    m_pStore->Sync();
    if (m_bGLLoaded)
        FreeGLEntryPoints();
    m_bGLLoaded = FALSE;
    return 0;
}

void CSkyloomApp::LoadRecentFiles()
{
    m_recentFiles.clear();
    for (int i = 1; i <= kRecentCount; ++i) {
        const QString path = m_pStore->GetString(QLatin1String(kRecentSection),
                                                 QStringLiteral("File%1").arg(i), QString());
        if (!path.isEmpty() && !m_recentFiles.contains(path))
            m_recentFiles << path;
    }
}

void CSkyloomApp::SaveRecentFiles()
{
    for (int i = 1; i <= kRecentCount; ++i)
        m_pStore->WriteString(QLatin1String(kRecentSection), QStringLiteral("File%1").arg(i),
                              m_recentFiles.value(i - 1));
}

void CSkyloomApp::AddToRecentFiles(const QString& path)
{
    m_recentFiles.removeAll(path);
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > kRecentCount)
        m_recentFiles.removeLast();
    emit recentFilesChanged();
}

BOOL CSkyloomApp::SaveModified()
{
    if (!m_pDoc->IsModified())
        return TRUE;
    switch (m_pUi->AskSaveChanges(m_pFrame.get(), m_pDoc->GetTitle())) {
    case CDocumentUi::SAVE_CANCEL:
        return FALSE;
    case CDocumentUi::SAVE_NO:
        return TRUE;
    case CDocumentUi::SAVE_YES:
        break;
    }
    return OnFileSave();
}

void CSkyloomApp::OnFileNew()
{
    if (!SaveModified())
        return;
    // Cancel in the size dialog leaves the picture as it is.
    CSize size;
    bool bWrap = false;
    bool bSky = false;
    if (!m_pUi->AskImageSize(m_pFrame.get(), size, bWrap, bSky))
        return;
    if (m_pDoc->OnNewDocument(&size)) {
        // A sky closes on itself: it needs no Wrap Around.
        m_pDoc->SetWrapAround(bWrap && !bSky);
        m_pDoc->SetSkySphere(bSky);
    } else
        m_pUi->ShowError(m_pFrame.get(),
                         QStringLiteral("There is not enough memory for a %1 x %2 picture.")
                             .arg(size.cx)
                             .arg(size.cy));
}

void CSkyloomApp::OnFileOpen()
{
    const QString path = m_pUi->AskOpenPath(m_pFrame.get());
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

BOOL CSkyloomApp::OpenDocumentFile(const QString& path)
{
    if (!SaveModified())
        return FALSE;
    const QFileInfo info(path);
    if (!m_pDoc->OnOpenDocument(info.absoluteFilePath())) {
        m_pUi->ShowError(m_pFrame.get(),
                         QStringLiteral("Cannot open %1: %2.")
                             .arg(QuotedName(QDir::toNativeSeparators(path)), ImageReadFailure()));
        return FALSE;
    }
    AddToRecentFiles(m_pDoc->GetPathName());
    return TRUE;
}

void CSkyloomApp::OpenRecentFile(int nIndex)
{
    const QString path = m_recentFiles.value(nIndex);
    if (path.isEmpty())
        return;
    if (!OpenDocumentFile(path) && !QFileInfo::exists(path)) {
        m_recentFiles.removeAll(path);
        emit recentFilesChanged();
    }
}

void CSkyloomApp::ReportSaveFailure(const QString& path)
{
    m_pUi->ShowError(m_pFrame.get(),
                     QStringLiteral("Cannot save %1: %2. Any file of that name was left as it was.")
                         .arg(QuotedName(QDir::toNativeSeparators(path)), ImageWriteFailure()));
}

BOOL CSkyloomApp::RefuseSave(const QString& path, int nFormat)
{
    QString why;
    if (CSkyloomDoc::SaveFormatForName(path, nFormat) < 0)
        why = QStringLiteral("Cannot save %1: Skyloom writes BMP (.bmp), JPEG (.jpg, .jpeg) "
                             "and PNG (.png) pictures only. Nothing was written.");
    else if (IsReadOnlyFile(QFile::encodeName(path).constData()))
        why = QStringLiteral("Cannot save %1: the file is read-only. It was left as it was.");
    if (why.isEmpty())
        return FALSE;
    m_pUi->ShowError(m_pFrame.get(), why.arg(QuotedName(QDir::toNativeSeparators(path))));
    return TRUE;
}

BOOL CSkyloomApp::DoSave(const QString& path)
{
    if (RefuseSave(path, m_pDoc->m_nSaveFormat))
        return FALSE;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const BOOL bResult = m_pDoc->OnSaveDocument(path);
    QApplication::restoreOverrideCursor();
    if (!bResult)
        ReportSaveFailure(path);
    return bResult;
}

BOOL CSkyloomApp::OnFileSave()
{
    // A picture opened from a file no writer has (a TGA) is saved under another name.
    if (m_pDoc->GetPathName().isEmpty() ||
        CSkyloomDoc::SaveFormatForName(m_pDoc->GetPathName(), m_pDoc->m_nSaveFormat) < 0)
        return OnFileSaveAs();
    return DoSave(m_pDoc->GetPathName());
}

BOOL CSkyloomApp::OnFileSaveAs()
{
    // The proposed name: the file's own, or the title cut at the first character a file
    // name should not start a word with.
    QString name = m_pDoc->GetPathName();
    if (name.isEmpty()) {
        name = m_pDoc->GetTitle();
        const int cut = name.indexOf(QRegularExpression(QStringLiteral("[ #%;/\\\\]")));
        if (cut >= 0)
            name.truncate(cut);
    }
    const QString ext = ExtensionOf(name);
    int nFilter = SAVE_BY_EXTENSION;
    // A new picture is proposed as PNG: lossless, and it keeps the recipe.
    if (ext.isEmpty() && !name.contains(QLatin1Char('.')))
        nFilter = SAVE_PNG;
    else if (ext.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0 ||
             ext.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0)
        nFilter = SAVE_JPEG;
    else if (ext.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        nFilter = SAVE_PNG;
    if (CSkyloomDoc::SaveFormatForName(name, nFilter) < 0)
        name = NameForFilter(name, nFilter);
    if (!m_pUi->AskSavePath(m_pFrame.get(), name, nFilter))
        return FALSE;
    nFilter = std::clamp(nFilter, 0, int(SAVE_PNG));
    // The file type supplies a missing extension; a name's own extension wins over it.
    if (!QFileInfo(name).fileName().contains(QLatin1Char('.')))
        name += ExtensionForFilter(nFilter);
    if (RefuseSave(name, nFilter))
        return FALSE;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const BOOL bResult = m_pDoc->SaveAs(name, nFilter);
    QApplication::restoreOverrideCursor();
    if (!bResult) {
        ReportSaveFailure(name);
        return FALSE;
    }
    AddToRecentFiles(m_pDoc->GetPathName());
    return TRUE;
}
