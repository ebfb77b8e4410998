// The properties dialog of each tool, kept by the application: the engine's tools only name
// their dialogs.
#pragma once

class CEffect;
class CPreviewHostDlg;
class QWidget;

// effect's modeless properties dialog, parented to pParent (found by the tool its settings
// section names); null for a tool without one (Select).
CPreviewHostDlg* CreateToolDialog(CEffect& effect, QWidget* pParent);
