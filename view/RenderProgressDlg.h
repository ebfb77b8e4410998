// A progress window for a render that asks for one instead of the status-bar bar: percent,
// elapsed time and a Cancel button. Modeless; the render pumps events between its work units
// and asks IsCancelled. The owner destroys it when the render ends.
#pragma once

#include "../document/WinTypes.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

class QLabel;
class QProgressBar;

class CRenderProgressDlg : public QDialog
{
    Q_OBJECT
public:
    CRenderProgressDlg();
    // Enables the main window again if it is still disabled by Start.
    ~CRenderProgressDlg() override;

    // Shows the window for a render of nTotal work units, starts the clock and disables
    // pParent's main window until this window is closed or destroyed.
    void Start(int nTotal, QWidget* pParent);
    // nDone of the total units are finished.
    void SetProgress(int nDone);
    // TRUE once the user pressed Cancel (or closed the window).
    BOOL IsCancelled() const { return m_bCancelled; }

    // " 7 %": the percentage as shown.
    static QString PercentText(int nPercent);
    // "Elapsed Time: mm:ss.mmm" of a duration in milliseconds.
    static QString ElapsedText(qint64 nMilliseconds);

    void reject() override;

protected:
    void hideEvent(QHideEvent* pEvent) override;

private:
    void EnableFrame();

    QProgressBar* m_pBar;
    QLabel* m_pPercent;
    QLabel* m_pElapsed;
    // The main window disabled by Start; null once it is enabled again.
    QPointer<QWidget> m_pFrame;
    QElapsedTimer m_clock;
    int m_nTotal = 0;
    BOOL m_bCancelled = FALSE;
};
