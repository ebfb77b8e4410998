// What the effects need of the program that runs them: a place to tell the user of a failed
// render, the tools' cursors, and the tools' properties dialogs. The program hands its host
// over once (SetEffectHost); without one the effects run as in the command-line renderer:
// warnings go to standard error and tools have neither cursors nor dialogs. The dialogs are
// only named here: they live in the application.
#pragma once

#include "../document/WinTypes.h"

#include <QString>

class CEffect;
class CPreviewHostDlg;
class QCursor;
class QWidget;

class CEffectHost
{
public:
    virtual ~CEffectHost() = default;

    // A failure of a render the user must hear of (no memory, no OpenGL).
    virtual void ShowEffectWarning(const QString& text);
    // The tool cursor with resource id nCursorId; null where there is none.
    virtual const QCursor* LoadToolCursor(int nCursorId);
    // effect's modeless properties dialog, parented to pParent; null where it has none.
    virtual CPreviewHostDlg* CreatePropertiesDialog(CEffect& effect, QWidget* pParent);
    // Carries effect's parameters into pDialog (bSaveAndValidate FALSE) or reads and
    // validates them back (TRUE; FALSE when a field fails, effect unchanged).
    virtual BOOL ExchangeWithDialog(CPreviewHostDlg* pDialog, CEffect& effect,
                                    BOOL bSaveAndValidate);
};

// The host the effects reach from now on; null puts back the built-in one described above.
// The caller keeps the host and takes it out (or puts back the one before) before it goes.
void SetEffectHost(CEffectHost* pHost);
CEffectHost& GetEffectHost();

// Shows a failure of a render to the user through the host: a message box in the program,
// standard error in the command-line renderer.
void ShowEffectWarning(const QString& text);
