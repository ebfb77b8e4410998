#include "MainFrame.h"

#include "AboutDlg.h"
#include "../document/DataFolders.h"
#include "Artwork.h"
#include "DocumentUi.h"
#include "RecipeCommands.h"
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
#include "../effects/GasDlg.h"
#include "../effects/LensFlareDlg.h"
#include "../effects/NebulaDlg.h"
#include "../effects/StarDlg.h"
#include "../effects/StarFieldDlg.h"
#include "../effects/VortexDlg.h"
#include "../gl/GalaxyDlg.h"
#include "../gl/PlanetDlg.h"
#include "../view/OptionsSheet.h"
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
#include <QSplitter>
#include <QUndoView>
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
        const QString shown =
            fontMetrics().elidedText(m_strFull, Qt::ElideRight, std::max(contentsRect().width(), 1));
        QLabel::setText(shown);
        setToolTip(shown == m_strFull ? QString() : m_strFull);
    }
    QString m_strFull;
};

struct CCommandText
{
    int nId;
    const char* szText;
    QKeySequence::StandardKey key;
    const char* szShortcut;
};

// Menu texts and accelerators of the commands: the platform's standard key where it has
// one, else the key given.
const CCommandText kCommands[] = {
    {ID_FILE_NEW, "&New", QKeySequence::New, nullptr},
    {ID_FILE_OPEN, "&Open...", QKeySequence::Open, nullptr},
    {ID_FILE_SAVE, "&Save", QKeySequence::Save, nullptr},
    {ID_FILE_SAVE_AS, "Save &As...", QKeySequence::SaveAs, "Ctrl+Shift+S"},
    {ID_FILE_PRINT, "&Print...", QKeySequence::Print, nullptr},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view", QKeySequence::UnknownKey, nullptr},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", QKeySequence::UnknownKey, nullptr},
    {ID_APP_EXIT, "E&xit", QKeySequence::UnknownKey, nullptr},
    {ID_EDIT_UNDO, "&Undo", QKeySequence::UnknownKey, "Ctrl+Z"},
    {ID_EDIT_REDO, "&Redo", QKeySequence::Redo, nullptr},
    {ID_EDIT_CUT, "Cu&t", QKeySequence::UnknownKey, "Ctrl+X"},
    {ID_EDIT_COPY, "&Copy", QKeySequence::UnknownKey, "Ctrl+C"},
    {ID_EDIT_PASTE, "&Paste", QKeySequence::UnknownKey, "Ctrl+V"},
    {ID_EDIT_PASTEFILE, "Paste File...", QKeySequence::UnknownKey, nullptr},
    {ID_EDIT_CLEAR, "C&lear", QKeySequence::UnknownKey, nullptr},
    {ID_EDIT_OPTIONS, "&Options...", QKeySequence::UnknownKey, nullptr},
    {ID_FILE_EXPORT_RECIPE, "Export &Recipe...", QKeySequence::UnknownKey, nullptr},
    {ID_EDIT_COPY_COMMAND, "Copy as Co&mmand Line", QKeySequence::UnknownKey, nullptr},
    {ID_FILE_EXPORT_LAYERS, "Export &Layers...", QKeySequence::UnknownKey, nullptr},
    {ID_FILE_EXPORT_SKYBOX, "Export Sky&box...", QKeySequence::UnknownKey, nullptr},
    {ID_IMAGE_PAINT_AGAIN, "Paint Again at &Size...", QKeySequence::UnknownKey, nullptr},
    {ID_VIEW_TOOLBAR, "&Toolbar", QKeySequence::UnknownKey, nullptr},
    {ID_VIEW_STATUS_BAR, "&Status Bar", QKeySequence::UnknownKey, nullptr},
    {ID_VIEW_HISTORY, "&History", QKeySequence::UnknownKey, nullptr},
    {ID_VIEW_ZOOM_IN, "Zoom &In", QKeySequence::ZoomIn, "Ctrl++"},
    {ID_VIEW_ZOOM_OUT, "Zoom &Out", QKeySequence::ZoomOut, "Ctrl+-"},
    {ID_VIEW_ZOOM_ACTUAL, "&Actual Size", QKeySequence::UnknownKey, "Ctrl+1"},
    {ID_VIEW_ZOOM_FIT, "&Fit in Window", QKeySequence::UnknownKey, "Ctrl+0"},
    {ID_VIEW_SHOW_TILED, "Sho&w Tiled", QKeySequence::UnknownKey, nullptr},
    {ID_VIEW_SKY_PREVIEW, "S&ky Preview", QKeySequence::UnknownKey, nullptr},
    {ID_IMAGE_WRAP_AROUND, "&Wrap Around", QKeySequence::UnknownKey, nullptr},
    {ID_IMAGE_MAKE_SEAMLESS, "Make &Seamless", QKeySequence::UnknownKey, nullptr},
    {ID_HELP_CONTENTS, "&Contents...", QKeySequence::HelpContents, "F1"},
    {ID_APP_ABOUT, "&About Skyloom...", QKeySequence::UnknownKey, nullptr},
    {ID_NEXT_PANE, "Next Pane", QKeySequence::UnknownKey, "F6"},
    {ID_PREV_PANE, "Previous Pane", QKeySequence::UnknownKey, "Shift+F6"},
};

// Commands that change the document or start something that does: they wait while a
// render runs.
bool ChangesDocument(int nId)
{
    switch (nId) {
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
    case ID_VIEW_ZOOM_ACTUAL:
    case ID_VIEW_ZOOM_FIT:
    case ID_VIEW_HISTORY:
    case ID_VIEW_SHOW_TILED:
    case ID_VIEW_SKY_PREVIEW:
    case ID_HELP_CONTENTS:
    case ID_APP_ABOUT:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
    case ID_EDIT_COPY:
    case ID_EDIT_COPY_COMMAND:
    case ID_FILE_EXPORT_RECIPE:
        return false;
    default:
        return true;
    }
}

// The properties dialog of each tool (none for Select), and the exchange through which the
// tools reach them.
void RegisterToolDialogs()
{
    static const struct {
        ETool nTool;
        PropertiesDialogFactory pfnCreate;
    } kDialogs[] = {
        {TOOL_STARFIELD, &CStarFieldDlg::Create}, {TOOL_CLUSTER, &CStarFieldDlg::Create},
        {TOOL_NEBULA, &CNebulaDlg::Create},       {TOOL_STAR, &CStarDlg::Create},
        {TOOL_GAS, &CGasDlg::Create},             {TOOL_VORTEX, &CVortexDlg::Create},
        {TOOL_GALAXY, &CGalaxyDlg::Create},       {TOOL_LENSFLARE, &CLensFlareDlg::Create},
        {TOOL_VENUS, &CVenusDlg::Create},         {TOOL_MOON, &CMoonDlg::Create},
        {TOOL_EARTH, &CEarthDlg::Create},
    };
    InstallDialogExchange();
    for (const auto& dialog : kDialogs)
        RegisterPropertiesDialog(QLatin1String(GetToolInfo(dialog.nTool)->szSection),
                                 dialog.pfnCreate);
}

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

CMainFrame::CMainFrame(CSkyloomApp& app) : m_app(app), m_doc(app.GetDocument())
{
    setWindowIcon(AppIcon());
    QApplication::setWindowIcon(AppIcon());
    setAcceptDrops(true);
    RegisterToolDialogs();
    m_pView = new CSkyloomView(m_doc, app.GetStore(), this);
    setCentralWidget(m_pView);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateHistoryDock();
    m_pView->SetContextMenu(m_pContextMenu);
    SetToolCursorLoader(&LoadToolCursor);
    // What a render or a preview's OpenGL cannot do is told in a message box.
    SetEffectWarningSink([](const QString& text) {
        QMessageBox::warning(QApplication::activeWindow(), LoadString(IDS_APP_TITLE), text);
    });

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
    SetToolCursorLoader(nullptr);
    SetEffectWarningSink(nullptr);
}

QAction* CMainFrame::GetAction(int nId) const
{
    const auto it = m_actions.find(nId);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions()
{
    std::vector<CCommandText> commands(std::begin(kCommands), std::end(kCommands));
    // One key a tool, the menu's mnemonic letter: they act while the main window is the
    // active window, so typing in a properties dialog never changes the tool.
    for (int i = 0; i < TOOL_COUNT; ++i) {
        const CToolInfo& tool = *GetToolInfo(i);
        commands.push_back({tool.nCommandId, tool.szMenuText, QKeySequence::UnknownKey,
                            tool.szKey});
    }
    auto* pTools = new QActionGroup(this);
    for (const CCommandText& command : commands) {
        auto* pAction = new QAction(QString::fromLatin1(command.szText), this);
        if (command.key != QKeySequence::UnknownKey &&
            !QKeySequence::keyBindings(command.key).isEmpty())
            pAction->setShortcuts(command.key);
        else if (command.szShortcut)
            pAction->setShortcut(QKeySequence(QString::fromLatin1(command.szShortcut)));
        pAction->setStatusTip(CommandPrompt(command.nId));
        QString tip = CommandTip(command.nId);
        // Tooltips name the key too, as the menus do.
        if (!tip.isEmpty() && !pAction->shortcut().isEmpty())
            tip += QStringLiteral(" (%1)").arg(
                pAction->shortcut().toString(QKeySequence::NativeText));
        if (!tip.isEmpty())
            pAction->setToolTip(tip);
        pAction->setIcon(CommandIcon(command.nId));
        // Menus show the toolbar image beside the command.
        pAction->setIconVisibleInMenu(true);
        if (FindToolByCommand(command.nId) >= 0) {
            pAction->setCheckable(true);
            pTools->addAction(pAction);
        }
        const int nId = command.nId;
        connect(pAction, &QAction::triggered, this, [this, nId] { OnCommand(nId); });
        m_actions[nId] = pAction;
        addAction(pAction); // accelerators work wherever the focus is in the window
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
    // The picture's steps above, every change made to them (undo and redo) below.
    auto* pSplitter = new QSplitter(Qt::Vertical, m_pHistoryDock);
    m_pStepsPanel = new CStepsPanel(m_doc, *m_pView, pSplitter);
    m_pHistoryView = new QUndoView(&m_doc.GetHistory(), pSplitter);
    m_pHistoryView->setCleanIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    m_pHistoryView->setEmptyLabel(m_doc.GetHistoryOrigin());
    pSplitter->addWidget(m_pStepsPanel);
    pSplitter->addWidget(m_pHistoryView);
    pSplitter->setStretchFactor(0, 2);
    pSplitter->setStretchFactor(1, 1);
    m_pHistoryDock->setWidget(pSplitter);
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
        const QString suffix = command.strStep.isEmpty() ? QString() : QLatin1Char(' ') + command.strStep;
        pAction->setText(QString::fromLatin1(command.szMenu) + suffix);
        pAction->setToolTip(CommandTip(command.nId) + suffix);
    }
    GetAction(ID_VIEW_HISTORY)->setChecked(m_pHistoryDock->isVisibleTo(this));
    // Setting the label resets the panel's list: only when it changes.
    const QString origin = m_doc.GetHistoryOrigin();
    if (m_pHistoryView->emptyLabel() != origin)
        m_pHistoryView->setEmptyLabel(origin);
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
    // What the window adds around the canvas's viewport (menus, toolbar, status bar, the
    // canvas's frame), measured without scroll bars, and around the window (its title bar
    // and borders).
    const QSize extra = size() - m_pView->maximumViewportSize();
    const QSize decoration = frameGeometry().size() - size();
    const QRect available = pScreen->availableGeometry();
    const QSize room = available.size() - decoration;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pView);
    QSize wanted = m_fitSize + extra;
    // A side cut short by the screen gets a scroll bar, which the other side makes room for.
    const bool bCutWidth = wanted.width() > room.width();
    const bool bCutHeight = wanted.height() > room.height();
    if (bCutWidth)
        wanted.rheight() += scrollBar;
    if (bCutHeight)
        wanted.rwidth() += scrollBar;
    if (!bCutWidth && wanted.width() > room.width())
        wanted.rheight() += scrollBar;
    // After the first fit the window keeps its size and only grows; never narrower than
    // its menu and toolbar.
    if (m_bFitted)
        wanted = wanted.expandedTo(size());
    const int barsWidth = std::max(menuBar()->sizeHint().width(), m_pToolBar->sizeHint().width());
    wanted = wanted.boundedTo(room)
                 .expandedTo(minimumSizeHint())
                 .expandedTo(QSize(barsWidth, 0))
                 .boundedTo(room);
    resize(wanted);
    m_bFitted = true;
    // The canvas's viewport as it will be once the window manager has resized the window.
    m_pView->ShowNewPicture(wanted - extra);
    // Kept on the screen: the title bar and the status bar both stay reachable.
    QRect frame = frameGeometry();
    frame.setSize(wanted + decoration);
    if (frame.right() > available.right())
        frame.moveRight(available.right());
    if (frame.bottom() > available.bottom())
        frame.moveBottom(available.bottom());
    if (frame.left() < available.left())
        frame.moveLeft(available.left());
    if (frame.top() < available.top())
        frame.moveTop(available.top());
    if (frame.topLeft() != frameGeometry().topLeft())
        move(frame.topLeft());
    m_fitApplied = decoration.isEmpty() ? m_fitSize : QSize();
    m_fitDecoration = decoration;
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
    if (OnZoomCommand(nId)) {
        UpdateCommandUI();
        return;
    }
    const int nTool = FindToolByCommand(nId);
    if (nTool >= 0) {
        m_pView->SelectTool(nTool);
        UpdateCommandUI();
        return;
    }
    switch (nId) {
    case ID_FILE_NEW:
        m_app.OnFileNew();
        break;
    case ID_FILE_OPEN:
        m_app.OnFileOpen();
        break;
    case ID_FILE_SAVE:
        m_app.OnFileSave();
        break;
    case ID_FILE_SAVE_AS:
        m_app.OnFileSaveAs();
        break;
    case ID_FILE_PRINT:
        OnPrint(false);
        break;
    case ID_FILE_PRINT_PREVIEW:
        OnPrint(true);
        break;
    case ID_FILE_PRINT_SETUP: {
        if (!m_pPrinter)
            m_pPrinter = std::make_unique<QPrinter>();
        QPageSetupDialog dlg(m_pPrinter.get(), this);
        dlg.exec();
        break;
    }
    case ID_APP_EXIT:
        close();
        break;
    case ID_EDIT_UNDO:
        m_pView->OnEditUndo();
        break;
    case ID_EDIT_REDO:
        m_pView->OnEditRedo();
        break;
    case ID_EDIT_CLEAR:
        m_pView->OnEditClear();
        break;
    case ID_EDIT_COPY:
        m_pView->OnEditCopy();
        break;
    case ID_EDIT_CUT:
        m_pView->OnEditCut();
        break;
    case ID_EDIT_PASTE:
        m_pView->OnEditPaste();
        break;
    case ID_EDIT_PASTEFILE:
        m_pView->OnEditPasteFile();
        break;
    case ID_EDIT_OPTIONS:
        OnOptions();
        break;
    case ID_FILE_EXPORT_RECIPE:
        ExportRecipe(this, m_app.GetDocumentUi(), m_doc.GetRecipe(), m_doc.GetTitle());
        break;
    case ID_EDIT_COPY_COMMAND:
        OnCopyCommandLine();
        break;
    case ID_FILE_EXPORT_LAYERS:
        OnExportLayers();
        break;
    case ID_IMAGE_PAINT_AGAIN:
        OnPaintAgainAtSize();
        break;
    case ID_FILE_EXPORT_SKYBOX: {
        const QString folder = ExportSkyboxCommand(this, m_app.GetDocumentUi(), m_doc.GetImage());
        if (!folder.isEmpty())
            statusBar()->showMessage(QStringLiteral("The skybox is in %1.")
                                         .arg(QuotedName(QDir::toNativeSeparators(folder))));
        break;
    }
    case ID_VIEW_SKY_PREVIEW:
        OnSkyPreview();
        break;
    case ID_VIEW_TOOLBAR:
        m_pToolBar->setVisible(!m_pToolBar->isVisible());
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        break;
    case ID_VIEW_HISTORY:
        m_pHistoryDock->setVisible(!m_pHistoryDock->isVisible());
        break;
    case ID_VIEW_SHOW_TILED:
        m_pView->SetShowTiled(!m_pView->IsShowingTiled());
        break;
    case ID_IMAGE_WRAP_AROUND:
        m_doc.SetWrapAround(!m_doc.IsWrapAround());
        break;
    case ID_IMAGE_MAKE_SEAMLESS: {
        QString why;
        if (!MakeSeamless(m_doc, why))
            m_app.GetDocumentUi().ShowError(
                this,
                QStringLiteral("Make Seamless cannot paint this picture again: %1.").arg(why));
        break;
    }
    case ID_HELP_CONTENTS:
        OnHelpContents();
        break;
    case ID_APP_ABOUT:
        OnAbout();
        break;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        focusNextPrevChild(nId == ID_NEXT_PANE);
        break;
    default:
        break;
    }
    UpdateCommandUI();
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
    bool bWritten = false;
    QString error;
    // Painted as a render: the frame waits, and Escape stops it.
    m_pView->RepaintScene([&] {
        const CRenderingGuard guard;
        bWritten = WriteSceneLayers(m_doc, folder, error);
        return RENDER_NOTHING;
    });
    if (bWritten)
        statusBar()->showMessage(QStringLiteral("The layers are in %1.").arg(QuotedName(folder)));
    else if (!error.isEmpty())
        m_app.GetDocumentUi().ShowError(this, QStringLiteral("Cannot write the layers into %1: %2")
                                                  .arg(QuotedName(folder), error));
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

bool CMainFrame::OnZoomCommand(int nId)
{
    switch (nId) {
    case ID_VIEW_ZOOM_IN:
        m_pView->ZoomIn();
        return true;
    case ID_VIEW_ZOOM_OUT:
        m_pView->ZoomOut();
        return true;
    case ID_VIEW_ZOOM_ACTUAL:
        m_pView->ZoomActualSize();
        return true;
    case ID_VIEW_ZOOM_FIT:
        m_pView->ZoomToFit();
        return true;
    default:
        return false;
    }
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
    if (m_pHistoryView)
        m_pHistoryView->setEnabled(bEnable);
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
