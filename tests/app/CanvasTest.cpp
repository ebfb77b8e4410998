// The canvas through the real main window: zoom and its commands, gestures at other zooms,
// renders watched while they run, the keyboard, the frame's size on the screen and help.
#include "WindowTestSupport.h"

#include "app/Commands.h"
#include "app/HelpWindow.h"
#include "app/StringTable.h"
#include "effects/Random.h"
#include "view/PreviewHostDlg.h"
#include "effects/ProgressMeter.h"
#include "document/RenderJob.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

// Stands in for the desktop's programs: counts what would have been opened.
class CUrlCatcher : public QObject
{
    Q_OBJECT
public:
    int nOpened = 0;
public slots:
    void Open(const QUrl&) { ++nOpened; }
};

namespace {

class CanvasTest : public WindowTest
{
public:
    CSkyloomView* TheView() { return View(); }
    QPoint Margin() { return CanvasMargin(); }

    void NewPicture(int width, int height)
    {
        m_pUi->sizes = {CSize(width, height)};
        Command(ID_FILE_NEW);
        QApplication::processEvents();
        ASSERT_EQ(Picture().GetSize(), CSize(width, height));
    }
    void Wheel(QPoint pt, int delta)
    {
        QWidget* pViewport = View()->viewport();
        QWheelEvent event(pt, pViewport->mapToGlobal(pt), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pViewport, &event);
    }
    // Picture point p on the viewport at zoom num / den (whole screen pixels).
    QPoint At(CPoint p, int num, int den)
    {
        const CPoint scroll = View()->GetScrollPosition();
        return QPoint(p.x * num / den - scroll.x, p.y * num / den - scroll.y);
    }
    // A new picture of the colour 0x000010, unmodified and fitted in the window; returns a
    // copy of it.
    std::unique_ptr<CDib> NewFittedBackground(int width, int height)
    {
        NewPicture(width, height);
        Picture().Fill(0x000010);
        Doc().SetModifiedFlag(FALSE);
        Command(ID_VIEW_ZOOM_FIT);
        QApplication::processEvents();
        return CopyOfPicture();
    }
    std::unique_ptr<CDib> CopyOfPicture()
    {
        auto pCopy = std::make_unique<CDib>();
        pCopy->Create(Picture().m_nWidth, Picture().m_nHeight);
        pCopy->Paste(Picture(), CRect(0, 0, Picture().m_nWidth, Picture().m_nHeight), TRUE, 0, 0);
        return pCopy;
    }
};

// Each zoom command, the status pane, Fit in Window, and Ctrl+wheel about the pointer.
TEST_F(CanvasTest, ZoomCommandsAndWheelAboutThePointer)
{
    EXPECT_EQ(Frame()->GetPaneText(4), QStringLiteral("100%"));
    Command(ID_VIEW_ZOOM_IN);
    EXPECT_EQ(Frame()->GetPaneText(4), QStringLiteral("150%"));
    EXPECT_EQ(View()->ZoomedPictureSize(), QSize(960, 720));
    Command(ID_VIEW_ZOOM_IN);
    EXPECT_EQ(View()->GetZoom(), 2.0);
    for (int i = 0; i < 10; ++i)
        Command(ID_VIEW_ZOOM_IN);
    EXPECT_EQ(Frame()->GetPaneText(4), QStringLiteral("1600%"));
    Command(ID_VIEW_ZOOM_ACTUAL);
    EXPECT_EQ(View()->GetZoom(), 1.0);
    Command(ID_VIEW_ZOOM_OUT);
    EXPECT_EQ(Frame()->GetPaneText(4), QStringLiteral("66.7%"));
    Command(ID_VIEW_ZOOM_OUT);
    Command(ID_VIEW_ZOOM_OUT);
    EXPECT_EQ(Frame()->GetPaneText(4), QStringLiteral("33.3%"));
    for (int i = 0; i < 10; ++i)
        Command(ID_VIEW_ZOOM_OUT);
    EXPECT_EQ(Frame()->GetPaneText(4), QStringLiteral("6.25%"));
    // The menu's keys.
    EXPECT_EQ(Frame()->GetAction(ID_VIEW_ZOOM_IN)->shortcuts().size(), 2);
    EXPECT_EQ(Frame()->GetAction(ID_VIEW_ZOOM_FIT)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+0")));
    EXPECT_EQ(Frame()->GetAction(ID_VIEW_ZOOM_ACTUAL)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+1")));

    // Fit: the whole picture, filling the viewport on one side, no scroll bars. (The window
    // grew for the new picture; at its old size the wheel steps below keep the picture
    // larger than the viewport.)
    NewPicture(3000, 2000);
    Frame()->resize(600, 500);
    QApplication::processEvents();
    Command(ID_VIEW_ZOOM_FIT);
    QApplication::processEvents();
    const QSize room = View()->maximumViewportSize();
    const QSize shown = View()->ZoomedPictureSize();
    EXPECT_TRUE(shown.width() == room.width() || shown.height() == room.height());
    EXPECT_LE(shown.width(), room.width());
    EXPECT_LE(shown.height(), room.height());
    EXPECT_FALSE(View()->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(View()->verticalScrollBar()->isVisible());
    // Zoom In from a fit goes to the next step above it.
    Command(ID_VIEW_ZOOM_IN);
    EXPECT_GT(View()->GetZoom(), double(shown.width()) / 3000);
    EXPECT_LE(View()->GetZoom(), 1.0 / 3 + 1e-9);

    // Ctrl+wheel: the picture pixel under the pointer stays under it.
    Command(ID_VIEW_ZOOM_ACTUAL);
    View()->ScrollToPosition(CPoint(1001, 777));
    const QPoint pointer(301, 203);
    const CPoint under = View()->LogicalFromViewport(pointer);
    EXPECT_EQ(under, CPoint(1302, 980));
    const char* expected[] = {"150%", "200%", "300%", "400%", "300%", "200%", "150%", "100%"};
    const int deltas[] = {120, 120, 120, 120, -120, -120, -120, -120};
    for (int i = 0; i < 8; ++i) {
        Wheel(pointer, deltas[i]);
        EXPECT_EQ(Frame()->GetPaneText(4), QLatin1String(expected[i]));
        EXPECT_EQ(View()->LogicalFromViewport(pointer), under) << expected[i];
    }
    // Below 100 % a screen pixel covers more than one picture pixel: the one under the
    // pointer's screen pixel is at most one away.
    for (const char* zoom : {"66.7%", "50%", "33.3%"}) {
        Wheel(pointer, -120);
        EXPECT_EQ(Frame()->GetPaneText(4), QLatin1String(zoom));
        const CPoint now = View()->LogicalFromViewport(pointer);
        EXPECT_LE(std::abs(now.x - under.x) + std::abs(now.y - under.y), 4) << zoom;
    }
}

// What the canvas shows: sharp squares at 800 % where the picture has them, and a smooth
// reduction at 25 %, both at the place the mouse mapping gives.
TEST_F(CanvasTest, CanvasShowsThePictureWhereTheMouseFindsIt)
{
    NewPicture(8000, 8000);
    Picture().SetPixel(1841, 7999 - 5474, 0xFFFFFF);
    Picture().SetPixel(1842, 7999 - 5474, 0x0000FF);
    Picture().FillRect(0x00FF00, CRect(1200, 7999 - 803, 1204, 7999 - 799));
    // The canvas showed the new picture fitted: its reduced copies must learn of the change.
    View()->PicturePainted(CRect(1200, 7999 - 5474, 1843, 7999 - 799));
    View()->SetZoom(8, 1, QPoint());
    View()->ScrollToPosition(CPoint(1841 * 8 - 100, 5474 * 8 - 96));
    ASSERT_EQ(View()->LogicalFromViewport(QPoint(100, 96)), CPoint(1841, 5474));
    QImage canvas = View()->viewport()->grab().toImage();
    for (int y = 96; y < 104; ++y)
        for (int x = 100; x < 108; ++x) {
            ASSERT_EQ(canvas.pixel(x, y), qRgb(255, 255, 255)) << x << ", " << y;
            ASSERT_EQ(canvas.pixel(x + 8, y), qRgb(0, 0, 255)) << x << ", " << y;
        }
    EXPECT_EQ(canvas.pixel(99, 96), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(116, 96), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(100, 95), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(100, 104), qRgb(0, 0, 0));

    // At 25 % a 4 x 4 block becomes one screen pixel of its colour.
    View()->SetZoom(1, 4, QPoint());
    View()->ScrollToPosition(CPoint(300 - 50, 200 - 40));
    const CPoint scroll = View()->GetScrollPosition();
    canvas = View()->viewport()->grab().toImage();
    EXPECT_EQ(canvas.pixel(300 - scroll.x, 200 - scroll.y), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(301 - scroll.x, 201 - scroll.y), qRgb(0, 0, 0));
}

// A drag at 50 % and at 400 % renders exactly what the same picture rectangle renders at
// 100 %, for a per-pixel effect and a lit one.
TEST_F(CanvasTest, DragsAtOtherZoomsRenderTheSamePixels)
{
    for (const int nTool : {ID_TOOL_NEBULA, ID_TOOL_EARTH}) {
        struct CCase
        {
            int num, den;
            CRect rect;
        };
        for (const CCase& c : {CCase{1, 2, CRect(100, 50, 300, 200)},
                               CCase{4, 1, CRect(100, 50, 250, 150)}}) {
            const CPoint from(c.rect.right, c.rect.bottom), to(c.rect.left, c.rect.top);
            NewPicture(640, 480);
            Command(ID_VIEW_ZOOM_ACTUAL);
            Command(nTool);
            g_nEffectSeed = 777;
            Drag(At(from, 1, 1), At(to, 1, 1));
            const auto pAtActualSize = CopyOfPicture();

            NewPicture(640, 480);
            View()->SetZoom(c.num, c.den, QPoint());
            View()->ScrollToPosition(CPoint(c.rect.left * c.num / c.den - 8,
                                            c.rect.top * c.num / c.den - 8));
            Command(nTool);
            g_nEffectSeed = 777;
            Press(At(from, c.num, c.den));
            Move(At(CPoint(200, 120), c.num, c.den));
            Move(At(to, c.num, c.den));
            EXPECT_EQ(View()->GetDragRect(), c.rect);
            EXPECT_EQ(Frame()->GetPaneText(2),
                      QStringLiteral("(%1, %2) - (%3, %4) = (%5, %6)")
                          .arg(c.rect.left).arg(c.rect.top).arg(c.rect.right)
                          .arg(c.rect.bottom).arg(c.rect.Width()).arg(c.rect.Height()));
            Release(At(to, c.num, c.den));
            EXPECT_TRUE(SamePicture(*pAtActualSize, Picture()))
                << nTool << " at " << c.num << "/" << c.den;
            EXPECT_FALSE(SameBytes(*CopyOfPicture(), *[] {
                auto p = std::make_unique<CDib>();
                p->Create(640, 480);
                return p;
            }()));
        }
    }

    // At Fit a square picture in a wide window is centred, with a dark grey backdrop on
    // either side, and a drag there, in the viewport's own coordinates, still renders what
    // the same picture rectangle renders at 100 %.
    NewPicture(480, 480);
    Frame()->resize(1000, 500);
    QApplication::processEvents();
    Command(ID_VIEW_ZOOM_FIT);
    QApplication::processEvents();
    const double zoom = View()->GetZoom();
    ASSERT_LT(zoom, 1.0);
    const QSize room = View()->viewport()->size(), shown = View()->ZoomedPictureSize();
    ASSERT_GT(room.width(), shown.width() + 100);
    const QPoint margin((room.width() - shown.width()) / 2, (room.height() - shown.height()) / 2);
    Picture().Fill(0x204060);
    const QImage canvas = View()->viewport()->grab().toImage();
    const int mid = shown.height() / 2;
    EXPECT_EQ(canvas.pixel(margin.x() - 1, mid), qRgb(0x3c, 0x3c, 0x3c));
    EXPECT_EQ(canvas.pixel(margin.x(), mid), qRgb(0x20, 0x40, 0x60));
    EXPECT_EQ(canvas.pixel(margin.x() + shown.width() - 1, mid), qRgb(0x20, 0x40, 0x60));
    EXPECT_EQ(canvas.pixel(margin.x() + shown.width(), mid), qRgb(0x3c, 0x3c, 0x3c));
    Picture().Fill(0);
    const QPoint from = margin + QPoint(301, 203), to = margin + QPoint(67, 41);
    const auto picturePoint = [&](QPoint s) {
        return CPoint(int(std::floor((s.x() - margin.x() + 0.5) / zoom)),
                      int(std::floor((s.y() - margin.y() + 0.5) / zoom)));
    };
    const CPoint a = picturePoint(to), b = picturePoint(from);
    const CRect rect(a.x, a.y, b.x, b.y);
    Command(ID_TOOL_NEBULA);
    g_nEffectSeed = 778;
    for (const auto& [type, pt] : {std::pair{QEvent::MouseButtonPress, from},
                                   std::pair{QEvent::MouseMove, to}}) {
        QMouseEvent event(type, pt, View()->viewport()->mapToGlobal(pt), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(View()->viewport(), &event);
    }
    EXPECT_EQ(View()->GetDragRect(), rect);
    QMouseEvent up(QEvent::MouseButtonRelease, to, View()->viewport()->mapToGlobal(to),
                   Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(View()->viewport(), &up);
    const auto pAtFit = CopyOfPicture();
    NewPicture(480, 480);
    Command(ID_VIEW_ZOOM_ACTUAL);
    g_nEffectSeed = 778;
    Drag(At(CPoint(rect.right, rect.bottom), 1, 1), At(CPoint(rect.left, rect.top), 1, 1));
    EXPECT_TRUE(SamePicture(*pAtFit, Picture()));
}

// At 200 %: the selection, its status text and paste placement stay in picture pixels.
TEST_F(CanvasTest, SelectionAndPastePlacementAt200Percent)
{
    Command(ID_VIEW_ZOOM_IN);
    Command(ID_VIEW_ZOOM_IN);
    ASSERT_EQ(View()->GetZoom(), 2.0);
    View()->ScrollToPosition(CPoint(100, 60));
    Command(ID_TOOL_SELECT);
    // Screen (20, 20) is picture (60, 40); screen (221, 121) is picture (160, 90).
    Press(QPoint(20, 20));
    Move(QPoint(221, 121));
    EXPECT_EQ(Frame()->GetPaneText(1), QStringLiteral("160, 90"));
    EXPECT_EQ(Frame()->GetPaneText(2), QStringLiteral("(60, 40) - (160, 90) = (100, 50)"));
    Release(QPoint(221, 121));
    EXPECT_EQ(View()->GetSelection(), CRect(60, 40, 160, 90));

    // The frame starts at the visible top-left corner and is centred on the pointer.
    auto pImage = std::make_unique<CDib>();
    pImage->Create(20, 10);
    pImage->Fill(0xFFFFFF);
    ASSERT_TRUE(View()->BeginPastePlacement(std::move(pImage)));
    EXPECT_EQ(View()->GetPasteRect(), CRect(50, 30, 70, 40));
    Move(QPoint(300, 200), false); // picture (200, 130)
    EXPECT_EQ(View()->GetPasteRect(), CRect(190, 125, 210, 135));
    Press(QPoint(300, 200));
    Release(QPoint(300, 200));
    EXPECT_FALSE(View()->IsPasting());
    EXPECT_TRUE(PixelIs(Picture(), 190, 479 - 125, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(Picture(), 209, 479 - 134, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(Picture(), 189, 479 - 125, 0));
    EXPECT_TRUE(PixelIs(Picture(), 210, 479 - 134, 0));
    EXPECT_TRUE(PixelIs(Picture(), 190, 479 - 135, 0));

    // At 50 % the picture sits centred in the viewport: the frame starts at its top-left
    // corner, not off the picture where the viewport's corner is.
    View()->SetZoom(1, 2, QPoint());
    ASSERT_GT(View()->viewport()->width(), View()->ZoomedPictureSize().width());
    pImage = std::make_unique<CDib>();
    pImage->Create(20, 10);
    ASSERT_TRUE(View()->BeginPastePlacement(std::move(pImage)));
    EXPECT_EQ(View()->GetPasteRect(), CRect(0, 0, 20, 10));
    View()->CancelPastePlacement();
}

// While a render runs, each pump repaints the rows finished since the last one, and the
// canvas shows them; Escape then puts the picture back byte for byte.
TEST_F(CanvasTest, RenderIsWatchedAtEachPumpAndEscapeRestores)
{
    const auto pBefore = NewFittedBackground(3000, 2000);
    const double zoom = View()->GetZoom();
    ASSERT_LT(zoom, 1.0);

    // Records the canvas's repaints during the render (the first also wipes the rubber
    // band); after the third, at the next pump, looks at the canvas and presses Escape.
    struct CWatcher : QObject
    {
        CanvasTest* pTest;
        std::vector<QRect> paints;
        QImage canvas;
        std::unique_ptr<CDib> pDuring;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() != QEvent::Paint || !IsRendering() || pDuring)
                return false;
            paints.push_back(static_cast<QPaintEvent*>(event)->rect());
            if (paints.size() == 3) {
                pDuring = pTest->CopyOfPicture();
                QTimer::singleShot(0, pTest->TheView(), [this] {
                    canvas = pTest->TheView()->viewport()->grab().toImage();
                    QTest::keyClick(pTest->TheView(), Qt::Key_Escape);
                });
            }
            return false;
        }
    } watcher;
    watcher.pTest = this;
    View()->viewport()->installEventFilter(&watcher);
    Command(ID_TOOL_NEBULA);
    g_nEffectSeed = 31;
    // A nebula over more than the picture: every row of the picture has some of it.
    Press(QPoint(int(4500 * zoom), int(3000 * zoom)));
    Move(QPoint(int(1500 * zoom), int(1000 * zoom)));
    Move(QPoint(int(-1500 * zoom), int(-1000 * zoom)));
    Release(QPoint(int(-1500 * zoom), int(-1000 * zoom)));
    View()->viewport()->removeEventFilter(&watcher);

    ASSERT_GE(watcher.paints.size(), 2u);
    ASSERT_TRUE(watcher.pDuring);
    // The rows come bottom-up: the repaint covers a strip of rows, not the whole canvas,
    // and the rows below it were finished earlier.
    const QRect strip = watcher.paints[2];
    const int pictureBottom = int(2000 * zoom);
    EXPECT_LT(strip.height(), pictureBottom / 2);
    EXPECT_GT(strip.width(), int(3000 * zoom) - 2);
    bool bBottomPainted = false;
    for (int x = 0; x < 3000; x += 7)
        bBottomPainted |= watcher.pDuring->GetPixel(x, 0) != 0x000010;
    EXPECT_TRUE(bBottomPainted);
    // The picture had those rows and the canvas showed them: neither is the background
    // there, while the top rows were still untouched.
    const int row = (strip.top() + strip.bottom()) / 2;
    const int y = std::min(int(row / zoom), 1999);
    bool bPainted = false, bShown = false;
    for (int x = 0; x < 3000; x += 7)
        bPainted |= watcher.pDuring->GetPixel(x, 1999 - y) != 0x000010;
    for (int x = 0; x < int(3000 * zoom); x += 3)
        bShown |= watcher.canvas.pixel(x, row) != qRgb(0, 0, 0x10);
    EXPECT_TRUE(bPainted);
    EXPECT_TRUE(bShown);
    for (int x = 0; x < 3000; x += 7)
        ASSERT_EQ(watcher.pDuring->GetPixel(x, 1999 - 2), 0x000010u);

    EXPECT_TRUE(SameBytes(*pBefore, Picture()));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(IsRendering());
}

// The OpenGL renders are watched too: the canvas, fitted, shows parts of an Earth and of a
// galaxy while they are drawn, not only at the end. Escape stops the galaxy and puts the
// picture back byte for byte.
TEST_F(CanvasTest, PlanetsAndGalaxiesAreWatchedWhileDrawn)
{
    // Grabs the canvas after each repaint during the render; with bEscape, presses Escape
    // once a grab shows something drawn.
    struct CWatcher : QObject
    {
        CanvasTest* pTest;
        bool bEscape = false;
        bool bDrawnSeen = false;
        int nGrabs = 0;
        QImage before; // the canvas as the render starts
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() != QEvent::Paint || !IsRendering() || bDrawnSeen)
                return false;
            QTimer::singleShot(0, pTest->TheView(), [this] {
                if (!IsRendering() || bDrawnSeen)
                    return;
                ++nGrabs;
                const QImage canvas = pTest->TheView()->viewport()->grab().toImage();
                const QPoint corner = pTest->Margin();
                const QSize shown = pTest->TheView()->ZoomedPictureSize();
                for (int y = corner.y() + 1; y < corner.y() + shown.height() - 1; y += 2)
                    for (int x = corner.x() + 1; x < corner.x() + shown.width() - 1; x += 2)
                        bDrawnSeen |= canvas.pixel(x, y) != before.pixel(x, y);
                if (bDrawnSeen && bEscape)
                    QTest::keyClick(pTest->TheView(), Qt::Key_Escape);
            });
            return false;
        }
    };
    struct CCase
    {
        int nTool;
        CSize picture;
        CRect drag;
        bool bEscape;
    };
    const CCase cases[] = {
        {ID_TOOL_EARTH, CSize(6000, 4000), CRect(1000, 0, 5000, 4000), false},
        {ID_TOOL_GALAXY, CSize(4096, 4096), CRect(0, 0, 4096, 4096), true},
    };
    for (const CCase& c : cases) {
        const auto pBefore = NewFittedBackground(c.picture.cx, c.picture.cy);
        const double zoom = View()->GetZoom();
        ASSERT_LT(zoom, 1.0);
        CWatcher watcher;
        watcher.pTest = this;
        watcher.bEscape = c.bEscape;
        watcher.before = View()->viewport()->grab().toImage();
        View()->viewport()->installEventFilter(&watcher);
        Command(c.nTool);
        g_nEffectSeed = 7;
        const QPoint from(int(c.drag.left * zoom), int(c.drag.top * zoom));
        const QPoint to(int(c.drag.right * zoom), int(c.drag.bottom * zoom));
        Drag(from, to);
        View()->viewport()->removeEventFilter(&watcher);
        EXPECT_TRUE(watcher.bDrawnSeen) << c.nTool << ": " << watcher.nGrabs << " grabs";
        EXPECT_FALSE(IsRendering());
        if (c.bEscape) {
            EXPECT_TRUE(SameBytes(*pBefore, Picture()));
            EXPECT_FALSE(Doc().IsModified());
        } else {
            EXPECT_FALSE(SameBytes(*pBefore, Picture()));
        }
    }
}

// The keyboard: one key a tool (named in the tooltips), Save As, and the scroll keys.
TEST_F(CanvasTest, ToolKeysAndScrollKeys)
{
    Frame()->activateWindow();
    QApplication::setActiveWindow(Frame());
    View()->setFocus();
    QTest::keyClick(View(), Qt::Key_N);
    EXPECT_EQ(View()->GetTool(), 3);
    // The dialog a tool key opens leaves the keyboard with the canvas: the next tool key
    // is a tool key again.
    ASSERT_TRUE(g_pPropertiesDialog);
    EXPECT_EQ(QApplication::activeWindow(), Frame());
    EXPECT_EQ(QApplication::focusWidget(), View());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V);
    EXPECT_EQ(View()->GetTool(), 6);
    // Where the window manager gives the new dialog the keyboard after all, it comes back;
    // where it cannot (Wayland), no field of the dialog keeps it and a tool key typed there
    // still chooses the tool.
    QApplication::setActiveWindow(g_pPropertiesDialog);
    QTest::qWait(400);
    EXPECT_EQ(QApplication::activeWindow(), Frame());
    QApplication::setActiveWindow(g_pPropertiesDialog);
    g_pPropertiesDialog->setFocus();
    QTest::keyClick(g_pPropertiesDialog, Qt::Key_N);
    EXPECT_EQ(View()->GetTool(), 3);
    // A key typed into a properties dialog's field is the field's; a click on the canvas
    // takes the keyboard back.
    QApplication::setActiveWindow(g_pPropertiesDialog);
    QWidget* pField = g_pPropertiesDialog->findChild<QLineEdit*>();
    ASSERT_TRUE(pField);
    pField->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E);
    EXPECT_EQ(View()->GetTool(), 3);
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), Frame());
    EXPECT_EQ(QApplication::focusWidget(), View());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E);
    EXPECT_EQ(View()->GetTool(), 11);
    QTest::keyClick(View(), Qt::Key_S);
    EXPECT_EQ(View()->GetTool(), 0);
    const QList<QToolButton*> buttons = Frame()->findChildren<QToolButton*>();
    bool bTipShown = false;
    for (QToolButton* pButton : buttons)
        bTipShown |= pButton->toolTip() == QStringLiteral("Nebula (N)");
    EXPECT_TRUE(bTipShown);
    EXPECT_EQ(Frame()->GetAction(ID_FILE_SAVE_AS)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+Shift+S")));

    NewPicture(3000, 2000);
    Command(ID_VIEW_ZOOM_ACTUAL);
    QApplication::setActiveWindow(Frame());
    View()->setFocus();
    QScrollBar* pH = View()->horizontalScrollBar();
    QScrollBar* pV = View()->verticalScrollBar();
    QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(pH->value(), pH->maximum());
    EXPECT_EQ(pV->value(), pV->maximum());
    QTest::keyClick(View(), Qt::Key_Home);
    EXPECT_EQ(pH->value(), 0);
    EXPECT_EQ(pV->value(), pV->maximum());
    QTest::keyClick(View(), Qt::Key_PageUp);
    EXPECT_EQ(pV->value(), pV->maximum() - pV->pageStep());
    QTest::keyClick(View(), Qt::Key_Right);
    EXPECT_EQ(pH->value(), pH->singleStep());
    QTest::keyClick(View(), Qt::Key_End);
    EXPECT_EQ(pH->value(), pH->maximum());
    QTest::keyClick(View(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(pH->value(), 0);
    EXPECT_EQ(pV->value(), 0);
}

// On start, New and Open the frame grows to show the picture whole at 100 %, as far as the
// screen's available area allows, and never shrinks (nor starts narrower than its menu and
// toolbar): a picture still larger than the canvas shows fitted, a smaller one at 100 %.
// Run on several screens and scale factors by CTest.
TEST_F(CanvasTest, FrameFitsThePictureOnTheScreen)
{
    const QScreen* pScreen = Frame()->screen();
    ASSERT_TRUE(pScreen);
    const QByteArray expectedScreen = qgetenv("SKYLOOM_TEST_SCREEN");
    if (!expectedScreen.isEmpty()) {
        const QSize device = pScreen->geometry().size() * pScreen->devicePixelRatio();
        EXPECT_EQ(QStringLiteral("%1x%2").arg(device.width()).arg(device.height()),
                  QString::fromLatin1(expectedScreen));
    }
    const QRect available = pScreen->availableGeometry();
    // Started on a tiny picture: the menu and the toolbar still show whole.
    NewPicture(16, 16);
    m_pUi->savePaths = {{Path("tiny.png"), SAVE_PNG}};
    Command(ID_FILE_SAVE_AS);
    StopApp();
    StartApp({QStringLiteral("skyloom"), Path("tiny.png")});
    ASSERT_EQ(Picture().GetSize(), CSize(16, 16));
    QApplication::processEvents();
    EXPECT_GE(Frame()->width(), Frame()->findChild<QToolBar*>()->sizeHint().width());
    EXPECT_GE(Frame()->width(), Frame()->menuBar()->sizeHint().width());
    EXPECT_EQ(View()->GetZoom(), 1.0);

    QSize last = Frame()->size();
    for (const CSize size : {CSize(1280, 720), CSize(8000, 8000), CSize(640, 480), CSize(0, 0)}) {
        if (size.cx > 0) {
            NewPicture(size.cx, size.cy);
        } else {
            // Open behaves as New: the tiny picture at 100 % in the window as it is.
            m_pUi->openPaths = {Path("tiny.png")};
            Command(ID_FILE_OPEN);
        }
        QApplication::processEvents();
        const CSize picture = Picture().GetSize();
        const QRect frame = Frame()->frameGeometry();
        EXPECT_TRUE(available.contains(frame)) << picture.cx << ": " << frame.x() << ", "
                                               << frame.y() << " " << frame.width() << " x "
                                               << frame.height();
        EXPECT_GE(Frame()->width(), last.width()) << picture.cx;
        EXPECT_GE(Frame()->height(), last.height()) << picture.cx;
        last = Frame()->size();
        const QSize viewport = View()->viewport()->size();
        const QSize shown = View()->ZoomedPictureSize();
        // At the smallest zoom (1/16) a picture may still be too large to fit a small screen.
        if (View()->GetZoom() * 16 <= 1)
            continue;
        // No scroll bars either way: the whole picture shows.
        EXPECT_FALSE(View()->horizontalScrollBar()->isVisible()) << picture.cx;
        EXPECT_FALSE(View()->verticalScrollBar()->isVisible()) << picture.cx;
        EXPECT_LE(shown.width(), viewport.width()) << picture.cx;
        EXPECT_LE(shown.height(), viewport.height()) << picture.cx;
        if (View()->GetZoom() < 1) {
            // Fitted only where the window could not grow enough: it has the screen's room
            // on the side that holds the picture back, and the picture touches that side.
            EXPECT_TRUE(shown.width() == viewport.width() || shown.height() == viewport.height());
            EXPECT_TRUE(frame.width() >= available.width() - 1 ||
                        frame.height() >= available.height() - 1) << picture.cx;
        } else {
            EXPECT_EQ(View()->GetZoom(), 1.0) << picture.cx;
        }
        // The whole status bar is on the screen.
        const QRect bar(Frame()->statusBar()->mapToGlobal(QPoint()), Frame()->statusBar()->size());
        EXPECT_TRUE(available.contains(bar)) << picture.cx;
    }
    // The small pictures after the large one kept its window and show at 100 %.
    EXPECT_EQ(View()->GetZoom(), 1.0);
}

// F1 opens the manual in "Skyloom Help", with no web browser involved.
TEST_F(CanvasTest, F1OpensTheManualInSkyloomHelp)
{
    // Whatever would go to a browser or another program comes here instead.
    CUrlCatcher catcher;
    for (const char* scheme : {"file", "http", "https"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "Open");
    Frame()->activateWindow();
    QApplication::setActiveWindow(Frame());
    View()->setFocus();
    QTest::keyClick(View(), Qt::Key_F1);
    CHelpWindow* pHelp = nullptr;
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<CHelpWindow*>(pWidget); p && p->isVisible())
            pHelp = p;
    ASSERT_TRUE(pHelp);
    EXPECT_EQ(pHelp->windowTitle(), QStringLiteral("Skyloom Help"));
    CHelpBrowser* pBrowser = pHelp->GetBrowser();
    EXPECT_TRUE(pBrowser->source().toLocalFile().endsWith(QStringLiteral("help/skyhelp.htm")));
    EXPECT_TRUE(pBrowser->toPlainText().contains(QStringLiteral("What Skyloom does")));
    // Its links move within the manual; Back and Forward return to the very place, the
    // section shown and the scroll position.
    pHelp->show();
    QApplication::processEvents();
    QScrollBar* pScroll = pBrowser->verticalScrollBar();
    // A click on the contents' link to the Nebula.
    QTextCursor link;
    for (QTextBlock block = pBrowser->document()->begin(); block.isValid() && link.isNull();
         block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorHref() == QStringLiteral("#nebula")) {
                link = QTextCursor(pBrowser->document());
                link.setPosition(it.fragment().position() + 1);
                break;
            }
    ASSERT_FALSE(link.isNull());
    pBrowser->setTextCursor(link);
    pBrowser->ensureCursorVisible();
    pScroll->setValue(std::min(pScroll->maximum(), pScroll->value() + 3));
    const int start = pScroll->value();
    const QPoint at = pBrowser->cursorRect(link).center();
    QTest::mouseClick(pBrowser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
    const int section = pScroll->value();
    ASSERT_NE(section, start);
    pScroll->setValue(section + 40);
    EXPECT_TRUE(pBrowser->CanGoBack());
    for (int i = 0; i < 2; ++i) {
        pBrowser->backward();
        QApplication::processEvents();
        EXPECT_EQ(pScroll->value(), start) << i;
        pBrowser->forward();
        QApplication::processEvents();
        EXPECT_EQ(pScroll->value(), section + 40) << i;
        EXPECT_EQ(pBrowser->source().fragment(), QStringLiteral("nebula")) << i;
    }
    pBrowser->backward();
    EXPECT_FALSE(pBrowser->CanGoBack());
    // Help > Contents again reuses the window.
    Command(ID_HELP_CONTENTS);
    int nWindows = 0;
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        nWindows += qobject_cast<CHelpWindow*>(pWidget) != nullptr;
    EXPECT_EQ(nWindows, 1);
    for (const char* scheme : {"file", "http", "https"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    EXPECT_EQ(catcher.nOpened, 0);
}

// New and Open reset the status bar's panes; a long prompt is cut short with its whole text
// in the tooltip.
TEST_F(CanvasTest, StatusPanesResetAndLongTextsElide)
{
    Move(QPoint(12, 34), false);
    EXPECT_EQ(Frame()->GetPaneText(1), QStringLiteral("12, 34"));
    NewPicture(320, 200);
    EXPECT_EQ(Frame()->GetPaneText(1), QString());
    EXPECT_EQ(Frame()->GetPaneText(0), QStringLiteral("Ready"));
    EXPECT_EQ(Frame()->GetPaneText(3), QStringLiteral("320x200"));

    Frame()->resize(500, 400);
    QApplication::processEvents();
    auto pImage = std::make_unique<CDib>();
    pImage->Create(8, 8);
    ASSERT_TRUE(View()->BeginPastePlacement(std::move(pImage)));
    QApplication::processEvents();
    const QString prompt = LoadString(IDS_PASTE_PROMPT);
    EXPECT_EQ(Frame()->GetPaneText(0), prompt);
    QLabel* pPane = nullptr;
    for (QLabel* pLabel : Frame()->statusBar()->findChildren<QLabel*>())
        if (pLabel->toolTip() == prompt)
            pPane = pLabel;
    ASSERT_TRUE(pPane);
    EXPECT_TRUE(pPane->text().endsWith(QChar(0x2026)));
    EXPECT_LE(pPane->fontMetrics().horizontalAdvance(pPane->text()), pPane->width());
    View()->CancelPastePlacement();
}

// A tile from File > New with Wrap Around, seen 3 x 3 with View > Show Tiled: drags land in
// the middle tile at any zoom, every tile shows the picture, and a nebula dragged past the
// right edge comes in at the left. Make Seamless paints an unwrapped picture again wrapped
// as one step, and refuses a picture that began as a file, saying why.
TEST_F(CanvasTest, TiledCanvasWrapAroundAndMakeSeamless)
{
    m_pUi->bNewWrapAround = true;
    NewPicture(160, 120);
    m_pUi->bNewWrapAround = false;
    EXPECT_TRUE(Doc().IsWrapAround());
    EXPECT_TRUE(Frame()->GetAction(ID_IMAGE_WRAP_AROUND)->isChecked());
    Command(ID_VIEW_SHOW_TILED);
    ASSERT_TRUE(View()->IsShowingTiled());
    EXPECT_TRUE(Frame()->GetAction(ID_VIEW_SHOW_TILED)->isChecked());

    const auto screenPoint = [&](CPoint p) {
        return View()->ViewportFromLogical(CRect(p.x, p.y, p.x + 1, p.y + 1)).center();
    };
    const auto drag = [&](CPoint from, CPoint to) {
        QWidget* pViewport = View()->viewport();
        for (const auto& [type, pt] : {std::pair(QEvent::MouseButtonPress, from),
                                       std::pair(QEvent::MouseMove, to),
                                       std::pair(QEvent::MouseButtonRelease, to)}) {
            const QPoint at = screenPoint(pt);
            QMouseEvent event(type, at, pViewport->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(pViewport, &event);
        }
    };
    for (const auto& [num, den] : {std::pair(1, 2), std::pair(1, 1), std::pair(3, 1)}) {
        View()->SetZoom(num, den, View()->viewport()->rect().center());
        Command(ID_TOOL_SELECT);
        drag(CPoint(20, 10), CPoint(70, 50));
        EXPECT_EQ(View()->GetSelection(), CRect(20, 10, 70, 50)) << num << "/" << den;
        View()->SetSelection(CRect());
    }

    // Room for all nine tiles (New fitted the window to the picture).
    Frame()->resize(900, 700);
    QApplication::processEvents();
    View()->SetZoom(1, 1, View()->viewport()->rect().center());
    Command(ID_TOOL_NEBULA);
    g_nEffectSeed = 99;
    drag(CPoint(110, 20), CPoint(200, 100));
    QApplication::processEvents();
    // The nebula's part past the right edge is in the first columns.
    EXPECT_NE(Picture().GetPixel(5, 119 - 60), Picture().GetPixel(80, 119 - 60));
    // The tile left of the picture and the one above it show the picture.
    const QImage canvas = View()->viewport()->grab().toImage();
    for (const CPoint p : {CPoint(150, 60), CPoint(5, 60), CPoint(130, 100)}) {
        for (const CPoint tile : {CPoint(-160, 0), CPoint(0, -120), CPoint(0, 0)}) {
            const QPoint at = screenPoint(CPoint(p.x + tile.x, p.y + tile.y));
            ASSERT_TRUE(canvas.rect().contains(at)) << at.x() << ", " << at.y();
            EXPECT_EQ(canvas.pixel(at) & 0xFFFFFF, Picture().GetPixel(p.x, 119 - p.y))
                << p.x << ", " << p.y << " in the tile at " << tile.x << ", " << tile.y;
        }
    }
    Command(ID_VIEW_SHOW_TILED);
    EXPECT_FALSE(View()->IsShowingTiled());

    // A picture painted unwrapped, made seamless: one step, which undo takes back.
    NewPicture(160, 120);
    EXPECT_FALSE(Frame()->GetAction(ID_IMAGE_WRAP_AROUND)->isChecked());
    Command(ID_TOOL_NEBULA);
    g_nEffectSeed = 99;
    drag(CPoint(110, 20), CPoint(200, 100));
    const auto pUnwrapped = CopyOfPicture();
    const int nSteps = Doc().GetRecipe().m_steps.size();
    Command(ID_IMAGE_MAKE_SEAMLESS);
    EXPECT_TRUE(m_pUi->errors.isEmpty()) << m_pUi->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Doc().IsWrapAround());
    EXPECT_EQ(Doc().GetRecipe().m_steps.size(), nSteps);
    EXPECT_NE(Picture().GetPixel(5, 119 - 60), pUnwrapped->GetPixel(5, 119 - 60));
    const auto pSeamless = CopyOfPicture();
    Command(ID_EDIT_UNDO);
    EXPECT_TRUE(SameBytes(Picture(), *pUnwrapped));
    EXPECT_FALSE(Doc().IsWrapAround());
    Command(ID_EDIT_REDO);
    EXPECT_TRUE(SameBytes(Picture(), *pSeamless));
    EXPECT_TRUE(Doc().IsWrapAround());

    // Saved and opened again, its recipe began as a new picture and still paints; a picture
    // opened from a file that carries no recipe cannot be painted again.
    Doc().SaveAs(Path("plain.bmp"), SAVE_BY_EXTENSION);
    m_pUi->openPaths = {Path("plain.bmp")};
    Command(ID_FILE_OPEN);
    const auto pOpened = CopyOfPicture();
    Command(ID_IMAGE_MAKE_SEAMLESS);
    ASSERT_EQ(m_pUi->errors.size(), 1);
    EXPECT_TRUE(m_pUi->errors[0].contains(QStringLiteral("began as the file \"plain.bmp\"")))
        << m_pUi->errors[0].toStdString();
    EXPECT_TRUE(SameBytes(Picture(), *pOpened));
    EXPECT_FALSE(Doc().HasUndo());
}

}

#include "CanvasTest.moc"
