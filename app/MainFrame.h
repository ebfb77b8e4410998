// The main window: menus, toolbar, the four-pane status bar with the render progress bar
// over its first pane, the canvas, help, dropped files and the close request.
#pragma once

#include "../effects/ProgressMeter.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QSize>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CSkyloomApp;
class CStepsPanel;
class CSkyloomDoc;
class CSkyloomView;
class CSkyPreviewWnd;
class QDockWidget;
class QLabel;
class QMenu;
class QPrinter;
class QProgressBar;

// Set when the user asked the program to close; cleared when the close is cancelled.
extern int g_bAppClosing;

class CMainFrame : public QMainWindow, public CProgressDisplay
{
    Q_OBJECT
public:
    explicit CMainFrame(CSkyloomApp& app);
    ~CMainFrame() override;

    static BOOL IsClosing() { return g_bAppClosing; }

    CSkyloomView* GetView() const { return m_pView; }
    // The History panel's list of the picture's steps.
    CStepsPanel* GetStepsPanel() const { return m_pStepsPanel; }
    // The action of a command id (null for an unknown id).
    QAction* GetAction(int nId) const;
    // Runs a command as the menus, toolbar and accelerators do.
    void OnCommand(int nId);
    // Shows string nId in the message pane.
    void SetStatusText(int nId);
    QString GetPaneText(int nPane) const;
    // The window fitted to the picture and the panes filled, once the first picture exists.
    void InitialUpdate();
    // Refreshes which commands are enabled and checked.
    void UpdateCommandUI();

    // CProgressDisplay: the bar over the message pane, and the frame disabled meanwhile.
    BOOL CreateBar() override;
    void SetBarPosition(int nPercent) override;
    void DestroyBar() override;
    void EnableFrame(BOOL bEnable) override;
    void ShowPainted(const CRect& rectRows) override;
    bool ShowsPainted() const override { return true; }
    QProgressBar* GetProgressBar() const { return m_pProgress; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // A command of the menus, toolbar and accelerators, and what it does.
    struct CCommand
    {
        int nId;
        const char* szText; // menu text
        QKeySequence::StandardKey key;
        const char* szShortcut; // the key where the platform has no standard one
        bool bChangesDocument;  // waits while a render runs
        void (*pfnRun)(CMainFrame& frame);
    };
    static const std::vector<CCommand>& Commands();
    static const CCommand* FindCommand(int nId);
    // Whether command nId changes the document or starts something that does.
    static bool ChangesDocument(int nId);

    QAction* AddAction(int nId, const char* szText, QKeySequence::StandardKey key,
                       const char* szShortcut);
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // View > History: a dock listing the document's steps, the picture they start from at
    // the top, with Undo and Redo whose menus go back or forward to any entry.
    void CreateHistoryDock();
    // Edit > Copy as Command Line: skyloom-render's command for the picture, or why not.
    void OnCopyCommandLine();
    // File > Export Layers: each visible step (or those selected in the History) as a
    // layer, into a folder the user picks.
    void OnExportLayers();
    // Image > Paint Again at Size: the picture painted again larger or smaller, as a new one.
    void OnPaintAgainAtSize();
    // File > Export Skybox: the sky's six cube faces into a folder.
    void OnExportSkybox();
    // View > Sky Preview: the sky sphere from inside, in a window of its own.
    void OnSkyPreview();
    // Undo and Redo named after their steps; the History's check mark.
    void UpdateHistoryCommands();
    void UpdatePanes();
    void UpdateTitle();
    void UpdateRecentFiles();
    void OnHelpContents();
    // The zoom commands of the View menu.
    void AddZoomItems(QMenu* pMenu);
    // The message pane shows "Ready" and the pointer pane nothing: a new picture.
    void ResetPanes();
    void OnAbout();
    void OnOptions();
    void OnPrint(bool bPreview);
    void OnPrintSetup();
    void OnMakeSeamless();
    void OnRenderStateChanged(bool bRendering);
    // Resizes the window so the canvas shows a picture of size at 100 % (once the window is
    // shown), without scroll bars where it fits and never past the screen's available
    // area; the picture is then fitted in the canvas if it is still larger.
    void FitToPicture(QSize size);
    void ApplyFit();
    // Runs work now, or once the render in progress has ended: nothing may change the
    // document under a render.
    void WhenIdle(std::function<void()> work);

    CSkyloomApp& m_app;
    CSkyloomDoc& m_doc;
    CSkyloomView* m_pView = nullptr;
    std::map<int, QAction*> m_actions;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    QMenu* m_pContextMenu = nullptr;
    QToolBar* m_pToolBar = nullptr;
    // Message, pointer, drag rectangle, picture size, zoom.
    QLabel* m_panes[5] = {};
    // Help > Contents: one window, reused.
    QPointer<QWidget> m_pHelp;
    // View > Sky Preview: one window, reused; hidden when the picture is no sky.
    QPointer<CSkyPreviewWnd> m_pSkyPreview;
    QProgressBar* m_pProgress = nullptr;
    QDockWidget* m_pHistoryDock = nullptr;
    CStepsPanel* m_pStepsPanel = nullptr;
    std::vector<std::function<void()>> m_pending;
    // A close request arrived during a render: close once it has ended.
    bool m_bCloseAfterRender = false;
    // A render is running (the frame is disabled).
    bool m_bBusy = false;
    std::unique_ptr<QPrinter> m_pPrinter;
    // A fit asked for before the window was shown.
    QSize m_fitSize;
    // The last fit and the window decoration it allowed for: a window manager may add its
    // title bar and borders only after the window was first shown and fitted.
    QSize m_fitApplied;
    QSize m_fitDecoration;
    // The window has been fitted once: from then on it keeps its size or grows.
    bool m_bFitted = false;
};
