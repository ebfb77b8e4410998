#include "SkyloomDoc.h"

#include "../app/Settings.h"
#include "../effects/Color.h"
#include "../imagefile/ImageFile.h"

#include <QFileInfo>

CSkyloomDoc::CSkyloomDoc() = default;

CSkyloomDoc::~CSkyloomDoc() = default;

namespace {
DWORD BackgroundColour()
{
    return CColor(g_crBkgndColor, TRUE).ToRGB();
}
}

BOOL CSkyloomDoc::OnNewDocument(const CSize* pNewSize)
{
    CSize size = m_size;
    if (m_bFirstNew)
        size = CSize(640, 480);
    else if (pNewSize)
        size = *pNewSize;
    if (!DibSizeAllowed(size.cx, size.cy))
        return FALSE;
    // Built aside, so that a picture too large for memory leaves the present one.
    if (size != m_dib.GetSize() || !m_dib.m_pBits) {
        CDib fresh;
        if (!fresh.Create(size.cx, size.cy))
            return FALSE;
        m_dib.Swap(fresh);
    }
    m_bFirstNew = FALSE;
    m_dib.Fill(BackgroundColour());
    m_recipe = CRecipe::ForNewPicture(size, BackgroundColour());
    m_strPathName.clear();
    m_nSaveFormat = SAVE_BY_EXTENSION;
    m_bModified = FALSE;
    PictureReplaced();
    return TRUE;
}

void CSkyloomDoc::SetPicture(CDib& dib)
{
    CDib empty;
    m_dib.Swap(dib);
    dib.Swap(empty);
    m_recipe = CRecipe();
    m_bFirstNew = FALSE;
    m_strPathName.clear();
    m_bModified = FALSE;
    PictureReplaced();
}

BOOL CSkyloomDoc::OnOpenDocument(const QString& path)
{
    // The reader builds the new picture aside and leaves ours alone when it fails.
    const QByteArray name = QFile::encodeName(path);
    const QFileInfo info(path);
    QString recipeText, why;
    CRecipe recipe = CRecipe::ForOpenedFile(info.fileName());
    if (!m_dib.Load(name.constData(), &recipeText))
        return FALSE;
    // A damaged recipe is dropped (FromText leaves ours): the picture itself is sound.
    if (!recipeText.isEmpty())
        CRecipe::FromText(recipeText, recipe, why);
    m_recipe = recipe;
    m_bFirstNew = FALSE;
    // One name for one file, however it was reached (links, "..").
    m_strPathName = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath()
                                                       : info.canonicalFilePath();
    m_nSaveFormat = SAVE_BY_EXTENSION;
    m_bModified = FALSE;
    PictureReplaced();
    return TRUE;
}

void CSkyloomDoc::PictureReplaced()
{
    m_size = m_dib.GetSize();
    m_rectImage = CRect(0, 0, m_size.cx, m_size.cy);
    // An undo copy of the old picture has no place in the new one.
    m_pUndo.reset();
    m_bUndoTakesStep = false;
    m_rectUndo.SetRectEmpty();
    emit pictureReplaced();
    emit stateChanged();
}

int CSkyloomDoc::SaveFormatForName(const QString& path, int nFormat)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return nFormat >= SAVE_JPEG && nFormat <= SAVE_PNG ? nFormat : SAVE_BY_EXTENSION;
    switch (ImageFileTypeFromName(QFile::encodeName(name.mid(dot)).constData())) {
    case EImageFileType::Bmp:
        return nFormat == SAVE_256_COLOR_BMP ? SAVE_256_COLOR_BMP : SAVE_BY_EXTENSION;
    case EImageFileType::Jpeg:
        return SAVE_JPEG;
    case EImageFileType::Png:
        return SAVE_PNG;
    case EImageFileType::Tga:
    case EImageFileType::Unknown:
        break;
    }
    return -1;
}

BOOL CSkyloomDoc::OnSaveDocument(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    BOOL bResult;
    switch (SaveFormatForName(path, m_nSaveFormat)) {
    case SAVE_JPEG:
        bResult = m_dib.SaveJPEG(name.constData());
        break;
    case SAVE_BY_EXTENSION:
        bResult = m_dib.SaveBMP(name.constData());
        break;
    case SAVE_256_COLOR_BMP:
        bResult = m_dib.Save256ColorBMP(name.constData());
        break;
    case SAVE_PNG:
        bResult = m_dib.SavePNG(name.constData(), m_recipe.ToText());
        break;
    default:
        return FALSE;
    }
    if (bResult)
        SetModifiedFlag(FALSE);
    return bResult;
}

BOOL CSkyloomDoc::SaveAs(const QString& path, int nFormat)
{
    const int nWriter = SaveFormatForName(path, nFormat);
    if (nWriter < 0)
        return FALSE;
    const int nOldFormat = m_nSaveFormat;
    m_nSaveFormat = nWriter;
    if (!OnSaveDocument(path)) {
        m_nSaveFormat = nOldFormat;
        return FALSE;
    }
    m_strPathName = QFileInfo(path).absoluteFilePath();
    emit stateChanged();
    return TRUE;
}

void CSkyloomDoc::SetModifiedFlag(BOOL bModified)
{
    if ((m_bModified != FALSE) == (bModified != FALSE))
        return;
    m_bModified = bModified ? TRUE : FALSE;
    emit stateChanged();
}

QString CSkyloomDoc::GetTitle() const
{
    return m_strPathName.isEmpty() ? QStringLiteral("Skyloom") : QFileInfo(m_strPathName).fileName();
}

BOOL CSkyloomDoc::SaveUndo(CRect rect)
{
    m_pUndo.reset();
    m_bUndoTakesStep = false;
    m_dib.FlipRect(rect);
    // The copy and the place it goes back to are the part inside the picture: a rectangle
    // reaching past the left or top edge would otherwise come back shifted.
    m_dib.ClipRect(rect);
    m_pUndo.reset(m_dib.Extract(rect));
    m_rectUndo = m_pUndo ? rect : CRect();
    return m_pUndo != nullptr;
}

void CSkyloomDoc::Undo()
{
    if (!m_pUndo)
        return;
    m_dib.Paste(*m_pUndo, m_rectUndo, TRUE, 0, 0);
    CRect changed = m_rectUndo;
    m_dib.FlipRect(changed);
    m_pUndo.reset();
    if (m_bUndoTakesStep && !m_recipe.m_steps.isEmpty())
        m_recipe.m_steps.removeLast();
    m_bUndoTakesStep = false;
    SetModifiedFlag();
    emit pixelsChanged(changed);
}

void CSkyloomDoc::DropUndo()
{
    m_pUndo.reset();
    m_bUndoTakesStep = false;
}

void CSkyloomDoc::AddRecipeStep(const CRecipeStep& step)
{
    m_recipe.m_steps.append(step);
    m_bUndoTakesStep = m_pUndo != nullptr;
}

void CSkyloomDoc::ClearRect(CRect rect)
{
    CRect clipped;
    if (!clipped.IntersectRect(rect, m_rectImage))
        return;
    CRect rows = clipped;
    m_dib.FlipRect(rows);
    m_dib.FillRect(BackgroundColour(), rows);
    CRecipeStep step;
    step.strEdit = QStringLiteral("Clear");
    AddRecipeStep(step);
    SetModifiedFlag();
    emit pixelsChanged(clipped);
}

std::unique_ptr<CGlobalBlock> CSkyloomDoc::CopyRectToGlobal(CRect rect) const
{
    CRect clipped;
    if (!clipped.IntersectRect(rect, m_rectImage))
        return nullptr;
    m_dib.FlipRect(clipped);
    return m_dib.CopyToGlobal(clipped);
}

void CSkyloomDoc::PasteImage(const CDib& src, CRect rect, BOOL bOpaque, COLORREF key,
                             DWORD tolerance)
{
    CRect visible;
    if (!visible.IntersectRect(rect, m_rectImage))
        return;
    m_dib.FlipRect(rect);
    m_dib.Paste(src, rect, bOpaque, key, tolerance);
    CRecipeStep step;
    step.strEdit = QStringLiteral("Paste");
    AddRecipeStep(step);
    SetModifiedFlag();
    emit pixelsChanged(visible);
}
