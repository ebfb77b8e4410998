#include "Artwork.h"

#include "Commands.h"
#include "../effects/EffectTools.h"

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <map>

// Q_INIT_RESOURCE may not sit in a namespace.
static int RegisterSkyloomQrc()
{
    Q_INIT_RESOURCE(skyloom);
    return 1;
}

namespace {

const struct
{
    int nCommandId;
    const char* szName;
} kCommandImages[] = {
    {ID_FILE_NEW, "new"},           {ID_FILE_OPEN, "open"},         {ID_FILE_SAVE, "save"},
    {ID_EDIT_CUT, "cut"},           {ID_EDIT_COPY, "copy"},         {ID_EDIT_PASTE, "paste"},
    {ID_EDIT_UNDO, "undo"},         {ID_EDIT_CLEAR, "clear"},
};

// The toolbar image of a command: the tools' from the tool table, the others' from above.
const char* CommandImage(int nCommandId)
{
    const int nTool = FindToolByCommand(nCommandId);
    if (nTool >= 0)
        return GetToolInfo(nTool)->szImage;
    for (const auto& c : kCommandImages) {
        if (c.nCommandId == nCommandId)
            return c.szName;
    }
    return nullptr;
}

const int kSystemArrowId = 32512;

// The disabled look: the image in flat greys, lifted by a white shadow one pixel down and
// to the right, as engraved into the toolbar.
QPixmap Disabled(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QImage grey(image.size(), QImage::Format_ARGB32);
    QImage shadow(image.size(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(grey.scanLine(y));
        QRgb* sh = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(in[x]);
            const int v = 110 + qGray(in[x]) * 90 / 255;
            out[x] = qRgba(v, v, v, a * 3 / 4);
            sh[x] = qRgba(255, 255, 255, a * 3 / 5);
        }
    }
    QImage result(image.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.drawImage(1, 1, shadow);
    p.drawImage(0, 0, grey);
    p.end();
    return QPixmap::fromImage(result);
}

} // namespace

void InitArtworkResources()
{
    static const int s_nRegistered = RegisterSkyloomQrc();
    (void)s_nRegistered;
}

QIcon CommandIcon(int nCommandId)
{
    InitArtworkResources();
    // Redo is Undo's arrow turned the other way.
    const bool bMirrored = nCommandId == ID_EDIT_REDO;
    if (const char* szImage = CommandImage(bMirrored ? ID_EDIT_UNDO : nCommandId)) {
        const QString base = QStringLiteral(":/res/toolbar/%1").arg(QLatin1String(szImage));
        const QImage normal = QImage(base + QStringLiteral(".png")).mirrored(bMirrored, false);
        const QImage large =
            QImage(base + QStringLiteral("@2x.png")).mirrored(bMirrored, false);
        QIcon icon;
        icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(large), QIcon::Normal);
        icon.addPixmap(Disabled(normal), QIcon::Disabled);
        icon.addPixmap(Disabled(large), QIcon::Disabled);
        return icon;
    }
    return QIcon();
}

const QCursor* LoadToolCursor(int nCursorId)
{
    InitArtworkResources();
    // Never destroyed: a cursor's pixmap must not outlive the application object.
    static auto* s_pCursors = new std::map<int, QCursor>;
    std::map<int, QCursor>& s_cursors = *s_pCursors;
    const auto found = s_cursors.find(nCursorId);
    if (found != s_cursors.end())
        return &found->second;
    if (nCursorId == kSystemArrowId)
        return &s_cursors.emplace(nCursorId, QCursor(Qt::ArrowCursor)).first->second;
    // Cursor files are named by cursor id. The hot spot is the centre of the cross-hair:
    // the middle of the Select tool's cursor, the top left of the effects' (beside their
    // emblem).
    for (int nTool = 0; nTool < TOOL_COUNT; ++nTool) {
        if (GetToolInfo(nTool)->nCursorId != nCursorId)
            continue;
        const QPixmap pixmap(QStringLiteral(":/res/cursors/%1.png").arg(nCursorId));
        if (pixmap.isNull())
            return nullptr;
        const int nHot = nTool == TOOL_SELECT ? 15 : 7;
        return &s_cursors.emplace(nCursorId, QCursor(pixmap, nHot, nHot)).first->second;
    }
    return nullptr;
}

QIcon AppIcon()
{
    InitArtworkResources();
    QIcon icon;
    for (int n : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/res/icons/skyloom-%1.png").arg(n), QSize(n, n));
    return icon;
}

QPixmap BitmapResource(int nBitmapId)
{
    InitArtworkResources();
    return QPixmap(QStringLiteral(":/res/bitmaps/%1.png").arg(nBitmapId));
}
