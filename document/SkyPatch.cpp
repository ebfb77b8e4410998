#include "SkyPatch.h"

#include "Dib.h"
#include "../effects/RenderThreads.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double kRadians = kPi / 180.0;
// The widest angle a patch spans: the tangent plane grows without bound towards 180.
constexpr double kMaxAngle = 160.0;

// The side of the square cells of the plane whose corners' panorama points are found
// exactly when it is filled.
constexpr int kCell = 8;

// The side of the square tiles of the plane whose change is tracked.
constexpr int kTile = 16;
// Panorama pixels carried back along a straight line between two exact plane points; the
// line is taken only where the plane is seen no more steeply than kSteepest (the cosine of
// the angle from the patch's centre) allows, and a run whose ends lie more than kMargin
// plane pixels off the plane on one side is passed over.
constexpr int kRun = 8;
// Runs a block holds.
constexpr int kBlock = 8;
constexpr double kSteepest = 0.3;
constexpr double kMargin = 4;

// Which square tiles of a plane a render changed: the panorama pixels that read only
// unchanged ones are passed over.
class CChangedTiles
{
public:
    CChangedTiles(const CDib& plane, const CDib& before)
        : m_nWidth((plane.m_nWidth + kTile - 1) / kTile),
          m_changed(size_t(m_nWidth) * ((plane.m_nHeight + kTile - 1) / kTile), 0)
    {
        const int pw = plane.m_nWidth, ph = plane.m_nHeight;
        ForEveryRow(0, (ph + kTile - 1) / kTile, [&](int tj) {
            for (int j = tj * kTile; j < std::min(ph, (tj + 1) * kTile); ++j) {
                const BYTE* p = plane.PixelAddress(0, ph - 1 - j);
                const BYTE* q = before.PixelAddress(0, ph - 1 - j);
                for (int ti = 0; ti < m_nWidth; ++ti) {
                    const int i = ti * kTile, n = std::min(kTile, pw - i);
                    char& changed = m_changed[size_t(tj) * m_nWidth + ti];
                    if (!changed && std::memcmp(p + 3 * i, q + 3 * i, 3 * n))
                        changed = 1;
                }
            }
        });
    }
    // Whether any plane pixel of columns i0 to i1 and rows j0 to j1 changed.
    bool Any(int i0, int i1, int j0, int j1) const { return View().Any(i0, i1, j0, j1); }

    // A copy of what Any reads, for loops that write bytes (which might change anything a
    // reference reaches, as far as the compiler knows).
    struct CView
    {
        const char* changed;
        int nWidth;
        bool Any(int i0, int i1, int j0, int j1) const
        {
            for (int tj = j0 / kTile; tj <= j1 / kTile; ++tj)
                for (int ti = i0 / kTile; ti <= i1 / kTile; ++ti)
                    if (changed[size_t(tj) * nWidth + ti])
                        return true;
            return false;
        }
        bool All(int i0, int i1, int j0, int j1) const
        {
            for (int tj = j0 / kTile; tj <= j1 / kTile; ++tj)
                for (int ti = i0 / kTile; ti <= i1 / kTile; ++ti)
                    if (!changed[size_t(tj) * nWidth + ti])
                        return false;
            return true;
        }
    };
    CView View() const { return {m_changed.data(), m_nWidth}; }

private:
    int m_nWidth;
    std::vector<char> m_changed;
};

// The plane and its copy from before the render, as CarryPixel reads them: row j from the top
// of the plane at top + j * down, and the same pixel of the copy toBefore on.
struct CPlanePair
{
    const BYTE* top;
    ptrdiff_t down;
    ptrdiff_t toBefore;
    int nWidth;
    int nHeight;
    CChangedTiles::CView changed;
};

// The core of CarryPixel, the three channels at once, for plane pixels i0 and i0 + 1 of rows
// p0 and p1 (i0 + 2 within the plane) weighed ax and ay of 256.
inline void MovePixel(BYTE* pPixel, const BYTE* p0, const BYTE* p1, ptrdiff_t toBefore, int i0,
                      int ax, int ay)
{
    // The three channels at once. Along each row, the change of the two pixels (read
    // eight bytes at a time, which stays in the row), interleaved channel by channel and
    // weighed with one multiply-add; then the two rows, each sum below 2^16 times a
    // weight of at most 2^8, so exact in a float.
    const __m128i zero = _mm_setzero_si128();
    const __m128i across = _mm_set1_epi32((ax << 16) | (256 - ax));
    const auto row = [&](const BYTE* p) {
        const auto load = [](const BYTE* q) {
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)),
                                     _mm_setzero_si128());
        };
        const __m128i d = _mm_sub_epi16(load(p + 3 * i0), load(p + toBefore + 3 * i0));
        return _mm_cvtepi32_ps(_mm_madd_epi16(_mm_unpacklo_epi16(d, _mm_srli_si128(d, 6)), across));
    };
    const __m128i change =
        _mm_add_epi32(_mm_cvtps_epi32(_mm_mul_ps(row(p0), _mm_set1_ps(float(256 - ay)))),
                      _mm_cvtps_epi32(_mm_mul_ps(row(p1), _mm_set1_ps(float(ay)))));
    // To the nearest whole step, halves away from nought.
    const __m128i sign = _mm_srai_epi32(change, 31);
    const __m128i size = _mm_sub_epi32(_mm_xor_si128(change, sign), sign);
    const __m128i steps = _mm_srli_epi32(_mm_add_epi32(size, _mm_set1_epi32(32768)), 16);
    const __m128i step = _mm_sub_epi32(_mm_xor_si128(steps, sign), sign);
    const __m128i pixel = _mm_unpacklo_epi8(
        _mm_cvtsi32_si128(int(pPixel[0] | pPixel[1] << 8 | pPixel[2] << 16)), zero);
    const __m128i moved = _mm_add_epi16(pixel, _mm_packs_epi32(step, zero));
    const uint32_t bytes = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(moved, zero)));
    pPixel[0] = BYTE(bytes);
    pPixel[1] = BYTE(bytes >> 8);
    pPixel[2] = BYTE(bytes >> 16);
}

// Moves one panorama pixel by the change between before and plane at (fx, fy) (plane
// pixels, centres at whole numbers, within the plane), read between the four plane pixels
// around it. Weights go in 256ths each way, so that a change is a sum of whole numbers and a
// pixel whose four plane pixels did not change stays exactly as it was. bChanged when the
// tiles around (fx, fy) are known to have changed.
inline void CarryPixel(BYTE* pPixel, double fx, double fy, const CPlanePair planes, bool bChanged)
{
    const int pw = planes.nWidth, ph = planes.nHeight;
    const int i0 = std::clamp(FloorToInt(fx), 0, pw - 1);
    const int j0 = std::clamp(FloorToInt(fy), 0, ph - 1);
    const int i1 = std::min(i0 + 1, pw - 1), j1 = std::min(j0 + 1, ph - 1);
    if (!bChanged && !planes.changed.Any(i0, i1, j0, j1))
        return;
    const int ax = int(std::clamp(fx - i0, 0.0, 1.0) * 256 + 0.5);
    const int ay = int(std::clamp(fy - j0, 0.0, 1.0) * 256 + 0.5);
    const BYTE* p0 = planes.top + planes.down * j0;
    const BYTE* p1 = planes.top + planes.down * j1;
    const ptrdiff_t toBefore = planes.toBefore;
    if (i0 + 2 < pw) {
        MovePixel(pPixel, p0, p1, toBefore, i0, ax, ay);
        return;
    }
    const int weights[4] = {(256 - ax) * (256 - ay), ax * (256 - ay), (256 - ax) * ay, ax * ay};
    const ptrdiff_t offsets[4] = {3 * i0, 3 * i1, p1 - p0 + 3 * i0, p1 - p0 + 3 * i1};
    for (int ch = 0; ch < 3; ++ch) {
        int change = 0;
        for (int n = 0; n < 4; ++n) {
            const BYTE* p = p0 + offsets[n] + ch;
            change += weights[n] * (int(p[0]) - int(p[toBefore]));
        }
        if (change == 0)
            continue;
        // To the nearest whole step, halves away from nought.
        const int step = change > 0 ? (change + 32768) / 65536 : -((32768 - change) / 65536);
        pPixel[ch] = BYTE(std::clamp(pPixel[ch] + step, 0, 255));
    }
}

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

bool CSkyPatch::PlanePoint(const CSkyDirection& d, double& px, double& py, double dLeast) const
{
    const double c = Dot(d, m_centre);
    if (c <= dLeast)
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

void CSkyPatch::SphereColumns(const CRect& area, int& x0, int& x1) const
{
    x0 = 0;
    x1 = m_nSphereWidth;
    // A pole the plane sees within the area: every longitude meets it.
    double px = 0, py = 0;
    for (const CSkyDirection& pole : {CSkyDirection{0, 1, 0}, CSkyDirection{0, -1, 0}}) {
        if (PlanePoint(pole, px, py) && px >= area.left && px <= area.right && py >= area.top &&
            py <= area.bottom)
            return;
    }
    // Otherwise the longitudes it spans are those of its border, followed round so that
    // they never jump at the panorama's edge; a border that winds round a pole after all
    // (one just outside the area) also takes every longitude.
    constexpr int kSteps = 256;
    double lonC = 0, latC = 0;
    PanoramaAngles(m_centre, lonC, latC);
    double first = 0, previous = 0, low = 0, high = 0;
    for (int side = 0; side < 4; ++side) {
        for (int k = 0; k < kSteps; ++k) {
            const double t = double(k) / kSteps;
            const double bx = side == 0 ? area.left + t * area.Width()
                            : side == 1 ? area.right
                            : side == 2 ? area.right - t * area.Width()
                                        : area.left;
            const double by = side == 0 ? area.top
                            : side == 1 ? area.top + t * area.Height()
                            : side == 2 ? area.bottom
                                        : area.bottom - t * area.Height();
            double lon = 0, lat = 0;
            PanoramaAngles(PlaneDirection(bx, by), lon, lat);
            lon -= lonC;
            lon -= 360.0 * std::round((lon - previous) / 360.0);
            // So great a step between neighbours passes right by a pole.
            if (std::abs(lon - previous) > 90.0 && !(side == 0 && k == 0))
                return;
            if (side == 0 && k == 0)
                first = low = high = lon;
            low = std::min(low, lon);
            high = std::max(high, lon);
            previous = lon;
        }
    }
    // Back at the start a whole turn on: the border went round a pole.
    if (std::abs(previous - first) > 180.0)
        return;
    if (high - low >= 350.0)
        return;
    const int w = m_nSphereWidth;
    const int from = int(std::floor((lonC + low) / 360.0 * w)) - 1;
    const int to = int(std::ceil((lonC + high) / 360.0 * w)) + 2;
    if (to - from < w) {
        x0 = from;
        x1 = to;
    }
}

CRect CSkyPatch::SphereArea(const CRect& area) const
{
    CRect rect = SphereRows(area);
    int x0 = 0, x1 = 0;
    SphereColumns(area, x0, x1);
    if (x0 >= 0 && x1 <= m_nSphereWidth) {
        rect.left = x0;
        rect.right = x1;
    }
    return rect;
}

// Where the centre of plane pixel (i, j) of area sees the panorama, in panorama pixels
// from its left edge (0 to w) and top row. The direction need not be of length 1.
void CSkyPatch::PanoramaPointOf(const CRect& area, double i, double j, double& u,
                                double& v) const
{
    const double a = (area.left + i + 0.5 - m_nPlaneWidth / 2.0) / m_dScale;
    const double b = -(area.top + j + 0.5 - m_nPlaneHeight / 2.0) / m_dScale;
    const CSkyDirection d{m_centre.x + a * m_east.x + b * m_north.x,
                          m_centre.y + a * m_east.y + b * m_north.y,
                          m_centre.z + a * m_east.z + b * m_north.z};
    PanoramaPixel(d, m_nSphereWidth, m_nSphereHeight, u, v);
}

// Plane pixels i0 to i1 - 1 of row j, fy of the way down the cell whose corners' panorama
// points are u and v (top left, top right, bottom left, bottom right; longitudes unwrapped
// next to the first), into pOut: each from the panorama pixel its
// centre sees, found exactly with bExact (where the longitude turns fast, by a pole) and
// otherwise along straight lines between the corners.
void CSkyPatch::FillCell(const CDib& sphere, const CRect& area, const double (&u)[4],
                         const double (&v)[4], bool bExact, int j, int i0, int i1, double fy,
                         BYTE* pOut) const
{
    const int w = sphere.m_nWidth, h = sphere.m_nHeight;
    // Held here rather than read through the pictures, which every byte written might change
    // as far as the compiler knows.
    const BYTE* const pTop = sphere.PixelAddress(0, h - 1);
    const ptrdiff_t down = -ptrdiff_t(sphere.m_nStride);
    const auto copy = [&](int i, int x, int y) {
        x = std::clamp(x < 0 ? x + w : x >= w ? x - w : x, 0, w - 1);
        const BYTE* pIn = pTop + down * std::clamp(y, 0, h - 1) + 3 * x;
        BYTE* q = pOut + 3 * i;
        q[0] = pIn[0];
        q[1] = pIn[1];
        q[2] = pIn[2];
    };
    if (bExact) {
        for (int i = i0; i < i1; ++i) {
            double su = 0, sv = 0;
            PanoramaPointOf(area, i, j, su, sv);
            copy(i, FloorToInt(su), FloorToInt(sv));
        }
        return;
    }
    const double uLeft = u[0] + (u[2] - u[0]) * fy, uRight = u[1] + (u[3] - u[1]) * fy;
    const double vLeft = v[0] + (v[2] - v[0]) * fy, vRight = v[1] + (v[3] - v[1]) * fy;
    // Along the line in whole numbers of 2^-32 pixels.
    const auto fixed = [](double f) {
        const double t = f * 4294967296.0;
        const int64_t n = int64_t(t);
        return n - (t < double(n));
    };
    int64_t su = fixed(uLeft), sv = fixed(vLeft);
    const int64_t du = fixed((uRight - uLeft) / kCell), dv = fixed((vRight - vLeft) / kCell);
    const int64_t suLast = su + du * (i1 - 1 - i0), svLast = sv + dv * (i1 - 1 - i0);
    if (std::min(su, suLast) >= 0 && std::max(su, suLast) >> 32 < w && std::min(sv, svLast) >= 0 &&
        std::max(sv, svLast) >> 32 < h) {
        // Neither across the panorama's left and right edges nor past its top or bottom.
        for (int i = i0; i < i1; ++i, su += du, sv += dv) {
            const BYTE* pIn = pTop + down * int(sv >> 32) + 3 * int(su >> 32);
            BYTE* q = pOut + 3 * i;
            q[0] = pIn[0];
            q[1] = pIn[1];
            q[2] = pIn[2];
        }
        return;
    }
    for (int i = i0; i < i1; ++i, su += du, sv += dv)
        copy(i, int(su >> 32), int(sv >> 32));
}

void CSkyPatch::FillPlane(const CDib& sphere, const CRect& area, CDib& plane, CDib* pCopy) const
{
    // Each plane pixel from the panorama pixel its centre sees. The panorama point is found
    // exactly every kCell pixels and in between along straight lines, which it follows
    // within a small part of a pixel; cells where the longitude turns fast (by a pole) are
    // found pixel by pixel.
    const int w = sphere.m_nWidth;
    const int pw = plane.m_nWidth, ph = plane.m_nHeight;
    const int gw = (pw - 1) / kCell + 2, gh = (ph - 1) / kCell + 2;
    std::vector<double> gu(size_t(gw) * gh), gv(size_t(gw) * gh);
    ForEveryRow(0, gh, [&](int gj) {
        for (int gi = 0; gi < gw; ++gi)
            PanoramaPointOf(area, gi * kCell, gj * kCell, gu[size_t(gj) * gw + gi],
                            gv[size_t(gj) * gw + gi]);
    });
    // In tiles of kTile cells each way, so that the part of the panorama a tile reads stays
    // at hand while it is filled.
    constexpr int kTile = 8;
    const int cellsAcross = (pw + kCell - 1) / kCell;
    ForEveryRow(0, (ph + kTile * kCell - 1) / (kTile * kCell), [&](int tileRow) {
        for (int t = 0; t < cellsAcross; t += kTile) {
            // The tile's cells' corners, longitudes unwrapped next to each cell's first.
            struct CCorners
            {
                double u[4];
                double v[4];
                bool bExact;
            } cells[kTile][kTile];
            const int gj0 = tileRow * kTile;
            for (int cj = 0; cj < kTile && gj0 + cj < gh - 1; ++cj)
                for (int ci = 0; ci < kTile && t + ci < cellsAcross; ++ci) {
                    const size_t k = size_t(gj0 + cj) * gw + size_t(t + ci);
                    CCorners& c = cells[cj][ci];
                    const size_t at[4] = {k, k + 1, k + gw, k + gw + 1};
                    for (int n = 0; n < 4; ++n) {
                        const double uk = gu[at[n]];
                        c.u[n] = n == 0 ? uk : NearLongitude(uk, c.u[0], w);
                        c.v[n] = gv[at[n]];
                    }
                    const auto [uLow, uHigh] = std::minmax({c.u[0], c.u[1], c.u[2], c.u[3]});
                    c.bExact = uHigh - uLow > 4 * kCell;
                }
            for (int j = gj0 * kCell; j < std::min(ph, (gj0 + kTile) * kCell); ++j) {
                BYTE* pOut = plane.PixelAddress(0, ph - 1 - j);
                const int cj = j / kCell - gj0;
                const double fy = (j % kCell) * (1.0 / kCell);
                for (int ci = 0; ci < kTile && t + ci < cellsAcross; ++ci) {
                    const CCorners& c = cells[cj][ci];
                    FillCell(sphere, area, c.u, c.v, c.bExact, j, (t + ci) * kCell,
                             std::min(pw, (t + ci + 1) * kCell), fy, pOut);
                }
            }
        }
        // The rows just filled are still at hand: copied now, they cost little.
        if (pCopy)
            for (int j = tileRow * kTile * kCell; j < std::min(ph, (tileRow + 1) * kTile * kCell);
                 ++j)
                std::memcpy(pCopy->PixelAddress(0, ph - 1 - j), plane.PixelAddress(0, ph - 1 - j),
                            size_t(plane.m_nStride));
    });
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
    // Both are written whole by the fill before they are read.
    CDib plane, before;
    if (area.IsRectEmpty() || !plane.CreateUncleared(area.Width(), area.Height()) ||
        !before.CreateUncleared(area.Width(), area.Height()))
        return false;
    FillPlane(sphere, area, plane, &before);
    CRect rect = PlaneRect();
    rect.OffsetRect(-area.left, -area.top);
    render(plane, before, rect);
    CarryBack(sphere, area, plane, before);
    return true;
}

namespace {

// Carries a render's change back from the plane to the panorama, a block of a panorama row
// at a time.
class CCarry
{
public:
    CCarry(const CSkyPatch& patch, const CRect& area, const CPlanePair& planes, int w,
           const std::vector<double>& sinLon, const std::vector<double>& cosLon, double areaCos)
        : m_patch(patch),
          m_area(area),
          m_planes(planes),
          m_nWidth(w),
          m_sinLon(sinLon),
          m_cosLon(cosLon),
          m_pw(planes.nWidth),
          m_ph(planes.nHeight),
          m_areaCos(areaCos),
          m_runAngle(kRun * 2 * kPi / w)
    {}

    // The pixels of row pRow (at latitude sin, cos) from column b0, up to kBlock runs but
    // not past x1. Runs go in blocks: a block whose plane points all lie well off the plane,
    // or where the render changed nothing, is passed over whole.
    void Block(BYTE* pRow, double sinLat, double cosLat, int b0, int x1) const
    {
        // Directions further from the patch's centre than any of the area's corners miss
        // it; along a block (or a run) a direction turns by at most its longitudes.
        if (std::max(Cosine(b0, sinLat, cosLat), Cosine(b0 + kBlock * kRun, sinLat, cosLat)) +
                kBlock * m_runAngle <
            m_areaCos)
            return;
        double ax = 0, ay = 0, ex = 0, ey = 0;
        bool bStart = PlanePoint(b0, sinLat, cosLat, ax, ay, kSteepest);
        const bool bBlockEnd = PlanePoint(b0 + kBlock * kRun, sinLat, cosLat, ex, ey, kSteepest);
        if (bStart && bBlockEnd && HoldsNothing(ax, ay, ex, ey))
            return;
        // Along a row the plane point moves smoothly: it is found exactly at the ends of
        // short runs and in between along the straight line, within a small part of a pixel.
        // Each run's end is the next one's start.
        for (int k0 = b0; k0 < std::min(x1, b0 + kBlock * kRun); k0 += kRun) {
            double bx = 0, by = 0;
            const bool bEnd = PlanePoint(k0 + kRun, sinLat, cosLat, bx, by, kSteepest);
            Run(pRow, sinLat, cosLat, k0, std::min(k0 + kRun, x1), bStart && bEnd, ax, ay, bx, by);
            ax = bx;
            ay = by;
            bStart = bEnd;
        }
    }

private:
    CSkyDirection Direction(int k, double sinLat, double cosLat) const
    {
        const int x = k < 0 ? k + m_nWidth : k >= m_nWidth ? k - m_nWidth : k;
        return {-cosLat * m_sinLon[x], sinLat, -cosLat * m_cosLon[x]};
    }
    // The cosine of column k's direction's angle from the patch's centre.
    double Cosine(int k, double sinLat, double cosLat) const
    {
        const CSkyDirection d = Direction(k, sinLat, cosLat);
        const CSkyDirection& c = m_patch.m_centre;
        return d.x * c.x + d.y * c.y + d.z * c.z;
    }
    // Where column k's direction meets the plane, from the area's corner with pixel centres
    // at whole numbers.
    bool PlanePoint(int k, double sinLat, double cosLat, double& fx, double& fy, double least) const
    {
        if (!m_patch.PlanePoint(Direction(k, sinLat, cosLat), fx, fy, least))
            return false;
        fx -= m_area.left + 0.5;
        fy -= m_area.top + 0.5;
        return true;
    }
    // Over a block the points stray from the line between its ends by far less than the
    // margin allowed.
    bool HoldsNothing(double ax, double ay, double bx, double by) const
    {
        const double margin = kMargin * 4 + 0.5 * (std::abs(bx - ax) + std::abs(by - ay));
        const auto [xLow, xHigh] = std::minmax(ax, bx);
        const auto [yLow, yHigh] = std::minmax(ay, by);
        if (xHigh < -margin || yHigh < -margin || xLow > m_pw + margin || yLow > m_ph + margin)
            return true;
        return !m_planes.changed.Any(At(xLow - margin, m_pw), At(xHigh + margin, m_pw),
                                     At(yLow - margin, m_ph), At(yHigh + margin, m_ph));
    }
    static int At(double f, int n) { return std::clamp(FloorToInt(f), 0, n - 1); }
    // The pixels from k0 to k1 - 1, between plane points a and b when bLine.
    void Run(BYTE* pRow, double sinLat, double cosLat, int k0, int k1, bool bLine, double ax,
             double ay, double bx, double by) const
    {
        const int w = m_nWidth, pw = m_pw, ph = m_ph;
        if (!bLine &&
            std::max(Cosine(k0, sinLat, cosLat), Cosine(k1, sinLat, cosLat)) + m_runAngle <
                m_areaCos)
            return;
        // A run whose ends lie well off the plane on one side holds nothing of it.
        if (bLine &&
            ((ax < -kMargin && bx < -kMargin) || (ay < -kMargin && by < -kMargin) ||
             (ax > pw + kMargin && bx > pw + kMargin) || (ay > ph + kMargin && by > ph + kMargin)))
            return;
        // Nor does one whose plane points all lie where the render changed nothing; where
        // they all lie where it changed, its pixels need not ask.
        bool bChanged = false;
        if (bLine) {
            const int i0 = At(std::min(ax, bx), pw), j0 = At(std::min(ay, by), ph);
            const int i1 = std::min(At(std::max(ax, bx), pw) + 1, pw - 1);
            const int j1 = std::min(At(std::max(ay, by), ph) + 1, ph - 1);
            if (!m_planes.changed.Any(i0, i1, j0, j1))
                return;
            bChanged = m_planes.changed.All(i0, i1, j0, j1);
        }
        // A run whose changed pixels lie well inside the plane needs no holding to its edges.
        if (bChanged && std::min(ax, bx) >= 0 && std::max(ax, bx) <= pw - 3 &&
            std::min(ay, by) >= 0 && std::max(ay, by) <= ph - 2) {
            for (int k = k0; k < k1; ++k) {
                const double t = double(k - k0) / kRun;
                const double fx = ax + (bx - ax) * t, fy = ay + (by - ay) * t;
                const int i0 = int(fx), j0 = int(fy);
                const BYTE* p0 = m_planes.top + m_planes.down * j0;
                MovePixel(pRow + 3 * (k < 0    ? k + w
                                      : k >= w ? k - w
                                               : k),
                          p0, p0 + m_planes.down, m_planes.toBefore, i0, int((fx - i0) * 256 + 0.5),
                          int((fy - j0) * 256 + 0.5));
            }
            return;
        }
        for (int k = k0; k < k1; ++k) {
            double fx = 0, fy = 0;
            if (bLine) {
                const double t = double(k - k0) / kRun;
                fx = ax + (bx - ax) * t;
                fy = ay + (by - ay) * t;
            } else if (!PlanePoint(k, sinLat, cosLat, fx, fy, 1e-9)) {
                continue;
            }
            if (fx >= -0.5 && fy >= -0.5 && fx <= pw - 0.5 && fy <= ph - 0.5)
                CarryPixel(pRow + 3 * (k < 0    ? k + w
                                       : k >= w ? k - w
                                                : k),
                           fx, fy, m_planes, bChanged);
        }
    }

    const CSkyPatch& m_patch;
    const CRect& m_area;
    const CPlanePair m_planes;
    const int m_nWidth;
    const std::vector<double>& m_sinLon;
    const std::vector<double>& m_cosLon;
    const int m_pw;
    const int m_ph;
    // The smallest cosine of a direction within the area, and the angle of a run's
    // longitudes.
    const double m_areaCos;
    const double m_runAngle;
};

} // namespace

void CSkyPatch::CarryBack(CDib& sphere, const CRect& area, const CDib& plane,
                          const CDib& before) const
{
    const int w = sphere.m_nWidth, h = sphere.m_nHeight;
    const CChangedTiles changed(plane, before);
    const CPlanePair planes{plane.PixelAddress(0, plane.m_nHeight - 1),
                            -ptrdiff_t(plane.m_nStride),
                            before.PixelAddress(0, 0) - plane.PixelAddress(0, 0),
                            plane.m_nWidth,
                            plane.m_nHeight,
                            changed.View()};
    // Each panorama pixel near the patch takes the plane's change at its centre, read
    // between the four plane pixels around it.
    const CRect rows = SphereRows(area);
    int x0 = 0, x1 = 0;
    SphereColumns(area, x0, x1);
    std::vector<double> sinLon(w), cosLon(w), sinLat(h), cosLat(h);
    constexpr int kChunk = 256;
    ForEveryRow(0, (w + kChunk - 1) / kChunk, [&](int chunk) {
        for (int x = chunk * kChunk; x < std::min(w, (chunk + 1) * kChunk); ++x) {
            const double l = (x + 0.5) / w * 2 * kPi;
            sinLon[x] = std::sin(l);
            cosLon[x] = std::cos(l);
        }
    });
    for (int y = rows.top; y < rows.bottom; ++y) {
        const double p = (90.0 - (y + 0.5) / h * 180.0) * kRadians;
        sinLat[y] = std::sin(p);
        cosLat[y] = std::cos(p);
    }
    // In bands of rows, block by block, so that the parts of the plane a band reads stay at
    // hand while it is carried.
    constexpr int kBand = 16;
    double areaCos = 1;
    for (const double px : {double(area.left), double(area.right)})
        for (const double py : {double(area.top), double(area.bottom)})
            areaCos = std::min(areaCos, Dot(PlaneDirection(px, py), m_centre));
    const CCarry carry(*this, area, planes, w, sinLon, cosLon, areaCos);
    ForEveryRow(0, (rows.Height() + kBand - 1) / kBand, [&](int band) {
        const int y0 = rows.top + band * kBand, y1 = std::min(int(rows.bottom), y0 + kBand);
        for (int b0 = x0; b0 < x1; b0 += kBlock * kRun)
            for (int y = y0; y < y1; ++y)
                carry.Block(sphere.PixelAddress(0, h - 1 - y), sinLat[y], cosLat[y], b0, x1);
    });
}
