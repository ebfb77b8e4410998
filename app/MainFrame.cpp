#include "MainFrame.h"

#include "AboutDlg.h"
#include "../document/DataFolders.h"
#include "Artwork.h"
#include "DocumentUi.h"
#include "RecipeCommands.h"
#include "ScreenFit.h"
#include "SkyCommands.h"
#include "../document/QuotedName.h"
#include "../document/SceneLayers.h"
#include "StepsPanel.h"
#include "Commands.h"
#include "DocumentUi.h"
#include "HelpWindow.h"
#include "SkyloomApp.h"
#include "StringTable.h"
#include "../document/SkyloomDoc.h"
#include "../document/Settings.h"
#include "../effects/EffectTools.h"
#include "../view/OptionsSheet.h"
#include "../view/PreviewHostDlg.h"
#include "../document/RenderJob.h"
#include "../view/SkyloomView.h"
#include "../view/SkyPreviewWnd.h"
#include "../cli/RecipeRepaint.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>
#include <QUrl>

int g_bAppClosing = 0;

namespace {

// A label that shows as much of its text as fits, the rest as "...", and the whole text in
// its tooltip when it does not fit.
class CElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;
    void setText(const QString& text)
    {
        m_strFull = text;
        Elide();
    }
    QString FullText() const { return m_strFull; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide()
    {
        const QString shown = fontMetrics().elidedText(m_strFull, Qt::ElideRight,
                                                       std::max(contentsRect().width(), 1));
        QLabel::setText(shown);
        setToolTip(shown == m_strFull ? QString() : m_strFull);
    }
    QString m_strFull;
};

} // namespace

std::vector<int> ToolbarButtons()
{
    std::vector<int> buttons = {ID_FILE_NEW,   ID_FILE_OPEN,  ID_FILE_SAVE,  0,
                                ID_EDIT_CUT,   ID_EDIT_COPY,  ID_EDIT_PASTE, ID_EDIT_UNDO,
                                ID_EDIT_CLEAR, 0};
    for (int i = 0; i < TOOL_COUNT; ++i) {
        buttons.push_back(GetToolInfo(i)->nCommandId);
        if (GetToolInfo(i)->bSeparatorAfter)
            buttons.push_back(0);
    }
    return buttons;
}

namespace {

int ToolCommand(int nTool)
{
    return GetToolInfo(nTool)->nCommandId;
}

}

// The commands of the menus, toolbar and accelerators (the tools aside): menu text, the
// platform's standard key where it has one, else the key given, and what each does. Those
// that change the document or start something that does wait while a render runs.
const std::vector<CMainFrame::CCommand>& CMainFrame::Commands()
{
    using K = QKeySequence;
    constexpr bool bChanges = true, bViews = false;
    static const std::vector<CCommand> kCommands = {
        {ID_FILE_NEW, "&New", K::New, nullptr, bChanges,
         [](CMainFrame& f) { f.m_app.OnFileNew(); }},
        {ID_FILE_OPEN, "&Open...", K::Open, nullptr, bChanges,
         [](CMainFrame& f) { f.m_app.OnFileOpen(); }},
        {ID_FILE_SAVE, "&Save", K::Save, nullptr, bChanges,
         [](CMainFrame& f) { f.m_app.OnFileSave(); }},
        {ID_FILE_SAVE_AS, "Save &As...", K::SaveAs, "Ctrl+Shift+S", bChanges,
         [](CMainFrame& f) { f.m_app.OnFileSaveAs(); }},
        {ID_FILE_PRINT, "&Print...", K::Print, nullptr, bChanges,
         [](CMainFrame& f) { f.OnPrint(false); }},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.OnPrint(true); }},
        {ID_FILE_PRINT_SETUP, "P&rint Setup...", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.OnPrintSetup(); }},
        {ID_APP_EXIT, "E&xit", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.close(); }},
        {ID_EDIT_UNDO, "&Undo", K::UnknownKey, "Ctrl+Z", bChanges,
         [](CMainFrame& f) { f.m_pView->OnEditUndo(); }},
        {ID_EDIT_REDO, "&Redo", K::Redo, nullptr, bChanges,
         [](CMainFrame& f) { f.m_pView->OnEditRedo(); }},
        {ID_EDIT_CUT, "Cu&t", K::UnknownKey, "Ctrl+X", bChanges,
         [](CMainFrame& f) { f.m_pView->OnEditCut(); }},
        {ID_EDIT_COPY, "&Copy", K::UnknownKey, "Ctrl+C", bViews,
         [](CMainFrame& f) { f.m_pView->OnEditCopy(); }},
        {ID_EDIT_PASTE, "&Paste", K::UnknownKey, "Ctrl+V", bChanges,
         [](CMainFrame& f) { f.m_pView->OnEditPaste(); }},
        {ID_EDIT_PASTEFILE, "Paste File...", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.m_pView->OnEditPasteFile(); }},
        {ID_EDIT_CLEAR, "C&lear", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.m_pView->OnEditClear(); }},
        {ID_EDIT_OPTIONS, "&Options...", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.OnOptions(); }},
        {ID_FILE_EXPORT_RECIPE, "Export &Recipe...", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) {
             ExportRecipe(&f, f.m_app.GetDocumentUi(), f.m_doc.GetRecipe(), f.m_doc.GetTitle());
         }},
        {ID_EDIT_COPY_COMMAND, "Copy as Co&mmand Line", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) { f.OnCopyCommandLine(); }},
        {ID_FILE_EXPORT_LAYERS, "Export &Layers...", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.OnExportLayers(); }},
        // Waits for a render: the faces are read from the picture.
        {ID_FILE_EXPORT_SKYBOX, "Export Sky&box...", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.OnExportSkybox(); }},
        {ID_IMAGE_PAINT_AGAIN, "Paint Again at &Size...", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.OnPaintAgainAtSize(); }},
        {ID_VIEW_TOOLBAR, "&Toolbar", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) { f.m_pToolBar->setVisible(!f.m_pToolBar->isVisible()); }},
        {ID_VIEW_STATUS_BAR, "&Status Bar", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) { f.statusBar()->setVisible(!f.statusBar()->isVisible()); }},
        {ID_VIEW_HISTORY, "&History", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) { f.m_pHistoryDock->setVisible(!f.m_pHistoryDock->isVisible()); }},
        {ID_VIEW_ZOOM_IN, "Zoom &In", K::ZoomIn, "Ctrl++", bViews,
         [](CMainFrame& f) { f.m_pView->ZoomIn(); }},
        {ID_VIEW_ZOOM_OUT, "Zoom &Out", K::ZoomOut, "Ctrl+-", bViews,
         [](CMainFrame& f) { f.m_pView->ZoomOut(); }},
        {ID_VIEW_ZOOM_ACTUAL, "&Actual Size", K::UnknownKey, "Ctrl+1", bViews,
         [](CMainFrame& f) { f.m_pView->ZoomActualSize(); }},
        {ID_VIEW_ZOOM_FIT, "&Fit in Window", K::UnknownKey, "Ctrl+0", bViews,
         [](CMainFrame& f) { f.m_pView->ZoomToFit(); }},
        {ID_VIEW_SHOW_TILED, "Sho&w Tiled", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) { f.m_pView->SetShowTiled(!f.m_pView->IsShowingTiled()); }},
        {ID_VIEW_SKY_PREVIEW, "S&ky Preview", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) { f.OnSkyPreview(); }},
        {ID_IMAGE_WRAP_AROUND, "&Wrap Around", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.m_doc.SetWrapAround(!f.m_doc.IsWrapAround()); }},
        {ID_IMAGE_MAKE_SEAMLESS, "Make &Seamless", K::UnknownKey, nullptr, bChanges,
         [](CMainFrame& f) { f.OnMakeSeamless(); }},
        {ID_HELP_CONTENTS, "&Contents...", K::HelpContents, "F1", bViews,
         [](CMainFrame& f) { f.OnHelpContents(); }},
        {ID_APP_ABOUT, "&About Skyloom...", K::UnknownKey, nullptr, bViews,
         [](CMainFrame& f) { f.OnAbout(); }},
        {ID_NEXT_PANE, "Next Pane", K::UnknownKey, "F6", bViews,
         [](CMainFrame& f) { f.focusNextPrevChild(true); }},
        {ID_PREV_PANE, "Previous Pane", K::UnknownKey, "Shift+F6", bViews,
         [](CMainFrame& f) { f.focusNextPrevChild(false); }},
    };
    return kCommands;
}

const CMainFrame::CCommand* CMainFrame::FindCommand(int nId)
{
    for (const CCommand& command : Commands()) {
        if (command.nId == nId)
            return &command;
    }
    return nullptr;
}

bool CMainFrame::ChangesDocument(int nId)
{
    // The tools and the recent files too: they start a render or replace the picture.
    const CCommand* pCommand = FindCommand(nId);
    return !pCommand || pCommand->bChangesDocument;
}

CMainFrame::CMainFrame(CSkyloomApp& app) : m_app(app), m_doc(app.GetDocument())
{
    setWindowIcon(AppIcon());
    QApplication::setWindowIcon(AppIcon());
    setAcceptDrops(true);
    m_pView = new CSkyloomView(m_doc, app.GetStore(), app, this);
    setCentralWidget(m_pView);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateHistoryDock();
    m_pView->SetContextMenu(m_pContextMenu);

    connect(m_pView, &CSkyloomView::statusChanged, this, &CMainFrame::UpdatePanes);
    connect(m_pView, &CSkyloomView::toolChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_pView, &CSkyloomView::pastingChanged, this, [this](bool bPasting) {
        SetStatusText(bPasting ? IDS_PASTE_PROMPT : IDS_READY);
        UpdateCommandUI();
    });
    connect(m_pView, &CSkyloomView::renderStateChanged, this, &CMainFrame::OnRenderStateChanged);
    connect(m_pView, &CSkyloomView::fitRequested, this, &CMainFrame::FitToPicture);
    connect(m_pView, &CSkyloomView::zoomChanged, this, &CMainFrame::UpdatePanes);
    connect(&m_doc, &CSkyloomDoc::stateChanged, this, [this] {
        UpdateTitle();
        UpdateCommandUI();
    });
    connect(&m_doc, &CSkyloomDoc::pictureReplaced, this, &CMainFrame::ResetPanes);
    connect(&m_doc, &CSkyloomDoc::pixelsChanged, this, &CMainFrame::UpdateCommandUI);
    connect(&m_app, &CSkyloomApp::recentFilesChanged, this, &CMainFrame::UpdateRecentFiles);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::UpdateCommandUI);

    SetProgressDisplay(this);
    resize(660, 560);
    UpdateRecentFiles();
    UpdateTitle();
    UpdatePanes();
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    // Closing hides the dock, which would ask a half-destroyed frame for its commands.
    if (m_pHistoryDock)
        m_pHistoryDock->disconnect(this);
    if (GetProgressDisplay() == this)
        SetProgressDisplay(nullptr);
}

QAction* CMainFrame::GetAction(int nId) const
{
    const auto it = m_actions.find(nId);
    return it == m_actions.end() ? nullptr : it->second;
}

QAction* CMainFrame::AddAction(int nId, const char* szText, QKeySequence::StandardKey key,
                              const char* szShortcut)
{
    auto* pAction = new QAction(QString::fromLatin1(szText), this);
    if (key != QKeySequence::UnknownKey && !QKeySequence::keyBindings(key).isEmpty())
        pAction->setShortcuts(key);
    else if (szShortcut)
        pAction->setShortcut(QKeySequence(QString::fromLatin1(szShortcut)));
    pAction->setStatusTip(CommandPrompt(nId));
    QString tip = CommandTip(nId);
    // Tooltips name the key too, as the menus do.
    if (!tip.isEmpty() && !pAction->shortcut().isEmpty())
        tip += QStringLiteral(" (%1)").arg(pAction->shortcut().toString(QKeySequence::NativeText));
    if (!tip.isEmpty())
        pAction->setToolTip(tip);
    pAction->setIcon(CommandIcon(nId));
    // Menus show the toolbar image beside the command.
    pAction->setIconVisibleInMenu(true);
    connect(pAction, &QAction::triggered, this, [this, nId] { OnCommand(nId); });
    m_actions[nId] = pAction;
    addAction(pAction); // accelerators work wherever the focus is in the window
    return pAction;
}

void CMainFrame::CreateActions()
{
    for (const CCommand& command : Commands())
        AddAction(command.nId, command.szText, command.key, command.szShortcut);
    // One key a tool, the menu's mnemonic letter: they act while the main window is the
    // active window, so typing in a properties dialog never changes the tool.
    auto* pTools = new QActionGroup(this);
    for (int i = 0; i < TOOL_COUNT; ++i) {
        const CToolInfo& tool = *GetToolInfo(i);
        QAction* pAction =
            AddAction(tool.nCommandId, tool.szMenuText, QKeySequence::UnknownKey, tool.szKey);
        pAction->setCheckable(true);
        pTools->addAction(pAction);
    }
    // Ctrl+= as well: Ctrl++ needs Shift on most keyboards.
    QAction* pZoomIn = GetAction(ID_VIEW_ZOOM_IN);
    pZoomIn->setShortcuts(pZoomIn->shortcuts() << QKeySequence(QStringLiteral("Ctrl+=")));
    GetAction(ID_VIEW_TOOLBAR)->setCheckable(true);
    GetAction(ID_VIEW_STATUS_BAR)->setCheckable(true);
    GetAction(ID_VIEW_HISTORY)->setCheckable(true);
    GetAction(ID_VIEW_SHOW_TILED)->setCheckable(true);
    GetAction(ID_IMAGE_WRAP_AROUND)->setCheckable(true);
    // Redo answers to both keys users bring from other editors, whatever the platform's
    // own binding is.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_Y),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)})
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    GetAction(ID_EDIT_REDO)->setShortcuts(redoKeys);
    for (int i = 0; i < 4; ++i) {
        auto* pAction = new QAction(this);
        pAction->setStatusTip(CommandPrompt(ID_FILE_MRU_FILE1 + i));
        connect(pAction, &QAction::triggered, this, [this, i] {
            WhenIdle([this, i] { m_app.OpenRecentFile(i); });
        });
        m_actions[ID_FILE_MRU_FILE1 + i] = pAction;
    }
}

void CMainFrame::CreateMenus()
{
    QMenu* pFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_pFileMenu = pFile;
    for (int nId : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS,
                    ID_FILE_EXPORT_RECIPE, ID_FILE_EXPORT_LAYERS, ID_FILE_EXPORT_SKYBOX})
        pFile->addAction(GetAction(nId));
    pFile->addSeparator();
    for (int nId : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP})
        pFile->addAction(GetAction(nId));
    pFile->addSeparator();
    for (int i = 0; i < 4; ++i)
        pFile->addAction(GetAction(ID_FILE_MRU_FILE1 + i));
    m_pRecentSeparator = pFile->addSeparator();
    pFile->addAction(GetAction(ID_APP_EXIT));

    QMenu* pEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    pEdit->addAction(GetAction(ID_EDIT_UNDO));
    pEdit->addAction(GetAction(ID_EDIT_REDO));
    pEdit->addSeparator();
    for (int nId : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_PASTEFILE})
        pEdit->addAction(GetAction(nId));
    pEdit->addSeparator();
    pEdit->addAction(GetAction(ID_EDIT_CLEAR));
    pEdit->addAction(GetAction(ID_EDIT_COPY_COMMAND));
    pEdit->addSeparator();
    pEdit->addAction(GetAction(ID_EDIT_OPTIONS));

    QMenu* pView = menuBar()->addMenu(QStringLiteral("&View"));
    pView->addAction(GetAction(ID_VIEW_TOOLBAR));
    pView->addAction(GetAction(ID_VIEW_STATUS_BAR));
    pView->addAction(GetAction(ID_VIEW_HISTORY));
    AddZoomItems(pView);
    pView->addSeparator();
    pView->addAction(GetAction(ID_VIEW_SHOW_TILED));
    pView->addAction(GetAction(ID_VIEW_SKY_PREVIEW));

    QMenu* pImage = menuBar()->addMenu(QStringLiteral("&Image"));
    pImage->addAction(GetAction(ID_IMAGE_WRAP_AROUND));
    pImage->addAction(GetAction(ID_IMAGE_MAKE_SEAMLESS));
    pImage->addSeparator();
    pImage->addAction(GetAction(ID_IMAGE_PAINT_AGAIN));

    QMenu* pDesign = menuBar()->addMenu(QStringLiteral("&Design"));
    for (int i = 0; i < TOOL_COUNT; ++i) {
        pDesign->addAction(GetAction(ToolCommand(i)));
        if (GetToolInfo(i)->bSeparatorAfter)
            pDesign->addSeparator();
    }

    QMenu* pHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    pHelp->addAction(GetAction(ID_HELP_CONTENTS));
    pHelp->addSeparator();
    pHelp->addAction(GetAction(ID_APP_ABOUT));

    // The canvas's menu: the edit commands and the tools.
    m_pContextMenu = new QMenu(QStringLiteral("&Design"), this);
    for (int nId : {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
                    ID_EDIT_CLEAR})
        m_pContextMenu->addAction(GetAction(nId));
    m_pContextMenu->addSeparator();
    for (int i = 0; i < TOOL_COUNT; ++i)
        m_pContextMenu->addAction(GetAction(ToolCommand(i)));
}

void CMainFrame::CreateToolBar()
{
    m_pToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_pToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_pToolBar->setIconSize(QSize(16, 15));
    for (int nId : kToolbarButtons) {
        if (nId == 0)
            m_pToolBar->addSeparator();
        else
            m_pToolBar->addAction(GetAction(nId));
    }
    connect(m_pToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* pBar = statusBar();
    // Prompts longer than the pane are cut short with "..." and shown whole in its tooltip.
    m_panes[0] = new CElidedLabel(pBar);
    m_panes[0]->setText(LoadString(IDS_READY));
    m_panes[0]->setMinimumWidth(1);
    pBar->addWidget(m_panes[0], 1);
    // The other panes grow with their texts.
    const int widths[5] = {0, 50, 200, 80, 50};
    for (int i = 1; i < 5; ++i) {
        m_panes[i] = new QLabel(pBar);
        m_panes[i]->setMinimumWidth(widths[i]);
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panes[i]->setAlignment(Qt::AlignCenter);
        pBar->addPermanentWidget(m_panes[i]);
    }
}

void CMainFrame::CreateHistoryDock()
{
    m_pHistoryDock = new QDockWidget(QStringLiteral("History"), this);
    m_pHistoryDock->setObjectName(QStringLiteral("HistoryDock"));
    m_pStepsPanel = new CStepsPanel(m_doc, *m_pView, GetAction(ID_EDIT_UNDO),
                                    GetAction(ID_EDIT_REDO), m_pHistoryDock);
    m_pHistoryDock->setWidget(m_pStepsPanel);
    addDockWidget(Qt::RightDockWidgetArea, m_pHistoryDock);
    m_pHistoryDock->hide();
    connect(m_pHistoryDock, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
    connect(&m_doc, &CSkyloomDoc::historyTrimmed, this, [this](int nSteps) {
        statusBar()->showMessage(nSteps == 1 ? LoadString(IDS_HISTORY_TRIMMED_ONE)
                                             : LoadString(IDS_HISTORY_TRIMMED).arg(nSteps));
    });
    connect(&m_doc, &CSkyloomDoc::undoRefused, this,
            [this] { statusBar()->showMessage(LoadString(IDS_UNDO_REFUSED)); });
}

void CMainFrame::UpdateHistoryCommands()
{
    if (!m_pHistoryDock)
        return; // still being built
    // The step's name in the menu text and the tooltip: "Undo Nebula", "Redo Clear".
    const QUndoStack& history = m_doc.GetHistory();
    const struct { int nId; const char* szMenu; QString strStep; } commands[] = {
        {ID_EDIT_UNDO, "&Undo", history.undoText()}, {ID_EDIT_REDO, "&Redo", history.redoText()}};
    for (const auto& command : commands) {
        QAction* pAction = GetAction(command.nId);
        const QString suffix =
            command.strStep.isEmpty() ? QString() : QLatin1Char(' ') + command.strStep;
        pAction->setText(QString::fromLatin1(command.szMenu) + suffix);
        pAction->setToolTip(CommandTip(command.nId) + suffix);
    }
    GetAction(ID_VIEW_HISTORY)->setChecked(m_pHistoryDock->isVisibleTo(this));
}

void CMainFrame::FitToPicture(QSize size)
{
    m_fitSize = size;
    // Until the window is laid out its canvas has no true size to measure from.
    if (!isVisible())
        return;
    QTimer::singleShot(0, this, &CMainFrame::ApplyFit);
}

void CMainFrame::ApplyFit()
{
    if (!m_fitSize.isValid() || !isVisible())
        return;
    const QScreen* pScreen = screen();
    if (!pScreen)
        return;
    CScreenFit fit;
    fit.picture = m_fitSize;
    fit.extra = size() - m_pView->maximumViewportSize();
    fit.decoration = frameGeometry().size() - size();
    fit.available = pScreen->availableGeometry();
    fit.nScrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pView);
    fit.current = size();
    fit.bFitted = m_bFitted;
    // Never narrower than its menu and toolbar.
    const int barsWidth = std::max(menuBar()->sizeHint().width(), m_pToolBar->sizeHint().width());
    fit.minimum = minimumSizeHint().expandedTo(QSize(barsWidth, 0));
    const QSize wanted = FittedWindowSize(fit);
    resize(wanted);
    m_bFitted = true;
    // The canvas's viewport as it will be once the window manager has resized the window.
    m_pView->ShowNewPicture(wanted - fit.extra);
    QRect frame = frameGeometry();
    frame.setSize(wanted + fit.decoration);
    const QPoint corner = KeptOnScreen(frame, fit.available);
    if (corner != frameGeometry().topLeft())
        move(corner);
    m_fitApplied = fit.decoration.isEmpty() ? m_fitSize : QSize();
    m_fitDecoration = fit.decoration;
    m_fitSize = QSize();
}

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The window manager has framed the window since it was fitted without a frame: fit
    // again, so that its title bar and the status bar both stay on the screen.
    if (m_fitApplied.isValid() && frameGeometry().size() - size() != m_fitDecoration) {
        m_fitSize = m_fitApplied;
        m_fitApplied = QSize();
        QTimer::singleShot(0, this, &CMainFrame::ApplyFit);
    }
}

void CMainFrame::InitialUpdate()
{
    if (m_fitSize.isValid())
        FitToPicture(m_fitSize);
    UpdatePanes();
    UpdateTitle();
    UpdateCommandUI();
    m_pView->setFocus();
}

void CMainFrame::UpdatePanes()
{
    const CPoint pt = m_pView->GetLastPoint();
    m_panes[1]->setText(LoadString(ID_INDICATOR_POS).arg(pt.x).arg(pt.y));
    const CRect r = m_pView->GetDragRect();
    m_panes[2]->setText(r.IsRectEmpty() ? QString()
                                        : LoadString(ID_INDICATOR_DRAG)
                                              .arg(r.left)
                                              .arg(r.top)
                                              .arg(r.right)
                                              .arg(r.bottom)
                                              .arg(r.Width())
                                              .arg(r.Height()));
    const CSize size = m_doc.GetImage().GetSize();
    m_panes[3]->setText(LoadString(ID_INDICATOR_SIZE).arg(size.cx).arg(size.cy));
    m_panes[4]->setText(m_pView->GetZoomText());
    if (!m_pView->HasLastPoint())
        m_panes[1]->clear();
}

void CMainFrame::ResetPanes()
{
    SetStatusText(IDS_READY);
    UpdatePanes();
}

QString CMainFrame::GetPaneText(int nPane) const
{
    if (nPane == 0 && !statusBar()->currentMessage().isEmpty())
        return statusBar()->currentMessage();
    if (nPane == 0)
        return static_cast<CElidedLabel*>(m_panes[0])->FullText();
    return nPane >= 0 && nPane < 5 ? m_panes[nPane]->text() : QString();
}

void CMainFrame::SetStatusText(int nId)
{
    statusBar()->clearMessage();
    static_cast<CElidedLabel*>(m_panes[0])->setText(LoadString(nId));
    m_panes[0]->repaint();
}

void CMainFrame::UpdateTitle()
{
    const QString app = LoadString(IDS_APP_TITLE);
    const QString sky = m_doc.IsSkySphere() ? QStringLiteral(" (sky sphere)") : QString();
    setWindowTitle(m_doc.GetTitle() + sky + QStringLiteral("[*] - ") + app);
    setWindowModified(m_doc.IsModified());
}

void CMainFrame::UpdateRecentFiles()
{
    const QStringList files = m_app.GetRecentFiles();
    for (int i = 0; i < 4; ++i) {
        QAction* pAction = GetAction(ID_FILE_MRU_FILE1 + i);
        if (i < files.size()) {
            QString name = QDir::toNativeSeparators(files[i]);
            name.replace(QLatin1Char('&'), QLatin1String("&&"));
            pAction->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
            pAction->setVisible(true);
        } else {
            pAction->setVisible(false);
        }
    }
    m_pRecentSeparator->setVisible(!files.isEmpty());
}

void CMainFrame::UpdateCommandUI()
{
    const bool bIdle = !m_bBusy && !IsRendering();
    for (const auto& [nId, pAction] : m_actions)
        pAction->setEnabled(bIdle || !ChangesDocument(nId));
    if (bIdle) {
        GetAction(ID_EDIT_UNDO)->setEnabled(m_doc.HasUndo());
        GetAction(ID_EDIT_REDO)->setEnabled(m_doc.HasRedo());
        // A placement in progress takes no second one.
        const bool bPasting = m_pView->IsPasting();
        GetAction(ID_EDIT_PASTE)->setEnabled(!bPasting && CSkyloomView::ClipboardHasImage());
        GetAction(ID_EDIT_PASTEFILE)->setEnabled(!bPasting);
        // A sky wraps around by its geometry: the tiling commands mean nothing there.
        GetAction(ID_IMAGE_WRAP_AROUND)->setEnabled(!m_doc.IsSkySphere());
        GetAction(ID_IMAGE_MAKE_SEAMLESS)->setEnabled(!m_doc.IsSkySphere());
        GetAction(ID_FILE_EXPORT_SKYBOX)->setEnabled(m_doc.IsSkySphere());
    }
    GetAction(ID_VIEW_SKY_PREVIEW)->setEnabled(m_doc.IsSkySphere());
    if (m_pSkyPreview && !m_doc.IsSkySphere())
        m_pSkyPreview->hide();
    const int nTool = m_pView->GetTool();
    for (int i = 0; i < TOOL_COUNT; ++i)
        GetAction(ToolCommand(i))->setChecked(i == nTool);
    GetAction(ID_VIEW_TOOLBAR)->setChecked(m_pToolBar->isVisibleTo(this));
    GetAction(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisibleTo(this));
    GetAction(ID_VIEW_SHOW_TILED)->setChecked(m_pView->IsShowingTiled());
    GetAction(ID_IMAGE_WRAP_AROUND)->setChecked(m_doc.IsWrapAround() && !m_doc.IsSkySphere());
    UpdateHistoryCommands();
}

void CMainFrame::WhenIdle(std::function<void()> work)
{
    if (m_bBusy || IsRendering())
        m_pending.push_back(std::move(work));
    else
        work();
}

void CMainFrame::OnCommand(int nId)
{
    if (ChangesDocument(nId) && (m_bBusy || IsRendering()))
        return; // the one gate: nothing changes the picture under a render
    const int nTool = FindToolByCommand(nId);
    if (nTool >= 0)
        m_pView->SelectTool(nTool);
    else if (const CCommand* pCommand = FindCommand(nId))
        pCommand->pfnRun(*this);
    UpdateCommandUI();
}

void CMainFrame::OnPrintSetup()
{
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>();
    QPageSetupDialog dlg(m_pPrinter.get(), this);
    dlg.exec();
}

void CMainFrame::OnMakeSeamless()
{
    QString why;
    if (!MakeSeamless(m_doc, why))
        m_app.GetDocumentUi().ShowError(
            this, QStringLiteral("Make Seamless cannot paint this picture again: %1.").arg(why));
}

void CMainFrame::OnPaintAgainAtSize()
{
    double dScale = 1;
    if (!m_app.SaveModified() || !m_app.GetDocumentUi().AskScale(this, dScale))
        return;
    const ERenderOutcome outcome =
        m_pView->RepaintScene([&] { return m_doc.PaintAgainAtSize(dScale); });
    if (outcome == RENDER_NOTHING)
        m_app.GetDocumentUi().ShowError(
            this, QStringLiteral("The picture cannot be painted again at that size: it must "
                                 "have begun as a new picture, and keep every paste's pixels."));
}

void CMainFrame::OnExportSkybox()
{
    const QString folder = ExportSkyboxCommand(this, m_app.GetDocumentUi(), m_doc.GetImage());
    if (!folder.isEmpty())
        statusBar()->showMessage(QStringLiteral("The skybox is in %1.")
                                     .arg(QuotedName(QDir::toNativeSeparators(folder))));
}

void CMainFrame::OnSkyPreview()
{
    if (!m_doc.IsSkySphere())
        return;
    if (!m_pSkyPreview) {
        m_pSkyPreview = new CSkyPreviewWnd(m_doc, this);
        m_pSkyPreview->move(PlaceBeside(frameGeometry(), FramedSize(m_pSkyPreview),
                                        m_pSkyPreview));
    }
    m_pSkyPreview->show();
    m_pSkyPreview->raise();
    m_pSkyPreview->activateWindow();
}

void CMainFrame::OnExportLayers()
{
    const QString folder = m_app.GetDocumentUi().AskLayersFolder(this);
    if (folder.isEmpty())
        return;
    // The steps selected in the History when it shows some; otherwise every visible one.
    const QList<int> selected =
        m_pHistoryDock->isVisible() ? m_pStepsPanel->SelectedSteps() : QList<int>();
    bool bWritten = false;
    QString error;
    // Painted as a render: the frame waits, and Escape stops it.
    m_pView->RepaintScene([&] {
        const CRenderingGuard guard;
        bWritten = WriteSceneLayers(m_doc, folder, error, selected);
        return RENDER_NOTHING;
    });
    const QString where = QuotedName(folder);
    if (bWritten)
        statusBar()->showMessage(
            selected.isEmpty() ? QStringLiteral("The layers are in %1.").arg(where)
            : selected.size() == 1
                ? QStringLiteral("The layer of the step selected is in %1.").arg(where)
                : QStringLiteral("The layers of the %1 steps selected are in %2.")
                      .arg(selected.size())
                      .arg(where));
    else if (!error.isEmpty())
        m_app.GetDocumentUi().ShowError(this, QStringLiteral("Cannot write the layers into %1: %2")
                                                  .arg(where, error));
}

void CMainFrame::OnCopyCommandLine()
{
    QStringList notes;
    QString error;
    const QString line = RenderCommandLine(
        m_doc.GetRecipe(), QFileInfo(m_doc.GetTitle()).completeBaseName().toLower() +
                               QStringLiteral(".png"), notes, error);
    if (line.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("No command line: ") + error);
        return;
    }
    QApplication::clipboard()->setText(line);
    const QString copied = QStringLiteral("The command line is on the Clipboard");
    statusBar()->showMessage(notes.isEmpty() ? copied + QLatin1Char('.')
                                             : copied + QStringLiteral("; it cannot repeat: ") +
                                                   notes.join(QStringLiteral("; ")));
}

void CMainFrame::OnOptions()
{
    if (!RunOptionsSheet(this))
        return;
    m_doc.FitHistory();
    // An open properties dialog takes a new delay at once, not only the next one opened.
    if (g_pPropertiesDialog)
        g_pPropertiesDialog->SetPreviewDelay(g_nPreviewDelay);
}

void CMainFrame::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMainFrame::OnHelpContents()
{
    // The manual opens in a window of our own: no web browser is needed.
    const QString html =
        ProgramDataFolder(QStringLiteral("help")) + QStringLiteral("/skyhelp.htm");
    if (!QFileInfo::exists(html)) {
        QMessageBox::warning(this, LoadString(IDS_APP_TITLE),
                             QStringLiteral("The manual \"%1\" is missing. You need to reinstall.")
                                 .arg(QDir::toNativeSeparators(html)));
        return;
    }
    if (!m_pHelp) {
        m_pHelp = new CHelpWindow(QUrl::fromLocalFile(html), this);
        // Beside the main window where there is room, and wholly on the screen.
        if (const QScreen* pScreen = screen())
            m_pHelp->resize(m_pHelp->size().boundedTo(pScreen->availableSize() * 9 / 10));
        const QSize size = FramedSize(m_pHelp);
        m_pHelp->move(PlaceBeside(frameGeometry(), size, m_pHelp));
    }
    m_pHelp->show();
    m_pHelp->raise();
    m_pHelp->activateWindow();
}

void CMainFrame::AddZoomItems(QMenu* pMenu)
{
    pMenu->addSeparator();
    for (int nId : {ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT, ID_VIEW_ZOOM_ACTUAL, ID_VIEW_ZOOM_FIT})
        pMenu->addAction(GetAction(nId));
}

void CMainFrame::OnPrint(bool bPreview)
{
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>();
    if (bPreview) {
        QPrintPreviewDialog dlg(m_pPrinter.get(), this);
        connect(&dlg, &QPrintPreviewDialog::paintRequested, m_pView,
                &CSkyloomView::PrintPicture);
        dlg.exec();
        return;
    }
    QPrintDialog dlg(m_pPrinter.get(), this);
    if (dlg.exec() == QDialog::Accepted)
        m_pView->PrintPicture(m_pPrinter.get());
}

BOOL CMainFrame::CreateBar()
{
    if (!statusBar()->isVisible())
        return FALSE;
    delete m_pProgress;
    m_pProgress = new QProgressBar(statusBar());
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    m_pProgress->setGeometry(m_panes[0]->geometry());
    m_pProgress->show();
    m_pProgress->raise();
    return TRUE;
}

void CMainFrame::SetBarPosition(int nPercent)
{
    if (m_pProgress)
        m_pProgress->setValue(nPercent);
}

void CMainFrame::DestroyBar()
{
    delete m_pProgress;
    m_pProgress = nullptr;
    statusBar()->update();
}

void CMainFrame::EnableFrame(BOOL bEnable)
{
    // The canvas keeps the keyboard focus, so Escape still reaches it; menus, toolbar and
    // accelerators take nothing meanwhile.
    menuBar()->setEnabled(bEnable);
    m_pToolBar->setEnabled(bEnable);
    // A click in the History would move the picture under the render.
    if (m_pStepsPanel)
        m_pStepsPanel->setEnabled(bEnable);
    UpdateCommandUI();
    if (bEnable)
        activateWindow();
    m_pView->setFocus();
}

void CMainFrame::ShowPainted(const CRect& rectRows)
{
    m_pView->PicturePainted(rectRows);
}

void CMainFrame::OnRenderStateChanged(bool bRendering)
{
    m_bBusy = bRendering;
    EnableFrame(!bRendering);
    if (bRendering)
        return;
    // What waited for the render: commands, dropped files, then a close request.
    std::vector<std::function<void()>> pending;
    pending.swap(m_pending);
    if (m_bCloseAfterRender) {
        m_bCloseAfterRender = false;
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    for (auto& work : pending)
        work();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_bBusy || IsRendering()) {
        // Stop the render first; the close comes back once it has ended and been undone.
        g_bCancelRender = 1;
        m_bCloseAfterRender = true;
        event->ignore();
        return;
    }
    g_bAppClosing = 1;
    if (!m_app.SaveModified()) {
        g_bAppClosing = 0;
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return;
    const QString path = urls.constFirst().toLocalFile();
    event->acceptProposedAction();
    WhenIdle([this, path] { m_app.OpenDocumentFile(path); });
}
