// The commands of a sky sphere: File > Export Skybox writes its six cube faces.
#pragma once

#include <QString>

class CDib;
class CDocumentUi;
class QWidget;

// Asks for the face size, names, format and folder (making a missing folder), then writes
// the six faces of sky. The folder written on success; empty when cancelled, or when the
// faces could not be written (the user was told why).
QString ExportSkyboxCommand(QWidget* pParent, CDocumentUi& ui, const CDib& sky);
