// The base of every effect's modeless properties dialog: it hosts the preview window, runs
// the delayed refresh after each change, remembers where the user left it, and closes by
// OK, Cancel, Enter, Escape or the close box. The canvas holds the current one in
// g_pPropertiesDialog and replaces it whenever the tool changes.
#pragma once

#include "../document/WinTypes.h"

#include <QDialog>
#include <QTimer>

class CEffect;
class CPreviewWnd;
class QLabel;

class CPreviewHostDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPreviewHostDlg(QWidget* pParent = nullptr);
    ~CPreviewHostDlg() override;

    // Copies effect's parameters into the controls (bSaveAndValidate FALSE), or reads and
    // validates the controls into effect (TRUE). Reading stops at the first control that
    // fails; unless quiet, it says why and puts the focus there. On failure effect keeps
    // every parameter and FALSE is returned.
    virtual BOOL Exchange(CEffect& effect, BOOL bSaveAndValidate);

    // A parameter changed: with automatic previews, (re)start the refresh timer.
    virtual void OnParamChanged();
    // A new refresh delay in seconds; 0 or less means manual refresh.
    virtual void SetPreviewDelay(int nDelay);
    int GetPreviewDelay() const { return m_nDelay; }
    // Refreshes now, unless a canvas render is running: then once it has ended.
    void RefreshPreview();
    // Posts the refresh-now request: refreshes soon when previews are automatic.
    void PostRefresh();
    // The canvas's render has ended: a refresh that fell due meanwhile runs now.
    void RenderEnded();

    // Set while the preview reads the controls: a value being typed is skipped silently.
    BOOL IsQuiet() const { return m_bQuiet; }
    void SetQuiet(BOOL bQuiet) { m_bQuiet = bQuiet; }

    CPreviewWnd* GetPreview() const { return m_pPreview; }
    bool IsTimerRunning() const { return m_timer.isActive(); }

    // Refresh delays are held to this many seconds, so no setting can overflow the timer.
    static constexpr int kMaxPreviewDelay = 60;

protected:
    // Places the preview in the frame's spot; the dialog owns it. Call once.
    void SetPreview(CPreviewWnd* pPreview);
    // Beside the main window, or where the user last left a dialog with this caption,
    // when that place is still on a screen.
    void PlaceDialog();
    // The hint shown under the preview while refreshes are manual.
    QLabel* CreateManualHint();

    void mousePressEvent(QMouseEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void OnTimer();
    // Keeps the place under the caption the dialog shows now.
    void SavePosition();

    CPreviewWnd* m_pPreview = nullptr;
    QLabel* m_pManualHint = nullptr;
    QTimer m_timer;
    // Seconds; 1 until the dialog takes the setting.
    int m_nDelay = 1;
    BOOL m_bQuiet = FALSE;
    // A refresh fell due during a canvas render.
    BOOL m_bRefreshWaiting = FALSE;
};

// The properties dialog of the current tool, or null.
extern CPreviewHostDlg* g_pPropertiesDialog;

// Where a dialog with caption strCaption and frame size size goes: the place the user last
// left it (values "x" and "y" of the section named by the caption) when that is still on a
// screen, else place.
QPoint StoredDialogPlace(const QString& strCaption, QPoint place, QSize size);
// Keeps a dialog's place under its caption.
void StoreDialogPlace(const QString& strCaption, QPoint place);

// The size of a window with its title bar and borders. Before the window manager has framed
// it, it is taken to be framed like its parent's window.
QSize FramedSize(const QWidget* pWindow);
// Where a window of frame size size goes beside the window whose frame is beside: below it,
// else to its right, else to its left, else above it, whichever first lies wholly on the
// screen (held to the screen when none does), so that neither covers the other's title bar.
QPoint PlaceBeside(const QRect& beside, QSize size, const QWidget* pWindow);
