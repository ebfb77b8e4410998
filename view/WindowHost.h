// What the canvas, the properties dialogs and the colour chooser need of the application,
// besides what the effects need: the settings store (where dialogs were left), the
// document's questions and messages (a picture to paste, a texture, an error), and the run
// of the colour chooser. The application is the host and hands itself over once
// (SetWindowHost, which makes it the effects' host too); without one, as in tests of a
// dialog alone, there is no store and no document, and the chooser runs as a dialog does.
#pragma once

#include "../effects/EffectHost.h"

class CDocumentUi;
class CSettingsStore;
class QColorDialog;

class CWindowHost : public CEffectHost
{
public:
    // The settings the dialogs keep their places in; null for none.
    virtual CSettingsStore* SettingsStore();
    // The questions and messages of the document; null for none.
    virtual CDocumentUi* DocumentUi();
    // Runs the colour chooser in place of QDialog::exec and returns its result code.
    virtual int RunColorChooser(QColorDialog& dlg);
};

// The host of the window and of the effects from now on; null puts back the built-in ones.
// The caller keeps the host and takes it out (or puts back the one before) before it goes.
void SetWindowHost(CWindowHost* pHost);
CWindowHost& GetWindowHost();
