// The pixels a GL effect draws on when it paints a rectangle of a picture.
#pragma once

#include "document/Dib.h"

// A rectangle that lies inside the picture is drawn on the picture's own rows, with no
// copy of them; one that reaches past an edge is drawn on an off-screen picture of its
// size, whose part inside is pasted back by Finish. On a wrap-around picture the area is
// always such a copy, and all of it lands in the picture, its parts past an edge at the
// opposite one. The GL context goes on Pixels().
class CGLDrawingArea
{
public:
    // The part of rows (row coordinates of image) a GL effect draws on: all of it, or,
    // for a rectangle reaching farther past the picture than its own width and height (a
    // planet's horizon), only its part inside, the effect moving its view by that part's
    // corner. Memory and copies then follow what shows. Nearer rectangles keep the whole
    // area they were always drawn on: the moved view rounds a few points differently.
    static CRect DrawnPart(const CDib& image, const CRect& rows);

    // rows: row coordinates of image, which must outlive the area. FALSE when the memory
    // of a copy cannot be had.
    BOOL Create(CDib& image, const CRect& rows, bool bWrapAround = false);
    CDib& Pixels() { return m_pixels; }
    // Starts the area as background: the saved copy of the rectangle (usually only of its
    // part inside the picture, which belongs at that part's place; one of any other size
    // goes at the area's corner). Wrapping, the area starts as the picture's own pixels
    // repeated past its edges, and background is not needed.
    void PasteBackground(const CDib& background);
    // While Pixels()' context is current: reads the area's rows [first, last) (GL window
    // rows, from the bottom) back from the drawing under way into the picture, and returns
    // the picture's rows (row coordinates) they cover; the drawing goes on undisturbed.
    CRect Reveal(int first, int last);
    // The part of the area that shows in the picture, in the area's own rows: all of it
    // when wrapping.
    CRect VisiblePart() const;
    // Puts a copy's part inside the picture back into it; a view has drawn there already.
    void Finish();

private:
    CDib* m_pImage = nullptr;
    CRect m_rows;
    bool m_bCopy = false;
    bool m_bWrap = false;
    CDib m_pixels;
};
