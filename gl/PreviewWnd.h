// The small pictures of the properties dialogs. Each preview owns its picture, sized to the
// dialog's preview frame, and shows it at its own size.
#pragma once

#include "../document/Dib.h"

#include <QWidget>

class CPreviewWnd : public QWidget
{
    Q_OBJECT
public:
    // The preview takes the place and size of the dialog's frame: 124 x 138 pixels.
    static constexpr int kWidth = 124;
    static constexpr int kHeight = 138;

    explicit CPreviewWnd(QWidget* pParent = nullptr);

    // Makes the picture the size of the window.
    virtual void ResizeBuffer();
    // Brings the picture up to date; the base only repaints.
    virtual void Refresh();

    const CDib& GetImage() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

    CDib m_image;
};

// The preview of a two-dimensional effect: renders the dialog's private effect from the
// dialog's fields, without progress.
class CEffectPreviewWnd : public CPreviewWnd
{
    Q_OBJECT
public:
    using CPreviewWnd::CPreviewWnd;

    // Fills the picture with the background colour, reads the dialog into its effect
    // (silently: a value being typed skips the refresh and keeps the old picture), draws a
    // seed from the tick count and keeps it for the next canvas render, then renders.
    void Refresh() override;
};

// The system tick count: a monotonic millisecond clock cut to 32 bits.
DWORD GetTickCount();
