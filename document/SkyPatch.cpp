#include "SkyPatch.h"

#include "Dib.h"
#include "../effects/RenderThreads.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadians = kPi / 180.0;
// The widest angle a patch spans: the tangent plane grows without bound towards 180.
constexpr double kMaxAngle = 160.0;

double Dot(const CSkyDirection& a, const CSkyDirection& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

} // namespace

CSkyPatch CSkyPatch::FromRect(const CRect& rect, CSize panorama)
{
    CSkyPatch patch;
    const int w = std::max(2, int(panorama.cx)), h = std::max(1, int(panorama.cy));
    patch.m_nSphereWidth = w;
    patch.m_nSphereHeight = h;
    const double cx = (rect.left + rect.right) / 2.0, cy = (rect.top + rect.bottom) / 2.0;
    double lon = std::fmod(cx / w * 360.0, 360.0);
    if (lon < 0)
        lon += 360.0;
    const double lat = std::clamp(90.0 - cy / h * 180.0, -90.0, 90.0);
    patch.m_centre = PanoramaDirection(lon, lat);
    // Longitude grows to the right and latitude upwards, so the plane is seen as the
    // panorama shows the sky there, not mirrored.
    const double l = lon * kRadians, p = lat * kRadians;
    patch.m_east = {-std::cos(l), 0, std::sin(l)};
    patch.m_north = {std::sin(p) * std::sin(l), std::cos(p), std::sin(p) * std::cos(l)};
    // One plane pixel is one panorama row at the centre; the width is the angle the dragged
    // columns span at the centre's latitude.
    patch.m_dScale = h / kPi;
    const double angleH = std::min(kMaxAngle, std::abs(rect.Height()) * 180.0 / h);
    const double angleW = std::min(kMaxAngle, std::abs(rect.Width()) * 360.0 / w * std::cos(p));
    patch.m_nPlaneWidth =
        std::max(1, int(std::lround(2 * std::tan(angleW / 2 * kRadians) * patch.m_dScale)));
    patch.m_nPlaneHeight =
        std::max(1, int(std::lround(2 * std::tan(angleH / 2 * kRadians) * patch.m_dScale)));
    return patch;
}

CSkyDirection CSkyPatch::PlaneDirection(double px, double py) const
{
    const double a = (px - m_nPlaneWidth / 2.0) / m_dScale;
    const double b = -(py - m_nPlaneHeight / 2.0) / m_dScale;
    CSkyDirection d{m_centre.x + a * m_east.x + b * m_north.x,
                    m_centre.y + a * m_east.y + b * m_north.y,
                    m_centre.z + a * m_east.z + b * m_north.z};
    const double n = std::sqrt(Dot(d, d));
    return {d.x / n, d.y / n, d.z / n};
}

bool CSkyPatch::PlanePoint(const CSkyDirection& d, double& px, double& py) const
{
    const double c = Dot(d, m_centre);
    if (c <= 1e-9)
        return false;
    px = m_nPlaneWidth / 2.0 + Dot(d, m_east) / c * m_dScale;
    py = m_nPlaneHeight / 2.0 - Dot(d, m_north) / c * m_dScale;
    return true;
}

CRect CSkyPatch::SphereRows(const CRect& area) const
{
    // The widest angle from the centre to the area's corners bounds the latitudes it meets.
    double widest = 0;
    for (const double px : {double(area.left), double(area.right)})
        for (const double py : {double(area.top), double(area.bottom)})
            widest = std::max(
                widest, std::acos(std::clamp(Dot(PlaneDirection(px, py), m_centre), -1.0, 1.0)));
    double lonC = 0, latC = 0;
    PanoramaAngles(m_centre, lonC, latC);
    const double top = std::min(90.0, latC + widest / kRadians);
    const double bottom = std::max(-90.0, latC - widest / kRadians);
    const int y0 = std::max(0, int(std::floor((90.0 - top) / 180.0 * m_nSphereHeight)) - 1);
    const int y1 =
        std::min(m_nSphereHeight, int(std::ceil((90.0 - bottom) / 180.0 * m_nSphereHeight)) + 1);
    return CRect(0, y0, m_nSphereWidth, y1);
}

QList<QPolygonF> CSkyPatch::OutlineOnPanorama(const QPolygonF& outline) const
{
    // Steps of the outline on the panorama are at most this long; a step is at most
    // kMaxPlaneStep plane pixels, so that a bend between two near points is not missed.
    constexpr double kStep = 3;
    constexpr double kMaxPlaneStep = 16;
    constexpr int kMaxDepth = 16;
    const double w = m_nSphereWidth, h = m_nSphereHeight;
    const auto onPanorama = [&](const QPointF& p) {
        double lon = 0, lat = 0;
        PanoramaAngles(PlaneDirection(p.x(), p.y()), lon, lat);
        return QPointF(lon / 360.0 * w, (90.0 - lat) / 180.0 * h);
    };
    // Across the left and right edges the nearer way round counts.
    const auto apart = [w](const QPointF& a, const QPointF& b) {
        const double dx = std::abs(a.x() - b.x());
        return std::hypot(std::min(dx, w - dx), a.y() - b.y());
    };

    QList<QPolygonF> lines;
    QPolygonF line;
    const auto add = [&](const QPointF& q) {
        if (line.isEmpty()) {
            line << q;
            return;
        }
        const QPointF last = line.constLast();
        const double dx = q.x() - last.x();
        if (std::abs(dx) <= w / 2) {
            line << q;
            return;
        }
        // The step crosses an edge: it ends there and comes back in at the opposite one.
        const double edge = dx > 0 ? 0 : w;
        const double across = dx > 0 ? q.x() - w : q.x() + w;
        const double t = across == last.x() ? 0 : (edge - last.x()) / (across - last.x());
        const double y = last.y() + t * (q.y() - last.y());
        line << QPointF(edge, y);
        lines << line;
        line = QPolygonF{QPointF(w - edge, y), q};
    };
    // Adds the points after a up to b, halving the step until it is short enough.
    const std::function<void(QPointF, QPointF, QPointF, QPointF, int)> walk =
        [&](QPointF a, QPointF pa, QPointF b, QPointF pb, int depth) {
            if (depth < kMaxDepth && (apart(pa, pb) > kStep ||
                                      std::hypot(b.x() - a.x(), b.y() - a.y()) > kMaxPlaneStep)) {
                const QPointF m = (a + b) / 2;
                const QPointF pm = onPanorama(m);
                walk(a, pa, m, pm, depth + 1);
                walk(m, pm, b, pb, depth + 1);
                return;
            }
            add(pb);
        };
    if (outline.isEmpty())
        return lines;
    QPointF a = outline.constFirst();
    QPointF pa = onPanorama(a);
    add(pa);
    for (qsizetype i = 1; i <= outline.size(); ++i) {
        const QPointF b = outline[i % outline.size()];
        const QPointF pb = onPanorama(b);
        walk(a, pa, b, pb, 0);
        a = b;
        pa = pb;
    }
    if (line.size() > 1)
        lines << line;
    // An outline that crossed an edge began in the middle of a line: its first piece and
    // its last are one.
    if (lines.size() > 1 && lines.constLast().constLast() == lines.constFirst().constFirst()) {
        QPolygonF joined = lines.takeLast();
        joined.removeLast();
        lines.first() = joined + lines.constFirst();
    }
    return lines;
}

bool CSkyPatch::Paint(
    CDib& sphere, const CRect& area,
    const std::function<void(CDib& plane, CDib& before, const CRect& rect)>& render) const
{
    const int w = sphere.m_nWidth, h = sphere.m_nHeight;
    CDib plane, before;
    if (area.IsRectEmpty() || !plane.Create(area.Width(), area.Height()) ||
        !before.Create(area.Width(), area.Height()))
        return false;
    // The sky under the plane, each plane pixel from the panorama pixel its centre sees.
    const int pw = area.Width(), ph = area.Height();
    ForEveryRow(0, ph, [&](int j) {
        for (int i = 0; i < pw; ++i) {
            double lon = 0, lat = 0;
            PanoramaAngles(PlaneDirection(area.left + i + 0.5, area.top + j + 0.5), lon, lat);
            const int x = std::min(w - 1, int(lon / 360.0 * w));
            const int y = std::clamp(int((90.0 - lat) / 180.0 * h), 0, h - 1);
            plane.SetPixel(i, ph - 1 - j, sphere.GetPixel(x, h - 1 - y));
        }
    });
    before.CopyRect(0, 0, pw, ph, plane, 0, 0);
    CRect rect = PlaneRect();
    rect.OffsetRect(-area.left, -area.top);
    render(plane, before, rect);

    // Each panorama pixel near the patch takes the plane's change at its centre, read
    // between the four plane pixels around it.
    const CRect rows = SphereRows(area);
    std::vector<double> sinLon(w), cosLon(w);
    for (int x = 0; x < w; ++x) {
        const double l = (x + 0.5) / w * 2 * kPi;
        sinLon[x] = std::sin(l);
        cosLon[x] = std::cos(l);
    }
    ForEveryRow(rows.top, rows.bottom, [&](int y) {
        const double p = (90.0 - (y + 0.5) / h * 180.0) * kRadians;
        const double sinLat = std::sin(p), cosLat = std::cos(p);
        BYTE* pRow = sphere.PixelAddress(0, h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const CSkyDirection d{-cosLat * sinLon[x], sinLat, -cosLat * cosLon[x]};
            double px = 0, py = 0;
            if (!PlanePoint(d, px, py))
                continue;
            // Plane pixel centres sit at half pixels.
            const double fx = px - area.left - 0.5, fy = py - area.top - 0.5;
            if (fx < -0.5 || fy < -0.5 || fx > pw - 0.5 || fy > ph - 0.5)
                continue;
            const int i0 = std::clamp(int(std::floor(fx)), 0, pw - 1);
            const int j0 = std::clamp(int(std::floor(fy)), 0, ph - 1);
            const int i1 = std::min(i0 + 1, pw - 1), j1 = std::min(j0 + 1, ph - 1);
            const double ax = std::clamp(fx - i0, 0.0, 1.0), ay = std::clamp(fy - j0, 0.0, 1.0);
            const BYTE* corners[4][2] = {
                {plane.PixelAddress(i0, ph - 1 - j0), before.PixelAddress(i0, ph - 1 - j0)},
                {plane.PixelAddress(i1, ph - 1 - j0), before.PixelAddress(i1, ph - 1 - j0)},
                {plane.PixelAddress(i0, ph - 1 - j1), before.PixelAddress(i0, ph - 1 - j1)},
                {plane.PixelAddress(i1, ph - 1 - j1), before.PixelAddress(i1, ph - 1 - j1)}};
            const double weights[4] = {(1 - ax) * (1 - ay), ax * (1 - ay), (1 - ax) * ay, ax * ay};
            BYTE* pPixel = pRow + 3 * x;
            for (int c = 0; c < 3; ++c) {
                double change = 0;
                for (int k = 0; k < 4; ++k)
                    change += weights[k] * (int(corners[k][0][c]) - int(corners[k][1][c]));
                if (change != 0)
                    pPixel[c] = BYTE(std::clamp(std::lround(pPixel[c] + change), 0L, 255L));
            }
        }
    });
    return true;
}
