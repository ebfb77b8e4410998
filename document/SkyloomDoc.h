// The one document: the picture the user paints on, its file, one level of undo and the
// region operations the canvas and the clipboard use. It asks nothing of the user itself:
// the application runs the dialogs and calls these operations with the answers.
#pragma once

#include "Dib.h"
#include "Recipe.h"
#include "RenderJob.h"
#include "SceneStep.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <QList>

#include <memory>

// Writers a save can use: the file types of Save As, in its order.
enum ESaveFormat {
    SAVE_JPEG = 0,
    SAVE_BY_EXTENSION = 1, // 24-bit BMP unless the name's extension says otherwise
    SAVE_256_COLOR_BMP = 2,
    SAVE_PNG = 3,
};

class CSkyloomDoc : public QObject
{
    Q_OBJECT
public:
    CSkyloomDoc();
    ~CSkyloomDoc() override;

    // New picture. The first one (at start-up) is 640 x 480; later ones take pNewSize, or
    // keep the present size when it is null (the size dialog was cancelled). Either way the
    // picture is filled with the background colour and the document is untitled, unmodified
    // and without undo. FALSE, with nothing changed, when the picture cannot be made.
    BOOL OnNewDocument(const CSize* pNewSize);
    // Takes dib over as the picture (dib is left empty): untitled, unmodified, no undo, and
    // a recipe that knows nothing of where the picture came from (SetRecipe tells it).
    void SetPicture(CDib& dib);
    // Reads path into the picture. On failure the picture, its size, path, title and
    // modified flag stay as they were. A PNG's recipe is kept as the document's; any other
    // file starts a recipe of its own.
    BOOL OnOpenDocument(const QString& path);
    // Writes the picture to path with the writer SaveFormatForName gives for m_nSaveFormat;
    // clears the modified flag on success. A failed save, or a name no writer has, leaves
    // any existing file as it was.
    BOOL OnSaveDocument(const QString& path);
    // Save As: writes path as SaveFormatForName(path, nFormat) says and, on success only,
    // takes path as the document's and that writer for later saves.
    BOOL SaveAs(const QString& path, int nFormat);

    // The writer a save of path uses when nFormat was chosen, so that the bytes always
    // match the name: its extension decides (".bmp" 24-bit BMP, or 256 colours when nFormat
    // asks for them; ".jpg" or ".jpeg" JPEG; ".png" PNG; any case), and only a name without
    // one takes nFormat (SAVE_BY_EXTENSION: 24-bit BMP). -1 for any other extension.
    static int SaveFormatForName(const QString& path, int nFormat);

    // Region operations; rectangles are in top-down picture coordinates, right and bottom
    // exclusive. Every one is clipped to the picture.
    // Fills rect with the background colour as one step of the history, named strStep
    // ("Clear" or "Cut"). FALSE, with nothing changed, when rect misses the picture or the
    // step cannot be kept (see SaveUndo).
    BOOL ClearRect(CRect rect, const QString& strStep);
    // The pixels of rect as a packed 24-bit bitmap; null when rect misses the picture or no
    // memory is left.
    std::unique_ptr<CGlobalBlock> CopyRectToGlobal(CRect rect) const;
    // Pastes src into rect (opaque, or leaving out pixels within tolerance of key) as one
    // step, "Paste" or "Transparent Paste". FALSE, with nothing changed, as ClearRect.
    BOOL PasteImage(const CDib& src, CRect rect, BOOL bOpaque, COLORREF key, DWORD tolerance);

    // The history: every change of the picture is one step of it. SaveUndo keeps the
    // pixels a change is about to alter, the change is made, then CommitUndo makes them
    // the newest step, or RestoreUndo puts them back when the change is called off.
    // Keeps the pixels of rect (clipped to the picture) ahead of a change. To make room
    // it drops the steps that could be redone, then the oldest steps (historyTrimmed says
    // how many of those); the newest is always kept. FALSE, with nothing kept, when the
    // copy alone is more than the undo memory ("UndoMemory" in the settings) or no memory
    // is left (undoRefused), or when rect misses the picture.
    BOOL SaveUndo(CRect rect);
    // What SaveUndo kept: the picture under the change in progress as it was before it
    // (the second picture of a render); null when no change is in progress.
    CDib* GetUndoImage() const { return m_pUndo.get(); }
    // The change is made: what SaveUndo kept becomes the newest step, named strName,
    // which takes recipeStep (the change's recipe entry, added now) back with its pixels.
    // The steps that could have been redone are dropped.
    void CommitUndo(const QString& strName, const CRecipeStep& recipeStep);
    // The change made the picture what recipe paints (Make Seamless): as CommitUndo, with
    // recipe replacing the document's, which undo puts back.
    void CommitRecipeChange(const QString& strName, const CRecipe& recipe);
    // The change is called off: what SaveUndo kept goes back into the picture and the
    // history stays as it was.
    void RestoreUndo();
    // Edit Undo and Redo: one step back or forward (nothing while a change is in progress).
    void Undo();
    void Redo();
    BOOL HasUndo() const { return m_history.canUndo(); }
    BOOL HasRedo() const { return m_history.canRedo(); }
    // The steps, for the History panel and the Undo and Redo texts. Its clean state is
    // the picture last saved (or made new, or opened).
    QUndoStack& GetHistory() { return m_history; }
    const QUndoStack& GetHistory() const { return m_history; }
    // The memory the steps hold, in bytes.
    qint64 GetHistoryBytes() const;
    // The memory they may hold: "UndoMemory" in bytes.
    static qint64 GetUndoBudget();
    // A smaller undo memory applies at once: the steps that could be redone, then the
    // oldest go until the history fits, the newest step always kept.
    void FitHistory();
    // The picture the history starts from, as its top row names it ("New Picture",
    // "Opened sky.png", and how many steps were dropped since).
    QString GetHistoryOrigin() const;
    // Without a history (skyloom-render) a change keeps no step once it is made, and the
    // copy a change in progress needs is not held to the undo memory.
    void SetKeepHistory(BOOL bKeep) { m_bKeepHistory = bKeep; }

    // A wrap-around picture is one tile of a plane in which it repeats: renders bring back
    // in at one edge what they paint past the opposite one. The recipe keeps the setting.
    bool IsWrapAround() const { return m_recipe.m_bWrapAround; }
    void SetWrapAround(bool bWrap);
    // A sky sphere: every step paints a patch of the sky the 2:1 panorama shows. Only a
    // picture twice as wide as high, not opened from a file, can be one; false, changing
    // nothing, for any other.
    bool IsSkySphere() const { return m_recipe.m_bSkySphere; }
    bool SetSkySphere(bool bSky);

    const CRecipe& GetRecipe() const { return m_recipe; }
    // Takes recipe as the picture's; its steps can be listed but not painted again in
    // place (their pixels are not in the history).
    void SetRecipe(const CRecipe& recipe);

    // The picture's steps, the first painted first: the recipe's steps with what painting
    // them again in place needs.
    int GetStepCount() const { return int(m_scene.size()); }
    const CSceneStep& GetStep(int nStep) const { return *m_scene[nStep]; }
    // Whether steps nFrom onward can be painted again: the picture before step nFrom can
    // be had back from the pixels they painted over, and no change is in progress.
    bool CanRepaintFrom(int nFrom) const;
    // Puts steps (unpainted) in the place of steps nFrom onward and paints them over the
    // picture before step nFrom, with one progress bar, as one entry of the history named
    // strName. RENDER_CANCELLED (Escape) and RENDER_NO_UNDO (the pixels before a step are
    // not kept, no memory, a step that cannot be painted) leave the picture byte for byte
    // and the history as they were; RENDER_BUSY while a render runs.
    ERenderOutcome RepaintScene(int nFrom, const QList<std::shared_ptr<CSceneStep>>& steps,
                                const QString& strName);
    // Paints the picture again dScale times as large, as a new untitled picture: its size
    // and every rectangle scaled (a paste keeps its pixels at its place scaled), values as
    // they were; its steps can be changed as the first ones could. RENDER_NOTHING for a
    // picture that did not begin as a new one, or a size that cannot be; RENDER_CANCELLED
    // (Escape) and RENDER_NO_UNDO (no memory) leave the picture as it was.
    ERenderOutcome PaintAgainAtSize(double dScale);

    CRect GetImageRect() const { return m_rectImage; }
    CDib& GetImage() { return m_dib; }
    const CDib& GetImage() const { return m_dib; }

    // The picture differs from the one last saved: the history is away from its clean
    // state. Clearing the flag makes the present step the clean one; setting it leaves the
    // clean state out of reach until the next save.
    BOOL IsModified() const { return !m_history.isClean(); }
    void SetModifiedFlag(BOOL bModified = TRUE);
    // The file of the picture; empty while untitled.
    QString GetPathName() const { return m_strPathName; }
    // The name shown in the title bar: the file's name, or "Untitled" while untitled.
    QString GetTitle() const;

    // Tells the views that pixels of rect (top-down) changed.
    void UpdateRect(const CRect& rect) { emit pixelsChanged(rect); }

    CDib m_dib;
    BOOL m_bFirstNew = TRUE;
    CSize m_size;
    // The pixels under the change in progress, kept by SaveUndo; null between changes.
    std::unique_ptr<CDib> m_pUndo;
    // Where m_pUndo belongs, in row coordinates of m_dib (bottom-up).
    CRect m_rectUndo;
    // The writer of a plain Save: by extension until a Save As picks one; New and Open go
    // back to it, so a file is saved in its own format.
    int m_nSaveFormat = SAVE_BY_EXTENSION;
    CRect m_rectImage;

signals:
    // A new picture or another size: views reset their scrolling and repaint everything.
    void pictureReplaced();
    // Pixels of rect (top-down picture coordinates) changed.
    void pixelsChanged(const CRect& rect);
    // The modified flag, path, title or history changed.
    void stateChanged();
    // nSteps of the oldest steps were dropped to make room in the undo memory.
    void historyTrimmed(int nSteps);
    // A change was not made: its undo copy could not be kept.
    void undoRefused();

private:
    friend class CHistoryEntry;
    friend class CUndoStep;
    friend class CSceneEdit;
    friend class CRecipeChange;

    // Steps nFrom onward become steps, and the recipe's steps with them.
    void SetSceneTail(int nFrom, const QList<std::shared_ptr<CSceneStep>>& steps);
    // The recipe's steps as steps of the scene whose pixels are not kept.
    void SceneFromRecipe();

    // The picture is another one now, started from strOrigin: an empty history, sizes
    // from the picture.
    void PictureReplaced(const QString& strOrigin);
    // Drops steps until the history and nBytes more fit the undo memory: the steps that
    // could be redone first (a new step drops them anyway), then the oldest, keeping the
    // nKeepNewest newest that are done. FALSE when nBytes alone do not fit.
    bool MakeRoom(qint64 nBytes, int nKeepNewest);
    // Rebuilds the history without its nOldest first and nRedo last steps; QUndoStack
    // cannot drop steps from its bottom itself.
    void DropSteps(int nOldest, int nRedo);
    // A step was undone or redone: it exchanged the pixels of rectRows.
    void StepMoved(const CRect& rectRows);

    QString m_strPathName;
    CRecipe m_recipe;
    // One for each of m_recipe.m_steps, in order.
    QList<std::shared_ptr<CSceneStep>> m_scene;
    QUndoStack m_history;
    bool m_bKeepHistory = true;
    // Steps walk over the stack's index without touching the picture.
    bool m_bRebuildingHistory = false;
    QString m_strOrigin;
    int m_nDroppedSteps = 0;
};
