#include "SkyloomDoc.h"

#include "UndoStep.h"
#include "SceneRepaint.h"
#include "Settings.h"
#include "../effects/Color.h"
#include "../imagefile/ImageFile.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

CSkyloomDoc::CSkyloomDoc()
{
    // The title's mark, the Undo and Redo texts and the History follow the stack.
    connect(&m_history, &QUndoStack::cleanChanged, this, &CSkyloomDoc::stateChanged);
    connect(&m_history, &QUndoStack::indexChanged, this, &CSkyloomDoc::stateChanged);
}

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
    SetRecipe(CRecipe::ForNewPicture(size, BackgroundColour()));
    m_strPathName.clear();
    m_nSaveFormat = SAVE_BY_EXTENSION;
    PictureReplaced(QStringLiteral("New Picture"));
    return TRUE;
}

void CSkyloomDoc::SetPicture(CDib& dib)
{
    CDib empty;
    m_dib.Swap(dib);
    dib.Swap(empty);
    SetRecipe(CRecipe());
    m_bFirstNew = FALSE;
    m_strPathName.clear();
    PictureReplaced(QStringLiteral("Picture"));
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
    SetRecipe(recipe);
    m_bFirstNew = FALSE;
    // One name for one file, however it was reached (links, "..").
    m_strPathName = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath()
                                                       : info.canonicalFilePath();
    m_nSaveFormat = SAVE_BY_EXTENSION;
    PictureReplaced(QStringLiteral("Opened %1").arg(info.fileName()));
    return TRUE;
}

void CSkyloomDoc::PictureReplaced(const QString& strOrigin)
{
    m_size = m_dib.GetSize();
    m_rectImage = CRect(0, 0, m_size.cx, m_size.cy);
    // Steps of the old picture have no place in the new one; an empty stack is clean.
    m_pUndo.reset();
    m_rectUndo.SetRectEmpty();
    // (clear() leaves an empty stack's clean state as it was.)
    m_history.clear();
    m_history.setClean();
    m_strOrigin = strOrigin;
    m_nDroppedSteps = 0;
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
    // The stack tells of a change of its clean state (cleanChanged); an unchanged flag
    // leaves the saved step where it is, so that undoing back to it still clears the flag.
    if (!bModified)
        m_history.setClean();
    else if (m_history.isClean())
        m_history.resetClean();
}

QString CSkyloomDoc::GetTitle() const
{
    return m_strPathName.isEmpty() ? QStringLiteral("Untitled")
                                   : QFileInfo(m_strPathName).fileName();
}

qint64 CSkyloomDoc::GetUndoBudget()
{
    return qint64(g_nUndoMemory) << 20;
}

void CSkyloomDoc::SetRecipe(const CRecipe& recipe)
{
    m_recipe = recipe;
    SceneFromRecipe();
}

void CSkyloomDoc::SceneFromRecipe()
{
    m_scene.clear();
    for (const CRecipeStep& recipeStep : m_recipe.m_steps) {
        auto pStep = std::make_shared<CSceneStep>();
        pStep->recipe = recipeStep;
        pStep->strName = SceneStepName(recipeStep);
        // Painted before this document kept its pixels: marked as not kept.
        pStep->rectRows = CRect(0, 0, 1, 1);
        m_scene.append(pStep);
    }
}

void CSkyloomDoc::SetSceneTail(int nFrom, const QList<std::shared_ptr<CSceneStep>>& steps)
{
    nFrom = std::clamp(nFrom, 0, GetStepCount());
    m_scene.resize(nFrom);
    m_recipe.m_steps.resize(nFrom);
    for (const auto& pStep : steps) {
        m_scene.append(pStep);
        m_recipe.m_steps.append(pStep->recipe);
    }
}

bool CSkyloomDoc::CanRepaintFrom(int nFrom) const
{
    if (nFrom < 0 || nFrom >= m_scene.size() || m_pUndo || !m_bKeepHistory)
        return false;
    return std::all_of(m_scene.begin() + nFrom, m_scene.end(),
                       [](const auto& pStep) { return pStep->IsKept(); });
}

qint64 CSkyloomDoc::GetHistoryBytes() const
{
    qint64 nBytes = 0;
    for (int i = 0; i < m_history.count(); ++i)
        nBytes += static_cast<const CHistoryEntry*>(m_history.command(i))->Bytes();
    return nBytes;
}

QString CSkyloomDoc::GetHistoryOrigin() const
{
    if (m_nDroppedSteps == 0)
        return m_strOrigin;
    return m_nDroppedSteps == 1
               ? QStringLiteral("%1, then 1 step no longer kept").arg(m_strOrigin)
               : QStringLiteral("%1, then %2 steps no longer kept").arg(m_strOrigin).arg(m_nDroppedSteps);
}

bool CSkyloomDoc::MakeRoom(qint64 nBytes, int nKeepNewest)
{
    const qint64 nBudget = GetUndoBudget();
    if (nBytes > nBudget)
        return false;
    const int nCount = m_history.count();
    const int nIndex = m_history.index();
    std::vector<qint64> sizes(nCount);
    qint64 nTotal = 0;
    for (int i = 0; i < nCount; ++i)
        nTotal += sizes[i] = static_cast<const CHistoryEntry*>(m_history.command(i))->Bytes();
    int nRedo = 0, nOldest = 0;
    if (nTotal + nBytes > nBudget) {
        for (; nRedo < nCount - nIndex; ++nRedo)
            nTotal -= sizes[nCount - 1 - nRedo];
    }
    while (nTotal + nBytes > nBudget && nOldest < nIndex - nKeepNewest)
        nTotal -= sizes[nOldest++];
    if (nOldest > 0 || nRedo > 0)
        DropSteps(nOldest, nRedo);
    if (nOldest > 0)
        emit historyTrimmed(nOldest);
    return true;
}

void CSkyloomDoc::DropSteps(int nOldest, int nRedo)
{
    const int nEnd = m_history.count() - nRedo;
    const int nIndex = std::min(m_history.index(), nEnd) - nOldest;
    const int nClean = m_history.cleanIndex();
    std::vector<std::unique_ptr<CHistoryEntry>> kept;
    // The stack hands its commands out as const; they are ours, and the old ones are
    // deleted unused right after.
    const auto entry = [this](int i) {
        return const_cast<CHistoryEntry*>(static_cast<const CHistoryEntry*>(m_history.command(i)));
    };
    for (int i = 0; i < nOldest; ++i)
        entry(i)->Forget();
    for (int i = nOldest; i < nEnd; ++i)
        kept.push_back(entry(i)->TakeOver());
    m_bRebuildingHistory = true;
    m_history.clear();
    for (auto& pStep : kept)
        m_history.push(pStep.release());
    if (nClean >= nOldest && nClean <= nEnd) {
        m_history.setIndex(nClean - nOldest);
        m_history.setClean();
    } else {
        // The saved picture is no longer in the history: nothing but a save is clean.
        m_history.resetClean();
    }
    m_history.setIndex(nIndex);
    m_bRebuildingHistory = false;
    m_nDroppedSteps += nOldest;
    emit stateChanged();
}

void CSkyloomDoc::FitHistory()
{
    if (!m_pUndo)
        MakeRoom(0, 1);
}

BOOL CSkyloomDoc::SaveUndo(CRect rect)
{
    m_pUndo.reset();
    m_dib.FlipRect(rect);
    // The copy and the place it goes back to are the part inside the picture: a rectangle
    // reaching past the left or top edge would otherwise come back shifted.
    m_dib.ClipRect(rect);
    m_rectUndo.SetRectEmpty();
    if (rect.IsRectEmpty())
        return FALSE;
    if (m_bKeepHistory && !MakeRoom(UndoStepBytes(rect), 0)) {
        emit undoRefused();
        return FALSE;
    }
    m_pUndo.reset(m_dib.Extract(rect));
    if (!m_pUndo) {
        emit undoRefused();
        return FALSE;
    }
    m_rectUndo = rect;
    return TRUE;
}

void CSkyloomDoc::CommitUndo(const QString& strName, const CRecipeStep& recipeStep)
{
    if (!m_pUndo)
        return;
    auto pStep = std::make_shared<CSceneStep>();
    pStep->recipe = recipeStep;
    pStep->strName = strName;
    pStep->rectRows = m_rectUndo;
    pStep->pBefore = std::move(m_pUndo);
    if (!m_bKeepHistory) {
        pStep->pBefore.reset();
        SetSceneTail(GetStepCount(), {pStep});
        SetModifiedFlag(TRUE);
        return;
    }
    SetSceneTail(GetStepCount(), {pStep});
    // Pushed done: the stack's redo() of a new step finds the change made.
    m_history.push(new CUndoStep(*this, pStep));
}

void CSkyloomDoc::CommitRecipeChange(const QString& strName, const CRecipe& recipe)
{
    if (!m_pUndo)
        return;
    const CRecipe before = m_recipe;
    m_recipe = recipe;
    SceneFromRecipe();
    if (!m_bKeepHistory) {
        m_pUndo.reset();
        SetModifiedFlag(TRUE);
        return;
    }
    m_history.push(new CRecipeChange(*this, strName, std::move(m_pUndo), m_rectUndo, before));
}

void CSkyloomDoc::SetWrapAround(bool bWrap)
{
    if (m_recipe.m_bWrapAround == bWrap)
        return;
    m_recipe.m_bWrapAround = bWrap;
    emit stateChanged();
}

bool CSkyloomDoc::SetSkySphere(bool bSky)
{
    const CSize size = m_dib.GetSize();
    if (bSky && (m_recipe.m_start == CRecipe::OpenedFile || size.cx != 2 * size.cy))
        return false;
    if (m_recipe.m_bSkySphere != bSky) {
        m_recipe.m_bSkySphere = bSky;
        emit stateChanged();
    }
    return true;
}

void CSkyloomDoc::RestoreUndo()
{
    if (!m_pUndo)
        return;
    m_dib.CopyRect(m_rectUndo.left, m_rectUndo.top, m_rectUndo.Width(), m_rectUndo.Height(),
                   *m_pUndo, 0, 0);
    m_pUndo.reset();
    CRect changed = m_rectUndo;
    m_dib.FlipRect(changed);
    emit pixelsChanged(changed);
}

void CSkyloomDoc::Undo()
{
    if (!m_pUndo)
        m_history.undo();
}

void CSkyloomDoc::Redo()
{
    if (!m_pUndo)
        m_history.redo();
}

void CSkyloomDoc::StepMoved(const CRect& rectRows)
{
    CRect changed = rectRows;
    m_dib.FlipRect(changed);
    emit pixelsChanged(changed);
}

BOOL CSkyloomDoc::ClearRect(CRect rect, const QString& strStep)
{
    CRect clipped;
    if (!clipped.IntersectRect(rect, m_rectImage) || !SaveUndo(clipped))
        return FALSE;
    CRect rows = clipped;
    m_dib.FlipRect(rows);
    m_dib.FillRect(BackgroundColour(), rows);
    CRecipeStep step;
    step.strEdit = QStringLiteral("Clear");
    // What the step list needs to clear it again when an earlier step is repainted.
    step.rect = clipped;
    step.values = {{QStringLiteral("Color"),
                    QString::asprintf("%06X", unsigned(BackgroundColour() & 0xFFFFFF))}};
    CommitUndo(strStep, step);
    emit pixelsChanged(clipped);
    return TRUE;
}

std::unique_ptr<CGlobalBlock> CSkyloomDoc::CopyRectToGlobal(CRect rect) const
{
    CRect clipped;
    if (!clipped.IntersectRect(rect, m_rectImage))
        return nullptr;
    m_dib.FlipRect(clipped);
    return m_dib.CopyToGlobal(clipped);
}

BOOL CSkyloomDoc::PasteImage(const CDib& src, CRect rect, BOOL bOpaque, COLORREF key,
                             DWORD tolerance)
{
    CRect visible;
    if (!visible.IntersectRect(rect, m_rectImage) || !SaveUndo(rect))
        return FALSE;
    const CRect pasted = rect;
    m_dib.FlipRect(rect);
    m_dib.Paste(src, rect, bOpaque, key, tolerance);
    CRecipeStep step;
    step.strEdit = QStringLiteral("Paste");
    step.rect = pasted;
    CommitUndo(bOpaque ? QStringLiteral("Paste") : QStringLiteral("Transparent Paste"), step);
    if (m_bKeepHistory && !m_scene.isEmpty()) {
        // Its pixels and how they went in, to place them again.
        CSceneStep& scene = *m_scene.last();
        scene.pPasted.reset(src.Extract(CRect(0, 0, src.m_nWidth, src.m_nHeight)));
        scene.bOpaque = bOpaque;
        scene.key = key;
        scene.tolerance = tolerance;
    }
    emit pixelsChanged(visible);
    return TRUE;
}
