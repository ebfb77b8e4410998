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
    if (ImageFileTypeFromName(name.constData()) == EImageFileType::Png) {
        if (!m_dib.LoadPNG(name.constData(), &recipeText))
            return FALSE;
        // A damaged recipe is dropped (FromText leaves ours): the picture itself is sound.
        if (!recipeText.isEmpty())
            CRecipe::FromText(recipeText, recipe, why);
    } else if (!m_dib.Load(name.constData())) {
        return FALSE;
    }
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

BOOL CSkyloomDoc::HasWriter(const QString& path, int nFormat)
{
    if (nFormat == SAVE_JPEG || nFormat == SAVE_256_COLOR_BMP || nFormat == SAVE_PNG)
        return TRUE;
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return TRUE; // no extension: BMP
    const QString ext = name.mid(dot).toLower();
    return ext == QLatin1String(".bmp") || ext == QLatin1String(".jpg") ||
           ext == QLatin1String(".png");
}

BOOL CSkyloomDoc::OnSaveDocument(const QString& path)
{
    if (!HasWriter(path, m_nSaveFormat))
        return FALSE;
    const QByteArray name = QFile::encodeName(path);
    BOOL bResult;
    switch (m_nSaveFormat) {
    case SAVE_JPEG:
        bResult = m_dib.SaveJPEG(name.constData());
        break;
    case SAVE_256_COLOR_BMP:
        bResult = m_dib.Save256ColorBMP(name.constData());
        break;
    case SAVE_PNG:
        bResult = m_dib.SavePNG(name.constData(), m_recipe.ToText());
        break;
    default:
        // A PNG by its name carries the recipe as well.
        bResult = ImageFileTypeFromName(name.constData()) == EImageFileType::Png
                      ? m_dib.SavePNG(name.constData(), m_recipe.ToText())
                      : m_dib.Save(name.constData());
        break;
    }
    if (bResult)
        SetModifiedFlag(FALSE);
    return bResult;
}

BOOL CSkyloomDoc::SaveAs(const QString& path, int nFormat)
{
    const int nOldFormat = m_nSaveFormat;
    m_nSaveFormat = nFormat;
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
