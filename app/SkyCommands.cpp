#include "SkyCommands.h"

#include "DocumentUi.h"
#include "../document/Dib.h"
#include "../document/QuotedName.h"
#include "../imagefile/Skybox.h"
#include "../view/ExportSkyboxDlg.h"

#include <QApplication>
#include <QDir>

QString ExportSkyboxCommand(QWidget* pParent, CDocumentUi& ui, const CDib& sky)
{
    CSkyboxChoice choice;
    choice.nFaceSize = DefaultSkyboxFaceSize(sky);
    if (!ui.AskSkybox(pParent, choice))
        return QString();
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A folder typed that is not there yet is made; one that cannot be made is reported
    // by the export itself.
    QDir().mkpath(choice.strFolder);
    const bool bWritten = ExportSkybox(sky, choice.strFolder, choice.nFaceSize, choice.naming,
                                       choice.strExtension, error);
    QApplication::restoreOverrideCursor();
    if (!bWritten) {
        ui.ShowError(pParent, QStringLiteral("Cannot export the skybox into %1: %2.")
                                  .arg(QuotedName(QDir::toNativeSeparators(choice.strFolder)),
                                       error));
        return QString();
    }
    return choice.strFolder;
}
