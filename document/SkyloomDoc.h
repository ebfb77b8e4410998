// The one document: the picture the user paints on, its file, one level of undo and the
// region operations the canvas and the clipboard use. It asks nothing of the user itself:
// the application runs the dialogs and calls these operations with the answers.
#pragma once

#include "Dib.h"
#include "Recipe.h"

#include <QObject>
#include <QString>

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
    // Keeps the pixels of rect as the undo copy; FALSE when no copy could be made.
    BOOL SaveUndo(CRect rect);
    // Puts the undo copy back and drops it, with the recipe's step it took back; marks the
    // document modified.
    void Undo();
    BOOL HasUndo() const { return m_pUndo != nullptr; }
    CDib* GetUndoImage() const { return m_pUndo.get(); }
    void DropUndo();
    // Fills rect with the background colour and marks the document modified.
    void ClearRect(CRect rect);
    // Adds a step to the recipe; the next Undo takes it back with the pixels when the undo
    // copy was made for it (SaveUndo just before).
    void AddRecipeStep(const CRecipeStep& step);
    const CRecipe& GetRecipe() const { return m_recipe; }
    void SetRecipe(const CRecipe& recipe) { m_recipe = recipe; }
    // The pixels of rect as a packed 24-bit bitmap; null when rect misses the picture or no
    // memory is left.
    std::unique_ptr<CGlobalBlock> CopyRectToGlobal(CRect rect) const;
    // Pastes src into rect (opaque, or leaving out pixels within tolerance of key).
    void PasteImage(const CDib& src, CRect rect, BOOL bOpaque, COLORREF key, DWORD tolerance);

    CRect GetImageRect() const { return m_rectImage; }
    CDib& GetImage() { return m_dib; }
    const CDib& GetImage() const { return m_dib; }

    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL bModified = TRUE);
    // The file of the picture; empty while untitled.
    QString GetPathName() const { return m_strPathName; }
    // The name shown in the title bar: the file's name, or "Skyloom" while untitled.
    QString GetTitle() const;

    // Tells the views that pixels of rect (top-down) changed.
    void UpdateRect(const CRect& rect) { emit pixelsChanged(rect); }

    CDib m_dib;
    BOOL m_bFirstNew = TRUE;
    CSize m_size;
    std::unique_ptr<CDib> m_pUndo;
    // Where the undo copy belongs, in row coordinates of m_dib (bottom-up).
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
    // The modified flag, path or title changed.
    void stateChanged();

private:
    // The picture is another one now: no undo, sizes from the picture.
    void PictureReplaced();

    BOOL m_bModified = FALSE;
    QString m_strPathName;
    CRecipe m_recipe;
    // Whether the undo copy belongs to the recipe's last step.
    bool m_bUndoTakesStep = false;
};
