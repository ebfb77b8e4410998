#include "StringTable.h"

#include "Commands.h"
#include "../effects/EffectTools.h"

#include <QHash>

namespace {

// The commands' tips: the status bar's text, then after a line break the tooltip's.
QHash<int, QString> CommandTips()
{
    return {
        {ID_VIEW_ZOOM_IN, QStringLiteral("Show the image larger\nZoom In")},
        {ID_VIEW_ZOOM_OUT, QStringLiteral("Show the image smaller\nZoom Out")},
        {ID_VIEW_ZOOM_ACTUAL,
         QStringLiteral("Show one screen pixel for each pixel of the image\nActual Size")},
        {ID_VIEW_ZOOM_FIT, QStringLiteral("Show the whole image in the window\nFit in Window")},
        {ID_FILE_NEW, QStringLiteral("Create a new image\nNew")},
        {ID_FILE_OPEN, QStringLiteral("Open an existing image\nOpen")},
        {ID_FILE_SAVE, QStringLiteral("Save the current image\nSave")},
        {ID_FILE_SAVE_AS, QStringLiteral("Save the current image with a new name\nSave As")},
        {ID_FILE_MRU_FILE1, QStringLiteral("Open this image")},
        {ID_FILE_MRU_FILE1 + 1, QStringLiteral("Open this image")},
        {ID_FILE_MRU_FILE1 + 2, QStringLiteral("Open this image")},
        {ID_FILE_MRU_FILE1 + 3, QStringLiteral("Open this image")},
        {ID_APP_EXIT, QStringLiteral("Quit the application; prompts to save images\nExit")},
        {ID_EDIT_UNDO, QStringLiteral("Undo the last action\nUndo")},
        {ID_EDIT_REDO, QStringLiteral("Redo the previously undone action\nRedo")},
        {ID_EDIT_CUT, QStringLiteral("Cut the selection and put it on the Clipboard\nCut")},
        {ID_EDIT_COPY, QStringLiteral("Copy the selection and put it on the Clipboard\nCopy")},
        {ID_EDIT_PASTE, QStringLiteral("Insert Clipboard contents into the current image\nPaste")},
        {ID_EDIT_PASTEFILE,
         QStringLiteral("Select a file to be placed into the current image\nPaste File")},
        {ID_EDIT_CLEAR, QStringLiteral("Clear the selected area of the current image\nClear")},
        {ID_EDIT_OPTIONS, QStringLiteral("Changes Options")},
        {ID_FILE_EXPORT_RECIPE,
         QStringLiteral("Write how the picture was painted as a recipe file\nExport Recipe")},
        {ID_FILE_EXPORT_LAYERS,
         QStringLiteral("Write each step as a layer for other editors\nExport Layers")},
        {ID_IMAGE_PAINT_AGAIN,
         QStringLiteral("Paint the picture again larger or smaller, every step with it\n"
                        "Paint Again at Size")},
        {ID_EDIT_COPY_COMMAND,
         QStringLiteral("Put the skyloom-render command that paints the picture on the "
                        "Clipboard\nCopy as Command Line")},
        {ID_VIEW_TOOLBAR, QStringLiteral("Show or hide the toolbar\nToggle ToolBar")},
        {ID_VIEW_STATUS_BAR, QStringLiteral("Show or hide the status bar\nToggle StatusBar")},
        {ID_VIEW_HISTORY, QStringLiteral("Show or hide the history of changes, to go back or "
                                         "forward to any step\nToggle History")},
        {ID_VIEW_SHOW_TILED,
         QStringLiteral("Show the image repeated three by three, to see whether it tiles "
                        "seamlessly\nShow Tiled")},
        {ID_IMAGE_WRAP_AROUND,
         QStringLiteral("Make effects painted past one edge come back in at the opposite "
                        "edge, so the image tiles\nWrap Around")},
        {ID_IMAGE_MAKE_SEAMLESS,
         QStringLiteral("Paint the image again from its recipe with Wrap Around on\nMake "
                        "Seamless")},
        {ID_FILE_EXPORT_SKYBOX,
         QStringLiteral("Write the sky sphere as the six faces of a cube map\nExport Skybox")},
        {ID_VIEW_SKY_PREVIEW,
         QStringLiteral("Look around the sky sphere from inside\nSky Preview")},
        {ID_APP_ABOUT,
         QStringLiteral("Display program information, version number and copyright\nAbout")},
    };
}

const QHash<int, QString>& Table()
{
    static const QHash<int, QString> table = [] {
        QHash<int, QString> messages = {
            {IDS_STARFIELD_TITLE, QStringLiteral("Starfield Properties")},
            {IDS_CLUSTER_TITLE, QStringLiteral("Globular Cluster Properties")},
            {IDS_PASTE_PROMPT,
             QStringLiteral(
                 "Hold down SHIFT when clicking left mouse button for a transparent paste.")},
            {IDS_OPTIONS, QStringLiteral("Options")},
            {IDS_ABOUT_BUILD, QStringLiteral("Build:  %1  %2")},
            {IDS_ABOUT_VERSION, QStringLiteral("Version %1")},
            {IDS_ABOUT_NAME, QStringLiteral("Skyloom")},
            {IDS_SOURCE_TOO_LARGE,
             QStringLiteral("The source image is larger than the current image.")},
            {IDS_NO_LIGHTS,
             QStringLiteral("The file 'lights.txt' could not be opened.  You need to reinstall.")},
            {IDS_HISTORY_TRIMMED,
             QStringLiteral(
                 "The undo memory is full: the %1 oldest steps can no longer be undone.")},
            {IDS_HISTORY_TRIMMED_ONE,
             QStringLiteral("The undo memory is full: the oldest step can no longer be undone.")},
            {IDS_UNDO_REFUSED,
             QStringLiteral(
                 "Not done: the change would need more undo memory than Options allows.")},
            {IDS_APP_TITLE, QStringLiteral("Skyloom")},
            {IDS_READY, QStringLiteral("Ready")},
            {IDS_SAVE_AS, QStringLiteral("Save As")},
            {ID_INDICATOR_SIZE, QStringLiteral("%1x%2")},
            {ID_INDICATOR_POS, QStringLiteral("%1, %2")},
            {ID_INDICATOR_DRAG, QStringLiteral("(%1, %2) - (%3, %4) = (%5, %6)")},
        };
        messages.insert(CommandTips());
        return messages;
    }();
    return table;
}

}

QString LoadString(int id)
{
    // The tools' prompts live in the tool table, with the rest of each tool's description.
    const int nTool = FindToolByCommand(id);
    if (nTool >= 0)
        return QString::fromLatin1(GetToolInfo(nTool)->szPrompt);
    return Table().value(id);
}

QString CommandPrompt(int id)
{
    return LoadString(id).section(QLatin1Char('\n'), 0, 0);
}

QString CommandTip(int id)
{
    const QString text = LoadString(id);
    return text.contains(QLatin1Char('\n')) ? text.section(QLatin1Char('\n'), 1) : QString();
}
