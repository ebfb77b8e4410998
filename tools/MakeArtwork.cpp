// Draws the application's artwork: the toolbar images (16 x 15, and a 32 x 30 drawing of
// each for 2x screens), the tool cursors (32 x 32) and the application icon (PNGs from
// 16 to 256 pixels and an SVG with the same geometry). The PNGs are committed in res/, so
// the build never runs this; run it again after changing a drawing:
//
//   skyloom_make_artwork <res folder>
//
// Everything is drawn from code with fixed positions (no randomness), so a run makes the
// same files on every machine.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// One toolbar drawing at scale s (1 or 2) in a grid of 16 x 15 units. Outlines stay one
// device pixel wide at both scales, so the 2x image is finer, not a thicker copy.
// A closed outline through points, in the order given.
QPainterPath Polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    for (const QPointF& point : points) {
        if (path.elementCount() == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

class CArt
{
public:
    CArt(QPainter& p, int s) : m_p(p), m_s(s) {}

    int Scale() const { return m_s; }
    QPainter& P() { return m_p; }

    // A unit box in device pixels.
    QRectF Box(double x, double y, double w, double h) const
    {
        return QRectF(x * m_s, y * m_s, w * m_s, h * m_s);
    }
    QPointF Pt(double x, double y) const { return QPointF(x * m_s, y * m_s); }

    // A filled box with a one-pixel outline inside its edge.
    void Rect(double x, double y, double w, double h, const QBrush& fill, const QColor& edge)
    {
        m_p.save();
        m_p.setRenderHint(QPainter::Antialiasing, false);
        const QRectF r = Box(x, y, w, h);
        m_p.fillRect(r, fill);
        if (edge.isValid()) {
            m_p.setPen(QPen(edge, 1));
            m_p.setBrush(Qt::NoBrush);
            m_p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        m_p.restore();
    }

    // A horizontal run of pixels, one unit high at 1x; at 2x one device row is enough
    // for hairline details such as text lines.
    void HLine(double x1, double x2, double y, const QColor& c, bool bFine = false)
    {
        const double h = bFine && m_s > 1 ? 1 : m_s;
        m_p.fillRect(QRectF(x1 * m_s, y * m_s, (x2 - x1) * m_s, h), c);
    }

    void Ellipse(double x, double y, double w, double h, const QBrush& fill, const QColor& edge)
    {
        m_p.save();
        m_p.setRenderHint(QPainter::Antialiasing, true);
        m_p.setPen(edge.isValid() ? QPen(edge, 1) : QPen(Qt::NoPen));
        m_p.setBrush(fill);
        m_p.drawEllipse(Box(x, y, w, h).adjusted(0.5, 0.5, -0.5, -0.5));
        m_p.restore();
    }

    // A path given in units, stroked with a pen of width w units (device pixels when
    // bDevice) and filled with fill.
    void Path(const QPainterPath& unitPath, const QBrush& fill, const QColor& edge, double w = 0,
              bool bDevice = true)
    {
        m_p.save();
        m_p.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(edge.isValid() ? QPen(edge, bDevice ? (w > 0 ? w : 1) : w * m_s) : QPen(Qt::NoPen));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        m_p.setPen(pen);
        m_p.setBrush(fill);
        // Outlines given on 1x pixel centres fall between device pixels at 2x; half a
        // pixel's shift puts them on pixel centres there too, so straight edges stay sharp.
        QTransform t = QTransform::fromScale(m_s, m_s);
        if (bDevice && m_s > 1)
            t *= QTransform::fromTranslate(0.5, 0.5);
        m_p.drawPath(t.map(unitPath));
        m_p.restore();
    }

    void Pixel(double x, double y, const QColor& c) { m_p.fillRect(Box(x, y, 1, 1), c); }
    // One device pixel at a 2x position given in half units (x2, y2 are device pixels).
    void Dot(int x, int y, const QColor& c) { m_p.fillRect(QRect(x, y, 1, 1), c); }

    // A star centred on unit pixel (x, y): level 0 faint, 1 medium, 2 bright (with rays).
    void Star(int x, int y, int level, const QColor& tint = QColor(255, 255, 255))
    {
        QColor core = tint;
        QColor ray = tint;
        ray.setAlpha(level == 2 ? 150 : 90);
        if (level == 0)
            core.setAlpha(150);
        if (m_s == 1) {
            Pixel(x, y, core);
            if (level == 2) {
                Pixel(x - 1, y, ray);
                Pixel(x + 1, y, ray);
                Pixel(x, y - 1, ray);
                Pixel(x, y + 1, ray);
            }
            return;
        }
        const int cx = 2 * x, cy = 2 * y;
        if (level == 0) {
            Dot(cx, cy, core);
            return;
        }
        m_p.fillRect(QRect(cx, cy, 2, 2), core);
        if (level == 2) {
            for (int i = 1; i <= 2; ++i) {
                QColor r = ray;
                r.setAlpha(i == 1 ? 170 : 80);
                m_p.fillRect(QRect(cx - i, cy, 1, 2), r);
                m_p.fillRect(QRect(cx + 1 + i, cy, 1, 2), r);
                m_p.fillRect(QRect(cx, cy - i, 2, 1), r);
                m_p.fillRect(QRect(cx, cy + 1 + i, 2, 1), r);
            }
        }
    }

private:
    QPainter& m_p;
    int m_s;
};

const QColor kOutline(48, 48, 56);
const QColor kPaper(255, 255, 255);
const QColor kText(150, 156, 170);

// The dark square behind every space tool, so that light on dark reads on any toolbar.
void SkyTile(CArt& a)
{
    QPainter& p = a.P();
    const int s = a.Scale();
    QLinearGradient g(0, 0, 0, 15 * s);
    g.setColorAt(0, QColor(28, 40, 96));
    g.setColorAt(1, QColor(6, 10, 36));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(0, 0, 16 * s, 15 * s), g);
    p.setPen(QColor(10, 14, 40));
    p.drawRect(QRect(0, 0, 16 * s - 1, 15 * s - 1));
    // Cut the corners round.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    for (int i = 0; i < s; ++i) {
        p.fillRect(QRect(0, i, s - i, 1), Qt::transparent);
        p.fillRect(QRect(16 * s - (s - i), i, s - i, 1), Qt::transparent);
        p.fillRect(QRect(0, 15 * s - 1 - i, s - i, 1), Qt::transparent);
        p.fillRect(QRect(16 * s - (s - i), 15 * s - 1 - i, s - i, 1), Qt::transparent);
    }
    p.restore();
}

// A sheet of paper with a folded corner.
void Page(CArt& a, double x, double y, double w, double h, bool bLines)
{
    QPainterPath path;
    const double f = 3;
    path.moveTo(x + 0.5, y + 0.5);
    path.lineTo(x + w - f - 0.5, y + 0.5);
    path.lineTo(x + w - 0.5, y + f + 0.5);
    path.lineTo(x + w - 0.5, y + h - 0.5);
    path.lineTo(x + 0.5, y + h - 0.5);
    path.closeSubpath();
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    // Fill and outline on pixel centres of either scale.
    QPainterPath dev;
    const double o = 0.5;
    dev.moveTo(x * s + o, y * s + o);
    dev.lineTo((x + w - f) * s - o, y * s + o);
    dev.lineTo((x + w) * s - o, (y + f) * s + o);
    dev.lineTo((x + w) * s - o, (y + h) * s - o);
    dev.lineTo(x * s + o, (y + h) * s - o);
    dev.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kPaper);
    p.drawPath(dev);
    // The fold.
    const QPainterPath fold = Polygon({{(x + w - f) * s - o, y * s + o},
        {(x + w - f) * s - o, (y + f) * s + o}, {(x + w) * s - o, (y + f) * s + o}});
    p.setBrush(QColor(214, 218, 228));
    p.drawPath(fold);
    p.restore();
    if (bLines) {
        for (double ly = y + 5; ly < y + h - 2; ly += 2)
            a.HLine(x + 2, x + w - 2, ly, kText, true);
    }
}

void DrawNew(CArt& a)
{
    Page(a, 3, 0, 10, 15, false);
    // A four-pointed spark on the fresh page.
    const double cx = 7.5, cy = 8.5, r = 3.2, k = 0.8;
    const QPainterPath spark = Polygon({{cx, cy - r}, {cx + k, cy - k}, {cx + r, cy},
        {cx + k, cy + k}, {cx, cy + r}, {cx - k, cy + k}, {cx - r, cy}, {cx - k, cy - k}});
    a.Path(spark, QColor(250, 196, 40), QColor());
}

void DrawOpen(CArt& a)
{
    const QColor edge(120, 84, 16);
    // Back of the folder with its tab.
    const QPainterPath back =
        Polygon({{0.5, 3.5}, {5, 3.5}, {6.5, 5}, {12.5, 5}, {12.5, 13.5}, {0.5, 13.5}});
    a.Path(back, QColor(214, 164, 52), edge);
    // A sheet peeking out of it.
    a.Rect(3, 2, 8, 6, QColor(255, 255, 255), QColor(150, 150, 160));
    // The front flap, swung open.
    const QPainterPath front = Polygon({{0.5, 13.5}, {3.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}});
    QLinearGradient g(a.Pt(0, 7), a.Pt(0, 14));
    g.setColorAt(0, QColor(255, 226, 120));
    g.setColorAt(1, QColor(240, 190, 64));
    a.Path(front, g, edge);
}

void DrawSave(CArt& a)
{
    const QColor body(40, 88, 170), edge(18, 40, 96);
    const QPainterPath disk =
        Polygon({{1.5, 0.5}, {13, 0.5}, {14.5, 2}, {14.5, 14.5}, {1.5, 14.5}});
    a.Path(disk, body, edge);
    // Label.
    a.Rect(4, 1, 8, 6, QColor(250, 250, 250), QColor(170, 176, 190));
    a.HLine(5, 11, 3, kText, true);
    a.HLine(5, 11, 5, kText, true);
    // Metal shutter with its window.
    a.Rect(4, 9, 8, 5, QColor(200, 204, 212), QColor(110, 114, 124));
    a.Rect(9, 10, 2, 3, QColor(40, 44, 56), QColor());
}

void DrawCut(CArt& a)
{
    const QColor steel(96, 100, 112);
    // Blades crossing above the pivot.
    QPainterPath b1;
    b1.moveTo(5.0, 9.0);
    b1.lineTo(10.5, 0.8);
    QPainterPath b2;
    b2.moveTo(11.0, 9.0);
    b2.lineTo(5.5, 0.8);
    a.Path(b1, Qt::NoBrush, steel, 1.4, false);
    a.Path(b2, Qt::NoBrush, QColor(130, 134, 146), 1.4, false);
    a.Pixel(7.5, 6, QColor(40, 40, 40));
    // Finger rings.
    const QColor ring(30, 60, 150);
    QPainterPath r1;
    r1.addEllipse(QRectF(1.6, 9.0, 4.8, 4.8));
    QPainterPath r2;
    r2.addEllipse(QRectF(9.6, 9.0, 4.8, 4.8));
    a.Path(r1, Qt::NoBrush, ring, 1.3, false);
    a.Path(r2, Qt::NoBrush, ring, 1.3, false);
}

void DrawCopy(CArt& a)
{
    Page(a, 1, 0, 9, 11, true);
    Page(a, 6, 4, 9, 11, true);
}

void DrawPaste(CArt& a)
{
    // Clipboard board.
    QPainterPath board;
    board.addRoundedRect(QRectF(1.5, 1.5, 10, 13), 1, 1);
    a.Path(board, QColor(176, 120, 60), QColor(100, 62, 24));
    // Clip.
    a.Rect(4, 0, 5, 3, QColor(200, 204, 212), QColor(96, 100, 110));
    // The page being pasted.
    Page(a, 7, 5, 8, 10, true);
}

void DrawUndo(CArt& a)
{
    const QColor blue(40, 104, 200), edge(20, 56, 120);
    // A hook-shaped arrow turning back to the left.
    QPainterPath arc;
    arc.moveTo(4.0, 6.0);
    arc.lineTo(9.0, 6.0);
    arc.cubicTo(14.2, 6.0, 14.2, 13.5, 9.0, 13.5);
    arc.lineTo(6.0, 13.5);
    a.Path(arc, Qt::NoBrush, edge, 3.2, false);
    a.Path(arc, Qt::NoBrush, blue, 1.6, false);
    const QPainterPath head = Polygon({{0.8, 6.0}, {6.0, 1.2}, {6.0, 10.8}});
    a.Path(head, blue, edge);
}

void DrawClear(CArt& a)
{
    // An eraser tilted on its edge, a rubbed-out trail behind it.
    const QColor edge(90, 40, 60);
    const QPainterPath top = Polygon({{6.5, 1.5}, {14.5, 1.5}, {9.5, 8.5}, {1.5, 8.5}});
    a.Path(top, QColor(238, 128, 150), edge);
    const QPainterPath foot = Polygon({{1.5, 8.5}, {9.5, 8.5}, {9.5, 11.5}, {1.5, 11.5}});
    a.Path(foot, QColor(236, 236, 244), edge);
    const QPainterPath side = Polygon({{9.5, 8.5}, {14.5, 1.5}, {14.5, 4.5}, {9.5, 11.5}});
    a.Path(side, QColor(196, 90, 112), edge);
    for (int x = 3; x < 15; x += 2)
        a.Pixel(x, 13, QColor(140, 146, 160));
}

void DrawSelect(CArt& a)
{
    // A marching-ants marquee with a pointer at its corner.
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect r(1 * s, 1 * s, 12 * s, 10 * s);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QPen dash(QColor(20, 20, 28), 1, Qt::CustomDashLine);
    dash.setDashPattern({2.0 * s / 1.0, 2.0 * s / 1.0});
    if (s == 1)
        dash.setDashPattern({2, 2});
    p.setPen(dash);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
    const QPainterPath arrow = Polygon({{8.5, 6.5}, {8.5, 14.5}, {10.5, 12.5}, {12.0, 15.0},
        {13.2, 14.4}, {12.0, 12.0}, {14.5, 12.0}});
    a.Path(arrow, Qt::white, QColor(20, 20, 28));
}

void DrawStarField(CArt& a)
{
    SkyTile(a);
    if (a.Scale() == 1) {
        a.Star(4, 4, 2);
        a.Star(11, 10, 2, QColor(200, 220, 255));
        a.Star(12, 3, 1);
        a.Star(2, 11, 1);
        a.Star(7, 7, 0);
        a.Star(9, 2, 0);
        a.Star(6, 12, 0);
        a.Star(14, 7, 0);
    } else {
        // Twice the stars at 2x, each still one or two pixels.
        a.Star(4, 4, 2);
        a.Star(11, 10, 2, QColor(200, 220, 255));
        a.Star(12, 3, 1);
        a.Star(2, 11, 1);
        a.Star(7, 7, 1, QColor(255, 230, 200));
        const int faint[][2] = {{18, 4}, {12, 24}, {28, 14}, {6, 16}, {22, 27}, {26, 24}, {16, 10},
                                {4, 27}, {29, 3}, {20, 18}, {9, 3}, {24, 12}};
        for (const auto& f : faint)
            a.Dot(f[0], f[1], QColor(255, 255, 255, 170));
    }
}

void DrawCluster(CArt& a)
{
    SkyTile(a);
    QPainter& p = a.P();
    const int s = a.Scale();
    // A soft glow of unresolved stars, then resolved ones thinning out from the centre.
    QRadialGradient glow(a.Pt(8, 7.5), 6.5 * s);
    glow.setColorAt(0, QColor(255, 236, 200, 200));
    glow.setColorAt(0.35, QColor(255, 220, 170, 70));
    glow.setColorAt(1, QColor(255, 220, 170, 0));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(a.Pt(8, 7.5), 6.5 * s, 6.5 * s);
    p.restore();
    if (s == 1) {
        const int pts[][3] = {{7, 7, 255}, {8, 7, 255}, {7, 8, 230}, {9, 8, 220}, {6, 6, 200},
                              {9, 6, 200}, {5, 8, 170}, {10, 9, 170}, {8, 10, 160}, {7, 4, 150},
                              {11, 6, 140}, {4, 10, 120}, {12, 11, 110}, {3, 5, 110}, {10, 3, 110},
                              {13, 8, 100}, {5, 12, 100}};
        for (const auto& q : pts)
            a.Pixel(q[0], q[1], QColor(255, 244, 220, q[2]));
    } else {
        // Deterministic spiral scatter: angle by the golden angle, radius growing with index.
        for (int i = 0; i < 70; ++i) {
            const double r = 1.1 * std::sqrt(i + 0.5) * (1.0 + i / 140.0);
            const double t = i * 2.39996323;
            const int x = static_cast<int>(std::lround(16 + r * std::cos(t)));
            const int y = static_cast<int>(std::lround(15 + r * std::sin(t)));
            const int alpha = std::max(70, 255 - i * 3);
            a.Dot(x, y, QColor(255, 244, 220, alpha));
        }
    }
}

void DrawNebula(CArt& a)
{
    SkyTile(a);
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.translate(a.Pt(8, 7.5));
    p.rotate(-45);
    // The default colours: a red heart with magenta bands toward the rim.
    QRadialGradient g(QPointF(0, 0), 7.2 * s);
    g.setColorAt(0.0, QColor(255, 120, 140, 255));
    g.setColorAt(0.25, QColor(248, 40, 80, 230));
    g.setColorAt(0.55, QColor(228, 40, 234, 160));
    g.setColorAt(0.8, QColor(248, 30, 90, 70));
    g.setColorAt(1.0, QColor(228, 26, 234, 0));
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), 7.4 * s, 4.2 * s);
    // Lumps that make it a cloud rather than an ellipse.
    QRadialGradient lump(QPointF(0, 0), 2.6 * s);
    lump.setColorAt(0, QColor(255, 170, 230, 150));
    lump.setColorAt(1, QColor(255, 170, 230, 0));
    p.setBrush(lump);
    p.translate(2.2 * s, -1.0 * s);
    p.drawEllipse(QPointF(0, 0), 2.6 * s, 2.6 * s);
    p.translate(-4.6 * s, 1.8 * s);
    p.drawEllipse(QPointF(0, 0), 2.2 * s, 2.2 * s);
    p.restore();
    a.Star(13, 2, 1);
    a.Star(2, 12, 0);
}

void DrawStar(CArt& a)
{
    SkyTile(a);
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    // Corona fading from the core colour to the corona colour.
    QRadialGradient g(a.Pt(8, 7.5), 7 * s);
    g.setColorAt(0.0, QColor(255, 255, 255, 255));
    g.setColorAt(0.3, QColor(255, 255, 255, 255));
    g.setColorAt(0.36, QColor(200, 255, 255, 220));
    g.setColorAt(0.6, QColor(128, 255, 255, 110));
    g.setColorAt(1.0, QColor(128, 255, 255, 0));
    p.setBrush(g);
    p.drawEllipse(a.Pt(8, 7.5), 7 * s, 7 * s);
    p.restore();
}

void DrawGas(CArt& a)
{
    SkyTile(a);
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    // Faint overlapping wisps of one colour.
    const double wisps[][4] = {{7, 7.5, 6.5, 4.5}, {10.5, 5.5, 3.5, 3}, {5, 9.5, 3.5, 2.6}, {9, 10, 3, 2.2}};
    for (const auto& w : wisps) {
        QRadialGradient g(a.Pt(w[0], w[1]), w[2] * s);
        g.setColorAt(0, QColor(208, 55, 208, 150));
        g.setColorAt(0.6, QColor(208, 55, 208, 70));
        g.setColorAt(1, QColor(208, 55, 208, 0));
        p.setBrush(g);
        p.drawEllipse(a.Pt(w[0], w[1]), w[2] * s, w[3] * s);
    }
    p.restore();
    a.Star(3, 3, 0);
    a.Star(13, 12, 0);
    a.Star(12, 2, 1);
}

void DrawVortex(CArt& a)
{
    SkyTile(a);
    // Arms wound around an empty core, shading from the inner to the outer colour.
    for (int arm = 0; arm < 3; ++arm) {
        QPainterPath path;
        const double a0 = arm * 2 * kPi / 3;
        for (int i = 0; i <= 40; ++i) {
            const double t = i / 40.0;
            const double r = 1.6 + 5.2 * t;
            const double ang = a0 + t * 1.6 * kPi;
            const QPointF q(8 + r * std::cos(ang), 7.5 + r * std::sin(ang) * 0.9);
            if (i == 0)
                path.moveTo(q);
            else
                path.lineTo(q);
        }
        QColor c = arm == 0 ? QColor(255, 70, 120) : (arm == 1 ? QColor(230, 60, 230) : QColor(255, 120, 200));
        a.Path(path, Qt::NoBrush, c, 1.1, false);
    }
    a.Star(14, 13, 0);
}

// Logarithmic spiral arms as tapered polygons; the toolbar, the cursor emblem and the
// application icon all wind them the same way.
QPainterPath SpiralArm(double dStart, double dTurn, double r0, double r1, double w0)
{
    const int n = 48;
    std::vector<QPointF> left, right;
    const double b = std::log(r1 / r0) / dTurn;
    for (int i = 0; i <= n; ++i) {
        const double t = dTurn * i / n;
        const double r = r0 * std::exp(b * t);
        const double ang = dStart + t;
        const QPointF c(r * std::cos(ang), r * std::sin(ang));
        // Normal of the curve: derivative is (b cos - sin, b sin + cos) * r.
        QPointF d(b * std::cos(ang) - std::sin(ang), b * std::sin(ang) + std::cos(ang));
        const double len = std::hypot(d.x(), d.y());
        const QPointF nrm(-d.y() / len, d.x() / len);
        const double w = w0 * (1.0 - 0.85 * i / n) / 2;
        left.push_back(c + nrm * w);
        right.push_back(c - nrm * w);
    }
    QPainterPath path;
    path.moveTo(left.front());
    for (std::size_t i = 1; i < left.size(); ++i)
        path.lineTo(left[i]);
    for (std::size_t i = right.size(); i-- > 0;)
        path.lineTo(right[i]);
    path.closeSubpath();
    return path;
}

void DrawGalaxy(CArt& a)
{
    SkyTile(a);
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.translate(a.Pt(8, 7.5));
    p.rotate(-20);
    p.scale(s, s * 0.78);
    QRadialGradient disc(QPointF(0, 0), 7);
    disc.setColorAt(0, QColor(150, 170, 255, 120));
    disc.setColorAt(1, QColor(120, 140, 255, 0));
    p.setBrush(disc);
    p.drawEllipse(QPointF(0, 0), 7, 7);
    p.setBrush(QColor(190, 205, 255, 235));
    p.drawPath(SpiralArm(0, 1.25 * kPi, 1.2, 7.0, s == 1 ? 2.0 : 1.6));
    p.drawPath(SpiralArm(kPi, 1.25 * kPi, 1.2, 7.0, s == 1 ? 2.0 : 1.6));
    QRadialGradient core(QPointF(0, 0), 2.6);
    core.setColorAt(0, QColor(255, 255, 230));
    core.setColorAt(0.5, QColor(255, 240, 174, 220));
    core.setColorAt(1, QColor(255, 240, 174, 0));
    p.setBrush(core);
    p.drawEllipse(QPointF(0, 0), 2.6, 2.6);
    p.restore();
}

void DrawLensFlare(CArt& a)
{
    SkyTile(a);
    QPainter& p = a.P();
    const int s = a.Scale();
    const QPointF c = a.Pt(6, 6);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // Diagonal streaks.
    for (int k = 0; k < 2; ++k) {
        QLinearGradient g(c + QPointF(-5.5 * s, (k ? 5.5 : -5.5) * s), c + QPointF(5.5 * s, (k ? -5.5 : 5.5) * s));
        g.setColorAt(0, QColor(255, 255, 255, 0));
        g.setColorAt(0.5, QColor(255, 255, 255, 255));
        g.setColorAt(0.25, QColor(255, 240, 230, 200));
        g.setColorAt(0.75, QColor(255, 240, 230, 200));
        g.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(QPen(QBrush(g), s == 1 ? 1.2 : 1.5));
        p.drawLine(c + QPointF(-5.5 * s, (k ? 5.5 : -5.5) * s), c + QPointF(5.5 * s, (k ? -5.5 : 5.5) * s));
    }
    p.setPen(Qt::NoPen);
    // Reddish glow (red is the default component) and the faint ring.
    QRadialGradient glow(c, 4.5 * s);
    glow.setColorAt(0, QColor(255, 255, 255, 255));
    glow.setColorAt(0.3, QColor(255, 250, 240, 255));
    glow.setColorAt(0.45, QColor(255, 170, 130, 220));
    glow.setColorAt(0.7, QColor(255, 90, 60, 110));
    glow.setColorAt(1, QColor(255, 60, 40, 0));
    p.setBrush(glow);
    p.drawEllipse(c, 4.5 * s, 4.5 * s);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 150, 110, 120), 1));
    p.drawEllipse(c, 3.4 * s, 3.4 * s);
    // Ghost discs along the line through the light.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 200, 255, 110));
    p.drawEllipse(a.Pt(11.5, 11), 1.6 * s, 1.6 * s);
    p.setBrush(QColor(160, 255, 160, 90));
    p.drawEllipse(a.Pt(13.5, 13), 0.9 * s, 0.9 * s);
    p.restore();
}

// A lit sphere: light from the upper left, the night side fading into the sky.
void Sphere(CArt& a, const QColor& lit, const QColor& shade, double r = 6.3)
{
    QPainter& p = a.P();
    const int s = a.Scale();
    QRadialGradient g(a.Pt(8 - r * 0.45, 7.5 - r * 0.45), r * 1.55 * s);
    g.setColorAt(0, lit.lighter(125));
    g.setColorAt(0.45, lit);
    g.setColorAt(0.85, shade);
    g.setColorAt(1, shade.darker(200));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(a.Pt(8, 7.5), r * s, r * s);
    p.restore();
}

// Clips to the sphere and lays a shading overlay on top of the surface details.
void SphereShade(CArt& a, double r = 6.3)
{
    QPainter& p = a.P();
    const int s = a.Scale();
    QRadialGradient g(a.Pt(8 - r * 0.45, 7.5 - r * 0.45), r * 1.55 * s);
    g.setColorAt(0, QColor(255, 255, 255, 60));
    g.setColorAt(0.45, QColor(0, 0, 0, 0));
    g.setColorAt(0.8, QColor(0, 0, 20, 110));
    g.setColorAt(1, QColor(0, 0, 20, 200));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(a.Pt(8, 7.5), r * s, r * s);
    p.restore();
}

void ClipSphere(CArt& a, double r = 6.3)
{
    QPainterPath clip;
    clip.addEllipse(a.Pt(8, 7.5), r * a.Scale(), r * a.Scale());
    a.P().setClipPath(clip);
}

void DrawVenus(CArt& a)
{
    SkyTile(a);
    Sphere(a, QColor(240, 200, 150), QColor(170, 90, 30));
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    ClipSphere(a);
    // Swirling cloud bands between the cloud and the surface colour.
    for (int i = 0; i < 4; ++i) {
        QPainterPath band;
        const double y = 3.5 + i * 2.8;
        band.moveTo(0, y);
        band.cubicTo(5, y - 1.6, 10, y + 1.6, 16, y - 0.4);
        a.Path(band, Qt::NoBrush, i % 2 ? QColor(255, 250, 235, 170) : QColor(191, 80, 10, 150),
               s == 1 ? 1.0 : 0.9, false);
    }
    p.restore();
    SphereShade(a);
}

void DrawMoon(CArt& a)
{
    SkyTile(a);
    Sphere(a, QColor(205, 205, 205), QColor(110, 110, 116));
    QPainter& p = a.P();
    const int s = a.Scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    ClipSphere(a);
    p.setPen(Qt::NoPen);
    // Dark maria and a crater or two.
    p.setBrush(QColor(120, 120, 126, 200));
    p.drawEllipse(QRectF(a.Pt(4.0, 3.5), a.Pt(8.5, 7.5)));
    p.drawEllipse(QRectF(a.Pt(8.0, 6.5), a.Pt(11.5, 9.8)));
    p.setBrush(QColor(130, 130, 136, 170));
    p.drawEllipse(QRectF(a.Pt(5.0, 9.5), a.Pt(7.5, 11.5)));
    if (s > 1) {
        p.setBrush(QColor(235, 235, 235, 200));
        p.drawEllipse(a.Pt(11.2, 4.5), 0.9 * s, 0.9 * s);
        p.setBrush(QColor(140, 140, 146, 200));
        p.drawEllipse(a.Pt(11.4, 4.7), 0.6 * s, 0.6 * s);
    }
    p.restore();
    SphereShade(a);
}

void DrawEarth(CArt& a)
{
    SkyTile(a);
    QPainter& p = a.P();
    const int s = a.Scale();
    // The atmosphere's halo.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient halo(a.Pt(8, 7.5), 7.3 * s);
    halo.setColorAt(0.8, QColor(32, 64, 128, 0));
    halo.setColorAt(0.86, QColor(80, 140, 255, 200));
    halo.setColorAt(1, QColor(32, 64, 128, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(a.Pt(8, 7.5), 7.3 * s, 7.3 * s);
    p.restore();
    const double r = 5.9;
    Sphere(a, QColor(50, 110, 210), QColor(10, 30, 110), r);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    ClipSphere(a, r);
    p.setPen(Qt::NoPen);
    // Two continents and an ice cap.
    QPainterPath land1;
    land1.moveTo(4.0, 4.0);
    land1.cubicTo(6.5, 2.5, 8.5, 4.5, 7.5, 6.5);
    land1.cubicTo(7.0, 8.0, 8.5, 9.5, 7.0, 11.5);
    land1.cubicTo(5.0, 11.0, 3.0, 8.0, 4.0, 4.0);
    QPainterPath land2;
    land2.moveTo(10.0, 5.0);
    land2.cubicTo(12.5, 4.5, 13.5, 7.0, 12.5, 9.0);
    land2.cubicTo(11.5, 10.5, 10.0, 9.0, 10.0, 5.0);
    a.Path(land1, QColor(70, 150, 60), QColor());
    a.Path(land2, QColor(150, 140, 70), QColor());
    p.setBrush(Qt::white);
    p.drawRect(QRectF(a.Pt(0, 0), a.Pt(16, 2.3)));
    // A streak of cloud.
    QPainterPath cloud;
    cloud.moveTo(3.0, 9.0);
    cloud.cubicTo(6.0, 7.5, 9.0, 10.5, 13.0, 8.0);
    a.Path(cloud, Qt::NoBrush, QColor(255, 255, 255, 200), s == 1 ? 1.0 : 0.8, false);
    p.restore();
    SphereShade(a, r);
}

struct SToolbarImage
{
    const char* szName;
    void (*pfnDraw)(CArt&);
};

// The toolbar order, separators left out.
const SToolbarImage kToolbarImages[] = {
    {"new", DrawNew},           {"open", DrawOpen},       {"save", DrawSave},
    {"cut", DrawCut},           {"copy", DrawCopy},       {"paste", DrawPaste},
    {"undo", DrawUndo},         {"clear", DrawClear},     {"select", DrawSelect},
    {"starfield", DrawStarField}, {"cluster", DrawCluster}, {"nebula", DrawNebula},
    {"star", DrawStar},         {"gas", DrawGas},         {"vortex", DrawVortex},
    {"galaxy", DrawGalaxy},     {"lensflare", DrawLensFlare}, {"venus", DrawVenus},
    {"moon", DrawMoon},         {"earth", DrawEarth},
};

QImage ToolbarImage(void (*pfnDraw)(CArt&), int s)
{
    QImage image(16 * s, 15 * s, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    CArt art(p, s);
    pfnDraw(art);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Cursors: a cross-hair whose centre is the hot spot, drawn black on a white rim so it
// shows on dark skies and light pictures alike, with the tool's image below right.
const int kCursorHot = 7;

void CrossHair(QPainter& p, int cx, int cy, int arm, int gap)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect hl(cx - arm, cy, arm - gap, 1), hr(cx + gap + 1, cy, arm - gap, 1);
    const QRect vt(cx, cy - arm, 1, arm - gap), vb(cx, cy + gap + 1, 1, arm - gap);
    for (const QRect& r : {hl, hr, vt, vb})
        p.fillRect(r.adjusted(-1, -1, 1, 1), Qt::white);
    for (const QRect& r : {hl, hr, vt, vb})
        p.fillRect(r, Qt::black);
}

QImage CursorImage(void (*pfnDraw)(CArt&))
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    if (!pfnDraw) {
        CrossHair(p, 15, 15, 15, 2);
    } else {
        CrossHair(p, kCursorHot, kCursorHot, 7, 1);
        const QImage emblem = ToolbarImage(pfnDraw, 1);
        // A white rim lifts the emblem off a dark picture.
        p.fillRect(QRect(14, 15, 18, 17), QColor(255, 255, 255, 200));
        p.drawImage(15, 16, emblem);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The application icon: a two-armed spiral galaxy over a dark blue rounded square. The
// same numbers make the PNGs and the SVG.
struct SIconGeometry
{
    double dCorner = 0.18;   // corner radius, fraction of the side
    double dTilt = -28;      // degrees
    double dSquash = 0.72;   // the disc seen a little from the side
    double dArmTurn = 1.5 * kPi;
    double dArmInner = 0.05; // fractions of the side
    double dArmOuter = 0.40;
    double dArmWidth = 0.14;
    double dCore = 0.16;
};

const SIconGeometry kIcon;

// Background stars of the icon, in fractions of the side: x, y, radius.
const double kIconStars[][3] = {
    {0.16, 0.20, 0.012}, {0.82, 0.14, 0.016}, {0.88, 0.70, 0.010}, {0.12, 0.78, 0.014},
    {0.70, 0.88, 0.010}, {0.30, 0.10, 0.008}, {0.92, 0.40, 0.008}, {0.06, 0.48, 0.008},
};

QImage AppIcon(int n)
{
    QImage image(n, n, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double side = n;
    QLinearGradient bg(0, 0, 0, side);
    bg.setColorAt(0, QColor(30, 48, 120));
    bg.setColorAt(1, QColor(6, 10, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    // At 16 pixels a full square with tiny rounded corners keeps the edge crisp.
    const double corner = n <= 16 ? 2 : kIcon.dCorner * side;
    p.drawRoundedRect(QRectF(0, 0, side, side), corner, corner);
    if (n >= 32) {
        for (const auto& st : kIconStars) {
            p.setBrush(QColor(255, 255, 255, 200));
            const double r = std::max(0.6, st[2] * side);
            p.drawEllipse(QPointF(st[0] * side, st[1] * side), r, r);
        }
    }
    p.translate(side / 2, side / 2);
    p.rotate(kIcon.dTilt);
    p.scale(side, side * kIcon.dSquash);
    QRadialGradient disc(QPointF(0, 0), kIcon.dArmOuter);
    disc.setColorAt(0, QColor(140, 160, 255, 110));
    disc.setColorAt(1, QColor(100, 120, 255, 0));
    p.setBrush(disc);
    p.drawEllipse(QPointF(0, 0), kIcon.dArmOuter, kIcon.dArmOuter);
    // Small icons get relatively wider arms so that they stay visible.
    const double w = kIcon.dArmWidth * (n <= 16 ? 1.5 : (n <= 32 ? 1.2 : 1.0));
    p.setBrush(QColor(200, 214, 255, 240));
    p.drawPath(SpiralArm(0, kIcon.dArmTurn, kIcon.dArmInner, kIcon.dArmOuter, w));
    p.drawPath(SpiralArm(kPi, kIcon.dArmTurn, kIcon.dArmInner, kIcon.dArmOuter, w));
    QRadialGradient core(QPointF(0, 0), kIcon.dCore);
    core.setColorAt(0, QColor(255, 255, 240));
    core.setColorAt(0.45, QColor(255, 236, 170, 230));
    core.setColorAt(1, QColor(255, 220, 150, 0));
    p.setBrush(core);
    p.drawEllipse(QPointF(0, 0), kIcon.dCore, kIcon.dCore);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString SvgPath(const QPainterPath& path)
{
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        d += QString::asprintf("%s%.2f %.2f ", e.isMoveTo() ? "M" : "L", e.x, e.y);
    }
    return d + "Z";
}

QString AppIconSvg()
{
    const double side = 256;
    const QTransform t = QTransform::fromScale(side, side * kIcon.dSquash) *
                         QTransform().rotate(kIcon.dTilt) *
                         QTransform::fromTranslate(side / 2, side / 2);
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
        << "  <title>Skyloom</title>\n"
        << "  <defs>\n"
        << "    <linearGradient id=\"sky\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
        << "      <stop offset=\"0\" stop-color=\"#1e3078\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"#060a28\"/>\n"
        << "    </linearGradient>\n"
        << "    <radialGradient id=\"disc\">\n"
        << "      <stop offset=\"0\" stop-color=\"#8ca0ff\" stop-opacity=\"0.43\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"#6478ff\" stop-opacity=\"0\"/>\n"
        << "    </radialGradient>\n"
        << "    <radialGradient id=\"core\">\n"
        << "      <stop offset=\"0\" stop-color=\"#fffff0\"/>\n"
        << "      <stop offset=\"0.45\" stop-color=\"#ffecaa\" stop-opacity=\"0.9\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"#ffdc96\" stop-opacity=\"0\"/>\n"
        << "    </radialGradient>\n"
        << "  </defs>\n";
    const double corner = kIcon.dCorner * side;
    out << QString::asprintf("  <rect width=\"256\" height=\"256\" rx=\"%.2f\" fill=\"url(#sky)\"/>\n", corner);
    for (const auto& st : kIconStars)
        out << QString::asprintf("  <circle cx=\"%.2f\" cy=\"%.2f\" r=\"%.2f\" fill=\"#ffffff\" fill-opacity=\"0.78\"/>\n",
                                 st[0] * side, st[1] * side, st[2] * side);
    out << QString::asprintf("  <g transform=\"translate(128 128) rotate(%.2f) scale(%.4f %.4f)\">\n", kIcon.dTilt,
                             side, side * kIcon.dSquash);
    out << QString::asprintf("    <circle r=\"%.4f\" fill=\"url(#disc)\"/>\n", kIcon.dArmOuter);
    out << "  </g>\n";
    for (double start : {0.0, kPi}) {
        const QPainterPath arm = t.map(SpiralArm(start, kIcon.dArmTurn, kIcon.dArmInner, kIcon.dArmOuter, kIcon.dArmWidth));
        out << "  <path fill=\"#c8d6ff\" fill-opacity=\"0.94\" d=\"" << SvgPath(arm) << "\"/>\n";
    }
    out << QString::asprintf("  <g transform=\"translate(128 128) rotate(%.2f) scale(%.4f %.4f)\">\n", kIcon.dTilt,
                             side, side * kIcon.dSquash);
    out << QString::asprintf("    <circle r=\"%.4f\" fill=\"url(#core)\"/>\n", kIcon.dCore);
    out << "  </g>\n</svg>\n";
    return svg;
}

// Bitmap 161, the backdrop of the Lighting dialog's polar view: the planet seen from above
// its pole, with rings of latitude and meridians, among a few stars; the light's marker
// travels on a circle around it.
QImage PolarBackdrop()
{
    const int w = 100, h = 72;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // Faint stars, placed by a fixed little generator so the picture never changes.
    unsigned state = 161;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    for (int i = 0; i < 40; ++i) {
        const int x = int(next() % w), y = int(next() % h);
        const int v = 70 + int(next() % 120);
        image.setPixel(x, y, qRgb(v, v, v + 10 > 255 ? 255 : v + 10));
    }
    const QPointF c(w / 2.0, h / 2.0);
    const double r = 24;
    QRadialGradient globe(c, r);
    globe.setColorAt(0, QColor(70, 110, 170));
    globe.setColorAt(0.7, QColor(36, 62, 112));
    globe.setColorAt(1, QColor(14, 24, 52));
    p.setPen(Qt::NoPen);
    p.setBrush(globe);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 150, 200, 150), 0.8));
    for (double k : {1.0 / 3, 2.0 / 3})
        p.drawEllipse(c, r * k, r * k);
    for (int i = 0; i < 8; ++i) {
        const double a = i * kPi / 4;
        p.drawLine(c, c + QPointF(std::cos(a) * r, std::sin(a) * r));
    }
    p.setPen(QPen(QColor(150, 180, 230), 1.0));
    p.drawEllipse(c, r, r);
    // The pole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 230, 255));
    p.drawEllipse(c, 1.5, 1.5);
    return image;
}

bool Save(const QImage& image, const QString& path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skyloom_make_artwork <res folder>\n");
        return 2;
    }
    const QDir res(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"toolbar", "cursors", "icons", "bitmaps"})
        res.mkpath(sub);

    bool bOk = true;
    for (const SToolbarImage& t : kToolbarImages) {
        bOk &= Save(ToolbarImage(t.pfnDraw, 1), res.filePath(QString("toolbar/%1.png").arg(t.szName)));
        bOk &= Save(ToolbarImage(t.pfnDraw, 2), res.filePath(QString("toolbar/%1@2x.png").arg(t.szName)));
    }

    // Cursor ids of the tools; the planets use the arrow.
    const struct { int nId; void (*pfnDraw)(CArt&); } cursors[] = {
        {135, nullptr},       {131, DrawStarField}, {133, DrawCluster},
        {134, DrawNebula},    {136, DrawStar},      {146, DrawGas},
        {147, DrawVortex},    {168, DrawGalaxy},    {157, DrawLensFlare},
    };
    for (const auto& c : cursors)
        bOk &= Save(CursorImage(c.pfnDraw), res.filePath(QString("cursors/%1.png").arg(c.nId)));

    bOk &= Save(PolarBackdrop(), res.filePath("bitmaps/161.png"));

    for (int n : {16, 32, 48, 64, 128, 256})
        bOk &= Save(AppIcon(n), res.filePath(QString("icons/skyloom-%1.png").arg(n)));
    QFile svg(res.filePath("icons/skyloom.svg"));
    if (svg.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        svg.write(AppIconSvg().toUtf8());
    else
        bOk = false;
    return bOk ? 0 : 1;
}
