// The application: start-up and exit, the settings, the one document and its window, and
// the file commands (New, Open, Save, Save As, the recent files).
#pragma once

#include "../document/WinTypes.h"
#include "../view/WindowHost.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CDocumentUi;
class CMainFrame;
class CSettingsStore;
class CSkyloomDoc;

// The application is the host of the window and the effects (WindowHost.h): it hands
// itself over while it exists.
class CSkyloomApp : public QObject, public CWindowHost
{
    Q_OBJECT
public:
    // The user's own settings.
    CSkyloomApp();
    // Settings kept in pStore instead (tests); null means the user's own.
    explicit CSkyloomApp(std::unique_ptr<CSettingsStore> pStore);
    ~CSkyloomApp() override;

    // Start-up: OpenGL, the settings, the window, then the command line (a file name opens
    // that picture; none, or one that cannot be opened, makes a 640 x 480 picture).
    BOOL InitInstance(const QStringList& args);
    // Exit: writes the settings back and releases OpenGL.
    int ExitInstance();

    // The folder of the running program, without a trailing separator.
    QString GetAppDir() const { return m_strAppDir; }
    CSettingsStore& GetStore() { return *m_pStore; }
    CSettingsStore* SettingsStore() override { return m_pStore.get(); }
    CSkyloomDoc& GetDocument() { return *m_pDoc; }
    CMainFrame* GetMainFrame() { return m_pFrame.get(); }

    // Replaces the dialogs of the file commands (tests); the application keeps ownership
    // of the one it is given.
    void SetDocumentUi(std::unique_ptr<CDocumentUi> pUi);
    CDocumentUi& GetDocumentUi() { return *m_pUi; }
    CDocumentUi* DocumentUi() override { return m_pUi.get(); }

    // CEffectHost: a failed render is told in a message box once the window is up; the
    // tools' cursors are the program's artwork, their dialogs its own.
    void ShowEffectWarning(const QString& text) override;
    const QCursor* LoadToolCursor(int nCursorId) override;
    CPreviewHostDlg* CreatePropertiesDialog(CEffect& effect, QWidget* pParent) override;
    BOOL ExchangeWithDialog(CPreviewHostDlg* pDialog, CEffect& effect,
                            BOOL bSaveAndValidate) override;

    // File commands.
    void OnFileNew();
    void OnFileOpen();
    // Opens path after asking to save a modified picture; FALSE when it was not opened.
    BOOL OpenDocumentFile(const QString& path);
    BOOL OnFileSave();
    BOOL OnFileSaveAs();
    // Asks to save a modified picture: FALSE when the user cancels (or the save failed).
    BOOL SaveModified();

    // The recent files, newest first (at most 4).
    QStringList GetRecentFiles() const { return m_recentFiles; }
    void OpenRecentFile(int nIndex);

signals:
    void recentFilesChanged();

private:
    void AddToRecentFiles(const QString& path);
    void LoadRecentFiles();
    void SaveRecentFiles();
    BOOL DoSave(const QString& path);
    // Says that path could not be written (and that any old file is as it was).
    void ReportSaveFailure(const QString& path);
    // What is known before writing: a name no writer has, or a file the user may not write.
    // Says so and returns TRUE when the save must not be tried.
    BOOL RefuseSave(const QString& path, int nFormat);

    std::unique_ptr<CSettingsStore> m_pStore;
    std::unique_ptr<CSkyloomDoc> m_pDoc;
    std::unique_ptr<CDocumentUi> m_pUi;
    std::unique_ptr<CMainFrame> m_pFrame;
    QString m_strAppDir;
    QStringList m_recentFiles;
    BOOL m_bGLLoaded = FALSE;
};
